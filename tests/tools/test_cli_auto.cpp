// kestrelle-cli new --auto and autopoints, run as the built program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

#include "support/SyntheticScenes.h"
#include "support/TestSupport.h"

namespace {

std::string Sample(const std::string& name) { return ShellQuote(SourceDir() + "/resources/samples/" + name); }

nlohmann::json Mesh(const std::string& project) {
  const CliResult r = RunCli("mesh " + ShellQuote(project));
  EXPECT_EQ(r.nExitCode, 0) << r.szErr;
  return r.nExitCode == 0 ? nlohmann::json::parse(r.szOut) : nlohmann::json();
}

TEST(CliAuto, NewWithAutoPairsTheTwoSampleFaces) {
  TempDir dir;
  const std::string proj = dir.File("p.fmph");
  const CliResult r = RunCli("new " + Sample("girl.png") + " " + Sample("boy.png") + " --auto -o " + ShellQuote(proj));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  EXPECT_NE(r.szErr.find("pairs found from the faces"), std::string::npos) << r.szErr;
  EXPECT_NE(r.szErr.find("dropped for folds"), std::string::npos) << r.szErr;
  EXPECT_NE(r.szErr.find("kept."), std::string::npos) << r.szErr;
  const nlohmann::json j = Mesh(proj);
  EXPECT_GE(j["pairs"].size(), 5u + 55u);
  EXPECT_LE(j["pairs"].size(), 128u);

  // --max-pairs caps what is added; hand pairs given with --pair stay first.
  const std::string capped = dir.File("c.fmph");
  const CliResult c = RunCli("new " + Sample("girl.png") + " " + Sample("boy.png") +
                             " --pair 20,20:25,25 --auto=faces --max-pairs 12 -o " + ShellQuote(capped));
  ASSERT_EQ(c.nExitCode, 0) << c.szErr;
  const nlohmann::json k = Mesh(capped);
  ASSERT_LE(k["pairs"].size(), 6u + 12u);
  ASSERT_GT(k["pairs"].size(), 6u);
  EXPECT_EQ(k["pairs"][5], nlohmann::json({{"vnum", 5}, {"x1", 20}, {"y1", 20}, {"x2", 25}, {"y2", 25}}));
}

TEST(CliAuto, NothingReliableFailsAndWritesNothing) {
  TempDir dir;
  ASSERT_TRUE(MakeLandscape(480, 600).Save(dir.File("land.bmp"), PICTURE_BMP));
  const std::string proj = dir.File("p.fmph");
  CliResult r = RunCli("new " + Sample("girl.png") + " " + ShellQuote(dir.File("land.bmp")) + " --auto=faces -o " +
                       ShellQuote(proj));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_NE(r.szErr.find("No face found in image2."), std::string::npos) << r.szErr;
  EXPECT_TRUE(ReadFileBytes(proj).empty());

  r = RunCli("new " + Sample("girl.png") + " " + ShellQuote(dir.File("land.bmp")) + " --auto -o " + ShellQuote(proj));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_NE(r.szErr.find("too different"), std::string::npos) << r.szErr;
  EXPECT_TRUE(ReadFileBytes(proj).empty());

  r = RunCli("new " + Sample("girl.png") + " " + Sample("boy.png") + " --auto=everything -o " + ShellQuote(proj));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_TRUE(ReadFileBytes(proj).empty());
}

TEST(CliAuto, AutopointsAddsFeaturePairsToAnExistingProject) {
  TempDir dir;
  const AffineMap map = AffineMap::Similarity(-3, 0.95, 300, 200, -20, 10);
  ASSERT_TRUE(MakeTexturedScene(600, 400, 8).Save(dir.File("a.bmp"), PICTURE_BMP));
  ASSERT_TRUE(WarpPicture(MakeTexturedScene(600, 400, 8), map, 600, 400).Save(dir.File("b.bmp"), PICTURE_BMP));
  const std::string proj = dir.File("p.fmph"), out = dir.File("q.fmph");
  CliResult r = RunCli("new " + ShellQuote(dir.File("a.bmp")) + " " + ShellQuote(dir.File("b.bmp")) + " -o " + ShellQuote(proj));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  const std::vector<uint8_t> original = ReadFileBytes(proj);

  r = RunCli("autopoints " + ShellQuote(proj) + " --auto features -o " + ShellQuote(out));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  EXPECT_NE(r.szErr.find("pairs found from matching features"), std::string::npos) << r.szErr;
  EXPECT_EQ(ReadFileBytes(proj), original) << "-o leaves the input alone";
  const nlohmann::json j = Mesh(out);
  ASSERT_GE(j["pairs"].size(), 5u + 20u);
  for (size_t i = 5; i < j["pairs"].size(); ++i) {
    double x = 0, y = 0;
    map.Apply(j["pairs"][i]["x1"].get<int>(), j["pairs"][i]["y1"].get<int>(), x, y);
    EXPECT_LT(std::hypot(x - j["pairs"][i]["x2"].get<int>(), y - j["pairs"][i]["y2"].get<int>()), 3.0) << i;
  }

  // Missing project: clear message, non-zero.
  r = RunCli("autopoints " + ShellQuote(dir.File("none.fmph")));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_FALSE(r.szErr.empty());
}

}  // namespace

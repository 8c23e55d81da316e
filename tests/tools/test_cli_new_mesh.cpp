// kestrelle-cli new and mesh, run as the built program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>


#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>

#include "support/TestSupport.h"

namespace {

class CliNewMesh : public testing::Test {
 protected:
  void SetUp() override {
    a = dir.File("a.bmp");
    b = dir.File("b.bmp");
    ASSERT_TRUE(MakePatternPicture(200, 100, 1).Save(a, PICTURE_BMP));
    ASSERT_TRUE(MakePatternPicture(400, 200, 2).Save(b, PICTURE_BMP));
  }
  TempDir dir;
  std::string a, b;
};

}  // namespace

TEST_F(CliNewMesh, NewProjectReadsBackAsJson) {
  const std::string proj = dir.File("p.fmph");
  auto r = RunCli("new " + ShellQuote(a) + " " + ShellQuote(b) + " -o " + ShellQuote(proj) +
                      " --pair 50,25:110,60 --pair 150,70:290.7,140");
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  EXPECT_EQ(ReadFileBytes(proj).size(), 520u + 7 * 16);

  r = RunCli("mesh " + ShellQuote(proj));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  const auto j = nlohmann::json::parse(r.szOut);
  ASSERT_EQ(j["pairs"].size(), 7u);
  EXPECT_EQ(j["pairs"][4], nlohmann::json({{"vnum", 4}, {"x1", 100}, {"y1", 50}, {"x2", 200}, {"y2", 100}}));
  EXPECT_EQ(j["pairs"][5], nlohmann::json({{"vnum", 5}, {"x1", 50}, {"y1", 25}, {"x2", 110}, {"y2", 60}}));
  EXPECT_EQ(j["pairs"][6]["x2"], 290) << "stored as whole pixels";
  EXPECT_EQ(j["morphType"], 1);
  EXPECT_EQ(j["frames"], 30);
  // 7 points, the centre and both user points inside: 2*7-6 triangles over every point.
  ASSERT_EQ(j["triangles"].size(), 8u);
  std::set<int> used;
  for (const auto& t : j["triangles"]) {
    ASSERT_EQ(t.size(), 3u);
    for (const auto& v : t) used.insert(v.get<int>());
  }
  EXPECT_EQ(used, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
}

// Coordinates pasted from other tools or taken from a drag carry decimals on both sides.
TEST_F(CliNewMesh, DecimalPairsAreTruncatedToWholePixels) {
  const std::string proj = dir.File("d.fmph");
  auto r = RunCli("new " + ShellQuote(a) + " " + ShellQuote(b) + " -o " + ShellQuote(proj) +
                  " --pair 68.75,89.5:330,77.9");
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  r = RunCli("mesh " + ShellQuote(proj));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  EXPECT_EQ(nlohmann::json::parse(r.szOut)["pairs"][5],
            nlohmann::json({{"vnum", 5}, {"x1", 68}, {"y1", 89}, {"x2", 330}, {"y2", 77}}));
}

TEST_F(CliNewMesh, SamePictureTwiceMakesAWarpProject) {
  const std::string proj = dir.File("w.fmph");
  auto r = RunCli("new " + ShellQuote(a) + " " + ShellQuote(a) + " -o " + ShellQuote(proj));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  const auto bytes = ReadFileBytes(proj);
  ASSERT_EQ(bytes.size(), 600u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), a);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 260)), a);
}

TEST_F(CliNewMesh, RefusalsUseTheModelTextsAndFail) {
  const std::string proj = dir.File("q.fmph");
  auto r = RunCli("new " + ShellQuote(a) + " " + ShellQuote(b) + " -o " + ShellQuote(proj) + " --pair 50,25:1,1 --pair 50,25:3,3");
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_NE(r.szErr.find("A key point cannot be placed here"), std::string::npos) << r.szErr;
  EXPECT_TRUE(ReadFileBytes(proj).empty()) << "nothing saved";

  r = RunCli("new " + ShellQuote(dir.File("noext")) + " " + ShellQuote(b) + " -o " + ShellQuote(proj));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_EQ(r.szErr, "error!\n");

  for (const char* bad : {"nan,2:3,4", "1,2:inf,4", "1e99,2:3,4", "0x10,2:3,4"}) {
    r = RunCli("new " + ShellQuote(a) + " " + ShellQuote(b) + " -o " + ShellQuote(proj) + " --pair " + bad);
    EXPECT_NE(r.nExitCode, 0) << bad;
  }
  r = RunCli("new " + ShellQuote(a) + " " + ShellQuote(b) + " -o " + ShellQuote(proj) + " --pair 1,2");
  EXPECT_NE(r.nExitCode, 0);

  r = RunCli("mesh " + ShellQuote(dir.File("none.fmph")));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_EQ(r.szErr, "open project error!\n");

  WriteFileBytes(proj, std::vector<uint8_t>(300, 0));
  r = RunCli("mesh " + ShellQuote(proj));
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_EQ(r.szErr, "error!\n");
  EXPECT_TRUE(r.szOut.empty());
}

TEST_F(CliNewMesh, SampleFlagFindsPicturesBesideTheProject) {
  const std::string proj = dir.File("s.fmph");
  ASSERT_EQ(RunCli("new " + ShellQuote(a) + " " + ShellQuote(b) + " -o " + ShellQuote(proj)).nExitCode, 0);
  // Rewrite the stored folders as another computer's.
  auto bytes = ReadFileBytes(proj);
  const std::string p1 = "C:\\pictures\\a.bmp", p2 = "/elsewhere/b.bmp";
  std::fill(bytes.begin(), bytes.begin() + 256, 0);
  std::fill(bytes.begin() + 260, bytes.begin() + 516, 0);
  std::copy(p1.begin(), p1.end(), bytes.begin());
  std::copy(p2.begin(), p2.end(), bytes.begin() + 260);
  WriteFileBytes(proj, bytes);
  // An ordinary open also falls back to the pictures beside the project.
  EXPECT_EQ(RunCli("mesh " + ShellQuote(proj)).nExitCode, 0);
  const auto r = RunCli("mesh --sample " + ShellQuote(proj));
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  EXPECT_EQ(nlohmann::json::parse(r.szOut)["pairs"].size(), 5u);
}

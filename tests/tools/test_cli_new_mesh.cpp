// kestrelle-cli new and mesh, run as the built program.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>

#include "support/TestSupport.h"

namespace {

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

RunResult RunCli(const std::string& args, const TempDir& dir) {
  RunResult r;
  const std::string errFile = dir.File("stderr.txt");
  const std::string cmd = Quote(BinDir() + "/kestrelle-cli") + " " + args + " 2>" + Quote(errFile);
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto err = ReadFileBytes(errFile);
  r.err.assign(err.begin(), err.end());
  return r;
}

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
  auto r = RunCli("new " + Quote(a) + " " + Quote(b) + " -o " + Quote(proj) +
                      " --pair 50,25:110,60 --pair 150,70:290.7,140",
                  dir);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(proj).size(), 520u + 7 * 16);

  r = RunCli("mesh " + Quote(proj), dir);
  ASSERT_EQ(r.code, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
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

TEST_F(CliNewMesh, SamePictureTwiceMakesAWarpProject) {
  const std::string proj = dir.File("w.fmph");
  auto r = RunCli("new " + Quote(a) + " " + Quote(a) + " -o " + Quote(proj), dir);
  ASSERT_EQ(r.code, 0) << r.err;
  const auto bytes = ReadFileBytes(proj);
  ASSERT_EQ(bytes.size(), 600u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), a);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 260)), a);
}

TEST_F(CliNewMesh, RefusalsUseTheModelTextsAndFail) {
  const std::string proj = dir.File("q.fmph");
  auto r = RunCli("new " + Quote(a) + " " + Quote(b) + " -o " + Quote(proj) + " --pair 50,25:1,1 --pair 50,25:3,3", dir);
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("A key point cannot be placed here"), std::string::npos) << r.err;
  EXPECT_TRUE(ReadFileBytes(proj).empty()) << "nothing saved";

  r = RunCli("new " + Quote(dir.File("noext")) + " " + Quote(b) + " -o " + Quote(proj), dir);
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.err, "error!\n");

  r = RunCli("new " + Quote(a) + " " + Quote(b) + " -o " + Quote(proj) + " --pair 1,2", dir);
  EXPECT_NE(r.code, 0);

  r = RunCli("mesh " + Quote(dir.File("none.fmph")), dir);
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.err, "open project error!\n");

  WriteFileBytes(proj, std::vector<uint8_t>(300, 0));
  r = RunCli("mesh " + Quote(proj), dir);
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.err, "error!\n");
  EXPECT_TRUE(r.out.empty());
}

TEST_F(CliNewMesh, SampleFlagFindsPicturesBesideTheProject) {
  const std::string proj = dir.File("s.fmph");
  ASSERT_EQ(RunCli("new " + Quote(a) + " " + Quote(b) + " -o " + Quote(proj), dir).code, 0);
  // Rewrite the stored folders as another computer's.
  auto bytes = ReadFileBytes(proj);
  const std::string p1 = "C:\\pictures\\a.bmp", p2 = "/elsewhere/b.bmp";
  std::fill(bytes.begin(), bytes.begin() + 256, 0);
  std::fill(bytes.begin() + 260, bytes.begin() + 516, 0);
  std::copy(p1.begin(), p1.end(), bytes.begin());
  std::copy(p2.begin(), p2.end(), bytes.begin() + 260);
  WriteFileBytes(proj, bytes);
  EXPECT_NE(RunCli("mesh " + Quote(proj), dir).code, 0);
  const auto r = RunCli("mesh --sample " + Quote(proj), dir);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["pairs"].size(), 5u);
}

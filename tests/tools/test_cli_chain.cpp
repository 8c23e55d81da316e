// kestrelle-cli chain, run as the built program and read back by Pillow and ImageMagick.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "support/AnimationProbe.h"
#include "support/CliFixture.h"
#include "support/PictureChecks.h"
#include "support/SyntheticScenes.h"

namespace {

std::string Sample(const std::string& name) { return SourceDir() + "/resources/samples/" + name; }

// ImageMagick's own downscale of a picture, as the frame a chain shows of it.
std::vector<uint8_t> ScaledByImageMagick(const std::string& szPicture, const std::string& szSize, const TempDir& dir) {
  const std::string out = dir.File("expected.bmp");
  const CliResult r = RunCommand("convert " + ShellQuote(szPicture) + " -resize " + szSize + "! -type TrueColor BMP3:" +
                                 ShellQuote(out));
  EXPECT_EQ(r.nExitCode, 0) << r.szErr;
  const CPicture picture(out, PICTURE_BMP);
  return picture.IsValid() ? TopDownRgb(picture) : std::vector<uint8_t>();
}

class CliChainTest : public CliProjectTest {
 protected:
  void SetUp() override { MakeProject(CliProjectLayout{}); }
  TempDir m_out;
};

}  // namespace

// Three faces with automatic key points: one file whose frames at each picture are that
// picture at the output size, 2 * N + 1 frames plus the holds, a line per segment, and each
// segment's project written for correction.
TEST_F(CliChainTest, ThreeFacesMakeOneAnimationThroughEveryPicture) {
  const std::string out = m_out.File("faces.apng");
  TempDir projects;
  const CliResult r = RunCli({"chain", Sample("girl.png"), Sample("boy.png"), Sample("bill.png"), "--auto=faces",
                              "--frames", "4", "--hold", "1", "--size", "240x300", "--fps", "10", "-o", out,
                              "--save-projects", projects.Path()});
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_NE(r.szErr.find("segment 1: girl.png to boy.png, automatic key points"), std::string::npos) << r.szErr;
  EXPECT_NE(r.szErr.find("segment 2 of 2 written"), std::string::npos) << r.szErr;

  const AnimationProbe back = ProbeAnimation(out);
  ASSERT_TRUE(back.bOpened) << back.szError;
  EXPECT_EQ(back.nWidth, 240);
  EXPECT_EQ(back.nHeight, 300);
  ASSERT_EQ(back.nFrames, 2 * 4 + 1 + 3);
  EXPECT_EQ(back.durations, std::vector<int>(12, 100));
  EXPECT_EQ(back.nLoop, 0);
  ASSERT_EQ(back.frames.size(), 12u);
  const std::vector<uint8_t> girl = ScaledByImageMagick(Sample("girl.png"), "240x300", m_out);
  const std::vector<uint8_t> boy = ScaledByImageMagick(Sample("boy.png"), "240x300", m_out);
  const std::vector<uint8_t> bill = ScaledByImageMagick(Sample("bill.png"), "240x300", m_out);
  for (int g : {0, 1}) EXPECT_LT(MeanAbsoluteDifference(back.frames[g], girl), 8.0) << g;
  for (int g : {5, 6}) EXPECT_LT(MeanAbsoluteDifference(back.frames[g], boy), 8.0) << g;
  for (int g : {10, 11}) EXPECT_LT(MeanAbsoluteDifference(back.frames[g], bill), 8.0) << g;
  EXPECT_GT(MeanAbsoluteDifference(back.frames[0], boy), 2 * MeanAbsoluteDifference(back.frames[0], girl));

  for (const char* name : {"segment-01.fmph", "segment-02.fmph"}) {
    const CliResult mesh = RunCli({"mesh", projects.File(name)});
    EXPECT_EQ(mesh.nExitCode, 0) << name << mesh.szErr;
    const nlohmann::json j = nlohmann::json::parse(mesh.szOut, nullptr, false);
    EXPECT_GT(j["pairs"].size(), 5u + 40u) << name << ": the face pairs are missing";
  }
}

// A chain of two projects uses their own pairs: the middle frame of each segment is the one
// render gives for that project.
TEST_F(CliChainTest, ProjectsKeepTheirPairs) {
  const std::string back = m_dir.File("back.fmph");
  ASSERT_EQ(RunCli({"new", m_szImage2, m_szImage1, "-o", back, "--pair", "10,10:30,20"}).nExitCode, 0);
  const CliResult r = RunCli({"chain", m_szProject, back, "--frames", "4", "-o", m_out.File("s.png")});
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_NE(r.szErr.find("the project's key points"), std::string::npos) << r.szErr;
  for (const auto& [project, g] : {std::make_pair(m_szProject, 2), std::make_pair(back, 6)}) {
    const std::string single = m_out.File("render" + std::to_string(g) + ".png");
    ASSERT_EQ(RunCli({"render", project, "--frames", "4", "--frame", "2", "-o", single}).nExitCode, 0);
    const CPicture fromRender(single, PICTURE_PNG), fromChain(m_out.File("s" + std::to_string(g) + ".png"), PICTURE_PNG);
    ASSERT_TRUE(fromChain.IsValid()) << g;
    EXPECT_EQ(TopDownRgb(fromChain), TopDownRgb(fromRender)) << "segment frame " << g;
  }
  EXPECT_TRUE(std::filesystem::exists(m_out.File("s8.png")));
  EXPECT_FALSE(std::filesystem::exists(m_out.File("s9.png")));
}

// A segment whose automatic points fail is named with the reason; nothing is written.
TEST_F(CliChainTest, AFailingSegmentWritesNothing) {
  ASSERT_TRUE(MakeLandscape(480, 600).Save(m_dir.File("land.bmp"), PICTURE_BMP));
  const std::string out = m_out.File("faces.gif");
  const CliResult r = RunCli({"chain", Sample("girl.png"), Sample("boy.png"), m_dir.File("land.bmp"), "--auto=faces",
                              "-o", out});
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_NE(r.szErr.find("segment 2 (boy.png to land.bmp)"), std::string::npos) << r.szErr;
  EXPECT_NE(r.szErr.find("No face found in image2."), std::string::npos) << r.szErr;
  EXPECT_TRUE(FolderEntries(m_out.Path()).empty());
  // A segment project may not land on an item, nor the output on one of the chain's pictures.
  const std::string item = m_dir.File("segment-01.fmph");
  std::filesystem::copy_file(m_szProject, item);
  const std::vector<uint8_t> itemBytes = ReadFileBytes(item);
  const std::string back = m_dir.File("back.fmph");
  ASSERT_EQ(RunCli({"new", m_szImage2, m_szImage1, "-o", back}).nExitCode, 0);
  const CliResult onItem = RunCli({"chain", back, item, "--save-projects", m_dir.Path(), "-o", m_out.File("x.gif")});
  EXPECT_EQ(onItem.nExitCode, 1) << onItem.szOutput;
  EXPECT_NE(onItem.szErr.find("is one of the chain's items"), std::string::npos) << onItem.szErr;
  EXPECT_EQ(ReadFileBytes(item), itemBytes);
  EXPECT_TRUE(FolderEntries(m_out.Path()).empty());
  const std::vector<uint8_t> image1 = ReadFileBytes(m_szImage1);
  const CliResult over = RunCli({"chain", m_szImage1, m_szImage2, "--format", "apng", "-o", m_szImage1});
  EXPECT_EQ(over.nExitCode, 1) << over.szOutput;
  EXPECT_EQ(ReadFileBytes(m_szImage1), image1);
}

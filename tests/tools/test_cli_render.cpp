// `kestrelle-cli render`: a project saved in a temporary folder is rendered by the command
// and by the library directly; the PNG the command writes must hold the same pixels.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/ProjectFile.h"
#include "output/FrameImage.h"
#include "render/ProjectFrame.h"
#include "support/CliProject.h"
#include "support/TestSupport.h"

namespace {

class CliRenderTest : public CliProjectTest {
 protected:
  void SetUp() override {
    CliProjectLayout layout;
    layout.nWidth1 = 60;
    layout.nHeight1 = 40;
    layout.nWidth2 = 48;
    layout.nHeight2 = 64;
    layout.nSeed2 = 2;
    layout.y2 = 40;
    layout.szName = "pair.fmph";
    MakeProject(layout);
  }

  // What the library renders for the saved project with the given settings.
  CPicture Expected(int nType, int nFrameCount, int nFrame, int nWidth, int nHeight) {
    MorphProject project;
    EXPECT_TRUE(OpenProject(project, m_szProject));
    project.SetFrameCount(nFrameCount);
    EXPECT_TRUE(project.ChooseMorphType(nType));
    EXPECT_TRUE(project.SetOutputSize(nWidth, nHeight));
    const MorphTriangles triangles = ProjectTriangles(project);
    EXPECT_EQ(triangles.size(), project.m_mesh.TriangleList().size());
    COffscreenRenderer renderer;
    FrameBitmap bitmap;
    EXPECT_TRUE(renderer.RenderFrame(MakeProjectFrameRequest(project, triangles, nFrame), bitmap))
        << renderer.GetLastError();
    CPicture pic;
    EXPECT_TRUE(GrabFrameImage(bitmap, pic));
    return pic;
  }

  static void ExpectSamePixels(const std::string& path, const CPicture& expected) {
    CPicture written;
    ASSERT_TRUE(written.Load(path, PICTURE_PNG)) << written.GetLastError();
    ASSERT_EQ(written.GetWidth(), expected.GetWidth());
    ASSERT_EQ(written.GetHeight(), expected.GetHeight());
    int nDiffer = 0;
    for (int y = 0; y < expected.GetHeight(); ++y)
      for (int x = 0; x < expected.GetWidth(); ++x) {
        const RgbQuad a = written.GetPixelColor(x, y), b = expected.GetPixelColor(x, y);
        if (a.rgbBlue != b.rgbBlue || a.rgbGreen != b.rgbGreen || a.rgbRed != b.rgbRed) ++nDiffer;
      }
    EXPECT_EQ(nDiffer, 0);
  }

};

TEST_F(CliRenderTest, DefaultsRenderTheMiddleFrameAtImage1Size) {
  const std::string out = m_dir.File("middle.png");
  const CliResult r = RunCli("render '" + m_szProject + "' -o '" + out + "' --format frame");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  ExpectSamePixels(out, Expected(1, 30, 15, 60, 40));
}

TEST_F(CliRenderTest, OptionsChooseFrameCountTypeAndSize) {
  const std::string out = m_dir.File("warp.png");
  CliResult r = RunCli("render '" + m_szProject + "' -o '" + out +
                       "' --frame 2 --frames 9 --type warp2 --size 50x70");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  ExpectSamePixels(out, Expected(3, 9, 2, 50, 70));

  r = RunCli("render '" + m_szProject + "' -o '" + out + "' --frame 9 --frames 9 --type warp1");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  ExpectSamePixels(out, Expected(2, 9, 9, 60, 40));
}

TEST_F(CliRenderTest, BadRequestsFailWithAMessageAndWriteNothing) {
  const std::string out = m_dir.File("never.png");
  struct Case {
    std::string args;
    std::string expected;
  };
  const Case cases[] = {
      {"render '" + m_dir.File("missing.fmph") + "' -o '" + out + "'", "open project error!"},
      {"render '" + m_szProject + "' -o '" + out + "' --frame 31", "past the last frame"},
      {"render '" + m_szProject + "' -o '" + out + "' --size 40", "not a size"},
      {"render '" + m_szProject + "' -o '" + out + "' --size 99999x10", "99999"},
      {"render '" + m_szProject + "' -o '" + m_dir.File("frame.xyz") + "'", "unknown picture format"},
      {"render '" + m_szProject + "' -o '" + out + "' --type sideways", "sideways"},
      {"render '" + m_szProject + "' -o '" + out + "' --frames 0", "--frames"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliResult r = RunCli(c.args);
    EXPECT_NE(r.nExitCode, 0);
    EXPECT_NE(r.szOutput.find(c.expected), std::string::npos) << r.szOutput;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("frame.xyz")));

  const CliResult r = RunCli("render '" + m_szProject + "' -o '" + m_dir.File("no/such/dir.png") + "'");
  EXPECT_NE(r.nExitCode, 0);
  EXPECT_FALSE(r.szOutput.empty());
}

}  // namespace

// Every sample project renders off screen at its first, middle and last frame: the first
// frame shows image1, the last shows image2 (a warp: image1 in its target shape), and the
// middle frame lies between them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/ProjectFile.h"
#include "render/OffscreenRenderer.h"
#include "support/TestSupport.h"

void PrintTo(const SampleProject& sample, std::ostream* os) { *os << sample.szFileName; }

namespace {

// Mean absolute difference per colour byte between a frame and a picture of the same size
// (both bottom row first).
double MeanDifference(const FrameBitmap& frame, const CPicture& picture) {
  double sum = 0;
  for (int y = 0; y < frame.nHeight; ++y) {
    const uint8_t* row = frame.Row(y);
    for (int x = 0; x < frame.nWidth; ++x) {
      const RgbQuad c = picture.GetPixelColor(x, y);
      sum += std::abs(row[4 * x] - c.rgbBlue) + std::abs(row[4 * x + 1] - c.rgbGreen) +
             std::abs(row[4 * x + 2] - c.rgbRed);
    }
  }
  return sum / (3.0 * frame.nWidth * frame.nHeight);
}

double MeanDifference(const FrameBitmap& a, const FrameBitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.nHeight; ++y) {
    const uint8_t* ra = a.Row(y);
    const uint8_t* rb = b.Row(y);
    for (int x = 0; x < a.nWidth; ++x)
      for (int c = 0; c < 3; ++c) sum += std::abs(ra[4 * x + c] - rb[4 * x + c]);
  }
  return sum / (3.0 * a.nWidth * a.nHeight);
}

class SampleRenderTest : public ::testing::TestWithParam<SampleProject> {
 protected:
  static void SetUpTestSuite() { s_pRenderer = new COffscreenRenderer; }
  static void TearDownTestSuite() {
    delete s_pRenderer;
    s_pRenderer = nullptr;
  }
  static COffscreenRenderer* s_pRenderer;
};
COffscreenRenderer* SampleRenderTest::s_pRenderer = nullptr;

TEST_P(SampleRenderTest, FirstMiddleAndLastFramesRender) {
  const SampleProject& sample = GetParam();
  MorphProject project;
  const Result opened = OpenShippedSample(project, sample, BinDir() + "/samples");
  ASSERT_TRUE(opened.ok()) << opened.message;
  project.FinishPreviewSetup();  // output size = image1's size, as after opening in the program
  const MorphTriangles triangles = project.m_mesh.GetMorphTriangles();
  const int n = project.m_nFrameCount;

  FrameBitmap frames[3];
  const int ks[3] = {0, n / 2, n};
  for (int i = 0; i < 3; ++i) {
    MorphFrameRequest request;
    request.pImage1 = project.m_pImage1.get();
    request.pImage2 = project.m_pImage2.get();
    request.pTriangles = &triangles;
    request.nMorphType = project.m_nMorphType;
    request.nCurFrame = ks[i];
    request.nFrameCount = n;
    request.nOutputWidth = project.m_nOutputWidth;
    request.nOutputHeight = project.m_nOutputHeight;
    ASSERT_TRUE(s_pRenderer->RenderFrame(request, frames[i]))
        << sample.szFileName << " frame " << ks[i] << ": " << s_pRenderer->GetLastError();
    ASSERT_EQ(frames[i].nWidth, project.m_pImage1->GetWidth());
    ASSERT_EQ(frames[i].nHeight, project.m_pImage1->GetHeight());
  }

  // Frame 0 is image1 in its own shape; only texture filtering separates them.
  const double first = MeanDifference(frames[0], *project.m_pImage1);
  EXPECT_LT(first, 6.0) << sample.szFileName;
  if (!sample.bWarp) {
    // Frame N is image2 in its own shape (same size as image1 in every sample).
    ASSERT_EQ(project.m_pImage2->GetWidth(), project.m_pImage1->GetWidth());
    EXPECT_LT(MeanDifference(frames[2], *project.m_pImage2), 6.0) << sample.szFileName;
  }
  // The animation moves: the middle frame differs from both ends, and the ends differ.
  const double startToMiddle = MeanDifference(frames[0], frames[1]);
  const double middleToEnd = MeanDifference(frames[1], frames[2]);
  const double startToEnd = MeanDifference(frames[0], frames[2]);
  EXPECT_GT(startToEnd, 1.0) << sample.szFileName;
  EXPECT_GT(startToMiddle, 0.25 * startToEnd) << sample.szFileName;
  EXPECT_GT(middleToEnd, 0.25 * startToEnd) << sample.szFileName;
  // Halfway means roughly half of the change on either side.
  EXPECT_LT(startToMiddle, startToEnd) << sample.szFileName;
  EXPECT_LT(middleToEnd, startToEnd) << sample.szFileName;
}

// The command a new user tries first, from the folder of a fresh build: the sample's stored
// picture paths resolve there and the whole morph comes out as one looping GIF.
TEST(SampleCommandLine, RendersTheGirlWarpToAnAnimatedGif) {
  TempDir dir;
  const std::string gif = dir.File("girl.gif");
  const std::string command =
      "cd '" + BinDir() + "' && ./kestrelle-cli render samples/girl.fmph -o '" + gif + "' > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(gif, std::ios::binary);
  ASSERT_TRUE(in.good());
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
  EXPECT_NE(bytes.find("NETSCAPE2.0"), std::string::npos);
  EXPECT_EQ(bytes.back(), '\x3B');  // trailer
  // Logical screen size: the girl picture, 480 x 600, little-endian.
  EXPECT_EQ(static_cast<uint8_t>(bytes[6]) | static_cast<uint8_t>(bytes[7]) << 8, 480);
  EXPECT_EQ(static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9]) << 8, 600);
}

INSTANTIATE_TEST_SUITE_P(AllSamples, SampleRenderTest, ::testing::ValuesIn(kSampleProjects),
                         [](const ::testing::TestParamInfo<SampleProject>& info) {
                           std::string name = info.param.szFileName;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace

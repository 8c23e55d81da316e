// Morph chains: how pictures are fitted into the output size, which segments a list of
// pictures and projects makes, the frames the run writes (count, order, the pictures at the
// stops, a project's own pairs) and a segment that fails.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/ProjectFile.h"
#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "output/MorphChain.h"
#include "render/ProjectFrame.h"
#include "support/TestSupport.h"

// Found by argument-dependent lookup, so beside FittedRect.
bool operator==(const FittedRect& a, const FittedRect& b) {
  return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
void PrintTo(const FittedRect& r, std::ostream* os) { *os << r.x << "," << r.y << " " << r.w << "x" << r.h; }

namespace {

class MorphChainTest : public testing::Test {
 protected:
  // Pictures of one colour: a wide red one (the output size), a narrow blue and a flat green.
  void SetUp() override {
    m_szRed = SavePicture("red.bmp", MakeSolidPicture(64, 48, 220, 0, 0));
    m_szBlue = SavePicture("blue.bmp", MakeSolidPicture(32, 48, 0, 0, 220));
    m_szGreen = SavePicture("green.bmp", MakeSolidPicture(64, 24, 0, 220, 0));
  }
  std::string SavePicture(const std::string& name, const CPicture& picture) {
    const std::string path = m_dir.File(name);
    EXPECT_TRUE(picture.Save(path, PICTURE_BMP));
    return path;
  }
  // A project from two pictures with one pair moved.
  std::string SaveProjectOf(const std::string& name, const std::string& a, const std::string& b) {
    MorphProject project;
    EXPECT_TRUE(project.LoadImage1(a).ok());
    EXPECT_TRUE(project.LoadImage2(b).ok());
    int vnum = -1;
    EXPECT_TRUE(project.AddPairAt(1, 20, 10, &vnum).ok());
    EXPECT_TRUE(project.MovePoint(2, vnum, 40, 18).ok());
    const std::string path = m_dir.File(name);
    EXPECT_TRUE(SaveProject(project, path).ok());
    return path;
  }
  // Key points that leave the pictures' frame points alone, counting the segments asked.
  MorphChainPairs CountingPairs(int nFailAt = -1) {
    return [this, nFailAt](MorphProject&) {
      ++m_nPairCalls;
      return m_nPairCalls == nFailAt ? Result::Fail("no face in either picture") : Result::Success();
    };
  }
  // Runs the chain into a BMP sequence and reads frame g back.
  bool RunSequence(const CMorphChain& chain) {
    COutputRun run;
    const OutputRunResult result = run.Run(chain.MakeRequest(ImageSequence, m_out.File("f.bmp")), {});
    EXPECT_TRUE(result.ok()) << result.outcome.FullText();
    return result.ok();
  }
  RgbQuad Pixel(int g, int x, int yFromTop) {
    CPicture frame(m_out.File("f" + std::to_string(g) + ".bmp"), PICTURE_BMP);
    return frame.GetPixelColor(x, frame.GetHeight() - 1 - yFromTop);
  }

  TempDir m_dir, m_out;
  std::string m_szRed, m_szBlue, m_szGreen;
  int m_nPairCalls = 0;
};

}  // namespace

TEST(FitIntoOutputTest, BestFitCentredWithTheMeetingSideExact) {
  EXPECT_EQ(FitIntoOutput(200, 100, 100, 100), (FittedRect{0, 25, 100, 50}));
  EXPECT_EQ(FitIntoOutput(100, 200, 100, 100), (FittedRect{25, 0, 50, 100}));
  EXPECT_EQ(FitIntoOutput(300, 360, 480, 600), (FittedRect{0, 12, 480, 576}));
  EXPECT_EQ(FitIntoOutput(640, 480, 640, 480), (FittedRect{0, 0, 640, 480}));
  EXPECT_EQ(FitIntoOutput(3, 1000, 100, 100), (FittedRect{49, 0, 1, 100}));  // never narrower than a pixel
}

TEST(FitIntoOutputTest, FittedPicturesAreBlackAroundAndCopiesAtTheirOwnSize) {
  const CPicture wide = MakePatternPicture(40, 20, 3);
  CPicture fitted;
  ASSERT_TRUE(FitPicture(wide, 40, 40, fitted));
  ASSERT_EQ(fitted.GetBpp(), 24);
  // Picture rows count from the bottom: the content is rows 10..29.
  for (int y : {0, 9, 30, 39}) EXPECT_EQ(fitted.GetPixelColor(20, y).rgbGreen + fitted.GetPixelColor(20, y).rgbRed, 0);
  // Fitted at zoom 1, the content is the picture itself.
  double fDiff = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      const RgbQuad a = fitted.GetPixelColor(x, y + 10), b = wide.GetPixelColor(x, y);
      fDiff += std::abs(a.rgbRed - b.rgbRed) + std::abs(a.rgbGreen - b.rgbGreen) + std::abs(a.rgbBlue - b.rgbBlue);
    }
  EXPECT_LT(fDiff / (40 * 20 * 3), 2.0);
  CPicture same;
  ASSERT_TRUE(FitPicture(wide, 40, 20, same));
  EXPECT_EQ(std::vector<uint8_t>(same.GetDib(), same.GetDib() + same.GetDibSize()),
            std::vector<uint8_t>(wide.GetDib(), wide.GetDib() + wide.GetDibSize()));
}

TEST_F(MorphChainTest, PicturesMakeSegmentsAndTheRunShowsEachFittedAtItsStop) {
  CMorphChain chain;
  MorphChainOptions options;
  options.nFrames = 4;
  options.nHold = 1;
  std::vector<int> announced;
  ASSERT_TRUE(chain.Prepare({m_szRed, m_szBlue, m_szGreen}, options, CountingPairs(),
                            [&](int n) { announced.push_back(n); }))
      << chain.GetLastResult().FullText();
  EXPECT_EQ(m_nPairCalls, 2);
  EXPECT_EQ(announced, (std::vector<int>{0, 1}));
  ASSERT_EQ(chain.SegmentCount(), 2);
  EXPECT_TRUE(chain.GetSegment(1).bAutomatic);
  EXPECT_EQ(chain.GetSegment(1).szFrom, m_szBlue);
  // The first picture's size; S * N + 1 + (S + 1) * hold frames.
  EXPECT_EQ(chain.OutputWidth(), 64);
  EXPECT_EQ(chain.OutputHeight(), 48);
  EXPECT_EQ(chain.FrameCount(), 2 * 4 + 1 + 3 * 1);

  // Frames 0, 1: red; 2..5 the first segment (5 is blue), 6 blue held; 7..10 the second, 11 green held.
  const OutputRunRequest request = chain.MakeRequest(ImageSequence, "x.bmp");
  const std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4},
                                                     {0, 4}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 4}};
  for (int g = 0; g < chain.FrameCount(); ++g) {
    const RunFrameSource source = RunFrameAt(request, g);
    EXPECT_EQ(std::make_pair(source.nMorph, source.k), expected[static_cast<size_t>(g)]) << "frame " << g;
    EXPECT_EQ(chain.SegmentOfFrame(g), expected[static_cast<size_t>(g)].first) << "frame " << g;
  }

  ASSERT_TRUE(RunSequence(chain));
  EXPECT_EQ(std::filesystem::exists(m_out.File("f11.bmp")), true);
  EXPECT_EQ(std::filesystem::exists(m_out.File("f12.bmp")), false);
  const auto near = [](RgbQuad c, int r, int g, int b) {
    return std::abs(c.rgbRed - r) <= 8 && std::abs(c.rgbGreen - g) <= 8 && std::abs(c.rgbBlue - b) <= 8;
  };
  for (int g : {0, 1}) EXPECT_TRUE(near(Pixel(g, 32, 24), 220, 0, 0)) << g;
  // The narrow picture stands in the middle third, black beside it; the flat one in the middle rows.
  for (int g : {5, 6}) {
    EXPECT_TRUE(near(Pixel(g, 32, 24), 0, 0, 220)) << g;
    EXPECT_TRUE(near(Pixel(g, 6, 24), 0, 0, 0)) << g;
    EXPECT_TRUE(near(Pixel(g, 58, 24), 0, 0, 0)) << g;
  }
  for (int g : {10, 11}) {
    EXPECT_TRUE(near(Pixel(g, 32, 24), 0, 220, 0)) << g;
    EXPECT_TRUE(near(Pixel(g, 32, 4), 0, 0, 0)) << g;
    EXPECT_TRUE(near(Pixel(g, 32, 44), 0, 0, 0)) << g;
  }
  // Half way through the first segment both pictures are mixed.
  EXPECT_TRUE(near(Pixel(3, 32, 24), 110, 0, 110));
}

TEST_F(MorphChainTest, AFailingSegmentIsNamedWithItsReason) {
  CMorphChain chain;
  EXPECT_FALSE(chain.Prepare({m_szRed, m_szBlue, m_szGreen}, {}, CountingPairs(2)));
  EXPECT_NE(chain.GetLastResult().FullText().find("segment 2 (blue.bmp to green.bmp)"), std::string::npos) << chain.GetLastResult().FullText();
  EXPECT_NE(chain.GetLastResult().FullText().find("no face in either picture"), std::string::npos) << chain.GetLastResult().FullText();
  EXPECT_FALSE(chain.Prepare({m_szRed}, {}, CountingPairs()));
  EXPECT_FALSE(chain.Prepare({m_szRed, m_dir.File("missing.png")}, {}, CountingPairs()));
  EXPECT_NE(chain.GetLastResult().FullText().find("missing.png"), std::string::npos) << chain.GetLastResult().FullText();
}

// A project is its own segment with its own pairs: its frames are the project's frames. A
// project that starts elsewhere is reached through an automatic segment.
TEST_F(MorphChainTest, ProjectsBringTheirOwnPairs) {
  const std::string szA = SavePicture("a.bmp", MakePatternPicture(64, 48, 1));
  const std::string szB = SavePicture("b.bmp", MakePatternPicture(64, 48, 5));
  const std::string aToB = SaveProjectOf("ab.fmph", szA, szB);
  const std::string bToGreen = SaveProjectOf("bg.fmph", szB, m_szGreen);
  const std::string greenToRed = SaveProjectOf("gr.fmph", m_szGreen, m_szRed);
  CMorphChain chain;
  MorphChainOptions options;
  options.nFrames = 6;
  ASSERT_TRUE(chain.Prepare({aToB, bToGreen}, options, CountingPairs())) << chain.GetLastResult().FullText();
  EXPECT_EQ(m_nPairCalls, 0);
  ASSERT_EQ(chain.SegmentCount(), 2);
  EXPECT_FALSE(chain.GetSegment(0).bAutomatic);

  // The middle frame of the first segment is the project's own middle frame (pictures of the
  // output size keep every pixel and point); the same pictures without the pair differ.
  MorphProject project;
  ASSERT_TRUE(OpenProject(project, aToB).ok());
  project.SetFrameCount(6);
  ASSERT_TRUE(project.SetOutputSize(64, 48).ok());
  const MorphTriangles triangles = ProjectTriangles(project);
  COffscreenRenderer renderer;
  FrameBitmap direct, chained, plain;
  ASSERT_TRUE(renderer.RenderFrame(MakeProjectFrameRequest(project, triangles, 3), direct));
  MorphFrameRequest fromChain = chain.MakeRequest(AnimatedGif, "x.gif").chain[0];
  fromChain.nCurFrame = 3;
  ASSERT_TRUE(renderer.RenderFrame(fromChain, chained));
  EXPECT_EQ(chained.bits, direct.bits);
  CMorphChain pictures;
  ASSERT_TRUE(pictures.Prepare({szA, szB}, options, CountingPairs())) << pictures.GetLastResult().FullText();
  MorphFrameRequest withoutPair = pictures.MakeRequest(AnimatedGif, "x.gif").chain[0];
  withoutPair.nCurFrame = 3;
  ASSERT_TRUE(renderer.RenderFrame(withoutPair, plain));
  EXPECT_NE(plain.bits, direct.bits);

  m_nPairCalls = 0;
  CMorphChain around;
  ASSERT_TRUE(around.Prepare({aToB, greenToRed, m_szBlue}, options, CountingPairs())) << around.GetLastResult().FullText();
  ASSERT_EQ(around.SegmentCount(), 4);  // a-b, b-green (automatic), green-red, red-blue (automatic)
  EXPECT_TRUE(around.GetSegment(1).bAutomatic);
  EXPECT_EQ(around.GetSegment(1).szTo, m_szGreen);
  EXPECT_FALSE(around.GetSegment(2).bAutomatic);
  EXPECT_EQ(m_nPairCalls, 2);

  // Each segment's project is written for the window, with its pairs.
  TempDir projects;
  const Result saved = around.SaveProjects(projects.Path());
  ASSERT_TRUE(saved.ok()) << saved.FullText();
  MorphProject reopened, original;
  ASSERT_TRUE(OpenProject(reopened, CMorphChain::ProjectFileName(projects.Path(), 2)).ok());
  ASSERT_TRUE(OpenProject(original, greenToRed).ok());
  EXPECT_EQ(reopened.GetImagePath(1), m_szGreen);
  EXPECT_EQ(ProjectTriangles(reopened).size(), ProjectTriangles(original).size());
}

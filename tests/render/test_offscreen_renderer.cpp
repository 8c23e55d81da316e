// Off-screen morph frames checked against the per-pixel reference model. Tolerance: the
// largest difference of a colour byte is 3 (texture filtering and blending round to 8 bits
// per pass); pixels within one pixel of a triangle edge are not compared with the model.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "RenderReference.h"
#include "support/MorphRequests.h"
#include "support/TestSupport.h"
#include "render/OffscreenRenderer.h"

namespace {

constexpr int kTolerance = 3;

class OffscreenRendererTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { s_pRenderer = new COffscreenRenderer; }
  static void TearDownTestSuite() {
    delete s_pRenderer;
    s_pRenderer = nullptr;
  }
  static COffscreenRenderer& Renderer() { return *s_pRenderer; }

  static MorphFrameRequest Request(const CPicture& p1, const CPicture& p2, const MorphTriangles& tris, int type,
                                   int k, int n, int w, int h) {
    return MakeFrameRequest(p1, p2, tris, type, k, n, w, h);
  }
  static FrameBitmap Render(const MorphFrameRequest& r) {
    FrameBitmap bitmap;
    EXPECT_TRUE(Renderer().RenderFrame(r, bitmap)) << Renderer().GetLastError();
    return bitmap;
  }
  static RefScene Scene(const MorphFrameRequest& r) {
    RefScene sc;
    sc.pImage1 = r.pImage1;
    sc.pImage2 = r.pImage2;
    sc.triangles = *r.pTriangles;
    sc.nMorphType = r.nMorphType;
    sc.nCurFrame = r.nCurFrame;
    sc.nFrameCount = r.nFrameCount;
    sc.nOutputWidth = r.nOutputWidth;
    sc.nOutputHeight = r.nOutputHeight;
    return sc;
  }
  // Renders the request and compares it with the model; most of the frame must be compared.
  static void ExpectMatchesReference(const MorphFrameRequest& r, double dMinCheckedShare = 0.6) {
    const FrameBitmap bitmap = Render(r);
    ASSERT_EQ(bitmap.nWidth, r.nOutputWidth);
    ASSERT_EQ(bitmap.nHeight, r.nOutputHeight);
    const CompareResult cmp = CompareWithReference(bitmap, ComputeReference(Scene(r)));
    EXPECT_LE(cmp.nMaxDiff, kTolerance) << cmp.Describe();
    EXPECT_GE(cmp.nChecked, dMinCheckedShare * r.nOutputWidth * r.nOutputHeight) << cmp.Describe();
  }
  // Largest difference between the frame and a picture of the same size, over all pixels.
  static int MaxDiffToPicture(const FrameBitmap& bitmap, const CPicture& pic) {
    int nMax = 0;
    for (int y = 0; y < bitmap.nHeight; ++y)
      for (int x = 0; x < bitmap.nWidth; ++x) {
        const RgbQuad c = pic.GetPixelColor(x, y);
        const uint8_t* p = PixelAt(bitmap, x, y);
        nMax = std::max({nMax, std::abs(p[0] - c.rgbBlue), std::abs(p[1] - c.rgbGreen),
                         std::abs(p[2] - c.rgbRed)});
      }
    return nMax;
  }
  static bool SameColours(const FrameBitmap& a, const FrameBitmap& b) {
    if (a.nWidth != b.nWidth || a.nHeight != b.nHeight) return false;
    for (int y = 0; y < a.nHeight; ++y)
      for (int x = 0; x < a.nWidth; ++x)
        if (std::memcmp(PixelAt(a, x, y), PixelAt(b, x, y), 3) != 0) return false;
    return true;
  }

  static COffscreenRenderer* s_pRenderer;
};

COffscreenRenderer* OffscreenRendererTest::s_pRenderer = nullptr;

TEST_F(OffscreenRendererTest, FirstAndLastFramesShowThePicturesUndistorted) {
  const CPicture image1 = MakePatternPicture(64, 64, 1);
  const CPicture image2 = MakePatternPicture(64, 64, 2);
  const MorphTriangles tris = MakeWarpMesh(64, 64, 64, 64);
  // Every pixel centre maps onto a texel centre, so even the edges reproduce the picture.
  EXPECT_LE(MaxDiffToPicture(Render(Request(image1, image2, tris, 1, 0, 30, 64, 64)), image1), 1);
  EXPECT_LE(MaxDiffToPicture(Render(Request(image1, image2, tris, 1, 30, 30, 64, 64)), image2), 1);
}

TEST_F(OffscreenRendererTest, HalfwayBetweenIdenticalPicturesGivesThePictureBack) {
  const CPicture image = MakePatternPicture(64, 32, 5);
  const MorphTriangles tris = MakeFrameMesh(64, 32, 64, 32);
  // Two half-weight passes each round once.
  EXPECT_LE(MaxDiffToPicture(Render(Request(image, image, tris, 1, 15, 30, 64, 32)), image), 2);
  EXPECT_LE(MaxDiffToPicture(Render(Request(image, image, tris, 1, 3, 7, 64, 32)), image), 2);
}

TEST_F(OffscreenRendererTest, CrossDissolveOnAWarpedMeshMatchesTheModel) {
  const CPicture image1 = MakePatternPicture(64, 64, 1);
  const CPicture image2 = MakePatternPicture(64, 64, 9);
  const MorphTriangles tris = MakeWarpMesh(64, 64, 64, 64);
  for (int k : {0, 7, 15, 23, 30}) {
    SCOPED_TRACE("frame " + std::to_string(k));
    ExpectMatchesReference(Request(image1, image2, tris, 1, k, 30, 96, 80));
  }
}

TEST_F(OffscreenRendererTest, WarpTypesShowOnePictureAtFullStrength) {
  const CPicture image1 = MakePatternPicture(64, 64, 3);
  const CPicture image2 = MakePatternPicture(64, 64, 4);
  const CPicture other = MakeSolidPicture(64, 64, 200, 10, 90);
  const MorphTriangles tris = MakeWarpMesh(64, 64, 64, 64);
  {
    SCOPED_TRACE("image1 pulled into image2's key points");
    const MorphFrameRequest r = Request(image1, image2, tris, 2, 30, 30, 64, 64);
    ExpectMatchesReference(r);
    // image2 takes no part.
    EXPECT_TRUE(SameColours(Render(r), Render(Request(image1, other, tris, 2, 30, 30, 64, 64))));
  }
  {
    SCOPED_TRACE("image2 pulled into image1's key points");
    const MorphFrameRequest r = Request(image1, image2, tris, 3, 0, 30, 64, 64);
    ExpectMatchesReference(r);
    EXPECT_TRUE(SameColours(Render(r), Render(Request(other, image2, tris, 3, 0, 30, 64, 64))));
  }
  {
    SCOPED_TRACE("warp halfway");
    ExpectMatchesReference(Request(image1, image2, tris, 2, 12, 30, 64, 64));
    ExpectMatchesReference(Request(image1, image2, tris, 3, 12, 30, 64, 64));
  }
}

TEST_F(OffscreenRendererTest, PicturesOfDifferentSizesStretchToTheWholeFrame) {
  const CPicture image1 = MakePatternPicture(64, 64, 1);
  const CPicture image2 = MakePatternPicture(128, 64, 2);
  const MorphTriangles tris = MakeFrameMesh(64, 64, 128, 64, 10, -6);
  ExpectMatchesReference(Request(image1, image2, tris, 1, 10, 30, 100, 80));

  // Solid pictures: every pixel is covered exactly once, the borders included.
  const CPicture red = MakeSolidPicture(64, 64, 240, 0, 0);
  const CPicture blue = MakeSolidPicture(128, 64, 0, 0, 240);
  const FrameBitmap bitmap = Render(Request(red, blue, tris, 1, 15, 30, 100, 80));
  int nOff = 0;
  for (int y = 0; y < bitmap.nHeight; ++y)
    for (int x = 0; x < bitmap.nWidth; ++x) {
      const uint8_t* p = PixelAt(bitmap, x, y);
      if (std::abs(p[0] - 120) > 1 || p[1] != 0 || std::abs(p[2] - 120) > 1) ++nOff;
    }
  EXPECT_EQ(nOff, 0);
}

TEST_F(OffscreenRendererTest, MovieSizeKeepsTheBottomLeftPartOfTheFullFrame) {
  const CPicture image1 = MakePatternPicture(128, 64, 1);
  const CPicture image2 = MakePatternPicture(64, 128, 2);
  const MorphTriangles tris = MakeWarpMesh(128, 64, 64, 128);
  MorphFrameRequest r = Request(image1, image2, tris, 1, 11, 30, 723, 405);
  const FrameBitmap full = Render(r);
  ASSERT_EQ(full.nWidth, 723);
  ASSERT_EQ(full.nHeight, 405);
  r.bRoundToFour = true;
  const FrameBitmap movie = Render(r);
  ASSERT_EQ(movie.nWidth, 720);
  ASSERT_EQ(movie.nHeight, 404);
  ASSERT_EQ(movie.bits.size(), 720u * 404u * 4u);
  int nDiffer = 0;
  for (int y = 0; y < 404; ++y)
    for (int x = 0; x < 720; ++x)
      if (std::memcmp(PixelAt(movie, x, y), PixelAt(full, x, y), 3) != 0) ++nDiffer;
  EXPECT_EQ(nDiffer, 0);
}

TEST_F(OffscreenRendererTest, PixelsOutsideEveryTriangleStayBlack) {
  const CPicture image1 = MakeSolidPicture(64, 64, 255, 255, 255);
  const CPicture image2 = MakePatternPicture(64, 64, 7);
  // One triangle over the top-left part of the frame.
  const MorphTriangles tris =
      MakeTriangles({{4, 4, 8, 6}, {50, 10, 44, 12}, {10, 40, 12, 36}}, {{0, 1, 2}});
  const MorphFrameRequest r = Request(image1, image2, tris, 1, 10, 30, 64, 64);
  const FrameBitmap bitmap = Render(r);
  const RefImage ref = ComputeReference(Scene(r));
  int nCovered = 0, nLitOutside = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      if (!ref.Reliable(x, y)) continue;
      const uint8_t* p = PixelAt(bitmap, x, y);
      const bool bInside = ref.At(x, y, 0) + ref.At(x, y, 1) + ref.At(x, y, 2) > 0;
      if (bInside)
        ++nCovered;
      else if (p[0] || p[1] || p[2])
        ++nLitOutside;
    }
  EXPECT_EQ(nLitOutside, 0);
  EXPECT_GT(nCovered, 400);
  const CompareResult cmp = CompareWithReference(bitmap, ref);
  EXPECT_LE(cmp.nMaxDiff, kTolerance) << cmp.Describe();
}

TEST_F(OffscreenRendererTest, NoTrianglesGiveABlackFrame) {
  const CPicture image1 = MakeSolidPicture(64, 64, 255, 255, 255);
  const CPicture image2 = MakeSolidPicture(64, 64, 255, 255, 255);
  const MorphTriangles none;
  MorphFrameRequest r = Request(image1, image2, none, 1, 15, 30, 40, 30);
  for (int nPass = 0; nPass < 2; ++nPass) {
    const FrameBitmap bitmap = Render(r);
    ASSERT_EQ(bitmap.bits.size(), 40u * 30u * 4u);
    int nLit = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const uint8_t* p = PixelAt(bitmap, x, y);
        if (p[0] || p[1] || p[2]) ++nLit;
      }
    EXPECT_EQ(nLit, 0);
    r.pTriangles = nullptr;  // no list at all is the same
  }
}

TEST_F(OffscreenRendererTest, PalettePictureRendersLikeItsTrueColourCopy) {
  CPicture grey(PICTURE_BMP);
  ASSERT_TRUE(grey.Create(64, 32, 8, PICTURE_BMP));
  grey.SetGrayPalette();
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) grey.SetPixelIndex(x, y, static_cast<uint8_t>(x * 3 + y * 2));
  CPicture trueColour(grey);
  ASSERT_TRUE(trueColour.IncreaseBpp24());
  ASSERT_EQ(trueColour.GetBpp(), 24);
  const CPicture image2 = MakePatternPicture(64, 32, 1);
  const MorphTriangles tris = MakeWarpMesh(64, 32, 64, 32);
  const FrameBitmap fromPalette = Render(Request(grey, image2, tris, 1, 9, 30, 70, 50));
  EXPECT_TRUE(SameColours(fromPalette, Render(Request(trueColour, image2, tris, 1, 9, 30, 70, 50))));
  EXPECT_EQ(grey.GetBpp(), 8);  // the caller's picture is not converted
}

// The base level kept between frames must give exactly what a fresh GLU build gives, also
// for pictures that GLU rescales, and must not survive a change of the pixels.
TEST_F(OffscreenRendererTest, KeptTextureLevelGivesTheSameFramesAsRebuilding) {
  CPicture image1 = MakePatternPicture(100, 75, 1);
  const CPicture image2 = MakePatternPicture(90, 70, 2);
  const MorphTriangles tris = MakeWarpMesh(100, 75, 90, 70);
  COffscreenRenderer cached;
  COffscreenRenderer rebuilding;
  rebuilding.SetUploadCacheEnabled(false);
  auto frame = [&](COffscreenRenderer& renderer, int k) {
    FrameBitmap bitmap;
    EXPECT_TRUE(renderer.RenderFrame(Request(image1, image2, tris, 1, k, 30, 120, 90), bitmap))
        << renderer.GetLastError();
    return bitmap;
  };
  for (int k : {0, 10, 30, 10}) {
    SCOPED_TRACE("frame " + std::to_string(k));
    EXPECT_TRUE(SameColours(frame(cached, k), frame(rebuilding, k)));
  }
  EXPECT_EQ(cached.GetUploadCacheHits(), 6);  // both pictures, every frame after the first
  EXPECT_EQ(rebuilding.GetUploadCacheHits(), 0);

  const FrameBitmap before = frame(cached, 0);
  for (int x = 0; x < 100; ++x) image1.SetPixelColor(x, 40, RgbQuad{0, 0, 255, 0});
  const FrameBitmap after = frame(cached, 0);
  EXPECT_FALSE(SameColours(before, after));
  EXPECT_TRUE(SameColours(after, frame(rebuilding, 0)));

  // A renderer that ends leaves its context to the next one, which keeps textures again,
  // counts only its own savings and draws the same frames.
  COffscreenRenderer::DropSpareContext();
  {
    COffscreenRenderer ended;
    frame(ended, 5);
    frame(ended, 6);
    ended.SetUploadCacheEnabled(false);
  }
  COffscreenRenderer next;
  EXPECT_TRUE(SameColours(frame(next, 10), frame(rebuilding, 10)));
  frame(next, 20);
  EXPECT_EQ(next.GetUploadCacheHits(), 2);
}

TEST_F(OffscreenRendererTest, WriterReceivesTheFrameAndItsIndex) {
  const CPicture image1 = MakePatternPicture(64, 64, 1);
  const CPicture image2 = MakePatternPicture(64, 64, 2);
  const MorphTriangles tris = MakeFrameMesh(64, 64, 64, 64, 5, 5);
  MorphFrameRequest r = Request(image1, image2, tris, 1, 4, 8, 50, 30);
  r.bRoundToFour = true;
  int nCalls = 0, nIndex = -1, nWidth = 0, nHeight = 0;
  const bool bOk = Renderer().RenderFrameOffscreen(r, [&](const FrameBitmap& bitmap, int nFrame) {
    ++nCalls;
    nIndex = nFrame;
    nWidth = bitmap.nWidth;
    nHeight = bitmap.nHeight;
    return true;
  });
  EXPECT_TRUE(bOk) << Renderer().GetLastError();
  EXPECT_EQ(nCalls, 1);
  EXPECT_EQ(nIndex, 4);
  EXPECT_EQ(nWidth, 48);
  EXPECT_EQ(nHeight, 28);

  EXPECT_FALSE(Renderer().RenderFrameOffscreen(r, [](const FrameBitmap&, int) { return false; }));
  EXPECT_FALSE(Renderer().GetLastError().empty());
  EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

// The context is current only during a call, so a run may move to another thread.
TEST_F(OffscreenRendererTest, RendersOnAnotherThreadLikeOnThisOne) {
  const CPicture image1 = MakePatternPicture(64, 64, 1);
  const CPicture image2 = MakePatternPicture(64, 64, 2);
  const MorphTriangles tris = MakeWarpMesh(64, 64, 64, 64);
  const MorphFrameRequest r = Request(image1, image2, tris, 1, 12, 30, 80, 60);
  const FrameBitmap here = Render(r);
  FrameBitmap there;
  bool bOk = false;
  bool bReleased = false;
  std::thread worker([&] {
    bOk = Renderer().RenderFrame(r, there);
    bReleased = eglGetCurrentContext() == EGL_NO_CONTEXT;
  });
  worker.join();
  EXPECT_TRUE(bOk) << Renderer().GetLastError();
  EXPECT_TRUE(bReleased);
  EXPECT_TRUE(SameColours(here, there));
}

TEST_F(OffscreenRendererTest, ImpossibleRequestsAreRefusedWithAReason) {
  const CPicture image = MakePatternPicture(64, 64, 1);
  const CPicture empty;
  const MorphTriangles tris = MakeFrameMesh(64, 64, 64, 64);
  struct Case {
    const char* pName;
    MorphFrameRequest request;
    const char* pExpectedText;
  };
  auto with = [&](auto change) {
    MorphFrameRequest r = Request(image, image, tris, 1, 5, 30, 64, 64);
    change(r);
    return r;
  };
  const Case cases[] = {
      {"no image2", with([](MorphFrameRequest& r) { r.pImage2 = nullptr; }), "missing"},
      {"empty image1", with([&](MorphFrameRequest& r) { r.pImage1 = &empty; }), "missing"},
      {"zero frame count", with([](MorphFrameRequest& r) { r.nFrameCount = 0; }), "at least 1"},
      {"frame past the end", with([](MorphFrameRequest& r) { r.nCurFrame = 31; }), "outside"},
      {"negative frame", with([](MorphFrameRequest& r) { r.nCurFrame = -1; }), "outside"},
      {"morph type 4", with([](MorphFrameRequest& r) { r.nMorphType = 4; }), "morph type"},
      {"zero width", with([](MorphFrameRequest& r) { r.nOutputWidth = 0; }), "not possible"},
      {"huge frame", with([](MorphFrameRequest& r) { r.nOutputWidth = 100000; }), "100000"},
      {"frame area too large",
       with([](MorphFrameRequest& r) {
         r.nOutputWidth = 16000;
         r.nOutputHeight = 16000;
       }),
       "too large"},
      {"movie frame under 4 pixels",
       with([](MorphFrameRequest& r) {
         r.nOutputHeight = 3;
         r.bRoundToFour = true;
       }),
       "too small"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pName);
    bool bWriterCalled = false;
    EXPECT_FALSE(Renderer().RenderFrameOffscreen(c.request, [&](const FrameBitmap&, int) {
      bWriterCalled = true;
      return true;
    }));
    EXPECT_FALSE(bWriterCalled);
    EXPECT_NE(Renderer().GetLastError().find(c.pExpectedText), std::string::npos)
        << Renderer().GetLastError();
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
  }
  // The renderer still works afterwards.
  FrameBitmap bitmap;
  EXPECT_TRUE(Renderer().RenderFrame(Request(image, image, tris, 1, 5, 30, 64, 64), bitmap))
      << Renderer().GetLastError();
}

}  // namespace

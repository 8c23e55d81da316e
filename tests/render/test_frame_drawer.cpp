// The preview's drawing (zoom, pan, edge overlay) and the drawer's texture handling, run in
// an off-screen context the way the preview canvas runs them in its own.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "RenderReference.h"
#include "support/TestSupport.h"
#include "render/EglOffscreenContext.h"
#include "render/MorphFrameDrawer.h"

namespace {

class FrameDrawerTest : public ::testing::Test {
 protected:
  // Begins a view of cx x cy pixels in the fixed state with the drawer's textures uploaded.
  void BeginView(int cx, int cy, const CPicture& image1, const CPicture& image2) {
    ASSERT_TRUE(m_context.Begin(cx, cy)) << m_context.GetLastError();
    EXPECT_EQ(CMorphFrameDrawer::InitGLState(), 1);
    CMorphFrameDrawer::SetupProjection(cx, cy);
    ASSERT_TRUE(m_drawer.UploadTextures(&image1, &image2)) << m_drawer.GetLastError();
  }
  FrameBitmap Read(int cx, int cy) {
    FrameBitmap bitmap;
    EXPECT_TRUE(m_context.ReadPixels(cx, cy, bitmap)) << m_context.GetLastError();
    return bitmap;
  }
  void TearDown() override {
    if (m_context.Begin(1, 1)) {
      m_drawer.ReleaseTextures();
      m_context.End();
    }
  }

  CEglOffscreenContext m_context;
  CMorphFrameDrawer m_drawer;
};

TEST_F(FrameDrawerTest, ZoomAndPanMoveTheFrameInTheView) {
  const CPicture image1 = MakePatternPicture(64, 64, 1);
  const CPicture image2 = MakePatternPicture(64, 64, 2);
  const MorphTriangles tris = MakeWarpMesh(64, 64, 64, 64);
  MorphFrameParams frame;
  frame.nCurFrame = 12;
  frame.nOutputWidth = 64;
  frame.nOutputHeight = 64;
  BeginView(64, 64, image1, image2);
  struct View {
    float fZoom;
    int nPanX, nPanY;
  };
  // Zoom 2 without pan shows the bottom-left quarter; pans move the frame left and down.
  for (const View& v : {View{2.0f, 0, 0}, View{1.0f, 10, 6}, View{1.5f, 20, 30}}) {
    SCOPED_TRACE("zoom " + std::to_string(v.fZoom) + " pan " + std::to_string(v.nPanX) + "," +
                 std::to_string(v.nPanY));
    MorphViewParams view;
    view.fZoom = v.fZoom;
    view.nPanX = v.nPanX;
    view.nPanY = v.nPanY;
    m_drawer.DrawFrame(tris, frame, view);
    const FrameBitmap bitmap = Read(64, 64);
    RefScene sc;
    sc.pImage1 = &image1;
    sc.pImage2 = &image2;
    sc.triangles = tris;
    sc.nCurFrame = frame.nCurFrame;
    sc.nFrameCount = frame.nFrameCount;
    sc.nOutputWidth = sc.nOutputHeight = 64;
    sc.fZoom = v.fZoom;
    sc.nPanX = v.nPanX;
    sc.nPanY = v.nPanY;
    const CompareResult cmp = CompareWithReference(bitmap, ComputeReference(sc));
    EXPECT_LE(cmp.nMaxDiff, 3) << cmp.Describe();
    EXPECT_GT(cmp.nChecked, 64 * 64 / 3) << cmp.Describe();
  }
  m_context.End();
}

TEST_F(FrameDrawerTest, EdgeOverlayDrawsFullStrengthBlackOnTheCurrentMesh) {
  const CPicture white = MakeSolidPicture(64, 64, 255, 255, 255);
  // Centre moves from (32, 32) to (48, 16): at k = N/2 it is at (40, 24).
  const MorphTriangles tris = MakeFrameMesh(64, 64, 64, 64, 16, -16);
  MorphFrameParams frame;
  frame.nCurFrame = 15;
  frame.nOutputWidth = 64;
  frame.nOutputHeight = 64;
  BeginView(64, 64, white, white);
  MorphViewParams view;

  m_drawer.DrawFrame(tris, frame, view);
  const FrameBitmap plain = Read(64, 64);
  view.bShowEdges = true;
  m_drawer.DrawFrame(tris, frame, view);
  const FrameBitmap edged = Read(64, 64);
  m_context.End();

  int nBlackPlain = 0, nBlackFar = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint8_t* p = PixelAt(plain, x, y);
      if (p[0] < 250 || p[1] < 250 || p[2] < 250) ++nBlackPlain;
      const uint8_t* q = PixelAt(edged, x, y);
      if (q[0] == 0 && q[1] == 0 && q[2] == 0) {
        // Every black pixel lies on a diagonal from a corner to the moved centre (GL y up:
        // centre at (40, 64 - 24)) or on the frame border.
        const double cx = 40, cy = 40;
        bool bNear = x <= 1 || y <= 1 || x >= 62 || y >= 62;
        for (const auto& c : {std::pair<double, double>{0, 0}, {64, 0}, {0, 64}, {64, 64}}) {
          const double ex = cx - c.first, ey = cy - c.second;
          const double u = std::clamp(((x + 0.5 - c.first) * ex + (y + 0.5 - c.second) * ey) /
                                          (ex * ex + ey * ey),
                                      0.0, 1.0);
          if (std::hypot(x + 0.5 - (c.first + u * ex), y + 0.5 - (c.second + u * ey)) < 1.5)
            bNear = true;
        }
        if (!bNear) ++nBlackFar;
      }
    }
  EXPECT_EQ(nBlackPlain, 0);
  EXPECT_EQ(nBlackFar, 0);
  // The middle of each inner edge is black, although both passes draw at half weight.
  for (const auto& c : {std::pair<double, double>{0, 0}, {64, 0}, {0, 64}, {64, 64}}) {
    const int x = static_cast<int>((c.first + 40) / 2), y = static_cast<int>((c.second + 40) / 2);
    bool bBlack = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const uint8_t* q = PixelAt(edged, x + dx, y + dy);
        if (q[0] == 0 && q[1] == 0 && q[2] == 0) bBlack = true;
      }
    EXPECT_TRUE(bBlack) << "no black edge pixel near (" << x << ", " << y << ")";
  }
}

TEST_F(FrameDrawerTest, FailedUploadKeepsThePreviousTextures) {
  const CPicture image1 = MakePatternPicture(64, 32, 1);
  const CPicture image2 = MakePatternPicture(32, 16, 2);
  BeginView(16, 16, image1, image2);
  EXPECT_TRUE(m_drawer.HasTextures());
  const CPicture empty;
  EXPECT_FALSE(m_drawer.UploadTextures(&image1, nullptr));
  EXPECT_FALSE(m_drawer.UploadTextures(&empty, &image2));
  EXPECT_FALSE(m_drawer.GetLastError().empty());
  EXPECT_TRUE(m_drawer.HasTextures());
  EXPECT_EQ(m_drawer.GetImage1Width(), 64);
  EXPECT_EQ(m_drawer.GetImage1Height(), 32);
  EXPECT_EQ(m_drawer.GetImage2Width(), 32);
  EXPECT_EQ(m_drawer.GetImage2Height(), 16);

  // image1 changed, then refused with an unusable partner: the next upload shows the
  // change, not the texture kept from the old pixels.
  CPicture changed(image1);
  for (int y = 8; y < 24; ++y)
    for (int x = 0; x < 64; ++x) changed.SetPixelColor(x, y, RgbQuad{0, 0, 255, 0});
  EXPECT_FALSE(m_drawer.UploadTextures(&changed, &empty));
  ASSERT_TRUE(m_drawer.UploadTextures(&changed, &image2)) << m_drawer.GetLastError();
  const MorphTriangles tris = MakeFrameMesh(64, 32, 32, 16);
  MorphFrameParams frame;
  frame.nOutputWidth = frame.nOutputHeight = 16;
  m_drawer.DrawFrame(tris, frame, MorphViewParams());
  const FrameBitmap drawn = Read(16, 16);
  CMorphFrameDrawer fresh;
  ASSERT_TRUE(fresh.UploadTextures(&changed, &image2)) << fresh.GetLastError();
  fresh.DrawFrame(tris, frame, MorphViewParams());
  EXPECT_EQ(drawn.bits, Read(16, 16).bits);
  fresh.ReleaseTextures();
  m_context.End();
}

TEST_F(FrameDrawerTest, ZeroHeightViewGetsAOnePixelProjection) {
  const CPicture image = MakePatternPicture(16, 16, 1);
  BeginView(16, 16, image, image);
  CMorphFrameDrawer::SetupProjection(16, 0);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 16);
  EXPECT_EQ(viewport[3], 1);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  m_context.End();
}

}  // namespace

// Pane arithmetic against the worked numbers of a 1016 x 700 client area.
#include <gtest/gtest.h>

#include <cmath>

#include "app/PaneComposer.h"
#include "app/PaneGeometry.h"
#include "support/TestSupport.h"

using namespace pane;

namespace {

const WindowLayout& Layout1016() {
  static const WindowLayout layout = ComputeLayout(1016, 700);
  return layout;
}

}  // namespace

TEST(PaneLayout, ClientOf1016x700PlacesTheThreePanes) {
  const WindowLayout& l = Layout1016();
  EXPECT_EQ(l.pw, 426);
  EXPECT_EQ(l.ph, 268);
  EXPECT_EQ(l.pane[Image1], (Rect{41, 41, 426, 268}));
  EXPECT_EQ(l.pane[Image2], (Rect{549, 41, 426, 268}));
  EXPECT_EQ(l.pane[Preview], (Rect{295, 411, 426, 268}));
  // Info bars sit below the image panes and above the preview pane.
  EXPECT_EQ(l.info[Image1].bar.y, 268 + 63);
  EXPECT_EQ(l.info[Image2].zoomButton.Right(), l.info[Image2].bar.Right());
  EXPECT_EQ(l.previewInfo.bar, (Rect{1016 / 2 - 1016 / 4 + 25, 368, 2 * 254 - 50, 22}));
  // Tool column centred, 40 apart only above a client height of 680.
  EXPECT_EQ(l.toolButtons[0], (Rect{489, 46, 38, 38}));
  EXPECT_EQ(l.toolButtons[5].y - l.toolButtons[4].y, 40);
  EXPECT_EQ(ComputeLayout(1016, 680).toolButtons[1].y - ComputeLayout(1016, 680).toolButtons[0].y, 38);
}

TEST(PaneLayout, ScrollBarsRunAlongTheBottomAndRightEdges) {
  const WindowLayout& l = Layout1016();
  EXPECT_EQ(l.HorizontalBar(Image1, true), (Rect{41, 293, 410, 16}));
  EXPECT_EQ(l.HorizontalBar(Image1, false).w, 426);
  EXPECT_EQ(l.VerticalBar(Image2, false), (Rect{959, 41, 16, 268}));
  EXPECT_EQ(l.HorizontalBar(Preview, true), (Rect{295, 663, 410, 16}));
  EXPECT_EQ(l.VerticalBar(Preview, true).h, 252);
}

TEST(PaneVisibleRect, SmallPictureIsCentredAndMapsBothWays) {
  const WindowLayout& l = Layout1016();
  PaneView view;
  ApplyScrollSetup(view, SetupScrollBars(200, 100, l.pw, l.ph));
  EXPECT_FALSE(view.bHScroll);
  EXPECT_FALSE(view.bVScroll);
  const Bounds b = VisibleImageRect(l, Image1, view, 200, 100);
  EXPECT_EQ(b, (Bounds{154, 125, 353, 224}));
  const WindowPoint origin = PictureToWindow(b, view, 0, 0);
  EXPECT_EQ(origin.x, 154);
  EXPECT_EQ(origin.y, 125);
  // Round trip at zoom 2 with offsets, including a negative (unclamped) one.
  view.fZoom = 2.0f;
  view.nScrollX = -6;
  view.nScrollY = 30;
  const WindowPoint w = PictureToWindow(b, view, 50, 20);
  const PicturePoint p = WindowToPicture(b, view, w.x, w.y);
  EXPECT_DOUBLE_EQ(p.x, 50);
  EXPECT_DOUBLE_EQ(p.y, 20);
}

TEST(PaneVisibleRect, BarsShrinkTheAreaToTheirInside) {
  const WindowLayout& l = Layout1016();
  PaneView both;
  both.bHScroll = both.bVScroll = true;
  EXPECT_EQ(VisibleImageRect(l, Image2, both, 2000, 2000), (Bounds{549, 41, 549 + 426 - 17, 292}));
  PaneView hOnly;
  hOnly.bHScroll = true;
  const Bounds h = VisibleImageRect(l, Image1, hOnly, 1000, 100);
  EXPECT_EQ(h.top, static_cast<int>((268 - 100) * 0.5 + 41));
  EXPECT_EQ(h.bottom, 292);  // down to just above the bar, however short the picture
  EXPECT_EQ(ImagePaneInvalidArea(l, Image1, hOnly), (Rect{41, 41, 426, 252}));
}

TEST(PaneScrollSetup, BarsFollowTheZoomedExtent) {
  // One pixel of slack before any bar appears.
  EXPECT_FALSE(SetupScrollBars(427, 269, 426, 268).bHorizontal);
  const ScrollSetup both = SetupScrollBars(1200, 800, 426, 268);
  EXPECT_TRUE(both.bHorizontal && both.bVertical);
  EXPECT_EQ(both.nHMax, 1200);
  EXPECT_EQ(both.nHPage, 410);
  EXPECT_EQ(both.nVPage, 252);
  const ScrollSetup h = SetupScrollBars(600, 200, 426, 268);
  EXPECT_TRUE(h.bHorizontal);
  EXPECT_FALSE(h.bVertical);
  EXPECT_EQ(h.nHPage, 426);
  const ScrollSetup v = SetupScrollBars(300, 400, 426, 268);
  EXPECT_TRUE(v.bVertical);
  EXPECT_FALSE(v.bHorizontal);
}

TEST(PaneZoom, FixedZoomKeepsTheScrollFraction) {
  PaneView view;
  view.nScrollX = 87;
  SetPaneZoom(view, false, 2.0f, 600, 400, 426, 268);
  EXPECT_EQ(view.fZoom, 2.0f);
  EXPECT_EQ(view.nScrollX, 371);
  // An old extent that fits the pane (0 / 0 and negative spans) gives fraction 0, never NaN.
  PaneView fits;
  fits.nScrollX = 5;
  SetPaneZoom(fits, false, 4.0f, 426, 268, 426, 268);
  EXPECT_EQ(fits.nScrollX, 0);
  EXPECT_EQ(fits.nScrollY, 0);
  // Zooming out until the picture fits clears the offsets.
  PaneView out;
  out.fZoom = 2.0f;
  out.nScrollX = 300;
  out.nScrollY = 100;
  SetPaneZoom(out, false, 0.5f, 600, 400, 426, 268);
  EXPECT_EQ(out.nScrollX, 0);
  EXPECT_EQ(out.nScrollY, 0);
}

TEST(PaneZoom, BestFitAndLoadFit) {
  EXPECT_NEAR(BestFitZoom(100, 50, 426, 268), 4.26f, 1e-5);
  EXPECT_EQ(LoadFitZoom(100, 50, 426, 268), 1.0f);
  EXPECT_NEAR(BestFitZoom(400, 800, 426, 268), 268.0f / 800.0f, 1e-6);  // height-bound
  EXPECT_NEAR(LoadFitZoom(852, 100, 426, 268), 0.5f, 1e-6);
  EXPECT_EQ(BestFitZoom(0, 0, 426, 268), 1.0f);
  PaneView view;
  view.nScrollX = view.nScrollY = 40;
  FitPaneZoom(view, 100, 50, 426, 268);
  EXPECT_EQ(view.nScrollX, 0);
  EXPECT_EQ(view.nScrollY, 0);
}

TEST(PaneZoom, LadderStepsStopAtTheEnds) {
  EXPECT_EQ(NextZoomStep(8.0f, true), 8.0f);
  EXPECT_EQ(NextZoomStep(0.125f, false), 0.125f);
  EXPECT_EQ(NextZoomStep(0.3f, true), 0.5f);
  EXPECT_EQ(NextZoomStep(0.3f, false), 0.25f);
  EXPECT_EQ(NextZoomStep(4.26f, false), 4.0f);
  PaneView view;
  view.fZoom = 2.0f;
  view.nScrollX = 387;  // fraction 0.5 of 1200 - 426
  ZoomStep(view, true, 600, 400, 426, 268);
  EXPECT_EQ(view.fZoom, 4.0f);
  EXPECT_EQ(view.nScrollX, static_cast<int>((2400 - 426) * (387.0f / 774.0f)));
}

TEST(PaneScrollMessages, HorizontalIsUnclampedVerticalIsGuarded) {
  EXPECT_EQ(HorizontalScroll(0, ScrollLineUp, 0, 1200, 426, false), -2);
  EXPECT_EQ(HorizontalScroll(10, ScrollPageDown, 0, 1200, 426, false), 16);
  EXPECT_EQ(HorizontalScroll(10, ScrollBottom, 0, 1200, 426, true), 1200 - 410);
  EXPECT_EQ(HorizontalScroll(10, ScrollThumbTrack, 77, 1200, 426, true), 77);
  EXPECT_EQ(HorizontalScroll(10, ScrollEnd, 77, 1200, 426, true), 10);
  EXPECT_EQ(VerticalScroll(1, ScrollLineUp, 0, 800, 268, false, 532), 1);
  EXPECT_EQ(VerticalScroll(2, ScrollLineUp, 0, 800, 268, false, 532), 0);
  EXPECT_EQ(VerticalScroll(531, ScrollLineDown, 0, 800, 268, false, 532), 531);
  EXPECT_EQ(VerticalScroll(530, ScrollLineDown, 0, 800, 268, false, 532), 532);
  EXPECT_EQ(VerticalScroll(0, ScrollBottom, 0, 800, 268, false, 532), 532);
  EXPECT_EQ(ScrollLimit(800, 268), 533);
}

TEST(PanePreview, PlacementAndPanFollowTheBars) {
  const WindowLayout& l = Layout1016();
  PaneView view;
  PreviewPlacement p = PlacePreview(l, view, 200, 100);
  EXPECT_FALSE(view.bHScroll || view.bVScroll);
  EXPECT_EQ(p.rcPreview, (Bounds{408, 495, 608, 595}));
  EXPECT_EQ(p.nPanX, 0);
  EXPECT_EQ(p.nPanY, 0);
  view.fZoom = 4.0f;
  view.nScrollX = 50;
  view.nScrollY = 20;
  p = PlacePreview(l, view, 200, 100);
  ASSERT_TRUE(view.bHScroll && view.bVScroll);
  EXPECT_EQ(p.rcPreview, (Bounds{295, 411, 254 + 426 + 25, 350 + 268 + 45}));
  EXPECT_EQ(p.nPanX, 50);
  EXPECT_EQ(p.nPanY, static_cast<int>(4.0f * 100 - 252 - 20));
  // A bar that disappears takes its offset with it.
  view.fZoom = 1.0f;
  p = PlacePreview(l, view, 200, 100);
  EXPECT_EQ(view.nScrollX, 0);
  EXPECT_EQ(view.nScrollY, 0);
}

// Where the preview's placement leaves the printed arithmetic, because that arithmetic puts
// the frame where the user cannot see it. In a 1016 x 700 client the preview pane spans
// y 411..679 with its horizontal bar at 663..679, above it the frame's top edge (395..411)
// and the info bar (368..390).
TEST(PanePreview, PlacementKeepsTheWholeFrameReachableInsideItsPane) {
  const WindowLayout& l = Layout1016();
  const int m = l.ch / 2, paneTop = m + 61, barTop = l.ph + m + 45;
  // Only the horizontal bar (a 640 x 264 frame at 100 %): the printed vertical origin of 41
  // puts the view's top at 393, above the pane, over its frame and the info bar's edge.
  PaneView view;
  PreviewPlacement p = PlacePreview(l, view, 640, 264);
  ASSERT_TRUE(view.bHScroll && !view.bVScroll);
  const int printedTop = static_cast<int>(m + (l.ph - 264) * 0.5 + 41);
  EXPECT_LT(printedTop, paneTop - 16);
  // Here the view stays inside the pane, above its bar.
  EXPECT_GE(p.rcPreview.top, paneTop);
  EXPECT_LE(p.rcPreview.bottom, barTop);
  // A frame that fits above the bar is centred there.
  view = PaneView{};
  p = PlacePreview(l, view, 640, 200);
  ASSERT_TRUE(view.bHScroll && !view.bVScroll);
  EXPECT_NEAR((p.rcPreview.top + p.rcPreview.bottom) / 2.0, (paneTop + m + 61 + l.ph) / 2.0, 1.0);

  // Both bars: the view is ph - 16 high and draws frame row y (counted from the bottom) at
  // z * y - panY. At offset 0 the frame's top row must be the view's top row and at the
  // bar's end its bottom row the view's bottom row. The printed offset (h - 1) * z - ph - sy
  // leaves the top 16 + z rows above the view at offset 0, where no scrolling reaches them.
  view = PaneView{};
  view.fZoom = 4.0f;
  p = PlacePreview(l, view, 200, 100);
  ASSERT_TRUE(view.bHScroll && view.bVScroll);
  const int viewHeight = p.rcPreview.Height();
  EXPECT_EQ(viewHeight, l.ph - 16);
  const auto topAt = [&](int panY) { return 4.0f * 100 - panY; };
  EXPECT_FLOAT_EQ(topAt(p.nPanY), static_cast<float>(viewHeight));
  const int printedPanY = static_cast<int>((100 - 1) * 4.0f - l.ph - view.nScrollY);
  EXPECT_GE(topAt(printedPanY) - viewHeight, 16.0f);
  const int limit = ScrollLimit(p.scroll.nVMax, p.scroll.nVPage);
  view.nScrollY = VerticalScroll(view.nScrollY, ScrollBottom, 0, 4.0f * 100, l.ph, true, limit);
  int panX = 0, panY = 0;
  PreviewPan(l, view, 100, &panX, &panY);
  EXPECT_FLOAT_EQ(4.0f * 0 - panY, 0.0f);  // the bottom row at the view's bottom

  // The bars' ends come from the frame's own size (the printed handlers measured image2's
  // width and image1's height, which do not say how large the preview's frame is): with a
  // 720-pixel-wide output the right end shows the frame's last column.
  view = PaneView{};
  view.fZoom = 1.0f;
  p = PlacePreview(l, view, 720, 200);
  ASSERT_TRUE(view.bHScroll);
  view.nScrollX = HorizontalScroll(view.nScrollX, ScrollBottom, 0, 720.0f, l.pw, view.bVScroll);
  EXPECT_EQ(view.nScrollX + p.rcPreview.Width(), 720);
}

TEST(PaneOutputSizeMenu, RebuiltFromBothPictureSizes) {
  const auto items = OutputSizeMenu(640, 480, 320, 241);
  EXPECT_EQ(items[0].nId, 9106);
  EXPECT_EQ(items[0].szText, "640x480");
  EXPECT_EQ(items[1].szText, "320x241");
  EXPECT_EQ(items[2].szText, "480x360");
  EXPECT_EQ(items[7].nId, 9110);
}

TEST(PaneComposer, PictureDrawnAtZoomAgainstWhite) {
  CPicture picture = MakePatternPicture(40, 20);
  PaneView view;
  view.fZoom = 2.0f;
  view.nScrollX = -4;  // picture shifted right against white
  const Bounds visible{0, 0, 90, 30};
  PaneImage out;
  ComposeImagePane(picture, visible, view, out);
  ASSERT_EQ(out.nWidth, 90);
  ASSERT_EQ(out.nHeight, 30);
  auto px = [&](int x, int y) { return &out.pixels[(static_cast<size_t>(y) * 90 + x) * 4]; };
  EXPECT_EQ(px(0, 0)[0], 255);
  EXPECT_EQ(px(85, 10)[1], 255);  // right of the 80-pixel zoomed picture
  // Zoomed pixel (5, 3) shows picture pixel (0, 1).
  const RgbQuad c = picture.GetPixelColor(0, picture.GetHeight() - 1 - 1);
  EXPECT_EQ(px(5, 3)[0], c.rgbBlue);
  EXPECT_EQ(px(5, 3)[2], c.rgbRed);
}

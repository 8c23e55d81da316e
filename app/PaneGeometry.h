// Geometry of the main window's three picture panes: where everything sits for a client
// size, the visible picture rectangle of an image pane, the mapping between window and
// picture pixels, scroll bar set-up and messages, fixed zoom, best fit and zoom steps.
// Pure arithmetic: the window code asks and moves its controls accordingly.
#pragma once

#include <array>
#include <string>

namespace pane {

enum PaneIndex : int { Image1 = 0, Image2 = 1, Preview = 2 };

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// Left, top, right, bottom (right and bottom exclusive).
struct Bounds {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Bounds& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// Controls of an image pane's info bar.
struct ImageInfoBar {
  Rect bar;
  Rect zoomButton;      // 1017 / 1019
  Rect sizeReadout;     // 1023 / 1027
  Rect positionReadout; // 1024 / 1028
  Rect pathReadout;     // 1025 / 1029
  Rect loadButton;      // 1002 / 1004
};

// Controls of the preview pane's info bar.
struct PreviewInfoBar {
  Rect bar;
  Rect outputSizeButton;  // 1030
  Rect zoomButton;        // 1020
  Rect frameSlider;       // 1026
  Rect curFrameReadout;   // 1032
  Rect frameCountReadout; // 1031
  Rect frameCountEdit;    // 1056
  Rect moreFrames;        // 1005
  Rect fewerFrames;       // 1006
};

// Skin frame around a pane area: corners and edges are 16 pixels, the bottom strip 42.
struct PaneFrame {
  Rect outer;  // from the top-left corner to the end of the bottom strip
  int bottomStrip = 42;
};

struct WindowLayout {
  int cw = 0, ch = 0;
  int pw = 0, ph = 0;  // every pane area's size
  std::array<Rect, 3> pane;
  std::array<PaneFrame, 3> frame;
  std::array<ImageInfoBar, 2> info;
  PreviewInfoBar previewInfo;
  std::array<Rect, 6> toolButtons;  // 1007..1012, top to bottom
  Rect autoKeyButton;               // 1057, below them
  // Playback cross: centre 1003, above 1013, below 1014, left 1001, right 1.
  Rect playPause, lastFrame, firstFrame, prevFrame, nextFrame;
  std::array<Rect, 6> outputButtons;  // 1018, 1040, 1035, 1036, 1037, 1038

  // Scroll bar of a pane; `otherShown` tells whether the pane's other bar is shown.
  Rect HorizontalBar(int paneIndex, bool otherShown) const;
  Rect VerticalBar(int paneIndex, bool otherShown) const;
};

inline constexpr int kScrollBarThickness = 16;

WindowLayout ComputeLayout(int cw, int ch);

// Zoom and scroll state of one pane.
struct PaneView {
  float fZoom = 1.0f;
  int nScrollX = 0, nScrollY = 0;
  bool bHScroll = false, bVScroll = false;
};

// What the scroll bar set-up gives: which bars show, with their range (0..max) and page.
struct ScrollSetup {
  bool bHorizontal = false, bVertical = false;
  int nHMax = 0, nHPage = 0;
  int nVMax = 0, nVPage = 0;
};
// ex, ey: the zoomed extent of the pane's picture.
ScrollSetup SetupScrollBars(float ex, float ey, int pw, int ph);
// Applies the set-up to the pane's flags.
void ApplyScrollSetup(PaneView& view, const ScrollSetup& setup);

// Visible picture rectangle of an image pane (pane Image1 or Image2) for a W x H picture.
Bounds VisibleImageRect(const WindowLayout& layout, int paneIndex, const PaneView& view, int W,
                        int H);
// Area an image pane repaints: the pane area less the bars shown.
Rect ImagePaneInvalidArea(const WindowLayout& layout, int paneIndex, const PaneView& view);

// Window position of a picture pixel and back (the visible rectangle's left/top, the offsets).
struct WindowPoint {
  int x = 0, y = 0;
};
struct PicturePoint {
  double x = 0, y = 0;
};
WindowPoint PictureToWindow(const Bounds& visible, const PaneView& view, double px, double py);
PicturePoint WindowToPicture(const Bounds& visible, const PaneView& view, int wx, int wy);

// Fixed zoom of a popup item: new offsets and zoom for a W x H picture.
void SetPaneZoom(PaneView& view, bool bPreviewPane, float k, int W, int H, int pw, int ph);
// Best fit: offsets 0, the larger zoom at which the whole picture fits.
float BestFitZoom(int W, int H, int pw, int ph);
void FitPaneZoom(PaneView& view, int W, int H, int pw, int ph);
// Zoom of a freshly loaded picture: 1 when it fits, else the best fit.
float LoadFitZoom(int W, int H, int pw, int ph);

// Ladder of the zoom tools, from 8 down to 0.125.
inline constexpr std::array<float, 7> kZoomSteps = {8.0f, 4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f};
// Next ladder entry in the direction asked, or the current zoom when none qualifies.
float NextZoomStep(float current, bool bZoomIn);
// Zoom by one click of a zoom tool; the offsets keep their fraction.
void ZoomStep(PaneView& view, bool bZoomIn, int W, int H, int pw, int ph);

// Scroll bar notification codes, numbered as the window system numbers them.
enum ScrollCode : int {
  ScrollLineUp = 0,
  ScrollLineDown = 1,
  ScrollPageUp = 2,
  ScrollPageDown = 3,
  ScrollThumbPosition = 4,
  ScrollThumbTrack = 5,
  ScrollTop = 6,
  ScrollBottom = 7,
  ScrollEnd = 8,
};
// New offset after a scroll message. `extent` is the zoomed picture size along the bar,
// `paneSide` the pane's side along it, `limit` the bar's largest position.
int HorizontalScroll(int offset, int code, int thumb, float extent, int paneSide, bool otherShown);
int VerticalScroll(int offset, int code, int thumb, float extent, int paneSide, bool otherShown,
                   int limit);
// Largest position of a bar with range 0..max and the given page.
int ScrollLimit(int max, int page);

// Preview placement for an output size w x h.
struct PreviewPlacement {
  ScrollSetup scroll;
  Bounds rcPreview;
  float fZoom = 1.0f;
  int nPanX = 0, nPanY = 0;  // what the preview view is told (pan upwards from its bottom)
};
PreviewPlacement PlacePreview(const WindowLayout& layout, PaneView& view, int w, int h);
// The view's pan for the pane's current offsets and bars (output height h).
void PreviewPan(const WindowLayout& layout, const PaneView& view, int h, int* pPanX, int* pPanY);

// The output-size popup rebuilt at each preview info-bar layout.
struct SizeMenuItem {
  int nId = 0;
  std::string szText;
};
std::array<SizeMenuItem, 8> OutputSizeMenu(int W1, int H1, int W2, int H2);

}  // namespace pane

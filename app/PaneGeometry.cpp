#include "app/PaneGeometry.h"

#include <cstdio>

#include "base/TextMarks.h"

namespace pane {

namespace {

int Trunc(double v) { return static_cast<int>(v); }

// x of a pane area's left edge.
int PaneX0(const WindowLayout& l, int paneIndex) {
  return paneIndex == Image1 ? 41 : paneIndex == Image2 ? l.cw / 2 + 41 : l.cw / 4 + 41;
}

ImageInfoBar MakeImageInfoBar(int l, int r, int t, int ch) {
  ImageInfoBar bar;
  bar.bar = {l, t, r - l, 22};
  bar.zoomButton = {r - 60, t, 60, 22};
  bar.sizeReadout = {r - 110, t, 50, 22};
  bar.positionReadout = {r - 160, t, 50, 22};
  bar.pathReadout = {l + 36, t, r - l - 201, 22};
  bar.loadButton = {l - 2, ch / 2 - 25, 36, 38};
  return bar;
}

// Fraction of the scroll range an offset stands at; 0 when the old extent fits the pane
// (there is nothing to scroll, and 0 / 0 must not turn into a NaN offset).
float ScrollFraction(int offset, float extent, int paneSide) {
  const float span = extent - static_cast<float>(paneSide);
  if (span <= 0.0f) return 0.0f;
  return static_cast<float>(offset) / span;
}

}  // namespace

WindowLayout ComputeLayout(int cw, int ch) {
  WindowLayout l;
  l.cw = cw;
  l.ch = ch;
  l.pw = cw / 2 - 82;
  l.ph = ch / 2 - 82;
  const int pw = l.pw, ph = l.ph;
  l.pane[Image1] = {41, 41, pw, ph};
  l.pane[Image2] = {cw / 2 + 41, 41, pw, ph};
  l.pane[Preview] = {cw / 4 + 41, ch / 2 + 61, pw, ph};
  for (int i = 0; i < 3; ++i) {
    const Rect& p = l.pane[i];
    l.frame[i].outer = {p.x - 16, p.y - 16, pw + 32, ph + 16 + (i == Preview ? 16 : 42)};
    l.frame[i].bottomStrip = i == Preview ? 16 : 42;
  }
  l.info[Image1] = MakeImageInfoBar(41, 41 + (cw / 2 - 82), ph + 63, ch);
  l.info[Image2] = MakeImageInfoBar(cw / 2 + 41, cw / 2 + 41 + (cw - cw / 2 - 82), ph + 63, ch);

  PreviewInfoBar& pi = l.previewInfo;
  const int pl = cw / 2 - cw / 4 + 25, pr = pl + 2 * (cw / 4) - 50, pt = ch / 2 + 18;
  pi.bar = {pl, pt, pr - pl, 22};
  pi.outputSizeButton = {pl, pt - 2, 55, 22};
  pi.zoomButton = {pl + 55, pt - 2, 55, 22};
  pi.frameSlider = {pl + 112, pt - 2, pr - pl - 217, 22};
  pi.curFrameReadout = {pr - 96, pt - 2, 50, 22};
  pi.frameCountReadout = {pr - 46, pt - 2, 30, 22};
  pi.frameCountEdit = {pr - 41, pt + 3, 20, 12};
  pi.moreFrames = {pr - 16, pt + 4, 10, 8};
  pi.fewerFrames = {pr - 16, pt + 12, 10, 10};

  const int s = ch > 680 ? 40 : 38;
  for (int i = 0; i < 6; ++i) l.toolButtons[i] = {cw / 2 - 19, ch / 15 + i * s, 38, 38};
  l.autoKeyButton = {cw / 2 - 19, ch / 15 + 6 * s, 38, 38};

  const int cx = cw / 8 - 19, cy = ch * 8 / 11 - 16;
  l.playPause = {cx, cy, 38, 32};
  l.lastFrame = {cx, cy - 50, 38, 32};
  l.firstFrame = {cx, cy + 50, 38, 32};
  l.prevFrame = {cw / 8 - 69, cy, 38, 32};
  l.nextFrame = {cw / 8 + 31, cy, 38, 32};

  const int P = ch * 3 / 5 - 16, R = ch > 680 ? ch / 16 : ch / 14;
  for (int i = 0; i < 6; ++i) l.outputButtons[i] = {cw * 13 / 16 - 6, P + i * R, 90, 32};
  return l;
}

Rect WindowLayout::HorizontalBar(int paneIndex, bool otherShown) const {
  const int t = kScrollBarThickness;
  switch (paneIndex) {
    case Image1: return {41, ch / 2 - 57, cw / 2 - 98 + (otherShown ? 0 : 16), t};
    case Image2: return {cw / 2 + 41, ch / 2 - 57, cw / 2 - 98 + (otherShown ? 0 : 16), t};
    default: return {cw / 4 + 41, ph + ch / 2 + 45, cw / 2 - 82 - (otherShown ? 16 : 0), t};
  }
}

Rect WindowLayout::VerticalBar(int paneIndex, bool otherShown) const {
  const int t = kScrollBarThickness;
  switch (paneIndex) {
    case Image1: return {cw / 2 - 57, 41, t, ch / 2 - 98 + (otherShown ? 0 : 16)};
    case Image2: return {2 * (cw / 2) - 57, 41, t, ch / 2 - 98 + (otherShown ? 0 : 16)};
    default: return {cw / 2 + cw / 4 - 57, ch / 2 + 61, t, ph - 16 + (otherShown ? 0 : 16)};
  }
}

ScrollSetup SetupScrollBars(float ex, float ey, int pw, int ph) {
  ScrollSetup s;
  if (static_cast<float>(ph + 1) >= ey && static_cast<float>(pw + 1) >= ex) return s;
  if (ey > static_cast<float>(ph) && ex > static_cast<float>(pw)) {
    s.bHorizontal = s.bVertical = true;
    s.nHMax = Trunc(ex);
    s.nHPage = pw - 16;
    s.nVMax = Trunc(ey);
    s.nVPage = ph - 16;
  } else if (ex > static_cast<float>(pw)) {
    s.bHorizontal = true;
    s.nHMax = Trunc(ex);
    s.nHPage = pw;
  } else {
    s.bVertical = true;
    s.nVMax = Trunc(ey);
    s.nVPage = ph;
  }
  return s;
}

void ApplyScrollSetup(PaneView& view, const ScrollSetup& setup) {
  view.bHScroll = setup.bHorizontal;
  view.bVScroll = setup.bVertical;
}

Bounds VisibleImageRect(const WindowLayout& layout, int paneIndex, const PaneView& view, int W,
                        int H) {
  const int X0 = PaneX0(layout, paneIndex);
  const int pw = layout.pw, ph = layout.ph;
  const float z = view.fZoom;
  Bounds b;
  if (view.bHScroll && view.bVScroll) {
    b = {X0, 41, X0 + pw - 17, ph + 24};
  } else if (view.bHScroll) {
    b.left = X0;
    b.top = Trunc((ph - H * z) * 0.5 + 41);
    b.right = X0 + pw - 1;
    b.bottom = ph + 24;
  } else if (view.bVScroll) {
    b.left = Trunc((pw - W * z) * 0.5 + X0);
    b.top = 41;
    b.right = Trunc((W * z + pw) * 0.5 + X0 - 1);
    b.bottom = ph + 40;
  } else {
    b.left = Trunc((pw - W * z) * 0.5 + X0);
    b.top = Trunc((ph - H * z) * 0.5 + 41);
    b.right = Trunc(W * z + b.left - 1);
    b.bottom = Trunc(H * z + b.top - 1);
  }
  return b;
}

Rect ImagePaneInvalidArea(const WindowLayout& layout, int paneIndex, const PaneView& view) {
  Rect r = layout.pane[paneIndex];
  if (view.bVScroll) r.w -= 16;
  if (view.bHScroll) r.h -= 16;
  return r;
}

WindowPoint PictureToWindow(const Bounds& visible, const PaneView& view, double px, double py) {
  return {Trunc(visible.left - view.nScrollX + view.fZoom * px),
          Trunc(visible.top - view.nScrollY + view.fZoom * py)};
}

PicturePoint WindowToPicture(const Bounds& visible, const PaneView& view, int wx, int wy) {
  return {(view.nScrollX + wx - visible.left) / static_cast<double>(view.fZoom),
          (view.nScrollY + wy - visible.top) / static_cast<double>(view.fZoom)};
}

void SetPaneZoom(PaneView& view, bool bPreviewPane, float k, int W, int H, int pw, int ph) {
  const float z0 = view.fZoom;
  if (bPreviewPane) {
    const double spanX = static_cast<double>(W) * z0 - pw, spanY = static_cast<double>(H) * z0 - ph;
    const double fx = spanX > 0 ? view.nScrollX / spanX : 0.0;
    const double fy = spanY > 0 ? view.nScrollY / spanY : 0.0;
    view.nScrollX = Trunc((static_cast<double>(k) * W - pw) * fx);
    view.nScrollY = Trunc((static_cast<double>(k) * H - ph) * fy);
  } else {
    const float fx = ScrollFraction(view.nScrollX, W * z0, pw);
    const float fy = ScrollFraction(view.nScrollY, H * z0, ph);
    if (k > 1.0f) {
      const float a = static_cast<float>(ph) < k * H ? 16 * k : 0.0f;
      const float b = static_cast<float>(pw) < k * W ? 16 * k : 0.0f;
      view.nScrollX = Trunc((k * W - pw - a) * fx);
      view.nScrollY = Trunc((k * H - ph - b) * fy);
    } else {
      view.nScrollX = Trunc((k * W - pw) * fx);
      view.nScrollY = Trunc((k * H - ph) * fy);
    }
  }
  view.fZoom = k;
  if (static_cast<float>(pw) >= k * W) view.nScrollX = 0;
  if (static_cast<float>(ph) >= k * H) view.nScrollY = 0;
}

float BestFitZoom(int W, int H, int pw, int ph) {
  if (W <= 0 || H <= 0) return 1.0f;
  if (static_cast<long long>(W) * ph < static_cast<long long>(pw) * H)
    return static_cast<float>(ph) / static_cast<float>(H);
  return static_cast<float>(pw) / static_cast<float>(W);
}

void FitPaneZoom(PaneView& view, int W, int H, int pw, int ph) {
  view.nScrollX = view.nScrollY = 0;
  view.fZoom = BestFitZoom(W, H, pw, ph);
}

float LoadFitZoom(int W, int H, int pw, int ph) {
  if (pw >= W && ph >= H) return 1.0f;
  return BestFitZoom(W, H, pw, ph);
}

float NextZoomStep(float current, bool bZoomIn) {
  if (bZoomIn) {
    for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
      if (*it > current) return *it;
  } else {
    for (float step : kZoomSteps)
      if (step < current) return step;
  }
  return current;
}

void ZoomStep(PaneView& view, bool bZoomIn, int W, int H, int pw, int ph) {
  const float z0 = view.fZoom;
  const float z = NextZoomStep(z0, bZoomIn);
  const float fx = ScrollFraction(view.nScrollX, W * z0, pw);
  const float fy = ScrollFraction(view.nScrollY, H * z0, ph);
  view.nScrollX = Trunc((W * z - pw) * fx);
  view.nScrollY = Trunc((H * z - ph) * fy);
  if (static_cast<float>(pw) >= W * z) view.nScrollX = 0;
  if (static_cast<float>(ph) >= H * z) view.nScrollY = 0;
  view.fZoom = z;
}

int ScrollLimit(int max, int page) { return max - (page > 1 ? page - 1 : 0); }

int HorizontalScroll(int offset, int code, int thumb, float extent, int paneSide, bool otherShown) {
  switch (code) {
    case ScrollLineUp: return offset - 2;
    case ScrollLineDown: return offset + 2;
    case ScrollPageUp: return offset - 6;
    case ScrollPageDown: return offset + 6;
    case ScrollTop: return 0;
    case ScrollBottom: return Trunc(extent - (otherShown ? paneSide - 16 : paneSide));
    case ScrollThumbPosition:
    case ScrollThumbTrack: return thumb;
    default: return offset;
  }
}

int VerticalScroll(int offset, int code, int thumb, float extent, int paneSide, bool otherShown,
                   int limit) {
  switch (code) {
    case ScrollLineUp: return offset > 1 ? offset - 2 : offset;
    case ScrollLineDown: return offset <= limit - 2 ? offset + 2 : offset;
    default: return HorizontalScroll(offset, code, thumb, extent, paneSide, otherShown);
  }
}

void PreviewPan(const WindowLayout& layout, const PaneView& view, int h, int* pPanX, int* pPanY) {
  // The view's y runs upwards: the pan puts the frame row at the vertical offset at the top
  // of the view, whose height is the pane's less the horizontal bar.
  const int viewHeight = view.bHScroll ? layout.ph - 16 : layout.ph;
  *pPanX = view.bHScroll ? view.nScrollX : 0;
  *pPanY = view.bVScroll ? Trunc(view.fZoom * h - viewHeight - view.nScrollY) : 0;
}

PreviewPlacement PlacePreview(const WindowLayout& layout, PaneView& view, int w, int h) {
  PreviewPlacement p;
  const int pw = layout.pw, ph = layout.ph;
  const float z = view.fZoom;
  p.scroll = SetupScrollBars((w - 1) * z, (h - 1) * z, pw, ph);
  ApplyScrollSetup(view, p.scroll);
  if (!view.bHScroll) view.nScrollX = 0;
  if (!view.bVScroll) view.nScrollY = 0;
  const int q = layout.cw / 4, m = layout.ch / 2;
  Bounds& r = p.rcPreview;
  if (view.bHScroll && view.bVScroll) {
    r = {q + 41, m + 61, q + pw + 25, m + ph + 45};
  } else if (view.bHScroll) {
    // Centred in the pane above the bar, like the other cases (never above the pane).
    r.left = q + 41;
    r.right = q + pw + 41;
    r.top = Trunc(m + (ph - z * h) * 0.5 + 61);
    r.bottom = Trunc(m + (ph + z * h) * 0.5 + 61);
    if (r.top < m + 61) r.top = m + 61;
    if (r.bottom > m + ph + 45) r.bottom = m + ph + 45;
  } else if (view.bVScroll) {
    r.left = Trunc((pw - w * z) * 0.5 + q + 41);
    r.top = m + 61;
    r.right = Trunc((pw + w * z) * 0.5 + q + 41);
    r.bottom = m + 61 + ph;
  } else {
    r.left = Trunc((pw - w * z) * 0.5 + q + 41);
    r.top = Trunc(m + (ph - z * h) * 0.5 + 61);
    r.right = Trunc((pw + w * z) * 0.5 + q + 41);
    r.bottom = Trunc(m + (ph + z * h) * 0.5 + 61);
  }
  p.fZoom = z;
  PreviewPan(layout, view, h, &p.nPanX, &p.nPanY);
  return p;
}

std::array<SizeMenuItem, 8> OutputSizeMenu(int W1, int H1, int W2, int H2) {
  auto size = [](int w, int h) {
    char text[32];
    std::snprintf(text, sizeof text, "%dx%d", w, h);
    return std::string(text);
  };
  return {{{9106, size(W1, H1)},
           {9107, size(W2, H2)},
           {9108, size((W1 + W2) >> 1, (H1 + H2) >> 1)},
           {9103, "720x480 DVD NTSC"},
           {9104, "720x576 DVD PAL"},
           {9105, "352x240 VCD NTSC"},
           {9109, "352x288 VCD PAL"},
           {9110, N_("Custom Size...")}}};
}

}  // namespace pane

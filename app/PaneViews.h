// The three panes as the window shows them at its current client size: layout, zoom, scroll
// offsets, which scroll bars show and where, the visible picture rectangles and the preview's
// place. Every rule comes from the pane arithmetic; this class keeps the state between
// operations and refits the panes whose zoom came from a fit whenever the client size changes
// (a maximised or resized window shows its pictures fitted to the new panes).
#pragma once

#include <array>

#include "app/PaneGeometry.h"
#include "editor/KeyPointEditor.h"

// Picture size of each pane: image1, image2 and the output size the preview shows; 0 x 0
// where there is no picture.
struct PaneSizes {
  std::array<int, 3> w{}, h{};
  bool Has(int nPane) const { return w[nPane] > 0 && h[nPane] > 0; }
};

// A scroll bar as the window places it.
struct ScrollBarState {
  bool bShown = false;
  pane::Rect rect;
  int nPos = 0, nPage = 1, nMax = 0;  // range 0..nMax
};

class CPaneViews {
 public:
  // Scroll bar controls by slot: image1 h/v, image2 h/v, preview h/v.
  static constexpr int kBarIds[6] = {1015, 1016, 1033, 1021, 1034, 1022};
  static int SlotOfBar(int nBarId);

  enum class Fit { None, Load, Best };

  const pane::WindowLayout& Layout() const { return m_layout; }
  bool HasClientSize() const { return m_layout.pw > 0 && m_layout.ph > 0; }
  const pane::PaneView& View(int nPane) const { return m_view[nPane]; }
  const ScrollBarState& Bar(int nSlot) const { return m_bars[nSlot]; }
  const pane::Bounds& PreviewRect() const { return m_rcPreview; }
  // What the preview view is told: zoom and the pan upwards from its bottom.
  float PreviewZoom() const { return m_view[pane::Preview].fZoom; }
  int PreviewPanX() const { return m_nPanX; }
  int PreviewPanY() const { return m_nPanY; }

  // A new client size: layout again, fitted panes fitted again, everything placed again.
  // False when the size is the one already laid out.
  bool Resize(int cw, int ch, const PaneSizes& sizes);
  // Places every pane's bars (and the preview) for the current state.
  void PlaceAll(const PaneSizes& sizes);

  // Zoom of a freshly loaded picture: 1 when it fits, else the best fit.
  void FitLoaded(int nPane, const PaneSizes& sizes);
  // A zoom popup item; 0 is best fit.
  void SetZoom(int nPane, float fZoom, const PaneSizes& sizes);
  // One click of a zoom tool on an image pane.
  void ZoomStep(int nPane, bool bZoomIn, const PaneSizes& sizes);
  // The preview takes image1's zoom (the preview set-up).
  void PreviewTakesImage1Zoom(const PaneSizes& sizes);
  // A scroll bar message; false when the bar's pane has no picture.
  bool Scroll(int nSlot, int nCode, int nThumb, const PaneSizes& sizes);
  // A picture closed: its pane shows nothing and takes no clicks.
  void Clear(int nPane);

  // Visible picture rectangle of an image pane (empty without a picture).
  pane::Bounds VisibleRect(int nPane, const PaneSizes& sizes) const;
  // Area of an image pane that is painted again (the pane less its bars).
  pane::Rect InvalidArea(int nPane) const { return pane::ImagePaneInvalidArea(m_layout, nPane, m_view[nPane]); }
  // The image panes as the editor sees them.
  editor::EditPanes EditPanes(const PaneSizes& sizes) const;

 private:
  void PlaceImagePane(int nPane, const PaneSizes& sizes);
  void PlacePreview(const PaneSizes& sizes);
  void Refit(int nPane, const PaneSizes& sizes);

  pane::WindowLayout m_layout = pane::ComputeLayout(0, 0);
  std::array<pane::PaneView, 3> m_view;
  std::array<Fit, 3> m_fit{};
  std::array<ScrollBarState, 6> m_bars;
  pane::Bounds m_rcPreview;
  int m_nPanX = 0, m_nPanY = 0;
};

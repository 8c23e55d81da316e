#include "app/PaneViews.h"

int CPaneViews::SlotOfBar(int nBarId) {
  for (int i = 0; i < 6; ++i)
    if (kBarIds[i] == nBarId) return i;
  return -1;
}

bool CPaneViews::Resize(int cw, int ch, const PaneSizes& sizes) {
  if (cw == m_layout.cw && ch == m_layout.ch) return false;
  m_layout = pane::ComputeLayout(cw, ch);
  for (int i = 0; i < 3; ++i) Refit(i, sizes);
  PlaceAll(sizes);
  return true;
}

void CPaneViews::Refit(int nPane, const PaneSizes& sizes) {
  if (!sizes.Has(nPane) || !HasClientSize()) return;
  pane::PaneView& v = m_view[nPane];
  const int W = sizes.w[nPane], H = sizes.h[nPane];
  if (m_fit[nPane] == Fit::Load) {
    v.fZoom = pane::LoadFitZoom(W, H, m_layout.pw, m_layout.ph);
    v.nScrollX = v.nScrollY = 0;
  } else if (m_fit[nPane] == Fit::Best) {
    pane::FitPaneZoom(v, W, H, m_layout.pw, m_layout.ph);
  }
}

void CPaneViews::PlaceAll(const PaneSizes& sizes) {
  PlaceImagePane(pane::Image1, sizes);
  PlaceImagePane(pane::Image2, sizes);
  PlacePreview(sizes);
}

void CPaneViews::FitLoaded(int nPane, const PaneSizes& sizes) {
  m_fit[nPane] = Fit::Load;
  m_view[nPane] = pane::PaneView{};
  Refit(nPane, sizes);
  nPane == pane::Preview ? PlacePreview(sizes) : PlaceImagePane(nPane, sizes);
}

void CPaneViews::SetZoom(int nPane, float fZoom, const PaneSizes& sizes) {
  if (!sizes.Has(nPane)) return;
  pane::PaneView& v = m_view[nPane];
  const int W = sizes.w[nPane], H = sizes.h[nPane];
  if (fZoom <= 0) {
    m_fit[nPane] = Fit::Best;
    pane::FitPaneZoom(v, W, H, m_layout.pw, m_layout.ph);
  } else {
    m_fit[nPane] = Fit::None;
    pane::SetPaneZoom(v, nPane == pane::Preview, fZoom, W, H, m_layout.pw, m_layout.ph);
  }
  nPane == pane::Preview ? PlacePreview(sizes) : PlaceImagePane(nPane, sizes);
}

void CPaneViews::ZoomStep(int nPane, bool bZoomIn, const PaneSizes& sizes) {
  if (nPane == pane::Preview || !sizes.Has(nPane)) return;
  m_fit[nPane] = Fit::None;
  pane::ZoomStep(m_view[nPane], bZoomIn, sizes.w[nPane], sizes.h[nPane], m_layout.pw, m_layout.ph);
  PlaceImagePane(nPane, sizes);
}

void CPaneViews::PreviewTakesImage1Zoom(const PaneSizes& sizes) {
  pane::PaneView& v = m_view[pane::Preview];
  v.fZoom = m_view[pane::Image1].fZoom;
  v.nScrollX = v.nScrollY = 0;
  m_fit[pane::Preview] = m_fit[pane::Image1];
  PlacePreview(sizes);
}

bool CPaneViews::Scroll(int nSlot, int nCode, int nThumb, const PaneSizes& sizes) {
  if (nSlot < 0 || nSlot >= 6) return false;
  const int nPane = nSlot / 2;
  if (!sizes.Has(nPane)) return false;
  pane::PaneView& v = m_view[nPane];
  const int W = sizes.w[nPane], H = sizes.h[nPane];
  const int pw = m_layout.pw, ph = m_layout.ph;
  if (nSlot % 2 == 0) {
    v.nScrollX = pane::HorizontalScroll(v.nScrollX, nCode, nThumb, v.fZoom * W, pw, v.bVScroll);
    m_bars[nSlot].nPos = v.nScrollX;
  } else {
    const float ey = v.fZoom * H;
    const int page = v.bHScroll ? ph - 16 : ph;
    v.nScrollY = pane::VerticalScroll(v.nScrollY, nCode, nThumb, ey, ph, v.bHScroll,
                                      pane::ScrollLimit(static_cast<int>(ey), page));
    m_bars[nSlot].nPos = v.nScrollY;
  }
  if (nPane == pane::Preview) pane::PreviewPan(m_layout, v, H, &m_nPanX, &m_nPanY);
  return true;
}

void CPaneViews::Clear(int nPane) {
  m_bars[2 * nPane].bShown = m_bars[2 * nPane + 1].bShown = false;
  if (nPane == pane::Preview) m_rcPreview = {};
}

void CPaneViews::PlaceImagePane(int nPane, const PaneSizes& sizes) {
  ScrollBarState& h = m_bars[2 * nPane];
  ScrollBarState& vb = m_bars[2 * nPane + 1];
  if (!sizes.Has(nPane) || !HasClientSize()) {
    h.bShown = vb.bShown = false;
    return;
  }
  pane::PaneView& v = m_view[nPane];
  const pane::ScrollSetup s =
      pane::SetupScrollBars(sizes.w[nPane] * v.fZoom, sizes.h[nPane] * v.fZoom, m_layout.pw, m_layout.ph);
  pane::ApplyScrollSetup(v, s);
  if (!v.bHScroll) v.nScrollX = 0;
  if (!v.bVScroll) v.nScrollY = 0;
  h = {v.bHScroll, m_layout.HorizontalBar(nPane, v.bVScroll), v.nScrollX, s.nHPage, s.nHMax};
  vb = {v.bVScroll, m_layout.VerticalBar(nPane, v.bHScroll), v.nScrollY, s.nVPage, s.nVMax};
}

void CPaneViews::PlacePreview(const PaneSizes& sizes) {
  ScrollBarState& h = m_bars[4];
  ScrollBarState& vb = m_bars[5];
  if (!sizes.Has(pane::Preview) || !HasClientSize()) {
    h.bShown = vb.bShown = false;
    m_rcPreview = {};
    return;
  }
  pane::PaneView& v = m_view[pane::Preview];
  const pane::PreviewPlacement p = pane::PlacePreview(m_layout, v, sizes.w[pane::Preview], sizes.h[pane::Preview]);
  h = {v.bHScroll, m_layout.HorizontalBar(pane::Preview, v.bVScroll), v.nScrollX, p.scroll.nHPage, p.scroll.nHMax};
  vb = {v.bVScroll, m_layout.VerticalBar(pane::Preview, v.bHScroll), v.nScrollY, p.scroll.nVPage, p.scroll.nVMax};
  m_rcPreview = p.rcPreview;
  m_nPanX = p.nPanX;
  m_nPanY = p.nPanY;
}

pane::Bounds CPaneViews::VisibleRect(int nPane, const PaneSizes& sizes) const {
  if (!sizes.Has(nPane) || !HasClientSize()) return {};
  return pane::VisibleImageRect(m_layout, nPane, m_view[nPane], sizes.w[nPane], sizes.h[nPane]);
}

editor::EditPanes CPaneViews::EditPanes(const PaneSizes& sizes) const {
  editor::EditPanes panes;
  for (int i = 0; i < 2; ++i) {
    const pane::Bounds b = VisibleRect(i, sizes);
    if (b.IsEmpty()) continue;
    const pane::PaneView& v = m_view[i];
    panes[i] = {b.left, b.top, b.right, b.bottom, v.nScrollX, v.nScrollY, v.fZoom};
  }
  return panes;
}

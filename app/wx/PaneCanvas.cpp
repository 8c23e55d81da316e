#include "app/wx/PaneCanvas.h"

#include <algorithm>
#include <string>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/region.h>
#include <wx/scrolbar.h>
// After the headers above: it needs the toolkit's set-up defined first.
#include <wx/dcgraph.h>

#ifdef KESTRELLE_HAVE_ART
#include "art/Artwork.h"
#else
#include "art/ArtworkIds.h"
#endif

#include "app/CommandIds.h"
#include "app/ProjectSession.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include "ui/wx/PictureBitmap.h"
#include "ui/wx/SkinFramePainter.h"

namespace {

constexpr int kFirstSkin = kArtBackground;

// Shading of the background when its skin picture is not available.
const wxColour kBackTop(43, 52, 69), kBackBottom(24, 29, 40);

wxBitmap MarkerBitmap(int nPictureId) {
  wxImage image = LoadResourceImage(nPictureId);
  if (!image.IsOk()) return wxBitmap();
  const int side = editor::KeyPointEditor::kMarkerSize;
  return wxBitmap(image.Rescale(side, side));
}

int ScrollCodeOf(wxEventType t) {
  if (t == wxEVT_SCROLL_LINEUP) return pane::ScrollLineUp;
  if (t == wxEVT_SCROLL_LINEDOWN) return pane::ScrollLineDown;
  if (t == wxEVT_SCROLL_PAGEUP) return pane::ScrollPageUp;
  if (t == wxEVT_SCROLL_PAGEDOWN) return pane::ScrollPageDown;
  if (t == wxEVT_SCROLL_THUMBTRACK) return pane::ScrollThumbTrack;
  if (t == wxEVT_SCROLL_THUMBRELEASE) return pane::ScrollThumbPosition;
  if (t == wxEVT_SCROLL_TOP) return pane::ScrollTop;
  if (t == wxEVT_SCROLL_BOTTOM) return pane::ScrollBottom;
  return pane::ScrollEnd;
}

}  // namespace

CPaneCanvas::CPaneCanvas(wxWindow* parent, ProjectSession& session, ApplyFn apply)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE),
      m_session(session),
      m_apply(std::move(apply)) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  for (int id = kFirstSkin; id < kFirstSkin + 16; ++id) {
    const wxImage image = LoadResourceImage(id);
    if (image.IsOk()) m_skin[id - kFirstSkin] = wxBitmap(image);
  }
  m_bmpMarker[0] = MarkerBitmap(kArtMarker);
  m_bmpMarker[1] = MarkerBitmap(kArtMarkerHot);
  // Proposals: the normal marker turned to the opposite hue (green becomes magenta).
  if (m_bmpMarker[0].IsOk()) {
    wxImage proposed = m_bmpMarker[0].ConvertToImage();
    proposed.RotateHue(0.5);
    m_bmpMarker[2] = wxBitmap(proposed);
  }
  for (int i = 0; i < 6; ++i) {
    m_scroll[i] = new wxScrollBar(this, CPaneViews::kBarIds[i], wxDefaultPosition, wxDefaultSize,
                                  i % 2 == 0 ? wxSB_HORIZONTAL : wxSB_VERTICAL);
    m_scroll[i]->Hide();
  }
  Bind(wxEVT_PAINT, &CPaneCanvas::OnPaint, this);
  Bind(wxEVT_SIZE, &CPaneCanvas::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &CPaneCanvas::OnLeftDown, this);
  Bind(wxEVT_LEFT_DCLICK, &CPaneCanvas::OnLeftDown, this);
  Bind(wxEVT_MOTION, &CPaneCanvas::OnMotion, this);
  Bind(wxEVT_LEFT_UP, &CPaneCanvas::OnLeftUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CPaneCanvas::OnCaptureLost, this);
  Bind(wxEVT_SET_CURSOR, &CPaneCanvas::OnSetCursor, this);
  // Scroll events of the pane bars and the frame slider rise to the canvas.
  Bind(wxEVT_SCROLL_TOP, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_BOTTOM, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_LINEUP, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_LINEDOWN, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_PAGEUP, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_PAGEDOWN, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_THUMBTRACK, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_THUMBRELEASE, &CPaneCanvas::OnScroll, this);
  Bind(wxEVT_SCROLL_CHANGED, &CPaneCanvas::OnScroll, this);
}

CPaneCanvas::~CPaneCanvas() {
  if (HasCapture()) ReleaseMouse();
}

// ---------------------------------------------------------------- events

void CPaneCanvas::OnSize(wxSizeEvent& event) {
  event.Skip();
  const wxSize cs = GetClientSize();
  m_apply(m_session.Resize(cs.x, cs.y));
}

void CPaneCanvas::OnLeftDown(wxMouseEvent& event) {
  event.Skip();
  m_apply(m_session.LeftDown(event.GetX(), event.GetY()));
}

void CPaneCanvas::OnMotion(wxMouseEvent& event) {
  event.Skip();
  m_apply(m_session.PointerMoved(event.GetX(), event.GetY()));
}

void CPaneCanvas::OnLeftUp(wxMouseEvent& event) {
  event.Skip();
  m_apply(m_session.LeftUp());
}

void CPaneCanvas::OnCaptureLost(wxMouseCaptureLostEvent&) {
  // The pointer went elsewhere mid-drag: the drag ends where the point is now.
  m_apply(m_session.LeftUp());
}

void CPaneCanvas::OnScroll(wxScrollEvent& event) {
  const int code = ScrollCodeOf(event.GetEventType());
  if (event.GetId() != ids::kFrameSlider && code == pane::ScrollEnd) return;  // moves nothing
  if (event.GetId() == ids::kFrameSlider) m_apply(m_session.SliderScrolled(code, event.GetPosition()));
  else m_apply(m_session.Scroll(event.GetId(), code, event.GetPosition()));
}

const wxCursor& CPaneCanvas::ProjectCursor(int nPictureId) {
  auto it = m_cursors.find(nPictureId);
  if (it != m_cursors.end()) return it->second;
  wxImage image = LoadResourceImage(nPictureId);
  wxCursor cursor(wxCURSOR_CROSS);
  if (image.IsOk()) {
#ifdef KESTRELLE_HAVE_ART
    if (const CursorSpec* hot = FindCursorSpec(nPictureId)) {
      image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, hot->hotX);
      image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, hot->hotY);
    }
#endif
    cursor = wxCursor(image);
  }
  return m_cursors[nPictureId] = cursor;
}

void CPaneCanvas::OnSetCursor(wxSetCursorEvent& event) {
  const bool entry = inEntry && inEntry(event.GetX(), event.GetY());
  switch (const editor::Cursor c = m_session.CursorAt(event.GetX(), event.GetY(), entry)) {
    case editor::Cursor::Leave:
    case editor::Cursor::Default: event.Skip(); return;
    case editor::Cursor::Arrow: event.SetCursor(wxCursor(wxCURSOR_ARROW)); return;
    case editor::Cursor::Wait: event.SetCursor(wxCursor(wxCURSOR_WAIT)); return;
    case editor::Cursor::Hand: event.SetCursor(wxCursor(wxCURSOR_HAND)); return;
    default: event.SetCursor(ProjectCursor(editor::CursorPictureId(c))); return;
  }
}

// ---------------------------------------------------------------- placing

wxScrollBar* CPaneCanvas::ScrollBar(int nBarId) const {
  const int slot = CPaneViews::SlotOfBar(nBarId);
  return slot < 0 ? nullptr : m_scroll[slot];
}

void CPaneCanvas::PlaceScrollBars() {
  for (int i = 0; i < 6; ++i) {
    const ScrollBarState& s = m_session.Panes().Bar(i);
    wxScrollBar* bar = m_scroll[i];
    if (!s.bShown) {
      if (bar->IsShown()) bar->Hide();
      continue;
    }
    const wxRect rect(s.rect.x, s.rect.y, s.rect.w, s.rect.h);
    if (bar->GetRect() != rect) bar->SetSize(rect);
    const int page = std::max(1, s.nPage), range = std::max(1, s.nMax + 1);
    if (bar->GetRange() != range || bar->GetThumbSize() != page || bar->GetPageSize() != page)
      bar->SetScrollbar(s.nPos, page, range, page);
    else if (bar->GetThumbPosition() != s.nPos)
      bar->SetThumbPosition(s.nPos);
    if (!bar->IsShown()) bar->Show();
  }
}

void CPaneCanvas::PlacePreview() {
  const pane::Bounds& r = m_session.Panes().PreviewRect();
  const bool shown = m_session.IsReady() && !r.IsEmpty();
  if (!m_pView) {
    if (!shown) return;
    m_pView = CGLView::CreateView(wxRect(r.left, r.top, r.Width(), r.Height()), this);
    m_pView->onExpose = [this] { DrawPreview(); };
  }
  if (shown) {
    const wxRect rect(r.left, r.top, std::max(1, r.Width()), std::max(1, r.Height()));
    if (m_pView->GetRect() != rect) m_pView->SetSize(rect);
  }
  if (m_pView->IsShown() != shown) m_pView->Show(shown);
}

bool CPaneCanvas::DrawPreview() {
  if (!m_pView || !m_pView->IsShown() || !m_session.IsReady()) return false;
  const MorphProject& project = m_session.Project();
  const MorphTriangles triangles = ProjectTriangles(project);
  MorphViewParams view;
  view.fZoom = m_session.Panes().PreviewZoom();
  view.nPanX = m_session.Panes().PreviewPanX();
  view.nPanY = m_session.Panes().PreviewPanY();
  view.bShowEdges = project.m_bShowTriangles != 0;
  return m_pView->DrawFrame(MakeProjectFrameRequest(project, triangles, m_session.Frame()), view,
                            m_session.PictureGeneration());
}

std::vector<std::pair<std::string, wxRect>> CPaneCanvas::ReportAreas() const {
  std::vector<std::pair<std::string, wxRect>> out;
  const PaneSizes sizes = m_session.Sizes();
  for (int i = 0; i < 2; ++i) {
    const pane::Bounds b = m_session.Panes().VisibleRect(i, sizes);
    out.emplace_back("picture" + std::to_string(i + 1), wxRect(b.left, b.top, b.Width(), b.Height()));
  }
  return out;
}

void CPaneCanvas::CaptureFor(bool bCapture) {
  if (bCapture && !HasCapture()) CaptureMouse();
  if (!bCapture && HasCapture()) ReleaseMouse();
}

void CPaneCanvas::RefreshPane(int nPane) {
  const pane::Rect r = m_session.Panes().InvalidArea(nPane);
  RefreshRect(wxRect(r.x, r.y, r.w, r.h), false);
}

void CPaneCanvas::RefreshArea(const editor::PixelRect& r) { RefreshRect(wxRect(r.x, r.y, r.w, r.h), false); }

// ---------------------------------------------------------------- painting

wxBitmap CPaneCanvas::CaptureBackground(const wxRect& rect) {
  if (!m_bmpBackdrop.IsOk()) return wxBitmap();
  const wxRect inside = rect.Intersect(wxRect(m_bmpBackdrop.GetSize()));
  if (inside.IsEmpty() || inside != rect) return wxBitmap();
  return m_bmpBackdrop.GetSubBitmap(rect);
}

void CPaneCanvas::ComposeBackdrop() {
  const pane::WindowLayout& layout = m_session.Panes().Layout();
  const int cw = std::max(1, layout.cw), ch = std::max(1, layout.ch);
  wxBitmap bmp(cw, ch, 24);
  wxMemoryDC dc(bmp);
  const wxBitmap& back = m_skin[kArtBackground - kFirstSkin];
  if (back.IsOk()) {
    // Scaled by the DC while drawing: no image round trip, which costs more than the rest.
    wxMemoryDC src;
    src.SelectObjectAsSource(back);
    dc.StretchBlit(0, 0, cw, ch, &src, 0, 0, back.GetWidth(), back.GetHeight());
  } else {
    dc.GradientFillLinear(wxRect(0, 0, cw, ch), kBackTop, kBackBottom, wxSOUTH);
  }
  // Frames in the order image1, image2, preview; a picture that failed to load is skipped.
  const CSkinFramePainter frames([this](int id) -> const wxBitmap& {
    static const wxBitmap kNone;
    const int slot = id - kFirstSkin;
    return slot >= 0 && slot < static_cast<int>(m_skin.size()) ? m_skin[slot] : kNone;
  });
  for (int i = 0; i < 3; ++i) {
    const pane::Rect& p = layout.pane[i];
    frames.Draw(dc, i == pane::Preview ? skin::FrameStyle::Preview : skin::FrameStyle::ImagePane,
                {p.x, p.y, p.w, p.h});
  }
  dc.SelectObject(wxNullBitmap);
  m_bmpBackdrop = bmp;
  Refresh(false);
}

void CPaneCanvas::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  ++m_nPaintCount;
  if (!m_bmpBackdrop.IsOk()) return;
  // Opaque: the backdrop under every damaged rectangle, then the panes on top.
  wxMemoryDC src;
  src.SelectObjectAsSource(m_bmpBackdrop);
  const wxRegion& damaged = GetUpdateRegion();
  for (wxRegionIterator it(damaged); it; ++it) {
    const wxRect r = it.GetRect();
    dc.Blit(r.x, r.y, r.width, r.height, &src, r.x, r.y);
  }
  // Only what was damaged is composed again: a slider or read-out update during playback or
  // an export must not recompose both pictures.
  for (int i = 0; i < 2; ++i) {
    const pane::Rect& p = m_session.Panes().Layout().pane[i];
    if (damaged.Contains(wxRect(p.x, p.y, p.w, p.h)) != wxOutRegion) PaintImagePane(dc, i);
  }
}

void CPaneCanvas::PaintImagePane(wxDC& dc, int nPane) {
  const CPicture* pic = m_session.Project().GetImage(nPane + 1);
  if (!pic) return;
  const pane::Bounds b = m_session.Panes().VisibleRect(nPane, m_session.Sizes());
  if (b.IsEmpty()) return;
  PaneImage& image = m_paneImage[nPane];
  ComposeImagePane(*pic, b, m_session.Panes().View(nPane), image);
  wxBitmap bmp = PixelsToBitmap(image.pixels.data(), image.nWidth, image.nHeight, image.nWidth * 4);
  if (!bmp.IsOk()) return;
  DrawOverlay(nPane, bmp);
  const pane::Rect& p = m_session.Panes().Layout().pane[nPane];
  dc.SetClippingRegion(p.x, p.y, p.w, p.h);
  dc.DrawBitmap(bmp, b.left, b.top, false);
  dc.DestroyClippingRegion();
}

void CPaneCanvas::DrawOverlay(int nPane, wxBitmap& bmp) {
  const pane::PaneView& v = m_session.Panes().View(nPane);
  const editor::KeyPointEditor& editor = m_session.Editor();
  wxMemoryDC dc(bmp);
  if (m_session.Project().m_bShowTriangles) {
    editor::EditPane view;
    view.scrollX = v.nScrollX;
    view.scrollY = v.nScrollY;
    view.zoom = v.fZoom;
    const std::vector<editor::EdgeLine> edges = editor.TriangleEdges(nPane + 1, view);
    if (!edges.empty()) {
      wxGCDC gc(dc);
      const unsigned c = editor::KeyPointEditor::kEdgeColour;
      gc.SetPen(wxPen(wxColour((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, (c >> 24) & 0xFF), 1));
      for (const editor::EdgeLine& e : edges) gc.DrawLine(e.x1, e.y1, e.x2, e.y2);
    }
  }
  for (const editor::MarkerPlacement& m : editor.Markers(nPane + 1, -v.nScrollX, -v.nScrollY, v.fZoom)) {
    const wxBitmap& picture = m_bmpMarker[m.bHot ? 1 : m.bProposed ? 2 : 0];
    if (picture.IsOk()) {
      dc.DrawBitmap(picture, m.rect.x, m.rect.y, true);
    } else {
      // Without the artwork: the markers' own colours, green, the hot red, proposals magenta.
      dc.SetPen(*wxBLACK_PEN);
      dc.SetBrush(m.bHot ? *wxRED_BRUSH : m.bProposed ? wxBrush(wxColour(230, 40, 230)) : *wxGREEN_BRUSH);
      dc.DrawRectangle(m.rect.x, m.rect.y, m.rect.w, m.rect.h);
    }
  }
  dc.SelectObject(wxNullBitmap);
}

wxBitmap CPaneCanvas::RenderClient() {
  if (!m_bmpBackdrop.IsOk()) return wxBitmap();
  wxBitmap out(m_bmpBackdrop.GetSize(), 24);
  wxMemoryDC dc(out);
  dc.DrawBitmap(m_bmpBackdrop, 0, 0);
  for (int i = 0; i < 2; ++i) PaintImagePane(dc, i);
  dc.SelectObject(wxNullBitmap);
  return out;
}

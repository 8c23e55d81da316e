// The canvas that fills the main window's client area: the background and skin frames, the
// two picture panes with their markers and triangle edges, the six pane scroll bars and the
// preview view. Its mouse, size and scroll events become session calls whose changes go to
// the frame's Apply; the frame calls back here to repaint and re-place what a change names.
#pragma once

#include <array>
#include <functional>
#include <map>

#include <wx/bitmap.h>
#include <wx/cursor.h>
#include <wx/window.h>

#include "app/PaneComposer.h"
#include "app/SessionChange.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/WindowReport.h"

class CGLView;
class ProjectSession;
class wxDC;
class wxScrollBar;

class CPaneCanvas : public wxWindow, public ISkinBackground, public IReportAreas {
 public:
  using ApplyFn = std::function<void(const SessionChange&)>;
  CPaneCanvas(wxWindow* parent, ProjectSession& session, ApplyFn apply);
  ~CPaneCanvas() override;

  // ---- what the frame's Apply calls ----
  // The background and skin frames for the current client size; the controls over them take
  // their background again.
  void ComposeBackdrop();
  void RefreshPane(int nPane);
  void RefreshArea(const editor::PixelRect& rect);
  void PlaceScrollBars();
  // The preview view exists, shows exactly while there is a frame to show, and sits at the
  // preview rectangle.
  void PlacePreview();
  // Draws the session's frame in the preview; false when nothing could be drawn.
  bool DrawPreview();
  void CaptureFor(bool bCapture);

  // ---- state, for the window's tests and benchmarks ----
  CGLView* PreviewView() const { return m_pView; }
  wxScrollBar* ScrollBar(int nBarId) const;
  const wxBitmap& Backdrop() const { return m_bmpBackdrop; }
  // The client area as last composed: the backdrop with both panes painted over it.
  wxBitmap RenderClient();
  int PaintCount() const { return m_nPaintCount; }
  // Pointer position over the frame-count entry, asked by the cursor test.
  std::function<bool(int x, int y)> inEntry;

  // ISkinBackground
  wxBitmap CaptureBackground(const wxRect& rect) override;
  // IReportAreas: the visible part of each image pane's picture ("picture1", "picture2").
  std::vector<std::pair<std::string, wxRect>> ReportAreas() const override;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void OnSetCursor(wxSetCursorEvent& event);
  void OnScroll(wxScrollEvent& event);
  void PaintImagePane(wxDC& dc, int nPane);
  void DrawOverlay(int nPane, wxBitmap& bmp);
  const wxCursor& ProjectCursor(int nPictureId);

  ProjectSession& m_session;
  ApplyFn m_apply;
  CGLView* m_pView = nullptr;
  std::array<wxScrollBar*, 6> m_scroll{};
  wxBitmap m_bmpBackdrop;
  std::array<wxBitmap, 16> m_skin;  // pictures 249..264 (missing ones stay invalid)
  std::array<wxBitmap, 3> m_bmpMarker;  // normal, hot, proposed; 6 x 6
  std::array<PaneImage, 2> m_paneImage;
  std::map<int, wxCursor> m_cursors;  // project cursors by picture id, made on first use
  int m_nPaintCount = 0;
};

// The main window's key-point editing, undo and redo, and playback: every event becomes one
// call of the editor, the history or the playback controller, and the window applies what
// comes back (repaints, capture, read-outs, timers, slider, texts, messages).
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
// After the headers above: it needs the toolkit's set-up defined first.
#include <wx/dcgraph.h>

#ifdef KESTRELLE_HAVE_ART
#include "art/Artwork.h"
#endif

#include <chrono>
#include <memory>
#include <thread>

#include "app/CommandIds.h"
#include "app/wx/MainMorphDlg.h"
#include "app/wx/MainWindowCommands.h"
#include "app/wx/UiHooks.h"
#include "autokey/AutoKeyCommand.h"
#include "render/wx/GLView.h"
#include "ui/wx/PictureBitmap.h"

using mainwin::CommandOf;
using mainwin::U8;
using mainwin::W;

namespace {

constexpr const char* kProductName = "Kestrelle";

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ApplyTimer(wxTimer& timer, const editor::TimerChange& change, int periodMs, bool bOnce) {
  if (change.bStop) timer.Stop();
  if (change.bStart) timer.Start(periodMs, bOnce ? wxTIMER_ONE_SHOT : wxTIMER_CONTINUOUS);
}

wxBitmap MarkerBitmap(int nPictureId) {
  wxImage image = LoadResourceImage(nPictureId);
  if (!image.IsOk()) return wxBitmap();
  const int side = editor::KeyPointEditor::kMarkerSize;
  return wxBitmap(image.Rescale(side, side));
}

}  // namespace

void CMainMorphDlg::CreateEditControls() {
  m_pCanvas->Bind(wxEVT_LEFT_DOWN, &CMainMorphDlg::OnCanvasLeftDown, this);
  m_pCanvas->Bind(wxEVT_LEFT_DCLICK, &CMainMorphDlg::OnCanvasLeftDown, this);
  m_pCanvas->Bind(wxEVT_MOTION, &CMainMorphDlg::OnCanvasMotion, this);
  m_pCanvas->Bind(wxEVT_LEFT_UP, &CMainMorphDlg::OnCanvasLeftUp, this);
  m_pCanvas->Bind(wxEVT_MOUSE_CAPTURE_LOST, &CMainMorphDlg::OnCanvasCaptureLost, this);
  m_pCanvas->Bind(wxEVT_SET_CURSOR, &CMainMorphDlg::OnCanvasSetCursor, this);
  m_editFrameCount = new wxTextCtrl(m_pCanvas, ids::kFrameCountEdit, wxEmptyString, wxDefaultPosition,
                                    wxDefaultSize, wxBORDER_NONE);
  m_editFrameCount->Hide();
  m_editFrameCount->Bind(wxEVT_KILL_FOCUS, &CMainMorphDlg::OnFrameCountKillFocus, this);
  m_bmpMarker[0] = MarkerBitmap(kArtMarker);
  m_bmpMarker[1] = MarkerBitmap(kArtMarkerHot);
  // Proposals: the normal marker turned to the opposite hue (green becomes magenta).
  if (m_bmpMarker[0].IsOk()) {
    wxImage proposed = m_bmpMarker[0].ConvertToImage();
    proposed.RotateHue(0.5);
    m_bmpMarker[2] = wxBitmap(proposed);
  }
  m_btnAutoKey = new CSkinPicButton(m_pCanvas, ids::kAutoKeyButton, wxDefaultPosition, wxSize(38, 38));
  m_btnAutoKey->SetFallbackLabel(U8("自动"));
  m_btnAutoKey->SetToolTip(U8("自动关键点"));
  EnableAutoKey();
  UpdateEditMenu();
}

// ---------------------------------------------------------------- applying outcomes

editor::EditPanes CMainMorphDlg::CurrentEditPanes() const {
  editor::EditPanes panes;
  for (int i = 0; i < 2; ++i) {
    const CPicture* pic = m_project.GetImage(i + 1);
    if (!pic) continue;
    const pane::PaneView& v = m_view[i];
    const pane::Bounds b = pane::VisibleImageRect(m_layout, i, v, pic->GetWidth(), pic->GetHeight());
    editor::EditPane& p = panes[i];
    p.left = b.left;
    p.top = b.top;
    p.right = b.right;
    p.bottom = b.bottom;
    p.scrollX = v.nScrollX;
    p.scrollY = v.nScrollY;
    p.zoom = v.fZoom;
  }
  return panes;
}

void CMainMorphDlg::ApplyEdit(const editor::EditOutcome& o) {
  using Repaint = editor::EditOutcome::Repaint;
  // Only the pane contents change: the next paint skips the layout pass. The backdrop flag
  // stays as it is so that a later resize still recomposes the skin.
  if (o.repaint == Repaint::PointsOnly) m_bRedrawImages = false;
  else if (o.repaint == Repaint::Full) m_bRedrawImages = m_bFullRepaint = true;
  for (int i = 0; i < 2; ++i)
    if (o.bInvalidatePane[i]) InvalidatePane(i);
  for (const editor::PixelRect& r : o.invalidateRects) m_pCanvas->RefreshRect(wxRect(r.x, r.y, r.w, r.h), false);
  if (o.bCaptureMouse && !m_pCanvas->HasCapture()) m_pCanvas->CaptureMouse();
  if (o.bReleaseMouse && m_pCanvas->HasCapture()) m_pCanvas->ReleaseMouse();
  for (int i = 0; i < 2; ++i)
    if (o.bPositionChanged[i]) m_btnPosition[i]->SetLabel(U8(o.szPosition[i]));
  ApplyTimer(m_timerBlink, o.blinkTimer, editor::HoverBlink::kBlinkPeriodMs, false);
  ApplyTimer(m_timerBlinkEnd, o.blinkEndTimer, editor::HoverBlink::kEndDelayMs, true);
  if (o.nZoomPane == 1 || o.nZoomPane == 2) ZoomStepAt(o.nZoomPane - 1, o.bZoomIn);
  if (o.bHistoryChanged) UpdateEditMenu();
  if (o.bDrawPreview) RedrawPreview();
  if (!o.szMessage.empty()) uihooks::ShowMessage(U8(o.szMessage), kProductName, wxOK | wxICON_WARNING);
}

void CMainMorphDlg::ApplyPlayback(const PlaybackUpdate& u, bool bDrawNow) {
  if (u.timer == PlaybackUpdate::Timer::Start) m_timerPlay.StartOnce(m_playBeat.Start(NowMs()));
  else if (u.timer == PlaybackUpdate::Timer::Stop) m_timerPlay.Stop();
  if (u.bFaceChanged) mainwin::SetArtFaces(m_btnPlay[0], u.bPlaying ? kArtPause : kArtPlay, m_btnPlay[0]->IsEnabled());
  if (u.bFrameCountShown) {
    m_sliderFrame->SetRange(0, u.nFrameCount);
    m_btnFrameCount->SetLabel(wxString::Format("%d", u.nFrameCount));
    if (m_viewMorph) m_viewMorph->m_nFrameCount = u.nFrameCount;
  }
  if (u.bFrameShown) {
    m_sliderFrame->SetPos(u.nFrame);
    m_btnCurFrame->SetLabel(wxString::Format("%d", u.nFrame));
    if (m_viewMorph) m_viewMorph->m_nCurFrame = u.nFrame;
    if (bDrawNow) RedrawPreview();
  }
  if (u.edit == PlaybackUpdate::Edit::Show) {
    m_editFrameCount->ChangeValue(U8(u.szEditText));
    m_btnFrameCount->Hide();
    m_editFrameCount->Show();
    m_editFrameCount->SetFocus();
    m_editFrameCount->SelectAll();
  } else if (u.edit == PlaybackUpdate::Edit::Hide) {
    m_editFrameCount->Hide();
    m_btnFrameCount->Show();
  }
  if (u.bChecksChanged) UpdateCheckMarks();
  if (!u.szMessage.empty()) uihooks::ShowMessage(U8(u.szMessage), kProductName, wxOK | wxICON_WARNING);
}

void CMainMorphDlg::AfterProjectReplaced(bool bSaved) { ApplyEdit(m_editor.ProjectReplaced(bSaved)); }

void CMainMorphDlg::UpdateEditMenu() {
  wxMenuBar* bar = GetMenuBar();
  bar->Enable(W(ids::kUndo), m_history.CanUndo());
  bar->Enable(W(ids::kRedo), m_history.CanRedo());
  // An undone morph type or triangle switch shows in the check marks.
  UpdateCheckMarks();
  const bool content = m_project.GetImage(1) || m_project.GetImage(2);
  SetTitle(U8(ProjectTitleText(kProductName, m_szProjectPath, content, m_history.IsDirty())));
}

// ---------------------------------------------------------------- painting

void CMainMorphDlg::DrawPaneOverlay(int nPane, wxBitmap& bmp) {
  const pane::PaneView& v = m_view[nPane];
  wxMemoryDC dc(bmp);
  if (m_project.m_bShowTriangles) {
    editor::EditPane view;
    view.scrollX = v.nScrollX;
    view.scrollY = v.nScrollY;
    view.zoom = v.fZoom;
    const std::vector<editor::EdgeLine> edges = m_editor.TriangleEdges(nPane + 1, view);
    if (!edges.empty()) {
      wxGCDC gc(dc);
      const unsigned c = editor::KeyPointEditor::kEdgeColour;
      gc.SetPen(wxPen(wxColour((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, (c >> 24) & 0xFF), 1));
      for (const editor::EdgeLine& e : edges) gc.DrawLine(e.x1, e.y1, e.x2, e.y2);
    }
  }
  for (const editor::MarkerPlacement& m : m_editor.Markers(nPane + 1, -v.nScrollX, -v.nScrollY, v.fZoom)) {
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

// ---------------------------------------------------------------- mouse and cursor

void CMainMorphDlg::OnCanvasLeftDown(wxMouseEvent& event) {
  event.Skip();
  if (m_bAutoKeyRunning) return;  // the proposals are made for the pairs as they are
  ApplyEdit(m_editor.LeftDown(CurrentEditPanes(), event.GetX(), event.GetY()));
}

void CMainMorphDlg::OnCanvasMotion(wxMouseEvent& event) {
  ApplyEdit(m_editor.PointerMoved(CurrentEditPanes(), event.GetX(), event.GetY()));
  event.Skip();
}

void CMainMorphDlg::OnCanvasLeftUp(wxMouseEvent& event) {
  ApplyEdit(m_editor.LeftUp());
  event.Skip();
}

void CMainMorphDlg::OnCanvasCaptureLost(wxMouseCaptureLostEvent&) {
  // The pointer went elsewhere mid-drag: the drag ends where the point is now.
  ApplyEdit(m_editor.LeftUp());
}

const wxCursor& CMainMorphDlg::ProjectCursor(int nPictureId) {
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

void CMainMorphDlg::OnCanvasSetCursor(wxSetCursorEvent& event) {
  const bool inEdit = m_editFrameCount->IsShown() && m_editFrameCount->GetRect().Contains(event.GetX(), event.GetY());
  const editor::Cursor c = m_editor.CursorAt(CurrentEditPanes(), event.GetX(), event.GetY(), inEdit);
  switch (c) {
    case editor::Cursor::Leave:
    case editor::Cursor::Default: event.Skip(); return;
    case editor::Cursor::Arrow: event.SetCursor(wxCursor(wxCURSOR_ARROW)); return;
    case editor::Cursor::Wait: event.SetCursor(wxCursor(wxCURSOR_WAIT)); return;
    case editor::Cursor::Hand: event.SetCursor(wxCursor(wxCURSOR_HAND)); return;
    default: event.SetCursor(ProjectCursor(editor::CursorPictureId(c))); return;
  }
}

// ---------------------------------------------------------------- timers

void CMainMorphDlg::OnTimerBlink(wxTimerEvent&) { ApplyEdit(m_editor.BlinkTimer(CurrentEditPanes())); }

void CMainMorphDlg::OnTimerBlinkEnd(wxTimerEvent&) { ApplyEdit(m_editor.BlinkEndTimer(CurrentEditPanes())); }

void CMainMorphDlg::OnTimerPlay(wxTimerEvent&) {
  ApplyPlayback(m_playback.Tick());
  if (m_playback.IsPlaying() && !m_timerPlay.IsRunning()) m_timerPlay.StartOnce(m_playBeat.Next(NowMs()));
}

// ---------------------------------------------------------------- commands

void CMainMorphDlg::OnTool(wxCommandEvent& event) {
  if (editor::SelectTool(m_project, event.GetId())) SelectTool(m_project.m_nToolMode);
}

void CMainMorphDlg::OnShowTriangles(wxCommandEvent&) {
  ApplyEdit(m_editor.ToggleTriangles());
  GetMenuBar()->Check(W(ids::kShowTriangles), m_project.m_bShowTriangles != 0);
  if (m_viewMorph) m_viewMorph->SetShowEdges(m_project.m_bShowTriangles != 0);
}

void CMainMorphDlg::OnMorphType(wxCommandEvent& event) {
  ApplyEdit(m_editor.ChooseMorphType(CommandOf(event) - ids::kMorphType1 + 1));
  UpdateCheckMarks();
}

void CMainMorphDlg::OnUndo(wxCommandEvent&) { ApplyEdit(m_editor.Undo()); }

void CMainMorphDlg::OnRedo(wxCommandEvent&) { ApplyEdit(m_editor.Redo()); }

void CMainMorphDlg::OnPlayback(wxCommandEvent& event) {
  switch (CommandOf(event)) {
    case ids::kPlayPause:
    case ids::kPlayPauseButton: ApplyPlayback(m_playback.PlayPause()); return;
    case ids::kFirstFrame:
    case ids::kFirstFrameButton: ApplyPlayback(m_playback.FirstFrame()); return;
    case ids::kLastFrame:
    case ids::kLastFrameButton: ApplyPlayback(m_playback.LastFrame()); return;
    case ids::kNextFrame:
    case ids::kNextFrameButton: ApplyPlayback(m_playback.NextFrame()); return;
    case ids::kPrevFrame:
    case ids::kPrevFrameButton: ApplyPlayback(m_playback.PreviousFrame()); return;
    case ids::kLoopPlay: ApplyPlayback(m_playback.ToggleLoopPlay()); return;
    case ids::kLoopBack: ApplyPlayback(m_playback.ToggleLoopBack()); return;
    case ids::kMoreFrames: ApplyPlayback(m_playback.MoreFrames()); return;
    case ids::kFewerFrames: ApplyPlayback(m_playback.FewerFrames()); return;
    case ids::kFrameCountReadout: ApplyPlayback(m_playback.OpenFrameCountEdit()); return;
    default: return;
  }
}

void CMainMorphDlg::OnFrameCountKillFocus(wxFocusEvent& event) {
  // Hiding the entry from a handler that runs inside the focus change is left to the loop.
  CallAfter([this] { ApplyPlayback(m_playback.FrameCountEditLostFocus()); });
  event.Skip();
}

// ---------------------------------------------------------------- automatic key points

void CMainMorphDlg::EnableAutoKey() {
  const bool bEnable = m_project.IsReady() && !m_bAutoKeyRunning;
  GetMenuBar()->Enable(W(ids::kAutoKeyPoints), bEnable);
  if (m_btnAutoKey) m_btnAutoKey->Enable(bEnable);
}

void CMainMorphDlg::OnAutoKey(wxCommandEvent&) {
  if (m_bAutoKeyRunning || !m_project.IsReady()) return;
  if (m_editor.IsDragging()) ApplyEdit(m_editor.LeftUp());
  auto job = std::make_shared<autokey::AutoKeyJob>(autokey::PrepareAutoKey(m_project));
  m_bAutoKeyRunning = true;
  m_nToolBeforeAutoKey = m_project.m_nToolMode;
  SelectTool(ToolBusy);  // the wait cursor over the panes; no edits until the result is in
  EnableAutoKey();
  wxBeginBusyCursor();
  if (m_autoKeyThread.joinable()) m_autoKeyThread.join();
  m_autoKeyThread = std::thread([this, job] {
    auto outcome = std::make_shared<autokey::AutoKeyOutcome>();
    try {
      *outcome = autokey::RunAutoKey(*job);
    } catch (const std::exception& e) {
      outcome->proposals.status = autokey::ProposalStatus::InvalidInput;
      outcome->message = std::string("Automatic key points failed: ") + e.what();
    }
    CallAfter([this, outcome] { AutoKeyDone(*outcome); });
  });
}

void CMainMorphDlg::AutoKeyDone(const autokey::AutoKeyOutcome& outcome) {
  if (m_autoKeyThread.joinable()) m_autoKeyThread.join();
  m_bAutoKeyRunning = false;
  wxEndBusyCursor();
  // A project opened or closed meanwhile has set its own tool.
  if (m_project.m_nToolMode == ToolBusy && m_project.IsReady()) SelectTool(m_nToolBeforeAutoKey);
  EnableAutoKey();
  bool bChanged = false;
  std::string text;
  // The project may have changed since the snapshot: FinishAutoKey then refuses.
  ApplyEdit(m_editor.AddProposals(MakeMeshEditCommand("automatic key points", [&](MorphProject& project) {
    const autokey::AutoKeyApplied applied = autokey::FinishAutoKey(project, outcome);
    bChanged = applied.changed;
    text = applied.message.empty() ? std::string("No key points were placed.") : applied.message;
    return bChanged ? CommandResult::Ok() : CommandResult::Fail(text);
  })));
  if (bChanged) uihooks::ShowMessage(U8(text), kProductName, wxOK | wxICON_INFORMATION);
}

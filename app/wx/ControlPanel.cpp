#include "app/wx/ControlPanel.h"

#include <algorithm>

#include <wx/cursor.h>
#include <wx/textctrl.h>

#include "app/CommandIds.h"
#include "app/PaneGeometry.h"
#include "app/ProjectSession.h"
#include "art/ArtworkIds.h"
#include "base/TextMarks.h"
#include "editor/EditTools.h"
#include "ui/wx/NumEdit.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/SkinSlider.h"
#include "ui/wx/Translation.h"

namespace {

wxString U8(const char* text) { return wxString::FromUTF8(text); }
wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

// A client area too small for the layout gives negative sizes, which the toolkit refuses.
void Place(wxWindow* w, const pane::Rect& r) {
  const wxRect rect(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
  if (w->GetRect() != rect) w->SetSize(rect);
}

// Faces drawn from the artwork: base, base + 1 (hover, pressed, selected), base + 2 (disabled,
// for every state).
void SetArtFaces(CSkinButton* button, int nBase, bool bEnabled) {
  if (bEnabled) button->SetFaces(nBase + kArtHotOffset, 0, nBase, nBase + kArtHotOffset);
  else button->SetFaces(nBase + kArtDisabledOffset, 0, nBase + kArtDisabledOffset, nBase + kArtDisabledOffset);
}

constexpr int kPlayIds[5] = {ids::kPlayPauseButton, ids::kLastFrameButton, ids::kFirstFrameButton,
                             ids::kPrevFrameButton, ids::kNextFrameButton};
constexpr int kPlayFaces[5] = {kArtPlay, kArtLastFrame, kArtFirstFrame, kArtPrevFrame, kArtNextFrame};
constexpr int kOutputIds[6] = {ids::kSingleFrameButton, ids::kOutputSequence, ids::kOutputGif,
                               ids::kOutputSwf,         ids::kOutputHtml,     ids::kOutputAvi};
constexpr int kOutputFaces[6] = {kArtOutputFrame, kArtOutputSequence, kArtOutputGif,
                                 kArtOutputFlash, kArtOutputHtml,     kArtOutputVideo};

}  // namespace

CControlPanel::CControlPanel(wxWindow* c, IUserInteraction& ui) : m_parent(c) {
  static const char* const kToolLabels[6] = {N_("选择"), N_("加点"), N_("删点"), N_("移动"), N_("放大"), N_("缩小")};
  for (int i = 0; i < 6; ++i) {
    m_tool[i] = new CSkinPicButton(c, ids::kToolFirst + i, wxDefaultPosition, wxSize(38, 38));
    m_tool[i]->SetFallbackLabel(Tr(kToolLabels[i]));
  }
  m_autoKey = new CSkinPicButton(c, ids::kAutoKeyButton, wxDefaultPosition, wxSize(38, 38));
  m_autoKey->SetFallbackLabel(_("自动"));
  m_autoKey->SetToolTip(_("自动关键点"));
  static const char* const kPlayLabels[5] = {N_("播放"), N_("末帧"), N_("首帧"), N_("上帧"), N_("下帧")};
  for (int i = 0; i < 5; ++i) {
    m_play[i] = new CSkinPicButton(c, kPlayIds[i], wxDefaultPosition, wxSize(38, 32));
    m_play[i]->SetFallbackLabel(Tr(kPlayLabels[i]));
  }
  static const char* const kOutputLabels[6] = {N_("单帧图像"), N_("图像序列"), N_("GIF 动画"),
                                               N_("Flash 电影"), N_("网页"),     N_("AVI 电影")};
  for (int i = 0; i < 6; ++i) {
    m_output[i] = new CSkinPicButton(c, kOutputIds[i], wxDefaultPosition, wxSize(90, 32));
    m_output[i]->SetFallbackLabel(Tr(kOutputLabels[i]));
  }
  m_load[0] = new CSkinPicButton(c, ids::kLoadImage1Button, wxDefaultPosition, wxSize(36, 38));
  m_load[1] = new CSkinButton(c, ids::kLoadImage2Button, wxDefaultPosition, wxSize(36, 38));
  m_load[0]->SetFallbackLabel(_("图1"));
  m_load[1]->SetFallbackLabel(_("图2"));
  SetArtFaces(m_load[0], kArtLoadImage1, true);
  SetArtFaces(m_load[1], kArtLoadImage2, true);
  const int zoomIds[2] = {ids::kZoomButton1, ids::kZoomButton2};
  const int sizeIds[2] = {ids::kSizeReadout1, ids::kSizeReadout2};
  const int posIds[2] = {ids::kPositionReadout1, ids::kPositionReadout2};
  const int pathIds[2] = {ids::kPathReadout1, ids::kPathReadout2};
  for (int i = 0; i < 2; ++i) {
    m_zoom[i] = new CSkinButton(c, zoomIds[i]);
    m_zoom[i]->SetFaces(kArtPaneMenuHot, 0, kArtPaneMenu, 0);
    m_size[i] = new CSkinButton(c, sizeIds[i]);
    m_position[i] = new CSkinButton(c, posIds[i]);
    m_path[i] = new CSkinButton(c, pathIds[i]);
  }
  m_size3 = new CSkinButton(c, ids::kOutputSizeButton);
  m_zoom3 = new CSkinButton(c, ids::kZoomButton3);
  for (CSkinButton* b : {m_size3, m_zoom3}) b->SetFaces(kArtPreviewMenuHot, 0, kArtPreviewMenu, 0);
  m_slider = new CSkinSlider(c, ids::kFrameSlider);
  m_slider->SetUser(ui);
  m_slider->SetThumbPicture(kArtSliderThumb);
  m_slider->SetChannelPicture(kArtSliderChannel);
  m_curFrame = new CSkinButton(c, ids::kCurFrameReadout);
  m_frameCount = new CSkinButton(c, ids::kFrameCountReadout);
  m_moreFrames = new CSkinButton(c, ids::kMoreFrames);
  m_fewerFrames = new CSkinButton(c, ids::kFewerFrames);
  m_moreFrames->SetFallbackLabel(U8("\xE2\x96\xB4"));  // small up triangle
  m_fewerFrames->SetFallbackLabel(U8("\xE2\x96\xBE"));
  m_moreFrames->SetFaces(kArtFrameCountUpHot, 0, kArtFrameCountUp, 0);
  m_fewerFrames->SetFaces(kArtFrameCountDownHot, 0, kArtFrameCountDown, 0);
  // Digits only, at most three of them, in the narrow caption font; hidden until opened.
  m_entry = new CNumEdit(c, ids::kFrameCountEdit, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
  m_entry->SetFont(wxFont(wxFontInfo(wxSize(4, 12)).FaceName("Arial")));
  m_entry->SetMaxLength(3);
  m_entry->ChangeValue("50");
  m_entry->Hide();
  // The pointer over the open entry is the hand; the entry is a window of its own, so the
  // canvas never sees the pointer there.
  m_entry->SetCursor(wxCursor(wxCURSOR_HAND));
  m_entry->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
    event.Skip();
    if (onEntryLostFocus) onEntryLostFocus();
  });
}

CSkinButton* CControlPanel::Button(int nId) const { return dynamic_cast<CSkinButton*>(m_parent->FindWindow(nId)); }

bool CControlPanel::EntryContains(int x, int y) const {
  return m_entry->IsShown() && m_entry->GetRect().Contains(x, y);
}

void CControlPanel::UseBackground(ISkinBackground* pSource) {
  for (wxWindow* child : m_parent->GetChildren())
    if (auto* b = dynamic_cast<CSkinButton*>(child)) b->UseParentBackground(pSource, true);
  m_slider->UseParentBackground(pSource);
}

void CControlPanel::PlaceGroups(const pane::WindowLayout& layout) {
  for (int i = 0; i < 6; ++i) Place(m_tool[i], layout.toolButtons[i]);
  Place(m_autoKey, layout.autoKeyButton);
  const pane::Rect* play[5] = {&layout.playPause, &layout.lastFrame, &layout.firstFrame, &layout.prevFrame,
                               &layout.nextFrame};
  for (int i = 0; i < 5; ++i) Place(m_play[i], *play[i]);
  for (int i = 0; i < 6; ++i) Place(m_output[i], layout.outputButtons[i]);
}

void CControlPanel::LayoutInfoBars(const ProjectSession& session) {
  const pane::WindowLayout& layout = session.Panes().Layout();
  const MorphProject& project = session.Project();
  for (int i = 0; i < 2; ++i) {
    const pane::ImageInfoBar& info = layout.info[i];
    Place(m_zoom[i], info.zoomButton);
    Place(m_size[i], info.sizeReadout);
    Place(m_position[i], info.positionReadout);
    Place(m_path[i], info.pathReadout);
    Place(m_load[i], info.loadButton);
    if (const CPicture* pic = project.GetImage(i + 1)) {
      m_zoom[i]->SetLabel(wxString::Format("%2.1f%%", session.Panes().View(i).fZoom * 100.0));
      m_size[i]->SetLabel(wxString::Format("%dx%d", pic->GetWidth(), pic->GetHeight()));
      m_path[i]->SetLabel(U8(project.GetImagePath(i + 1)));
    } else {
      for (CSkinButton* b : {m_zoom[i], m_size[i], m_path[i]}) b->SetLabel(" ");
    }
    ShowPosition(session, i);
  }
  const pane::PreviewInfoBar& pi = layout.previewInfo;
  Place(m_size3, pi.outputSizeButton);
  Place(m_zoom3, pi.zoomButton);
  Place(m_slider, pi.frameSlider);
  Place(m_curFrame, pi.curFrameReadout);
  Place(m_frameCount, pi.frameCountReadout);
  // The entry takes the read-out's place while it is open: the entry's own 20 x 12 pixels
  // leave no room for the digits inside a toolkit entry.
  Place(m_entry, pi.frameCountReadout);
  Place(m_moreFrames, pi.moreFrames);
  Place(m_fewerFrames, pi.fewerFrames);
  if (project.GetImage(2)) {
    m_size3->SetLabel(wxString::Format("%dx%d", project.m_nOutputWidth, project.m_nOutputHeight));
    m_zoom3->SetLabel(wxString::Format("%2.1f%%", session.Panes().PreviewZoom() * 100.0));
  } else {
    for (CSkinButton* b : {m_size3, m_zoom3}) b->SetLabel(" ");
  }
  ShowFrame(session);
  ShowFrameCount(session);
}

void CControlPanel::ShowFrame(const ProjectSession& session) {
  m_slider->SetPos(session.Frame());
  m_curFrame->SetLabel(session.Project().GetImage(2) ? wxString::Format("%d", session.Frame()) : wxString(" "));
}

void CControlPanel::ShowFrameCount(const ProjectSession& session) {
  m_slider->SetRange(0, session.FrameCount());
  m_slider->SetPos(session.Frame());
  m_frameCount->SetLabel(session.Project().GetImage(2) ? wxString::Format("%d", session.FrameCount())
                                                        : wxString(" "));
}

void CControlPanel::ShowPosition(const ProjectSession& session, int nPane) {
  const bool shown = session.Project().GetImage(nPane + 1) != nullptr;
  m_position[nPane]->SetLabel(shown ? U8(session.PositionText(nPane)) : wxString(" "));
}

void CControlPanel::ShowControls(const ProjectSession& session) {
  const bool enabled = session.ButtonsEnabled();
  const int playFace = session.IsPlaying() ? kArtPause : kArtPlay;
  // Faces are decoded pictures: only a change of state loads them again.
  if (m_nShownEnabled != static_cast<int>(enabled)) {
    m_nShownEnabled = enabled;
    for (int i = 0; i < 6; ++i) {
      const editor::ToolFaces f = editor::ToolButtonFaces(i);
      if (enabled) m_tool[i]->SetFaces(f.hover, 0, f.normal, f.selected);
      else m_tool[i]->SetFaces(f.disabled, 0, f.disabled, f.disabled);
      m_tool[i]->Enable(enabled);
    }
    for (int i = 1; i < 5; ++i) {
      SetArtFaces(m_play[i], kPlayFaces[i], enabled);
      m_play[i]->Enable(enabled);
    }
    for (int i = 0; i < 6; ++i) {
      SetArtFaces(m_output[i], kOutputFaces[i], enabled);
      m_output[i]->Enable(enabled);
    }
    m_nShownPlayFace = 0;
  }
  if (m_nShownPlayFace != playFace) {
    m_nShownPlayFace = playFace;
    SetArtFaces(m_play[0], playFace, enabled);
    m_play[0]->Enable(enabled);
  }
  const int selected = editor::SelectedToolButton(session.Project().m_nToolMode);
  for (int i = 0; i < 6; ++i) m_tool[i]->SetSelected(ids::kToolFirst + i == selected);
  m_autoKey->Enable(session.IsReady() && !session.AutoKeyRunning());
}

void CControlPanel::OpenEntry(const ProjectSession& session) {
  m_entry->ChangeValue(U8(session.EntryText()));
  m_frameCount->Hide();
  m_entry->Show();
  m_entry->SetFocus();
  m_entry->SelectAll();
}

void CControlPanel::CloseEntry() {
  m_entry->Hide();
  m_frameCount->Show();
}

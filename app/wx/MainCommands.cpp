// The main window's commands: every menu item and button becomes one call of the session (or
// of the export commands), with the files and questions it needs asked first.
#include <wx/menu.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/MainMenus.h"
#include "app/ProgramTexts.h"
#include "app/wx/ControlPanel.h"
#include "app/wx/ExportCommands.h"
#include "app/wx/MainMorphDlg.h"
#include "core/ProjectFile.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

namespace {

// The zoom of a popup item, or -1 when the id is none of the three popups'.
float ZoomOfItem(int nCommand, int* pPane) {
  const ids::ZoomItem* menus[3] = {ids::kZoomMenu1, ids::kZoomMenu2, ids::kZoomMenu3};
  for (int p = 0; p < 3; ++p)
    for (int i = 0; i < 8; ++i)
      if (menus[p][i].nId == nCommand) {
        *pPane = p;
        return menus[p][i].fZoom;
      }
  return -1;
}

IUserInteraction::FileRequest OpenImageRequest() {
  IUserInteraction::FileRequest request;
  request.szWildcard = _("Surport format(*.bmp;*.png;*.jpg;*.tif;*.tiff;*.tga;*.pcx) ") +
                       "|*.bmp;*.png;*.jpg;*.tif;*.tiff;*.tga;*.pcx|" + _("Volume Data Files (*.dat)") +
                       "|*.dat|BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|"
                       "GIF (*.gif)|*.gif|TIF (*.tif ;*.tiff)|*.tif;*.tiff|TGA (*.tga)|*.tga|PCX (*.pcx)|*.pcx";
  return request;
}

}  // namespace

std::string ChooseImageFile(CMainMorphDlg& window) {
  return window.User().ChooseFile(&window, OpenImageRequest()).utf8_string();
}

void CMainMorphDlg::OnMenu(wxCommandEvent& event) { RunCommand(cmdmap::FromWx(event.GetId())); }

void CMainMorphDlg::OnButton(wxCommandEvent& event) { RunCommand(event.GetId()); }

void CMainMorphDlg::RunCommand(int n) {
  int nPane = 0;
  const float fZoom = ZoomOfItem(n, &nPane);
  if (fZoom >= 0) return Apply(m_session.SetPaneZoom(nPane, fZoom));
  if (n >= ids::kSampleFirst && n <= ids::kSampleLast) return Apply(m_session.OpenSample(n, SamplesFolder()));
  if (n >= ids::kToolFirst && n < ids::kToolFirst + 6) return Apply(m_session.SelectToolButton(n));
  if (m_pExport->RunSizeCommand(n) || m_pExport->RunOutputCommand(n)) return;
  switch (n) {
    case ids::kNewWizard: return RunWizard(false);
    case ids::kOpenProject: return OpenProjectChosen();
    case ids::kCloseProject: return Apply(m_session.CloseProject());
    case ids::kSaveProject:
    case ids::kSaveProjectAs: return SaveProjectChosen();
    case ids::kLoadImage1:
    case ids::kLoadImage1Button: return LoadPictureChosen(1);
    case ids::kLoadImage2:
    case ids::kLoadImage2Button: return LoadPictureChosen(2);
    case ids::kExit: Close(false); return;
    case ids::kUndo: return Apply(m_session.Undo());
    case ids::kRedo: return Apply(m_session.Redo());
    case ids::kAutoKeyPoints:
    case ids::kAutoKeyButton: return StartAutoKey();
    case ids::kShowTriangles: return Apply(m_session.ToggleTriangles());
    case ids::kMorphType1:
    case ids::kMorphType2:
    case ids::kMorphType3: return Apply(m_session.ChooseMorphType(n - ids::kMorphType1 + 1));
    case ids::kPlayPause:
    case ids::kPlayPauseButton: return Apply(m_session.PlayPause());
    case ids::kFirstFrame:
    case ids::kFirstFrameButton: return Apply(m_session.FirstFrame());
    case ids::kLastFrame:
    case ids::kLastFrameButton: return Apply(m_session.LastFrame());
    case ids::kNextFrame:
    case ids::kNextFrameButton: return Apply(m_session.NextFrame());
    case ids::kPrevFrame:
    case ids::kPrevFrameButton: return Apply(m_session.PreviousFrame());
    case ids::kLoopPlay: return Apply(m_session.ToggleLoopPlay());
    case ids::kLoopBack: return Apply(m_session.ToggleLoopBack());
    case ids::kMoreFrames: return Apply(m_session.MoreFrames());
    case ids::kFewerFrames: return Apply(m_session.FewerFrames());
    case ids::kFrameCountReadout: return Apply(m_session.OpenFrameCountEntry());
    case ids::kZoomButton1:
    case ids::kZoomButton2:
    case ids::kZoomButton3: return PopupPaneMenu(n);
    case ids::kHelp: return OpenHelp();
    case ids::kAbout:
      m_user.Message(this, "Kestrelle 0.1\n\n" + Tr(ProgramText::kSummary),
                     _("关于 Kestrelle"), wxOK | wxICON_INFORMATION);
      return;
    default: return;
  }
}

void CMainMorphDlg::OpenProjectChosen() {
  IUserInteraction::FileRequest request;
  request.szDefaultExt = "fmph";
  request.szDefaultName = "*.fmph";
  request.szWildcard = _("Project File (*.fmph)") + "|*.fmph";
  const wxString path = m_user.ChooseFile(this, request);
  if (!path.empty()) Apply(m_session.OpenProject(path.utf8_string()));
}

void CMainMorphDlg::SaveProjectChosen() {
  IUserInteraction::FileRequest request;
  request.bSave = true;
  request.szDefaultExt = "fmph";
  request.szDefaultName = "*.fmph";
  request.szWildcard = _("项目文件 (*.fmph)") + "|*.fmph";
  const wxString path = m_user.ChooseFile(this, request);
  if (!path.empty()) Apply(m_session.SaveProject(path.utf8_string()));
}

void CMainMorphDlg::LoadPictureChosen(int nSlot) {
  const std::string path = ChooseImageFile(*this);
  if (!path.empty()) Apply(m_session.LoadPicture(nSlot, path));
}

void CMainMorphDlg::OpenHelp() {
  const std::string page = HelpPage();
  if (page.empty()) {
    m_user.Message(this, _("找不到帮助文件 help/index.html"), mainwin::kProductName, wxOK | wxICON_WARNING);
    return;
  }
  m_user.OpenUrl("file://" + wxString::FromUTF8(page));
}

void CMainMorphDlg::PopupPaneMenu(int nButtonId) {
  const int nPane = nButtonId == ids::kZoomButton1 ? 0 : nButtonId == ids::kZoomButton2 ? 1 : 2;
  CSkinButton* button = Button(nButtonId);
  if (!button) return;
  wxMenu menu;
  for (const menus::MenuItem& item : menus::ZoomMenu(nPane)) menu.Append(cmdmap::ToWx(item.nId), Tr(item.szText));
  button->SetMenuOpen(true);
  const int chosen = m_user.PopupMenu(button, menu, wxPoint(0, button->GetClientSize().y));
  button->SetMenuOpen(false);
  if (chosen != wxID_NONE) RunCommand(cmdmap::FromWx(chosen));
}

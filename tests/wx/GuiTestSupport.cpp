#include "tests/wx/GuiTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/evtloop.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include "app/CommandIdMap.h"
#include "app/RecoveryCopy.h"
#include "core/ProjectFile.h"
#include "app/wx/PaneCanvas.h"
#include "wizard/wx/Wizard.h"
#include "render/wx/GLView.h"

namespace guitest {

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
  wxGUIEventLoop loop;
  wxEventLoopActivator activate(&loop);
  wxStopWatch clock;
  while (clock.Time() < ms) {
    while (loop.Pending()) loop.Dispatch();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
    if (done()) return true;
    wxMilliSleep(2);
  }
  return done();
}

wxImage GrabScreen() {
  wxTheApp->ProcessPendingEvents();
  Pump(50);
  char name[] = "/tmp/kestrelle-grab-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return wxImage();
  close(fd);
  const std::string file = std::string(name) + ".png";
  const std::string command = "import -window root png24:" + file + " 2>/dev/null";
  wxImage image;
  if (std::system(command.c_str()) == 0) image.LoadFile(file, wxBITMAP_TYPE_PNG);
  std::remove(name);
  std::remove(file.c_str());
  return image;
}

void ClickControl(wxWindow* root, int id) {
  wxWindow* control = root->FindWindow(id);
  if (!control) {
    ADD_FAILURE() << "no control " << id;
    return;
  }
  wxCommandEvent event(wxEVT_BUTTON, id);
  if (auto* radio = dynamic_cast<wxRadioButton*>(control)) {
    radio->SetValue(true);
    event.SetEventType(wxEVT_RADIOBUTTON);
    event.SetInt(1);
  } else if (auto* check = dynamic_cast<wxCheckBox*>(control)) {
    check->SetValue(!check->GetValue());
    event.SetEventType(wxEVT_CHECKBOX);
    event.SetInt(check->GetValue() ? 1 : 0);
  }
  event.SetEventObject(control);
  control->GetEventHandler()->ProcessEvent(event);
}

void QueueClick(wxDialog& dialog, int nId) {
  wxWindow* button = dialog.FindWindow(nId);
  wxCommandEvent* event = new wxCommandEvent(wxEVT_BUTTON, nId);
  event->SetEventObject(button ? button : &dialog);
  wxQueueEvent(button ? button->GetEventHandler() : dialog.GetEventHandler(), event);
}

void ChooseComboItem(wxWindow* root, int id, int index) {
  auto* combo = dynamic_cast<wxComboBox*>(root->FindWindow(id));
  if (!combo || index < 0 || index >= static_cast<int>(combo->GetCount())) {
    ADD_FAILURE() << "no item " << index << " in combo box " << id;
    return;
  }
  combo->SetSelection(index);
  wxCommandEvent event(wxEVT_COMBOBOX, id);
  event.SetInt(index);
  event.SetString(combo->GetString(index));
  event.SetEventObject(combo);
  combo->GetEventHandler()->ProcessEvent(event);
}

MainWindowFixture::MainWindowFixture(const std::string& configText, int cw, int ch, const Prepare& prepare) {
  if (!configText.empty()) std::ofstream(m_folder.File("config.ini")) << configText;
  const std::string samples = BinDir() + "/samples";
  if (symlink(samples.c_str(), m_folder.File("samples").c_str()) != 0) ADD_FAILURE() << "no samples link";
  MainWindowOptions options;
  options.folders.szExeFolder = m_folder.Path();  // nothing installed, no user folder
  options.bMaximise = false;
  options.bStartupWizard = false;
  options.pUser = &m_user;
  if (prepare) prepare(options, m_user);
  auto* window = new CMainMorphDlg(options);
  m_pWindow = window;
  window->SetPosition(wxPoint(0, 0));
  window->SetClientSize(cw, ch);
  window->InitDialog();
  PumpUntil([window, cw, ch] { return window->Canvas()->GetClientSize() == wxSize(cw, ch); }, 2000);
  Pump(100);
}

MainWindowFixture::~MainWindowFixture() {
  if (m_pWindow) m_pWindow->Destroy();
  Pump(30);
}

void MainWindowFixture::Command(int id) {
  wxCommandEvent event(wxEVT_MENU, cmdmap::ToWx(id));
  m_pWindow->GetEventHandler()->ProcessEvent(event);
}

bool MainWindowFixture::WaitReady() {
  return PumpUntil([this] {
    CMainMorphDlg* w = m_pWindow.get();
    return w && w->Project().IsReady() && w->PreviewView() && w->PreviewView()->GetDrawCount() > 0 &&
           w->Project().m_nToolMode != ToolBusy && !ImageRect(0).IsEmpty() && !ImageRect(1).IsEmpty();
  }, 5000);
}

bool MainWindowFixture::Load(int nSlot, const std::string& path) {
  const SessionChange change = m_pWindow->Session().LoadPicture(nSlot, path);
  m_pWindow->Apply(change);
  return !change.bRefused;
}

const pane::PaneView& MainWindowFixture::View(int nPane) const { return m_pWindow->Session().Panes().View(nPane); }

const pane::WindowLayout& MainWindowFixture::Layout() const { return m_pWindow->Session().Panes().Layout(); }

pane::Bounds MainWindowFixture::ImageRect(int nPane) const {
  const ProjectSession& s = m_pWindow->Session();
  return s.Panes().VisibleRect(nPane, s.Sizes());
}

const pane::Bounds& MainWindowFixture::PreviewRect() const { return m_pWindow->Session().Panes().PreviewRect(); }

int MainWindowFixture::DrawnFrame() const {
  const CGLView* view = m_pWindow->PreviewView();
  return view && view->GetDrawCount() > 0 ? view->GetDrawnFrame().nCurFrame : -1;
}

// ---------------------------------------------------------------- the scripted user

int CScriptedUser::Message(wxWindow*, const wxString& text, const wxString& caption, long style) {
  m_messages.push_back({text.utf8_string(), caption.utf8_string()});
  return (style & wxYES_NO) ? m_nAnswer : wxOK;
}

wxString CScriptedUser::ChooseFile(wxWindow*, const FileRequest& request, int* pFilter) {
  m_fileRequests.push_back(request);
  const std::string path = m_szNextFile;
  m_szNextFile.clear();
  if (pFilter) *pFilter = m_nNextFilter;
  m_nNextFilter = 0;
  return wxString::FromUTF8(path);
}

bool CScriptedUser::OpenUrl(const wxString& url) {
  m_launched.push_back(url.utf8_string());
  return true;
}

int CScriptedUser::ShowModal(wxDialog& dialog) {
  if (auto* wizard = dynamic_cast<CWizard*>(&dialog); wizard && wizardScript) {
    wizard->Show();
    Pump(150);
    wizardScript(*wizard);
    wizard->Hide();
    return wizard->GetReturnCode();
  }
  if (onDialog) dialog.CallAfter([this, &dialog] { DialogEvent(dialog, "shown"); });
  return dialog.ShowModal();
}

void CScriptedUser::DialogEvent(wxDialog& dialog, const std::string& szWhat) {
  if (onDialog) onDialog(dialog, szWhat);
}

int CScriptedUser::PopupMenu(wxWindow*, wxMenu& menu, const wxPoint&) {
  return menuChooser ? menuChooser(menu) : wxID_NONE;
}

MainWindowFixture::Prepare InState(const std::string& stateHome, int nAnswer) {
  return [stateHome, nAnswer](MainWindowOptions& options, CScriptedUser& user) {
    options.folders.szXdgStateHome = stateHome;
    user.m_nAnswer = nAnswer;
  };
}

LeftCopy::LeftCopy() {
  MorphProject project;
  MakeReadyProject(project, dir, 360, 240, 360, 240);
  szProject = dir.File("journey.fmph");
  EXPECT_TRUE(SaveProject(project, szProject).ok());
  for (auto [x, y] : {std::pair{40, 30}, {300, 200}, {180, 60}, {90, 210}}) EXPECT_TRUE(project.AddPairAt(1, x, y).ok());
  project.m_nMorphType = 3;
  mesh = CaptureMeshState(project);
  RecoveryContent content;
  EXPECT_TRUE(ProjectFileBytes(project, content.project, project.m_szImagePath1, project.m_szImagePath2).ok());
  content.szProjectPath = szProject;
  content.nMorphType = 3;
  std::filesystem::create_directories(state.File("kestrelle"));
  szCopy = state.File("kestrelle/recovery-" + std::to_string(EndedProcessId()) + "-1.fmph");
  EXPECT_TRUE(recovery::WriteCopy(szCopy, content));
}

std::string WritePicture(const TempDir& dir, const std::string& name, int w, int h, int seed) {
  const std::string path = dir.File(name);
  const CPicture picture = MakePatternPicture(w, h, seed);
  if (!picture.Save(path, PICTURE_BMP)) ADD_FAILURE() << "cannot write " << path;
  return path;
}

}  // namespace guitest

#include "tests/wx/GuiTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
#include "app/wx/UiHooks.h"
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

bool SaveWindowShot(wxWindow* window, const std::string& name) {
  window->Raise();
  Pump(200);
  const wxImage screen = GrabScreen();
  if (!screen.IsOk()) return false;
  const wxRect area = window->GetScreenRect().Intersect(wxRect(0, 0, screen.GetWidth(), screen.GetHeight()));
  if (area.IsEmpty()) return false;
  const std::string path = BinDir() + "/../screenshot-" + name + ".png";
  if (!screen.GetSubImage(area).SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG)) return false;
  std::printf("screenshot: %s\n", path.c_str());
  return true;
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

MainWindowFixture::MainWindowFixture(const std::string& configText, int cw, int ch) {
  if (!configText.empty()) std::ofstream(m_folder.File("config.ini")) << configText;
  const std::string samples = BinDir() + "/samples";
  if (symlink(samples.c_str(), m_folder.File("samples").c_str()) != 0) ADD_FAILURE() << "no samples link";
  uihooks::g_message = [this](const wxString& text, const wxString& caption, long style) {
    m_messages.push_back({text.utf8_string(), caption.utf8_string()});
    return (style & wxYES_NO) ? m_nAnswer : wxOK;
  };
  uihooks::g_file = [this](const uihooks::FileRequest&) {
    const std::string path = m_szNextFile;
    m_szNextFile.clear();
    return wxString::FromUTF8(path);
  };
  uihooks::g_launch = [this](const wxString& url) {
    m_launched.push_back(url.utf8_string());
    return true;
  };
  MainWindowOptions options;
  options.folders.szExeFolder = m_folder.Path();  // nothing installed, no user folder
  options.bMaximise = false;
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
  uihooks::g_message = nullptr;
  uihooks::g_file = nullptr;
  uihooks::g_launch = nullptr;
}

void MainWindowFixture::Command(int id) {
  wxCommandEvent event(wxEVT_MENU, cmdmap::ToWx(id));
  m_pWindow->GetEventHandler()->ProcessEvent(event);
}

bool MainWindowFixture::WaitReady() {
  return PumpUntil([this] {
    CMainMorphDlg* w = m_pWindow.get();
    return w && w->Project().IsReady() && w->PreviewView() && w->PreviewView()->GetDrawCount() > 0 &&
           !w->ImageRect(0).IsEmpty() && !w->ImageRect(1).IsEmpty();
  }, 5000);
}

std::string WritePicture(const TempDir& dir, const std::string& name, int w, int h, int seed) {
  const std::string path = dir.File(name);
  const CPicture picture = MakePatternPicture(w, h, seed);
  if (!picture.Save(path, PICTURE_BMP)) ADD_FAILURE() << "cannot write " << path;
  return path;
}

}  // namespace guitest

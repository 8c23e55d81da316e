// Helpers of the window tests: a private X server, event pumping, screen grabs, and the
// main window in a program folder of its own with every modal question answered.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/image.h>
#include <wx/weakref.h>

#include "app/PaneGeometry.h"
#include "app/wx/ExportCommands.h"
#include "app/wx/MainMorphDlg.h"
#include "app/wx/PaneCanvas.h"
#include "ui/wx/SkinButton.h"
#include "support/EditFixtures.h"
#include "support/TestSupport.h"
#include "ui/wx/UserInteraction.h"

class CWizard;

namespace guitest {

// Runs the event loop for `ms` milliseconds (timers, paints, pending deletes).
void Pump(int ms);
// Pumps until `done` holds or `ms` pass; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int ms);
// The whole X screen as the server shows it.
wxImage GrabScreen();
// A click on control `id` below `root` as the control sends it: a button press, a radio
// button chosen, a check box toggled.
void ClickControl(wxWindow* root, int id);
// Chooses item `index` of combo box `id` below `root`, as the user's pick from its list.
void ChooseComboItem(wxWindow* root, int id, int index);

// Sends a click of the dialog's button `nId` through the event queue, as a user's click
// arrives.
void QueueClick(wxDialog& dialog, int nId);

struct Message {
  std::string szText, szCaption;
};

// The user as a script: every question, chooser, modal dialog and popup the window raises is
// answered here, so nothing modal ever waits.
class CScriptedUser : public CDesktopInteraction {
 public:
  int Message(wxWindow* parent, const wxString& text, const wxString& caption, long style) override;
  using CDesktopInteraction::ChooseFile;
  wxString ChooseFile(wxWindow* parent, const FileRequest& request, int* pFilter) override;
  bool OpenUrl(const wxString& url) override;
  // A wizard runs `wizardScript` without its modal loop when one is set; other dialogs run
  // modally and `onDialog` hears "shown" once they are up.
  int ShowModal(wxDialog& dialog) override;
  void DialogEvent(wxDialog& dialog, const std::string& szWhat) override;
  int PopupMenu(wxWindow* owner, wxMenu& menu, const wxPoint& pos) override;

  std::vector<guitest::Message> m_messages;
  int m_nAnswer = wxNO;      // answer to Yes/No questions
  std::string m_szNextFile;  // what the file chooser returns next
  int m_nNextFilter = 0;     // the file type it leaves chosen
  std::vector<FileRequest> m_fileRequests;
  std::vector<std::string> m_launched;
  std::function<void(wxDialog&, const std::string&)> onDialog;
  std::function<void(CWizard&)> wizardScript;
  std::function<int(wxMenu&)> menuChooser;  // the chosen item's id; none: the popup is dismissed
};

// A main window of 1016 x 700 client pixels at the screen's top-left corner, in a program
// folder holding config.ini (`configText`; empty: no file) and the built samples.
class MainWindowFixture {
 public:
  // `prepare` may change the window's options and the scripted answers before the window is made.
  using Prepare = std::function<void(MainWindowOptions&, CScriptedUser&)>;
  explicit MainWindowFixture(const std::string& configText = "[Config]\nShowWiz=0\n", int cw = 1016,
                             int ch = 700, const Prepare& prepare = nullptr);
  MainWindowFixture(const MainWindowFixture&) = delete;
  MainWindowFixture& operator=(const MainWindowFixture&) = delete;
  ~MainWindowFixture();

  CMainMorphDlg* operator->() const { return m_pWindow.get(); }
  CMainMorphDlg* Get() const { return m_pWindow.get(); }
  bool IsAlive() const { return m_pWindow.get() != nullptr; }
  // Sends a menu command as the menu does.
  void Command(int id);
  // Waits until both panes are painted and the preview set-up has run.
  bool WaitReady();
  // A picture loaded into slot 1 or 2 as the load command does once the file is chosen.
  bool Load(int nSlot, const std::string& path);

  // What the window's session holds.
  const pane::PaneView& View(int nPane) const;
  const pane::WindowLayout& Layout() const;
  pane::Bounds ImageRect(int nPane) const;
  const pane::Bounds& PreviewRect() const;
  // The frame the preview last drew (-1 before any draw).
  int DrawnFrame() const;

  const TempDir& Folder() const { return m_folder; }
  CScriptedUser& User() { return m_user; }
  CScriptedUser m_user;
  std::vector<Message>& m_messages = m_user.m_messages;
  int& m_nAnswer = m_user.m_nAnswer;
  std::string& m_szNextFile = m_user.m_szNextFile;
  std::vector<std::string>& m_launched = m_user.m_launched;

 private:
  TempDir m_folder;
  wxWeakRef<CMainMorphDlg> m_pWindow;
};

// A state folder of its own for the window, and the answer to its questions.
MainWindowFixture::Prepare InState(const std::string& stateHome, int nAnswer);

// A recovery copy as a program that ended left it in `state`: a saved project ("journey.fmph",
// pictures one.bmp and two.bmp in `dir`) with four more pairs and morph type 3.
struct LeftCopy {
  LeftCopy();
  TempDir dir, state;
  std::string szProject, szCopy;
  MeshState mesh;
};

// Picture file of a given size written into `dir`; returns its path.
std::string WritePicture(const TempDir& dir, const std::string& name, int w, int h, int seed);

}  // namespace guitest

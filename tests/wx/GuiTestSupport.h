// Helpers of the window tests: a private X server, event pumping, screen grabs, and the
// main window in a program folder of its own with every modal question answered.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/image.h>
#include <wx/weakref.h>

#include "app/wx/MainMorphDlg.h"
#include "support/TestSupport.h"

namespace guitest {

// Runs the event loop for `ms` milliseconds (timers, paints, pending deletes).
void Pump(int ms);
// Pumps until `done` holds or `ms` pass; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int ms);
// The whole X screen as the server shows it.
wxImage GrabScreen();
// The part of the screen that `window` covers, saved as build/screenshot-NAME.png (the
// build folder, above bin/); false when it could not be grabbed or written.
bool SaveWindowShot(wxWindow* window, const std::string& name);
// A click on control `id` below `root` as the control sends it: a button press, a radio
// button chosen, a check box toggled.
void ClickControl(wxWindow* root, int id);
// Chooses item `index` of combo box `id` below `root`, as the user's pick from its list.
void ChooseComboItem(wxWindow* root, int id, int index);

struct Message {
  std::string szText, szCaption;
};

// A main window of 1016 x 700 client pixels at the screen's top-left corner, in a program
// folder holding config.ini (`configText`; empty: no file) and the built samples.
class MainWindowFixture {
 public:
  explicit MainWindowFixture(const std::string& configText = "[Config]\nShowWiz=0\n", int cw = 1016,
                             int ch = 700);
  ~MainWindowFixture();

  CMainMorphDlg* operator->() const { return m_pWindow.get(); }
  CMainMorphDlg* Get() const { return m_pWindow.get(); }
  bool IsAlive() const { return m_pWindow.get() != nullptr; }
  // Sends a menu command as the menu does.
  void Command(int id);
  // Waits until both panes are painted and the preview set-up has run.
  bool WaitReady();

  const TempDir& Folder() const { return m_folder; }
  std::vector<Message> m_messages;
  int m_nAnswer = wxNO;           // answer to Yes/No questions
  std::string m_szNextFile;       // what the file dialog returns next
  std::vector<std::string> m_launched;

 private:
  TempDir m_folder;
  wxWeakRef<CMainMorphDlg> m_pWindow;
};

// Picture file of a given size written into `dir`; returns its path.
std::string WritePicture(const TempDir& dir, const std::string& name, int w, int h, int seed);

}  // namespace guitest

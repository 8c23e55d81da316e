// CMorphApp: one instance per user, the main window, nothing else.
#pragma once

#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/snglinst.h>

class CMainMorphDlg;
class IUserInteraction;

// False (after telling the user) when another instance holding `name` runs.
bool AcquireSingleInstance(wxSingleInstanceChecker& checker, const wxString& name, IUserInteraction& ui);
// Name of the instance lock of this user.
wxString InstanceName();
// Start-up common to the program and its window tests: locale, image handlers, artwork.
void InitialiseWindowSystem();

class CMorphApp : public wxApp {
 public:
  bool OnInit() override;
  int OnExit() override;
  // Project to open once the window stands (from the command line).
  static void SetOpenFile(const std::string& path) { s_szOpenFile = path; }

 private:
  std::unique_ptr<wxSingleInstanceChecker> m_pChecker;
  // SIGTERM and SIGHUP, handled on the event loop: the recovery copy first, then the end
  // the signal asks for.
  static void OnEndSignal(int nSignal);
  static std::string s_szOpenFile;
};

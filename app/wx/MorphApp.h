// CMorphApp: one instance per user, the main window, nothing else.
#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/snglinst.h>

class CMainMorphDlg;

// False (after telling the user) when another instance holding `name` runs.
bool AcquireSingleInstance(wxSingleInstanceChecker& checker, const wxString& name);
// Name of the instance lock of this user.
wxString InstanceName();
// Start-up common to the program and its window tests: locale, image handlers, artwork.
void InitialiseWindowSystem();

class CMorphApp : public wxApp {
 public:
  bool OnInit() override;
  int OnExit() override;

 private:
  std::unique_ptr<wxSingleInstanceChecker> m_pChecker;
};

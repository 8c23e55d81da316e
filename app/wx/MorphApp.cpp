#include "app/wx/MorphApp.h"

#include <clocale>
#include <csignal>
#include <cstdlib>

#include <wx/image.h>
#include <wx/uilocale.h>
#include <wx/utils.h>

#include "app/wx/MainMorphDlg.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"
#include "ui/wx/WindowReport.h"
#include "core/AppFolders.h"
#include "core/ProjectFile.h"

#if defined(KESTRELLE_HAVE_ART) && __has_include("art/Artwork.h")
#include "art/Artwork.h"
#define KESTRELLE_REGISTER_ART 1
#endif

bool AcquireSingleInstance(wxSingleInstanceChecker& checker, const wxString& name, IUserInteraction& ui) {
  if (!checker.Create(name) || checker.IsAnotherRunning()) {
    ui.Message(nullptr, _("Application already has run!"), _("Warning"), wxOK | wxICON_WARNING);
    return false;
  }
  return true;
}

wxString InstanceName() { return "kestrelle-" + wxGetUserId(); }

void InitialiseWindowSystem() {
  // UTF-8 text everywhere; the program starts in the "C" locale otherwise.
  if (!wxUILocale::UseDefault()) std::setlocale(LC_CTYPE, "C.UTF-8");
  wxInitAllImageHandlers();
#ifdef KESTRELLE_REGISTER_ART
  RegisterArtwork();
#endif
}

std::string CMorphApp::s_szOpenFile;

bool CMorphApp::OnInit() {
  InitialiseWindowSystem();
  // The user's language; tests choose theirs themselves.
  UseUiLanguage(ChooseUiLanguage(CurrentUiLanguageEnv(), LocaleFolders(CurrentAppFolders())));
  m_pChecker = std::make_unique<wxSingleInstanceChecker>();
  if (!AcquireSingleInstance(*m_pChecker, InstanceName(), CDesktopInteraction::Instance())) return false;
  MainWindowOptions options;
  options.folders = CurrentAppFolders();
  options.szOpenFile = s_szOpenFile;
  auto* frame = new CMainMorphDlg(options);
  SetTopWindow(frame);
  frame->InitDialog();
  // A file-size limit makes a write fail with a message instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  for (int sig : {SIGTERM, SIGHUP}) SetSignalHandler(sig, &CMorphApp::OnEndSignal);
  // Tools that drive the program from outside read its windows from this report.
  if (const char* report = std::getenv("KESTRELLE_WINDOW_REPORT")) StartWindowReport(report);
  return true;
}

void CMorphApp::OnEndSignal(int nSignal) {
  if (auto* frame = dynamic_cast<CMainMorphDlg*>(wxTheApp->GetTopWindow())) frame->SaveRecoveryForSignal();
  // Ends as the signal would have, without the window's normal exit (which drops the copy).
  std::signal(nSignal, SIG_DFL);
  std::raise(nSignal);
}

int CMorphApp::OnExit() {
  m_pChecker.reset();
  return wxApp::OnExit();
}

// CMainMorphDlg: the main window's frame. It builds the menus from their table, turns every
// menu command, button, key and timer into one call of the project session, and applies what
// the call changed in one place (Apply). The picture panes live on the canvas, the buttons and
// read-outs in the control panel, the export dialogs in the export commands.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include <wx/frame.h>
#include <wx/timer.h>

#include "app/AppConfig.h"
#include "app/ProjectSession.h"
#include "core/AppFolders.h"
#include "editor/Playback.h"

class CControlPanel;
class CExportCommands;
class CGLView;
class CPaneCanvas;
class CRecoveryKeeper;
class CSkinButton;
class IUserInteraction;
class wxScrollBar;
class wxTextCtrl;

struct MainWindowOptions {
  AppFolderInputs folders;  // where config.ini, samples/ and help/ are looked up
  std::string szOpenFile;   // a project named on the command line, opened at start-up
  bool bMaximise = true;
  bool bStartupWizard = true;  // config.ini's switch runs the wizard once the window stands
  IUserInteraction* pUser = nullptr;  // message boxes, choosers, dialogs; null: the desktop's
};

class CMainMorphDlg : public wxFrame {
 public:
  explicit CMainMorphDlg(const MainWindowOptions& options);
  ~CMainMorphDlg() override;

  // Start-up once the window exists: config.ini, the project from the command line, and the
  // wizard once the window stands at its final size on the screen.
  void InitDialog();
  // The new-project wizard, run modally; at start-up a cancelled wizard closes the project.
  void RunWizard(bool bAtStartup);
  bool WizardRequested() const { return m_bWizardRequested; }
  // The program was told to end (logout, a termination request): the recovery copy of
  // unsaved edits is written at once and kept, an export's temporaries go.
  void SaveRecoveryForSignal();
  // A command as its menu item, button or the wizard sends it.
  void RunCommand(int nCommand);
  // The one place where what an operation changed reaches the window.
  void Apply(const SessionChange& change);
  // The preview draws again once the events queued now are handled (a dialog closed over it).
  void RestartPreviewRedraw() { m_timerRedraw.StartOnce(1); }

  // ---- for the window's tests and benchmarks ----
  ProjectSession& Session() { return m_session; }
  const MorphProject& Project() const { return m_session.Project(); }
  CPaneCanvas* Canvas() const { return m_pCanvas; }
  CControlPanel& Panel() const { return *m_pPanel; }
  CExportCommands& Export() const { return *m_pExport; }
  CGLView* PreviewView() const;
  wxScrollBar* ScrollBar(int nBarId) const;
  CSkinButton* Button(int nId) const;
  wxTextCtrl* FrameCountEdit() const;
  const StartupConfig& Config() const { return m_config; }
  IUserInteraction& User() const { return m_user; }
  const AppFolderInputs& Folders() const { return m_options.folders; }
  std::string SamplesFolder() const;
  std::string HelpPage() const;
  // This process's recovery copy, or null when the user has no state folder.
  CRecoveryKeeper* Recovery() const { return m_pRecovery.get(); }

 private:
  void CreateMenus();
  void ApplyMenus();
  void ShowMessage(const std::string& text, SessionChange::MessageKind kind);
  void StartWhenPlaced();
  // Copies of unsaved projects left by a program that ended: offered one by one, newest
  // first, until one is restored. True when one was.
  bool OfferRecovery();
  void OnStartupPoll(wxTimerEvent& event);

  void OnClose(wxCloseEvent& event);
  // The close the user confirmed, once no export is on the stack.
  void FinishClose();
  void OnTimerCloseAfterExport(wxTimerEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnMenu(wxCommandEvent& event);
  void OnButton(wxCommandEvent& event);
  void OnTimerRedraw(wxTimerEvent& event);
  void OnTimerSetup(wxTimerEvent& event);
  void OnTimerPlay(wxTimerEvent& event);
  void OnTimerBlink(wxTimerEvent& event);
  void OnTimerBlinkEnd(wxTimerEvent& event);

  void OpenProjectChosen();
  void LoadPictureChosen(int nSlot);
  void SaveProjectChosen();
  void OpenHelp();
  void PopupPaneMenu(int nButtonId);
  // Automatic key points: the engine runs on a worker thread, the result comes back here.
  void StartAutoKey();

  MainWindowOptions m_options;
  IUserInteraction& m_user;
  StartupConfig m_config;
  bool m_bWizardRequested = false;
  ProjectSession m_session;

  CPaneCanvas* m_pCanvas = nullptr;
  std::unique_ptr<CControlPanel> m_pPanel;
  std::unique_ptr<CExportCommands> m_pExport;
  std::thread m_autoKeyThread;
  std::string m_szRecoveryFolder;
  std::unique_ptr<CRecoveryKeeper> m_pRecovery;

  wxTimer m_timerRedraw, m_timerOpenSetup, m_timerLoadSetup;
  wxTimer m_timerPlay, m_timerBlink, m_timerBlinkEnd, m_timerStartup, m_timerCloseAfterExport;
  PlaybackBeat m_playBeat;  // the play timer runs one-shot, on this beat
  long long m_nStartupSince = 0;
  wxSize m_lastStartupSize;
  bool m_bMaximiseAsked = false;

  wxDECLARE_EVENT_TABLE();
};

// Dialog texts and file requests the window's command files share.
namespace mainwin {
inline constexpr const char* kProductName = "Kestrelle";
}

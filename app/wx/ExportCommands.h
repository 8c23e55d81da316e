// The main window's export commands: output sizes and the custom-size dialog, the settings
// dialog, the output dialog with the run it starts, and the single-frame picture. The run
// itself is the output library's; this class supplies its callbacks (preview, slider, pump,
// cancel, codec choice) and shows its result.
#pragma once

#include <string>

#include "output/OutputDialogRules.h"
#include "output/OutputRun.h"

class CDLGSCALE;
class CMainMorphDlg;
class COUTPUTDlg;
class IUserInteraction;
class ProjectSession;

class CExportCommands {
 public:
  CExportCommands(CMainMorphDlg& window, ProjectSession& session, IUserInteraction& ui);
  ~CExportCommands();

  // A size command (Animation menu, the size button and its popup, the second id set);
  // false for any other command.
  bool RunSizeCommand(int nCommand);
  // An output button, the AVI menu item, the single frame or the settings; false for others.
  bool RunOutputCommand(int nCommand);

  // An output command is under way (its dialog open, a run going): the window must not go
  // before it has returned.
  bool CommandActive() const { return m_nActive > 0; }
  // The window is closing: a run stops at its next frame, an open output dialog closes.
  void EndForClose();

  // ---- for the window's tests ----
  bool RunBusy() const { return m_bRunBusy; }
  const OutputRunResult& LastRun() const { return m_lastRun; }
  COUTPUTDlg* Dialog() const { return m_dlgOutput; }

 private:
  void OpenOutputDialog(int nCommand);
  void SaveSingleFrame();
  void Settings();
  void SizePopup();
  bool AskCustomSize(int& w, int& h);  // false when the dialog was cancelled
  void StartRun();
  OutputRunCallbacks MakeCallbacks();
  OutputRunResult Run(int nFormat, const OutputRunCallbacks& callbacks);
  std::string TemplateFolder() const;
  // The save chooser of an output; "" when cancelled.
  std::string ChooseOutputFile(const OutputFileChoice& choice);

  CMainMorphDlg& m_window;
  ProjectSession& m_session;
  IUserInteraction& m_ui;
  COUTPUTDlg* m_dlgOutput = nullptr;  // children of the window, shown modally each time
  CDLGSCALE* m_dlgScale = nullptr;
  std::string m_szOutputPath;
  bool m_bOutputRunning = false;  // set when a file is picked, cleared by Cancel / Close
  bool m_bRunBusy = false;        // a run is going: no second one starts
  int m_nActive = 0;              // output commands on the stack
  OutputRunResult m_lastRun;
  CPreviewFollowBudget m_previewBudget;  // how often the preview follows a run
};

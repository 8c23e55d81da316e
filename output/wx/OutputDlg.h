// COUTPUTDlg "动画输出": shows the current settings of an export, asks for the file, starts the
// run once through a one-shot timer and shows its progress and results. The run itself lives
// in the main window; the dialog talks to it only through the callbacks below.
#pragma once

#include <functional>
#include <string>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "output/OutputDialogRules.h"
#include "output/OutputRun.h"

class CTextProgress;
class IUserInteraction;

class COUTPUTDlg : public wxDialog {
 public:
  enum {
    kProgress = 1032, kOutputButton = 1033, kFormatStatic = 1035, kFramesStatic = 1036, kSpeedStatic = 1037,
    kLengthStatic = 1085, kResultFrames = 1038, kResultTime = 1039, kResultSpeed = 1040, kResultFile = 1041,
    kSettingsButton = 3, kHelpButton = 4,
  };
  COUTPUTDlg(wxWindow* parent, OutputSettingsTable& records, IUserInteraction& ui);

  // What the window supplies. chooseFile returns the chosen path ("" when cancelled).
  std::function<std::string(const OutputFileChoice& choice)> chooseFile;
  std::function<void(const std::string& szPath)> onArmed;  // a file was picked
  std::function<void()> onStartRun;                        // the one-shot timer fired
  std::function<void()> onCancel;                          // Cancel / Close pressed
  std::function<void()> onHelp;

  // Opens the dialog modally for a format, with the speed and N the window gives.
  int Open(int nFormat, int nSpeed, int nFrames);

  // ---- what the run calls
  void SetProgress(int nPercent);
  void ShowResults(const OutputStatistics& stats);
  void ShowFailed();

  // ---- state, for the window tests
  wxString StaticText(int nId) const;
  bool OutputEnabled() const { return m_pOutput->IsEnabled(); }
  int ProgressPos() const;
  bool IsArmed() const { return m_bArmed; }

 private:
  void OnOutput(wxCommandEvent& event);
  void OnSettings(wxCommandEvent& event);
  void OnCancel(wxCommandEvent& event);
  void OnHelp(wxCommandEvent& event);
  void OnTimer(wxTimerEvent& event);
  void SetStatic(int nId, const wxString& text);

  OutputSettingsTable& m_records;
  IUserInteraction& m_ui;
  int m_nFormat = 0, m_nSpeed = 0, m_nFrames = 0;
  bool m_bArmed = false;
  CTextProgress* m_progress = nullptr;
  wxButton* m_pOutput = nullptr;
  wxButton* m_pSettings = nullptr;
  wxButton* m_pHelp = nullptr;
  wxButton* m_pCancel = nullptr;
  wxTimer m_timer;
  std::string m_szFileTitle;
  std::string m_szFilePath;
};

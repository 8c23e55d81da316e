// CMainMorphDlg: the main window. It owns the open project, the three panes with their zoom
// and scroll state, the preview view and the skinned controls, and turns menu commands,
// button clicks, scroll messages and timers into calls of the project core and the pane
// arithmetic. Painting happens on one child canvas that fills the client area.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include <wx/bitmap.h>
#include <wx/cursor.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/scrolbar.h>
#include <wx/timer.h>

#include "app/AppConfig.h"
#include "app/wx/UiHooks.h"
#include "core/AppFolders.h"
#include "core/MorphProject.h"
#include "editor/EditHistory.h"
#include "editor/KeyPointEditor.h"
#include "editor/PaneComposer.h"
#include "editor/PaneGeometry.h"
#include "editor/Playback.h"
#include "output/OutputDialogRules.h"
#include "output/OutputRun.h"
#include "output/OutputSettings.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/SkinSlider.h"

class CGLView;
class wxDC;
class wxTextCtrl;
namespace autokey {
struct AutoKeyOutcome;
}
class COUTPUTDlg;
class CDLGSCALE;
struct OutputSizeCommand;

struct MainWindowOptions {
  AppFolderInputs folders;  // where config.ini, samples/ and help/ are looked up
  std::string szOpenFile;   // a project named on the command line, opened at start-up
  bool bMaximise = true;
};

class CMainMorphDlg : public wxFrame, public ISkinBackground {
 public:
  explicit CMainMorphDlg(const MainWindowOptions& options);
  ~CMainMorphDlg() override;

  // Start-up after the window exists: config.ini and the wizard switch.
  void InitDialog();

  // ---- operations the commands run (tests call them too) ----
  bool LoadImageFile(int slot, const std::string& path);
  bool OpenProjectFile(const std::string& path);
  bool OpenSample(int nCommand);
  bool SaveProjectFile(const std::string& path);
  void CloseProject();
  void ApplyOutputSize(int w, int h);
  void SetPaneZoomCommand(int nPane, float fZoom);  // 0: best fit
  void ZoomStepAt(int nPane, bool bZoomIn);
  // A scroll bar message as the bar sends it (code of pane::ScrollCode, thumb position).
  void ScrollPane(int nBarId, int nCode, int nThumb);
  // The new-project wizard, run modally; at start-up a cancelled wizard closes the project.
  void RunWizard(bool bAtStartup);

  // ---- state, for the window's tests ----
  MorphProject& Project() { return m_project; }
  const pane::PaneView& View(int nPane) const { return m_view[nPane]; }
  const pane::WindowLayout& Layout() const { return m_layout; }
  const pane::Bounds& ImageRect(int nPane) const { return m_rcImage[nPane]; }
  const pane::Bounds& PreviewRect() const { return m_rcPreview; }
  CGLView* PreviewView() const { return m_viewMorph; }
  wxWindow* Canvas() const { return m_pCanvas; }
  wxScrollBar* ScrollBar(int nBarId) const;
  CSkinButton* Button(int nId) const;
  bool WizardRequested() const { return m_bWizardRequested; }
  const StartupConfig& Config() const { return m_config; }
  int PaintCount() const { return m_nPaintCount; }
  // The window's own image of its client area as last painted (backdrop plus panes).
  wxBitmap RenderClientForTest();
  // The benchmarks time these passes alone; a recomposed pass redraws background and frames.
  void RunLayoutPass(bool bRecompose) {
    if (bRecompose) m_bmpBackdrop = wxBitmap();
    m_bFullRepaint = true;
    LayoutPass();
  }
  void RunPreviewRedraw() { RedrawPreview(); }

  const CommandHistory& History() const { return m_history; }
  const editor::KeyPointEditor& Editor() const { return m_editor; }
  const PlaybackController& Playback() const { return m_playback; }
  wxTextCtrl* FrameCountEdit() const { return m_editFrameCount; }
  const std::string& ProjectPath() const { return m_szProjectPath; }
  bool AutoKeyRunning() const { return m_bAutoKeyRunning; }

  // Exporting: the settings records, the running flag and the last run's result.
  OutputSettingsTable& OutputSettingsRecords() { return m_aOutputSettings; }
  int OutputFormat() const { return m_nOutputFormat; }
  int OutputSpeed() const { return m_nOutputSpeed; }
  bool OutputRunBusy() const { return m_bOutputRunBusy; }
  const OutputRunResult& LastOutputRun() const { return m_lastOutputRun; }

  // ISkinBackground
  wxBitmap CaptureBackground(const wxRect& rect) override;

 private:
  // Construction.
  void CreateMenus();
  void CreateControls();
  wxMenu* MakeZoomMenu(int nPane) const;

  // Layout and painting.
  void OnCanvasPaint(wxPaintEvent& event);
  void LayoutPass();
  void ComposeBackdrop();
  void PlaceButtonGroups();
  void LayoutInfoBars();
  void PaintImagePane(wxDC& dc, int nPane);
  void DrawPaneOverlay(int nPane, wxBitmap& bmp);
  void UpdateImagePane(int nPane);
  void UpdatePreviewPane();
  void PlaceScrollBar(int nBarId, const pane::Rect& rc, int pos, int page, int max);
  void InvalidatePane(int nPane);

  // Project flow.
  void FitLoadedPane(int nPane);
  void EnterReadyState(int nTimerId);
  void EnableProjectCommands(bool bEnable);
  void EnableButtonGroups(bool bEnable);
  void SelectTool(int nTool);
  void UpdateCheckMarks();
  void PreviewSetup(bool bDrawNow);
  void RedrawPreview();
  void ShowResult(const CommandResult& result);
  std::string SamplesFolder() const;
  std::string HelpPage() const;

  // Event handlers.
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnExit(wxCommandEvent& event);
  void OnOpenProject(wxCommandEvent& event);
  void OnSample(wxCommandEvent& event);
  void OnCloseProject(wxCommandEvent& event);
  void OnSaveProject(wxCommandEvent& event);
  void OnLoadImage1(wxCommandEvent& event);
  void OnLoadImage2(wxCommandEvent& event);
  void OnShowTriangles(wxCommandEvent& event);
  void OnOutputSize(wxCommandEvent& event);
  void OnMorphType(wxCommandEvent& event);
  void OnZoomMenu(wxCommandEvent& event);
  void OnTool(wxCommandEvent& event);
  void OnPlayback(wxCommandEvent& event);
  void OnHelp(wxCommandEvent& event);
  void OnAbout(wxCommandEvent& event);
  void OnScroll(wxScrollEvent& event);
  void OnTimerRedraw(wxTimerEvent& event);
  void OnTimerOpenSetup(wxTimerEvent& event);
  void OnTimerLoadSetup(wxTimerEvent& event);

  // New-project wizard (MainMorphWizard.cpp).
  class CWizardHost;  // the wizard's view of this window
  void OnNewWizard(wxCommandEvent& event);
  void ApplyWizardFrameCount(int n);
  static uihooks::FileRequest OpenImageRequest();

  // Key-point editing, undo and playback (MainMorphEdit.cpp): each event becomes one call of
  // the editor, the history or the playback controller, and the window applies the outcome.
  void CreateEditControls();
  editor::EditPanes CurrentEditPanes() const;
  void ApplyEdit(const editor::EditOutcome& outcome);
  void ApplyPlayback(const PlaybackUpdate& update, bool bDrawNow = true);
  void AfterProjectReplaced(bool bSaved);
  void UpdateEditMenu();
  const wxCursor& ProjectCursor(int nPictureId);
  void OnCanvasLeftDown(wxMouseEvent& event);
  void OnCanvasMotion(wxMouseEvent& event);
  void OnCanvasLeftUp(wxMouseEvent& event);
  void OnCanvasCaptureLost(wxMouseCaptureLostEvent& event);
  void OnCanvasSetCursor(wxSetCursorEvent& event);
  void OnFrameCountKillFocus(wxFocusEvent& event);
  void OnUndo(wxCommandEvent& event);
  void OnRedo(wxCommandEvent& event);
  void OnTimerPlay(wxTimerEvent& event);
  void OnTimerBlink(wxTimerEvent& event);
  void OnTimerBlinkEnd(wxTimerEvent& event);
  // Automatic key points: the engine runs on a worker thread, the result comes back here.
  void OnAutoKey(wxCommandEvent& event);
  void AutoKeyDone(const autokey::AutoKeyOutcome& outcome);
  void EnableAutoKey();

  // Exporting (MainMorphOutput.cpp).
  void OnOutputCommand(wxCommandEvent& event);
  void OnOutputFrameImage(wxCommandEvent& event);
  void OnOutputSettings(wxCommandEvent& event);
  void OnSizeButton(wxCommandEvent& event);
  void ChooseOutputSize(const OutputSizeCommand& command);
  bool OnSizeCustom(int& w, int& h);  // false when the dialog was cancelled
  void OnOutputRun();
  COUTPUTDlg* OutputDialog();
  OutputRunCallbacks MakeRunCallbacks();
  OutputRunResult RunExport(const OutputRunCallbacks& callbacks);  // m_nOutputFormat to m_szOutputPath
  std::string TemplateFolder() const;

  MainWindowOptions m_options;
  StartupConfig m_config;
  bool m_bWizardRequested = false;

  MorphProject m_project;
  CommandHistory m_history;
  editor::KeyPointEditor m_editor{m_project, m_history};
  PlaybackController m_playback{m_project};
  std::string m_szProjectPath;  // the file the project was opened from or saved to
  std::array<pane::PaneView, 3> m_view;
  pane::WindowLayout m_layout;
  std::array<pane::Bounds, 2> m_rcImage;
  pane::Bounds m_rcPreview;
  std::array<PaneImage, 2> m_paneImage;
  bool m_bRedrawImages = true;
  bool m_bFullRepaint = true;
  int m_nPaintCount = 0;

  wxWindow* m_pCanvas = nullptr;
  CGLView* m_viewMorph = nullptr;
  wxBitmap m_bmpBackdrop;  // background and skin frames at the current client size
  std::array<wxBitmap, 16> m_skin;  // pictures 249..264 (missing ones stay invalid)

  std::array<CSkinPicButton*, 6> m_btnTool{};
  std::array<CSkinPicButton*, 5> m_btnPlay{};    // 1003, 1013, 1014, 1001, 1
  std::array<CSkinPicButton*, 6> m_btnOutput{};  // 1018, 1040, 1035, 1036, 1037, 1038
  CSkinPicButton* m_btnLoad1 = nullptr;
  CSkinButton* m_btnLoad2 = nullptr;
  std::array<CSkinButton*, 2> m_btnZoom{}, m_btnSize{}, m_btnPosition{}, m_btnPath{};
  CSkinButton* m_btnSize3 = nullptr;
  CSkinButton* m_btnZoom3 = nullptr;
  CSkinButton* m_btnCurFrame = nullptr;
  CSkinButton* m_btnFrameCount = nullptr;
  CSkinButton* m_btnMoreFrames = nullptr;
  CSkinButton* m_btnFewerFrames = nullptr;
  CSkinSlider* m_sliderFrame = nullptr;
  std::array<wxScrollBar*, 6> m_scroll{};  // 1015, 1016, 1033, 1021, 1034, 1022

  wxTextCtrl* m_editFrameCount = nullptr;  // 1056, shown over the frame-count read-out
  std::array<wxBitmap, 3> m_bmpMarker;      // normal, hot, proposed; 6 x 6
  std::map<int, wxCursor> m_cursors;        // project cursors by picture id, made on first use
  CSkinPicButton* m_btnAutoKey = nullptr;
  std::thread m_autoKeyThread;
  bool m_bAutoKeyRunning = false;
  int m_nToolBeforeAutoKey = ToolSelect;

  wxTimer m_timerRedraw, m_timerOpenSetup, m_timerLoadSetup;
  wxTimer m_timerPlay, m_timerBlink, m_timerBlinkEnd;
  PlaybackBeat m_playBeat;  // the play timer runs one-shot, on this beat

  OutputSettingsTable m_aOutputSettings = DefaultOutputSettings();
  int m_nOutputFormat = ImageSequence;
  int m_nOutputSpeed = kDefaultOutputSpeed;
  std::string m_szOutputPath;
  bool m_bOutputRunning = false;  // set when a file is picked, cleared by Cancel / Close
  bool m_bOutputRunBusy = false;  // a run is going: no second one starts
  OutputRunResult m_lastOutputRun;
  COUTPUTDlg* m_dlgOutput = nullptr;  // children of the window, shown modally each time
  CDLGSCALE* m_dlgScale = nullptr;
  CPreviewFollowBudget m_previewBudget;  // how often the preview follows a run

  wxDECLARE_EVENT_TABLE();
};

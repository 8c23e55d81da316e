// ProjectSession: the one owner of what the main window shows and edits. It holds the open
// project with its file path, the edit history, the key-point editor, playback, the three
// panes' zoom and scroll state and the export choices. Every user operation is one call that
// returns what changed (SessionChange); the window applies that in one place and reads the
// values it shows from here. No window code is involved, so a test of the session alone proves
// what a click changes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/PaneViews.h"
#include "app/RecoveryCopy.h"
#include "app/SessionChange.h"
#include "core/MorphProject.h"
#include "editor/EditHistory.h"
#include "editor/KeyPointEditor.h"
#include "editor/Playback.h"
#include "output/OutputSettings.h"

struct OutputSizeCommand;

class ProjectSession {
 public:
  ProjectSession();
  ProjectSession(const ProjectSession&) = delete;
  ProjectSession& operator=(const ProjectSession&) = delete;

  // ---- the project as a whole ----
  SessionChange OpenProject(const std::string& path);
  // A sample by its menu command; `samplesFolder` holds the sample files.
  SessionChange OpenSample(int nCommand, const std::string& samplesFolder);
  SessionChange LoadPicture(int nSlot, const std::string& path);
  // One picture into both slots, morph type 2 (the wizard's single-picture project).
  SessionChange LoadWarpPicture(const std::string& path);
  SessionChange CloseProject();
  SessionChange SaveProject(const std::string& path);
  // The one-shot preview set-up after a project became ready (timers 2 and 8): middle frame,
  // output size of image1, the preview at image1's zoom, tools enabled.
  SessionChange PreviewSetup();
  // A cancelled start-up wizard: morph type 1, then the project closed.
  SessionChange ResetProject();
  // Opens a recovery copy: its pairs and morph type, unsaved, under the project's own file
  // name so that a save goes where the user expects. Refused (nothing changed) when the copy
  // or its pictures cannot be read.
  SessionChange RestoreRecovery(const RecoveryCopy& copy);
  // What a recovery copy must hold now: the project with absolute picture paths while it has
  // edits not saved, else nothing.
  RecoveryContent RecoveryState() const;

  // ---- the window ----
  SessionChange Resize(int cw, int ch);
  // Everything shown again as it stands (a window made or re-made).
  SessionChange Redraw();
  SessionChange SetPaneZoom(int nPane, float fZoom);  // 0: best fit
  SessionChange Scroll(int nBarId, int nCode, int nThumb);

  // ---- key-point editing (client coordinates) ----
  SessionChange LeftDown(int x, int y);
  SessionChange PointerMoved(int x, int y);
  SessionChange LeftUp();
  SessionChange BlinkTick();
  SessionChange BlinkEnd();
  editor::Cursor CursorAt(int x, int y, bool bInFrameCountEntry) const;
  SessionChange SelectToolButton(int nButtonId);
  SessionChange ToggleTriangles();
  SessionChange ChooseMorphType(int nType);
  SessionChange Undo();
  SessionChange Redo();
  // Automatic key points: the engine runs elsewhere; meanwhile the panes take no edits.
  SessionChange AutoKeyStarted();
  // The proposals arrive as one edit command (null: none); it runs as one undo step.
  SessionChange AutoKeyFinished(std::unique_ptr<EditCommand> command);
  bool AutoKeyRunning() const { return m_bAutoKeyRunning; }

  // ---- playback ----
  SessionChange PlayPause();
  SessionChange PlayTick();
  SessionChange FirstFrame();
  SessionChange LastFrame();
  SessionChange NextFrame();
  SessionChange PreviousFrame();
  SessionChange ToggleLoopPlay();
  SessionChange ToggleLoopBack();
  SessionChange SliderScrolled(int nCode, int nPosition);
  SessionChange MoreFrames();
  SessionChange FewerFrames();
  SessionChange SetFrameCount(int n);
  SessionChange OpenFrameCountEntry();
  SessionChange FrameCountEntryLostFocus();
  // Return anywhere in the window commits an open entry with its text.
  SessionChange ReturnPressed(const std::string& szEntryText);
  // An export shows frame k on its way.
  SessionChange ShowExportFrame(int nFrame);

  // ---- output ----
  // A size command after its size is known (the custom dialog ran already): refused with a
  // message when no run could render it.
  SessionChange ApplyOutputSize(int nWidth, int nHeight);
  // What an output-size command asks for with the current pictures.
  OutputSizeCommand ResolveSizeCommand(int nCommand) const;
  OutputSettingsTable& OutputSettingsRecords() { return m_aOutputSettings; }
  int m_nOutputFormat = ImageSequence;
  int m_nOutputSpeed = kDefaultOutputSpeed;

  // ---- what the window shows ----
  const MorphProject& Project() const { return m_project; }
  MorphProject& MutableProject() { return m_project; }  // the tests' and the wizard's set-up
  const std::string& ProjectPath() const { return m_szProjectPath; }
  const CommandHistory& History() const { return m_history; }
  const editor::KeyPointEditor& Editor() const { return m_editor; }
  const PlaybackController& Playback() const { return m_playback; }
  const CPaneViews& Panes() const { return m_panes; }
  PaneSizes Sizes() const;
  // The frame the preview, the slider and the read-out show, within 0..N. It is the current
  // frame k, except while playing: a tick shows k and then steps.
  int Frame() const;
  int FrameCount() const { return m_project.m_nFrameCount; }
  bool IsReady() const { return m_project.IsReady(); }
  // Changes whenever a picture is replaced: the preview uploads its textures again.
  uint64_t PictureGeneration() const { return m_nPictureGeneration; }
  // Menu commands that need a project are live once a project was ready.
  bool CommandsEnabled() const { return m_bCommandsEnabled; }
  // The tool, playback and output buttons are enabled once both pictures were present.
  bool ButtonsEnabled() const { return m_bButtonsEnabled; }
  bool IsPlaying() const { return m_playback.IsPlaying(); }
  const std::string& PositionText(int nPane) const { return m_szPosition[nPane]; }
  const std::string& EntryText() const { return m_szEntryText; }
  std::string Title(const std::string& szProduct) const;

 private:
  SessionChange Apply(const editor::EditOutcome& outcome);
  SessionChange Apply(const PlaybackUpdate& update);
  // After an open or a sample: the history goes, both panes fit, the switches go on.
  SessionChange ProjectOpened(const std::string& path);
  SessionChange PictureLoaded(int nSlot);
  void EnterReady(SessionChange& change, int nSetupTimer);
  void ShowCurrentFrame(SessionChange& change);
  void FollowFrame(SessionChange& change, int nFrameBefore);
  SessionChange Layout();
  void LaidOut(SessionChange& change);

  MorphProject m_project;
  CommandHistory m_history;
  editor::KeyPointEditor m_editor{m_project, m_history};
  PlaybackController m_playback{m_project};
  CPaneViews m_panes;
  std::string m_szProjectPath;
  std::array<std::string, 2> m_szPosition;
  std::string m_szEntryText;
  OutputSettingsTable m_aOutputSettings = DefaultOutputSettings();
  int m_nShownFrame = 0;
  uint64_t m_nPictureGeneration = 0;
  bool m_bCommandsEnabled = false;
  bool m_bButtonsEnabled = false;
  bool m_bAutoKeyRunning = false;
  int m_nToolBeforeAutoKey = ToolSelect;
};

// Playback of the preview: play and pause on a 75 ms timer, the two loop switches, the
// frame commands, the frame slider and the frame-count controls. The current frame k and
// the last frame index N live in the project; the window applies each returned update to
// its timer, buttons, slider and preview, and draws nothing else.
#pragma once

#include <string>

#include "core/MorphProject.h"

// Modes of StepFrame.
enum FrameStep : int {
  FrameSet = 0,      // k = value
  FrameRewind = 1,   // k = 0
  FrameBounce = 2,   // forward to N, then backward to 0, and so on
  FrameStepOne = 3,  // value != 0: one forward, value = 0: one back, stopping at the ends
  FrameAdvance = 4,  // one forward, from N back to 0
};

// What the window changes after a playback call; fields left at their defaults change nothing.
struct PlaybackUpdate {
  enum class Timer { Keep, Start, Stop };
  enum class Edit { Keep, Show, Hide };

  Timer timer = Timer::Keep;  // the playback timer (75 ms, periodic)
  bool bFaceChanged = false;  // play/pause button: pause face while bPlaying
  bool bPlaying = false;
  bool bFrameShown = false;  // slider position and current-frame text to nFrame, draw the preview
  int nFrame = 0;
  bool bFrameCountShown = false;  // slider range 0..nFrameCount and the frame-count text
  int nFrameCount = 0;
  Edit edit = Edit::Keep;  // Show: the entry with szEditText, focused, the count button hidden
  std::string szEditText;
  bool bChecksChanged = false;  // check marks of the two loop switches follow the switches
  std::string szMessage;        // a refusal to show; empty when none
};

class PlaybackController {
 public:
  static constexpr int kTimerPeriodMs = 75;

  explicit PlaybackController(MorphProject& project) : m_project(project) {}

  // Changes k; modes of FrameStep, other modes change nothing.
  void StepFrame(int mode, int value);

  // Play starts from frame 0 every time; pause keeps k.
  PlaybackUpdate PlayPause();
  // One timer tick: shows k, then steps by the switches; a non-looping pass stops itself.
  PlaybackUpdate Tick();
  PlaybackUpdate FirstFrame();
  PlaybackUpdate LastFrame();
  PlaybackUpdate NextFrame();
  PlaybackUpdate PreviousFrame();
  PlaybackUpdate ToggleLoopPlay();
  PlaybackUpdate ToggleLoopBack();
  // A notification of the frame slider (codes 0..7 as the slider sends them; `position` for
  // thumb codes 4 and 5).
  PlaybackUpdate SliderScrolled(int code, int position);

  // Frame count N: the arrow buttons keep 5..1000; the wizard sets its own length.
  PlaybackUpdate MoreFrames();
  PlaybackUpdate FewerFrames();
  PlaybackUpdate SetFrameCount(int n);
  // The frame-count entry: opened by the count button, closed when it loses the focus;
  // Return commits it (true: the key is consumed). A typed value is taken when it is
  // greater than 3 and no more than an output run accepts.
  PlaybackUpdate OpenFrameCountEdit();
  PlaybackUpdate FrameCountEditLostFocus();
  bool ReturnPressed(const std::string& editText, PlaybackUpdate* pUpdate);

  // After a project load (switches on) and after the preview set-up (middle frame).
  PlaybackUpdate ProjectLoaded();
  PlaybackUpdate PreviewSetupDone();

  bool IsPlaying() const { return m_bPlaying; }
  bool IsBackward() const { return m_bBackward; }
  bool IsEditOpen() const { return m_bEditOpen; }

  // Decimal value at the start of a text ("12ab" is 12, "x" and "" are 0), saturated.
  static long long ParseLeadingNumber(const std::string& text);

 private:
  PlaybackUpdate ShowFrame();
  PlaybackUpdate Stop();
  PlaybackUpdate ApplyFrameCount(int n);

  MorphProject& m_project;
  bool m_bPlaying = false;
  bool m_bBackward = false;
  bool m_bEditOpen = false;
};

// The play timer's beat: each tick is scheduled against start + k periods rather than a
// period after the last tick ran, so dispatch and drawing delays do not add up over a film.
// A tick that ran after its successor was due (a stall) starts a fresh beat instead of
// rushing to catch up.
class PlaybackBeat {
 public:
  explicit PlaybackBeat(int nPeriodMs = PlaybackController::kTimerPeriodMs) : m_nPeriodMs(nPeriodMs) {}
  // Playing starts at nowMs; returns the delay until the first tick.
  int Start(long long nowMs);
  // A tick ran at nowMs; returns the delay until the next one (at least 1 ms).
  int Next(long long nowMs);

 private:
  int m_nPeriodMs;
  long long m_nDueMs = 0;
};


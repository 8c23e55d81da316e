#include "editor/Playback.h"

#include <algorithm>
#include <cctype>

#include "base/Limits.h"


void PlaybackController::StepFrame(int mode, int value) {
  int& k = m_project.m_nCurFrame;
  const int N = m_project.m_nFrameCount;
  switch (mode) {
    case FrameSet: k = value; break;
    case FrameRewind: k = 0; break;
    case FrameBounce:
      if (k >= N) m_bBackward = true;
      else if (k <= 0) m_bBackward = false;
      k += m_bBackward ? -1 : 1;
      break;
    case FrameStepOne:
      if (value != 0) {
        if (k < N) ++k;
      } else if (k > 0) {
        --k;
      }
      break;
    case FrameAdvance: k = k < N ? k + 1 : 0; break;
    default: break;
  }
}

PlaybackUpdate PlaybackController::ShowFrame() {
  PlaybackUpdate u;
  u.bFrameShown = true;
  u.nFrame = m_project.m_nCurFrame;
  return u;
}

PlaybackUpdate PlaybackController::Stop() {
  PlaybackUpdate u;
  u.timer = PlaybackUpdate::Timer::Stop;
  m_bPlaying = false;
  u.bFaceChanged = true;
  u.bPlaying = false;
  return u;
}

PlaybackUpdate PlaybackController::PlayPause() {
  if (m_bPlaying) return Stop();
  StepFrame(FrameRewind, 0);
  m_bPlaying = true;
  PlaybackUpdate u;
  u.timer = PlaybackUpdate::Timer::Start;
  u.bFaceChanged = true;
  u.bPlaying = true;
  return u;
}

PlaybackUpdate PlaybackController::Tick() {
  PlaybackUpdate u = ShowFrame();
  if (!m_bPlaying) return u;  // a tick queued before the pause
  const bool loopPlay = m_project.m_bLoopPlay != 0;
  const bool loopBack = m_project.m_bLoopBack != 0;
  bool stop = false;
  if (loopBack) {
    StepFrame(FrameBounce, 0);
    stop = !loopPlay && m_project.m_nCurFrame == 0;
  } else {
    StepFrame(FrameAdvance, 0);
    stop = !loopPlay && m_project.m_nCurFrame == m_project.m_nFrameCount;
  }
  if (stop) {
    const PlaybackUpdate s = Stop();
    u.timer = s.timer;
    u.bFaceChanged = s.bFaceChanged;
    u.bPlaying = s.bPlaying;
  }
  return u;
}

PlaybackUpdate PlaybackController::FirstFrame() {
  StepFrame(FrameSet, 0);
  return ShowFrame();
}

PlaybackUpdate PlaybackController::LastFrame() {
  StepFrame(FrameSet, m_project.m_nFrameCount);
  return ShowFrame();
}

PlaybackUpdate PlaybackController::NextFrame() {
  StepFrame(FrameStepOne, 1);
  return ShowFrame();
}

PlaybackUpdate PlaybackController::PreviousFrame() {
  StepFrame(FrameStepOne, 0);
  return ShowFrame();
}

PlaybackUpdate PlaybackController::ToggleLoopPlay() {
  m_project.m_bLoopPlay = m_project.m_bLoopPlay ? 0 : 1;
  PlaybackUpdate u;
  u.bChecksChanged = true;
  return u;
}

PlaybackUpdate PlaybackController::ToggleLoopBack() {
  m_project.m_bLoopBack = m_project.m_bLoopBack ? 0 : 1;
  PlaybackUpdate u;
  u.bChecksChanged = true;
  return u;
}

PlaybackUpdate PlaybackController::SliderScrolled(int code, int position) {
  int& k = m_project.m_nCurFrame;
  const int N = m_project.m_nFrameCount;
  switch (code) {
    case 0: if (k >= 2) k -= 2; break;
    case 1: if (k <= N - 2) k += 2; break;
    case 2: k -= 6; break;
    case 3: k += 6; break;
    case 4:
    case 5: k = position; break;
    case 6: k = 0; break;
    case 7: k = N; break;
    default: break;
  }
  // Page steps and thumb positions could leave 0..N; a frame outside it would extrapolate
  // the morph.
  k = std::clamp(k, 0, std::max(N, 0));
  return ShowFrame();
}

PlaybackUpdate PlaybackController::ApplyFrameCount(int n) {
  if (m_project.m_nFrameCount != n) m_project.SetFrameCount(n);
  // A frame past the new last frame would be drawn with a weight above 1.
  if (m_project.m_nCurFrame > n) m_project.m_nCurFrame = n;
  PlaybackUpdate u;
  u.bFrameCountShown = true;
  u.nFrameCount = n;
  return u;
}

PlaybackUpdate PlaybackController::MoreFrames() {
  if (!m_project.IncreaseFrameCount()) return {};
  return ApplyFrameCount(m_project.m_nFrameCount);
}

PlaybackUpdate PlaybackController::FewerFrames() {
  if (!m_project.DecreaseFrameCount()) return {};
  return ApplyFrameCount(m_project.m_nFrameCount);
}

PlaybackUpdate PlaybackController::SetFrameCount(int n) {
  if (n < 1 || n > kMaxOutputFrameCount) return {};
  return ApplyFrameCount(n);
}

PlaybackUpdate PlaybackController::OpenFrameCountEdit() {
  m_bEditOpen = true;
  PlaybackUpdate u;
  u.edit = PlaybackUpdate::Edit::Show;
  u.szEditText = std::to_string(m_project.m_nFrameCount);
  return u;
}

PlaybackUpdate PlaybackController::FrameCountEditLostFocus() {
  PlaybackUpdate u;
  if (!m_bEditOpen) return u;
  m_bEditOpen = false;
  u.edit = PlaybackUpdate::Edit::Hide;
  return u;
}

long long PlaybackController::ParseLeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  constexpr long long kCap = 1LL << 40;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    value = std::min(kCap, value * 10 + (text[i] - '0'));
  return negative ? -value : value;
}

bool PlaybackController::ReturnPressed(const std::string& editText, PlaybackUpdate* pUpdate) {
  PlaybackUpdate u;
  // Only an open entry is committed: a hidden one still holds an old, abandoned text.
  if (m_bEditOpen) {
    m_bEditOpen = false;
    const long long value = ParseLeadingNumber(editText);
    if (value > kMaxOutputFrameCount) {
      u.szMessage = "The frame count must be between " + std::to_string(kMinTypedFrameCount) + " and " +
                    std::to_string(kMaxOutputFrameCount) + ".";
    } else if (m_project.CommitTypedFrameCount(static_cast<int>(std::max(value, -1LL)))) {
      u = ApplyFrameCount(m_project.m_nFrameCount);
    }
    u.edit = PlaybackUpdate::Edit::Hide;
  }
  if (pUpdate) *pUpdate = u;
  return true;
}

PlaybackUpdate PlaybackController::ProjectLoaded() {
  m_project.m_bLoopPlay = 1;
  m_project.m_bLoopBack = 1;
  PlaybackUpdate u;
  u.bChecksChanged = true;
  u.bFrameCountShown = true;
  u.nFrameCount = m_project.m_nFrameCount;
  return u;
}

PlaybackUpdate PlaybackController::PreviewSetupDone() {
  m_project.FinishPreviewSetup();
  PlaybackUpdate u = ShowFrame();
  u.bFrameCountShown = true;
  u.nFrameCount = m_project.m_nFrameCount;
  return u;
}

int PlaybackBeat::Start(long long nowMs) {
  m_nDueMs = nowMs + m_nPeriodMs;
  return m_nPeriodMs;
}

int PlaybackBeat::Next(long long nowMs) {
  m_nDueMs += m_nPeriodMs;
  if (m_nDueMs <= nowMs) return Start(nowMs);
  return static_cast<int>(m_nDueMs - nowMs);
}


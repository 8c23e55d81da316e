// Playback: the frames each loop combination draws and where it stops, the frame commands,
// the slider and the frame-count controls.
#include <gtest/gtest.h>

#include <vector>

#include "editor/Playback.h"
#include "output/OutputRun.h"

namespace {

struct PassResult {
  std::vector<int> drawn;
  int ticks = 0;
  bool stopped = false;
};

// Plays from a stopped state and ticks until the pass stops or `maxTicks` have run.
PassResult Play(PlaybackController& playback, int maxTicks) {
  PassResult run;
  const PlaybackUpdate start = playback.PlayPause();
  EXPECT_EQ(start.timer, PlaybackUpdate::Timer::Start);
  EXPECT_TRUE(start.bFaceChanged && start.bPlaying);
  while (run.ticks < maxTicks) {
    const PlaybackUpdate u = playback.Tick();
    ++run.ticks;
    EXPECT_TRUE(u.bFrameShown);
    run.drawn.push_back(u.nFrame);
    if (u.timer == PlaybackUpdate::Timer::Stop) {
      EXPECT_TRUE(u.bFaceChanged && !u.bPlaying);
      run.stopped = true;
      break;
    }
  }
  return run;
}

std::vector<int> Range(int from, int to) {  // inclusive, either direction
  std::vector<int> out;
  for (int k = from;; k += from <= to ? 1 : -1) {
    out.push_back(k);
    if (k == to) break;
  }
  return out;
}

class Playback : public testing::Test {
 protected:
  void Switches(bool loopPlay, bool loopBack) {
    project.m_bLoopPlay = loopPlay;
    project.m_bLoopBack = loopBack;
  }
  MorphProject project;  // N = 30
  PlaybackController playback{project};
};

}  // namespace

TEST_F(Playback, SinglePassDrawsZeroToNMinusOneAndStopsOnN) {
  Switches(false, false);
  project.m_nCurFrame = 12;
  const PassResult run = Play(playback, 100);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.drawn, Range(0, 29));
  EXPECT_EQ(project.m_nCurFrame, 30);
  EXPECT_FALSE(playback.IsPlaying());
  // Playing again starts from 0.
  EXPECT_EQ(Play(playback, 100).drawn, Range(0, 29));
}

TEST_F(Playback, ForwardAndBackPassDrawsZeroToNAndBackToOne) {
  Switches(false, true);
  const PassResult run = Play(playback, 100);
  std::vector<int> expected = Range(0, 30);
  const std::vector<int> back = Range(29, 1);
  expected.insert(expected.end(), back.begin(), back.end());
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.drawn, expected);
  EXPECT_EQ(project.m_nCurFrame, 0);
}

TEST_F(Playback, LoopingCombinationsNeverStop) {
  Switches(true, false);
  PassResult run = Play(playback, 70);
  EXPECT_FALSE(run.stopped);
  std::vector<int> expected = Range(0, 30);
  for (int k : Range(0, 30)) expected.push_back(k);
  for (int k : Range(0, 7)) expected.push_back(k);
  EXPECT_EQ(run.drawn, expected);
  EXPECT_EQ(playback.PlayPause().timer, PlaybackUpdate::Timer::Stop);

  Switches(true, true);
  run = Play(playback, 70);
  EXPECT_FALSE(run.stopped);
  expected = Range(0, 30);
  for (int k : Range(29, 0)) expected.push_back(k);
  for (int k : Range(1, 9)) expected.push_back(k);
  EXPECT_EQ(run.drawn, expected);
  // Pause keeps the frame where it is.
  const int k = project.m_nCurFrame;
  playback.PlayPause();
  EXPECT_EQ(project.m_nCurFrame, k);
  EXPECT_EQ(playback.Tick().timer, PlaybackUpdate::Timer::Keep);  // a late tick steps nothing
  EXPECT_EQ(project.m_nCurFrame, k);
}

TEST_F(Playback, FrameCommandsStopAtTheEnds) {
  EXPECT_EQ(playback.LastFrame().nFrame, 30);
  EXPECT_EQ(playback.NextFrame().nFrame, 30);
  EXPECT_EQ(playback.FirstFrame().nFrame, 0);
  EXPECT_EQ(playback.PreviousFrame().nFrame, 0);
  EXPECT_EQ(playback.NextFrame().nFrame, 1);
  playback.StepFrame(FrameSet, 29);
  playback.StepFrame(FrameAdvance, 0);
  playback.StepFrame(FrameAdvance, 0);
  EXPECT_EQ(project.m_nCurFrame, 0);
  playback.StepFrame(99, 5);
  EXPECT_EQ(project.m_nCurFrame, 0);
}

TEST_F(Playback, SliderCodesStayWithinTheFrames) {
  const auto at = [&](int k, int code, int pos = 0) {
    project.m_nCurFrame = k;
    return playback.SliderScrolled(code, pos).nFrame;
  };
  EXPECT_EQ(at(1, 0), 1);
  EXPECT_EQ(at(5, 0), 3);
  EXPECT_EQ(at(28, 1), 30);
  EXPECT_EQ(at(29, 1), 29);
  EXPECT_EQ(at(10, 2), 4);
  EXPECT_EQ(at(3, 2), 0);    // a page left from 3 would reach -3
  EXPECT_EQ(at(27, 3), 30);  // and a page right from 27 frame 33
  EXPECT_EQ(at(0, 5, 17), 17);
  EXPECT_EQ(at(0, 4, 500), 30);
  EXPECT_EQ(at(12, 6), 0);
  EXPECT_EQ(at(12, 7), 30);
  const PlaybackUpdate u = (project.m_nCurFrame = 12, playback.SliderScrolled(8, 0));
  EXPECT_TRUE(u.bFrameShown);
  EXPECT_EQ(u.nFrame, 12);
}

TEST_F(Playback, FrameCountButtonsAndTypedCount) {
  project.SetFrameCount(1000);
  EXPECT_FALSE(playback.MoreFrames().bFrameCountShown);
  EXPECT_EQ(project.m_nFrameCount, 1000);
  project.SetFrameCount(5);
  EXPECT_FALSE(playback.FewerFrames().bFrameCountShown);
  EXPECT_EQ(playback.MoreFrames().nFrameCount, 6);
  EXPECT_EQ(project.m_nOutputFrames, 6);

  PlaybackUpdate u;
  // Return with the entry never opened reads nothing and changes nothing.
  EXPECT_TRUE(playback.ReturnPressed("", &u));
  EXPECT_FALSE(u.bFrameCountShown);
  EXPECT_EQ(project.m_nFrameCount, 6);

  const auto type = [&](const std::string& text) {
    EXPECT_EQ(playback.OpenFrameCountEdit().szEditText, std::to_string(project.m_nFrameCount));
    PlaybackUpdate r;
    EXPECT_TRUE(playback.ReturnPressed(text, &r));
    EXPECT_EQ(r.edit, PlaybackUpdate::Edit::Hide);
    EXPECT_FALSE(playback.IsEditOpen());
    return r;
  };
  EXPECT_EQ(type("4").nFrameCount, 4);
  EXPECT_FALSE(type("3").bFrameCountShown);
  EXPECT_EQ(project.m_nFrameCount, 4);
  EXPECT_EQ(type("2500x").nFrameCount, 2500);  // above the buttons' 1000
  u = type(std::to_string(kMaxOutputFrameCount + 1));
  EXPECT_FALSE(u.bFrameCountShown);
  EXPECT_FALSE(u.szMessage.empty());
  u = type("99999999999999999999999");
  EXPECT_FALSE(u.szMessage.empty());
  EXPECT_EQ(project.m_nFrameCount, 2500);

  // A count below the current frame brings the frame back within the animation.
  project.m_nCurFrame = 2000;
  type("40");
  EXPECT_EQ(project.m_nCurFrame, 40);
  // Losing the focus closes the entry without a commit.
  playback.OpenFrameCountEdit();
  EXPECT_EQ(playback.FrameCountEditLostFocus().edit, PlaybackUpdate::Edit::Hide);
  EXPECT_TRUE(playback.ReturnPressed("77", &u));
  EXPECT_EQ(project.m_nFrameCount, 40);
}

TEST(PlaybackBeat, LateTicksDoNotAddUpAndAStallStartsAfresh) {
  PlaybackBeat beat(75);
  long long now = 1000;
  EXPECT_EQ(beat.Start(now), 75);
  // Every tick runs 6 ms late: the next delay makes up for it, so tick k stays at 75 k + 6.
  long long due = now + 75;
  for (int k = 1; k <= 100; ++k) {
    now = due + 6;
    const int delay = beat.Next(now);
    EXPECT_EQ(delay, 69) << k;
    due = now + delay;
  }
  EXPECT_EQ(due, 1000 + 101 * 75);
  // Late by almost a period: the shortest wait. Later than the next tick's time: a fresh beat.
  now = due + 74;
  EXPECT_EQ(beat.Next(now), 1);
  due = now + 1;
  now = due + 75;
  EXPECT_EQ(beat.Next(now), 75);
}


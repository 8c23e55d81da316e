// Blinking of the key point under the pointer: while a point is hovered its markers in both
// panes alternate every 500 ms between the hot (red) and the normal (green) picture,
// starting with the hot one; when the hover ends one 1 ms timer puts the normal picture back.
#pragma once

namespace editor {

// A timer the window starts (re-arming a running one) or stops; both false: leave it.
struct TimerChange {
  bool bStart = false;
  bool bStop = false;
};

class HoverBlink {
 public:
  static constexpr int kBlinkTimerId = 6;
  static constexpr int kBlinkPeriodMs = 500;
  static constexpr int kEndTimerId = 7;
  static constexpr int kEndDelayMs = 1;

  // The hover test found a point: blinking (re-)starts its 500 ms period.
  void PointHovered(TimerChange* pBlink);
  // The hover test inside a pane found none: a running blink ends. True when it did (the
  // window repaints in full and the end timer puts the normal picture back).
  bool NothingHovered(TimerChange* pBlink, TimerChange* pEnd);
  // Blink timer tick; true when the marker rectangles are to be repainted.
  bool BlinkTick(bool bPointKnown, TimerChange* pBlink);
  // End timer, once.
  bool EndTick(bool bPointKnown, TimerChange* pEnd);
  // Ends everything at once (project replaced); the window stops both timers.
  void Reset(TimerChange* pBlink, TimerChange* pEnd);

  bool IsActive() const { return m_bHoverActive; }
  bool Phase() const { return m_bBlinkPhase; }
  // Whether the hovered point's marker shows the hot picture now.
  bool ShowsHot() const { return m_bHoverActive && !m_bBlinkPhase; }

 private:
  bool m_bHoverActive = false;
  bool m_bBlinkPhase = false;  // false: hot picture, true: normal picture
};

}  // namespace editor

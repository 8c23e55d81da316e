// Rules of the skinned controls that need no window: which face a button shows, the
// shortened caption of a long path, and the text progress bar's position arithmetic.
#pragma once

#include <functional>
#include <string>

namespace skin {

enum class Face { None, Normal, Hover, Selected };

struct ButtonState {
  bool bHasHover = false, bHasNormal = false, bHasSelected = false;  // faces loaded
  bool bSelected = false;   // owner's selection (current tool)
  bool bPressed = false;    // pushed, checked in check mode, or its menu open
  bool bHover = false;      // pointer over it (never for picture buttons)
  bool bCheckMode = false;
};
Face ChooseFace(const ButtonState& s);

// Text that fits `maxWidth` as measured by `measure`: the whole text, or its beginning and
// end around "..." (the end, the file name, is kept longest).
std::string PathEllipsis(const std::string& text, int maxWidth,
                         const std::function<int(const std::string&)>& measure);

// Position arithmetic of the text progress bar.
class ProgressModel {
 public:
  // Returns the old range packed as low | high << 16.
  long SetRange(int low, int high);
  // Clamped to the range (the marquee's upper clamp in marquee mode); returns the old one.
  int SetPos(int pos);
  int DeltaPos(int delta) { return SetPos(m_nPos + delta); }
  int SetStep(int step);
  // Advances by the step; past the high end the position wraps around by the overshoot.
  int StepIt();
  void SetMarquee(bool on) { m_bMarquee = on; }
  void SetMarqueeSize(int percent) { m_nMarqueeSize = percent; }
  // One tick of the moving block.
  void MarqueeTick();

  int GetPos() const { return m_nPos; }
  int GetLow() const { return m_nLow; }
  int GetHigh() const { return m_nHigh; }
  bool IsMarquee() const { return m_bMarquee; }
  int MarqueeUpperClamp() const;
  // Fraction shown (0..1); 0 when the range is empty.
  double Fraction() const;
  // The caption with the percentage appended when shown.
  std::string Caption(const std::string& text, bool bShowPercent) const;

 private:
  int m_nLow = 0, m_nHigh = 100, m_nPos = 0, m_nStep = 10;
  int m_nMarqueeSize = 20;
  bool m_bMarquee = false;
  static int s_nMarqueeDirection;  // shared by every bar
};

// The set-check message's rule: 1 and 2 check, anything else unchecks.
inline bool CheckValueChecks(int value) { return value == 1 || value == 2; }

}  // namespace skin

#include "editor/HoverBlink.h"

namespace editor {

void HoverBlink::PointHovered(TimerChange* pBlink) {
  m_bHoverActive = true;
  pBlink->bStart = true;
}

bool HoverBlink::NothingHovered(TimerChange* pBlink, TimerChange* pEnd) {
  if (!m_bHoverActive) return false;
  pBlink->bStop = true;
  pEnd->bStart = true;
  m_bHoverActive = false;
  return true;
}

bool HoverBlink::BlinkTick(bool bPointKnown, TimerChange* pBlink) {
  if (!bPointKnown) {
    // The hovered pair was deleted or the project replaced: nothing is left to blink.
    pBlink->bStop = true;
    m_bHoverActive = false;
    m_bBlinkPhase = false;
    return false;
  }
  m_bBlinkPhase = !m_bBlinkPhase;
  return true;
}

bool HoverBlink::EndTick(bool bPointKnown, TimerChange* pEnd) {
  pEnd->bStop = true;
  m_bBlinkPhase = false;
  return bPointKnown;
}

void HoverBlink::Reset(TimerChange* pBlink, TimerChange* pEnd) {
  pBlink->bStop = true;
  pEnd->bStop = true;
  m_bHoverActive = false;
  m_bBlinkPhase = false;
}

}  // namespace editor

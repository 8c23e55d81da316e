#include "ui/SkinRules.h"

#include <cmath>
#include <cstdio>

namespace skin {

Face ChooseFace(const ButtonState& s) {
  if (!s.bHasHover) return Face::None;
  if (s.bSelected) return s.bHasSelected ? Face::Selected : Face::Hover;
  if (s.bHasNormal && ((s.bCheckMode && !s.bPressed) || (!s.bPressed && !s.bHover)))
    return Face::Normal;
  return Face::Hover;
}

namespace {
// Start of the UTF-8 character holding byte i (never splits a character).
size_t CharStart(const std::string& s, size_t i) {
  while (i > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}
}  // namespace

std::string PathEllipsis(const std::string& text, int maxWidth,
                         const std::function<int(const std::string&)>& measure) {
  if (measure(text) <= maxWidth) return text;
  const std::string dots = "...";
  // Keep the file name (after the last '/') as long as possible, then the beginning.
  const size_t slash = text.rfind('/');
  std::string tail = slash == std::string::npos ? text : text.substr(slash);
  std::string head = slash == std::string::npos ? std::string() : text.substr(0, slash);
  while (!head.empty()) {
    const std::string candidate = head + dots + tail;
    if (measure(candidate) <= maxWidth) return candidate;
    head.erase(CharStart(head, head.size() - 1));
  }
  // Even the file name alone is too long: cut its beginning.
  while (!tail.empty() && measure(dots + tail) > maxWidth) {
    size_t next = 1;
    while (next < tail.size() && (static_cast<unsigned char>(tail[next]) & 0xC0) == 0x80) ++next;
    tail.erase(0, next);
  }
  return dots + tail;
}

int ProgressModel::s_nMarqueeDirection = 1;

long ProgressModel::SetRange(int low, int high) {
  const long old = (m_nLow & 0xFFFF) | (static_cast<long>(m_nHigh & 0xFFFF) << 16);
  m_nLow = low;
  m_nHigh = high;
  return old;
}

int ProgressModel::MarqueeUpperClamp() const {
  return static_cast<int>(std::lround((m_nMarqueeSize + 100) * static_cast<double>(m_nHigh) / 100.0));
}

int ProgressModel::SetPos(int pos) {
  const int old = m_nPos;
  const int high = m_bMarquee ? MarqueeUpperClamp() : m_nHigh;
  if (pos > high) pos = high;
  if (pos < m_nLow) pos = m_nLow;
  m_nPos = pos;
  return old;
}

int ProgressModel::SetStep(int step) {
  const int old = m_nStep;
  m_nStep = step;
  return old;
}

int ProgressModel::StepIt() {
  const int old = m_nPos;
  int pos = m_nPos + m_nStep;
  const int span = m_nHigh - m_nLow;
  if (pos > m_nHigh && span > 0) pos = m_nLow + (pos - m_nHigh) % span;
  m_nPos = pos > m_nHigh ? m_nHigh : pos;
  return old;
}

void ProgressModel::MarqueeTick() {
  if (m_nPos >= MarqueeUpperClamp()) s_nMarqueeDirection = -1;
  else if (m_nPos <= m_nLow) s_nMarqueeDirection = 1;
  m_nPos += s_nMarqueeDirection;
}

double ProgressModel::Fraction() const {
  if (m_nLow >= m_nHigh) return 0.0;
  return static_cast<double>(m_nPos - m_nLow) / (m_nHigh - m_nLow);
}

std::string ProgressModel::Caption(const std::string& text, bool bShowPercent) const {
  if (!bShowPercent) return text;
  char pct[16];
  std::snprintf(pct, sizeof pct, "%d%%", static_cast<int>(std::lround(Fraction() * 100)));
  return text + pct;
}

}  // namespace skin

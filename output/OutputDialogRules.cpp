#include "output/OutputDialogRules.h"

#include <algorithm>

#include <climits>
#include <cstdio>

#include "base/PathParts.h"
#include "base/TextMarks.h"
#include "output/OutputFormats.h"
#include "output/OutputRequest.h"
#include "output/OutputRun.h"

int LeadingNumber(const std::string& text, int nLimit) {
  const int n = std::min(nLimit, static_cast<int>(text.size()));
  int i = 0;
  const bool negative = n > 0 && (text[0] == '-' || text[0] == '+') ? text[i++] == '-' : false;
  long long value = 0;
  for (; i < n && text[static_cast<size_t>(i)] >= '0' && text[static_cast<size_t>(i)] <= '9'; ++i)
    value = std::min<long long>(value * 10 + (text[static_cast<size_t>(i)] - '0'), INT_MAX);
  return static_cast<int>(negative ? -value : value);
}

// ---------------------------------------------------------------- output dialog

std::string OutputFormatName(int nFormat) {
  // The name of the code's own row; codes without rows have none.
  for (const OutputFormatRow& row : OutputFormatRows())
    if (row.nFormat == nFormat) return row.szName;
  return std::string();
}

std::string OutputSpeedText(int nSpeed) { return std::to_string(nSpeed) + " frames/s"; }

std::string OutputLengthText(int nFrames, int nSpeed) {
  if (nSpeed <= 0) return "-- seconds";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%5.2f seconds", static_cast<double>(nFrames) / nSpeed);
  return buf;
}

OutputDialogTexts MakeOutputDialogTexts(int nFormat, int nSpeed, int nFrames) {
  OutputDialogTexts t;
  t.szFormat = OutputFormatName(nFormat);
  t.szFrames = std::to_string(nFrames) + " frames";
  t.bSpeedShown = nFormat != ImageSequence;
  if (t.bSpeedShown) {
    t.szSpeed = OutputSpeedText(nSpeed);
    t.szLength = OutputLengthText(nFrames, nSpeed);
  }
  return t;
}

int OutputProgressStep(int nFrames) {
  const int step = nFrames > 0 ? 100 / nFrames : 100;
  return step > 0 ? step : 1;
}

std::string OutputFileChoice::Wildcard() const {
  std::string s;
  for (const OutputFileFilter& f : filters) {
    if (!s.empty()) s += '|';
    s += f.szLabel + '|' + f.szPattern;
  }
  return s;
}

OutputFileChoice OutputFileChoiceFor(int nFormat) {
  OutputFileChoice c;
  // The code's rows in table order, the first its own kind: "label|pattern|label|pattern...".
  for (const OutputFormatRow& row : OutputFormatRows()) {
    if (row.nFormat != nFormat) continue;
    std::string rest = row.szFilters;
    while (!rest.empty()) {
      const size_t bar = rest.find('|');
      const size_t end = rest.find('|', bar + 1);
      c.filters.push_back({rest.substr(0, bar), rest.substr(bar + 1, end == std::string::npos ? end : end - bar - 1)});
      rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    }
  }
  if (c.filters.empty()) return c;
  c.bValid = true;
  c.szDefaultExt = c.filters.front().szPattern.substr(2);  // "*.bmp"
  c.szDefaultName = "sample." + c.szDefaultExt;
  return c;
}

namespace {

// The extensions of a filter's patterns ("*.tif;*.tiff": tif, tiff).
std::vector<std::string> FilterExtensions(const OutputFileFilter& filter) {
  std::vector<std::string> found;
  std::string rest = filter.szPattern;
  while (!rest.empty()) {
    const size_t end = rest.find(';');
    const std::string one = rest.substr(0, end);
    if (one.rfind("*.", 0) == 0) found.push_back(one.substr(2));
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
  }
  return found;
}

}  // namespace

std::string OutputFileForFilter(const OutputFileChoice& choice, const std::string& szPath, int nFilter) {
  if (szPath.empty() || choice.filters.empty()) return szPath;
  const std::string ext = PathExtension(szPath);
  for (const OutputFileFilter& filter : choice.filters)
    for (const std::string& own : FilterExtensions(filter))
      if (ext == own) return szPath;
  if (nFilter <= 0 || static_cast<size_t>(nFilter) >= choice.filters.size()) return szPath;
  const std::vector<std::string> exts = FilterExtensions(choice.filters[static_cast<size_t>(nFilter)]);
  return exts.empty() ? szPath : szPath + "." + exts.front();
}

std::string OutputKindName(int nFormat, const std::string& szPath) {
  const OutputFormatRow& row = OutputFormatFor(nFormat, szPath);
  return row.nFormat == nFormat ? row.szName : OutputFormatName(nFormat);
}

// ---------------------------------------------------------------- sizes

Result CheckOutputSizeChoice(int nWidth, int nHeight) {
  if (nWidth <= 0 || nHeight <= 0 || nWidth > kMaxOutputSide || nHeight > kMaxOutputSide)
    return Result::Fail("The output size " + std::to_string(nWidth) + "x" + std::to_string(nHeight) +
                               " cannot be used: width and height must be 1 to " + std::to_string(kMaxOutputSide) +
                               " pixels");
  return Result::Success();
}

bool CScaleSync::Sync(const std::string& text, int nFrom, int nTo, std::string& szOut) {
  if (m_bSyncing) {
    m_bSyncing = false;  // the change came from the other edit
    return false;
  }
  if (!m_bKeepRatio || nFrom <= 0 || nTo <= 0) return false;
  const long long n = static_cast<long long>(nTo) * LeadingNumber(text) / nFrom;
  m_bSyncing = true;
  szOut = std::to_string(n > INT_MAX ? INT_MAX : n);
  return true;
}

bool CScaleSync::OnWidthChanged(const std::string& text, std::string& szHeight) {
  return Sync(text, m_nWidth, m_nHeight, szHeight);
}

bool CScaleSync::OnHeightChanged(const std::string& text, std::string& szWidth) {
  return Sync(text, m_nHeight, m_nWidth, szWidth);
}

// ---------------------------------------------------------------- settings pages

SettingsPageLayout SettingsLayoutFor(int nFormat) {
  SettingsPageLayout l;
  switch (nFormat) {
    case AnimatedGif:
    case AviMovie:
      l.szSpeedLabel = nFormat == AnimatedGif ? N_("GIF (frames/s)") : N_("AVI (frames/s)");
      l.bSpeedShown = l.bLoopShown = true;
      l.nLoopTop = 52;
      break;
    case FlashMovie:
    case HtmlPage:
      l.szSpeedLabel = N_("Flash (frames/s)");
      l.bSpeedShown = l.bQualityShown = l.bLoopShown = true;
      l.nLoopTop = 80;
      break;
    default:
      l.bQualityShown = l.bQualityInSpeedRow = true;
      break;
  }
  return l;
}

int CSettingsPages::FirstPage(int nOutputFormat) {
  return nOutputFormat >= AnimatedGif && nOutputFormat <= AviMovie ? nOutputFormat : ImageSequence;
}

void CSettingsPages::Save(const SettingsPageValues& shown) {
  OutputSettings& r = m_records[static_cast<size_t>(m_nShownFormat)];
  r.nSpeed = LeadingNumber(shown.szSpeed);
  r.bLoop = shown.bLoop ? 1 : 0;
  r.nQuality = LeadingNumber(shown.szQuality);
}

SettingsPageValues CSettingsPages::Select(int nFormat, const SettingsPageValues& shown) {
  if (nFormat < 0 || nFormat >= kOutputSettingsCount) nFormat = ImageSequence;
  if (m_bPageShown) Save(shown);
  m_bPageShown = true;
  m_nShownFormat = nFormat;
  const OutputSettings& r = m_records[static_cast<size_t>(nFormat)];
  SettingsPageValues v;
  v.szSpeed = std::to_string(r.nSpeed);
  v.szQuality = std::to_string(r.nQuality);
  v.bLoop = r.bLoop != 0;
  return v;
}

void CSettingsPages::Accept(const SettingsPageValues& shown) {
  if (m_bPageShown) Save(shown);
}

void CPreviewFollowBudget::Start(double fNow) {
  m_fStart = fNow;
  m_fDrawn = 0.0;
}

bool CPreviewFollowBudget::ShouldDraw(double fNow) const {
  // The first frame reached after the delay is always shown; after it the draws keep
  // within their share.
  const double fRun = fNow - m_fStart;
  return fRun >= m_fFirstAfter && (m_fDrawn <= 0.0 || m_fDrawn <= m_fShare * fRun);
}


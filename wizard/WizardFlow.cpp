#include "wizard/WizardFlow.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "base/Limits.h"

namespace wizard {

namespace {

static_assert(kMaxOutputSide == 16384, "the refusal text names the largest side");
static_assert(kMinWizardFrameLength == 6 && kMaxWizardFrameLength == 998, "the refusal text names the range");

std::string SizeText(int w, int h) {
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", w, h);
  return text;
}

// A whole decimal number with optional blanks around it, within [lo, hi]; false otherwise.
bool ParseWhole(const std::string& text, long lo, long hi, long* pValue) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  if (b == e || e - b > 9) return false;
  for (size_t i = b; i < e; ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  const long v = std::strtol(text.substr(b, e - b).c_str(), nullptr, 10);
  if (v < lo || v > hi) return false;
  *pValue = v;
  return true;
}

}  // namespace

SizeList MakeSizeList(int w1, int h1, int w2, int h2) {
  SizeList list;
  list.szText = SizeText(w1, h1);
  list.items = {SizeText(w1, h1), SizeText(w2, h2), SizeText((w1 + w2) / 2, (h1 + h2) / 2)};
  return list;
}

bool ParseSizeItem(const std::string& text, int* pWidth, int* pHeight) {
  const size_t x = text.find('x');
  long w = 0, h = 0;
  if (x == std::string::npos || !ParseWhole(text.substr(0, x), 1, kMaxOutputSide, &w) ||
      !ParseWhole(text.substr(x + 1), 1, kMaxOutputSide, &h))
    return false;
  *pWidth = static_cast<int>(w);
  *pHeight = static_cast<int>(h);
  return true;
}

int ParseFrameLength(const std::string& text) {
  long n = 0;
  return ParseWhole(text, kMinWizardFrameLength, kMaxWizardFrameLength, &n) ? static_cast<int>(n) : 0;
}

FollowUp FollowUpOf(const Ending& result, bool bAtStartup) {
  FollowUp f;
  switch (result.end) {
    case End::Cancelled: f.bResetProject = bAtStartup; break;
    case End::OpenExisting: f.bOpenProject = true; break;
    case End::Created: f.nFrameCount = result.nFrameLength; break;
  }
  return f;
}

std::optional<SizeList> WizardController::ShowPage(int n) {
  m_buttons.bBack = m_buttons.bNext = m_buttons.bCancel = m_buttons.bHelp = true;
  if (n >= m_nPageCount) {
    m_nCurPage = m_nPageCount;
    m_buttons.szNextText = WizardText::kFinish;
  } else if (n <= 1) {
    m_nCurPage = 1;
    m_buttons.bBack = false;
  }
  if (n != kPageSize) return std::nullopt;
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  m_host.ImageSize(1, &w1, &h1);
  m_host.ImageSize(2, &w2, &h2);
  return MakeSizeList(w1, h1, w2, h2);
}

Move WizardController::Next(const std::string& szFrameLength) {
  switch (m_nCurPage) {
    case kPageSize: {
      const int n = ParseFrameLength(szFrameLength);
      if (n == 0) {
        // Finishing would drop the length the user typed without a word.
        m_host.ShowMessage(WizardText::kFrameLengthRefused);
        return {};
      }
      m_result = {End::Created, n};
      return {Move::EndOk, 0};
    }
    case kPageWelcome:
      if (!m_bCreateNew) {
        m_result = {End::OpenExisting, 0};
        return {Move::EndOk, 0};
      }
      return Go(kPageKind);
    case kPageKind: return Go(m_nProjectKind == 0 ? kPageTwoPictures : kPageOnePicture);
    case kPageTwoPictures: return BothImagesLoaded() ? Go(kPageSize) : Move{};
    case kPageOnePicture: return WarpImageLoaded() ? Go(kPageSize) : Move{};
    default: return {};
  }
}

Move WizardController::Back() {
  switch (m_nCurPage) {
    case kPageSize:
      m_buttons.szNextText = WizardText::kNextAgain;
      return Go(m_nProjectKind == 1 ? kPageOnePicture : kPageTwoPictures);
    case kPageOnePicture: return Go(kPageKind);
    case kPageTwoPictures: return Go(kPageKind);
    case kPageKind: return Go(kPageWelcome);
    default: return {};
  }
}

void WizardController::NoWizardAtStartClicked(bool bChecked) {
  if (!m_host.WriteShowWizard(!bChecked)) m_host.ShowMessage(WizardText::kConfigNotWritten);
}

void WizardController::ChooseProjectKind(int nKind) {
  m_nProjectKind = nKind == 1 ? 1 : 0;
  m_host.SetMorphType(m_nProjectKind == 0 ? 1 : 2);
}

bool WizardController::Browse(int nSlot) {
  if (nSlot < 0 || nSlot > 2) return false;
  std::string path;
  const bool ok = nSlot == 0 ? m_host.LoadWarpImage(&path)
                  : nSlot == 1 ? m_host.LoadImage1(&path)
                               : m_host.LoadImage2(&path);
  if (!ok) return false;
  m_szPath[nSlot] = path;
  m_bLoaded[nSlot] = true;
  return true;
}

void WizardController::SizeChosen(const std::string& item) {
  int w = 0, h = 0;
  if (!ParseSizeItem(item, &w, &h)) {
    m_host.ShowMessage(WizardText::kSizeRefused);
    return;
  }
  m_host.SetPreviewSize(w, h);
}

std::string WizardController::CustomSize() {
  int w = 0, h = 0;
  m_host.CustomOutputSize(&w, &h);
  return SizeText(w, h);
}

}  // namespace wizard

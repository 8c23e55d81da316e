// The window toolkit refuses menu ids of 32767 and above, and most of the program's menu
// commands lie there. Every menu, popup and event table goes through this one table, which
// gives each command a toolkit id from kWxBase up; handlers turn it back and keep speaking
// the program's command ids.
#pragma once

#include "app/CommandIds.h"

namespace cmdmap {

// First toolkit id handed out: just above the toolkit's own reserved ids (checked where
// the toolkit headers are visible).
inline constexpr int kWxBase = 6000;
// Toolkit ids must stay below this.
inline constexpr int kWxLimit = 32767;

// Runs of consecutive command ids; a run maps onto consecutive toolkit ids, so id ranges in
// the event tables stay ranges.
struct Span {
  int nFirst, nLast;
};
inline constexpr Span kSpans[] = {
    {ids::kNewWizard, ids::kOpenProject},
    {ids::kCloseProject, ids::kSaveProject},
    {ids::kSaveProjectAs, ids::kSaveProjectAs},
    {ids::kSizeVcdPal, ids::kSizeCustom},
    {ids::kLoadImage1, ids::kOutputSingleFrame},
    {ids::kOutputAviMenu, ids::kOutputAviMenu},
    {ids::kExit, ids::kExit},
    {ids::kUndo, ids::kRedo},
    {ids::kCopy, ids::kCut},
    {ids::kPaste, ids::kPaste},
    {ids::kShowTriangles, ids::kShowTriangles},
    {ids::kSizeImage1, ids::kMorphType3},  // the fixed sizes, then the three morph types
    {ids::kOutputSettings, ids::kPlayPause},
    {ids::kLoopPlay, ids::kLoopBack},
    {ids::kFirstFrame, ids::kFirstFrame},
    {ids::kLastFrame, ids::kPrevFrame},
    {ids::kHelp, ids::kHelp},
    {ids::kAbout, ids::kAbout},
    {ids::kSampleFirst, ids::kSampleLast},
    {ids::kZoomFirst, ids::kZoomLast},
    {ids::kSizePopupFirst, ids::kSizePopupLast},
    {ids::kSizeAltFirst, ids::kSizeAltLast},
    {ids::kAutoKeyPoints, ids::kAutoKeyPoints},
};

// Toolkit id of a menu command; -1 when the command is not in the table.
constexpr int ToWx(int nCommand) {
  int base = kWxBase;
  for (const Span& s : kSpans) {
    if (nCommand >= s.nFirst && nCommand <= s.nLast) return base + (nCommand - s.nFirst);
    base += s.nLast - s.nFirst + 1;
  }
  return -1;
}

// Command id of a toolkit id; -1 when the id is not one this table handed out.
constexpr int FromWx(int nWxId) {
  int base = kWxBase;
  for (const Span& s : kSpans) {
    const int n = s.nLast - s.nFirst + 1;
    if (nWxId >= base && nWxId < base + n) return s.nFirst + (nWxId - base);
    base += n;
  }
  return -1;
}

// Number of toolkit ids handed out.
constexpr int Count() {
  int n = 0;
  for (const Span& s : kSpans) n += s.nLast - s.nFirst + 1;
  return n;
}

static_assert(kWxBase + Count() <= kWxLimit, "menu ids must stay below the toolkit's limit");

}  // namespace cmdmap

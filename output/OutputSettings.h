// The export kinds and the per-kind settings records the output dialogs show.
// The writers use fixed timing and quality values of their own; these records only
// feed the dialogs' speed, loop and quality fields.
#pragma once

#include <array>
#include <cstdint>

enum OutputFormat : int {
  ImageSequence = 0,
  AnimatedGif = 1,
  FlashMovie = 2,
  HtmlPage = 3,
  AviMovie = 4,
  SingleFrame = 5,
};

// Number of settings records: one per format 0..4 (the single frame has none).
constexpr int kOutputSettingsCount = 5;

struct OutputSettings {
  int nSpeed = 30;      // frames per second
  uint8_t bLoop = 1;    // play in a loop
  int nQuality = 10;    // image quality
};

using OutputSettingsTable = std::array<OutputSettings, kOutputSettingsCount>;

// Every record at its start-up default; the settings are never stored.
inline OutputSettingsTable DefaultOutputSettings() { return OutputSettingsTable{}; }

// Speed the output dialog starts with before any output command copies a record's speed.
constexpr int kDefaultOutputSpeed = 20;

// The rules of the export dialogs that need no window: what the output dialog shows for a
// format, what its save dialog offers, how the settings dialog saves and shows its pages, and
// how the custom-size dialog keeps the aspect ratio. The wx dialogs only copy these into their
// controls.
#pragma once

#include <string>
#include <vector>

#include "core/MorphProject.h"
#include "output/OutputSettings.h"

// The number at the start of a text, read from at most `nLimit` characters (a sign counts
// as one): "360abc" is 360, "-5" is -5 (pasted text is not filtered, and what is typed is
// stored as it is), text without leading digits is 0. Saturated at the int range.
int LeadingNumber(const std::string& text, int nLimit = 7);

// ---- the output dialog

struct OutputDialogTexts {
  std::string szFormat;  // empty: the template's own text stays
  std::string szFrames;  // "%d frames" of N
  bool bSpeedShown = false;  // speed and length statics enabled (not for picture sequences)
  std::string szSpeed;   // "%d frames/s"
  std::string szLength;  // "%5.2f seconds" of N / speed
};
// Format name of an output format: "JPG Pictrue", "Animated GIF", ... ; empty for others.
std::string OutputFormatName(int nFormat);
// "%d frames/s" and the length of N frames at `nSpeed`; a speed of 0 or below has no length,
// so the length reads "-- seconds" instead of dividing by it.
std::string OutputSpeedText(int nSpeed);
std::string OutputLengthText(int nFrames, int nSpeed);
OutputDialogTexts MakeOutputDialogTexts(int nFormat, int nSpeed, int nFrames);
// Progress step of N frames: 100 / N (integer), at least 1.
int OutputProgressStep(int nFrames);

struct OutputFileFilter {
  std::string szLabel;    // "GIF (*.gif)"
  std::string szPattern;  // "*.gif"
};
struct OutputFileChoice {
  bool bValid = false;  // false: the format has no file to ask for
  std::string szDefaultExt;
  std::string szDefaultName;
  std::vector<OutputFileFilter> filters;
  // "label|pattern|label|pattern..." as the toolkit's file dialog takes it.
  std::string Wildcard() const;
};
// The save dialog of the output dialog (formats 0..4) and of the single-frame command (5).
// The movie output offers AVI, MP4 and WebM, the GIF output GIF, animated WebP and APNG.
OutputFileChoice OutputFileChoiceFor(int nFormat);
// The file a save chooser's answer names: a name that ends in one of the chooser's
// extensions keeps it (and so its kind); any other gets the chosen filter's extension,
// unless that is the first filter, the format's own, which takes the name as it is.
std::string OutputFileForFilter(const OutputFileChoice& choice, const std::string& szPath, int nFilter);
// What the output dialog calls an output once its file is known: "MP4 Movie", "Animated
// WebP", ...; the format's own name for the others.
std::string OutputKindName(int nFormat, const std::string& szPath);

// ---- output sizes

// Ok, or the message explaining why a size cannot be used: 0 or below, or larger than an
// output run renders.
Result CheckOutputSizeChoice(int nWidth, int nHeight);

// The custom-size dialog's keep-ratio rule. The ratio is that of the size the dialog opened
// with; rewriting one edit from the other raises a guard so the change it causes in the
// other edit is not synced back.
class CScaleSync {
 public:
  CScaleSync(int nWidth, int nHeight, bool bKeepRatio) : m_nWidth(nWidth), m_nHeight(nHeight), m_bKeepRatio(bKeepRatio) {}
  void ToggleKeepRatio() { m_bKeepRatio = !m_bKeepRatio; }
  bool KeepRatio() const { return m_bKeepRatio; }
  // The width edit now reads `text`: true with the height text to write into the other edit.
  bool OnWidthChanged(const std::string& text, std::string& szHeight);
  bool OnHeightChanged(const std::string& text, std::string& szWidth);

 private:
  bool Sync(const std::string& text, int nFrom, int nTo, std::string& szOut);
  int m_nWidth, m_nHeight;
  bool m_bKeepRatio;
  bool m_bSyncing = false;
};

// ---- the settings dialog

// Where the controls of a settings page go. Offsets are in dialog pixels from the top of the
// "格式设置" group.
struct SettingsPageLayout {
  std::string szSpeedLabel;   // label 1051; empty when hidden
  bool bSpeedShown = false;   // label 1051 and edit 1048
  bool bQualityShown = false; // label 1052 and edit 1049
  bool bQualityInSpeedRow = false;  // the quality row takes the place of the speed row
  bool bLoopShown = false;
  int nLoopTop = 0;           // top of the loop check box below the group's top
};
SettingsPageLayout SettingsLayoutFor(int nFormat);
// Quality row offset below the speed row on pages that show both.
constexpr int kSettingsQualityRowOffset = 30;

// The values one page shows: the edits' texts and the check box.
struct SettingsPageValues {
  std::string szSpeed, szQuality;
  bool bLoop = false;
};

// The page switching of the settings dialog over the main window's records: a switch first
// saves what the shown page holds, then shows the chosen record. Cancel keeps what earlier
// switches saved.
class CSettingsPages {
 public:
  explicit CSettingsPages(OutputSettingsTable& records) : m_records(records) {}
  // The format whose page opens first for the dialog's format (anything else: the sequence).
  static int FirstPage(int nOutputFormat);
  // Switches to format f's page; `shown` is what the controls hold now.
  SettingsPageValues Select(int nFormat, const SettingsPageValues& shown);
  // OK: the shown values go into the shown record.
  void Accept(const SettingsPageValues& shown);
  int ShownFormat() const { return m_nShownFormat; }

 private:
  void Save(const SettingsPageValues& shown);
  OutputSettingsTable& m_records;
  int m_nShownFormat = 0;
  bool m_bPageShown = false;
};

// How often the preview follows an export's frames. Drawing the preview costs a frame's
// rendering a second time, which on a software renderer is a large share of the run; the
// preview draws a frame only while its draws so far have taken at most `fShare` of the
// run's time, so an export from the window stays within a few hundredths of the run alone
// however slow the renderer. The share is small because a draw costs more than its own
// time: the display server copies each drawn frame afterwards, on the same cores. Nothing
// is drawn before `fFirstAfter` seconds: a run that short is over before anyone could
// follow it. A fast renderer still shows every frame after that.
class CPreviewFollowBudget {
 public:
  explicit CPreviewFollowBudget(double fShare = 0.02, double fFirstAfter = 0.25)
      : m_fShare(fShare), m_fFirstAfter(fFirstAfter) {}
  // The run starts at fNow (seconds on any steady clock).
  void Start(double fNow);
  // Whether the frame reached at fNow is drawn in the preview.
  bool ShouldDraw(double fNow) const;
  // A preview draw took fSeconds.
  void Drew(double fSeconds) { m_fDrawn += fSeconds; }

 private:
  double m_fShare;
  double m_fFirstAfter;
  double m_fStart = 0.0;
  double m_fDrawn = 0.0;
};


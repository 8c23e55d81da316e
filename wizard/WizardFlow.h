// The new-project wizard without its windows: which page follows which, the state of the
// four frame buttons, the checks of the picture pages and of the size and length page, and
// what the window does once the wizard has ended.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "base/Limits.h"
#include "base/TextMarks.h"
#include "wizard/WizardHost.h"

namespace WizardText {
inline constexpr const char* kCaption = N_("项目向导");
inline constexpr const char* kBack = N_("< 后退");
inline constexpr const char* kNext = N_("下一步 >");
inline constexpr const char* kNextAgain = N_("Next >");
inline constexpr const char* kFinish = N_("Finish");
inline constexpr const char* kCancel = N_("取消");
inline constexpr const char* kHelp = N_("帮助");
inline constexpr const char* kConfigNotWritten = N_("can't get Config.ini");
inline constexpr const char* kDefaultFrameLength = "30";
inline constexpr const char* kFrameLengthRefused = N_("动画长度必须是 6 到 998 之间的整数（帧）。");
inline constexpr const char* kSizeRefused = N_("无效的动画大小：宽度和高度必须是 1 到 16384 之间的整数。");
}  // namespace WizardText

// Control ids of the wizard frame and its pages.
namespace wizid {
inline constexpr int kBack = 1062, kNext = 1010, kCancel = 1064, kHelp = 1063, kPagePlace = 1065;
inline constexpr int kOpenExisting = 1060, kCreateNew = 1061, kNoWizardAtStart = 1050;
inline constexpr int kTwoPictures = 1068, kOnePicture = 1069;
inline constexpr int kImage1Edit = 1072, kImage2Edit = 1073, kImage1Browse = 1074, kImage2Browse = 1075;
inline constexpr int kWarpEdit = 1070, kWarpBrowse = 1071;
inline constexpr int kSizeList = 1066, kCustomSize = 1000, kFrameLength = 1056;
}  // namespace wizid

namespace wizard {

inline constexpr int kPageWelcome = 1, kPageKind = 2, kPageTwoPictures = 3, kPageOnePicture = 4, kPageSize = 5;

struct Buttons {
  bool bBack = true, bNext = true, bCancel = true, bHelp = true;
  std::string szNextText = WizardText::kNext;
};

// The size page's list: the combo box text and the three items appended on each visit.
struct SizeList {
  std::string szText;
  std::array<std::string, 3> items;
};
SizeList MakeSizeList(int w1, int h1, int w2, int h2);
// "WxH" of a list item: split at the first "x"; false unless both are whole numbers in
// 1..the largest side an output run accepts.
bool ParseSizeItem(const std::string& text, int* pWidth, int* pHeight);
// The frame length of the length box, or 0 unless it is a whole number in 6..998.
int ParseFrameLength(const std::string& text);

enum class End { Cancelled, OpenExisting, Created };

// What the wizard ended with.
struct Ending {
  End end = End::Cancelled;
  int nFrameLength = 0;  // the length to apply; 0: keep the frame count
};

// What the window does after the wizard.
struct FollowUp {
  bool bOpenProject = false;   // show the project open dialog
  bool bResetProject = false;  // morph type 1 with its check mark, then close the project
  int nFrameCount = 0;         // 0: unchanged
};
FollowUp FollowUpOf(const Ending& result, bool bAtStartup);

// A move of the frame buttons.
struct Move {
  enum Kind { Stay, Show, EndOk } kind = Stay;
  int nPage = 0;
};

class WizardController {
 public:
  explicit WizardController(IWizardHost& host) : m_host(host) {}

  // The frame adds its pages in order; each gets the next number.
  int AddPage() { return ++m_nPageCount; }
  // Records page n as shown and sets the buttons; the size list when n is the size page.
  std::optional<SizeList> ShowPage(int n);

  Move Next(const std::string& szFrameLength);
  Move Back();

  // Page 1.
  void ChooseCreateNew(bool bCreateNew) { m_bCreateNew = bCreateNew; }
  void NoWizardAtStartClicked(bool bChecked);
  // Page 2.
  void ChooseProjectKind(int nKind);
  // Pages 3 and 4: slot 1 or 2 of the two-picture page, 0 for the single picture.
  bool Browse(int nSlot);
  const std::string& ImagePath(int nSlot) const { return m_szPath[nSlot]; }
  bool BothImagesLoaded() const { return m_bLoaded[1] && m_bLoaded[2]; }
  bool WarpImageLoaded() const { return m_bLoaded[0]; }
  // Page 5: an item chosen from the list; the custom size command (the combo box text after it).
  void SizeChosen(const std::string& item);
  std::string CustomSize();

  const Buttons& GetButtons() const { return m_buttons; }
  const Ending& GetResult() const { return m_result; }
  int CurPage() const { return m_nCurPage; }
  int PageCount() const { return m_nPageCount; }
  int ProjectKind() const { return m_nProjectKind; }
  bool CreateNew() const { return m_bCreateNew; }

 private:
  Move Go(int nPage) {
    m_nCurPage = nPage;
    return {Move::Show, nPage};
  }

  IWizardHost& m_host;
  int m_nPageCount = 0;
  int m_nCurPage = 0;
  int m_nProjectKind = 0;  // 0 two pictures, 1 one picture warped
  bool m_bCreateNew = false;
  std::array<std::string, 3> m_szPath;  // 0 the single picture, 1 and 2 the pair
  std::array<bool, 3> m_bLoaded{};      // never cleared: a picture loaded once counts
  Buttons m_buttons;
  Ending m_result;
};

}  // namespace wizard

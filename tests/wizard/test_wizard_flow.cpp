// The wizard's rules without its windows: the page paths with Back and Next, the button
// states and texts, the picture checks, the size list and the length check, and what the
// window does afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wizard/WizardFlow.h"

using namespace wizard;

namespace {

// The window as the wizard sees it: loads succeed or fail as told, calls are recorded.
struct FakeHost : IWizardHost {
  bool bLoadOk = true;
  bool bWriteOk = true;
  int w[3] = {0, 0, 0}, h[3] = {0, 0, 0};
  int nMorphType = 0;
  std::vector<std::pair<int, int>> previewSizes;
  std::vector<bool> written;
  std::vector<std::string> messages;
  int nHelp = 0;

  bool Load(int slot, int pw, int ph, std::string* pPath) {
    if (!bLoadOk) return false;
    w[slot] = pw;
    h[slot] = ph;
    *pPath = "/pictures/" + std::to_string(slot) + ".png";
    return true;
  }
  bool LoadImage1(std::string* p) override { return Load(1, 640, 480, p); }
  bool LoadImage2(std::string* p) override { return Load(2, 1024, 768, p); }
  bool LoadWarpImage(std::string* p) override {
    nMorphType = 2;
    return Load(1, 300, 200, p) && Load(2, 300, 200, p);
  }
  void SetMorphType(int t) override { nMorphType = t; }
  void ImageSize(int slot, int* pw, int* ph) const override {
    *pw = w[slot];
    *ph = h[slot];
  }
  void SetPreviewSize(int pw, int ph) override { previewSizes.push_back({pw, ph}); }
  void CustomOutputSize(int* pw, int* ph) override {
    *pw = 500;
    *ph = 375;
  }
  bool WriteShowWizard(bool bShow) override {
    written.push_back(bShow);
    return bWriteOk;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void OpenHelp() override { ++nHelp; }
};

// A controller with its five pages added and page 1 shown, as the frame starts it.
struct Wizard {
  FakeHost host;
  WizardController c{host};
  Wizard() {
    for (int i = 0; i < 5; ++i) c.AddPage();
    c.ShowPage(1);
  }
  // A move as the frame performs it: the page shown, and its size list when it has one.
  Move Apply(const Move& m) {
    if (m.kind == Move::Show) lastList = c.ShowPage(m.nPage);
    return m;
  }
  Move Next(const std::string& length = "30") { return Apply(c.Next(length)); }
  Move Back() { return Apply(c.Back()); }
  std::optional<SizeList> lastList;
};

}  // namespace

TEST(WizardFlow, TwoPictureBranchWithBackAndTheButtonTexts) {
  Wizard wz;
  EXPECT_EQ(wz.c.CurPage(), 1);
  EXPECT_FALSE(wz.c.GetButtons().bBack);
  EXPECT_TRUE(wz.c.GetButtons().bNext && wz.c.GetButtons().bCancel && wz.c.GetButtons().bHelp);
  EXPECT_EQ(wz.c.GetButtons().szNextText, "下一步 >");

  wz.c.ChooseCreateNew(true);
  EXPECT_EQ(wz.Next().nPage, 2);
  EXPECT_TRUE(wz.c.GetButtons().bBack);
  EXPECT_EQ(wz.host.nMorphType, 0);  // the initial choice does not touch the morph type
  EXPECT_EQ(wz.Next().nPage, 3);

  // Page 3 waits for both pictures, without a message; a failed load keeps the flags.
  EXPECT_EQ(wz.Next().kind, Move::Stay);
  EXPECT_TRUE(wz.c.Browse(1));
  EXPECT_EQ(wz.c.ImagePath(1), "/pictures/1.png");
  EXPECT_EQ(wz.Next().kind, Move::Stay);
  wz.host.bLoadOk = false;
  EXPECT_FALSE(wz.c.Browse(2));
  EXPECT_FALSE(wz.c.Browse(1));
  EXPECT_EQ(wz.c.ImagePath(1), "/pictures/1.png");
  EXPECT_EQ(wz.Next().kind, Move::Stay);
  wz.host.bLoadOk = true;
  EXPECT_TRUE(wz.c.Browse(2));
  EXPECT_EQ(wz.Next().nPage, 5);
  EXPECT_TRUE(wz.host.messages.empty());

  // Page 5: Finish, the size list of both pictures and their average.
  EXPECT_EQ(wz.c.GetButtons().szNextText, "Finish");
  ASSERT_TRUE(wz.lastList);
  EXPECT_EQ(wz.lastList->szText, "640x480");
  EXPECT_EQ(wz.lastList->items, (std::array<std::string, 3>{"640x480", "1024x768", "832x624"}));

  // Back from the last page says "Next >" (in English) until the last page again.
  EXPECT_EQ(wz.Back().nPage, 3);
  EXPECT_EQ(wz.c.GetButtons().szNextText, "Next >");
  EXPECT_EQ(wz.Next().nPage, 5);
  EXPECT_EQ(wz.c.GetButtons().szNextText, "Finish");

  const Move end = wz.Next("48");
  EXPECT_EQ(end.kind, Move::EndOk);
  EXPECT_EQ(wz.c.GetResult().end, End::Created);
  EXPECT_EQ(wz.c.GetResult().nFrameLength, 48);
  EXPECT_TRUE(wz.host.messages.empty());
}

TEST(WizardFlow, OnePictureBranchAndTheWayBack) {
  Wizard wz;
  wz.c.ChooseCreateNew(true);
  wz.Next();
  wz.c.ChooseProjectKind(1);
  EXPECT_EQ(wz.host.nMorphType, 2);
  EXPECT_EQ(wz.Next().nPage, 4);
  EXPECT_EQ(wz.Next().kind, Move::Stay);
  EXPECT_TRUE(wz.c.Browse(0));
  EXPECT_EQ(wz.Next().nPage, 5);
  ASSERT_TRUE(wz.lastList);
  EXPECT_EQ(wz.lastList->items[2], "300x200");
  EXPECT_EQ(wz.Back().nPage, 4);
  EXPECT_EQ(wz.Back().nPage, 2);
  EXPECT_EQ(wz.Back().nPage, 1);
  EXPECT_FALSE(wz.c.GetButtons().bBack);
  EXPECT_EQ(wz.Back().kind, Move::Stay);  // nothing before page 1
  // Choosing two pictures again sets morph type 1 and leads to page 3.
  wz.Next();
  wz.c.ChooseProjectKind(0);
  EXPECT_EQ(wz.host.nMorphType, 1);
  EXPECT_EQ(wz.Next().nPage, 3);
}

TEST(WizardFlow, HalfLoadedPairThenSingleWarpContinues) {
  Wizard wz;
  wz.c.ChooseCreateNew(true);
  wz.Next();
  wz.Next();
  wz.c.Browse(1);
  EXPECT_EQ(wz.Next().kind, Move::Stay);
  EXPECT_EQ(wz.Back().nPage, 2);
  wz.c.ChooseProjectKind(1);
  EXPECT_EQ(wz.Next().nPage, 4);
  wz.c.Browse(0);
  EXPECT_EQ(wz.Next().nPage, 5);
  EXPECT_EQ(wz.Back().nPage, 4);  // back from 5 follows the kind chosen last
}

TEST(WizardFlow, OpenExistingEndsOnPageOneAndFollowUps) {
  Wizard wz;
  EXPECT_EQ(wz.Next().kind, Move::EndOk);
  EXPECT_EQ(wz.c.GetResult().end, End::OpenExisting);

  EXPECT_TRUE(FollowUpOf({End::OpenExisting, 0}, false).bOpenProject);
  EXPECT_TRUE(FollowUpOf({End::OpenExisting, 0}, true).bOpenProject);
  // Only the start-up wizard closes the project when cancelled.
  EXPECT_TRUE(FollowUpOf({End::Cancelled, 0}, true).bResetProject);
  const FollowUp menu = FollowUpOf({End::Cancelled, 0}, false);
  EXPECT_FALSE(menu.bResetProject || menu.bOpenProject || menu.nFrameCount);
  const FollowUp created = FollowUpOf({End::Created, 120}, true);
  EXPECT_EQ(created.nFrameCount, 120);
  EXPECT_FALSE(created.bResetProject || created.bOpenProject);
}

TEST(WizardFlow, FrameLengthMustLieStrictlyBetween5And999) {
  for (const char* bad : {"5", "999", "0", "-7", "", "  ", "12ab", "1e2", "99999999999", "+30"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ParseFrameLength(bad), 0);
  }
  EXPECT_EQ(ParseFrameLength("6"), 6);
  EXPECT_EQ(ParseFrameLength("998"), 998);
  EXPECT_EQ(ParseFrameLength(" 042 "), 42);

  // Finishing with a refused length says so and keeps the wizard on its last page.
  Wizard wz;
  wz.c.ChooseCreateNew(true);
  wz.Next();
  wz.Next();
  wz.c.Browse(1);
  wz.c.Browse(2);
  wz.Next();
  EXPECT_EQ(wz.Next("999").kind, Move::Stay);
  ASSERT_EQ(wz.host.messages.size(), 1u);
  EXPECT_EQ(wz.host.messages[0], WizardText::kFrameLengthRefused);
  EXPECT_EQ(wz.c.GetResult().end, End::Cancelled);
  EXPECT_EQ(wz.Next("998").kind, Move::EndOk);
  EXPECT_EQ(wz.c.GetResult().nFrameLength, 998);
}

TEST(WizardFlow, SizeItemsAndCustomSize) {
  int w = 0, h = 0;
  EXPECT_TRUE(ParseSizeItem("1024x768", &w, &h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  for (const char* bad : {"0x0", "640", "x480", "640x", "640x480x2", "16385x10", "abcx10", "-5x5"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseSizeItem(bad, &w, &h));
  }
  EXPECT_EQ(MakeSizeList(641, 481, 0, 0).items[2], "320x240");  // a missing picture counts 0

  Wizard wz;
  wz.c.SizeChosen("640x480");
  wz.c.SizeChosen("0x0");
  EXPECT_EQ(wz.host.previewSizes, (std::vector<std::pair<int, int>>{{640, 480}}));
  ASSERT_EQ(wz.host.messages.size(), 1u);
  EXPECT_EQ(wz.host.messages[0], WizardText::kSizeRefused);
  EXPECT_EQ(wz.c.CustomSize(), "500x375");
}

TEST(WizardFlow, StartupSwitchIsWrittenOnEveryClick) {
  Wizard wz;
  wz.c.NoWizardAtStartClicked(true);
  wz.c.NoWizardAtStartClicked(false);
  EXPECT_EQ(wz.host.written, (std::vector<bool>{false, true}));
  EXPECT_TRUE(wz.host.messages.empty());
  wz.host.bWriteOk = false;
  wz.c.NoWizardAtStartClicked(true);
  ASSERT_EQ(wz.host.messages.size(), 1u);
  EXPECT_EQ(wz.host.messages[0], "can't get Config.ini");
}

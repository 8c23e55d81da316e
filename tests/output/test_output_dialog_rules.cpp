// The export dialogs' rules without windows: texts per format, save dialog offers, size
// checks, keep-ratio syncing and the settings pages' save-then-show order.
#include <gtest/gtest.h>

#include "output/OutputDialogRules.h"
#include "output/OutputRun.h"

TEST(OutputDialogRules, LeadingNumberReadsOnlyLeadingDigitsWithinTheLimit) {
  EXPECT_EQ(LeadingNumber("360abc"), 360);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("x12"), 0);
  EXPECT_EQ(LeadingNumber("-5"), -5);  // pasted: stored as typed
  EXPECT_EQ(LeadingNumber("-"), 0);
  EXPECT_EQ(LeadingNumber("123456789"), 1234567);  // seven characters at most
  EXPECT_EQ(LeadingNumber("99999999999", 11), 2147483647);  // no overflow past int
}

TEST(OutputDialogRules, TextsPerFormatAndSpeedsThatCannotDivide) {
  const OutputDialogTexts gif = MakeOutputDialogTexts(AnimatedGif, 15, 30);
  EXPECT_EQ(gif.szFormat, "Animated GIF");
  EXPECT_EQ(gif.szFrames, "30 frames");
  EXPECT_TRUE(gif.bSpeedShown);
  EXPECT_EQ(gif.szSpeed, "15 frames/s");
  EXPECT_EQ(gif.szLength, " 2.00 seconds");  // "%5.2f": padded to five characters

  // The picture sequence reads "JPG Pictrue" and has no speed or length.
  const OutputDialogTexts seq = MakeOutputDialogTexts(ImageSequence, 15, 30);
  EXPECT_EQ(seq.szFormat, "JPG Pictrue");
  EXPECT_FALSE(seq.bSpeedShown);
  EXPECT_TRUE(seq.szSpeed.empty());

  EXPECT_EQ(MakeOutputDialogTexts(HtmlPage, 30, 30).szFormat, "Html Page");
  EXPECT_EQ(MakeOutputDialogTexts(FlashMovie, 30, 30).szFormat, "Flash Movie");
  EXPECT_EQ(MakeOutputDialogTexts(AviMovie, 30, 30).szFormat, "AVI Movie");
  EXPECT_TRUE(MakeOutputDialogTexts(SingleFrame, 30, 30).szFormat.empty());

  // A speed of 0 or below (the settings accept it) gives no length instead of inf or nan.
  for (int speed : {0, -3}) {
    const std::string length = MakeOutputDialogTexts(AviMovie, speed, 30).szLength;
    EXPECT_EQ(length.find("inf"), std::string::npos) << length;
    EXPECT_EQ(length.find("nan"), std::string::npos) << length;
    EXPECT_EQ(length, "-- seconds");
  }
}

TEST(OutputDialogRules, ProgressStepNeverZero) {
  EXPECT_EQ(OutputProgressStep(30), 3);
  EXPECT_EQ(OutputProgressStep(4), 25);
  EXPECT_EQ(OutputProgressStep(300), 1);
  EXPECT_EQ(OutputProgressStep(0), 100);
}

TEST(OutputDialogRules, SaveDialogPerFormat) {
  struct Case {
    int nFormat;
    const char* szExt;
    const char* szWildcard;
  };
  const std::string pictures =
      "BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|GIF (*.gif)|*.gif|TIF (*.tif ;*.tiff)|*.tif;*.tiff|"
      "TGA (*.tga)|*.tga|PCX (*.pcx)|*.pcx";
  const Case cases[] = {{ImageSequence, "bmp", pictures.c_str()},
                        {AnimatedGif, "gif", "GIF (*.gif)|*.gif|WebP (*.webp)|*.webp|APNG (*.apng)|*.apng"},
                        {FlashMovie, "swf", "FLASH (*.swf)|*.swf"},
                        {HtmlPage, "html", "HTML (*.html)|*.html"},
                        {AviMovie, "avi", "AVI (*.avi)|*.avi|MP4 (*.mp4)|*.mp4|WebM (*.webm)|*.webm"},
                        {SingleFrame, "bmp", pictures.c_str()}};
  for (const Case& c : cases) {
    const OutputFileChoice choice = OutputFileChoiceFor(c.nFormat);
    EXPECT_TRUE(choice.bValid) << c.nFormat;
    EXPECT_EQ(choice.szDefaultExt, c.szExt);
    EXPECT_EQ(choice.szDefaultName, std::string("sample.") + c.szExt);
    EXPECT_EQ(choice.Wildcard(), c.szWildcard);
  }
  EXPECT_FALSE(OutputFileChoiceFor(6).bValid);
  EXPECT_FALSE(OutputFileChoiceFor(-1).bValid);
}

// The chosen file type decides the kind unless the name already ends in one of the
// chooser's extensions; the first type, the format's own, takes any name as it is.
TEST(OutputDialogRules, TheKindFollowsTheFileTypeAndTheExtension) {
  const OutputFileChoice movie = OutputFileChoiceFor(AviMovie), gif = OutputFileChoiceFor(AnimatedGif);
  EXPECT_EQ(OutputFileForFilter(movie, "/a/clip", 1), "/a/clip.mp4");
  EXPECT_EQ(OutputFileForFilter(movie, "/a/clip.WEBM", 1), "/a/clip.WEBM");
  EXPECT_EQ(OutputFileForFilter(movie, "/a/clip.v1", 2), "/a/clip.v1.webm");
  EXPECT_EQ(OutputFileForFilter(movie, "/a/clip.xyz", 0), "/a/clip.xyz");
  EXPECT_EQ(OutputFileForFilter(gif, "/a/anim.gif", 2), "/a/anim.gif");
  EXPECT_EQ(OutputFileForFilter(gif, "/a/anim", 2), "/a/anim.apng");
  EXPECT_EQ(OutputFileForFilter(gif, "", 2), "");
  EXPECT_EQ(OutputFileForFilter(OutputFileChoiceFor(ImageSequence), "/a/f", 4), "/a/f.tif");

  EXPECT_EQ(OutputKindName(AviMovie, "/a/clip.mp4"), "MP4 Movie");
  EXPECT_EQ(OutputKindName(AviMovie, "/a/clip.webp"), "AVI Movie");  // a movie of any other name is an AVI
  EXPECT_EQ(OutputKindName(AnimatedGif, "/a/anim.webp"), "Animated WebP");
  EXPECT_EQ(OutputKindName(AnimatedGif, "/a/anim.mp4"), "Animated GIF");
  EXPECT_EQ(OutputKindName(FlashMovie, "/a/m.swf"), "Flash Movie");
}

TEST(OutputDialogRules, SizesARunCannotRenderAreRefused) {
  EXPECT_TRUE(CheckOutputSizeChoice(352, 244));
  EXPECT_TRUE(CheckOutputSizeChoice(1, 1));
  EXPECT_TRUE(CheckOutputSizeChoice(kMaxOutputSide, kMaxOutputSide));
  for (auto wh : {std::pair<int, int>{0, 100}, {100, 0}, {-5, 100}, {kMaxOutputSide + 1, 10}, {10, kMaxOutputSide + 1}}) {
    const Result r = CheckOutputSizeChoice(wh.first, wh.second);
    EXPECT_FALSE(r) << wh.first << "x" << wh.second;
    EXPECT_NE(r.message.find(std::to_string(wh.first) + "x" + std::to_string(wh.second)), std::string::npos);
  }
}

TEST(OutputDialogRules, KeepRatioSyncsFromTheOpeningSizeAndIgnoresItsOwnWrites) {
  CScaleSync sync(720, 576, true);
  std::string other;
  // The user types 360 as width: the height edit gets 288.
  ASSERT_TRUE(sync.OnWidthChanged("360", other));
  EXPECT_EQ(other, "288");
  // The program's write into the height edit raises a change of its own: not synced back.
  EXPECT_FALSE(sync.OnHeightChanged("288", other));
  // The user types 100 as height: 720 x 100 / 576 = 125 (truncated), from the opening size.
  ASSERT_TRUE(sync.OnHeightChanged("100", other));
  EXPECT_EQ(other, "125");
  EXPECT_FALSE(sync.OnWidthChanged("125", other));
  // Off: nothing is synced.
  sync.ToggleKeepRatio();
  EXPECT_FALSE(sync.OnWidthChanged("500", other));
  // A zero side leaves the other edit alone instead of dividing by it.
  CScaleSync zero(0, 576, true);
  EXPECT_FALSE(zero.OnWidthChanged("100", other));
  EXPECT_FALSE(zero.OnHeightChanged("100", other));
}

TEST(OutputDialogRules, SettingsPagesSaveTheShownPageBeforeShowingTheNext) {
  OutputSettingsTable records = DefaultOutputSettings();
  EXPECT_EQ(CSettingsPages::FirstPage(HtmlPage), HtmlPage);
  EXPECT_EQ(CSettingsPages::FirstPage(AviMovie), AviMovie);
  EXPECT_EQ(CSettingsPages::FirstPage(SingleFrame), ImageSequence);
  EXPECT_EQ(CSettingsPages::FirstPage(-1), ImageSequence);

  CSettingsPages pages(records);
  // The first page shows its record; whatever the controls held before is not saved.
  SettingsPageValues shown = pages.Select(AviMovie, {"999", "999", false});
  EXPECT_EQ(records[AviMovie].nSpeed, 30);
  EXPECT_EQ(shown.szSpeed, "30");
  EXPECT_EQ(shown.szQuality, "10");
  EXPECT_TRUE(shown.bLoop);
  // Edited AVI values survive a switch to GIF and back.
  shown = pages.Select(AnimatedGif, {"12", "7x", false});
  EXPECT_EQ(records[AviMovie].nSpeed, 12);
  EXPECT_EQ(records[AviMovie].nQuality, 7);
  EXPECT_EQ(records[AviMovie].bLoop, 0);
  EXPECT_EQ(shown.szSpeed, "30");
  shown = pages.Select(AviMovie, {"abc", shown.szQuality, shown.bLoop});
  EXPECT_EQ(shown.szSpeed, "12");
  EXPECT_EQ(shown.szQuality, "7");
  EXPECT_FALSE(shown.bLoop);
  EXPECT_EQ(records[AnimatedGif].nSpeed, 0);  // no leading digits: 0 is stored
  // OK saves the shown page; without it (Cancel) the last edits stay out.
  pages.Accept({"25", "3", true});
  EXPECT_EQ(records[AviMovie].nSpeed, 25);
  EXPECT_EQ(records[AviMovie].bLoop, 1);
  EXPECT_EQ(records[FlashMovie].nSpeed, 30);
}

TEST(OutputDialogRules, SettingsLayoutPerFormat) {
  const SettingsPageLayout seq = SettingsLayoutFor(ImageSequence);
  EXPECT_FALSE(seq.bSpeedShown);
  EXPECT_FALSE(seq.bLoopShown);
  EXPECT_TRUE(seq.bQualityShown && seq.bQualityInSpeedRow);
  for (int f : {AnimatedGif, AviMovie}) {
    const SettingsPageLayout l = SettingsLayoutFor(f);
    EXPECT_TRUE(l.bSpeedShown && l.bLoopShown);
    EXPECT_FALSE(l.bQualityShown);
    EXPECT_EQ(l.nLoopTop, 52);
  }
  EXPECT_EQ(SettingsLayoutFor(AnimatedGif).szSpeedLabel, "GIF (frames/s)");
  EXPECT_EQ(SettingsLayoutFor(AviMovie).szSpeedLabel, "AVI (frames/s)");
  for (int f : {FlashMovie, HtmlPage}) {
    const SettingsPageLayout l = SettingsLayoutFor(f);
    EXPECT_EQ(l.szSpeedLabel, "Flash (frames/s)");  // the HTML page too
    EXPECT_TRUE(l.bSpeedShown && l.bQualityShown && l.bLoopShown);
    EXPECT_FALSE(l.bQualityInSpeedRow);
    EXPECT_EQ(l.nLoopTop, 80);
  }
}

TEST(PreviewFollowBudget, SlowPreviewDrawsAreSpacedOutAndFastOnesAllShown) {
  // Frames every 30 ms; a slow preview draw costs 10 ms, a fast one 1 ms.
  for (const double cost : {0.010, 0.001}) {
    CPreviewFollowBudget budget(0.08, 0.0);
    budget.Start(0.0);
    double now = 0.0, drawn = 0.0;
    int nDraws = 0;
    for (int frame = 0; frame < 100; ++frame) {
      now += 0.030;
      if (budget.ShouldDraw(now)) {
        budget.Drew(cost);
        drawn += cost;
        now += cost;
        ++nDraws;
      }
    }
    if (cost > 0.005) {
      EXPECT_LE(drawn, 0.08 * now + cost) << "the preview's share of the run";
      EXPECT_GE(nDraws, 20) << "the preview still follows";
    } else {
      EXPECT_EQ(nDraws, 100);
    }
  }
}

TEST(PreviewFollowBudget, ARunShorterThanTheDelayDrawsNothingAndALongerOneFollows) {
  CPreviewFollowBudget budget;
  budget.Start(10.0);
  EXPECT_FALSE(budget.ShouldDraw(10.0));
  EXPECT_FALSE(budget.ShouldDraw(10.2));
  ASSERT_TRUE(budget.ShouldDraw(10.3));
  budget.Drew(0.010);
  EXPECT_FALSE(budget.ShouldDraw(10.31)) << "10 ms of 310 is over the share";
  EXPECT_TRUE(budget.ShouldDraw(10.6));
}

// Face choice, path shortening and the text progress bar's arithmetic.
#include <gtest/gtest.h>

#include "ui/SkinRules.h"

using skin::Face;

TEST(SkinFace, SelectionPressAndHoverPickTheFace) {
  skin::ButtonState s;
  EXPECT_EQ(skin::ChooseFace(s), Face::None);  // no hover face: nothing drawn
  s.bHasHover = s.bHasNormal = s.bHasSelected = true;
  EXPECT_EQ(skin::ChooseFace(s), Face::Normal);
  s.bHover = true;
  EXPECT_EQ(skin::ChooseFace(s), Face::Hover);
  s.bHover = false;
  s.bPressed = true;
  EXPECT_EQ(skin::ChooseFace(s), Face::Hover);
  s.bSelected = true;  // the current tool keeps its face whatever the pointer does
  EXPECT_EQ(skin::ChooseFace(s), Face::Selected);
  s.bHasSelected = false;
  EXPECT_EQ(skin::ChooseFace(s), Face::Hover);
  skin::ButtonState check;
  check.bHasHover = check.bHasNormal = true;
  check.bCheckMode = true;
  check.bHover = true;
  EXPECT_EQ(skin::ChooseFace(check), Face::Normal);
  check.bPressed = true;
  EXPECT_EQ(skin::ChooseFace(check), Face::Hover);
}

TEST(SkinCaption, LongPathKeepsBeginningAndFileName) {
  auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 7; };
  const std::string path = "/home/user/pictures/holiday/2026/leopard.png";
  EXPECT_EQ(skin::PathEllipsis("short.png", 200, width), "short.png");
  const std::string cut = skin::PathEllipsis(path, 30 * 7, width);
  EXPECT_LE(width(cut), 30 * 7);
  EXPECT_EQ(cut.substr(0, 5), "/home");
  EXPECT_NE(cut.find("..."), std::string::npos);
  EXPECT_EQ(cut.substr(cut.size() - 12), "/leopard.png");
  // Multi-byte text is never cut inside a character.
  const std::string cjk = "/图片/假期/非常长的文件夹名字/豹子.png";
  const std::string cutCjk = skin::PathEllipsis(cjk, 20, [](const std::string& s) {
    int n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
  });
  for (size_t i = 0; i + 1 < cutCjk.size(); ++i)
    if (cutCjk.compare(i, 3, "...") == 0) {
      EXPECT_NE(static_cast<unsigned char>(cutCjk[i + 3]) & 0xC0, 0x80);
      break;
    }
  EXPECT_EQ(cutCjk.substr(cutCjk.size() - 11), "/豹子.png");
}

TEST(SkinProgress, RangePositionStepAndMarquee) {
  skin::ProgressModel m;
  EXPECT_EQ(m.SetRange(0, 50), 0L | (100L << 16));
  EXPECT_EQ(m.SetPos(70), 0);
  EXPECT_EQ(m.GetPos(), 50);  // clamped
  m.SetPos(45);
  m.SetStep(10);
  m.StepIt();
  EXPECT_EQ(m.GetPos(), 5);  // wrapped by the overshoot
  EXPECT_DOUBLE_EQ(m.Fraction(), 0.1);
  EXPECT_EQ(m.Caption("Rendering ", true), "Rendering 10%");
  EXPECT_EQ(m.Caption("Rendering", false), "Rendering");
  m.SetRange(5, 5);
  EXPECT_DOUBLE_EQ(m.Fraction(), 0.0);
  skin::ProgressModel q;
  q.SetMarquee(true);
  EXPECT_EQ(q.MarqueeUpperClamp(), 120);
  for (int i = 0; i < 300; ++i) {
    q.MarqueeTick();
    ASSERT_GE(q.GetPos(), 0);
    ASSERT_LE(q.GetPos(), 120);
  }
  EXPECT_TRUE(skin::CheckValueChecks(2));
  EXPECT_FALSE(skin::CheckValueChecks(3));
}

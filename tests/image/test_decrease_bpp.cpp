// Colour reduction: early-out rules, nearest-index rule, and the error diffusion shares.
#include <gtest/gtest.h>

#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"

using namespace imgtest;

namespace {

// Grey 24-bit picture from values given per stored row (row 0 = bottom).
CPicture Grey(const std::vector<std::vector<int>>& rows) {
  CPicture pic(PICTURE_BMP);
  pic.Create(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 24, PICTURE_BMP);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      uint8_t v = static_cast<uint8_t>(rows[y][x]);
      pic.SetPixelColor(static_cast<int>(x), static_cast<int>(y), Rgb(v, v, v));
    }
  return pic;
}

// Reduces against black and white (the first two of 256 entries; the rest are never looked at).
std::vector<std::vector<int>> ToBlackWhite(CPicture pic, bool diffusion = true) {
  std::vector<RgbQuad> pal(256, Rgb(255, 0, 0));
  pal[0] = Rgb(0, 0, 0);
  pal[1] = Rgb(255, 255, 255);
  EXPECT_TRUE(pic.DecreaseBpp(8, diffusion, pal.data(), 2)) << pic.GetLastError();
  std::vector<std::vector<int>> out(static_cast<size_t>(pic.GetHeight()));
  for (int y = 0; y < pic.GetHeight(); ++y)
    for (int x = 0; x < pic.GetWidth(); ++x) out[static_cast<size_t>(y)].push_back(pic.GetPixelIndex(x, y));
  return out;
}

using Rows = std::vector<std::vector<int>>;

}  // namespace

// Each case is built so that one share, truncated toward zero, lands a neighbour exactly on
// 128 (white); a different share or rounding would give 127 or less (black).
TEST(DecreaseBpp, SevenSixteenthsToTheNextPixel) {
  // 200 -> white, error -55; -55*7/16 = -24.06 -> -24; 152 - 24 = 128.
  EXPECT_EQ(ToBlackWhite(Grey({{200, 152}})), (Rows{{1, 1}}));
  EXPECT_EQ(ToBlackWhite(Grey({{200, 152}}), false), (Rows{{1, 1}}));
  EXPECT_EQ(ToBlackWhite(Grey({{200, 151}})), (Rows{{1, 0}}));
}

TEST(DecreaseBpp, FourSixteenthsBelowAndRowsBottomUp) {
  // Stored row 0 first: -55*4/16 = -13.75 -> -13 reaches row 1; 141 - 13 = 128.
  EXPECT_EQ(ToBlackWhite(Grey({{200}, {141}})), (Rows{{1}, {1}}));
  EXPECT_EQ(ToBlackWhite(Grey({{200}, {140}})), (Rows{{1}, {0}}));
}

TEST(DecreaseBpp, TwoSixteenthsToTheLeftOfTheNextRow) {
  // (1,0) = 200 -> error -55, -55*2/16 = -6.9 -> -6 to (0,1): 134 - 6 = 128. (0,0) is exact.
  EXPECT_EQ(ToBlackWhite(Grey({{0, 200}, {134, 0}})), (Rows{{0, 1}, {1, 0}}));
  EXPECT_EQ(ToBlackWhite(Grey({{0, 200}, {133, 0}})), (Rows{{0, 1}, {0, 0}}));
}

TEST(DecreaseBpp, OneSixteenthDiagonal) {
  // (0,0) = 200: -24 to (1,0) = 24 -> 0 exact; -13 to (0,1) = 13 -> 0 exact;
  // -55/16 = -3.4 -> -3 to (1,1): 131 - 3 = 128.
  EXPECT_EQ(ToBlackWhite(Grey({{200, 24}, {13, 131}})), (Rows{{1, 0}, {0, 1}}));
  EXPECT_EQ(ToBlackWhite(Grey({{200, 24}, {13, 130}})), (Rows{{1, 0}, {0, 0}}));
}

TEST(DecreaseBpp, ChannelsAreClamped) {
  // 100 -> black, +43 to 250 = 293, clamped to 255 (white); a wrapped 37 would be black.
  EXPECT_EQ(ToBlackWhite(Grey({{100, 250}})), (Rows{{0, 1}}));
  // -55*7/16 to 10 -> clamped 0, exact black, so nothing more spreads to the third pixel.
  EXPECT_EQ(ToBlackWhite(Grey({{200, 10, 128}})), (Rows{{1, 0, 1}}));
}

TEST(DecreaseBpp, EarlyOutRules) {
  CPicture pic = MakeIndexedPicture(6, 4, 8, 2);
  const CPicture before = pic;
  std::vector<RgbQuad> grey(256);
  for (int i = 0; i < 256; ++i) grey[static_cast<size_t>(i)] = Rgb(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));

  // Same depth without an important-colour count: nothing changes.
  ASSERT_TRUE(pic.DecreaseBpp(8, true, grey.data(), 0));
  EXPECT_EQ(pic.GetDibSize(), before.GetDibSize());
  EXPECT_TRUE(std::equal(pic.GetDib(), pic.GetDib() + pic.GetDibSize(), before.GetDib()));

  // Own count non-zero and smaller than asked: nothing changes.
  pic.SetClrImportant(100);
  ASSERT_TRUE(pic.DecreaseBpp(8, true, grey.data(), 256));
  EXPECT_TRUE(SameColor(pic.GetPaletteColor(7), before.GetPaletteColor(7)));

  // Own count 0 (all) with a count asked: converted to the given palette.
  CPicture redo = before;
  ASSERT_TRUE(redo.DecreaseBpp(8, false, grey.data(), 256));
  EXPECT_TRUE(SameColor(redo.GetPaletteColor(7), Rgb(7, 7, 7)));
  EXPECT_EQ(redo.GetClrImportant(), 256u);

  // Fewer bits than asked, empty pictures, impossible depths: refused.
  CPicture four = MakeIndexedPicture(3, 3, 4);
  EXPECT_FALSE(four.DecreaseBpp(8, true, grey.data(), 256));
  EXPECT_FALSE(four.GetLastError().empty());
  EXPECT_EQ(four.GetBpp(), 4);
  CPicture empty;
  EXPECT_FALSE(empty.DecreaseBpp(8, true));
  CPicture wide = MakePatternPicture(3, 3);
  EXPECT_FALSE(wide.DecreaseBpp(3, true));
}

TEST(DecreaseBpp, FramePipelineKeepsPlanesAndInformation) {
  CPicture pic = MakePatternPicture(40, 30, 1);
  ASSERT_TRUE(pic.AlphaCreate());
  *pic.AlphaGetPointer(5, 5) = 3;
  ASSERT_TRUE(pic.SelectionCreate());
  pic.SetFrameDelay(4);
  std::vector<RgbQuad> pal(256);
  for (int i = 0; i < 256; ++i) pal[static_cast<size_t>(i)] = Rgb(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2));
  ASSERT_TRUE(pic.DecreaseBpp(8, true, pal.data(), 256));
  EXPECT_EQ(pic.GetBpp(), 8);
  EXPECT_EQ(pic.GetWidth(), 40);
  EXPECT_EQ(pic.GetClrImportant(), 256u);
  EXPECT_TRUE(pic.HasAlpha());
  EXPECT_TRUE(pic.HasSelection());
  EXPECT_EQ(*pic.AlphaGetPointer(5, 5), 3);
  EXPECT_EQ(pic.GetFrameDelay(), 4);
  EXPECT_TRUE(SameColor(pic.GetPaletteColor(200), pal[200]));
  // Without diffusion every pixel is the nearest entry of its own colour.
  CPicture src = MakePatternPicture(40, 30, 1);
  CPicture plain = src;
  ASSERT_TRUE(plain.DecreaseBpp(8, false, pal.data(), 256));
  for (int y = 0; y < 30; y += 7)
    for (int x = 0; x < 40; x += 3) EXPECT_EQ(plain.GetPixelIndex(x, y), plain.GetNearestIndex(src.GetPixelColor(x, y)));
}

TEST(DecreaseBpp, StandardPalettesWithoutAGivenOne) {
  for (int bits : {1, 4, 8}) {
    CPicture pic = MakeSolidPicture(5, 5, 255, 255, 255);
    ASSERT_TRUE(pic.DecreaseBpp(bits, false));
    EXPECT_EQ(pic.GetBpp(), bits);
    // White is in every standard palette.
    EXPECT_TRUE(SameColor(pic.GetPixelColor(2, 2), Rgb(255, 255, 255))) << bits;
  }
}

TEST(NearestIndex, FirstSmallestWithinTheImportantEntries) {
  CPicture pic(PICTURE_BMP);
  ASSERT_TRUE(pic.Create(2, 2, 8, PICTURE_BMP));
  for (int i = 0; i < 256; ++i) pic.SetPaletteColor(static_cast<uint8_t>(i), Rgb(250, 0, 0));
  pic.SetPaletteColor(0, Rgb(10, 10, 10));
  pic.SetPaletteColor(1, Rgb(20, 20, 20));
  pic.SetPaletteColor(3, Rgb(100, 50, 0));
  pic.SetPaletteColor(5, Rgb(100, 50, 0));
  pic.SetPaletteColor(9, Rgb(0, 0, 200));
  // Ties go to the first entry.
  EXPECT_EQ(pic.GetNearestIndex(Rgb(15, 15, 15)), 0);
  EXPECT_EQ(pic.GetNearestIndex(Rgb(100, 50, 0)), 3);
  EXPECT_EQ(pic.GetNearestIndex(Rgb(0, 0, 190)), 9);
  // Only the important entries are searched.
  pic.SetClrImportant(6);
  EXPECT_EQ(pic.GetNearestIndex(Rgb(0, 0, 190)), 1);
  // A changed palette is looked up afresh, not answered from the last look-up.
  pic.SetClrImportant(0);
  EXPECT_EQ(pic.GetNearestIndex(Rgb(0, 0, 200)), 9);
  pic.SetPaletteColor(2, Rgb(0, 0, 200));
  EXPECT_EQ(pic.GetNearestIndex(Rgb(0, 0, 200)), 2);
  // Blue, green and red all count.
  EXPECT_EQ(pic.GetNearestIndex(Rgb(240, 5, 5)), 4);
}

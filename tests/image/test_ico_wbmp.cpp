// ICO and WBMP readers on files built byte by byte.
#include <gtest/gtest.h>

#include "image/IconBuilder.h"
#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"

using namespace imgtest;

TEST(IcoReader, BitmapEntryWithMaskBecomesAlpha) {
  // 2 x 2, 4 bits: palette black, red; colour rows bottom-up; mask: bottom-left transparent.
  std::vector<uint8_t> pal(64, 0);
  pal[4 + 2] = 255;  // entry 1 red
  std::vector<uint8_t> color = {0x10, 0, 0, 0, 0x01, 0, 0, 0};
  std::vector<uint8_t> mask = {0x80, 0, 0, 0, 0x00, 0, 0, 0};
  std::vector<uint8_t> f = IconFile({{2, 2, 4, IconDib(2, 2, 4, pal, color, mask)}});
  CPicture pic;
  ASSERT_TRUE(pic.Decode(f.data(), f.size(), PICTURE_UNKNOWN)) << pic.GetLastError();
  EXPECT_EQ(pic.GetType(), PICTURE_ICO);
  ASSERT_EQ(pic.GetWidth(), 2);
  ASSERT_EQ(pic.GetHeight(), 2);
  EXPECT_EQ(pic.GetBpp(), 4);
  EXPECT_TRUE(SameColor(pic.GetPixelColor(0, 0), Rgb(255, 0, 0)));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 1), Rgb(255, 0, 0)));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 0), Rgb(0, 0, 0)));
  ASSERT_TRUE(pic.HasAlpha());
  EXPECT_EQ(*pic.AlphaGetPointer(0, 0), 0);
  EXPECT_EQ(*pic.AlphaGetPointer(1, 0), 255);
  EXPECT_EQ(*pic.AlphaGetPointer(0, 1), 255);
}

TEST(IcoReader, LargestEntryAndThirtyTwoBitAlpha) {
  std::vector<uint8_t> small = IconDib(1, 1, 24, {}, {9, 9, 9, 0}, {0, 0, 0, 0});
  // 2 x 1, 32 bits with alpha 10 and 250.
  std::vector<uint8_t> rows = {1, 2, 3, 10, 4, 5, 6, 250};
  std::vector<uint8_t> big = IconDib(2, 1, 32, {}, rows, {0, 0, 0, 0});
  std::vector<uint8_t> f = IconFile({{1, 1, 24, small}, {2, 1, 32, big}});
  CPicture pic;
  ASSERT_TRUE(pic.Decode(f.data(), f.size(), PICTURE_ICO)) << pic.GetLastError();
  ASSERT_EQ(pic.GetWidth(), 2);
  EXPECT_EQ(pic.GetBpp(), 24);
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 0), Rgb(6, 5, 4)));
  ASSERT_TRUE(pic.HasAlpha());
  EXPECT_EQ(*pic.AlphaGetPointer(0, 0), 10);
  EXPECT_EQ(*pic.AlphaGetPointer(1, 0), 250);
}

TEST(IcoReader, PngEntry) {
  CPicture src = MakePatternPicture(5, 4);
  std::vector<uint8_t> png = EncodeToBytes(src, PICTURE_PNG);
  ASSERT_FALSE(png.empty());
  std::vector<uint8_t> f = IconFile({{5, 4, 32, png}});
  CPicture pic;
  ASSERT_TRUE(pic.Decode(f.data(), f.size(), PICTURE_ICO)) << pic.GetLastError();
  EXPECT_EQ(pic.GetType(), PICTURE_ICO);
  EXPECT_TRUE(SamePixels(pic, src));
}

TEST(IcoReader, Refusals) {
  CPicture pic;
  std::vector<uint8_t> f = IconFile({{2, 2, 4, IconDib(2, 2, 4, std::vector<uint8_t>(64, 0), {0, 0, 0, 0, 0, 0, 0, 0}, {})}});
  std::vector<uint8_t> g = f;
  g[2] = 3;  // neither icon nor cursor
  EXPECT_FALSE(pic.Decode(g.data(), g.size(), PICTURE_ICO));
  EXPECT_FALSE(pic.GetLastError().empty());
  g = f;
  g[18] = 0xFF;  // entry offset far outside the file
  g[19] = 0xFF;
  EXPECT_FALSE(pic.Decode(g.data(), g.size(), PICTURE_ICO));
  g = f;
  g.resize(g.size() - 3);  // colour rows cut
  EXPECT_FALSE(pic.Decode(g.data(), g.size(), PICTURE_ICO));
}

TEST(WbmpReader, BitsTopRowFirstOneIsWhite) {
  // 10 x 2: top row 1010101010, bottom row 0000000001 (2 bytes per row).
  std::vector<uint8_t> f = WbmpFile(10, 2, {0xAA, 0x80, 0x00, 0x40});
  CPicture pic;
  ASSERT_TRUE(pic.Decode(f.data(), f.size(), PICTURE_WBMP)) << pic.GetLastError();
  ASSERT_EQ(pic.GetBpp(), 1);
  for (int x = 0; x < 10; ++x) {
    EXPECT_TRUE(SameColor(pic.GetPixelColor(x, 1), x % 2 == 0 ? Rgb(255, 255, 255) : Rgb(0, 0, 0))) << x;
    EXPECT_TRUE(SameColor(pic.GetPixelColor(x, 0), x == 9 ? Rgb(255, 255, 255) : Rgb(0, 0, 0))) << x;
  }
  // Multi-byte sizes: 200 needs two bytes.
  std::vector<uint8_t> wide = WbmpFile(200, 1, std::vector<uint8_t>(25, 0xFF));
  ASSERT_TRUE(pic.Decode(wide.data(), wide.size(), PICTURE_WBMP));
  EXPECT_EQ(pic.GetWidth(), 200);

  std::vector<uint8_t> bad = f;
  bad[0] = 1;  // another WBMP type
  EXPECT_FALSE(pic.Decode(bad.data(), bad.size(), PICTURE_WBMP));
  EXPECT_EQ(pic.GetLastError(), "Not a WBMP");
  bad = f;
  bad.pop_back();
  EXPECT_FALSE(pic.Decode(bad.data(), bad.size(), PICTURE_WBMP));
  EXPECT_EQ(pic.GetLastError(), "Not a WBMP");
}

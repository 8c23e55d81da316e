// TGA and PCX: writer layouts, round trips, and readers on hand-built files.
#include <gtest/gtest.h>

#include <cstring>

#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"

using namespace imgtest;

namespace {

uint16_t Get16(const std::vector<uint8_t>& v, size_t at) { return static_cast<uint16_t>(v[at] | (v[at + 1] << 8)); }

std::vector<uint8_t> TgaHeader(int mapType, int type, int mapLen, int mapBits, int w, int h, int bits, int desc) {
  return {0,
          static_cast<uint8_t>(mapType),
          static_cast<uint8_t>(type),
          0,
          0,
          static_cast<uint8_t>(mapLen & 0xFF),
          static_cast<uint8_t>(mapLen >> 8),
          static_cast<uint8_t>(mapBits),
          0,
          0,
          0,
          0,
          static_cast<uint8_t>(w),
          0,
          static_cast<uint8_t>(h),
          0,
          static_cast<uint8_t>(bits),
          static_cast<uint8_t>(desc)};
}

CPicture Decode(const std::vector<uint8_t>& f, int type) {
  CPicture pic;
  EXPECT_TRUE(pic.Decode(f.data(), f.size(), type)) << pic.GetLastError();
  return pic;
}

}  // namespace

TEST(TgaWriter, TwentyFourBitLayoutAndRoundTrip) {
  CPicture pic = MakePatternPicture(5, 3);
  std::vector<uint8_t> f = EncodeToBytes(pic, PICTURE_TGA);
  ASSERT_EQ(f.size(), 18u + 5 * 3 * 3);
  const uint8_t head[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 3, 0, 24, 0};
  EXPECT_EQ(std::memcmp(f.data(), head, 18), 0);
  // First stored row is the bottom row, blue-green-red.
  RgbQuad c = pic.GetPixelColor(1, 0);
  EXPECT_EQ(f[18 + 3], c.rgbBlue);
  EXPECT_EQ(f[18 + 5], c.rgbRed);
  CPicture back = Decode(f, PICTURE_TGA);
  EXPECT_EQ(back.GetBpp(), 24);
  EXPECT_TRUE(SamePixels(back, pic));
}

TEST(TgaWriter, EightBitsWithMapAnd32BitsWithAlpha) {
  CPicture pal = MakeIndexedPicture(4, 2, 8, 3);
  std::vector<uint8_t> f = EncodeToBytes(pal, PICTURE_TGA);
  ASSERT_EQ(f.size(), 18u + 768 + 8);
  EXPECT_EQ(f[1], 1);
  EXPECT_EQ(f[2], 1);
  EXPECT_EQ(Get16(f, 3), 0);
  EXPECT_EQ(Get16(f, 5), 256);
  EXPECT_EQ(f[7], 24);
  EXPECT_EQ(f[16], 8);
  EXPECT_EQ(f[17], 0);
  EXPECT_EQ(f[18 + 3 * 9], pal.GetPaletteColor(9).rgbBlue);
  EXPECT_EQ(f[18 + 3 * 9 + 2], pal.GetPaletteColor(9).rgbRed);
  CPicture back = Decode(f, PICTURE_TGA);
  EXPECT_EQ(back.GetBpp(), 8);
  EXPECT_TRUE(SamePixels(back, pal));

  CPicture rgba = MakePatternPicture(3, 2);
  ASSERT_TRUE(rgba.AlphaCreate());
  *rgba.AlphaGetPointer(2, 1) = 17;
  f = EncodeToBytes(rgba, PICTURE_TGA);
  ASSERT_EQ(f.size(), 18u + 3 * 2 * 4);
  EXPECT_EQ(f[16], 32);
  EXPECT_EQ(f[18 + 4 * 5 + 3], 17);
  back = Decode(f, PICTURE_TGA);
  ASSERT_TRUE(back.HasAlpha());
  EXPECT_EQ(*back.AlphaGetPointer(2, 1), 17);
  EXPECT_EQ(*back.AlphaGetPointer(0, 0), 255);
  EXPECT_TRUE(SamePixels(back, rgba));
}

TEST(TgaReader, RunLengthGreyAndTopDown) {
  // 4 x 2 grey, RLE, top-down: row 0 (top) = run of 3 x 50 + raw 60; row 1 = raw 1,2 + run 2 x 9.
  std::vector<uint8_t> f = TgaHeader(0, 11, 0, 0, 4, 2, 8, 0x20);
  f.insert(f.end(), {0x82, 50, 0x00, 60, 0x01, 1, 2, 0x81, 9});
  CPicture pic = Decode(f, PICTURE_TGA);
  ASSERT_EQ(pic.GetBpp(), 8);
  const int top[4] = {50, 50, 50, 60}, bottom[4] = {1, 2, 9, 9};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(pic.GetPixelColor(x, 1).rgbRed, top[x]);
    EXPECT_EQ(pic.GetPixelColor(x, 0).rgbGreen, bottom[x]);
  }
}

TEST(TgaReader, RunLengthTrueColourAcrossRowsAndSixteenBits) {
  // 3 x 2, 24 bits: one run packet of 6 pixels covers both rows.
  std::vector<uint8_t> f = TgaHeader(0, 10, 0, 0, 3, 2, 24, 0);
  f.insert(f.end(), {0x85, 1, 2, 3});
  CPicture pic = Decode(f, PICTURE_TGA);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(SameColor(pic.GetPixelColor(x, y), Rgb(3, 2, 1)));
  // 16-bit 5-5-5: 0x7C00 red, 0x001F blue, right-to-left.
  f = TgaHeader(0, 2, 0, 0, 2, 1, 16, 0x10);
  f.insert(f.end(), {0x00, 0x7C, 0x1F, 0x00});
  pic = Decode(f, PICTURE_TGA);
  EXPECT_TRUE(SameColor(pic.GetPixelColor(0, 0), Rgb(0, 0, 255)));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 0), Rgb(255, 0, 0)));
}

TEST(TgaReader, RefusesOthersAndTruncation) {
  CPicture pic;
  std::vector<uint8_t> f = TgaHeader(0, 5, 0, 0, 2, 2, 24, 0);  // image type 5 does not exist
  f.resize(18 + 12);
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_TGA));
  EXPECT_EQ(pic.GetLastError(), "Not a TGA");
  f = TgaHeader(0, 2, 0, 0, 2, 2, 24, 0);
  f.resize(18 + 11);
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_TGA));
  f = TgaHeader(0, 10, 0, 0, 20, 2, 24, 0);
  f.insert(f.end(), {0x85, 1, 2, 3});  // 6 of 40 pixels
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_TGA));
  EXPECT_FALSE(pic.GetLastError().empty());
}

TEST(PcxWriter, HeaderLayoutAndRoundTrips) {
  CPicture pic = MakePatternPicture(7, 3);
  pic.SetXDPI(150);
  pic.SetYDPI(72);
  std::vector<uint8_t> f = EncodeToBytes(pic, PICTURE_PCX);
  ASSERT_GT(f.size(), 128u);
  EXPECT_EQ(f[0], 10);
  EXPECT_EQ(f[1], 5);
  EXPECT_EQ(f[2], 1);
  EXPECT_EQ(f[3], 8);
  EXPECT_EQ(Get16(f, 4), 0);
  EXPECT_EQ(Get16(f, 6), 0);
  EXPECT_EQ(Get16(f, 8), 6);
  EXPECT_EQ(Get16(f, 10), 2);
  EXPECT_EQ(Get16(f, 12), 150);
  EXPECT_EQ(Get16(f, 14), 72);
  EXPECT_EQ(f[65], 3);
  EXPECT_EQ(Get16(f, 66), 8);  // 7 rounded up to even
  CPicture back = Decode(f, PICTURE_PCX);
  EXPECT_EQ(back.GetBpp(), 24);
  EXPECT_EQ(back.GetXDPI(), 150);
  EXPECT_TRUE(SamePixels(back, pic));

  ASSERT_TRUE(pic.AlphaCreate());
  *pic.AlphaGetPointer(3, 1) = 99;
  f = EncodeToBytes(pic, PICTURE_PCX);
  EXPECT_EQ(f[65], 4);
  back = Decode(f, PICTURE_PCX);
  ASSERT_TRUE(back.HasAlpha());
  EXPECT_EQ(*back.AlphaGetPointer(3, 1), 99);

  for (int bits : {1, 4, 8}) {
    CPicture pal = MakeIndexedPicture(9, 5, bits, 4);
    f = EncodeToBytes(pal, PICTURE_PCX);
    EXPECT_EQ(f[65], 1);
    EXPECT_EQ(f[f.size() - 769], 12);  // 256-colour palette at the end
    back = Decode(f, PICTURE_PCX);
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_TRUE(SamePixels(back, pal));
  }
}

TEST(PcxWriter, RunsAndHighBytesAreCodedSafely) {
  // Long runs (over 63) and single bytes >= 0xC0 must survive the coding.
  CPicture pal(PICTURE_BMP);
  ASSERT_TRUE(pal.Create(200, 2, 8, PICTURE_BMP));
  pal.SetGrayPalette();
  for (int x = 0; x < 200; ++x) {
    pal.SetPixelIndex(x, 0, x < 150 ? 0xC5 : static_cast<uint8_t>(x));
    pal.SetPixelIndex(x, 1, static_cast<uint8_t>(0xC0 + (x % 60)));
  }
  std::vector<uint8_t> f = EncodeToBytes(pal, PICTURE_PCX);
  CPicture back = Decode(f, PICTURE_PCX);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(back.GetPixelIndex(x, y), pal.GetPixelIndex(x, y)) << x << "," << y;
}

TEST(PcxReader, PlanarSixteenColoursAndErrorTexts) {
  // 8 x 1, 1 bit x 4 planes: pixel x gets index x (plane p holds bit p). Uncompressed lines.
  std::vector<uint8_t> f(128, 0);
  f[0] = 10;
  f[1] = 5;
  f[2] = 0;
  f[3] = 1;
  f[8] = 7;  // xmax
  f[10] = 0;
  for (int i = 0; i < 16; ++i) f[16 + i * 3] = static_cast<uint8_t>(i * 16);
  f[65] = 4;
  f[66] = 1;
  f.insert(f.end(), {0x55, 0x33, 0x0F, 0x00});  // bit 7 is pixel 0
  CPicture pic = Decode(f, PICTURE_PCX);
  ASSERT_EQ(pic.GetBpp(), 4);
  for (int x = 0; x < 8; ++x) {
    int want = ((0x55 >> (7 - x)) & 1) | (((0x33 >> (7 - x)) & 1) << 1) | (((0x0F >> (7 - x)) & 1) << 2);
    EXPECT_EQ(pic.GetPixelIndex(x, 0), want) << x;
    EXPECT_EQ(pic.GetPixelColor(x, 0).rgbRed, want * 16);
  }

  CPicture bad;
  std::vector<uint8_t> g = f;
  g[0] = 11;
  EXPECT_FALSE(bad.Decode(g.data(), g.size(), PICTURE_PCX));
  EXPECT_EQ(bad.GetLastError(), "Can't read PCX image");
  g = f;
  g[65] = 5;
  EXPECT_FALSE(bad.Decode(g.data(), g.size(), PICTURE_PCX));
  EXPECT_EQ(bad.GetLastError(), "Can't handle more than 4 planes");
  g = f;
  g[3] = 4;
  g[65] = 2;
  EXPECT_FALSE(bad.Decode(g.data(), g.size(), PICTURE_PCX));
  EXPECT_EQ(bad.GetLastError(), "Can't handle packed pixels with more than 1 plane.");
  g = f;
  g.resize(130);
  EXPECT_FALSE(bad.Decode(g.data(), g.size(), PICTURE_PCX));
  EXPECT_EQ(bad.GetLastError(), "Can't read PCX image");
}

TEST(PcxWriter, UnwritableHeaderIsReported) {
  FILE* fp = std::fopen("/dev/full", "wb");
  if (!fp) GTEST_SKIP() << "/dev/full is not available";
  std::setvbuf(fp, nullptr, _IONBF, 0);
  CPicture pic = MakePatternPicture(4, 4);
  EXPECT_FALSE(pic.Encode(fp, PICTURE_PCX));
  EXPECT_EQ(pic.GetLastError(), std::string("cannot write PCX header: ") + std::strerror(ENOSPC));
  std::fclose(fp);
}

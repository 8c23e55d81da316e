// BMP files: what the writer lays out, and the reader on files built byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"

using namespace imgtest;

namespace {

void Put16(std::vector<uint8_t>& v, int x) {
  v.push_back(static_cast<uint8_t>(x & 0xFF));
  v.push_back(static_cast<uint8_t>((x >> 8) & 0xFF));
}
void Put32(std::vector<uint8_t>& v, int64_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>((x >> (8 * i)) & 0xFF));
}
uint32_t Get32(const std::vector<uint8_t>& v, size_t at) {
  return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (uint32_t(v[at + 3]) << 24);
}

// A BMP file with a 40-byte header; `palette` holds B, G, R, 0 quads; `masks` follow the header.
std::vector<uint8_t> MakeBmp(int w, int h, int bits, int compression, const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& pixels, const std::vector<uint32_t>& masks = {}) {
  std::vector<uint8_t> f;
  const int offset = 14 + 40 + static_cast<int>(masks.size() * 4 + palette.size());
  f.push_back('B');
  f.push_back('M');
  Put32(f, offset + static_cast<int64_t>(pixels.size()));
  Put32(f, 0);
  Put32(f, offset);
  Put32(f, 40);
  Put32(f, w);
  Put32(f, h);
  Put16(f, 1);
  Put16(f, bits);
  Put32(f, compression);
  Put32(f, static_cast<int64_t>(pixels.size()));
  Put32(f, 2835);
  Put32(f, 2835);
  Put32(f, static_cast<int64_t>(palette.size() / 4));
  Put32(f, 0);
  for (uint32_t m : masks) Put32(f, m);
  f.insert(f.end(), palette.begin(), palette.end());
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

std::vector<uint8_t> GreyPalette(int n) {
  std::vector<uint8_t> p;
  for (int i = 0; i < n; ++i) {
    uint8_t v = static_cast<uint8_t>(i * 16);
    p.insert(p.end(), {v, v, v, 0});
  }
  return p;
}

CPicture DecodeOk(const std::vector<uint8_t>& f) {
  CPicture pic;
  EXPECT_TRUE(pic.Decode(f.data(), f.size(), PICTURE_BMP)) << pic.GetLastError();
  return pic;
}

}  // namespace

TEST(BmpWriter, FileHeaderAndTheDibAsHeld) {
  for (int bits : {1, 4, 8, 24}) {
    CPicture pic = bits == 24 ? MakePatternPicture(7, 5) : MakeIndexedPicture(7, 5, bits);
    pic.SetXDPI(300);
    std::vector<uint8_t> f = EncodeToBytes(pic, PICTURE_BMP);
    ASSERT_EQ(f.size(), 14 + pic.GetDibSize());
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    // The size field covers the whole file, so viewers that check it accept the file.
    EXPECT_EQ(Get32(f, 2), f.size());
    EXPECT_EQ(Get32(f, 6), 0u);
    EXPECT_EQ(Get32(f, 10), 14 + 40 + pic.GetPaletteSize());
    EXPECT_EQ(std::memcmp(f.data() + 14, pic.GetDib(), pic.GetDibSize()), 0);

    CPicture back = DecodeOk(f);
    EXPECT_EQ(back.GetBpp(), bits);
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_TRUE(SamePixels(back, pic));
  }
}

TEST(BmpWriter, SaveAndLoadThroughAFile) {
  TempDir dir;
  CPicture pic = MakePatternPicture(33, 17, 4);
  ASSERT_TRUE(pic.Save(dir.File("p.bmp"), PICTURE_BMP)) << pic.GetLastError();
  CPicture back(dir.File("p.bmp"), PICTURE_BMP);
  ASSERT_TRUE(back.IsValid()) << back.GetLastError();
  EXPECT_EQ(back.GetType(), PICTURE_BMP);
  EXPECT_TRUE(SamePixels(back, pic));
}

TEST(BmpReader, TopDownRowsAreTurnedOver) {
  // 2 x 2, 24 bits, top row red and green, bottom row blue and white; rows padded to 8 bytes.
  std::vector<uint8_t> rows = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  CPicture pic = DecodeOk(MakeBmp(2, -2, 24, 0, {}, rows));
  ASSERT_EQ(pic.GetHeight(), 2);
  EXPECT_TRUE(SameColor(pic.GetPixelColor(0, 1), Rgb(255, 0, 0)));  // top row is stored row 1
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 1), Rgb(0, 255, 0)));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(0, 0), Rgb(0, 0, 255)));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 0), Rgb(255, 255, 255)));
}

TEST(BmpReader, SixteenAndThirtyTwoBitsWithAndWithoutMasks) {
  // 5-5-5 default: 0x7C00 red.
  std::vector<uint8_t> px16 = {0x00, 0x7C, 0xE0, 0x03};  // red, green (2 px = 4 bytes, no padding)
  CPicture a = DecodeOk(MakeBmp(2, 1, 16, 0, {}, px16));
  EXPECT_EQ(a.GetBpp(), 24);
  EXPECT_TRUE(SameColor(a.GetPixelColor(0, 0), Rgb(255, 0, 0)));
  EXPECT_TRUE(SameColor(a.GetPixelColor(1, 0), Rgb(0, 255, 0)));
  // 5-6-5 through bit fields: 0xF800 red, 0x07E0 green, 0x001F blue.
  std::vector<uint8_t> px565 = {0x1F, 0x00, 0xE0, 0x07};
  CPicture b = DecodeOk(MakeBmp(2, 1, 16, 3, {}, px565, {0xF800, 0x07E0, 0x001F}));
  EXPECT_TRUE(SameColor(b.GetPixelColor(0, 0), Rgb(0, 0, 255)));
  EXPECT_TRUE(SameColor(b.GetPixelColor(1, 0), Rgb(0, 255, 0)));
  // 32 bits: blue, green, red, unused.
  std::vector<uint8_t> px32 = {10, 20, 30, 0, 40, 50, 60, 77};
  CPicture c = DecodeOk(MakeBmp(2, 1, 32, 0, {}, px32));
  EXPECT_TRUE(SameColor(c.GetPixelColor(0, 0), Rgb(30, 20, 10)));
  EXPECT_TRUE(SameColor(c.GetPixelColor(1, 0), Rgb(60, 50, 40)));
  EXPECT_FALSE(c.HasAlpha());
  // 32 bits with masks in another order: red in the low byte.
  CPicture d = DecodeOk(MakeBmp(2, 1, 32, 3, {}, px32, {0x000000FF, 0x0000FF00, 0x00FF0000}));
  EXPECT_TRUE(SameColor(d.GetPixelColor(0, 0), Rgb(10, 20, 30)));
}

TEST(BmpReader, RunLengthEightBits) {
  // 7 x 3: row 0 = run of 4 x index 1 + absolute run 2, 3, 5 (odd: one pad byte);
  // row 1 = delta right 2 then run 2 x 4; end of bitmap before row 2 (stays index 0).
  std::vector<uint8_t> rle = {4, 1,  0, 3, 2, 3, 5, 0,  // run, absolute run of 3 + pad
                              0, 0,                      // end of line
                              0, 2, 2, 0,                // delta (2, 0)
                              2, 4,  0, 0,               // run, end of line
                              0, 1};                     // end of bitmap
  CPicture pic = DecodeOk(MakeBmp(7, 3, 8, 1, GreyPalette(8), rle));
  ASSERT_EQ(pic.GetBpp(), 8);
  const int expect[3][7] = {{1, 1, 1, 1, 2, 3, 5}, {0, 0, 4, 4, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(pic.GetPixelIndex(x, y), expect[y][x]) << x << "," << y;
  EXPECT_EQ(pic.GetPaletteColor(4).rgbRed, 64);
}

TEST(BmpReader, RunLengthFourBitsWithOddAbsoluteRun) {
  // 5 x 2: row 0 = run of 5 alternating 1,2 ; row 1 = absolute 3 pixels 5,6,7 (2 bytes, already
  // on a 16-bit boundary) then run of 2 x 9.
  std::vector<uint8_t> rle = {5, 0x12, 0, 0, 0, 3, 0x56, 0x70, 2, 0x99, 0, 1};
  CPicture pic = DecodeOk(MakeBmp(5, 2, 4, 2, GreyPalette(16), rle));
  ASSERT_EQ(pic.GetBpp(), 4);
  const int expect[2][5] = {{1, 2, 1, 2, 1}, {5, 6, 7, 9, 9}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pic.GetPixelIndex(x, y), expect[y][x]) << x << "," << y;
}

TEST(BmpReader, RunsPastTheRowOrPictureAreCut) {
  // Runs longer than the row, deltas far outside: decoded without writing outside the picture.
  std::vector<uint8_t> rle = {255, 7, 0, 2, 250, 250, 9, 3, 0, 0, 0, 200, 1, 2, 3};
  CPicture pic = DecodeOk(MakeBmp(3, 2, 8, 1, GreyPalette(8), rle));
  EXPECT_EQ(pic.GetPixelIndex(2, 0), 7);
  EXPECT_EQ(pic.GetPixelIndex(0, 1), 0);
}

TEST(BmpReader, SmallPalettesAndCoreHeaders) {
  // 4-bit file whose palette lists only 3 colours.
  std::vector<uint8_t> pal = {0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0};
  std::vector<uint8_t> px = {0x12, 0x00, 0x00, 0x00};
  CPicture pic = DecodeOk(MakeBmp(2, 1, 4, 0, pal, px));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(0, 0), Rgb(0, 0, 255)));
  EXPECT_TRUE(SameColor(pic.GetPixelColor(1, 0), Rgb(255, 0, 0)));

  // OS/2 core header: 12 bytes, 16-bit sizes, 3-byte palette entries.
  std::vector<uint8_t> f = {'B', 'M'};
  Put32(f, 14 + 12 + 6 + 4);
  Put32(f, 0);
  Put32(f, 14 + 12 + 6);
  Put32(f, 12);
  Put16(f, 3);
  Put16(f, 1);
  Put16(f, 1);
  Put16(f, 1);
  f.insert(f.end(), {0, 0, 0, 0, 200, 100});  // black, then red 100 green 200
  f.insert(f.end(), {0xA0, 0, 0, 0});         // 1 0 1
  CPicture core = DecodeOk(f);
  ASSERT_EQ(core.GetBpp(), 1);
  EXPECT_EQ(core.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(core.GetPixelIndex(1, 0), 0);
  EXPECT_EQ(core.GetPixelIndex(2, 0), 1);
  EXPECT_TRUE(SameColor(core.GetPaletteColor(1), Rgb(100, 200, 0)));
}

TEST(BmpReader, RefusesWhatItCannotRead) {
  std::vector<uint8_t> ok = MakeBmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 9));
  CPicture pic;
  std::vector<uint8_t> f = ok;
  f[0] = 'X';
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_BMP));
  EXPECT_EQ(pic.GetLastError(), "Not a BMP");
  f = ok;
  f[14] = 99;  // header size nobody writes
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_BMP));
  EXPECT_EQ(pic.GetLastError(), "Not a BMP");
  f = ok;
  f[28] = 7;  // 7 bits per pixel
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_BMP));
  f = ok;
  f[30] = 1;  // RLE8 on a 24-bit file
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_BMP));
  f = MakeBmp(2, -2, 8, 1, GreyPalette(4), {0, 1});  // top-down RLE does not exist
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_BMP));
  f = ok;
  f.resize(f.size() - 5);
  EXPECT_FALSE(pic.Decode(f.data(), f.size(), PICTURE_BMP));
  EXPECT_FALSE(pic.GetLastError().empty());
  EXPECT_FALSE(pic.IsValid());
}

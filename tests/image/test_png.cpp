#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>

#include "LibCodecTestUtil.h"
#include "support/TestSupport.h"

namespace {

// Describes a PNG file to produce with libpng itself, rows top-down as PNG stores them.
struct PngSpec {
  int width = 0, height = 0, colorType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
  bool interlaced = false;
  std::vector<std::vector<uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<png_byte> trans;  // palette transparency
  bool greyTrans = false;
  uint16_t greyTransValue = 0;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t len) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + len);
}

std::vector<uint8_t> MakePng(const PngSpec& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "test PNG could not be written";
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty())
    png_set_PLTE(png, info, const_cast<png_colorp>(s.palette.data()), int(s.palette.size()));
  if (!s.trans.empty())
    png_set_tRNS(png, info, const_cast<png_bytep>(s.trans.data()), int(s.trans.size()), nullptr);
  if (s.greyTrans) {
    png_color_16 tc{};
    tc.gray = s.greyTransValue;
    png_set_tRNS(png, info, nullptr, 0, &tc);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (auto& r : s.rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Top-down PNG row y is stored row (height - 1 - y).
int StoredRow(const CPicture& pic, int pngRow) { return pic.GetHeight() - 1 - pngRow; }

TEST(PngCodec, ColourRoundTripIsExact) {
  CPicture src = MakePatternPicture(53, 29, 5);
  src.SetXDPI(200);
  src.SetYDPI(72);
  const auto bytes = EncodeToBytes(EncodePng, src);
  ASSERT_FALSE(bytes.empty());
  const CPicture back = DecodeBytes(DecodePng, bytes);
  EXPECT_EQ(back.GetBpp(), 24);
  EXPECT_EQ(back.GetWidth(), 53);
  EXPECT_EQ(back.GetHeight(), 29);
  EXPECT_EQ(MaxChannelDiff(src, back), 0);
  EXPECT_FALSE(back.HasAlpha());
  EXPECT_EQ(back.GetXDPI(), 200);
  EXPECT_EQ(back.GetYDPI(), 72);
}

TEST(PngCodec, PalettePicturesKeepDepthIndicesAndPalette) {
  for (int bits : {1, 4, 8}) {
    const CPicture src = MakeIndexedPicture(19, 7, bits);
    const CPicture back = DecodeBytes(DecodePng, EncodeToBytes(EncodePng, src));
    ASSERT_EQ(back.GetBpp(), bits);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 19; ++x) ASSERT_EQ(back.GetPixelIndex(x, y), src.GetPixelIndex(x, y)) << bits;
    for (int i = 0; i < (1 << bits); ++i) {
      const RgbQuad a = src.GetPaletteColor(uint8_t(i)), b = back.GetPaletteColor(uint8_t(i));
      EXPECT_EQ(a.rgbRed, b.rgbRed);
      EXPECT_EQ(a.rgbGreen, b.rgbGreen);
      EXPECT_EQ(a.rgbBlue, b.rgbBlue);
    }
  }
}

TEST(PngCodec, AlphaPlaneSurvivesAsRgba) {
  CPicture src = MakePatternPicture(20, 10, 1);
  ASSERT_TRUE(src.AlphaCreate());
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) *src.AlphaGetPointer(x, y) = uint8_t(x * 12 + y);
  const CPicture back = DecodeBytes(DecodePng, EncodeToBytes(EncodePng, src));
  ASSERT_TRUE(back.HasAlpha());
  EXPECT_EQ(MaxChannelDiff(src, back), 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(*back.AlphaGetPointer(x, y), uint8_t(x * 12 + y));
}

TEST(PngCodec, TransparentIndexSurvives) {
  CPicture src = MakeIndexedPicture(8, 8, 8);
  src.SetTransIndex(5);
  const CPicture back = DecodeBytes(DecodePng, EncodeToBytes(EncodePng, src));
  EXPECT_EQ(back.GetBpp(), 8);
  EXPECT_EQ(back.GetTransIndex(), 5);
  EXPECT_FALSE(back.HasAlpha());
}

TEST(PngCodec, GreyFilesGivePalettePicturesOfTheirDepth) {
  PngSpec s;
  s.width = 5;
  s.height = 2;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.rows = {{0, 50, 100, 200, 255}, {255, 1, 2, 3, 4}};
  CPicture g8 = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(g8.GetBpp(), 8);
  EXPECT_EQ(g8.GetPixelColor(3, StoredRow(g8, 0)).rgbGreen, 200);
  EXPECT_EQ(g8.GetPixelColor(0, StoredRow(g8, 1)).rgbRed, 255);

  s.bitDepth = 16;  // cut to the high byte
  s.rows = {{0x12, 0x34, 0xAB, 0xCD, 0, 0, 0, 0, 0, 0}, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}};
  CPicture g16 = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(g16.GetBpp(), 8);
  EXPECT_EQ(g16.GetPixelColor(0, StoredRow(g16, 0)).rgbRed, 0x12);
  EXPECT_EQ(g16.GetPixelColor(1, StoredRow(g16, 0)).rgbRed, 0xAB);

  s.bitDepth = 2;  // four levels: 0, 85, 170, 255 in a 4-bit picture
  s.rows = {{0x1B, 0x00}, {0xE4, 0x00}};  // 0 1 2 3 | 3 2 1 0
  CPicture g2 = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(g2.GetBpp(), 4);
  EXPECT_EQ(g2.GetPixelColor(1, StoredRow(g2, 0)).rgbRed, 85);
  EXPECT_EQ(g2.GetPixelColor(0, StoredRow(g2, 1)).rgbRed, 255);

  s.bitDepth = 1;
  s.rows = {{0xA0}, {0x50}};  // 1 0 1 0 0 | 0 1 0 1 0
  CPicture g1 = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(g1.GetBpp(), 1);
  EXPECT_EQ(g1.GetPixelColor(0, StoredRow(g1, 0)).rgbRed, 255);
  EXPECT_EQ(g1.GetPixelColor(0, StoredRow(g1, 1)).rgbRed, 0);
}

TEST(PngCodec, GreyTransparencyBecomesTheTransparentIndex) {
  PngSpec s;
  s.width = 2;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.rows = {{7, 9}};
  s.greyTrans = true;
  s.greyTransValue = 9;
  const CPicture pic = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(pic.GetBpp(), 8);
  EXPECT_EQ(pic.GetTransIndex(), 9);
}

TEST(PngCodec, GreyAlphaAndRgbaGiveColourWithAlphaPlane) {
  PngSpec s;
  s.width = 2;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  s.rows = {{100, 0, 200, 128}};
  const CPicture ga = DecodeBytes(DecodePng, MakePng(s));
  ASSERT_EQ(ga.GetBpp(), 24);
  ASSERT_TRUE(ga.HasAlpha());
  EXPECT_EQ(ga.GetPixelColor(1, 0).rgbBlue, 200);
  EXPECT_EQ(*ga.AlphaGetPointer(0, 0), 0);
  EXPECT_EQ(*ga.AlphaGetPointer(1, 0), 128);

  s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  s.bitDepth = 16;
  s.rows = {{0x10, 0, 0x20, 0, 0x30, 0, 0x40, 0, 1, 2, 3, 4, 5, 6, 0xFF, 0xFF}};
  const CPicture rgba = DecodeBytes(DecodePng, MakePng(s));
  ASSERT_TRUE(rgba.HasAlpha());
  const RgbQuad c = rgba.GetPixelColor(0, 0);
  EXPECT_EQ(c.rgbRed, 0x10);
  EXPECT_EQ(c.rgbGreen, 0x20);
  EXPECT_EQ(c.rgbBlue, 0x30);
  EXPECT_EQ(*rgba.AlphaGetPointer(0, 0), 0x40);
  EXPECT_EQ(*rgba.AlphaGetPointer(1, 0), 0xFF);
}

TEST(PngCodec, PaletteTransparencyPicksIndexOrAlphaPlane) {
  PngSpec s;
  s.width = 3;
  s.height = 1;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  s.rows = {{0, 1, 2}};
  s.trans = {255, 0};  // one entry fully transparent
  const CPicture keyed = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(keyed.GetBpp(), 8);
  EXPECT_EQ(keyed.GetTransIndex(), 1);
  EXPECT_FALSE(keyed.HasAlpha());

  s.trans = {255, 100};  // partial transparency needs the alpha plane
  const CPicture blended = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(blended.GetBpp(), 24);
  ASSERT_TRUE(blended.HasAlpha());
  EXPECT_EQ(*blended.AlphaGetPointer(1, 0), 100);
  EXPECT_EQ(*blended.AlphaGetPointer(2, 0), 255);
  EXPECT_EQ(blended.GetPixelColor(2, 0).rgbBlue, 255);
  EXPECT_EQ(blended.GetPixelColor(2, 0).rgbRed, 0);
}

TEST(PngCodec, InterlacedFilesDecodeLikePlainOnes) {
  PngSpec s;
  s.width = 13;
  s.height = 11;
  s.colorType = PNG_COLOR_TYPE_RGB;
  for (int y = 0; y < s.height; ++y) {
    std::vector<uint8_t> row;
    for (int x = 0; x < s.width; ++x) {
      row.push_back(uint8_t(x * 19));
      row.push_back(uint8_t(y * 23));
      row.push_back(uint8_t(x * y));
    }
    s.rows.push_back(row);
  }
  const CPicture plain = DecodeBytes(DecodePng, MakePng(s));
  s.interlaced = true;
  const CPicture laced = DecodeBytes(DecodePng, MakePng(s));
  EXPECT_EQ(MaxChannelDiff(plain, laced), 0);
  const RgbQuad c = laced.GetPixelColor(4, StoredRow(laced, 6));
  EXPECT_EQ(c.rgbRed, 4 * 19);
  EXPECT_EQ(c.rgbGreen, 6 * 23);
  EXPECT_EQ(c.rgbBlue, 24);
}

}  // namespace

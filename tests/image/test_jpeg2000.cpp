#include <gtest/gtest.h>

#include "J2kTestEncoder.h"
#include "LibCodecTestUtil.h"

namespace {

int Pattern(int c, int x, int y) { return (x * 13 + y * 7 + c * 50) & 0xFF; }

TEST(Jpeg2000Codec, LosslessColourFileDecodesExactly) {
  const int w = 37, h = 21;
  const auto bytes =
      MakeJ2k(OPJ_CODEC_JP2, w, h, {{}, {}, {}}, OPJ_CLRSPC_SRGB, Pattern);
  ASSERT_GE(bytes.size(), 12u);
  const CPicture pic = DecodeBytes(DecodeJpeg2000, bytes);
  ASSERT_EQ(pic.GetBpp(), 24);
  EXPECT_EQ(pic.GetWidth(), w);
  EXPECT_EQ(pic.GetHeight(), h);
  EXPECT_FALSE(pic.HasAlpha());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const RgbQuad c = pic.GetPixelColor(x, h - 1 - y);
      ASSERT_EQ(c.rgbRed, Pattern(0, x, y));
      ASSERT_EQ(c.rgbGreen, Pattern(1, x, y));
      ASSERT_EQ(c.rgbBlue, Pattern(2, x, y));
    }
}

TEST(Jpeg2000Codec, GreyCodeStreamGivesEightBitGrey) {
  const auto bytes = MakeJ2k(OPJ_CODEC_J2K, 10, 6, {{}}, OPJ_CLRSPC_GRAY, Pattern);
  ASSERT_EQ(bytes[0], 0xFF);
  ASSERT_EQ(bytes[1], 0x4F);
  const CPicture pic = DecodeBytes(DecodeJpeg2000, bytes);
  EXPECT_EQ(pic.GetBpp(), 8);
  EXPECT_EQ(pic.GetType(), PICTURE_JPC);
  EXPECT_EQ(pic.GetPixelColor(4, 5 - 2).rgbRed, Pattern(0, 4, 2));
}

TEST(Jpeg2000Codec, PrecisionsOtherThanEightAreScaled) {
  CompSpec deep;
  deep.prec = 12;
  const auto twelve = MakeJ2k(OPJ_CODEC_J2K, 8, 4, {deep}, OPJ_CLRSPC_GRAY,
                              [](int, int x, int y) { return x * 500 + y; });
  const CPicture a = DecodeBytes(DecodeJpeg2000, twelve);
  EXPECT_EQ(a.GetPixelColor(7, 3).rgbRed, (7 * 500) >> 4);

  CompSpec shallow;
  shallow.prec = 4;
  const auto four = MakeJ2k(OPJ_CODEC_J2K, 8, 4, {shallow}, OPJ_CLRSPC_GRAY,
                            [](int, int x, int) { return x * 2; });
  const CPicture b = DecodeBytes(DecodeJpeg2000, four);
  EXPECT_EQ(b.GetPixelColor(7, 0).rgbRed, 14 * 255 / 15);

  CompSpec sgnd;
  sgnd.sgnd = true;
  const auto signedData = MakeJ2k(OPJ_CODEC_J2K, 8, 4, {sgnd}, OPJ_CLRSPC_GRAY,
                                  [](int, int x, int) { return x * 30 - 128; });
  const CPicture c = DecodeBytes(DecodeJpeg2000, signedData);
  EXPECT_EQ(c.GetPixelColor(0, 0).rgbRed, 0);
  EXPECT_EQ(c.GetPixelColor(5, 0).rgbRed, 150);
}

TEST(Jpeg2000Codec, FourthComponentIsAlpha) {
  const auto bytes = MakeJ2k(OPJ_CODEC_JP2, 6, 3, {{}, {}, {}, {}}, OPJ_CLRSPC_SRGB,
                             [](int c, int x, int y) { return c == 3 ? x * 40 + y : 100 + c; });
  const CPicture pic = DecodeBytes(DecodeJpeg2000, bytes);
  ASSERT_TRUE(pic.HasAlpha());
  EXPECT_EQ(*pic.AlphaGetPointer(5, 2 - 1), 5 * 40 + 1);
  EXPECT_EQ(pic.GetPixelColor(2, 2).rgbBlue, 102);
}

TEST(Jpeg2000Codec, SubsampledChromaIsUpsampled) {
  CompSpec half;
  half.dx = half.dy = 2;
  // Neutral chroma on the left half, strong red difference on the right.
  const auto bytes = MakeJ2k(OPJ_CODEC_J2K, 8, 4, {{}, half, half}, OPJ_CLRSPC_SYCC,
                             [](int c, int x, int) {
                               if (c == 0) return 100;
                               if (c == 2 && x >= 2) return 178;
                               return 128;
                             });
  const CPicture pic = DecodeBytes(DecodeJpeg2000, bytes);
  ASSERT_EQ(pic.GetBpp(), 24);
  EXPECT_EQ(pic.GetWidth(), 8);
  const RgbQuad left = pic.GetPixelColor(1, 1), right = pic.GetPixelColor(6, 1);
  EXPECT_EQ(left.rgbRed, 100);
  EXPECT_EQ(left.rgbGreen, 100);
  EXPECT_EQ(left.rgbBlue, 100);
  EXPECT_NEAR(right.rgbRed, 170, 1);  // Y + 1.402 * 50
  EXPECT_LT(right.rgbGreen, 100);
}

TEST(Jpeg2000Codec, RefusesOtherDataAndDamagedHeaders) {
  CPicture pic;
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0, 0};
  EXPECT_EQ(DecodeJpeg2000(pic, png.data(), png.size()).message, "Not a JPEG 2000 file");

  auto bytes = MakeJ2k(OPJ_CODEC_J2K, 16, 16, {{}}, OPJ_CLRSPC_GRAY, Pattern);
  bytes.resize(20);  // inside the size marker segment
  const Result r = DecodeJpeg2000(pic, bytes.data(), bytes.size());
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.message.find("JPEG 2000"), std::string::npos);
  EXPECT_FALSE(pic.IsValid());
}

}  // namespace

#include <gtest/gtest.h>

#include "LibCodecTestUtil.h"
#include "support/TestSupport.h"
#include "image/JpegGlue.h"

namespace {

CPicture MakeGreyPicture(int width, int height, bool reversedPalette) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, 8, PICTURE_BMP);
  std::vector<RgbQuad> pal(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = uint8_t(reversedPalette ? 255 - i : i);
    pal[size_t(i)] = Rgb(v, v, v);
  }
  pic.SetPalette(pal.data(), 256);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pic.SetPixelIndex(x, y, uint8_t((x * 4 + y * 2) & 0xFF));
  return pic;
}

// A CMYK stream the way print software writes it: Adobe marker, inverted ink values.
std::vector<uint8_t> MakeCmykJpeg(int width, int height, const uint8_t cmyk[4]) {
  std::vector<uint8_t> row(size_t(width) * 4);
  for (int x = 0; x < width; ++x) std::copy(cmyk, cmyk + 4, row.begin() + 4 * x);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + outSize);
  jpeg_destroy_compress(&cinfo);
  free(out);
  return bytes;
}

TEST(JpegCodec, ColourRoundTripKeepsSizeDepthAndLooks) {
  const CPicture src = MakeSmoothPicture(61, 37);  // odd sizes exercise row padding
  const auto bytes = EncodeToBytes(EncodeJpeg, src);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  const CPicture back = DecodeBytes(DecodeJpeg, bytes);
  ASSERT_TRUE(back.IsValid());
  EXPECT_EQ(back.GetWidth(), 61);
  EXPECT_EQ(back.GetHeight(), 37);
  EXPECT_EQ(back.GetBpp(), 24);
  EXPECT_LT(MeanChannelDiff(src, back), 4.0);
}

TEST(JpegCodec, RowsStayInPictureOrder) {
  // Top half red, bottom half blue: a flipped or channel-swapped codec fails at once.
  CPicture src = MakeSolidPicture(32, 32, 0, 0, 255);
  for (int y = 16; y < 32; ++y)
    for (int x = 0; x < 32; ++x) src.SetPixelColor(x, y, Rgb(255, 0, 0));  // y counts from the bottom
  const CPicture back = DecodeBytes(DecodeJpeg, EncodeToBytes(EncodeJpeg, src));
  const RgbQuad top = back.GetPixelColor(8, 28), bottom = back.GetPixelColor(8, 4);
  EXPECT_GT(top.rgbRed, 200);
  EXPECT_LT(top.rgbBlue, 60);
  EXPECT_GT(bottom.rgbBlue, 200);
  EXPECT_LT(bottom.rgbRed, 60);
}

TEST(JpegCodec, GreyPicturesStayGreyWithEightBits) {
  const CPicture src = MakeGreyPicture(40, 30, false);
  const auto bytes = EncodeToBytes(EncodeJpeg, src);
  ASSERT_FALSE(bytes.empty());
  const CPicture back = DecodeBytes(DecodeJpeg, bytes);
  EXPECT_EQ(back.GetBpp(), 8);
  EXPECT_TRUE(IsGreyScalePicture(back));
  EXPECT_LT(MeanChannelDiff(src, back), 3.0);
}

TEST(JpegCodec, GreyLevelsComeFromThePaletteNotTheIndex) {
  const CPicture src = MakeGreyPicture(40, 30, true);  // index i shows grey 255 - i
  const CPicture back = DecodeBytes(DecodeJpeg, EncodeToBytes(EncodeJpeg, src));
  EXPECT_LT(MeanChannelDiff(src, back), 3.0);
}

TEST(JpegCodec, RefusesColourPalettePictures) {
  for (int bits : {1, 4, 8}) {
    const CPicture src = MakeIndexedPicture(16, 16, bits);
    std::string err;
    EXPECT_TRUE(EncodeToBytes(EncodeJpeg, src, &err).empty()) << bits;
    EXPECT_EQ(err, "JPEG can save only RGB or GreyScale images") << bits;
  }
}

TEST(JpegCodec, QualityAndResolutionComeFromThePicture) {
  CPicture src = MakePatternPicture(64, 64, 9);
  src.SetJpegQuality(20);
  const size_t low = EncodeToBytes(EncodeJpeg, src).size();
  src.SetJpegQuality(95);
  src.SetXDPI(300);
  src.SetYDPI(150);
  const auto high = EncodeToBytes(EncodeJpeg, src);
  EXPECT_LT(low, high.size());
  const CPicture back = DecodeBytes(DecodeJpeg, high);
  EXPECT_EQ(back.GetXDPI(), 300);
  EXPECT_EQ(back.GetYDPI(), 150);
}

TEST(JpegCodec, CmykBecomesColour) {
  const uint8_t white[4] = {255, 255, 255, 255};  // inverted: no ink at all
  const uint8_t cyan[4] = {0, 255, 255, 255};     // full cyan ink only
  const CPicture w = DecodeBytes(DecodeJpeg, MakeCmykJpeg(16, 8, white));
  const CPicture c = DecodeBytes(DecodeJpeg, MakeCmykJpeg(16, 8, cyan));
  ASSERT_EQ(w.GetBpp(), 24);
  const RgbQuad pw = w.GetPixelColor(5, 5), pc = c.GetPixelColor(5, 5);
  EXPECT_GT(pw.rgbRed, 245);
  EXPECT_GT(pw.rgbGreen, 245);
  EXPECT_GT(pw.rgbBlue, 245);
  EXPECT_LT(pc.rgbRed, 15);
  EXPECT_GT(pc.rgbGreen, 240);
  EXPECT_GT(pc.rgbBlue, 240);
}

TEST(JpegGlue, EncodesTopDownFourByteRows) {
  // 32-bit read-back style rows, top row first, with garbage in the unused byte.
  const int w = 24, h = 16;
  std::vector<uint8_t> rows(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rows[(size_t(y) * w + x) * 4];
      p[0] = y < h / 2 ? 250 : 10;  // blue on top
      p[1] = 20;
      p[2] = y < h / 2 ? 10 : 250;  // red below
      p[3] = 0x5A;
    }
  JpegSourceImage src;
  src.pBits = rows.data();
  src.nWidth = w;
  src.nHeight = h;
  src.nStride = size_t(w) * 4;
  src.nComponents = 4;
  src.bBottomUp = false;
  std::vector<uint8_t> out;
  std::string err;
  ASSERT_TRUE(JpegEncodeToMemory(src, 90, out, err)) << err;
  const CPicture back = DecodeBytes(DecodeJpeg, out);
  EXPECT_GT(back.GetPixelColor(3, h - 2).rgbBlue, 200);  // top of the picture
  EXPECT_GT(back.GetPixelColor(3, 1).rgbRed, 200);
}

}  // namespace

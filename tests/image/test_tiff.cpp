#include <gtest/gtest.h>
#include <tiffio.h>

#include <functional>

#include "LibCodecTestUtil.h"
#include "support/TestSupport.h"

namespace {

// Writes a TIFF file with libtiff itself: `tags` sets the fields, `body` the data.
std::vector<uint8_t> MakeTiff(const std::function<void(TIFF*)>& tags,
                              const std::function<void(TIFF*)>& body) {
  TempDir dir;
  const std::string path = dir.File("made.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) {
    ADD_FAILURE() << "cannot create test TIFF";
    return {};
  }
  tags(tif);
  body(tif);
  TIFFClose(tif);
  return ReadFileBytes(path);
}

void BasicTags(TIFF* tif, int w, int h, int bps, int spp, int photometric) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

void WriteRows(TIFF* tif, const std::vector<std::vector<uint8_t>>& rows) {
  for (size_t y = 0; y < rows.size(); ++y) {
    std::vector<uint8_t> r = rows[y];
    TIFFWriteScanline(tif, r.data(), uint32_t(y), 0);
  }
}

TEST(TiffCodec, ColourRoundTripIsExact) {
  CPicture src = MakePatternPicture(45, 31, 2);
  src.SetXDPI(300);
  src.SetYDPI(300);
  const auto bytes = EncodeToBytes(EncodeTiff, src);
  ASSERT_GT(bytes.size(), size_t(45 * 31 * 3));
  const CPicture back = DecodeBytes(DecodeTiff, bytes);
  EXPECT_EQ(back.GetBpp(), 24);
  EXPECT_EQ(back.GetWidth(), 45);
  EXPECT_EQ(back.GetHeight(), 31);
  EXPECT_EQ(MaxChannelDiff(src, back), 0);
  EXPECT_EQ(back.GetXDPI(), 300);
}

TEST(TiffCodec, PalettePicturesStayPalettePictures) {
  for (int bits : {1, 4, 8}) {
    const CPicture src = MakeIndexedPicture(23, 9, bits);
    const CPicture back = DecodeBytes(DecodeTiff, EncodeToBytes(EncodeTiff, src));
    ASSERT_EQ(back.GetBpp(), bits);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 23; ++x) ASSERT_EQ(back.GetPixelIndex(x, y), src.GetPixelIndex(x, y)) << bits;
    EXPECT_EQ(MaxChannelDiff(src, back), 0) << bits;
  }
}

TEST(TiffCodec, AlphaPlaneRoundTripsWithoutPremultiplying) {
  CPicture src = MakePatternPicture(16, 8, 4);
  ASSERT_TRUE(src.AlphaCreate());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) *src.AlphaGetPointer(x, y) = uint8_t(x * 16);
  const CPicture back = DecodeBytes(DecodeTiff, EncodeToBytes(EncodeTiff, src));
  ASSERT_TRUE(back.HasAlpha());
  EXPECT_EQ(MaxChannelDiff(src, back), 0);
  EXPECT_EQ(*back.AlphaGetPointer(3, 2), 48);
}

TEST(TiffCodec, EncodesAtTheStreamPositionItIsGiven) {
  // Offsets inside the TIFF are relative to its own start, even after other bytes.
  const CPicture src = MakePatternPicture(9, 5, 7);
  FILE* fp = std::tmpfile();
  ASSERT_NE(fp, nullptr);
  std::fputs("PREFIX", fp);
  const Result r = EncodeTiff(src, fp);
  ASSERT_TRUE(r.ok()) << r.message;
  const long end = std::ftell(fp);
  std::vector<uint8_t> bytes(size_t(end > 6 ? end - 6 : 0));
  std::fseek(fp, 6, SEEK_SET);
  ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), fp), bytes.size());
  std::fclose(fp);
  EXPECT_EQ(MaxChannelDiff(src, DecodeBytes(DecodeTiff, bytes)), 0);
}

TEST(TiffCodec, GreyAndBilevelFilesKeepTheirDepth) {
  const auto grey = MakeTiff([](TIFF* t) { BasicTags(t, 4, 2, 8, 1, PHOTOMETRIC_MINISBLACK); },
                             [](TIFF* t) { WriteRows(t, {{0, 60, 120, 255}, {9, 8, 7, 6}}); });
  const CPicture g = DecodeBytes(DecodeTiff, grey);
  EXPECT_EQ(g.GetBpp(), 8);
  EXPECT_EQ(g.GetPixelColor(2, 1).rgbRed, 120);  // top row is stored row 1
  EXPECT_EQ(g.GetPixelColor(3, 0).rgbBlue, 6);

  const auto bilevel = MakeTiff([](TIFF* t) { BasicTags(t, 8, 1, 1, 1, PHOTOMETRIC_MINISWHITE); },
                                [](TIFF* t) { WriteRows(t, {{0x0F}}); });
  const CPicture b = DecodeBytes(DecodeTiff, bilevel);
  EXPECT_EQ(b.GetBpp(), 1);
  EXPECT_EQ(b.GetPixelColor(0, 0).rgbRed, 255);  // 0 is white in a min-is-white file
  EXPECT_EQ(b.GetPixelColor(7, 0).rgbRed, 0);
}

TEST(TiffCodec, OtherLayoutsGoThroughTheGeneralReader) {
  // 16-bit RGB, compressed with LZW, four rows per strip.
  const auto deep = MakeTiff(
      [](TIFF* t) {
        BasicTags(t, 3, 5, 16, 3, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 4);
      },
      [](TIFF* t) {
        for (uint32_t y = 0; y < 5; ++y) {
          std::vector<uint16_t> row;
          for (int x = 0; x < 3; ++x) {
            row.push_back(uint16_t(0x1000 * x + 0x100 * y));
            row.push_back(0xFFFF);
            row.push_back(0);
          }
          TIFFWriteScanline(t, row.data(), y, 0);
        }
      });
  const CPicture d = DecodeBytes(DecodeTiff, deep);
  ASSERT_EQ(d.GetBpp(), 24);
  const RgbQuad c = d.GetPixelColor(2, 4 - 3);  // file row 3
  EXPECT_EQ(c.rgbRed, 0x23);
  EXPECT_EQ(c.rgbGreen, 0xFF);
  EXPECT_EQ(c.rgbBlue, 0);

  // Tiled 8-bit RGB.
  const auto tiled = MakeTiff(
      [](TIFF* t) {
        BasicTags(t, 20, 18, 8, 3, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
      },
      [](TIFF* t) {
        std::vector<uint8_t> tile(16 * 16 * 3);
        for (uint32_t ty = 0; ty < 18; ty += 16)
          for (uint32_t tx = 0; tx < 20; tx += 16) {
            for (uint32_t y = 0; y < 16; ++y)
              for (uint32_t x = 0; x < 16; ++x) {
                uint8_t* p = &tile[(y * 16 + x) * 3];
                p[0] = uint8_t(tx + x);
                p[1] = uint8_t(ty + y);
                p[2] = 77;
              }
            TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
          }
      });
  const CPicture ti = DecodeBytes(DecodeTiff, tiled);
  ASSERT_EQ(ti.GetBpp(), 24);
  const RgbQuad p = ti.GetPixelColor(18, 17 - 17);  // file row 17, column 18
  EXPECT_EQ(p.rgbRed, 18);
  EXPECT_EQ(p.rgbGreen, 17);
  EXPECT_EQ(p.rgbBlue, 77);
}

TEST(TiffCodec, UnopenableDataGivesTheOpeningError) {
  CPicture pic;
  const std::vector<uint8_t> junk = {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};
  EXPECT_EQ(DecodeTiff(pic, junk.data(), junk.size()).message, "Error encountered while opening TIFF file");
  const std::vector<uint8_t> notTiff = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DecodeTiff(pic, notTiff.data(), notTiff.size()).message, "Error encountered while opening TIFF file");
}

}  // namespace

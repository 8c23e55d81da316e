#include <gtest/gtest.h>

#include <string>

#include "LibCodecTestUtil.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- PNM ----

TEST(PnmCodec, PlainAndRawBitmapsAgree) {
  // 1 is black; plain files may run the digits together.
  const CPicture plain = DecodeBytes(DecodePnm, Bytes("P1\n# comment\n10 2\n1000000001\n0 1 1 0 0 0 0 0 0 0\n"));
  const CPicture raw = DecodeBytes(DecodePnm, Concat(Bytes("P4 10 2\n"), {0x80, 0x40, 0x60, 0x00}));
  for (const CPicture* p : {&plain, &raw}) {
    ASSERT_EQ(p->GetBpp(), 1);
    EXPECT_EQ(p->GetPixelColor(0, 1).rgbRed, 0);    // top-left black
    EXPECT_EQ(p->GetPixelColor(1, 1).rgbRed, 255);  // white
    EXPECT_EQ(p->GetPixelColor(2, 0).rgbRed, 0);    // bottom row, third pixel
    EXPECT_EQ(p->GetPixelColor(0, 0).rgbRed, 255);
  }
  EXPECT_EQ(plain.GetPixelColor(9, 1).rgbRed, 0);
}

TEST(PnmCodec, GreyMapsScaleToEightBits) {
  const CPicture plain = DecodeBytes(DecodePnm, Bytes("P2 3 1 15\n0 15 5\n"));
  EXPECT_EQ(plain.GetBpp(), 8);
  EXPECT_EQ(plain.GetPixelColor(1, 0).rgbRed, 255);
  EXPECT_EQ(plain.GetPixelColor(2, 0).rgbRed, 85);
  const CPicture wide = DecodeBytes(DecodePnm, Concat(Bytes("P5 2 1 65535\n"), {0xFF, 0xFF, 0x80, 0x00}));
  EXPECT_EQ(wide.GetPixelColor(0, 0).rgbGreen, 255);
  EXPECT_EQ(wide.GetPixelColor(1, 0).rgbGreen, 128);
}

TEST(PnmCodec, PixelMapsGiveColourInOrder) {
  const CPicture plain = DecodeBytes(DecodePnm, Bytes("P3\n2 2\n255\n255 0 0  0 255 0\n0 0 255  1 2 3\n"));
  const CPicture raw =
      DecodeBytes(DecodePnm, Concat(Bytes("P6\n2 2\n255\n"), {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3}));
  for (const CPicture* p : {&plain, &raw}) {
    ASSERT_EQ(p->GetBpp(), 24);
    EXPECT_EQ(p->GetPixelColor(0, 1).rgbRed, 255);   // top-left red
    EXPECT_EQ(p->GetPixelColor(1, 1).rgbGreen, 255);
    EXPECT_EQ(p->GetPixelColor(0, 0).rgbBlue, 255);
    const RgbQuad c = p->GetPixelColor(1, 0);
    EXPECT_EQ(c.rgbRed, 1);
    EXPECT_EQ(c.rgbGreen, 2);
    EXPECT_EQ(c.rgbBlue, 3);
  }
}

TEST(PnmCodec, RefusesBadHeadersAndSamples) {
  ExpectRefused(DecodePnm, Bytes("P7 2 2 255\n"), "unknown kind");
  ExpectRefused(DecodePnm, Bytes("P2 0 1 255\n"), "zero width");
  ExpectRefused(DecodePnm, Bytes("P2 1 1 0\n0"), "zero maxval");
  ExpectRefused(DecodePnm, Bytes("P2 1 1 70000\n0"), "maxval above 65535");
  ExpectRefused(DecodePnm, Bytes("P2 2 1 10\n3 11\n"), "sample above maxval");
  ExpectRefused(DecodePnm, Bytes("P3 2 1 255\n1 2 3 4 5\n"), "missing samples");
  ExpectRefused(DecodePnm, Bytes("P6 99999999999 1 255\n"), "absurd width");
  ExpectRefused(DecodePnm, Bytes("P6 65535 65535 255\n\x01\x02"), "too large");
  ExpectRefused(DecodePnm, Bytes("P5 4 4 255\n\x01\x02"), "truncated raster");
  ExpectRefused(DecodePnm, Bytes("P54 4 255\n"), "no separator");
}

// ---- PGX ----

TEST(PgxCodec, ReadsBothByteOrdersAndSigns) {
  const CPicture ml = DecodeBytes(DecodePgx, Concat(Bytes("PG ML + 12 2 1\n"), {0x0F, 0xFF, 0x08, 0x00}));
  ASSERT_EQ(ml.GetBpp(), 8);
  EXPECT_EQ(ml.GetPixelColor(0, 0).rgbRed, 255);
  EXPECT_EQ(ml.GetPixelColor(1, 0).rgbRed, 128);
  const CPicture lm = DecodeBytes(DecodePgx, Concat(Bytes("PG LM +12 2 1\n"), {0xFF, 0x0F, 0x00, 0x08}));
  EXPECT_EQ(MaxChannelDiff(ml, lm), 0);
  // Signed 8-bit samples: -128 is black, 127 is white.
  const CPicture sgn = DecodeBytes(DecodePgx, Concat(Bytes("PG ML - 8 3 1\n"), {0x80, 0x00, 0x7F}));
  EXPECT_EQ(sgn.GetPixelColor(0, 0).rgbRed, 0);
  EXPECT_EQ(sgn.GetPixelColor(1, 0).rgbRed, 128);
  EXPECT_EQ(sgn.GetPixelColor(2, 0).rgbRed, 255);
}

TEST(PgxCodec, RowsAreTopDownAndShallowDepthsStretch) {
  const CPicture pic = DecodeBytes(DecodePgx, Concat(Bytes("PG ML 4 1 2\n"), {15, 5}));
  EXPECT_EQ(pic.GetPixelColor(0, 1).rgbRed, 255);  // first file row at the top
  EXPECT_EQ(pic.GetPixelColor(0, 0).rgbRed, 85);
}

TEST(PgxCodec, RefusesBadFiles) {
  ExpectRefused(DecodePgx, Bytes("PG XX 8 1 1\n\x00"), "bad byte order");
  ExpectRefused(DecodePgx, Bytes("PG ML 8 1 1 \x00"), "no newline");
  ExpectRefused(DecodePgx, Bytes("PG ML 40 1 1\n\x00\x00\x00\x00\x00"), "depth above 32");
  ExpectRefused(DecodePgx, Bytes("PG ML 16 4 4\n\x00\x01"), "truncated");
  ExpectRefused(DecodePgx, Bytes("PG ML 8 0 4\n"), "zero width");
  ExpectRefused(DecodePgx, Bytes("PG ML 8 65535 65535\n"), "too large");
}

// ---- Sun raster ----

std::vector<uint8_t> RasHeader(uint32_t w, uint32_t h, uint32_t depth, uint32_t length, uint32_t type,
                               uint32_t mapType, uint32_t mapLength) {
  std::vector<uint8_t> out;
  for (uint32_t v : {0x59A66A95u, w, h, depth, length, type, mapType, mapLength})
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
  return out;
}

TEST(RasCodec, TrueColourOrdersAndPadding) {
  // 3 pixels of 24 bits = 9 bytes, padded to 10 per row.
  const auto bgr = Concat(RasHeader(3, 1, 24, 10, 1, 0, 0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 0});
  const CPicture a = DecodeBytes(DecodeRas, bgr);
  ASSERT_EQ(a.GetBpp(), 24);
  EXPECT_EQ(a.GetPixelColor(0, 0).rgbBlue, 1);
  EXPECT_EQ(a.GetPixelColor(0, 0).rgbRed, 3);
  const auto rgb = Concat(RasHeader(3, 1, 24, 10, 3, 0, 0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 0});
  EXPECT_EQ(DecodeBytes(DecodeRas, rgb).GetPixelColor(2, 0).rgbRed, 7);
  const auto xbgr = Concat(RasHeader(1, 2, 32, 8, 1, 0, 0), {0, 10, 20, 30, 0, 40, 50, 60});
  const CPicture c = DecodeBytes(DecodeRas, xbgr);
  EXPECT_EQ(c.GetPixelColor(0, 1).rgbBlue, 10);  // first file row on top
  EXPECT_EQ(c.GetPixelColor(0, 0).rgbRed, 60);
}

TEST(RasCodec, ColourMapsAndBitmaps) {
  // Two-entry map: red then blue planes of the map.
  std::vector<uint8_t> map = {200, 0, 10, 20, 30, 40};  // reds, greens, blues
  const auto eight = Concat(Concat(RasHeader(3, 1, 8, 4, 1, 1, 6), map), {1, 0, 1, 0});
  const CPicture p = DecodeBytes(DecodeRas, eight);
  ASSERT_EQ(p.GetBpp(), 8);
  const RgbQuad c = p.GetPixelColor(0, 0);
  EXPECT_EQ(c.rgbRed, 0);
  EXPECT_EQ(c.rgbGreen, 20);
  EXPECT_EQ(c.rgbBlue, 40);
  EXPECT_EQ(p.GetPixelColor(1, 0).rgbRed, 200);

  const auto mono = Concat(RasHeader(9, 1, 1, 2, 1, 0, 0), {0x80, 0x80});
  const CPicture m = DecodeBytes(DecodeRas, mono);
  ASSERT_EQ(m.GetBpp(), 1);
  EXPECT_EQ(m.GetPixelColor(0, 0).rgbRed, 0);  // 1 is black
  EXPECT_EQ(m.GetPixelColor(1, 0).rgbRed, 255);
  EXPECT_EQ(m.GetPixelColor(8, 0).rgbRed, 0);
}

TEST(RasCodec, RunLengthEncodedRows) {
  // 6 grey pixels: a run of five 0x33, then a literal 0x80 (escaped).
  const auto rle = Concat(RasHeader(6, 1, 8, 5, 2, 0, 0), {0x80, 0x04, 0x33, 0x80, 0x00});
  const CPicture p = DecodeBytes(DecodeRas, rle);
  EXPECT_EQ(p.GetPixelColor(4, 0).rgbRed, 0x33);
  EXPECT_EQ(p.GetPixelColor(5, 0).rgbRed, 0x80);
  ExpectRefused(DecodeRas, Concat(RasHeader(6, 1, 8, 3, 2, 0, 0), {0x80, 0x02, 0x33}), "short run data");
  ExpectRefused(DecodeRas, Concat(RasHeader(6, 1, 8, 2, 2, 0, 0), {0x11, 0x80}), "escape at the end");
}

TEST(RasCodec, RefusesBadHeaders) {
  ExpectRefused(DecodeRas, RasHeader(4, 4, 16, 0, 1, 0, 0), "16-bit depth");
  ExpectRefused(DecodeRas, RasHeader(0, 4, 8, 0, 1, 0, 0), "zero width");
  ExpectRefused(DecodeRas, RasHeader(60000, 60000, 24, 0, 1, 0, 0), "too large");
  ExpectRefused(DecodeRas, RasHeader(4, 4, 8, 0, 1, 1, 0x7FFFFFFF), "map beyond the data");
  ExpectRefused(DecodeRas, Concat(RasHeader(4, 4, 8, 0, 1, 1, 4), {1, 2, 3, 4}), "map not of 3 planes");
  ExpectRefused(DecodeRas, Concat(RasHeader(4, 4, 8, 16, 1, 0, 0), {1, 2, 3}), "truncated pixels");
  ExpectRefused(DecodeRas, RasHeader(4, 4, 8, 0, 9, 0, 0), "unknown type");
}

}  // namespace

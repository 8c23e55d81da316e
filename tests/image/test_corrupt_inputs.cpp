// Damaged and hostile files: every reader answers false with a message, never crashes, and
// never allocates what a header merely claims.
#include <gtest/gtest.h>

#include <random>

#include "image/IconBuilder.h"
#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"
#include "image/GifLzw.h"

using namespace imgtest;

namespace {

struct Sample {
  const char* name;
  int type;
  std::vector<uint8_t> bytes;
  size_t minValid;  // every shorter prefix must be refused
};

std::vector<Sample> Samples() {
  std::vector<Sample> s;
  CPicture rgb = MakePatternPicture(7, 5, 2);
  CPicture pal = MakeIndexedPicture(9, 6, 8, 3);
  CPicture pal4 = MakeIndexedPicture(9, 6, 4, 3);
  std::vector<uint8_t> b = EncodeToBytes(rgb, PICTURE_BMP);
  s.push_back({"bmp24", PICTURE_BMP, b, b.size() - 3});  // the last row's padding may be missing
  b = EncodeToBytes(pal4, PICTURE_BMP);
  s.push_back({"bmp4", PICTURE_BMP, b, b.size() - 3});
  b = EncodeToBytes(pal, PICTURE_GIF);
  s.push_back({"gif8", PICTURE_GIF, b, b.size() - 1});  // the trailer is optional
  b = EncodeToBytes(rgb, PICTURE_GIF);
  s.push_back({"gif24", PICTURE_GIF, b, 13 + 8 + 10 + 768 + 2});
  b = EncodeToBytes(rgb, PICTURE_TGA);
  s.push_back({"tga24", PICTURE_TGA, b, b.size()});
  b = EncodeToBytes(pal, PICTURE_TGA);
  s.push_back({"tga8", PICTURE_TGA, b, b.size()});
  b = EncodeToBytes(rgb, PICTURE_PCX);
  s.push_back({"pcx24", PICTURE_PCX, b, b.size()});
  b = EncodeToBytes(pal, PICTURE_PCX);
  s.push_back({"pcx8", PICTURE_PCX, b, b.size() - 769});  // without its palette it reads as grey
  std::vector<uint8_t> pal16(64, 0);
  b = IconFile({{3, 2, 4, IconDib(3, 2, 4, pal16, std::vector<uint8_t>(8, 0x12), std::vector<uint8_t>(8, 0x40))}});
  s.push_back({"ico", PICTURE_ICO, b, b.size()});
  b = WbmpFile(12, 3, std::vector<uint8_t>(6, 0x5A));
  s.push_back({"wbmp", PICTURE_WBMP, b, b.size()});
  return s;
}

}  // namespace

TEST(CorruptInputs, ValidSamplesDecode) {
  for (const Sample& s : Samples()) {
    CPicture pic;
    EXPECT_TRUE(pic.Decode(s.bytes.data(), s.bytes.size(), s.type)) << s.name << ": " << pic.GetLastError();
  }
}

TEST(CorruptInputs, EveryTruncationIsRefusedWithAMessage) {
  for (const Sample& s : Samples()) {
    for (size_t n = 0; n < s.bytes.size(); ++n) {
      // A copy of exactly n bytes, so reading past it is caught by the address sanitizer.
      std::vector<uint8_t> cut(s.bytes.begin(), s.bytes.begin() + static_cast<long>(n));
      CPicture pic;
      bool ok = pic.Decode(cut.empty() ? nullptr : cut.data(), cut.size(), s.type);
      if (n < s.minValid) {
        EXPECT_FALSE(ok) << s.name << " cut to " << n;
      }
      if (!ok) {
        EXPECT_FALSE(pic.GetLastError().empty()) << s.name << " cut to " << n;
      }
    }
  }
}

TEST(CorruptInputs, RandomDamageNeverCrashes) {
  std::mt19937 rng(1234);
  for (const Sample& s : Samples()) {
    for (int round = 0; round < 400; ++round) {
      std::vector<uint8_t> bad = s.bytes;
      const int changes = 1 + static_cast<int>(rng() % 6);
      for (int k = 0; k < changes; ++k) {
        size_t at = rng() % bad.size();
        // Header bytes are hit more often: that is where sizes and offsets live.
        if (rng() % 2) at = rng() % std::min<size_t>(bad.size(), 64);
        bad[at] = static_cast<uint8_t>(rng());
      }
      CPicture pic;
      bool ok = pic.Decode(bad.data(), bad.size(), s.type);
      if (!ok) {
        EXPECT_FALSE(pic.GetLastError().empty()) << s.name;
      } else {
        EXPECT_TRUE(pic.IsValid());
        EXPECT_GT(pic.GetWidth(), 0);
      }
    }
  }
}

TEST(CorruptInputs, GarbageThroughDetection) {
  std::mt19937 rng(99);
  for (size_t size : {1u, 2u, 13u, 18u, 40u, 128u, 129u, 1000u, 5000u}) {
    for (int round = 0; round < 20; ++round) {
      std::vector<uint8_t> junk(size);
      for (uint8_t& b : junk) b = static_cast<uint8_t>(rng());
      CPicture pic;
      if (!pic.Decode(junk.data(), junk.size(), PICTURE_UNKNOWN)) {
        EXPECT_EQ(pic.GetLastError(), "Decode: Unknown or wrong format");
      }
    }
  }
}

TEST(CorruptInputs, HugeDimensionsAreRefusedBeforeAllocating) {
  auto refuse = [](const std::vector<uint8_t>& f, int type, const char* what) {
    CPicture pic;
    EXPECT_FALSE(pic.Decode(f.data(), f.size(), type)) << what;
    EXPECT_FALSE(pic.GetLastError().empty()) << what;
    EXPECT_FALSE(pic.IsValid()) << what;
  };
  // BMP: 60000 x 60000 x 24 bits, then 16000 x 16000 (within the pixel limit) with 16 bytes of rows.
  std::vector<uint8_t> bmp = EncodeToBytes(MakePatternPicture(2, 2), PICTURE_BMP);
  for (int side : {60000, 16000, 2000000000, -2147483647 - 1}) {
    std::vector<uint8_t> f = bmp;
    for (int i = 0; i < 4; ++i) {
      f[18 + i] = static_cast<uint8_t>((uint32_t(side) >> (8 * i)) & 0xFF);
      f[22 + i] = static_cast<uint8_t>((uint32_t(side) >> (8 * i)) & 0xFF);
    }
    refuse(f, PICTURE_BMP, "bmp");
  }
  // GIF: image of 65535 x 65535, and 16000 x 16000 from a few bytes of codes.
  for (int side : {65535, 16000}) {
    const uint8_t lo = static_cast<uint8_t>(side & 0xFF), hi = static_cast<uint8_t>(side >> 8);
    std::vector<uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                              0x2C, 0,   0,   0,   0,   lo,  hi,  lo,  hi,  0,   2};
    std::vector<uint8_t> px(64, 1);
    AppendGifSubBlocks(CGifLzwEncoder::Compress(px.data(), px.size(), 2), f);
    f.push_back(0x3B);
    refuse(f, PICTURE_GIF, "gif");
  }
  // TGA: 65535 x 65535 true colour with 10 bytes of data, RLE too.
  for (int type : {2, 10}) {
    std::vector<uint8_t> f = {0, 0, static_cast<uint8_t>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 24, 0};
    f.insert(f.end(), 10, 0x80);
    refuse(f, PICTURE_TGA, "tga");
  }
  // PCX: window 0..65535 in both directions.
  std::vector<uint8_t> pcx = EncodeToBytes(MakePatternPicture(2, 2), PICTURE_PCX);
  pcx[8] = pcx[9] = pcx[10] = pcx[11] = 0xFF;
  pcx[66] = pcx[67] = 0xFF;
  refuse(pcx, PICTURE_PCX, "pcx");
  // WBMP: 2^28 x 2^28.
  refuse(WbmpFile(1 << 28, 1 << 28, std::vector<uint8_t>(8, 0)), PICTURE_WBMP, "wbmp");
  refuse(WbmpFile(60000, 60000, std::vector<uint8_t>(8, 0)), PICTURE_WBMP, "wbmp");
  // ICO: a bitmap entry claiming 60000 x 60000.
  refuse(IconFile({{0, 0, 24, IconDib(60000, 60000, 24, {}, std::vector<uint8_t>(16, 0), {})}}), PICTURE_ICO, "ico");
}

TEST(CorruptInputs, LzwDecoderRejectsImpossibleCodes) {
  // A code far beyond the table right after the first pixel.
  std::vector<uint8_t> px = {1, 2, 3};
  std::vector<uint8_t> codes = CGifLzwEncoder::Compress(px.data(), px.size(), 2);
  // Codes are 3 bits: clear(4), 1, 2, 3, end(5). Replace the second code by 7 (not yet defined).
  std::vector<uint8_t> bad = codes;
  bad[0] = static_cast<uint8_t>((bad[0] & ~0x38) | (7 << 3));
  std::vector<uint8_t> out(3, 0);
  bool corrupt = false;
  GifLzwDecode(bad.data(), bad.size(), 2, out.data(), out.size(), &corrupt);
  EXPECT_TRUE(corrupt);
  GifLzwDecode(codes.data(), codes.size(), 2, out.data(), out.size(), &corrupt);
  EXPECT_FALSE(corrupt);
  EXPECT_EQ(out, px);
  // Out-of-range code sizes are refused, not used as shifts.
  EXPECT_EQ(GifLzwDecode(codes.data(), codes.size(), 0, out.data(), out.size(), &corrupt), 0u);
  EXPECT_TRUE(corrupt);
  EXPECT_EQ(GifLzwDecode(codes.data(), codes.size(), 30, out.data(), out.size(), &corrupt), 0u);
  EXPECT_TRUE(corrupt);
}

// Every cut inside the pixel data gets the format's one text for a cut file.
TEST(CorruptInputs, CutBodiesSayTheFileIsTruncated) {
  struct Cut {
    const char* name;
    int type;
    std::vector<uint8_t> bytes;
    size_t bodyStart;
    const char* text;
  };
  CPicture pal = MakeIndexedPicture(40, 30, 8, 3);
  std::vector<uint8_t> bmp = EncodeToBytes(pal, PICTURE_BMP), tga = EncodeToBytes(pal, PICTURE_TGA),
                       pcx = EncodeToBytes(pal, PICTURE_PCX);
  // The same picture run-length coded: each row one absolute run of 40 indices, then end of line.
  std::vector<uint8_t> rle(bmp.begin(), bmp.begin() + (bmp[10] | (bmp[11] << 8)));
  rle[30] = 1;
  for (int y = 0; y < 30; ++y) {
    rle.insert(rle.end(), {0, 40});
    for (int x = 0; x < 40; ++x) rle.push_back(pal.GetPixelIndex(x, y));
    rle.insert(rle.end(), {0, 0});
  }
  const size_t rleStart = bmp[10] | (bmp[11] << 8);
  const Cut cuts[] = {
      {"bmp", PICTURE_BMP, bmp, rleStart, "BMP file is truncated"},
      {"bmp-rle8", PICTURE_BMP, rle, rleStart, "BMP file is truncated"},
      {"tga", PICTURE_TGA, tga, 18 + 768 + 1, "TGA file is truncated"},
      {"pcx", PICTURE_PCX, pcx, 128, "Can't read PCX image"},
  };
  for (const Cut& c : cuts) {
    CPicture whole;
    ASSERT_TRUE(whole.Decode(c.bytes.data(), c.bytes.size(), c.type)) << c.name << ": " << whole.GetLastError();
    // The last 769 bytes of the PCX file are its palette, after the pixel data.
    const size_t bodyEnd = c.bytes.size() - (c.type == PICTURE_PCX ? 769 : 0);
    for (size_t n = c.bodyStart; n + 40 < bodyEnd; n += 37) {
      std::vector<uint8_t> cut(c.bytes.begin(), c.bytes.begin() + static_cast<long>(n));
      CPicture pic;
      EXPECT_FALSE(pic.Decode(cut.data(), cut.size(), c.type)) << c.name << " cut to " << n;
      EXPECT_EQ(pic.GetLastError(), c.text) << c.name << " cut to " << n;
    }
  }
}

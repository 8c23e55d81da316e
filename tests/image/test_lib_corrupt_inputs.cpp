// Damaged and hostile inputs: every decoder must refuse them with a text, never crash, and
// never allocate what an absurd header asks for.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "J2kTestEncoder.h"
#include "LibCodecTestUtil.h"
#include "support/TestSupport.h"

namespace {

struct NamedCodec {
  const char* name;
  DecodeFn decode;
  std::vector<uint8_t> valid;
  bool truncationAlwaysFails;  // false where the format allows showing a partial picture
};

std::vector<uint8_t> PnmSample() {
  std::string s = "P6\n12 9\n255\n";
  std::vector<uint8_t> out(s.begin(), s.end());
  for (int i = 0; i < 12 * 9 * 3; ++i) out.push_back(uint8_t(i * 7));
  return out;
}

std::vector<uint8_t> PgxSample() {
  std::string s = "PG ML + 16 10 7\n";
  std::vector<uint8_t> out(s.begin(), s.end());
  for (int i = 0; i < 10 * 7 * 2; ++i) out.push_back(uint8_t(i * 3));
  return out;
}

std::vector<uint8_t> RasSample() {
  std::vector<uint8_t> out;
  for (uint32_t v : {0x59A66A95u, 11u, 5u, 8u, 0u, 2u, 0u, 0u})
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
  for (int row = 0; row < 5; ++row) {  // 12 bytes a row: a run of 8, then 4 literals
    out.insert(out.end(), {0x80, 0x07, uint8_t(row * 20)});
    out.insert(out.end(), {1, 2, 3, 4});
  }
  return out;
}

std::vector<NamedCodec> Samples() {
  const CPicture colour = MakePatternPicture(33, 21, 6);
  std::vector<NamedCodec> out;
  out.push_back({"JPEG", DecodeJpeg, EncodeToBytes(EncodeJpeg, colour), true});
  out.push_back({"PNG", DecodePng, EncodeToBytes(EncodePng, colour), true});
  out.push_back({"TIFF", DecodeTiff, EncodeToBytes(EncodeTiff, colour), true});
  out.push_back({"PNM", DecodePnm, PnmSample(), true});
  out.push_back({"PGX", DecodePgx, PgxSample(), true});
  out.push_back({"RAS", DecodeRas, RasSample(), true});
  // JPEG 2000 may show what arrived of a cut stream, as progressive formats do.
  out.push_back({"JPEG 2000", DecodeJpeg2000,
                 MakeJ2k(OPJ_CODEC_JP2, 40, 24, {{}, {}, {}}, OPJ_CLRSPC_SRGB,
                         [](int c, int x, int y) { return (x * 5 + y * 9 + c * 70) & 0xFF; }),
                 false});
  for (const auto& s : out) EXPECT_FALSE(s.valid.empty()) << s.name;
  return out;
}

// Either a sound picture or a refusal with a text.
void ExpectSoundResult(const NamedCodec& c, const std::vector<uint8_t>& bytes, const std::string& what) {
  CPicture pic;
  const Result r = c.decode(pic, bytes.data(), bytes.size());
  if (r) {
    EXPECT_TRUE(pic.IsValid()) << c.name << " " << what;
    EXPECT_GT(pic.GetWidth(), 0) << c.name << " " << what;
    EXPECT_LE(int64_t(pic.GetWidth()) * pic.GetHeight(), kDecodePixelBudget) << c.name << " " << what;
  } else {
    EXPECT_FALSE(r.message.empty()) << c.name << " " << what;
  }
}

TEST(LibCodecCorruptInput, ValidSamplesDecode) {
  for (const auto& c : Samples()) {
    CPicture pic;
    const Result r = c.decode(pic, c.valid.data(), c.valid.size());
    EXPECT_TRUE(r.ok()) << c.name << ": " << r.message;
  }
}

TEST(LibCodecCorruptInput, TruncatedFilesAreRefused) {
  for (const auto& c : Samples()) {
    for (size_t len : {size_t(0), size_t(1), size_t(4), size_t(16), c.valid.size() / 3,
                       c.valid.size() / 2, c.valid.size() - 20}) {
      if (len >= c.valid.size()) continue;
      std::vector<uint8_t> cut(c.valid.begin(), c.valid.begin() + long(len));
      if (!c.truncationAlwaysFails && len > 16) {
        ExpectSoundResult(c, cut, "cut to " + std::to_string(len));
        continue;
      }
      CPicture pic;
      const Result r = c.decode(pic, cut.empty() ? nullptr : cut.data(), cut.size());
      EXPECT_FALSE(r.ok()) << c.name << " cut to " << len;
      EXPECT_FALSE(r.message.empty()) << c.name << " cut to " << len;
      EXPECT_FALSE(pic.IsValid()) << c.name << " cut to " << len;
    }
  }
}

TEST(LibCodecCorruptInput, RandomDamageNeverCrashes) {
  std::mt19937 rng(20261207);
  for (const auto& c : Samples()) {
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> bytes = c.valid;
      const int flips = 1 + int(rng() % 8);
      for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = uint8_t(rng());
      if (round % 3 == 0) bytes.resize(rng() % bytes.size());  // damaged and cut short
      ExpectSoundResult(c, bytes, "round " + std::to_string(round));
    }
  }
}

// ---- absurd sizes are refused before anything of that size is allocated ----

TEST(LibCodecCorruptInput, JpegWithHugeFrameIsRefused) {
  auto bytes = EncodeToBytes(EncodeJpeg, MakePatternPicture(16, 16));
  // Patch the baseline frame header (FF C0, length, precision, height, width).
  bool patched = false;
  for (size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0xFD;  // height 65000
      bytes[i + 6] = 0xE8;
      bytes[i + 7] = 0xFD;  // width 65000
      bytes[i + 8] = 0xE8;
      patched = true;
      break;
    }
  ASSERT_TRUE(patched);
  CPicture pic;
  const Result r = DecodeJpeg(pic, bytes.data(), bytes.size());
  EXPECT_EQ(r.kind, ErrorKind::TooLarge) << r.message;
}

TEST(LibCodecCorruptInput, PngWithHugeHeaderIsRefused) {
  auto bytes = EncodeToBytes(EncodePng, MakePatternPicture(4, 4));
  ASSERT_GT(bytes.size(), 33u);
  // IHDR data starts at byte 16: width and height, big-endian; then fix its CRC.
  const uint8_t huge[8] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};  // 65536 x 65536
  std::memcpy(&bytes[16], huge, 8);
  const uLong crc = crc32(0, &bytes[12], 17);
  for (int i = 0; i < 4; ++i) bytes[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
  CPicture pic;
  const Result r = DecodePng(pic, bytes.data(), bytes.size());
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(r.message.empty());
}

TEST(LibCodecCorruptInput, TiffWithHugeSizeIsRefused) {
  // Hand-made little-endian TIFF: 60000 x 60000 RGB with one strip of one byte.
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto u16 = [&](uint16_t v) { t.push_back(uint8_t(v)); t.push_back(uint8_t(v >> 8)); };
  auto u32 = [&](uint32_t v) { for (int s = 0; s < 32; s += 8) t.push_back(uint8_t(v >> s)); };
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    u16(tag);
    u16(type);
    u32(1);
    if (type == 3) {
      u16(uint16_t(value));
      u16(0);
    } else {
      u32(value);
    }
  };
  u16(9);
  entry(256, 4, 60000);
  entry(257, 4, 60000);
  entry(258, 3, 8);
  entry(259, 3, 1);
  entry(262, 3, 2);
  entry(273, 4, 8);
  entry(277, 3, 3);
  entry(278, 4, 60000);
  entry(279, 4, 1);
  u32(0);
  CPicture pic;
  const Result r = DecodeTiff(pic, t.data(), t.size());
  EXPECT_EQ(r.kind, ErrorKind::TooLarge) << r.message;
}

}  // namespace

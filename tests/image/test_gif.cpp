// GIF: LZW coder against a plain dictionary decoder, the single-image and animated layouts,
// and the reader.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/ImageTestUtil.h"
#include "support/GifReference.h"
#include "support/TestSupport.h"
#include "image/GifLzw.h"

using namespace imgtest;

namespace {

std::vector<uint8_t> Indices(const CPicture& pic) {  // top row first
  std::vector<uint8_t> v;
  for (int y = pic.GetHeight() - 1; y >= 0; --y)
    for (int x = 0; x < pic.GetWidth(); ++x) v.push_back(pic.GetPixelIndex(x, y));
  return v;
}

GifRefFile ParseOk(const std::vector<uint8_t>& bytes) {
  GifRefFile gif;
  std::string why;
  EXPECT_TRUE(ParseGifReference(bytes, gif, why)) << why;
  return gif;
}

std::vector<uint8_t> EncodeAnimated(CPictureGIF& gif, std::vector<CPicture*> frames, bool local, bool* ok) {
  std::vector<uint8_t> bytes;
  FILE* fp = std::tmpfile();
  *ok = gif.Encode(fp, frames.data(), static_cast<int>(frames.size()), local);
  long n = std::ftell(fp);
  std::rewind(fp);
  bytes.resize(static_cast<size_t>(n));
  if (n > 0) {
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), fp), bytes.size());
  }
  std::fclose(fp);
  return bytes;
}

}  // namespace

TEST(GifLzw, ReferenceDecoderReadsEveryStream) {
  std::mt19937 rng(42);
  struct Case {
    int minCodeSize;
    size_t count;
    int alphabet;
    int runLength;
  } cases[] = {
      {2, 0, 4, 1},        {2, 1, 4, 1},          {2, 5000, 4, 1},     {4, 3000, 16, 3},
      {8, 1, 256, 1},      {8, 100000, 256, 1},   // random bytes: many table resets
      {8, 200000, 3, 50},  // long runs: long strings, few codes
      {8, 70000, 256, 7},  {3, 40000, 8, 2},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> px(c.count);
    for (size_t i = 0; i < px.size();) {
      uint8_t v = static_cast<uint8_t>(rng() % static_cast<unsigned>(c.alphabet));
      for (int k = 0; k < c.runLength && i < px.size(); ++k) px[i++] = v;
    }
    std::vector<uint8_t> codes = CGifLzwEncoder::Compress(px.data(), px.size(), c.minCodeSize);
    std::vector<uint8_t> out;
    bool sawEnd = false;
    ASSERT_TRUE(GifReferenceLzw(codes, c.minCodeSize, out, &sawEnd)) << c.count;
    EXPECT_TRUE(sawEnd);
    EXPECT_EQ(out, px) << "min code size " << c.minCodeSize << ", " << c.count << " pixels";
    // The library's own decoder agrees.
    std::vector<uint8_t> own(px.size() + 1, 0xEE);
    bool corrupt = true;
    EXPECT_EQ(GifLzwDecode(codes.data(), codes.size(), c.minCodeSize, own.data(), px.size(), &corrupt), px.size());
    EXPECT_FALSE(corrupt);
    own.resize(px.size());
    EXPECT_EQ(own, px);
  }
}

TEST(GifLzw, StreamingInPiecesGivesTheSameBytes) {
  std::vector<uint8_t> px(30000);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>((i * i / 7) % 200);
  std::vector<uint8_t> whole = CGifLzwEncoder::Compress(px.data(), px.size(), 8);
  CGifLzwEncoder enc(8);
  for (size_t i = 0; i < px.size(); i += 123) enc.Add(px.data() + i, std::min<size_t>(123, px.size() - i));
  EXPECT_EQ(enc.Finish(), whole);
  // Starts with a clear code (256 in 9 bits): first byte 0x00, low bit of the second set.
  ASSERT_GE(whole.size(), 2u);
  EXPECT_EQ(whole[0], 0x00);
  EXPECT_EQ(whole[1] & 1, 1);
}

TEST(GifLzw, SubBlocksHoldAtMost255Bytes) {
  std::vector<uint8_t> codes(600);
  for (size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> out;
  AppendGifSubBlocks(codes, out);
  ASSERT_EQ(out.size(), 600u + 3 + 1);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[256], 255);
  EXPECT_EQ(out[512], 90);
  EXPECT_EQ(out.back(), 0);
}

TEST(GifWriter, PalettePictureLayout) {
  CPicture pic = MakeIndexedPicture(23, 9, 8, 5);
  pic.SetFrameDelay(12);
  pic.SetTransIndex(3);
  std::vector<uint8_t> bytes = EncodeToBytes(pic, PICTURE_GIF);
  GifRefFile gif = ParseOk(bytes);
  EXPECT_EQ(gif.signature, "GIF89a");
  EXPECT_EQ(gif.nWidth, 23);
  EXPECT_EQ(gif.nHeight, 9);
  EXPECT_EQ(gif.nPacked, 0xE7);
  EXPECT_EQ(gif.nBackground, 0);
  EXPECT_EQ(gif.nAspect, 0);
  ASSERT_EQ(gif.globalTable.size(), 256u);
  EXPECT_EQ(gif.globalTable[7].r, pic.GetPaletteColor(7).rgbRed);
  EXPECT_EQ(gif.globalTable[7].b, pic.GetPaletteColor(7).rgbBlue);
  EXPECT_FALSE(gif.bHasLoop);
  EXPECT_TRUE(gif.comments.empty());
  ASSERT_EQ(gif.frames.size(), 1u);
  const GifRefFrame& img = gif.frames[0];
  EXPECT_EQ(img.nPacked, 0);
  EXPECT_EQ(img.nMinCodeSize, 8);
  EXPECT_EQ(img.indices, Indices(pic));
  const std::vector<uint8_t> gce = {4, 0x01, 12, 0, 3, 0};
  EXPECT_EQ(img.gce, gce);
  EXPECT_TRUE(gif.bTrailer);
  EXPECT_EQ(bytes.back(), 0x3B);

  // Smaller depths: packed byte from the formula, minimum code size at least 2.
  const std::pair<int, uint8_t> depths[] = {{1, 0x80}, {4, 0xE3}};
  for (const auto& d : depths) {
    CPicture small = MakeIndexedPicture(10, 4, d.first);
    GifRefFile g = ParseOk(EncodeToBytes(small, PICTURE_GIF));
    EXPECT_EQ(g.nPacked, d.second);
    EXPECT_EQ(g.globalTable.size(), size_t(1) << d.first);
    ASSERT_EQ(g.frames.size(), 1u);
    EXPECT_EQ(g.frames[0].nMinCodeSize, std::max(d.first, 2));
    EXPECT_EQ(g.frames[0].indices, Indices(small));
    // No transparency: flag clear, index byte 0xFF.
    EXPECT_EQ(g.frames[0].gce[1], 0);
    EXPECT_EQ(g.frames[0].gce[4], 0xFF);
  }
}

TEST(GifWriter, TrueColourPictureBecomesFourTilesAt20x20) {
  CPicture pic = MakePatternPicture(20, 20, 3);
  std::vector<uint8_t> bytes = EncodeToBytes(pic, PICTURE_GIF);
  GifRefFile gif = ParseOk(bytes);
  EXPECT_EQ(gif.nPacked, 0x11);
  EXPECT_TRUE(gif.globalTable.empty());
  ASSERT_EQ(gif.frames.size(), 4u);
  const int expect[4][4] = {{0, 0, 17, 15}, {17, 0, 3, 15}, {0, 15, 17, 5}, {17, 15, 3, 5}};
  for (int t = 0; t < 4; ++t) {
    const GifRefFrame& img = gif.frames[static_cast<size_t>(t)];
    EXPECT_EQ(img.nLeft, expect[t][0]);
    EXPECT_EQ(img.nTop, expect[t][1]);
    EXPECT_EQ(img.nWidth, expect[t][2]);
    EXPECT_EQ(img.nHeight, expect[t][3]);
    EXPECT_EQ(img.nPacked, 0x87);
    ASSERT_EQ(img.localTable.size(), 256u);
    EXPECT_EQ(img.nMinCodeSize, 8);
    EXPECT_FALSE(img.gce.empty());
    ASSERT_EQ(img.indices.size(), size_t(img.nWidth) * size_t(img.nHeight));
    // Pixel at tile column j, tile row i counted from the tile's bottom: entry i*17 + j + 1.
    for (int r = 0; r < img.nHeight; ++r)
      for (int j = 0; j < img.nWidth; ++j) {
        const int i = img.nHeight - 1 - r;
        const uint8_t entry = img.indices[size_t(r) * size_t(img.nWidth) + size_t(j)];
        EXPECT_EQ(entry, i * 17 + j + 1);
        RgbQuad want = pic.GetPixelColor(img.nLeft + j, 19 - (img.nTop + r));
        EXPECT_EQ(img.localTable[entry].r, want.rgbRed);
        EXPECT_EQ(img.localTable[entry].g, want.rgbGreen);
        EXPECT_EQ(img.localTable[entry].b, want.rgbBlue);
      }
  }
  // The reader gives the first tile, exactly.
  CPicture first;
  ASSERT_TRUE(first.Decode(bytes.data(), bytes.size(), PICTURE_GIF)) << first.GetLastError();
  ASSERT_EQ(first.GetWidth(), 17);
  ASSERT_EQ(first.GetHeight(), 15);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 17; ++x) EXPECT_TRUE(SameColor(first.GetPixelColor(x, y), pic.GetPixelColor(x, y + 5)));
}

TEST(GifWriter, TrueColourTransparencyUsesEntryZero) {
  CPicture pic = MakeSolidPicture(4, 3, 10, 20, 30);
  pic.SetPixelColor(1, 1, Rgb(200, 0, 0));
  pic.SetTransColor(Rgb(10, 20, 30));
  pic.SetTransIndex(0);
  GifRefFile gif = ParseOk(EncodeToBytes(pic, PICTURE_GIF));
  ASSERT_EQ(gif.frames.size(), 1u);
  const GifRefFrame& img = gif.frames[0];
  EXPECT_EQ(img.gce[1] & 1, 1);
  EXPECT_EQ(img.gce[4], 0);
  EXPECT_EQ(img.localTable[0].r, 10);
  EXPECT_EQ(img.localTable[0].b, 30);
  for (size_t k = 0; k < img.indices.size(); ++k) EXPECT_EQ(img.indices[k] == 0, k != 5) << k;  // (1, 1) is row 1 from the top
}

TEST(GifWriter, CommentAndDisposalOfAGifObject) {
  CPictureGIF gif;
  CPicture src = MakeIndexedPicture(5, 5, 8);
  static_cast<CPicture&>(gif) = src;
  gif.SetComment("made by a test");
  gif.SetDisposalMethod(2);
  GifRefFile parsed = ParseOk(EncodeToBytes(gif, PICTURE_GIF));
  ASSERT_EQ(parsed.comments.size(), 1u);
  EXPECT_EQ(parsed.comments[0], "made by a test");
  ASSERT_EQ(parsed.frames.size(), 1u);
  EXPECT_EQ(parsed.frames[0].gce[1], 2 << 2);
  gif.SetComment(std::string(300, 'c'));
  EXPECT_EQ(gif.GetComment().size(), 255u);
}

TEST(GifAnimated, LayoutOfTheMultiImageFile) {
  std::vector<CPicture> pics;
  for (int i = 0; i < 3; ++i) {
    pics.push_back(MakeIndexedPicture(12, 8, 8, static_cast<unsigned>(i + 1)));
    pics.back().SetPaletteColor(0, Rgb(static_cast<uint8_t>(i), 0, 0));
    pics.back().SetFrameDelay(1);
  }
  std::vector<CPicture*> frames = {&pics[0], &pics[1], &pics[2]};
  CPictureGIF gif;
  gif.SetLoops(90);
  bool ok = false;
  std::vector<uint8_t> bytes = EncodeAnimated(gif, frames, true, &ok);
  ASSERT_TRUE(ok) << gif.GetLastError();
  GifRefFile parsed = ParseOk(bytes);
  EXPECT_EQ(parsed.nPacked, 0xE7);
  EXPECT_EQ(parsed.globalTable[0].r, 0);
  ASSERT_TRUE(parsed.bHasLoop);
  EXPECT_EQ(parsed.nLoopCount, 89);
  // Exact bytes of the application extension right after the global table.
  const uint8_t app[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 89, 0, 0};
  EXPECT_EQ(std::memcmp(bytes.data() + 13 + 768, app, sizeof app), 0);
  ASSERT_EQ(parsed.frames.size(), 3u);
  const std::vector<uint8_t> gce = {4, 0x00, 1, 0, 0xFF, 0};
  for (size_t i = 0; i < 3; ++i) {
    const GifRefFrame& img = parsed.frames[i];
    EXPECT_EQ(img.gce, gce);
    EXPECT_EQ(img.nLeft, 0);
    EXPECT_EQ(img.nWidth, 12);
    EXPECT_EQ(img.nPacked, i == 0 ? 0x00 : 0x87);
    EXPECT_EQ(img.localTable.size(), i == 0 ? 0u : 256u);
    if (i > 0) {
      EXPECT_EQ(img.localTable[0].r, i);
    }
    EXPECT_EQ(img.nMinCodeSize, 8);
    EXPECT_EQ(img.indices, Indices(pics[i]));
  }
  EXPECT_EQ(bytes.back(), 0x3B);

  // Without local tables the later frames use the global one.
  bytes = EncodeAnimated(gif, frames, false, &ok);
  ASSERT_TRUE(ok);
  parsed = ParseOk(bytes);
  for (const GifRefFrame& img : parsed.frames) EXPECT_EQ(img.nPacked, 0);
}

TEST(GifAnimated, LoopCounts) {
  CPicture pic = MakeIndexedPicture(3, 3, 8);
  std::vector<CPicture*> frames = {&pic, &pic};
  const std::pair<int, int> cases[] = {{1, -1}, {0, 0}, {2, 1}, {90, 89}, {-5, 0}};
  for (const auto& c : cases) {
    CPictureGIF gif;
    gif.SetLoops(c.first);
    bool ok = false;
    GifRefFile parsed = ParseOk(EncodeAnimated(gif, frames, true, &ok));
    ASSERT_TRUE(ok);
    EXPECT_EQ(parsed.bHasLoop, c.second >= 0) << c.first;
    if (c.second >= 0) {
      EXPECT_EQ(parsed.nLoopCount, c.second) << c.first;
    }
  }
}

TEST(GifAnimated, ErrorTexts) {
  CPictureGIF gif;
  CPicture pic = MakeIndexedPicture(3, 3, 8);
  CPicture* frames[] = {&pic, nullptr};
  EXPECT_FALSE(gif.Encode(nullptr, frames, 1, true));
  EXPECT_EQ(gif.GetLastError(), "invalid file pointer");
  FILE* fp = std::tmpfile();
  EXPECT_FALSE(gif.Encode(fp, nullptr, 1, true));
  EXPECT_EQ(gif.GetLastError(), "multipage GIF, no images!");
  EXPECT_FALSE(gif.Encode(fp, frames, 0, true));
  EXPECT_EQ(gif.GetLastError(), "multipage GIF, no images!");
  CPicture* noFirst[] = {nullptr, &pic};
  EXPECT_FALSE(gif.Encode(fp, noFirst, 2, true));
  EXPECT_EQ(gif.GetLastError(), "multipage GIF, no images!");
  EXPECT_FALSE(gif.Encode(fp, frames, 2, true));
  EXPECT_EQ(gif.GetLastError(), "Bad image pointer");
  CPicture wide = MakePatternPicture(3, 3);
  CPicture* withWide[] = {&pic, &wide};
  EXPECT_FALSE(gif.Encode(fp, withWide, 2, true));
  EXPECT_FALSE(gif.GetLastError().empty());
  // Nothing was written by the refused calls.
  EXPECT_EQ(std::ftell(fp), 0);
  std::fclose(fp);
}

TEST(GifReader, RoundTripsAndReadsInterlacedRows) {
  for (int bits : {1, 4, 8}) {
    CPicture pic = MakeIndexedPicture(31, 13, bits, 9);
    pic.SetTransIndex(1);
    pic.SetFrameDelay(25);
    std::vector<uint8_t> bytes = EncodeToBytes(pic, PICTURE_GIF);
    CPicture back;
    ASSERT_TRUE(back.Decode(bytes.data(), bytes.size(), PICTURE_UNKNOWN)) << back.GetLastError();
    EXPECT_EQ(back.GetType(), PICTURE_GIF);
    EXPECT_EQ(back.GetBpp(), bits);
    EXPECT_EQ(back.GetTransIndex(), 1);
    EXPECT_EQ(back.GetFrameDelay(), 25);
    EXPECT_TRUE(SamePixels(back, pic));
  }

  // Hand-built interlaced 1 x 10 picture: rows sent in the order 0,8,4,2,6,1,3,5,7,9 carry
  // their own row number as index.
  const int order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  std::vector<uint8_t> px(order, order + 10);
  std::vector<uint8_t> f = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 10, 0, 0xF3, 0, 0};
  for (int i = 0; i < 16; ++i) f.insert(f.end(), {static_cast<uint8_t>(i * 10), 0, 0});
  f.insert(f.end(), {0x2C, 0, 0, 0, 0, 1, 0, 10, 0, 0x40, 4});
  AppendGifSubBlocks(CGifLzwEncoder::Compress(px.data(), px.size(), 4), f);
  f.push_back(0x3B);
  CPicture inter;
  ASSERT_TRUE(inter.Decode(f.data(), f.size(), PICTURE_GIF)) << inter.GetLastError();
  ASSERT_EQ(inter.GetHeight(), 10);
  for (int r = 0; r < 10; ++r) EXPECT_EQ(inter.GetPixelIndex(0, 9 - r), r) << r;
}

TEST(GifReader, FirstImageOfAnAnimation) {
  CPicture a = MakeIndexedPicture(6, 4, 8, 1), b = MakeIndexedPicture(6, 4, 8, 2);
  std::vector<CPicture*> frames = {&a, &b};
  CPictureGIF gif;
  bool ok = false;
  std::vector<uint8_t> bytes = EncodeAnimated(gif, frames, true, &ok);
  CPicture first;
  ASSERT_TRUE(first.Decode(bytes.data(), bytes.size(), PICTURE_GIF));
  EXPECT_TRUE(SamePixels(first, a));
}

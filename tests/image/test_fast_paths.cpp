// The fast colour reduction gives exactly what the straightforward one gives: the exact
// nearest-index accelerator against the plain scan, and DecreaseBpp against a per-pixel
// reduction written with GetNearestIndex and the diffusion shares.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/PaletteLookup.h"
#include "image/Picture.h"
#include "support/ReferenceDecrease.h"
#include "support/TestSupport.h"

namespace {

RgbQuad Quad(int b, int g, int r) {
  RgbQuad q;
  q.rgbBlue = static_cast<uint8_t>(b);
  q.rgbGreen = static_cast<uint8_t>(g);
  q.rgbRed = static_cast<uint8_t>(r);
  return q;
}

// Palettes that stress the search: random, clustered (many near-ties), repeated entries
// (exact ties, where the first must win), a grey ramp (collinear), few entries, corners.
std::vector<std::vector<RgbQuad>> TestPalettes() {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> byte(0, 255), small(-3, 3);
  std::vector<std::vector<RgbQuad>> palettes;
  std::vector<RgbQuad> p;
  for (int i = 0; i < 256; ++i) p.push_back(Quad(byte(random), byte(random), byte(random)));
  palettes.push_back(p);
  p.clear();
  for (int i = 0; i < 256; ++i) {
    const int c = 100 + (i % 8) * 4;
    p.push_back(Quad(c + small(random), c + small(random), 120 + small(random)));
  }
  palettes.push_back(p);
  p.clear();
  for (int i = 0; i < 256; ++i) p.push_back(Quad((i / 4) * 16 % 256, (i / 16) * 16, (i / 2) * 8 % 256));
  palettes.push_back(p);
  p.clear();
  for (int i = 0; i < 256; ++i) p.push_back(Quad(i, i, i));
  palettes.push_back(p);
  p = {Quad(0, 0, 0), Quad(255, 255, 255)};
  palettes.push_back(p);
  p.clear();
  for (int i = 0; i < 8; ++i) p.push_back(Quad((i & 1) * 255, ((i >> 1) & 1) * 255, ((i >> 2) & 1) * 255));
  for (int i = 0; i < 8; ++i) p.push_back(p[static_cast<size_t>(i)]);  // every entry twice
  palettes.push_back(p);
  p = {Quad(7, 7, 7)};
  palettes.push_back(p);
  return palettes;
}

TEST(PaletteLookup, AgreesWithThePlainScanOnALatticeAndRandomColours) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  int nPalette = 0;
  for (const std::vector<RgbQuad>& palette : TestPalettes()) {
    for (uint32_t nCount : {static_cast<uint32_t>(palette.size()), static_cast<uint32_t>(palette.size() / 2 + 1)}) {
      CPaletteLookup lookup(palette.data(), nCount);
      int nMismatches = 0;
      auto check = [&](int b, int g, int r) {
        const uint8_t fast = lookup.Nearest(static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r));
        const uint8_t slow = NearestPaletteIndexLinear(palette.data(), nCount, static_cast<uint8_t>(b),
                                                       static_cast<uint8_t>(g), static_cast<uint8_t>(r));
        if (fast != slow && ++nMismatches <= 5)
          ADD_FAILURE() << "palette " << nPalette << " (" << nCount << " entries), colour b" << b << " g" << g
                        << " r" << r << ": " << int(fast) << " instead of " << int(slow);
      };
      // Every fifth level on each axis reaches every cell, both cell edges included.
      for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
          for (int b = 0; b < 256; b += 5) check(b, g, r);
      for (int v : {0, 7, 8, 31, 32, 127, 128, 248, 255}) check(v, 255 - v, v);
      for (int i = 0; i < 20000; ++i) check(byte(random), byte(random), byte(random));
      // Asked again, answers come from the exact-colour table.
      for (int i = 0; i < 2000; ++i) check(byte(random) & 0xF0, 17, 200);
      EXPECT_EQ(nMismatches, 0) << "palette " << nPalette;
    }
    ++nPalette;
  }
}

TEST(PaletteLookup, EmptyPaletteGivesZeroLikeGetNearestIndex) {
  const RgbQuad q = Quad(1, 2, 3);
  CPaletteLookup empty(&q, 0);
  EXPECT_EQ(empty.Nearest(200, 100, 50), 0);
  CPaletteLookup none(nullptr, 256);
  EXPECT_EQ(none.Nearest(200, 100, 50), 0);
  EXPECT_EQ(NearestPaletteIndexLinear(nullptr, 256, 1, 2, 3), 0);
}

TEST(PaletteLookup, LinearScanIsGetNearestIndex) {
  // The reference the accelerator is tested against is the picture's own rule.
  const std::vector<RgbQuad> palette = TestPalettes()[1];
  CPicture pic(PICTURE_BMP);
  ASSERT_TRUE(pic.Create(4, 4, 8, PICTURE_BMP));
  pic.SetPalette(palette.data(), 256);
  std::mt19937 random(3);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 3000; ++i) {
    const RgbQuad c = Quad(byte(random), byte(random), byte(random));
    ASSERT_EQ(pic.GetNearestIndex(c), NearestPaletteIndexLinear(palette.data(), 256, c.rgbBlue, c.rgbGreen, c.rgbRed));
  }
}

void ExpectSamePixels(const CPicture& a, const CPicture& b, const std::string& what) {
  ASSERT_EQ(a.GetWidth(), b.GetWidth()) << what;
  ASSERT_EQ(a.GetHeight(), b.GetHeight()) << what;
  ASSERT_EQ(a.GetBpp(), b.GetBpp()) << what;
  ASSERT_EQ(a.GetEffWidth(), b.GetEffWidth()) << what;
  int nDifferent = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      if (a.GetPixelIndex(x, y) != b.GetPixelIndex(x, y) && ++nDifferent <= 3)
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << int(a.GetPixelIndex(x, y))
                      << ", the straightforward reduction gives " << int(b.GetPixelIndex(x, y));
  EXPECT_EQ(nDifferent, 0) << what;
}

// Photograph-like content: noise over gradients, so diffusion carries large errors around.
CPicture NoisyPicture(int w, int h, int seed) {
  CPicture pic = MakePatternPicture(w, h, seed);
  std::mt19937 random(static_cast<uint32_t>(seed));
  std::uniform_int_distribution<int> noise(-40, 40);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = pic.GetBits(y);
    for (int i = 0; i < w * 3; ++i) {
      const int v = row[i] + noise(random);
      row[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
  }
  return pic;
}

TEST(DecreaseBppFastPath, SameIndicesAsTheStraightforwardReduction) {
  int nCase = 0;
  for (const std::vector<RgbQuad>& shortPalette : TestPalettes()) {
    std::vector<RgbQuad> palette(shortPalette);
    palette.resize(256, Quad(0, 0, 0));
    const uint32_t nImportant = static_cast<uint32_t>(shortPalette.size());
    for (bool bDiffusion : {true, false}) {
      // Odd widths give padded rows; a one-pixel column and row test the edges.
      for (auto size : {std::pair<int, int>{37, 23}, {1, 9}, {64, 1}}) {
        const CPicture source = NoisyPicture(size.first, size.second, nCase + 1);
        CPicture fast(source);
        ASSERT_TRUE(fast.DecreaseBpp(8, bDiffusion, palette.data(), nImportant)) << fast.GetLastError();
        const CPicture slow = ReferenceDecrease(source, 8, bDiffusion, palette.data(), nImportant);
        ExpectSamePixels(fast, slow, "case " + std::to_string(nCase));
        ++nCase;
      }
    }
  }
}

TEST(DecreaseBppFastPath, FourAndOneBitTargetsAgreeToo) {
  const std::vector<RgbQuad> palettes = TestPalettes()[5];  // 16 entries
  const CPicture source = NoisyPicture(41, 17, 9);
  CPicture four(source);
  ASSERT_TRUE(four.DecreaseBpp(4, true, palettes.data(), 16));
  ExpectSamePixels(four, ReferenceDecrease(source, 4, true, palettes.data(), 16), "4 bits");
  const RgbQuad bw[2] = {Quad(0, 0, 0), Quad(255, 255, 255)};
  CPicture one(source);
  ASSERT_TRUE(one.DecreaseBpp(1, true, bw, 2));
  ExpectSamePixels(one, ReferenceDecrease(source, 1, true, bw, 2), "1 bit");
}

TEST(DecreaseBppFastPath, WholeFrameWithAnOctreeLikePaletteIsIdentical) {
  // A frame-sized case with a palette drawn from the picture itself, as the GIF writer makes.
  const CPicture source = NoisyPicture(320, 240, 5);
  std::vector<RgbQuad> palette;
  for (int i = 0; i < 256; ++i) {
    const RgbQuad c = source.GetPixelColor((i * 37) % 320, (i * 91) % 240);
    palette.push_back(c);
  }
  CPicture fast(source);
  ASSERT_TRUE(fast.DecreaseBpp(8, true, palette.data(), 256));
  const CPicture slow = ReferenceDecrease(source, 8, true, palette.data(), 256);
  ExpectSamePixels(fast, slow, "320 x 240");
  // The whole file is the same too: header, palette and rows.
  ASSERT_EQ(fast.GetDibSize(), slow.GetDibSize());
  EXPECT_EQ(0, std::memcmp(fast.GetDib() + sizeof(BitmapInfoHeader), slow.GetDib() + sizeof(BitmapInfoHeader),
                           fast.GetDibSize() - sizeof(BitmapInfoHeader)));
}

}  // namespace

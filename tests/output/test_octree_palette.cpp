// Octree colour reduction of the GIF writer: exact palettes for few colours, the order
// of the palette walk, which node a reduction folds, and the bound on the leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

#include "support/TestSupport.h"
#include "output/OctreePalette.h"

namespace {

// 24-bit picture whose pixels (taken bottom row first, left to right) are `colors`.
CPicture PictureOfColors(const std::vector<RgbQuad>& colors, int width) {
  const int height = static_cast<int>((colors.size() + width - 1) / width);
  CPicture pic(PICTURE_BMP);
  EXPECT_TRUE(pic.Create(width, height, 24, PICTURE_BMP));
  for (size_t i = 0; i < colors.size(); ++i)
    pic.SetPixelColor(static_cast<int>(i % width), static_cast<int>(i / width), colors[i]);
  return pic;
}

RgbQuad Rgb(int r, int g, int b) {
  RgbQuad c;
  c.rgbRed = static_cast<uint8_t>(r);
  c.rgbGreen = static_cast<uint8_t>(g);
  c.rgbBlue = static_cast<uint8_t>(b);
  return c;
}

std::tuple<int, int, int, int> Entry(const RgbQuad& e) {
  return {e.rgbRed, e.rgbGreen, e.rgbBlue, e.rgbReserved};
}

}  // namespace

TEST(OctreePaletteTest, ConstructorBoundsLimitAndDepth) {
  OctreePalette small(3, 9);
  EXPECT_EQ(small.GetReductionLimit(), 16u);
  EXPECT_EQ(small.GetColorBits(), 8u);
  OctreePalette usual(256, 7);
  EXPECT_EQ(usual.GetReductionLimit(), 256u);
  EXPECT_EQ(usual.GetColorBits(), 7u);
}

TEST(OctreePaletteTest, SingleColourGivesOneEntryAndZeros) {
  CPicture pic = MakeSolidPicture(13, 7, 200, 100, 50);
  OctreePalette octree(256, 7);
  ASSERT_TRUE(octree.AddImage(pic));
  RgbQuad palette[256] = {};
  EXPECT_EQ(octree.WritePalette(palette, 256), 1u);
  EXPECT_EQ(Entry(palette[0]), std::make_tuple(200, 100, 50, 0));
  for (int i = 1; i < 256; ++i) EXPECT_EQ(Entry(palette[i]), std::make_tuple(0, 0, 0, 0)) << i;
}

TEST(OctreePaletteTest, FewColoursComeOutExactlyInChildIndexOrder) {
  // Child index at the top level: 4 * red bit + 2 * green bit + blue bit, so the walk
  // gives black (0), blue (1), green (2), red (4), white (7), whatever the pixel order.
  const std::vector<RgbQuad> colors = {Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(0, 0, 255),
                                       Rgb(0, 255, 0),     Rgb(0, 0, 0),   Rgb(255, 0, 0)};
  CPicture pic = PictureOfColors(colors, 3);
  OctreePalette octree(256, 7);
  ASSERT_TRUE(octree.AddImage(pic));
  RgbQuad palette[256] = {};
  ASSERT_EQ(octree.WritePalette(palette, 256), 5u);
  EXPECT_EQ(Entry(palette[0]), std::make_tuple(0, 0, 0, 0));
  EXPECT_EQ(Entry(palette[1]), std::make_tuple(0, 0, 255, 0));
  EXPECT_EQ(Entry(palette[2]), std::make_tuple(0, 255, 0, 0));
  EXPECT_EQ(Entry(palette[3]), std::make_tuple(255, 0, 0, 0));
  EXPECT_EQ(Entry(palette[4]), std::make_tuple(255, 255, 255, 0));
  EXPECT_EQ(Entry(palette[5]), std::make_tuple(0, 0, 0, 0));
}

TEST(OctreePaletteTest, SevenBitsMergeColoursThatDifferOnlyInTheLowestBit) {
  // 100 and 101 share their top seven bits: one leaf, averaged by integer division.
  const std::vector<RgbQuad> colors = {Rgb(100, 10, 20), Rgb(101, 11, 21), Rgb(101, 11, 21)};
  CPicture pic = PictureOfColors(colors, 3);
  OctreePalette octree(256, 7);
  ASSERT_TRUE(octree.AddImage(pic));
  RgbQuad palette[256] = {};
  ASSERT_EQ(octree.WritePalette(palette, 256), 1u);
  EXPECT_EQ(Entry(palette[0]), std::make_tuple(100, 10, 20, 0));  // (100+101+101)/3 = 100

  OctreePalette full(256, 8);
  ASSERT_TRUE(full.AddImage(pic));
  EXPECT_EQ(full.WritePalette(palette, 256), 2u);
}

TEST(OctreePaletteTest, ReductionFoldsTheNewestDeepestNode) {
  // Reds 0, 2, ..., 32: seventeen leaves against a limit of 16. The newest node of the
  // deepest level is the one made for 32 (one child: folding it frees nothing), then
  // the one holding 28 and 30, which become one entry of 29.
  std::vector<RgbQuad> colors;
  for (int r = 0; r <= 32; r += 2) colors.push_back(Rgb(r, 0, 0));
  CPicture pic = PictureOfColors(colors, static_cast<int>(colors.size()));
  OctreePalette octree(16, 7);
  ASSERT_TRUE(octree.AddImage(pic));
  EXPECT_EQ(octree.GetLeafCount(), 16u);
  RgbQuad palette[256] = {};
  ASSERT_EQ(octree.WritePalette(palette, 256), 16u);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(palette[i].rgbRed, 2 * i) << i;
  EXPECT_EQ(palette[14].rgbRed, 29);
  EXPECT_EQ(palette[15].rgbRed, 32);
}

TEST(OctreePaletteTest, ManyColoursStayWithinTheLimitDeterministically) {
  CPicture pic = MakePatternPicture(96, 64, 3);
  std::set<std::tuple<int, int, int>> distinct;
  for (int y = 0; y < pic.GetHeight(); ++y)
    for (int x = 0; x < pic.GetWidth(); ++x) {
      RgbQuad c = pic.GetPixelColor(x, y);
      distinct.insert({c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
  ASSERT_GT(distinct.size(), 1000u);

  OctreePalette first(256, 7), second(256, 7);
  ASSERT_TRUE(first.AddImage(pic));
  ASSERT_TRUE(second.AddImage(pic));
  EXPECT_LE(first.GetLeafCount(), 256u);
  EXPECT_GT(first.GetLeafCount(), 16u);
  RgbQuad a[256] = {}, b[256] = {};
  const unsigned n = first.WritePalette(a, 256);
  EXPECT_EQ(second.WritePalette(b, 256), n);
  for (unsigned i = 0; i < 256; ++i) EXPECT_EQ(Entry(a[i]), Entry(b[i])) << i;

  // Every pixel has a palette colour near it.
  int worst = 0;
  for (int y = 0; y < pic.GetHeight(); ++y)
    for (int x = 0; x < pic.GetWidth(); ++x) {
      RgbQuad c = pic.GetPixelColor(x, y);
      int best = 1 << 30;
      for (unsigned i = 0; i < n; ++i) {
        const int dr = c.rgbRed - a[i].rgbRed, dg = c.rgbGreen - a[i].rgbGreen, db = c.rgbBlue - a[i].rgbBlue;
        best = std::min(best, std::max({std::abs(dr), std::abs(dg), std::abs(db)}));
      }
      worst = std::max(worst, best);
    }
  EXPECT_LE(worst, 64);
}

TEST(OctreePaletteTest, PalettePicturesUseTheirColourTableWithAlpha) {
  CPicture pic(PICTURE_BMP);
  ASSERT_TRUE(pic.Create(4, 2, 8, PICTURE_BMP));
  RgbQuad table[3];
  table[0] = Rgb(0, 0, 0);
  table[1] = Rgb(10, 20, 30);
  table[1].rgbReserved = 40;
  table[2] = Rgb(250, 250, 250);
  pic.SetPalette(table, 3);
  for (int x = 0; x < 4; ++x) {
    pic.SetPixelIndex(x, 0, 1);
    pic.SetPixelIndex(x, 1, x == 0 ? 2 : 1);
  }
  OctreePalette octree(256, 7);
  ASSERT_TRUE(octree.AddImage(pic));
  RgbQuad palette[256] = {};
  ASSERT_EQ(octree.WritePalette(palette, 256), 2u);
  EXPECT_EQ(Entry(palette[0]), std::make_tuple(10, 20, 30, 40));
  EXPECT_EQ(Entry(palette[1]), std::make_tuple(250, 250, 250, 0));
}

TEST(OctreePaletteTest, RejectsOtherDepthsAndBrokenImages) {
  OctreePalette octree(256, 7);
  EXPECT_FALSE(octree.AddImage(nullptr, 0));
  CPicture pic = MakeSolidPicture(4, 4, 1, 2, 3);
  std::vector<uint8_t> dib(pic.GetDib(), pic.GetDib() + pic.GetDibSize());
  // 32 bits per pixel is not a depth the reducer reads.
  BitmapInfoHeader header;
  std::memcpy(&header, dib.data(), sizeof(header));
  header.biBitCount = 32;
  std::vector<uint8_t> wide = dib;
  std::memcpy(wide.data(), &header, sizeof(header));
  EXPECT_FALSE(octree.AddImage(wide.data(), wide.size()));
  // Rows cut short.
  EXPECT_FALSE(octree.AddImage(dib.data(), dib.size() - 5));
  EXPECT_EQ(octree.GetLeafCount(), 0u);
  RgbQuad palette[4] = {Rgb(9, 9, 9), Rgb(9, 9, 9), Rgb(9, 9, 9), Rgb(9, 9, 9)};
  EXPECT_EQ(octree.WritePalette(palette, 4), 0u);
  EXPECT_EQ(palette[0].rgbRed, 9);
}

// Drawing into a 32-bit target: placement, clipping, scaling, transparency, alpha, smoothing.
#include <gtest/gtest.h>

#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"

using namespace imgtest;

namespace {

struct Canvas {
  int w, h;
  std::vector<uint8_t> px;
  DrawTarget target;
  Canvas(int width, int height, uint8_t fill = 7) : w(width), h(height), px(size_t(width) * size_t(height) * 4, fill) {
    target.pPixels = px.data();
    target.nWidth = w;
    target.nHeight = h;
    target.nStride = w * 4;
  }
  RgbQuad At(int x, int y) const {
    const uint8_t* p = px.data() + (size_t(y) * size_t(w) + size_t(x)) * 4;
    return Rgb(p[2], p[1], p[0]);
  }
  bool Untouched(int x, int y) const { return SameColor(At(x, y), Rgb(7, 7, 7)); }
};

// Colour of the picture pixel at column x, row y counted from the top.
RgbQuad Top(const CPicture& pic, int x, int y) { return pic.GetPixelColor(x, pic.GetHeight() - 1 - y); }

}  // namespace

TEST(Draw, NaturalSizeAtAnOffset) {
  CPicture pic = MakePatternPicture(4, 3);
  Canvas c(10, 8);
  pic.Draw(c.target, 2, 1, -1, -1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
      if (inside)
        EXPECT_TRUE(SameColor(c.At(x, y), Top(pic, x - 2, y - 1))) << x << "," << y;
      else
        EXPECT_TRUE(c.Untouched(x, y)) << x << "," << y;
    }
}

TEST(Draw, PalettePicturesAndPartlyOutsideTheTarget) {
  CPicture pic = MakeIndexedPicture(5, 5, 4);
  Canvas c(4, 4);
  pic.Draw(c.target, -2, -3, -1, -1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(SameColor(c.At(x, y), Top(pic, x + 2, y + 3)));
  EXPECT_TRUE(c.Untouched(3, 0));
  EXPECT_TRUE(c.Untouched(0, 2));
}

TEST(Draw, NothingForEmptyDisabledOrZeroSizes) {
  CPicture pic = MakePatternPicture(3, 3);
  Canvas c(5, 5);
  pic.Draw(c.target, 0, 0, 0, 3);
  pic.Draw(c.target, 0, 0, 3, 0);
  CPicture empty;
  empty.Draw(c.target, 0, 0, -1, -1);
  pic.Enable(false);
  pic.Draw(c.target, 0, 0, -1, -1);
  DrawTarget none;
  pic.Enable(true);
  pic.Draw(none, 0, 0, -1, -1);  // no pixels: must not crash
  DrawTarget narrow = c.target;
  narrow.nStride = 4;  // rows would overlap
  pic.Draw(narrow, 0, 0, -1, -1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_TRUE(c.Untouched(x, y));
}

TEST(Draw, ClipRectangleLimitsTheVisiblePart) {
  CPicture pic = MakePatternPicture(6, 6);
  Canvas c(8, 8);
  PictureRect clip{2, 3, 5, 4};
  PictureRect dest{1, 1, 7, 7};
  pic.Draw(c.target, dest, &clip);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool visible = x >= 2 && x < 5 && y == 3;
      if (visible)
        EXPECT_TRUE(SameColor(c.At(x, y), Top(pic, x - 1, y - 1)));
      else
        EXPECT_TRUE(c.Untouched(x, y)) << x << "," << y;
    }
}

TEST(Draw, NearestNeighbourTruncatesTheScaledPosition) {
  CPicture pic = MakePatternPicture(5, 3);
  // Enlarged to 8 x 7: column i takes source column int(i * 5 / 8), row j int(j * 3 / 7).
  Canvas big(8, 7);
  pic.Draw(big.target, 0, 0, 8, 7);
  for (int j = 0; j < 7; ++j)
    for (int i = 0; i < 8; ++i)
      EXPECT_TRUE(SameColor(big.At(i, j), Top(pic, i * 5 / 8, j * 3 / 7))) << i << "," << j;
  // Shrunk to 2 x 1: columns 0 and int(2.5) = 2, row 0.
  Canvas small(2, 1);
  pic.Draw(small.target, 0, 0, 2, 1);
  EXPECT_TRUE(SameColor(small.At(0, 0), Top(pic, 0, 0)));
  EXPECT_TRUE(SameColor(small.At(1, 0), Top(pic, 2, 0)));
}

TEST(Draw, TransparentIndexIsSkipped) {
  CPicture pic(PICTURE_GIF);
  ASSERT_TRUE(pic.Create(2, 1, 8, PICTURE_GIF));
  pic.SetPaletteColor(1, Rgb(200, 100, 50));
  pic.SetPaletteColor(2, Rgb(1, 2, 3));
  pic.SetPixelIndex(0, 0, 1);
  pic.SetPixelIndex(1, 0, 2);
  pic.SetTransIndex(2);
  Canvas c(2, 1);
  pic.Draw(c.target, 0, 0, -1, -1);
  EXPECT_TRUE(SameColor(c.At(0, 0), Rgb(200, 100, 50)));
  EXPECT_TRUE(c.Untouched(1, 0));
}

TEST(Draw, AlphaIsBlendedOverTheTarget) {
  CPicture pic = MakeSolidPicture(3, 1, 255, 0, 100);
  ASSERT_TRUE(pic.AlphaCreate());
  *pic.AlphaGetPointer(0, 0) = 0;
  *pic.AlphaGetPointer(1, 0) = 51;
  Canvas c(3, 1, 0);
  pic.Draw(c.target, 0, 0, -1, -1);
  EXPECT_TRUE(SameColor(c.At(0, 0), Rgb(0, 0, 0)));
  EXPECT_TRUE(SameColor(c.At(1, 0), Rgb(51, 0, 20)));  // 255 * 51 / 255, 100 * 51 / 255
  EXPECT_TRUE(SameColor(c.At(2, 0), Rgb(255, 0, 100)));
}

TEST(Draw, SmoothingInterpolatesBetweenPixelCentres) {
  // Black and white columns doubled in width: with the half-pixel offset the inner columns mix.
  CPicture pic = MakeSolidPicture(2, 1, 0, 0, 0);
  pic.SetPixelColor(1, 0, Rgb(255, 255, 255));
  Canvas c(4, 1);
  pic.Draw(c.target, 0, 0, 4, 1, nullptr, true);
  // Centres at source x = -0.25 (clamped 0), 0.25, 0.75, 1.25 (clamped 1).
  EXPECT_EQ(c.At(0, 0).rgbRed, 0);
  EXPECT_EQ(c.At(1, 0).rgbRed, 64);
  EXPECT_EQ(c.At(2, 0).rgbRed, 191);
  EXPECT_EQ(c.At(3, 0).rgbRed, 255);
  // At natural size smoothing changes nothing.
  CPicture pat = MakePatternPicture(5, 4);
  Canvas n(5, 4);
  pat.Draw(n.target, 0, 0, -1, -1, nullptr, true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_TRUE(SameColor(n.At(x, y), Top(pat, x, y)));
}

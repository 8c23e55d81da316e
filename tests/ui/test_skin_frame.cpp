// Where the skin pictures of a pane frame go: the window's worked layout, and for any pane
// size a frame that covers its ring exactly once from inside the pictures.
#include <gtest/gtest.h>

#include <vector>

#include "art/ArtworkIds.h"
#include "ui/SkinFrame.h"

using skin::Area;
using skin::FramePiece;
using skin::FrameStyle;

namespace {

std::vector<FramePiece> PiecesOf(const std::vector<FramePiece>& all, int id) {
  std::vector<FramePiece> out;
  for (const FramePiece& p : all)
    if (p.nPicture == id) out.push_back(p);
  return out;
}

// Every frame pixel covered exactly once, nothing outside the frame, no piece reading past
// its picture, and the tint stretched over exactly the pane.
void ExpectExactCover(FrameStyle style, const Area& pane) {
  SCOPED_TRACE(testing::Message() << "pane " << pane.w << "x" << pane.h);
  const Area outer = skin::FrameOuter(style, pane);
  std::vector<int> count(static_cast<size_t>(outer.w) * outer.h, 0);
  int tints = 0;
  for (const FramePiece& p : skin::FramePieces(style, pane)) {
    if (p.nPicture == kArtPaneTint) {
      ++tints;
      EXPECT_TRUE(p.bStretch);
      EXPECT_EQ(p.dest, pane);
      continue;
    }
    ASSERT_FALSE(p.bStretch) << "picture " << p.nPicture;
    const skin::PictureSize size = skin::DesignSize(p.nPicture);
    EXPECT_LE(p.srcX + p.dest.w, size.w) << "picture " << p.nPicture;
    EXPECT_LE(p.srcY + p.dest.h, size.h) << "picture " << p.nPicture;
    for (int y = p.dest.y; y < p.dest.Bottom(); ++y)
      for (int x = p.dest.x; x < p.dest.Right(); ++x) {
        ASSERT_TRUE(x >= outer.x && x < outer.Right() && y >= outer.y && y < outer.Bottom())
            << "picture " << p.nPicture << " outside the frame at " << x << "," << y;
        ++count[static_cast<size_t>(y - outer.y) * outer.w + (x - outer.x)];
      }
  }
  EXPECT_EQ(tints, 1);
  int gaps = 0, overlaps = 0;
  for (int y = outer.y; y < outer.Bottom(); ++y)
    for (int x = outer.x; x < outer.Right(); ++x) {
      const bool inPane = x >= pane.x && x < pane.Right() && y >= pane.y && y < pane.Bottom();
      const int c = count[static_cast<size_t>(y - outer.y) * outer.w + (x - outer.x)];
      if (inPane) overlaps += c;
      else if (c == 0) ++gaps;
      else if (c > 1) ++overlaps;
    }
  EXPECT_EQ(gaps, 0);
  EXPECT_EQ(overlaps, 0);
}

}  // namespace

TEST(SkinFrame, WindowOf1016x700PlacesTheFramesOfItsPanes) {
  // Image1 pane (41, 41), 426 x 268: frame from (25, 25), info strip right below the pane.
  const Area image1{41, 41, 426, 268};
  const auto pieces = skin::FramePieces(FrameStyle::ImagePane, image1);
  ASSERT_EQ(PiecesOf(pieces, kArtCornerTopLeft).size(), 1u);
  EXPECT_EQ(PiecesOf(pieces, kArtCornerTopLeft)[0].dest, (Area{25, 25, 16, 16}));
  EXPECT_EQ(PiecesOf(pieces, kArtCornerTopRight)[0].dest, (Area{467, 25, 16, 16}));
  ASSERT_EQ(PiecesOf(pieces, kArtInfoBarStrip).size(), 1u);
  EXPECT_EQ(PiecesOf(pieces, kArtInfoBarStrip)[0].dest, (Area{41, 309, 426, 42}));
  // The bottom corners close the strip.
  EXPECT_EQ(PiecesOf(pieces, kArtCornerBottomLeft)[0].dest.Bottom(), 309 + 42);
  // An edge is clipped to the pane, never stretched.
  ASSERT_EQ(PiecesOf(pieces, kArtEdgeTop).size(), 1u);
  EXPECT_EQ(PiecesOf(pieces, kArtEdgeTop)[0].dest, (Area{41, 25, 426, 16}));

  // Preview pane (295, 411): its frame starts at (279, 395), the title strip 26 above.
  const Area preview{295, 411, 426, 268};
  const auto pv = skin::FramePieces(FrameStyle::Preview, preview);
  ASSERT_EQ(PiecesOf(pv, kArtTitleLeft).size(), 1u);
  EXPECT_EQ(PiecesOf(pv, kArtTitleLeft)[0].dest, (Area{279, 395 - 26, 117, 42}));
  const FramePiece right = PiecesOf(pv, kArtTitleRight).at(0);
  EXPECT_EQ(right.dest.Right(), 295 + 426 + 16);
  EXPECT_EQ(right.dest.w, 108);
  EXPECT_TRUE(PiecesOf(pv, kArtCornerTopLeft).empty());  // the title strip is the top
  EXPECT_EQ(PiecesOf(pv, kArtPreviewBottom).at(0).dest, (Area{295, 411 + 268, 426, 16}));
  EXPECT_TRUE(PiecesOf(pv, kArtInfoBarStrip).empty());
}

TEST(SkinFrame, EveryPaneSizeIsFramedWithoutGapsOrOverlaps) {
  // The smallest window's panes, a pane as long as an edge picture, panes longer than the
  // edge pictures in both directions (a maximised 1920 x 1200 window and taller), and a
  // preview narrower than both title ends.
  for (const Area& pane : {Area{41, 41, 318, 218}, Area{41, 41, 500, 400}, Area{41, 41, 878, 518},
                           Area{7, 9, 1201, 1003}, Area{60, 80, 150, 30}}) {
    ExpectExactCover(FrameStyle::ImagePane, pane);
    ExpectExactCover(FrameStyle::Preview, pane);
  }
}

TEST(SkinFrame, NarrowPreviewKeepsTheOuterHalfOfEachTitleEnd) {
  const auto pieces = skin::FramePieces(FrameStyle::Preview, {100, 100, 90, 60});
  const FramePiece left = PiecesOf(pieces, kArtTitleLeft).at(0);
  const FramePiece right = PiecesOf(pieces, kArtTitleRight).at(0);
  EXPECT_EQ(left.dest.w + right.dest.w, 90 + 32);
  EXPECT_EQ(left.srcX, 0);
  EXPECT_EQ(right.srcX + right.dest.w, 108);  // its right end, with the rounded corner
  EXPECT_TRUE(PiecesOf(pieces, kArtTitleMid).empty());
}

TEST(SkinFrame, MissingPicturesAndEmptyPanesAreSkipped) {
  const skin::PictureSizes withoutTop = [](int id) {
    return id == kArtEdgeTop ? skin::PictureSize{} : skin::DesignSize(id);
  };
  const auto pieces = skin::FramePieces(FrameStyle::ImagePane, {41, 41, 900, 300}, withoutTop);
  EXPECT_TRUE(PiecesOf(pieces, kArtEdgeTop).empty());
  EXPECT_EQ(PiecesOf(pieces, kArtInfoBarStrip).size(), 2u);
  EXPECT_EQ(PiecesOf(pieces, kArtPaneTint).size(), 1u);
  // A window so small that the pane has no area: no frame, and nothing drawn backwards.
  EXPECT_TRUE(skin::FramePieces(FrameStyle::ImagePane, {41, 41, -5, 100}).empty());
  EXPECT_TRUE(skin::FramePieces(FrameStyle::Preview, {41, 41, 100, 0}).empty());
}

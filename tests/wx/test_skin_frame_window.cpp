// The window's backdrop shows the skin pictures where the frame geometry puts them.
#include <gtest/gtest.h>

#include "art/ArtworkIds.h"
#include "tests/wx/GuiTestSupport.h"
#include "ui/SkinFrame.h"
#include "ui/wx/PictureBitmap.h"

using guitest::MainWindowFixture;

TEST(MainWindowSkin, FramesShowTheSkinPicturesWhereTheGeometryPutsThem) {
  // Wide enough that the 500-pixel edges are repeated along the panes.
  MainWindowFixture f("[Config]\nShowWiz=0\n", 1280, 760);
  const wxImage client = f->Canvas()->RenderClient().ConvertToImage();
  ASSERT_TRUE(client.IsOk());
  ASSERT_GT(f.Layout().pw, 500);
  int compared = 0;
  for (int i = 0; i < 3; ++i) {
    const pane::Rect& p = f.Layout().pane[i];
    const skin::FrameStyle style = i == pane::Preview ? skin::FrameStyle::Preview : skin::FrameStyle::ImagePane;
    for (const skin::FramePiece& piece : skin::FramePieces(style, {p.x, p.y, p.w, p.h})) {
      if (piece.bStretch) continue;
      const wxImage picture = LoadResourceImage(piece.nPicture);
      ASSERT_TRUE(picture.IsOk()) << piece.nPicture;
      // The last column and row of the piece: where a clipped or shifted copy goes wrong.
      const int sx = piece.srcX + piece.dest.w - 1, sy = piece.srcY + piece.dest.h - 1;
      if (picture.HasAlpha() && picture.GetAlpha(sx, sy) != 255) continue;
      const int wx = piece.dest.Right() - 1, wy = piece.dest.Bottom() - 1;
      SCOPED_TRACE(testing::Message() << "picture " << piece.nPicture << " at " << wx << "," << wy);
      EXPECT_NEAR(client.GetRed(wx, wy), picture.GetRed(sx, sy), 1);
      EXPECT_NEAR(client.GetGreen(wx, wy), picture.GetGreen(sx, sy), 1);
      EXPECT_NEAR(client.GetBlue(wx, wy), picture.GetBlue(sx, sy), 1);
      ++compared;
    }
  }
  EXPECT_GT(compared, 20);
}

#include "ui/wx/SkinFramePainter.h"

#include <wx/dcmemory.h>

void CSkinFramePainter::Draw(wxDC& dc, skin::FrameStyle style, const skin::Area& pane) const {
  const skin::PictureSizes sizes = [this](int id) {
    const wxBitmap& bmp = m_picture(id);
    return bmp.IsOk() ? skin::PictureSize{bmp.GetWidth(), bmp.GetHeight()} : skin::PictureSize{};
  };
  for (const skin::FramePiece& piece : skin::FramePieces(style, pane, sizes)) {
    const wxBitmap& bmp = m_picture(piece.nPicture);
    const skin::Area& d = piece.dest;
    if (piece.bStretch) {
      wxMemoryDC src;
      src.SelectObjectAsSource(bmp);
      dc.StretchBlit(d.x, d.y, d.w, d.h, &src, 0, 0, bmp.GetWidth(), bmp.GetHeight());
      continue;
    }
    // At its own size: the clip keeps the picture to its piece of the side.
    dc.SetClippingRegion(d.x, d.y, d.w, d.h);
    dc.DrawBitmap(bmp, d.x - piece.srcX, d.y - piece.srcY, true);
    dc.DestroyClippingRegion();
  }
}

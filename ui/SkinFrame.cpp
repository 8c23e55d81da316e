#include "ui/SkinFrame.h"

#include <algorithm>

#include "art/ArtworkIds.h"

namespace skin {

namespace {

constexpr int S = kFrameSide;

class PieceList {
 public:
  PieceList(const PictureSizes& sizes, std::vector<FramePiece>& out) : m_sizes(sizes), m_out(out) {}

  // The picture once at band's top-left corner, clipped to the band.
  void Once(int id, const Area& band) { Along(id, band, false, false); }
  // The picture repeated along the band at its own size, the last copy clipped.
  void RepeatX(int id, const Area& band) { Along(id, band, true, false); }
  void RepeatY(int id, const Area& band) { Along(id, band, false, true); }
  // The picture once with its right edge at the band's right edge.
  void AlignRight(int id, const Area& band) {
    const PictureSize s = m_sizes(id);
    if (s.w <= 0 || s.h <= 0 || band.w <= 0 || band.h <= 0) return;
    const int w = std::min(s.w, band.w);
    m_out.push_back({id, {band.Right() - w, band.y, w, std::min(s.h, band.h)}, s.w - w, 0, false});
  }
  void Stretch(int id, const Area& band) {
    const PictureSize s = m_sizes(id);
    if (s.w <= 0 || s.h <= 0 || band.w <= 0 || band.h <= 0) return;
    m_out.push_back({id, band, 0, 0, true});
  }

 private:
  void Along(int id, const Area& band, bool bRepeatX, bool bRepeatY) {
    const PictureSize s = m_sizes(id);
    if (s.w <= 0 || s.h <= 0 || band.w <= 0 || band.h <= 0) return;
    for (int y = band.y; y < band.Bottom(); y += s.h) {
      for (int x = band.x; x < band.Right(); x += s.w) {
        m_out.push_back({id, {x, y, std::min(s.w, band.Right() - x), std::min(s.h, band.Bottom() - y)}, 0, 0, false});
        if (!bRepeatX) break;
      }
      if (!bRepeatY) break;
    }
  }

  const PictureSizes& m_sizes;
  std::vector<FramePiece>& m_out;
};

}  // namespace

PictureSize DesignSize(int nPicture) {
  switch (nPicture) {
    case kArtCornerTopLeft:
    case kArtCornerTopRight:
    case kArtCornerBottomLeft:
    case kArtCornerBottomRight: return {16, 16};
    case kArtEdgeTop:
    case kArtPreviewBottom: return {500, 16};
    case kArtEdgeLeft:
    case kArtEdgeRight: return {16, 400};
    case kArtInfoBarStrip:
    case kArtTitleMid: return {500, 42};
    case kArtTitleLeft: return {117, 42};
    case kArtTitleRight: return {108, 42};
    case kArtPaneTint: return {9, 9};
    default: return {};
  }
}

Area FrameOuter(FrameStyle style, const Area& pane) {
  if (style == FrameStyle::Preview)
    return {pane.x - S, pane.y - kTitleStripHeight, pane.w + 2 * S, kTitleStripHeight + pane.h + S};
  return {pane.x - S, pane.y - S, pane.w + 2 * S, S + pane.h + kInfoStripHeight};
}

std::vector<FramePiece> FramePieces(FrameStyle style, const Area& pane, const PictureSizes& sizes) {
  std::vector<FramePiece> out;
  if (pane.w <= 0 || pane.h <= 0) return out;
  PieceList list(sizes, out);
  const Area outer = FrameOuter(style, pane);
  const int left = outer.x, right = pane.Right();
  if (style == FrameStyle::ImagePane) {
    // Top row, the sides down to the bottom corners, then the strip that holds the info bar.
    list.Once(kArtCornerTopLeft, {left, outer.y, S, S});
    list.RepeatX(kArtEdgeTop, {pane.x, outer.y, pane.w, S});
    list.Once(kArtCornerTopRight, {right, outer.y, S, S});
    const int sideHeight = pane.h + kInfoStripHeight - S;
    list.RepeatY(kArtEdgeLeft, {left, pane.y, S, sideHeight});
    list.RepeatY(kArtEdgeRight, {right, pane.y, S, sideHeight});
    list.RepeatX(kArtInfoBarStrip, {pane.x, pane.Bottom(), pane.w, kInfoStripHeight});
    const int cornerY = pane.y + sideHeight;
    list.Once(kArtCornerBottomLeft, {left, cornerY, S, S});
    list.Once(kArtCornerBottomRight, {right, cornerY, S, S});
  } else {
    // The title strip replaces the top row: its ends carry the outer corners. On a frame too
    // narrow for both ends each end keeps its outer half.
    const int half = outer.w / 2;
    const int leftEnd = std::min(sizes(kArtTitleLeft).w, half);
    const int rightEnd = std::min(sizes(kArtTitleRight).w, outer.w - half);
    list.Once(kArtTitleLeft, {left, outer.y, leftEnd, kTitleStripHeight});
    list.RepeatX(kArtTitleMid, {left + leftEnd, outer.y, outer.w - leftEnd - rightEnd, kTitleStripHeight});
    list.AlignRight(kArtTitleRight, {outer.Right() - rightEnd, outer.y, rightEnd, kTitleStripHeight});
    list.RepeatY(kArtEdgeLeft, {left, pane.y, S, pane.h});
    list.RepeatY(kArtEdgeRight, {right, pane.y, S, pane.h});
    list.Once(kArtCornerBottomLeft, {left, pane.Bottom(), S, S});
    list.RepeatX(kArtPreviewBottom, {pane.x, pane.Bottom(), pane.w, S});
    list.Once(kArtCornerBottomRight, {right, pane.Bottom(), S, S});
  }
  list.Stretch(kArtPaneTint, pane);
  return out;
}

}  // namespace skin

// Which skin picture goes where around a pane: the corners, the sides at their own size
// repeated along the pane, the image panes' 42-pixel bottom strip (their info bar), the
// preview's title strip above its pane, and the translucent tint over the pane interior.
// No drawing here: the window's painter draws the pieces in the order given.
#pragma once

#include <functional>
#include <vector>

namespace skin {

struct Area {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool operator==(const Area& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// One picture drawn into `dest`: either stretched over it, or at its own size with the
// picture's point (srcX, srcY) at dest's top-left corner, clipped to dest.
struct FramePiece {
  int nPicture = 0;
  Area dest;
  int srcX = 0, srcY = 0;
  bool bStretch = false;
};

enum class FrameStyle { ImagePane, Preview };

struct PictureSize {
  int w = 0, h = 0;
};
// Size of a skin picture by id; {0, 0} when it is not available (its pieces are left out).
using PictureSizes = std::function<PictureSize(int nPicture)>;
// The sizes the skin pictures are drawn at.
PictureSize DesignSize(int nPicture);

inline constexpr int kFrameSide = 16;        // corners and sides
inline constexpr int kInfoStripHeight = 42;  // below an image pane
inline constexpr int kTitleStripHeight = 42; // above the preview pane, from 26 above its frame

// Outer rectangle of the frame around `pane` (the pane area).
Area FrameOuter(FrameStyle style, const Area& pane);

// Pieces of the frame around `pane`, in drawing order, the tint last. With pictures of
// their design sizes the pieces never overlap and together cover FrameOuter less the pane.
std::vector<FramePiece> FramePieces(FrameStyle style, const Area& pane,
                                    const PictureSizes& sizes = DesignSize);

}  // namespace skin

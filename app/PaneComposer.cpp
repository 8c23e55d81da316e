#include "app/PaneComposer.h"

#include <cstring>

void ComposeImagePane(const CPicture& picture, const pane::Bounds& visible, const pane::PaneView& view,
                      PaneImage& out) {
  out.nWidth = visible.Width() > 0 ? visible.Width() : 0;
  out.nHeight = visible.Height() > 0 ? visible.Height() : 0;
  out.pixels.resize(static_cast<size_t>(out.nWidth) * out.nHeight * 4);
  if (out.pixels.empty()) return;
  std::memset(out.pixels.data(), 0xFF, out.pixels.size());
  DrawTarget target = out.Target();
  const int cx = static_cast<int>(picture.GetWidth() * view.fZoom);
  const int cy = static_cast<int>(picture.GetHeight() * view.fZoom);
  if (cx <= 0 || cy <= 0) return;
  picture.Draw(target, -view.nScrollX, -view.nScrollY, cx, cy);
}

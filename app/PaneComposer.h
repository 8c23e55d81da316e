// Composes the visible part of an image pane off screen: white, then the picture at the
// pane's zoom moved by its scroll offsets. The window copies the result with one blit.
#pragma once

#include <cstdint>
#include <vector>

#include "app/PaneGeometry.h"
#include "image/Picture.h"

struct PaneImage {
  int nWidth = 0, nHeight = 0;
  std::vector<uint8_t> pixels;  // 32-bit blue-green-red-unused, top row first
  DrawTarget Target() {
    return DrawTarget{pixels.data(), nWidth, nHeight, nWidth * 4};
  }
};

// Fills `out` (reusing its buffer) with the visible rectangle's content.
void ComposeImagePane(const CPicture& picture, const pane::Bounds& visible, const pane::PaneView& view,
                      PaneImage& out);

// The off-screen frame as the writers receive it: 32-bit pixels (blue, green, red,
// unused from the lowest byte up), rows bottom-up, no padding (stride = 4 * width).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct FrameBitmap {
  int nWidth = 0;
  int nHeight = 0;
  std::vector<uint8_t> bits;

  int Stride() const { return nWidth * 4; }
  // Stored row r; row 0 is the bottom row of the frame.
  uint8_t* Row(int r) { return bits.data() + static_cast<size_t>(r) * Stride(); }
  const uint8_t* Row(int r) const { return bits.data() + static_cast<size_t>(r) * Stride(); }
};

// Receives each rendered frame with its index; only the AVI writer may return false.
using FrameWriter = std::function<bool(const FrameBitmap& bitmap, int nFrame)>;

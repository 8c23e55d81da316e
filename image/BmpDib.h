// Reading a device-independent bitmap (information header, colour table, rows) from memory.
// Shared by the BMP reader and the ICO reader, whose entries hold the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Result.h"
#include "image/Picture.h"

struct DibLayout {
  int nWidth = 0;
  int nHeight = 0;          // of the picture (half the header's height for icons)
  int nBits = 0;            // as stored in the file
  bool bTopDown = false;
  size_t nPixelPos = 0;     // where the rows start in the block
  size_t nRowBytes = 0;     // stored row stride
};

// Decodes the bitmap whose information header starts at `headerPos`. `pixelPos` is where the
// rows start (0: right after the colour table). Icons hold two pictures stacked (colour rows,
// then the 1-bit mask), so their header height is twice the picture's.
Result DecodeDib(CPicture& pic, const uint8_t* data, size_t size, size_t headerPos, size_t pixelPos,
                 bool bIcon, DibLayout* pLayout);

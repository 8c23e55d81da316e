// Helpers of the image tests: small helpers to compare colours and write files (pictures are
// compared by support/PictureChecks.h, GIF files read back by support/GifReference.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/Picture.h"
#include "support/PictureChecks.h"

namespace imgtest {

// Encodes to a memory buffer through a temporary file.
inline std::vector<uint8_t> EncodeToBytes(const CPicture& pic, int type, bool* ok = nullptr) {
  std::vector<uint8_t> bytes;
  FILE* fp = std::tmpfile();
  bool good = fp && pic.Encode(fp, type);
  if (fp) {
    long n = std::ftell(fp);
    std::rewind(fp);
    if (n > 0) {
      bytes.resize(static_cast<size_t>(n));
      if (std::fread(bytes.data(), 1, bytes.size(), fp) != bytes.size()) good = false;
    }
    std::fclose(fp);
  }
  if (ok) *ok = good;
  return bytes;
}

inline bool SameColor(RgbQuad a, RgbQuad b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

inline RgbQuad Rgb(uint8_t r, uint8_t g, uint8_t b) {
  RgbQuad c;
  c.rgbRed = r;
  c.rgbGreen = g;
  c.rgbBlue = b;
  return c;
}

// Palette picture with a pseudo-random index pattern and a distinct palette.
inline CPicture MakeIndexedPicture(int w, int h, int bits, unsigned seed = 1) {
  CPicture pic(PICTURE_BMP);
  pic.Create(w, h, bits, PICTURE_BMP);
  const int n = 1 << bits;
  for (int i = 0; i < n; ++i)
    pic.SetPaletteColor(static_cast<uint8_t>(i),
                        Rgb(static_cast<uint8_t>(i * 37 + 5), static_cast<uint8_t>(i * 11 + 100), static_cast<uint8_t>(255 - i)));
  unsigned s = seed;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      s = s * 1103515245u + 12345u;
      pic.SetPixelIndex(x, y, static_cast<uint8_t>((s >> 16) % static_cast<unsigned>(n)));
    }
  return pic;
}

}  // namespace imgtest

// A small, independent GIF reader for the output tests: it walks every block of a
// GIF89a file and decodes each image's LZW data, so the animated-GIF writer can be
// checked without trusting the container's own GIF code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GifRefColor {
  uint8_t r = 0, g = 0, b = 0;
};

struct GifRefFrame {
  int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
  uint8_t nPacked = 0;          // image descriptor's packed byte
  bool bHasControl = false;
  uint8_t nControlPacked = 0;   // graphic control extension's packed byte
  int nDelay = 0;
  int nTransparent = 0;
  std::vector<GifRefColor> localTable;
  std::vector<uint8_t> indices;  // top row first
  int nMinCodeSize = 0;
  // Colour of pixel (x, y), y counted from the top, through the table in effect.
  GifRefColor Color(const std::vector<GifRefColor>& global, int x, int y) const;
};

struct GifRefFile {
  int nWidth = 0, nHeight = 0;
  uint8_t nPacked = 0;
  int nBackground = 0;
  std::vector<GifRefColor> globalTable;
  bool bHasLoop = false;
  int nLoopCount = 0;
  std::vector<GifRefFrame> frames;
  bool bTrailer = false;
};

// False with a reason when the bytes are not a well-formed GIF.
bool DecodeGifReference(const std::vector<uint8_t>& bytes, GifRefFile& out, std::string& szWhy);

// The tests' own GIF reader, independent of the container's GIF code: it walks every block
// of a file and decodes each image's LZW data with a plain dictionary of strings, so the
// GIF codec, the animated-GIF writer and the exports can be checked against a second opinion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GifRefColor {
  uint8_t r = 0, g = 0, b = 0;
};

struct GifRefFrame {
  int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
  uint8_t nPacked = 0;          // image descriptor's packed byte
  size_t nDescriptorOffset = 0;  // file offset of the 0x2C byte
  // Graphic control extension before the image: its six bytes (size 4, packed, delay,
  // transparent index, terminator) as written, empty when none, and the fields.
  std::vector<uint8_t> gce;
  bool bHasControl = false;
  uint8_t nControlPacked = 0;
  int nDelay = 0;
  int nTransparent = 0;
  std::vector<GifRefColor> localTable;
  int nMinCodeSize = 0;
  std::vector<uint8_t> codes;    // the image's sub-blocks joined
  std::vector<uint8_t> indices;  // decoded, top row first
  bool bSawEnd = false;          // the LZW data ended with an end code
  // Colour of pixel (x, y), y counted from the top, through the table in effect.
  GifRefColor Color(const std::vector<GifRefColor>& global, int x, int y) const;
};

struct GifRefFile {
  std::string signature;  // "GIF87a" or "GIF89a"
  int nWidth = 0, nHeight = 0;
  uint8_t nPacked = 0;
  int nBackground = 0;
  uint8_t nAspect = 0;
  std::vector<GifRefColor> globalTable;
  bool bHasLoop = false;  // a NETSCAPE2.0 loop block
  int nLoopCount = 0;
  std::vector<std::string> comments;
  std::vector<GifRefFrame> frames;
  bool bTrailer = false;
};

// Plain dictionary LZW decoding; a missing end code is allowed and reported in *pSawEnd.
// False (with a reason) on a code that cannot occur.
bool GifReferenceLzw(const std::vector<uint8_t>& data, int nMinCodeSize, std::vector<uint8_t>& out,
                     bool* pSawEnd = nullptr, std::string* pWhy = nullptr);
// Reads every block; false with a reason when the block structure is broken. Image data
// need not end with an end code nor fill its rectangle (see the flags and sizes).
bool ParseGifReference(const std::vector<uint8_t>& bytes, GifRefFile& out, std::string& szWhy);
// ParseGifReference plus what a well-formed GIF89a file must hold: the signature, a trailer,
// code sizes 2..11, and image data that ends with an end code and fills its rectangle.
bool DecodeGifReference(const std::vector<uint8_t>& bytes, GifRefFile& out, std::string& szWhy);

// Helpers of the image tests: an independent GIF file parser with a plain dictionary LZW
// decoder, and small helpers to compare pictures and write files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/Picture.h"

namespace imgtest {

// Straightforward LZW decoding with a table of strings: a second opinion on the coder.
inline bool ReferenceLzwDecode(const std::vector<uint8_t>& data, int minCodeSize, std::vector<uint8_t>& out,
                               bool* sawEnd = nullptr) {
  const int clear = 1 << minCodeSize, end = clear + 1;
  std::vector<std::vector<uint8_t>> table;
  auto reset = [&] {
    table.assign(static_cast<size_t>(clear + 2), {});
    for (int i = 0; i < clear; ++i) table[static_cast<size_t>(i)] = {static_cast<uint8_t>(i)};
  };
  reset();
  int width = minCodeSize + 1;
  size_t bitPos = 0;
  int prev = -1;
  if (sawEnd) *sawEnd = false;
  while (bitPos + static_cast<size_t>(width) <= data.size() * 8) {
    int code = 0;
    for (int b = 0; b < width; ++b, ++bitPos)
      code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
    if (code == clear) {
      reset();
      width = minCodeSize + 1;
      prev = -1;
      continue;
    }
    if (code == end) {
      if (sawEnd) *sawEnd = true;
      return true;
    }
    std::vector<uint8_t> entry;
    if (code < static_cast<int>(table.size()) && !table[static_cast<size_t>(code)].empty()) {
      entry = table[static_cast<size_t>(code)];
    } else if (code == static_cast<int>(table.size()) && prev >= 0) {
      entry = table[static_cast<size_t>(prev)];
      entry.push_back(entry[0]);
    } else {
      return false;
    }
    out.insert(out.end(), entry.begin(), entry.end());
    if (prev >= 0 && table.size() < 4096) {
      std::vector<uint8_t> added = table[static_cast<size_t>(prev)];
      added.push_back(entry[0]);
      table.push_back(added);
    }
    if (table.size() == (size_t(1) << width) && width < 12) ++width;
    prev = code;
  }
  return true;
}

struct GifImage {
  int left = 0, top = 0, width = 0, height = 0;
  uint8_t packed = 0;
  std::vector<uint8_t> localTable;  // RGB triples
  int minCodeSize = 0;
  std::vector<uint8_t> codes;       // joined sub-blocks
  std::vector<uint8_t> pixels;      // decoded, top row first
  bool sawEnd = false;
  // Graphic control extension before the image (empty when none).
  std::vector<uint8_t> gce;
  size_t descriptorOffset = 0;      // file offset of the 0x2C byte
};

struct GifFile {
  std::string signature;
  int width = 0, height = 0;
  uint8_t packed = 0, background = 0, aspect = 0;
  std::vector<uint8_t> globalTable;
  bool hasNetscape = false;
  int loopCount = -1;
  std::vector<std::string> comments;
  std::vector<GifImage> images;
  bool trailer = false;
};

inline bool ParseGif(const std::vector<uint8_t>& f, GifFile& gif) {
  size_t p = 0;
  auto need = [&](size_t n) { return p + n <= f.size(); };
  auto le16 = [&](size_t at) { return f[at] | (f[at + 1] << 8); };
  auto subBlocks = [&](std::vector<uint8_t>* out) {
    for (;;) {
      if (!need(1)) return false;
      uint8_t n = f[p++];
      if (n == 0) return true;
      if (!need(n)) return false;
      if (out) out->insert(out->end(), f.begin() + static_cast<long>(p), f.begin() + static_cast<long>(p + n));
      p += n;
    }
  };
  if (!need(13)) return false;
  gif.signature.assign(f.begin(), f.begin() + 6);
  gif.width = le16(6);
  gif.height = le16(8);
  gif.packed = f[10];
  gif.background = f[11];
  gif.aspect = f[12];
  p = 13;
  if (gif.packed & 0x80) {
    size_t n = size_t(3) << ((gif.packed & 7) + 1);
    if (!need(n)) return false;
    gif.globalTable.assign(f.begin() + 13, f.begin() + static_cast<long>(13 + n));
    p += n;
  }
  std::vector<uint8_t> pendingGce;
  while (need(1)) {
    uint8_t b = f[p++];
    if (b == 0x3B) {
      gif.trailer = true;
      return true;
    }
    if (b == 0x21) {
      if (!need(1)) return false;
      uint8_t label = f[p++];
      std::vector<uint8_t> body;
      if (label == 0xF9) {
        if (!need(6) || f[p] != 4) return false;
        pendingGce.assign(f.begin() + static_cast<long>(p), f.begin() + static_cast<long>(p + 6));
        p += 5;
        if (!subBlocks(nullptr)) return false;
      } else if (label == 0xFF) {
        if (!subBlocks(&body)) return false;
        if (body.size() >= 14 && std::string(body.begin(), body.begin() + 11) == "NETSCAPE2.0") {
          gif.hasNetscape = true;
          gif.loopCount = body[12] | (body[13] << 8);
        }
      } else if (label == 0xFE) {
        if (!subBlocks(&body)) return false;
        gif.comments.emplace_back(body.begin(), body.end());
      } else if (!subBlocks(nullptr)) {
        return false;
      }
      continue;
    }
    if (b != 0x2C || !need(9)) return false;
    GifImage img;
    img.descriptorOffset = p - 1;
    img.left = le16(p);
    img.top = le16(p + 2);
    img.width = le16(p + 4);
    img.height = le16(p + 6);
    img.packed = f[p + 8];
    p += 9;
    if (img.packed & 0x80) {
      size_t n = size_t(3) << ((img.packed & 7) + 1);
      if (!need(n)) return false;
      img.localTable.assign(f.begin() + static_cast<long>(p), f.begin() + static_cast<long>(p + n));
      p += n;
    }
    if (!need(1)) return false;
    img.minCodeSize = f[p++];
    if (!subBlocks(&img.codes)) return false;
    if (!ReferenceLzwDecode(img.codes, img.minCodeSize, img.pixels, &img.sawEnd)) return false;
    img.gce = pendingGce;
    pendingGce.clear();
    gif.images.push_back(std::move(img));
  }
  return false;
}

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

// Every pixel of two pictures has the same colour (alpha ignored).
inline ::testing::AssertionResult SamePixels(const CPicture& a, const CPicture& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
    return ::testing::AssertionFailure() << "sizes differ: " << a.GetWidth() << "x" << a.GetHeight() << " vs "
                                         << b.GetWidth() << "x" << b.GetHeight();
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      RgbQuad ca = a.GetPixelColor(x, y), cb = b.GetPixelColor(x, y);
      if (!SameColor(ca, cb))
        return ::testing::AssertionFailure()
               << "pixel (" << x << "," << y << "): " << int(ca.rgbRed) << "," << int(ca.rgbGreen) << ","
               << int(ca.rgbBlue) << " vs " << int(cb.rgbRed) << "," << int(cb.rgbGreen) << "," << int(cb.rgbBlue);
    }
  return ::testing::AssertionSuccess();
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

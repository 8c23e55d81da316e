// Helpers for the tests of the library-backed codecs and the small published formats.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Picture.h"

using EncodeFn = PictureEncoder;
using DecodeFn = PictureDecoder;

// Runs an encoder into an anonymous temporary file and returns what it wrote.
inline std::vector<uint8_t> EncodeToBytes(EncodeFn enc, const CPicture& pic, std::string* pErr = nullptr) {
  std::vector<uint8_t> bytes;
  FILE* fp = std::tmpfile();
  if (!fp) return bytes;
  const Result r = enc(pic, fp);
  if (r) {
    std::fseek(fp, 0, SEEK_END);  // writers that patch earlier bytes may stop anywhere
    long n = std::ftell(fp);
    std::rewind(fp);
    bytes.resize(n > 0 ? size_t(n) : 0);
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), fp) != bytes.size()) bytes.clear();
  }
  std::fclose(fp);
  if (pErr) *pErr = r.message;
  return bytes;
}

// Largest difference of any channel of any pixel (both pictures read as colours).
inline int MaxChannelDiff(const CPicture& a, const CPicture& b) {
  int worst = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      const RgbQuad p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
      worst = std::max({worst, std::abs(p.rgbRed - q.rgbRed), std::abs(p.rgbGreen - q.rgbGreen),
                        std::abs(p.rgbBlue - q.rgbBlue)});
    }
  return worst;
}

inline double MeanChannelDiff(const CPicture& a, const CPicture& b) {
  double sum = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      const RgbQuad p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
      sum += std::abs(p.rgbRed - q.rgbRed) + std::abs(p.rgbGreen - q.rgbGreen) +
             std::abs(p.rgbBlue - q.rgbBlue);
    }
  return sum / (3.0 * a.GetWidth() * a.GetHeight());
}

inline RgbQuad Rgb(uint8_t r, uint8_t g, uint8_t b) {
  RgbQuad c;
  c.rgbRed = r;
  c.rgbGreen = g;
  c.rgbBlue = b;
  return c;
}

// 24-bit picture with gentle gradients, which lossy codecs keep close.
inline CPicture MakeSmoothPicture(int width, int height) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, 24, PICTURE_BMP);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pic.SetPixelColor(x, y, Rgb(uint8_t(x * 255 / (width - 1)), uint8_t(y * 255 / (height - 1)),
                                  uint8_t((x + y) * 255 / (width + height - 2))));
  return pic;
}

// Palette picture of the given depth whose pixel at (x, y) is (x + 3y) mod colours, with a
// palette of distinct colours.
inline CPicture MakeIndexedPicture(int width, int height, int bits) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, bits, PICTURE_BMP);
  const int n = 1 << bits;
  std::vector<RgbQuad> pal(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    pal[size_t(i)] = Rgb(uint8_t(i * 37 + 5), uint8_t(255 - i * 11), uint8_t(i * 73 + 20));
  pic.SetPalette(pal.data(), n);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pic.SetPixelIndex(x, y, uint8_t((x + 3 * y) % n));
  return pic;
}

// Decodes the bytes with one decoder, which must take them.
inline CPicture DecodeBytes(DecodeFn dec, const std::vector<uint8_t>& bytes) {
  CPicture pic;
  const Result r = dec(pic, bytes.data(), bytes.size());
  EXPECT_TRUE(r.ok()) << r.message;
  return pic;
}

// Expects the decoder to refuse the bytes with some text and to leave no picture.
inline void ExpectRefused(DecodeFn dec, const std::vector<uint8_t>& bytes, const char* what) {
  CPicture pic;
  const Result r = dec(pic, bytes.empty() ? nullptr : bytes.data(), bytes.size());
  EXPECT_FALSE(r.ok()) << what;
  EXPECT_FALSE(r.message.empty()) << what;
}

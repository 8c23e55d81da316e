// Windows icons and cursors: the largest entry of the directory, stored as a bitmap (colour
// rows and a 1-bit transparency mask) or as an embedded PNG file.
#include <cstring>

#include "image/BmpDib.h"
#include "image/Codecs.h"
#include "image/ContainerIo.h"

bool SniffIco(const uint8_t* data, size_t size) {
  if (!data || size < 6 + 16) return false;
  const uint16_t reserved = Le16(data), type = Le16(data + 2), count = Le16(data + 4);
  return reserved == 0 && (type == 1 || type == 2) && count != 0;
}

Result DecodeIco(CPicture& pic, const uint8_t* data, size_t size) {
  if (!SniffIco(data, size)) return Result::Fail("Not an ICO");
  const uint16_t type = Le16(data + 2), count = Le16(data + 4);
  if (size < 6 + size_t(count) * 16) return Result::Fail(ErrorKind::Truncated, "Not an ICO");

  // Pick the largest picture, then the deepest.
  int best = -1;
  uint64_t bestArea = 0;
  int bestBits = -1;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + size_t(i) * 16;
    const uint32_t bytes = Le32(e + 8), offset = Le32(e + 12);
    if (offset >= size || bytes > size - offset || bytes < 8) continue;
    const uint64_t area = uint64_t(e[0] ? e[0] : 256) * uint64_t(e[1] ? e[1] : 256);
    const int bits = type == 1 ? Le16(e + 6) : 0;
    if (best < 0 || area > bestArea || (area == bestArea && bits > bestBits)) {
      best = i;
      bestArea = area;
      bestBits = bits;
    }
  }
  if (best < 0) return Result::Fail(ErrorKind::Truncated, "ICO file is truncated");
  const uint8_t* e = data + 6 + size_t(best) * 16;
  const uint32_t bytes = Le32(e + 8), offset = Le32(e + 12);
  const uint8_t* image = data + offset;

  if (SniffPng(image, bytes)) return DecodePng(pic, image, bytes);

  DibLayout layout;
  Result dib = DecodeDib(pic, image, bytes, 0, 0, true, &layout);
  if (!dib) return dib;
  const int w = layout.nWidth, h = layout.nHeight;
  // 32-bit entries carry their own alpha in the fourth byte.
  if (layout.nBits == 32) {
    const uint8_t* rows = image + layout.nPixelPos;
    bool any = false;
    if (!pic.AlphaCreate()) return FailureOf(pic);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t a = rows[size_t(y) * layout.nRowBytes + size_t(x) * 4 + 3];
        *pic.AlphaGetPointer(x, y) = a;
        any = any || a != 0;
      }
    if (any) return Result::Success();
    pic.AlphaDelete();
  }
  // The 1-bit mask follows the colour rows; a set bit marks a transparent pixel. Icons
  // without a complete mask are shown opaque.
  const size_t maskStride = ((size_t(w) + 31) / 32) * 4;
  const size_t maskPos = layout.nPixelPos + layout.nRowBytes * size_t(h);
  if (maskPos > bytes || maskStride * size_t(h) > bytes - maskPos) return Result::Success();
  const uint8_t* mask = image + maskPos;
  bool anyTransparent = false;
  for (int y = 0; y < h && !anyTransparent; ++y)
    for (int x = 0; x < w; ++x)
      if ((mask[size_t(y) * maskStride + size_t(x / 8)] >> (7 - (x & 7))) & 1) {
        anyTransparent = true;
        break;
      }
  if (!anyTransparent) return Result::Success();
  if (!pic.AlphaCreate()) return FailureOf(pic);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool transparent = (mask[size_t(y) * maskStride + size_t(x / 8)] >> (7 - (x & 7))) & 1;
      *pic.AlphaGetPointer(x, y) = transparent ? 0 : 255;
    }
  return Result::Success();
}

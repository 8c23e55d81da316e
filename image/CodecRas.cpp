// Sun raster files: 1, 8, 24 and 32 bits, standard and run-length encoded, colour maps.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Picture.h"

namespace {

constexpr uint32_t kRasMagic = 0x59A66A95;
enum : uint32_t { kRtOld = 0, kRtStandard = 1, kRtEncoded = 2, kRtFormatRgb = 3 };
enum : uint32_t { kRmtNone = 0, kRmtEqualRgb = 1, kRmtRaw = 2 };

uint32_t Be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Run-length scheme: 0x80 0x00 is a literal 0x80; 0x80 n v is n + 1 copies of v.
bool Unpack(const uint8_t* src, size_t srcSize, std::vector<uint8_t>& out) {
  size_t i = 0, o = 0;
  while (o < out.size()) {
    if (i >= srcSize) return false;
    const uint8_t c = src[i++];
    if (c != 0x80) {
      out[o++] = c;
      continue;
    }
    if (i >= srcSize) return false;
    const uint8_t n = src[i++];
    if (n == 0) {
      out[o++] = 0x80;
      continue;
    }
    if (i >= srcSize) return false;
    const uint8_t v = src[i++];
    const size_t run = std::min<size_t>(size_t(n) + 1, out.size() - o);
    memset(out.data() + o, v, run);
    o += run;
  }
  return true;
}

}  // namespace

bool SniffRas(const uint8_t* data, size_t size) { return data && size >= 32 && Be32(data) == kRasMagic; }

Result DecodeRas(CPicture& pic, const uint8_t* data, size_t size) {
  if (!SniffRas(data, size)) return Result::Fail("Not a RAS file");
  const uint32_t width = Be32(data + 4), height = Be32(data + 8), depth = Be32(data + 12);
  const uint32_t type = Be32(data + 20), mapType = Be32(data + 24), mapLength = Be32(data + 28);
  if (width == 0 || height == 0) return Result::Fail("RAS: bad or too large picture size");
  Result budget = CheckDecodeBudget("RAS: picture too large", width, height, 0);
  if (!budget) return budget;
  if (depth != 1 && depth != 8 && depth != 24 && depth != 32)
    return Result::Fail(ErrorKind::Unsupported, "RAS: unsupported depth " + std::to_string(depth));
  if (type > kRtFormatRgb || mapType > kRmtRaw)
    return Result::Fail(ErrorKind::Unsupported, "RAS: unsupported raster or colour map type");
  if (mapLength > size - 32 || (mapType == kRmtEqualRgb && (mapLength % 3 != 0 || mapLength > 768)))
    return Result::Fail("RAS: bad colour map");
  const uint8_t* map = data + 32;
  const size_t mapEntries = mapType == kRmtEqualRgb ? mapLength / 3 : 0;
  const uint8_t* pixels = map + mapLength;
  const size_t pixelBytes = size - 32 - mapLength;

  const size_t lineBytes = ((size_t(width) * depth + 15) / 16) * 2;  // rows are 16-bit aligned
  std::vector<uint8_t> unpacked;
  const uint8_t* rows = pixels;
  if (type == kRtEncoded) {
    try {
      unpacked.resize(lineBytes * height);
    } catch (const std::bad_alloc&) {
      return Result::Fail(ErrorKind::TooLarge, "RAS: not enough memory for the picture");
    }
    if (!Unpack(pixels, pixelBytes, unpacked)) return Result::Fail(ErrorKind::Truncated, "RAS: file truncated");
    rows = unpacked.data();
  } else if (pixelBytes < lineBytes * height) {
    return Result::Fail(ErrorKind::Truncated, "RAS: file truncated");
  }

  const int w = int(width), h = int(height);
  const int bits = depth == 1 ? 1 : depth == 8 ? 8 : 24;
  if (!pic.Create(w, h, bits, PICTURE_RAS)) return FailureOf(pic);
  if (bits <= 8) {
    std::vector<RgbQuad> pal(size_t(1) << bits);
    if (mapEntries > 0) {
      for (size_t i = 0; i < mapEntries && i < pal.size(); ++i) {
        pal[i].rgbRed = map[i];
        pal[i].rgbGreen = map[mapEntries + i];
        pal[i].rgbBlue = map[2 * mapEntries + i];
      }
    } else if (bits == 1) {
      pal[0].rgbRed = pal[0].rgbGreen = pal[0].rgbBlue = 255;  // 0 is white, 1 is black
    } else {
      for (size_t i = 0; i < pal.size(); ++i)
        pal[i].rgbRed = pal[i].rgbGreen = pal[i].rgbBlue = uint8_t(i);
    }
    pic.SetPalette(pal.data(), int(pal.size()));
  }

  const size_t eff = pic.GetEffWidth();
  const bool rgbOrder = type == kRtFormatRgb;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = rows + size_t(y) * lineBytes;
    uint8_t* dst = pic.GetBits() + size_t(h - 1 - y) * eff;
    if (bits <= 8) {
      memcpy(dst, src, bits == 1 ? (size_t(w) + 7) / 8 : size_t(w));
      continue;
    }
    const size_t step = depth / 8;
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = src + size_t(x) * step + (depth == 32 ? 1 : 0);  // skip the pad byte
      dst[3 * x] = rgbOrder ? p[2] : p[0];
      dst[3 * x + 1] = p[1];
      dst[3 * x + 2] = rgbOrder ? p[0] : p[2];
    }
  }
  return Result::Success();
}

// Windows bitmap files: reader for every common layout, writer of the picture's own DIB.
#include <algorithm>
#include <cstring>

#include "image/BmpDib.h"
#include "image/Codecs.h"
#include "image/ContainerIo.h"

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

// One colour channel described by a bit mask, scaled to 0..255.
struct ChannelMask {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit ChannelMask(uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    uint32_t v = m >> shift;
    while (bits < 32 && ((v >> bits) & 1)) ++bits;
  }
  uint8_t Get(uint32_t pixel) const {
    if (!mask) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    const uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

// Run-length coded rows (8 or 4 bits per pixel), bottom-up. Pixels outside the picture are
// ignored; a stream that ends early leaves the rest at index 0.
void DecodeRle(CPicture& pic, const uint8_t* p, size_t n, bool bRle4) {
  const int w = pic.GetWidth(), h = pic.GetHeight();
  int x = 0, y = 0;
  size_t i = 0;
  auto put = [&](uint8_t idx) {
    if (x < w && y < h) pic.SetPixelIndex(x, y, idx);
    ++x;
  };
  while (i + 1 < n && y < h) {
    uint8_t count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count && x < w; ++k) {
        if (bRle4)
          put((k & 1) ? (value & 0x0F) : (value >> 4));
        else
          put(value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (i + 1 >= n) break;
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      size_t bytes = bRle4 ? (size_t(value) + 1) / 2 : value;
      if (i + bytes > n) break;
      for (int k = 0; k < value; ++k) {
        uint8_t idx = bRle4 ? ((k & 1) ? (p[i + k / 2] & 0x0F) : (p[i + k / 2] >> 4)) : p[i + k];
        if (x >= w) break;
        put(idx);
      }
      i += bytes + (bytes & 1);
    }
  }
}

// Walks a run-length stream without writing anything and says whether it describes the
// picture: it must reach the last row or close itself with an end-of-bitmap marker. A stream
// that simply stops early is a cut file, found before the rows are allocated.
bool RleStreamReachesTheEnd(const uint8_t* p, size_t n, int64_t w, int64_t h, bool bRle4) {
  int64_t x = 0, y = 0;
  size_t i = 0;
  while (y < h) {
    if (i + 1 >= n) return false;
    const uint8_t count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      x += count;
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (i + 1 >= n) return false;
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {
      const size_t bytes = bRle4 ? (size_t(value) + 1) / 2 : value;
      if (i + bytes > n) return false;
      x += value;
      i += bytes + (bytes & 1);
    }
    // A run past the last pixel of the last row finishes the picture too.
    if (y == h - 1 && x >= w) return true;
  }
  return true;
}

}  // namespace

Result DecodeDib(CPicture& pic, const uint8_t* data, size_t size, size_t headerPos, size_t pixelPos,
                 bool bIcon, DibLayout* pLayout) {
  const Result notBmp = Result::Fail(ErrorKind::InvalidInput, "Not a BMP");
  const Result truncated = Result::Fail(ErrorKind::Truncated, "BMP file is truncated");
  CByteReader in(data, size);
  if (!in.Seek(headerPos) || in.Left() < 4) return notBmp;
  const uint32_t headerSize = in.U32();
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = kBiRgb, clrUsed = 0;
  int32_t xppm = 0, yppm = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  bool core = false;
  if (headerSize == 12) {
    core = true;
    width = in.U16();
    height = static_cast<int16_t>(in.U16());
    in.U16();  // planes
    bits = in.U16();
  } else if (headerSize >= 40 && headerSize <= 256) {
    width = static_cast<int32_t>(in.U32());
    height = static_cast<int32_t>(in.U32());
    in.U16();  // planes
    bits = in.U16();
    compression = in.U32();
    in.U32();  // image size
    xppm = static_cast<int32_t>(in.U32());
    yppm = static_cast<int32_t>(in.U32());
    clrUsed = in.U32();
    in.U32();  // important colours
    if (headerSize >= 52) {
      masks[0] = in.U32();
      masks[1] = in.U32();
      masks[2] = in.U32();
      if (headerSize >= 56) masks[3] = in.U32();
    }
  } else {
    return notBmp;
  }
  if (in.Failed() || !in.Seek(headerPos + headerSize)) return notBmp;

  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return Result::Fail(ErrorKind::Unsupported, "BMP: unsupported bit depth");
  if (compression == kBiAlphaBitfields) compression = kBiBitfields;
  if (compression != kBiRgb && compression != kBiRle8 && compression != kBiRle4 && compression != kBiBitfields)
    return Result::Fail(ErrorKind::Unsupported, "BMP: unsupported compression");
  if ((compression == kBiRle8 && bits != 8) || (compression == kBiRle4 && bits != 4) ||
      (compression == kBiBitfields && bits != 16 && bits != 32))
    return Result::Fail("BMP: compression does not match the bit depth");
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (bIcon) height /= 2;
  if (width <= 0 || height <= 0) return Result::Fail("BMP: invalid picture size");
  if (topDown && (compression == kBiRle8 || compression == kBiRle4))
    return Result::Fail("BMP: a run-length coded bitmap cannot be top-down");
  Result budget = CheckDecodeBudget("BMP: picture too large", width, height, 0);
  if (!budget) return budget;

  // Masks of a 40-byte header follow it directly.
  if (compression == kBiBitfields && headerSize < 52) {
    masks[0] = in.U32();
    masks[1] = in.U32();
    masks[2] = in.U32();
    if (in.Failed()) return truncated;
  }
  if (compression != kBiBitfields) {
    if (bits == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bits == 32) {
      masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    }
  }

  // Colour table.
  RgbQuad palette[256];
  uint32_t nColors = 0;
  if (bits <= 8) {
    const uint32_t maxColors = 1u << bits;
    nColors = (clrUsed == 0 || clrUsed > maxColors) ? maxColors : clrUsed;
    const size_t entry = core ? 3 : 4;
    const uint8_t* p = in.Take(nColors * entry);
    if (!p) return truncated;
    for (uint32_t i = 0; i < nColors; ++i) {
      palette[i].rgbBlue = p[i * entry];
      palette[i].rgbGreen = p[i * entry + 1];
      palette[i].rgbRed = p[i * entry + 2];
      palette[i].rgbReserved = 0;
    }
  }
  if (pixelPos == 0 || pixelPos >= size) pixelPos = in.Pos();

  const uint64_t rowBits = uint64_t(width) * bits;
  const uint64_t stride = ((rowBits + 31) / 32) * 4;
  const uint64_t rowBytes = (rowBits + 7) / 8;
  const size_t available = size - pixelPos;
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  if (!rle && stride * uint64_t(height - 1) + rowBytes > available) return truncated;
  if (rle && !RleStreamReachesTheEnd(data + pixelPos, available, width, height, compression == kBiRle4))
    return truncated;

  if (!pic.Create(static_cast<int>(width), static_cast<int>(height), bits <= 8 ? static_cast<int>(bits) : 24,
                  PICTURE_BMP))
    return FailureOf(pic);
  if (nColors) pic.SetPalette(palette, static_cast<int>(nColors));
  if (xppm > 0 && yppm > 0) {
    pic.SetXDPI(static_cast<int>((xppm * 254LL + 5000) / 10000));
    pic.SetYDPI(static_cast<int>((yppm * 254LL + 5000) / 10000));
  }

  const uint8_t* pixels = data + pixelPos;
  if (rle) {
    DecodeRle(pic, pixels, available, compression == kBiRle4);
  } else {
    const ChannelMask red(masks[0]), green(masks[1]), blue(masks[2]);
    const int h = static_cast<int>(height), w = static_cast<int>(width);
    for (int r = 0; r < h; ++r) {
      const uint8_t* src = pixels + size_t(r) * stride;
      uint8_t* dst = pic.GetBits(topDown ? h - 1 - r : r);
      if (bits <= 8 || bits == 24) {
        std::memcpy(dst, src, static_cast<size_t>(rowBytes));
      } else {
        for (int x = 0; x < w; ++x) {
          uint32_t v = bits == 16 ? Le16(src + x * 2) : Le32(src + x * 4);
          dst[x * 3] = blue.Get(v);
          dst[x * 3 + 1] = green.Get(v);
          dst[x * 3 + 2] = red.Get(v);
        }
      }
    }
  }
  if (pLayout) {
    pLayout->nWidth = static_cast<int>(width);
    pLayout->nHeight = static_cast<int>(height);
    pLayout->nBits = static_cast<int>(bits);
    pLayout->bTopDown = topDown;
    pLayout->nPixelPos = pixelPos;
    pLayout->nRowBytes = static_cast<size_t>(stride);
  }
  return Result::Success();
}

bool SniffBmp(const uint8_t* data, size_t size) {
  if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t headerSize = Le32(data + 14);
  return headerSize == 12 || (headerSize >= 40 && headerSize <= 256);
}

Result DecodeBmp(CPicture& pic, const uint8_t* data, size_t size) {
  if (!SniffBmp(data, size)) return Result::Fail("Not a BMP");
  const uint32_t offBits = Le32(data + 10);
  return DecodeDib(pic, data, size, 14, offBits >= 14 + 12 ? offBits : 0, false, nullptr);
}

Result EncodeBmp(const CPicture& pic, FILE* fp) {
  if (!pic.IsValid() || !pic.GetDib()) return Result::Fail("BMP: the picture is empty");
  // The file size covers the whole file: this header and the DIB (header, palette, rows).
  const uint64_t fileSize = 14 + uint64_t(pic.GetDibSize());
  if (fileSize > 0xFFFFFFFFu) return Result::Fail(ErrorKind::TooLarge, "BMP: picture too large for a BMP file");
  CByteWriter out;
  out.U8('B');
  out.U8('M');
  out.U32(static_cast<uint32_t>(fileSize));
  out.U16(0);
  out.U16(0);
  out.U32(14 + uint32_t(sizeof(BitmapInfoHeader)) + pic.GetPaletteSize());
  out.Bytes(&pic.GetHeader(), sizeof(BitmapInfoHeader));
  if (!out.Flush(fp)) return Result::Fail(ErrorKind::Io, "BMP: write error");
  const size_t rest = pic.GetDibSize() - sizeof(BitmapInfoHeader);
  if (std::fwrite(pic.GetDib() + sizeof(BitmapInfoHeader), 1, rest, fp) != rest) return Result::Fail(ErrorKind::Io, "BMP: write error");
  return Result::Success();
}

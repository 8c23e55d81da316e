// Truevision TGA: reader of uncompressed and run-length coded pictures (colour-mapped, true
// colour, grey), writer of uncompressed 8- and 24-bit pictures.
#include <algorithm>
#include <cstring>

#include "image/Codecs.h"
#include "image/ContainerIo.h"

namespace {

// Colour of one stored pixel or map entry of 15, 16, 24 or 32 bits.
RgbQuad ReadColor(const uint8_t* p, int bits) {
  RgbQuad c;
  if (bits == 15 || bits == 16) {
    const uint16_t v = Le16(p);
    c.rgbRed = static_cast<uint8_t>((((v >> 10) & 0x1F) * 255 + 15) / 31);
    c.rgbGreen = static_cast<uint8_t>((((v >> 5) & 0x1F) * 255 + 15) / 31);
    c.rgbBlue = static_cast<uint8_t>(((v & 0x1F) * 255 + 15) / 31);
    c.rgbReserved = 255;
  } else {
    c.rgbBlue = p[0];
    c.rgbGreen = p[1];
    c.rgbRed = p[2];
    c.rgbReserved = bits == 32 ? p[3] : 255;
  }
  return c;
}

}  // namespace

Result DecodeTga(CPicture& pic, const uint8_t* data, size_t size) {
  const Result notTga = Result::Fail("Not a TGA");
  const Result truncated = Result::Fail(ErrorKind::Truncated, "TGA file is truncated");
  if (!data || size < 18) return notTga;
  const int idLength = data[0];
  const int mapType = data[1];
  const int imageType = data[2];
  const int mapFirst = Le16(data + 3);
  const int mapLength = Le16(data + 5);
  const int mapBits = data[7];
  const int width = Le16(data + 12);
  const int height = Le16(data + 14);
  const int bits = data[16];
  const int descriptor = data[17];

  const int baseType = imageType & ~8;  // 9, 10, 11 are the run-length coded 1, 2, 3
  const bool rle = (imageType & 8) != 0;
  if (mapType > 1 || (baseType != 1 && baseType != 2 && baseType != 3) || imageType > 11) return notTga;
  if (width == 0 || height == 0) return notTga;
  if (baseType == 1 && (mapType != 1 || bits != 8)) return notTga;
  if (baseType == 2 && bits != 15 && bits != 16 && bits != 24 && bits != 32) return notTga;
  if (baseType == 3 && bits != 8) return notTga;
  if (mapType == 1 && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return notTga;
  if (descriptor & 0xC0) return notTga;  // interleaved rows: never used in practice

  CByteReader in(data, size);
  in.Skip(18);
  if (!in.Skip(static_cast<size_t>(idLength))) return notTga;
  RgbQuad palette[256];
  if (mapType == 1) {
    const size_t entryBytes = size_t(mapBits + 7) / 8;
    const uint8_t* map = in.Take(entryBytes * size_t(mapLength));
    if (!map) return truncated;
    if (baseType == 1) {
      if (mapFirst + mapLength > 256) return Result::Fail("TGA: colour map too large");
      for (int i = 0; i < mapLength; ++i) {
        palette[mapFirst + i] = ReadColor(map + size_t(i) * entryBytes, mapBits);
        palette[mapFirst + i].rgbReserved = 0;
      }
    }
  }

  const size_t pixelBytes = size_t(bits + 7) / 8;
  const size_t count = size_t(width) * size_t(height);
  // The unpacked run-length data and the picture are held together.
  Result budget = CheckDecodeBudget("TGA: picture too large", width, height,
                                    int64_t(rle ? pixelBytes : 0) + (baseType == 2 ? 3 : 1) + (bits == 32 ? 1 : 0));
  if (!budget) return budget;
  // Enough data for the picture? A run packet covers at most 128 pixels.
  const size_t minBytes = rle ? (count + 127) / 128 * (1 + pixelBytes) : count * pixelBytes;
  if (in.Left() < minBytes) return truncated;

  std::vector<uint8_t> raw;
  if (rle) {
    raw.resize(count * pixelBytes);
    size_t done = 0;
    while (done < count) {
      const uint8_t head = in.U8();
      const size_t n = std::min<size_t>((head & 0x7F) + 1, count - done);
      if (head & 0x80) {
        const uint8_t* p = in.Take(pixelBytes);
        if (!p) return truncated;
        for (size_t k = 0; k < n; ++k) std::memcpy(&raw[(done + k) * pixelBytes], p, pixelBytes);
      } else {
        const uint8_t* p = in.Take(n * pixelBytes);
        if (!p) return truncated;
        std::memcpy(&raw[done * pixelBytes], p, n * pixelBytes);
      }
      if (in.Failed()) return truncated;
      done += n;
    }
  }
  const uint8_t* pixels = rle ? raw.data() : in.Take(count * pixelBytes);

  const bool paletted = baseType != 2;
  if (!pic.Create(width, height, paletted ? 8 : 24, PICTURE_TGA)) return FailureOf(pic);
  if (baseType == 1)
    pic.SetPalette(palette, 256);
  else if (baseType == 3)
    pic.SetGrayPalette();
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  bool anyAlpha = false;
  if (bits == 32 && !pic.AlphaCreate()) return FailureOf(pic);
  for (int r = 0; r < height; ++r) {
    const int y = topDown ? height - 1 - r : r;
    uint8_t* dst = pic.GetBits(y);
    for (int x = 0; x < width; ++x) {
      const int tx = rightToLeft ? width - 1 - x : x;
      const uint8_t* src = pixels + (size_t(r) * size_t(width) + size_t(x)) * pixelBytes;
      if (paletted) {
        dst[tx] = src[0];
        continue;
      }
      const RgbQuad c = ReadColor(src, bits);
      dst[tx * 3] = c.rgbBlue;
      dst[tx * 3 + 1] = c.rgbGreen;
      dst[tx * 3 + 2] = c.rgbRed;
      if (bits == 32) {
        *pic.AlphaGetPointer(tx, y) = c.rgbReserved;
        anyAlpha = anyAlpha || c.rgbReserved != 0;
      }
    }
  }
  // Many writers leave the fourth byte at zero; such a picture is opaque, not invisible.
  if (bits == 32 && !anyAlpha) pic.AlphaDelete();
  return Result::Success();
}

Result EncodeTga(const CPicture& pic, FILE* fp) {
  const int bits = pic.GetBpp();
  if (bits != 8 && bits != 24) return Result::Fail(ErrorKind::Unsupported, "Bit depth must be 8 or 24");
  const int w = pic.GetWidth(), h = pic.GetHeight();
  if (w > 0xFFFF || h > 0xFFFF) return Result::Fail(ErrorKind::TooLarge, "TGA: picture too large");
  const bool palette = pic.GetPalette() != nullptr;
  const bool alpha = bits == 24 && pic.HasAlpha();
  CByteWriter out;
  out.U8(0);                          // identifier length
  out.U8(palette ? 1 : 0);            // colour-map type
  out.U8(bits == 8 ? 1 : 2);          // image type
  out.U16(0);                         // first map entry
  out.U16(bits == 8 ? 256 : 0);       // map length
  out.U8(bits == 8 ? 24 : 0);         // map entry size
  out.U16(0);                         // origin
  out.U16(0);
  out.U16(static_cast<uint16_t>(w));
  out.U16(static_cast<uint16_t>(h));
  out.U8(static_cast<uint8_t>(alpha ? 32 : bits));
  out.U8(0);                          // descriptor: rows bottom-up
  if (bits == 8) {
    const RgbQuad* pal = pic.GetPalette();
    for (int i = 0; i < 256; ++i) {
      out.U8(pal[i].rgbBlue);
      out.U8(pal[i].rgbGreen);
      out.U8(pal[i].rgbRed);
    }
  }
  if (!out.Flush(fp)) return Result::Fail(ErrorKind::Io, "TGA: write error");
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = pic.GetBits(y);
    if (bits == 8) {
      out.Bytes(row, size_t(w));
    } else if (!alpha) {
      out.Bytes(row, size_t(w) * 3);
    } else {
      for (int x = 0; x < w; ++x) {
        out.Bytes(row + x * 3, 3);
        out.U8(*pic.AlphaGetPointer(x, y));
      }
    }
    if (!out.Flush(fp)) return Result::Fail(ErrorKind::Io, "TGA: write error");
  }
  return Result::Success();
}

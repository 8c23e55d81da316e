// ZSoft PCX: reader of the usual layouts (1 to 8 bits, planar 16 colours, 24 and 32 bits),
// writer of run-length coded 8-bit planes.
#include <algorithm>
#include <cstring>

#include "image/Codecs.h"
#include "image/ContainerIo.h"

namespace {

constexpr size_t kHeaderBytes = 128;

// Appends one plane line, run-length coded: runs of up to 63 equal bytes; single bytes with
// both top bits set need a run of one so they are not read as a count.
void PackLine(const uint8_t* line, size_t n, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < n) {
    const uint8_t v = line[i];
    size_t run = 1;
    while (i + run < n && run < 63 && line[i + run] == v) ++run;
    if (run > 1 || v >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(v);
    i += run;
  }
}

}  // namespace

bool SniffPcx(const uint8_t* data, size_t size) {
  if (!data || size < kHeaderBytes) return false;
  const uint8_t manufacturer = data[0], version = data[1], encoding = data[2], bpp = data[3];
  return manufacturer == 10 && version <= 5 && encoding <= 1 && (bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8);
}

Result DecodePcx(CPicture& pic, const uint8_t* data, size_t size) {
  const Result cantRead = Result::Fail("Can't read PCX image");
  // Its one text for every unreadable file, a cut one included.
  const Result truncated = Result::Fail(ErrorKind::Truncated, cantRead.message);
  if (!SniffPcx(data, size)) return cantRead;
  const uint8_t encoding = data[2], bpp = data[3];
  const int xmin = Le16(data + 4), ymin = Le16(data + 6), xmax = Le16(data + 8), ymax = Le16(data + 10);
  const int hdpi = Le16(data + 12), vdpi = Le16(data + 14);
  const uint8_t* headerMap = data + 16;
  const int planes = data[65];
  const size_t bytesPerLine = Le16(data + 66);
  if (planes > 4) return Result::Fail(ErrorKind::Unsupported, "Can't handle more than 4 planes");
  if (planes < 1) return cantRead;
  if (bpp > 1 && planes > 1 && !(bpp == 8 && planes >= 3))
    return Result::Fail(ErrorKind::Unsupported, "Can't handle packed pixels with more than 1 plane.");
  if (xmax < xmin || ymax < ymin) return cantRead;
  const int width = xmax - xmin + 1, height = ymax - ymin + 1;
  if (bytesPerLine == 0 || bytesPerLine * 8 < size_t(width) * bpp) return cantRead;

  const size_t lineBytes = bytesPerLine * size_t(planes);
  const size_t total = lineBytes * size_t(height);
  // The unpacked planes and the picture are held together.
  Result budget = CheckDecodeBudget("PCX: picture too large", width, height, 4);
  if (!budget) return budget;
  if (uint64_t(total) + uint64_t(width) * uint64_t(height) * 4 > uint64_t(kDecodeByteBudget))
    return Result::Fail(ErrorKind::TooLarge, "PCX: the stored lines need more memory than a picture may use");
  const size_t body = size - kHeaderBytes;
  // A run covers at most 63 bytes in two bytes of file.
  if ((encoding == 1 && body < (total + 62) / 63 * 2) || (encoding == 0 && body < total))
    return truncated;

  std::vector<uint8_t> raw(total);
  {
    const uint8_t* p = data + kHeaderBytes;
    size_t i = 0, o = 0;
    if (encoding == 0) {
      std::memcpy(raw.data(), p, total);
    } else {
      while (o < total) {
        if (i >= body) return truncated;
        uint8_t c = p[i++];
        size_t run = 1;
        if ((c & 0xC0) == 0xC0) {
          run = c & 0x3F;
          if (i >= body) return truncated;
          c = p[i++];
        }
        run = std::min(run, total - o);
        std::memset(raw.data() + o, c, run);
        o += run;
      }
    }
  }

  const bool trueColor = bpp == 8 && planes >= 3;
  const int bits = trueColor ? 24 : (bpp == 8 ? 8 : (bpp == 1 && planes == 1 ? 1 : 4));
  if (!pic.Create(width, height, bits, PICTURE_PCX)) return FailureOf(pic);
  if (hdpi > 0 && vdpi > 0) {
    pic.SetXDPI(hdpi);
    pic.SetYDPI(vdpi);
  }
  RgbQuad pal[256];
  if (bits == 8) {
    // 256-colour palette at the end of the file, after the marker byte 12.
    if (size >= kHeaderBytes + 769 && data[size - 769] == 12) {
      const uint8_t* m = data + size - 768;
      for (int i = 0; i < 256; ++i) {
        pal[i].rgbRed = m[i * 3];
        pal[i].rgbGreen = m[i * 3 + 1];
        pal[i].rgbBlue = m[i * 3 + 2];
        pal[i].rgbReserved = 0;
      }
      pic.SetPalette(pal, 256);
    } else {
      pic.SetGrayPalette();
    }
  } else if (bits == 4) {
    for (int i = 0; i < 16; ++i) {
      pal[i].rgbRed = headerMap[i * 3];
      pal[i].rgbGreen = headerMap[i * 3 + 1];
      pal[i].rgbBlue = headerMap[i * 3 + 2];
      pal[i].rgbReserved = 0;
    }
    pic.SetPalette(pal, 16);
  } else if (bits == 1) {
    pic.SetStdPalette();  // black and white
  }
  if (planes == 4 && trueColor && !pic.AlphaCreate()) return FailureOf(pic);

  for (int r = 0; r < height; ++r) {
    const int y = height - 1 - r;  // PCX stores the top row first
    const uint8_t* line = raw.data() + size_t(r) * lineBytes;
    uint8_t* dst = pic.GetBits(y);
    if (trueColor) {
      for (int x = 0; x < width; ++x) {
        dst[x * 3 + 2] = line[x];
        dst[x * 3 + 1] = line[bytesPerLine + size_t(x)];
        dst[x * 3] = line[2 * bytesPerLine + size_t(x)];
        if (planes == 4) *pic.AlphaGetPointer(x, y) = line[3 * bytesPerLine + size_t(x)];
      }
    } else if (bits == 8 || bits == 1) {
      std::memcpy(dst, line, (size_t(width) * size_t(bits) + 7) / 8);
    } else {
      for (int x = 0; x < width; ++x) {
        int idx = 0;
        if (planes == 1) {
          const int perByte = 8 / bpp;
          const uint8_t b = line[x / perByte];
          const int shift = 8 - bpp * (x % perByte + 1);
          idx = (b >> shift) & ((1 << bpp) - 1);
        } else {
          for (int pl = 0; pl < planes; ++pl) {
            const uint8_t b = line[size_t(pl) * bytesPerLine + size_t(x / 8)];
            idx |= ((b >> (7 - (x & 7))) & 1) << pl;
          }
        }
        pic.SetPixelIndex(x, y, static_cast<uint8_t>(idx));
      }
    }
  }
  return Result::Success();
}

Result EncodePcx(const CPicture& pic, FILE* fp) {
  if (!pic.IsValid()) return Result::Fail("PCX: the picture is empty");
  const int w = pic.GetWidth(), h = pic.GetHeight(), bits = pic.GetBpp();
  if (w > 0xFFFF || h > 0xFFFF) return Result::Fail(ErrorKind::TooLarge, "PCX: picture too large");
  const bool palette = bits <= 8;
  const int planes = palette ? 1 : (pic.HasAlpha() ? 4 : 3);
  const size_t bytesPerLine = (size_t(w) + 1) & ~size_t(1);

  uint8_t header[kHeaderBytes];
  std::memset(header, 0, sizeof header);
  header[0] = 10;  // manufacturer
  header[1] = 5;   // version
  header[2] = 1;   // run-length coded
  header[3] = 8;   // bits per pixel per plane
  auto put16 = [&](int pos, int v) {
    header[pos] = static_cast<uint8_t>(v & 0xFF);
    header[pos + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  };
  put16(4, 0);
  put16(6, 0);
  put16(8, w - 1);
  put16(10, h - 1);
  put16(12, pic.GetXDPI());
  put16(14, pic.GetYDPI());
  if (palette) {
    const uint32_t n = std::min<uint32_t>(16, pic.GetNumColors());
    for (uint32_t i = 0; i < n; ++i) {
      const RgbQuad c = pic.GetPaletteColor(static_cast<uint8_t>(i));
      header[16 + i * 3] = c.rgbRed;
      header[16 + i * 3 + 1] = c.rgbGreen;
      header[16 + i * 3 + 2] = c.rgbBlue;
    }
  }
  header[65] = static_cast<uint8_t>(planes);
  put16(66, static_cast<int>(bytesPerLine));
  put16(68, 1);  // colour palette
  if (std::fwrite(header, 1, sizeof header, fp) != sizeof header) return Result::Fail(ErrorKind::Io, "cannot write PCX header");

  std::vector<uint8_t> line(bytesPerLine), out;
  for (int y = h - 1; y >= 0; --y) {
    out.clear();
    for (int pl = 0; pl < planes; ++pl) {
      std::fill(line.begin(), line.end(), 0);
      for (int x = 0; x < w; ++x) {
        if (palette)
          line[size_t(x)] = pic.GetPixelIndex(x, y);
        else if (pl < 3)
          line[size_t(x)] = pic.GetBits(y)[x * 3 + (2 - pl)];  // planes red, green, blue
        else
          line[size_t(x)] = *pic.AlphaGetPointer(x, y);
      }
      PackLine(line.data(), line.size(), out);
    }
    if (std::fwrite(out.data(), 1, out.size(), fp) != out.size()) return Result::Fail(ErrorKind::Io, "PCX: write error");
  }
  if (palette) {
    uint8_t tail[769];
    std::memset(tail, 0, sizeof tail);
    tail[0] = 12;
    const uint32_t n = pic.GetNumColors();
    for (uint32_t i = 0; i < n; ++i) {
      const RgbQuad c = pic.GetPaletteColor(static_cast<uint8_t>(i));
      tail[1 + i * 3] = c.rgbRed;
      tail[1 + i * 3 + 1] = c.rgbGreen;
      tail[1 + i * 3 + 2] = c.rgbBlue;
    }
    if (std::fwrite(tail, 1, sizeof tail, fp) != sizeof tail) return Result::Fail(ErrorKind::Io, "PCX: write error");
  }
  return Result::Success();
}

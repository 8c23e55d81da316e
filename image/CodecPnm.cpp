// Portable bitmap, grey map and pixel map (P1 to P6), plain and raw, maxval up to 65535.
#include <cstring>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Picture.h"

namespace {

// Reads the text header and plain samples: whitespace and '#' comments between numbers.
class CPnmReader {
 public:
  CPnmReader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}

  size_t Pos() const { return m_nPos; }
  void Skip(size_t n) { m_nPos += n; }
  bool AtEnd() const { return m_nPos >= m_nSize; }

  void SkipSpaceAndComments() {
    while (m_nPos < m_nSize) {
      const uint8_t c = m_pData[m_nPos];
      if (c == '#') {
        while (m_nPos < m_nSize && m_pData[m_nPos] != '\n' && m_pData[m_nPos] != '\r') ++m_nPos;
      } else if (IsSpace(c)) {
        ++m_nPos;
      } else {
        break;
      }
    }
  }

  // Unsigned decimal number not above `limit`.
  bool Number(uint32_t limit, uint32_t& out) {
    SkipSpaceAndComments();
    if (m_nPos >= m_nSize || !IsDigit(m_pData[m_nPos])) return false;
    uint64_t v = 0;
    while (m_nPos < m_nSize && IsDigit(m_pData[m_nPos])) {
      v = v * 10 + (m_pData[m_nPos++] - '0');
      if (v > limit) return false;
    }
    out = uint32_t(v);
    return true;
  }

  // One plain-PBM digit: '0' or '1', with or without separating whitespace.
  bool Bit(uint8_t& out) {
    SkipSpaceAndComments();
    if (m_nPos >= m_nSize || (m_pData[m_nPos] != '0' && m_pData[m_nPos] != '1')) return false;
    out = uint8_t(m_pData[m_nPos++] - '0');
    return true;
  }

  // The single whitespace character that ends the header of a raw file.
  bool EndOfHeader() {
    if (m_nPos >= m_nSize || !IsSpace(m_pData[m_nPos])) return false;
    ++m_nPos;
    return true;
  }

  const uint8_t* Here() const { return m_pData + m_nPos; }
  size_t Left() const { return m_nPos < m_nSize ? m_nSize - m_nPos : 0; }

 private:
  static bool IsSpace(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }
  static bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

  const uint8_t* m_pData;
  size_t m_nSize;
  size_t m_nPos = 0;
};

Result Fail(CPicture& pic, const std::string& text) {
  if (pic.IsValid() && pic.GetType() == PICTURE_PNM) pic.Destroy();
  return Result::Fail("PNM: " + text);
}

inline uint8_t Scale(uint32_t v, uint32_t maxval) {
  return uint8_t((uint64_t(v) * 255 + maxval / 2) / maxval);
}

}  // namespace

bool SniffPnm(const uint8_t* data, size_t size) {
  return data && size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6';
}

Result DecodePnm(CPicture& pic, const uint8_t* data, size_t size) {
  if (!SniffPnm(data, size)) return Result::Fail("Not a PNM file");
  const int kind = data[1] - '0';
  const bool raw = kind >= 4;
  const int family = (kind - 1) % 3;  // 0 bitmap, 1 grey map, 2 pixel map
  CPnmReader in(data, size);
  in.Skip(2);

  uint32_t width = 0, height = 0, maxval = 1;
  if (!in.Number(UINT32_MAX, width) || !in.Number(UINT32_MAX, height) || width == 0 || height == 0)
    return Result::Fail("PNM: bad or too large picture size");
  Result budget = CheckDecodeBudget("PNM: picture too large", width, height, 0);
  if (!budget) return budget;
  if (family != 0 && (!in.Number(65535, maxval) || maxval == 0)) return Result::Fail("PNM: bad maximum sample value");
  if (raw && !in.EndOfHeader()) return Result::Fail("PNM: bad header");

  const int w = int(width), h = int(height);
  const size_t sampleBytes = maxval > 255 ? 2 : 1;
  const size_t channels = family == 2 ? 3 : 1;
  if (raw) {
    const size_t need = family == 0 ? ((size_t(w) + 7) / 8) * size_t(h)
                                    : size_t(w) * size_t(h) * channels * sampleBytes;
    if (in.Left() < need) return Result::Fail(ErrorKind::Truncated, "PNM: file truncated");
  }

  if (!pic.Create(w, h, family == 0 ? 1 : family == 1 ? 8 : 24, PICTURE_PNM)) return FailureOf(pic);
  if (family == 0) {
    RgbQuad pal[2];
    pal[0].rgbRed = pal[0].rgbGreen = pal[0].rgbBlue = 255;  // 0 is white, 1 is black
    pic.SetPalette(pal, 2);
  } else if (family == 1) {
    pic.SetGrayPalette();
  }

  const size_t eff = pic.GetEffWidth();
  const uint8_t* p = in.Here();
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = pic.GetBits() + size_t(h - 1 - y) * eff;
    if (family == 0) {
      if (raw) {
        memcpy(dst, p, (size_t(w) + 7) / 8);
        p += (size_t(w) + 7) / 8;
        continue;
      }
      for (int x = 0; x < w; ++x) {
        uint8_t b = 0;
        if (!in.Bit(b)) return Fail(pic, "bad or missing pixel data");
        if (b) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
      }
      continue;
    }
    for (int x = 0; x < w; ++x) {
      uint32_t s[3] = {0, 0, 0};
      for (size_t c = 0; c < channels; ++c) {
        if (raw) {
          s[c] = sampleBytes == 2 ? (uint32_t(p[0]) << 8) | p[1] : p[0];
          p += sampleBytes;
        } else if (!in.Number(65535, s[c])) {
          return Fail(pic, "bad or missing pixel data");
        }
        if (s[c] > maxval) return Fail(pic, "sample above the maximum value");
      }
      if (family == 1) {
        dst[x] = Scale(s[0], maxval);
      } else {
        dst[3 * x] = Scale(s[2], maxval);
        dst[3 * x + 1] = Scale(s[1], maxval);
        dst[3 * x + 2] = Scale(s[0], maxval);
      }
    }
  }
  return Result::Success();
}

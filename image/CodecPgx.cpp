// PGX: the grey-scale test format of the JPEG 2000 reference software.
// Header "PG ML|LM [+|-] depth width height\n", then the raw samples (1, 2 or 4 bytes each;
// ML = most significant byte first).
#include <string>

#include "image/Codecs.h"
#include "image/Picture.h"

namespace {

class CPgxHeader {
 public:
  CPgxHeader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}

  bool Parse() {
    if (m_nSize < 2 || m_pData[0] != 'P' || m_pData[1] != 'G') return false;
    m_nPos = 2;
    if (SkipBlanks() == 0 || m_nPos + 2 > m_nSize) return false;
    const char a = char(m_pData[m_nPos]), b = char(m_pData[m_nPos + 1]);
    if (a == 'M' && b == 'L')
      bBigEndian = true;
    else if (a == 'L' && b == 'M')
      bBigEndian = false;
    else
      return false;
    m_nPos += 2;
    SkipBlanks();
    if (m_nPos < m_nSize && (m_pData[m_nPos] == '+' || m_pData[m_nPos] == '-')) {
      bSigned = m_pData[m_nPos] == '-';
      ++m_nPos;
      SkipBlanks();
    }
    if (!Number(32, nDepth) || SkipBlanks() == 0 || !Number(UINT32_MAX, nWidth) || SkipBlanks() == 0 ||
        !Number(UINT32_MAX, nHeight))
      return false;
    SkipBlanks();
    if (m_nPos < m_nSize && m_pData[m_nPos] == '\r') ++m_nPos;
    if (m_nPos >= m_nSize || m_pData[m_nPos] != '\n') return false;
    ++m_nPos;
    return true;
  }

  size_t DataOffset() const { return m_nPos; }

  bool bBigEndian = true;
  bool bSigned = false;
  uint32_t nDepth = 0, nWidth = 0, nHeight = 0;

 private:
  size_t SkipBlanks() {
    size_t n = 0;
    while (m_nPos < m_nSize && (m_pData[m_nPos] == ' ' || m_pData[m_nPos] == '\t')) {
      ++m_nPos;
      ++n;
    }
    return n;
  }
  bool Number(uint32_t limit, uint32_t& out) {
    uint64_t v = 0;
    size_t digits = 0;
    while (m_nPos < m_nSize && m_pData[m_nPos] >= '0' && m_pData[m_nPos] <= '9') {
      v = v * 10 + (m_pData[m_nPos++] - '0');
      if (v > limit) return false;
      ++digits;
    }
    out = uint32_t(v);
    return digits > 0;
  }

  const uint8_t* m_pData;
  size_t m_nSize;
  size_t m_nPos = 0;
};

}  // namespace

bool SniffPgx(const uint8_t* data, size_t size) {
  if (!data || size < 5 || data[0] != 'P' || data[1] != 'G') return false;
  size_t i = 2;
  while (i < size && (data[i] == ' ' || data[i] == '\t')) ++i;
  return i > 2 && i + 2 <= size && ((data[i] == 'M' && data[i + 1] == 'L') || (data[i] == 'L' && data[i + 1] == 'M'));
}

Result DecodePgx(CPicture& pic, const uint8_t* data, size_t size) {
  CPgxHeader hdr(data, data ? size : 0);
  if (!hdr.Parse()) return Result::Fail("Not a PGX file");
  if (hdr.nDepth < 1 || hdr.nDepth > 32)
    return Result::Fail(ErrorKind::Unsupported, "PGX: unsupported sample depth " + std::to_string(hdr.nDepth));
  if (hdr.nWidth == 0 || hdr.nHeight == 0) return Result::Fail("PGX: bad or too large picture size");
  Result budget = CheckDecodeBudget("PGX: picture too large", hdr.nWidth, hdr.nHeight, 0);
  if (!budget) return budget;
  const size_t bytes = hdr.nDepth <= 8 ? 1 : hdr.nDepth <= 16 ? 2 : 4;
  const size_t count = size_t(hdr.nWidth) * size_t(hdr.nHeight);
  if (size - hdr.DataOffset() < count * bytes) return Result::Fail(ErrorKind::Truncated, "PGX: file truncated");
  const int w = int(hdr.nWidth), h = int(hdr.nHeight);
  if (!pic.Create(w, h, 8, PICTURE_PGX)) return FailureOf(pic);
  pic.SetGrayPalette();

  const int64_t maxIn = (int64_t(1) << hdr.nDepth) - 1;
  const int64_t offset = hdr.bSigned ? (int64_t(1) << (hdr.nDepth - 1)) : 0;
  const uint8_t* p = data + hdr.DataOffset();
  const size_t eff = pic.GetEffWidth();
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = pic.GetBits() + size_t(h - 1 - y) * eff;
    for (int x = 0; x < w; ++x, p += bytes) {
      uint32_t u = 0;
      for (size_t i = 0; i < bytes; ++i)
        u |= uint32_t(p[hdr.bBigEndian ? i : bytes - 1 - i]) << (8 * (bytes - 1 - i));
      // Signed samples fill their word in two's complement.
      int64_t v = u;
      if (hdr.bSigned && (u >> (8 * bytes - 1)) & 1) v -= int64_t(1) << (8 * bytes);
      v += offset;
      if (v < 0) v = 0;
      if (v > maxIn) v = maxIn;
      dst[x] = uint8_t(hdr.nDepth >= 8 ? v >> (hdr.nDepth - 8) : v * 255 / maxIn);
    }
  }
  return Result::Success();
}

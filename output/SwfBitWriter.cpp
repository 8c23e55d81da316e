#include "output/SwfBitWriter.h"

#include <algorithm>
#include <cstdio>

int SwfSignedBits(int64_t v) {
  if (v == 0) return 0;
  // Bits for the magnitude plus the sign bit; -2^k fits in k + 1 bits.
  const uint64_t m = v < 0 ? static_cast<uint64_t>(~v) : static_cast<uint64_t>(v);
  int n = 0;
  for (uint64_t t = m; t != 0; t >>= 1) ++n;
  return n + 1;
}

void CSwfTag::Truncate(size_t n) {
  if (n < m_data.size()) m_data.resize(n);
  m_nBitMask = 0;
}

void CSwfTag::PutU8(uint8_t v) {
  ResetBits();
  m_data.push_back(v);
}

void CSwfTag::PutU16(uint16_t v) {
  ResetBits();
  m_data.push_back(static_cast<uint8_t>(v));
  m_data.push_back(static_cast<uint8_t>(v >> 8));
}

void CSwfTag::PutU32(uint32_t v) {
  ResetBits();
  for (int i = 0; i < 4; ++i) m_data.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void CSwfTag::PutBytes(const uint8_t* p, size_t n) {
  ResetBits();
  m_data.insert(m_data.end(), p, p + n);
}

void CSwfTag::PutRgb(uint8_t r, uint8_t g, uint8_t b) {
  PutU8(r);
  PutU8(g);
  PutU8(b);
}

void CSwfTag::PutBits(uint32_t value, int nBits) {
  for (int i = nBits - 1; i >= 0; --i) {
    if (m_nBitMask == 0) {
      m_data.push_back(0);
      m_nBitMask = 0x80;
    }
    if ((value >> i) & 1u) m_data.back() |= m_nBitMask;
    m_nBitMask >>= 1;
  }
}

void CSwfTag::PutRect(const SwfRect& r) {
  ResetBits();
  int nBits = std::max({SwfSignedBits(r.xmin), SwfSignedBits(r.xmax), SwfSignedBits(r.ymin),
                        SwfSignedBits(r.ymax)});
  if (nBits > 31) {
    std::fputs("swf: Warning: num_bits overflow in SetRect\n", stderr);
    nBits = 31;
  }
  PutBits(static_cast<uint32_t>(nBits), 5);
  PutSignedBits(r.xmin, nBits);
  PutSignedBits(r.xmax, nBits);
  PutSignedBits(r.ymin, nBits);
  PutSignedBits(r.ymax, nBits);
}

namespace {
int MatrixBits(int64_t a, int64_t b) {
  int n = std::max(SwfSignedBits(a), SwfSignedBits(b));
  if (n >= 32) {
    std::fputs("swf: Error: matrix values too large\n", stderr);
    n = 31;
  }
  return n;
}
}  // namespace

void CSwfTag::PutMatrix(int32_t scaleX, int32_t scaleY, int32_t rotate0, int32_t rotate1,
                        int32_t translateX, int32_t translateY) {
  ResetBits();
  if (scaleX != 0x10000 || scaleY != 0x10000) {
    PutBits(1, 1);
    const int n = MatrixBits(scaleX, scaleY);
    PutBits(static_cast<uint32_t>(n), 5);
    PutSignedBits(scaleX, n);
    PutSignedBits(scaleY, n);
  } else {
    PutBits(0, 1);
  }
  if (rotate0 != 0 || rotate1 != 0) {
    PutBits(1, 1);
    const int n = MatrixBits(rotate0, rotate1);
    PutBits(static_cast<uint32_t>(n), 5);
    PutSignedBits(rotate0, n);
    PutSignedBits(rotate1, n);
  } else {
    PutBits(0, 1);
  }
  const int n = MatrixBits(translateX, translateY);
  PutBits(static_cast<uint32_t>(n), 5);
  PutSignedBits(translateX, n);
  PutSignedBits(translateY, n);
}

void CSwfTag::PutStraightEdge(int32_t dx, int32_t dy) {
  const int nBits = std::max({2, SwfSignedBits(dx), SwfSignedBits(dy)});
  if (nBits > 23) {
    std::fprintf(stderr, "Warning: Line to %.2f,%.2f is too long\n", dx / 20.0, dy / 20.0);
    return;
  }
  if (nBits > 17) {
    // The 4-bit size field holds at most 17 bits: go in two halves (each again checked).
    const int32_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    PutStraightEdge(dx / 2, dy / 2);
    PutStraightEdge((dx + sx) / 2, (dy + sy) / 2);
    return;
  }
  PutBits(3, 2);  // edge record, straight
  PutBits(static_cast<uint32_t>(nBits - 2), 4);
  if (dx != 0 && dy != 0) {
    PutBits(1, 1);  // general line
    PutSignedBits(dx, nBits);
    PutSignedBits(dy, nBits);
  } else if (dx == 0) {
    PutBits(1, 2);  // 0 1: vertical
    PutSignedBits(dy, nBits);
  } else {
    PutBits(0, 2);  // 0 0: horizontal
    PutSignedBits(dx, nBits);
  }
}

bool SwfUsesLongHeader(const CSwfTag& tag) {
  switch (tag.Type()) {
    case 6:   // DefineBits
    case 19:  // SoundStreamBlock
    case 20:  // DefineBitsLossless
    case 21:  // DefineBitsJPEG2
    case 35:  // DefineBitsJPEG3
    case 36:  // DefineBitsLossless2
      return true;
    default:
      return tag.Length() > 62;
  }
}

std::vector<uint8_t> SwfTagHeader(const CSwfTag& tag) {
  const bool bLong = SwfUsesLongHeader(tag);
  const uint16_t v = static_cast<uint16_t>(tag.Type() * 64 + (bLong ? 63 : tag.Length()));
  std::vector<uint8_t> head = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  if (bLong) {
    const uint32_t len = static_cast<uint32_t>(tag.Length());
    for (int i = 0; i < 4; ++i) head.push_back(static_cast<uint8_t>(len >> (8 * i)));
  }
  return head;
}

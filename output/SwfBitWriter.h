// Building blocks of SWF tags: a tag with its growing data buffer and bit-writer state,
// and the RECT, MATRIX and edge encoders as the SWF file format defines them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SwfRect {
  int32_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;  // twips
};

// Smallest two's-complement bit count holding v (0 for 0).
int SwfSignedBits(int64_t v);

class CSwfTag {
 public:
  explicit CSwfTag(uint16_t nType = 0) : m_nType(nType) {}

  uint16_t Type() const { return m_nType; }
  const std::vector<uint8_t>& Data() const { return m_data; }
  size_t Length() const { return m_data.size(); }
  // Drops the data after the first n bytes and realigns.
  void Truncate(size_t n);

  // Byte-level writes abandon a partly filled byte first. Little-endian.
  void PutU8(uint8_t v);
  void PutU16(uint16_t v);
  void PutU32(uint32_t v);
  void PutBytes(const uint8_t* p, size_t n);
  void PutRgb(uint8_t r, uint8_t g, uint8_t b);

  // Bit fields, most significant bit of each byte first.
  void PutBits(uint32_t value, int nBits);
  void PutSignedBits(int32_t value, int nBits) { PutBits(static_cast<uint32_t>(value), nBits); }
  void ResetBits() { m_nBitMask = 0; }

  // Records; each starts byte-aligned.
  void PutRect(const SwfRect& r);
  // Scales in 16.16 fixed point (0x10000 = 1.0), translation in twips.
  void PutMatrix(int32_t scaleX, int32_t scaleY, int32_t rotate0, int32_t rotate1,
                 int32_t translateX, int32_t translateY);

  // Shape records (bit-level, no alignment).
  // A straight edge by (dx, dy) twips; split in two when it needs more than 17 bits,
  // left out (with a warning) over 23 bits.
  void PutStraightEdge(int32_t dx, int32_t dy);

 private:
  uint16_t m_nType;
  std::vector<uint8_t> m_data;
  uint8_t m_nBitMask = 0;  // mask of the next bit in the last byte; 0 when aligned
};

// The record header a tag is written with: 2 bytes (type * 64 + length) when the length is at
// most 62 and the type is not a bitmap or sound type that always takes the long form;
// otherwise 6 bytes (type * 64 + 63, then the length as u32).
bool SwfUsesLongHeader(const CSwfTag& tag);
std::vector<uint8_t> SwfTagHeader(const CSwfTag& tag);

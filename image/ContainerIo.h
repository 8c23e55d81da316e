// Little helpers shared by the container's own codecs: bounds-checked little-endian reading
// from a memory block and little-endian writing into a byte buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Reads forward through a block; every read past the end fails and sets the failed flag
// instead of touching memory outside the block.
class CByteReader {
 public:
  CByteReader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}
  size_t Pos() const { return m_nPos; }
  size_t Size() const { return m_nSize; }
  size_t Left() const { return m_nSize - m_nPos; }
  bool Failed() const { return m_bFailed; }
  bool Seek(size_t pos) {
    if (pos > m_nSize) return Fail();
    m_nPos = pos;
    return true;
  }
  bool Skip(size_t n) {
    if (n > Left()) return Fail();
    m_nPos += n;
    return true;
  }
  uint8_t U8() {
    if (Left() < 1) return Fail(), 0;
    return m_pData[m_nPos++];
  }
  uint16_t U16() {
    if (Left() < 2) return Fail(), 0;
    uint16_t v = Le16(m_pData + m_nPos);
    m_nPos += 2;
    return v;
  }
  uint32_t U32() {
    if (Left() < 4) return Fail(), 0;
    uint32_t v = Le32(m_pData + m_nPos);
    m_nPos += 4;
    return v;
  }
  // Pointer to the next n bytes (and moves past them), or null when fewer are left.
  const uint8_t* Take(size_t n) {
    if (n > Left()) return Fail(), nullptr;
    const uint8_t* p = m_pData + m_nPos;
    m_nPos += n;
    return p;
  }
  const uint8_t* Data() const { return m_pData; }

 private:
  bool Fail() {
    m_bFailed = true;
    return false;
  }
  const uint8_t* m_pData;
  size_t m_nSize;
  size_t m_nPos = 0;
  bool m_bFailed = false;
};

class CByteWriter {
 public:
  void U8(uint8_t v) { m_bytes.push_back(v); }
  void U16(uint16_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v & 0xFF));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
  }
  void Bytes(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    m_bytes.insert(m_bytes.end(), b, b + n);
  }
  void Zeros(size_t n) { m_bytes.insert(m_bytes.end(), n, 0); }
  std::vector<uint8_t>& Buffer() { return m_bytes; }
  // Writes everything gathered so far; false when the file takes less.
  bool Flush(FILE* fp) {
    bool ok = m_bytes.empty() || std::fwrite(m_bytes.data(), 1, m_bytes.size(), fp) == m_bytes.size();
    m_bytes.clear();
    return ok;
  }

 private:
  std::vector<uint8_t> m_bytes;
};

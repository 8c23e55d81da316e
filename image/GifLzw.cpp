#include "image/GifLzw.h"

#include <algorithm>
#include <cstring>

namespace {
// Shift that spreads the pixel value over the hash: log2 of the table size rounded up, minus 8.
constexpr int kHashShift = 4;
constexpr int kMaxMaxCode = 1 << CGifLzwEncoder::kMaxBits;  // 4096: no code reaches it
}  // namespace

CGifLzwEncoder::CGifLzwEncoder(int minCodeSize) {
  minCodeSize = std::min(8, std::max(2, minCodeSize));
  m_nInitBits = minCodeSize + 1;
  m_nClearCode = 1 << minCodeSize;
  m_nEndCode = m_nClearCode + 1;
  m_nBits = m_nInitBits;
  m_nMaxCode = (1 << m_nBits) - 1;
  m_nFreeCode = m_nClearCode + 2;
  std::fill(m_hash, m_hash + kHashSize, -1);
  std::memset(m_codes, 0, sizeof(m_codes));
  Output(m_nClearCode);
}

void CGifLzwEncoder::Output(int code) {
  m_nAccum |= uint32_t(code) << m_nAccumBits;
  m_nAccumBits += m_nBits;
  while (m_nAccumBits >= 8) {
    m_out.push_back(static_cast<uint8_t>(m_nAccum & 0xFF));
    m_nAccum >>= 8;
    m_nAccumBits -= 8;
  }
  // The code width follows the table: it grows once the next free code no longer fits,
  // and starts again after a clear code.
  if (m_bClearPending) {
    m_nBits = m_nInitBits;
    m_nMaxCode = (1 << m_nBits) - 1;
    m_bClearPending = false;
  } else if (m_nFreeCode > m_nMaxCode) {
    ++m_nBits;
    m_nMaxCode = m_nBits == kMaxBits ? kMaxMaxCode : (1 << m_nBits) - 1;
  }
}

void CGifLzwEncoder::ClearTable() {
  std::fill(m_hash, m_hash + kHashSize, -1);
  m_nFreeCode = m_nClearCode + 2;
  m_bClearPending = true;
  Output(m_nClearCode);
}

void CGifLzwEncoder::Add(const uint8_t* pixels, size_t count) {
  size_t i = 0;
  if (!m_bStarted && count > 0) {
    m_nPrefix = pixels[0];
    m_bStarted = true;
    i = 1;
  }
  int prefix = m_nPrefix;
  for (; i < count; ++i) {
    const int c = pixels[i];
    const int32_t key = (int32_t(c) << kMaxBits) + prefix;
    int slot = (c << kHashShift) ^ prefix;
    if (m_hash[slot] == key) {
      prefix = m_codes[slot];
      continue;
    }
    if (m_hash[slot] >= 0) {
      // Secondary probe: step backwards by a slot-dependent distance.
      const int step = slot == 0 ? 1 : kHashSize - slot;
      bool found = false;
      do {
        slot -= step;
        if (slot < 0) slot += kHashSize;
        if (m_hash[slot] == key) {
          found = true;
          break;
        }
      } while (m_hash[slot] >= 0);
      if (found) {
        prefix = m_codes[slot];
        continue;
      }
    }
    Output(prefix);
    prefix = c;
    if (m_nFreeCode < kMaxMaxCode) {
      m_codes[slot] = static_cast<uint16_t>(m_nFreeCode++);
      m_hash[slot] = key;
    } else {
      ClearTable();
    }
  }
  m_nPrefix = prefix;
}

std::vector<uint8_t>& CGifLzwEncoder::Finish() {
  if (m_bStarted) Output(m_nPrefix);
  Output(m_nEndCode);
  if (m_nAccumBits > 0) {
    m_out.push_back(static_cast<uint8_t>(m_nAccum & 0xFF));
    m_nAccum = 0;
    m_nAccumBits = 0;
  }
  return m_out;
}

std::vector<uint8_t> CGifLzwEncoder::Compress(const uint8_t* pixels, size_t count, int minCodeSize) {
  CGifLzwEncoder enc(minCodeSize);
  enc.Add(pixels, count);
  return std::move(enc.Finish());
}

void AppendGifSubBlocks(const std::vector<uint8_t>& codes, std::vector<uint8_t>& out) {
  size_t pos = 0;
  while (pos < codes.size()) {
    size_t n = std::min<size_t>(255, codes.size() - pos);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(pos),
               codes.begin() + static_cast<std::ptrdiff_t>(pos + n));
    pos += n;
  }
  out.push_back(0);
}

size_t GifLzwDecode(const uint8_t* data, size_t size, int minCodeSize, uint8_t* pixels, size_t count,
                    bool* bCorrupt) {
  if (bCorrupt) *bCorrupt = false;
  if (minCodeSize < 1 || minCodeSize > 11) {
    if (bCorrupt) *bCorrupt = true;
    return 0;
  }
  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  static thread_local uint16_t prefix[4096];
  static thread_local uint8_t suffix[4096];
  static thread_local uint8_t stack[4097];
  int bits = minCodeSize + 1;
  int next = clearCode + 2;
  int prev = -1;
  uint8_t first = 0;
  uint32_t accum = 0;
  int accumBits = 0;
  size_t pos = 0, produced = 0;
  for (int i = 0; i < clearCode; ++i) {
    prefix[i] = 0;
    suffix[i] = static_cast<uint8_t>(i);
  }
  while (produced < count) {
    while (accumBits < bits && pos < size) {
      accum |= uint32_t(data[pos++]) << accumBits;
      accumBits += 8;
    }
    if (accumBits < bits) break;  // out of data
    int code = static_cast<int>(accum & ((1u << bits) - 1));
    accum >>= bits;
    accumBits -= bits;
    if (code == clearCode) {
      bits = minCodeSize + 1;
      next = clearCode + 2;
      prev = -1;
      continue;
    }
    if (code == endCode) break;
    if (prev < 0) {
      if (code >= clearCode) {
        if (bCorrupt) *bCorrupt = true;
        break;
      }
      pixels[produced++] = static_cast<uint8_t>(code);
      first = static_cast<uint8_t>(code);
      prev = code;
      continue;
    }
    int sp = 0;
    int cur = code;
    if (code >= next) {
      if (code > next) {
        if (bCorrupt) *bCorrupt = true;
        break;
      }
      stack[sp++] = first;  // the string being defined: previous string plus its first byte
      cur = prev;
    }
    while (cur >= clearCode) {
      stack[sp++] = suffix[cur];
      cur = prefix[cur];
    }
    stack[sp++] = static_cast<uint8_t>(cur);
    first = static_cast<uint8_t>(cur);
    while (sp > 0 && produced < count) pixels[produced++] = stack[--sp];
    if (next < 4096) {
      prefix[next] = static_cast<uint16_t>(prev);
      suffix[next] = first;
      ++next;
      if (next == (1 << bits) && bits < 12) ++bits;
    }
    prev = code;
  }
  return produced;
}

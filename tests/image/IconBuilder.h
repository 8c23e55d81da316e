// Builds ICO and WBMP files byte by byte for the reader tests.
#pragma once

#include <cstdint>
#include <vector>

namespace imgtest {

inline void Le16To(std::vector<uint8_t>& v, int x) {
  v.push_back(static_cast<uint8_t>(x & 0xFF));
  v.push_back(static_cast<uint8_t>((x >> 8) & 0xFF));
}
inline void Le32To(std::vector<uint8_t>& v, int64_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>((x >> (8 * i)) & 0xFF));
}

// One icon entry as a bitmap: 40-byte header (height doubled), palette, colour rows, mask rows.
inline std::vector<uint8_t> IconDib(int w, int h, int bits, const std::vector<uint8_t>& palette,
                                    const std::vector<uint8_t>& colorRows, const std::vector<uint8_t>& maskRows) {
  std::vector<uint8_t> d;
  Le32To(d, 40);
  Le32To(d, w);
  Le32To(d, h * 2);
  Le16To(d, 1);
  Le16To(d, bits);
  Le32To(d, 0);
  Le32To(d, static_cast<int64_t>(colorRows.size() + maskRows.size()));
  Le32To(d, 0);
  Le32To(d, 0);
  Le32To(d, 0);
  Le32To(d, 0);
  d.insert(d.end(), palette.begin(), palette.end());
  d.insert(d.end(), colorRows.begin(), colorRows.end());
  d.insert(d.end(), maskRows.begin(), maskRows.end());
  return d;
}

struct IconEntry {
  int w, h, bits;
  std::vector<uint8_t> data;
};

inline std::vector<uint8_t> IconFile(const std::vector<IconEntry>& entries) {
  std::vector<uint8_t> f;
  Le16To(f, 0);
  Le16To(f, 1);
  Le16To(f, static_cast<int>(entries.size()));
  int64_t offset = 6 + 16 * static_cast<int64_t>(entries.size());
  for (const IconEntry& e : entries) {
    f.push_back(static_cast<uint8_t>(e.w & 0xFF));
    f.push_back(static_cast<uint8_t>(e.h & 0xFF));
    f.push_back(0);
    f.push_back(0);
    Le16To(f, 1);
    Le16To(f, e.bits);
    Le32To(f, static_cast<int64_t>(e.data.size()));
    Le32To(f, offset);
    offset += static_cast<int64_t>(e.data.size());
  }
  for (const IconEntry& e : entries) f.insert(f.end(), e.data.begin(), e.data.end());
  return f;
}

// WBMP type 0: multi-byte width and height, rows of bits, 1 = white.
inline std::vector<uint8_t> WbmpFile(int w, int h, const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> f = {0, 0};
  auto multi = [&](uint32_t v) {
    std::vector<uint8_t> tmp;
    do {
      tmp.insert(tmp.begin(), static_cast<uint8_t>((v & 0x7F) | (tmp.empty() ? 0 : 0x80)));
      v >>= 7;
    } while (v);
    f.insert(f.end(), tmp.begin(), tmp.end());
  };
  multi(static_cast<uint32_t>(w));
  multi(static_cast<uint32_t>(h));
  f.insert(f.end(), rows.begin(), rows.end());
  return f;
}

}  // namespace imgtest

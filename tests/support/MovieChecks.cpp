#include "support/MovieChecks.h"

#include <cstdlib>

bool Mp4IndexComesFirst(const std::vector<uint8_t>& bytes) {
  // Top-level boxes: a 32-bit big-endian size (1: a 64-bit size follows) and a 4-letter type.
  size_t pos = 0;
  while (pos + 8 <= bytes.size()) {
    uint64_t size = (uint64_t{bytes[pos]} << 24) | (uint64_t{bytes[pos + 1]} << 16) |
                    (uint64_t{bytes[pos + 2]} << 8) | bytes[pos + 3];
    const std::string type(bytes.begin() + static_cast<long>(pos) + 4, bytes.begin() + static_cast<long>(pos) + 8);
    if (type == "moov") return true;
    if (type == "mdat") return false;
    if (size == 1 && pos + 16 <= bytes.size()) {
      size = 0;
      for (int i = 0; i < 8; ++i) size = (size << 8) | bytes[pos + 8 + i];
    }
    if (size < 8) return false;
    pos += size;
  }
  return false;
}

double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / static_cast<double>(a.size());
}

int SwfFrameCount(const std::vector<uint8_t>& b) {
  if (b.size() < 9 || b[0] != 'F' || b[1] != 'W' || b[2] != 'S') return -1;
  const int nbits = b[8] >> 3;  // the stage rectangle's field width
  const size_t rectBytes = (5 + 4 * nbits + 7) / 8;
  const size_t at = 8 + rectBytes + 2;  // past the rectangle and the frame rate
  if (b.size() < at + 2) return -1;
  return b[at] | (b[at + 1] << 8);
}

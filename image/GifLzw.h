// The LZW coder of GIF image data, usable on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Compresses palette indices with variable-length codes from (min code size + 1) up to 12 bits,
// using the classic 5003-slot open-addressing hash of string prefixes. The output is the packed
// code stream, without the sub-block framing of a GIF file.
class CGifLzwEncoder {
 public:
  static constexpr int kMaxBits = 12;
  static constexpr int kHashSize = 5003;

  // minCodeSize: 2..8 (the GIF minimum code size; pixels must be below 1 << minCodeSize).
  explicit CGifLzwEncoder(int minCodeSize);
  // Appends pixels; may be called repeatedly (one row at a time, for example).
  void Add(const uint8_t* pixels, size_t count);
  // Emits the last string and the end code; returns the packed bytes.
  std::vector<uint8_t>& Finish();

  // One call: the packed code stream of `count` pixels.
  static std::vector<uint8_t> Compress(const uint8_t* pixels, size_t count, int minCodeSize);

 private:
  void Output(int code);
  void ClearTable();

  int m_nInitBits;
  int m_nClearCode;
  int m_nEndCode;
  int m_nBits;
  int m_nMaxCode;
  int m_nFreeCode;
  bool m_bClearPending = false;
  bool m_bStarted = false;
  int m_nPrefix = 0;
  uint32_t m_nAccum = 0;
  int m_nAccumBits = 0;
  int32_t m_hash[kHashSize];
  uint16_t m_codes[kHashSize];
  std::vector<uint8_t> m_out;
};

// Cuts a code stream into GIF data sub-blocks (length byte, up to 255 bytes), appending them
// and the zero-length terminator block to `out`.
void AppendGifSubBlocks(const std::vector<uint8_t>& codes, std::vector<uint8_t>& out);

// Decompresses GIF LZW data (already joined from its sub-blocks) into `pixels`. Returns the
// number of pixels produced (at most `count`); stops at the end code, at the end of the data or
// on a code that cannot occur in a valid stream (then `bCorrupt` is set).
size_t GifLzwDecode(const uint8_t* data, size_t size, int minCodeSize, uint8_t* pixels, size_t count,
                    bool* bCorrupt);

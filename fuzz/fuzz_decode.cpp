// libFuzzer target for the picture container's decoders. Built once per decoder family with
// FUZZ_TYPE set to the picture type code (0 = detect the format from the bytes); the
// plain-text family (PNM, PGX, Sun raster) uses FUZZ_TYPE -1 and feeds every input to all three.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/GifLzw.h"
#include "image/Picture.h"

#ifndef FUZZ_TYPE
#error "FUZZ_TYPE must name the picture type to fuzz"
#endif

namespace {

// A decoded picture must be readable to its last pixel: touch every row and the palette so
// ASan sees any buffer the decoder sized wrongly.
void TouchPicture(const CPicture& pic) {
  if (!pic.IsValid()) return;
  volatile uint8_t sink = 0;
  const uint32_t stride = pic.GetEffWidth();
  for (int y = 0; y < pic.GetHeight(); ++y) {
    const uint8_t* row = pic.GetBits(y);
    sink = sink ^ row[0] ^ row[stride - 1];
  }
  for (uint32_t i = 0; i < pic.GetNumColors(); ++i) sink = sink ^ pic.GetPaletteColor(uint8_t(i)).rgbRed;
}

void DecodeAs(const uint8_t* data, size_t size, int type) {
  CPicture pic;
  pic.Decode(data, size, type);
  TouchPicture(pic);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if FUZZ_TYPE == -1
  DecodeAs(data, size, PICTURE_PNM);
  DecodeAs(data, size, PICTURE_PGX);
  DecodeAs(data, size, PICTURE_RAS);
#else
  DecodeAs(data, size, FUZZ_TYPE);
#endif
#if FUZZ_TYPE == 2
  // The LZW decoder on its own: first byte picks the minimum code size, the second how many
  // pixels the caller expects (scaled so that short inputs can still ask for many).
  if (size >= 2) {
    const int minCodeSize = 2 + data[0] % 7;
    std::vector<uint8_t> pixels(size_t(data[1]) * 64 + 1);
    bool corrupt = false;
    const size_t n = GifLzwDecode(data + 2, size - 2, minCodeSize, pixels.data(), pixels.size(), &corrupt);
    if (n > pixels.size()) __builtin_trap();
  }
#endif
  return 0;
}

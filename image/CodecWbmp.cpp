// Wireless bitmap (WBMP type 0): 1 bit per pixel, white = 1, rows top first.
#include "image/Codecs.h"
#include "image/ContainerIo.h"

namespace {

// Multi-byte integer: 7 bits per byte, high bit set on every byte but the last.
bool ReadMultiByte(CByteReader& in, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 5; ++i) {
    const uint8_t b = in.U8();
    if (in.Failed()) return false;
    value = (value << 7) | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

}  // namespace

Result DecodeWbmp(CPicture& pic, const uint8_t* data, size_t size) {
  const Result notWbmp = Result::Fail("Not a WBMP");
  if (!data || size < 4) return notWbmp;
  CByteReader in(data, size);
  uint32_t type = 0, width = 0, height = 0;
  if (!ReadMultiByte(in, type) || type != 0) return notWbmp;
  const uint8_t fixHeader = in.U8();
  if (in.Failed() || fixHeader != 0) return notWbmp;
  if (!ReadMultiByte(in, width) || !ReadMultiByte(in, height) || width == 0 || height == 0) return notWbmp;
  Result budget = CheckDecodeBudget("WBMP: picture too large", width, height, 0);
  if (!budget) return budget;
  const size_t stride = (size_t(width) + 7) / 8;
  const uint8_t* rows = in.Take(stride * height);
  if (!rows) return Result::Fail(ErrorKind::Truncated, notWbmp.message);  // its one text, a cut file's too
  if (!pic.Create(static_cast<int>(width), static_cast<int>(height), 1, PICTURE_WBMP)) return FailureOf(pic);
  pic.SetStdPalette();  // 0 black, 1 white
  for (uint32_t r = 0; r < height; ++r) {
    uint8_t* dst = pic.GetBits(static_cast<int>(height - 1 - r));
    for (size_t i = 0; i < stride; ++i) dst[i] = rows[r * stride + i];
  }
  return Result::Success();
}

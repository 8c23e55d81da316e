#include "output/FrameImage.h"

#include <cstring>

bool GrabFrameImage(const FrameBitmap& bitmap, CPicture& out, std::string* pError) {
  auto fail = [&](const std::string& text) {
    if (pError) *pError = text;
    out.Destroy();
    return false;
  };
  if (bitmap.nWidth <= 0 || bitmap.nHeight <= 0)
    return fail("Frame read-back: the bitmap is empty");
  if (bitmap.bits.size() < static_cast<size_t>(bitmap.Stride()) * static_cast<size_t>(bitmap.nHeight))
    return fail("Frame read-back: the bitmap holds fewer pixels than its size says");

  // Built straight into the picture rather than through a BMP file in memory: the
  // result is the same picture, without a second full-frame buffer and a parse.
  CPicture picture(PICTURE_BMP);
  if (!picture.Create(bitmap.nWidth, bitmap.nHeight, kFrameReadBackDepth, PICTURE_BMP))
    return fail("Frame read-back: " + picture.GetLastError());
  // The read-back's BMP file carries no resolution, so the picture keeps its default.

  for (int y = 0; y < bitmap.nHeight; ++y) {
    const uint8_t* pSrc = bitmap.Row(y);
    uint8_t* pDst = picture.GetBits(y);
    for (int x = 0; x < bitmap.nWidth; ++x, pSrc += 4, pDst += 3) {
      pDst[0] = pSrc[0];
      pDst[1] = pSrc[1];
      pDst[2] = pSrc[2];
    }
  }
  out = std::move(picture);
  return true;
}

#include "ReferenceDecrease.h"

CPicture ReferenceDecrease(const CPicture& source24, int nBits, bool bDiffusion, const RgbQuad* pPalette,
                           uint32_t nClrImportant) {
  CPicture work(source24);
  CPicture out(PICTURE_BMP);
  out.Create(source24.GetWidth(), source24.GetHeight(), nBits, PICTURE_BMP);
  out.SetPalette(pPalette, static_cast<int>(out.GetNumColors()));
  out.SetClrImportant(nClrImportant);
  const int w = source24.GetWidth(), h = source24.GetHeight();
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  auto spread = [&](int x, int y, int eb, int eg, int er, int share) {
    if (x < 0 || x >= w || y >= h) return;
    RgbQuad c = work.GetPixelColor(x, y);
    c.rgbBlue = clamp(c.rgbBlue + eb * share / 16);
    c.rgbGreen = clamp(c.rgbGreen + eg * share / 16);
    c.rgbRed = clamp(c.rgbRed + er * share / 16);
    work.SetPixelColor(x, y, c);
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const RgbQuad c = work.GetPixelColor(x, y);
      const uint8_t idx = out.GetNearestIndex(c);
      out.SetPixelIndex(x, y, idx);
      if (!bDiffusion) continue;
      const RgbQuad p = out.GetPaletteColor(idx);
      const int eb = c.rgbBlue - p.rgbBlue, eg = c.rgbGreen - p.rgbGreen, er = c.rgbRed - p.rgbRed;
      spread(x + 1, y, eb, eg, er, 7);
      spread(x - 1, y + 1, eb, eg, er, 2);
      spread(x, y + 1, eb, eg, er, 4);
      spread(x + 1, y + 1, eb, eg, er, 1);
    }
  return out;
}

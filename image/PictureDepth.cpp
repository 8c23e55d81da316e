// CPicture's depth conversions: the nearest palette entry, reduction to 1, 4 or 8 bits
// (with optional error diffusion) and expansion to 24 bits.
#include "image/Picture.h"

#include <limits>
#include <vector>

#include "image/PaletteLookup.h"

namespace {

uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace

uint8_t CPicture::GetNearestIndex(RgbQuad c) const {
  const RgbQuad* pal = GetPalette();
  if (!pal) return 0;
  if (m_bLastLookup && m_lastColor.rgbBlue == c.rgbBlue && m_lastColor.rgbGreen == c.rgbGreen &&
      m_lastColor.rgbRed == c.rgbRed)
    return m_lastIndex;

  uint32_t count = GetNumColors();
  if (m_header.biClrImportant > 0 && m_header.biClrImportant < count) count = m_header.biClrImportant;

  uint32_t best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (uint32_t i = 0; i < count; ++i) {
    long db = long(pal[i].rgbBlue) - c.rgbBlue;
    long dg = long(pal[i].rgbGreen) - c.rgbGreen;
    long dr = long(pal[i].rgbRed) - c.rgbRed;
    long distance = db * db + dg * dg + dr * dr;
    if (distance == 0) {
      best = i;
      break;
    }
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  m_bLastLookup = true;
  m_lastColor = c;
  m_lastIndex = static_cast<uint8_t>(best);
  return m_lastIndex;
}

bool CPicture::DecreaseBpp(int nBits, bool bErrorDiffusion, const RgbQuad* pPalette, uint32_t nClrImportant) {
  if (!IsValid()) {
    SetLastError("DecreaseBpp: the picture is empty");
    return false;
  }
  if (nBits != 1 && nBits != 4 && nBits != 8) {
    SetLastError("DecreaseBpp: bits must be 1, 4 or 8");
    return false;
  }
  if (GetBpp() < nBits) {
    SetLastError("DecreaseBpp: the picture has fewer bits than asked");
    return false;
  }
  if (GetBpp() == nBits &&
      (nClrImportant == 0 || (GetClrImportant() != 0 && GetClrImportant() < nClrImportant)))
    return true;

  CPicture result(GetType());
  result.CopyInfoFrom(*this);
  if (!result.Create(GetWidth(), GetHeight(), nBits, GetType())) {
    SetLastError(result.GetLastError(), result.GetLastErrorKind());
    return false;
  }
  result.m_header.biXPelsPerMeter = m_header.biXPelsPerMeter;
  result.m_header.biYPelsPerMeter = m_header.biYPelsPerMeter;
  result.SyncHeader();
  if (pPalette)
    result.SetPalette(pPalette, static_cast<int>(result.GetNumColors()));
  else
    result.SetStdPalette();
  result.SetClrImportant(nClrImportant);
  result.m_selection = m_selection;
  result.m_alpha = m_alpha;
  if (m_info.nBkgndIndex >= 0) {
    // The transparent colour keeps its meaning in the new palette.
    RgbQuad trans = GetBpp() <= 8 ? GetPaletteColor(static_cast<uint8_t>(m_info.nBkgndIndex)) : m_info.nBkgndColor;
    result.m_info.nBkgndIndex = result.GetNearestIndex(trans);
    result.m_info.nBkgndColor = trans;
  }

  // The errors are spread over true-colour rows: a 24-bit picture's own (the result
  // replaces it below), else a true-colour copy, so that palette sources keep the full
  // precision of the diffused values too.
  CPicture copy;
  if (GetBpp() != 24) {
    copy = *this;
    if (bErrorDiffusion && copy.GetBpp() <= 8 && !copy.IncreaseBpp24()) {
      SetLastError(copy.GetLastError(), copy.GetLastErrorKind());
      return false;
    }
  }
  CPicture& source = GetBpp() != 24 ? copy : *this;

  const int w = GetWidth(), h = GetHeight();
  const RgbQuad* pal = result.GetPalette();
  uint8_t* srcBits = source.GetBits();
  const uint32_t srcEff = source.GetEffWidth();
  auto diffuse = [&](int px, int py, int eb, int eg, int er, int share) {
    if (px < 0 || px >= w || py >= h) return;
    uint8_t* p = srcBits + size_t(py) * srcEff + size_t(px) * 3;
    p[0] = ClampByte(p[0] + eb * share / 16);
    p[1] = ClampByte(p[1] + eg * share / 16);
    p[2] = ClampByte(p[2] + er * share / 16);
  };

  if (source.GetBpp() == 24) {
    // The same indices as the loop below, with an exact nearest-entry accelerator and row
    // access (tests/image/test_fast_paths.cpp holds the two to each other).
    uint32_t nCount = result.GetNumColors();
    if (result.m_header.biClrImportant > 0 && result.m_header.biClrImportant < nCount)
      nCount = result.m_header.biClrImportant;
    if (nBits == 8) {
      ReduceRowsToPalette(srcBits, srcEff, w, h, pal, nCount, bErrorDiffusion, result.GetBits(), result.GetEffWidth());
    } else {
      std::vector<uint8_t> indices(size_t(w) * size_t(h));
      ReduceRowsToPalette(srcBits, srcEff, w, h, pal, nCount, bErrorDiffusion, indices.data(), size_t(w));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) result.SetPixelIndex(x, y, indices[size_t(y) * size_t(w) + size_t(x)]);
    }
    Adopt(std::move(result));
    return true;
  }

  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      RgbQuad c = source.GetPixelColor(x, y);
      uint8_t idx = result.GetNearestIndex(c);
      result.SetPixelIndex(x, y, idx);
      if (!bErrorDiffusion) continue;
      int eb = int(c.rgbBlue) - pal[idx].rgbBlue;
      int eg = int(c.rgbGreen) - pal[idx].rgbGreen;
      int er = int(c.rgbRed) - pal[idx].rgbRed;
      diffuse(x + 1, y, eb, eg, er, 7);
      diffuse(x - 1, y + 1, eb, eg, er, 2);
      diffuse(x, y + 1, eb, eg, er, 4);
      diffuse(x + 1, y + 1, eb, eg, er, 1);
    }
  }
  Adopt(std::move(result));
  return true;
}

bool CPicture::IncreaseBpp24() {
  if (!IsValid()) {
    SetLastError("IncreaseBpp24: the picture is empty");
    return false;
  }
  if (GetBpp() == 24) return true;
  CPicture result(GetType());
  result.CopyInfoFrom(*this);
  if (!result.Create(GetWidth(), GetHeight(), 24, GetType())) {
    SetLastError(result.GetLastError(), result.GetLastErrorKind());
    return false;
  }
  result.m_header.biXPelsPerMeter = m_header.biXPelsPerMeter;
  result.m_header.biYPelsPerMeter = m_header.biYPelsPerMeter;
  result.SyncHeader();
  const int w = GetWidth(), h = GetHeight();
  for (int y = 0; y < h; ++y) {
    uint8_t* out = result.GetBits() + size_t(y) * result.GetEffWidth();
    for (int x = 0; x < w; ++x) {
      RgbQuad c = GetPaletteColor(GetPixelIndex(x, y));
      out[x * 3] = c.rgbBlue;
      out[x * 3 + 1] = c.rgbGreen;
      out[x * 3 + 2] = c.rgbRed;
    }
  }
  // A transparent index becomes a transparent colour.
  if (m_info.nBkgndIndex >= 0 && uint32_t(m_info.nBkgndIndex) < GetNumColors()) {
    result.m_info.nBkgndColor = GetPaletteColor(static_cast<uint8_t>(m_info.nBkgndIndex));
  }
  result.m_selection = m_selection;
  result.m_alpha = m_alpha;
  Adopt(std::move(result));
  return true;
}

// CPicture::Draw: scaling (nearest or bilinear), transparency and alpha blending into a
// 32-bit target.
#include "image/Picture.h"

#include <algorithm>
#include <cstdint>

void CPicture::Draw(DrawTarget& target, const PictureRect& rc, const PictureRect* pClip, bool bSmooth) const {
  Draw(target, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, pClip, bSmooth);
}

void CPicture::Draw(DrawTarget& target, int x, int y, int cx, int cy, const PictureRect* pClip,
                    bool bSmooth) const {
  if (!IsValid() || !target.pPixels || target.nWidth <= 0 || target.nHeight <= 0 || !m_info.bEnabled) return;
  // A stride shorter than a row would make rows overlap: refuse rather than write past them.
  if (int64_t(target.nStride) < int64_t(target.nWidth) * 4) return;
  const int w = GetWidth(), h = GetHeight();
  if (cx < 0) cx = w;
  if (cy < 0) cy = h;
  if (cx == 0 || cy == 0) return;

  // Visible part: destination rectangle cut to the clip rectangle and the target.
  int64_t left = x, top = y, right = int64_t(x) + cx, bottom = int64_t(y) + cy;
  if (pClip) {
    left = std::max<int64_t>(left, pClip->left);
    top = std::max<int64_t>(top, pClip->top);
    right = std::min<int64_t>(right, pClip->right);
    bottom = std::min<int64_t>(bottom, pClip->bottom);
  }
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, target.nWidth);
  bottom = std::min<int64_t>(bottom, target.nHeight);
  if (left >= right || top >= bottom) return;

  const float fx = static_cast<float>(w) / static_cast<float>(cx);
  const float fy = static_cast<float>(h) / static_cast<float>(cy);
  const bool palette = GetBpp() <= 8;
  const int transIndex = m_info.nBkgndIndex;
  const bool hasTrans = transIndex >= 0;
  const RgbQuad transColor = m_info.nBkgndColor;
  const uint32_t eff = GetEffWidth();
  const uint8_t* bits = GetBits();

  // Source colour of picture pixel (sx, row counted from the top).
  auto fetch = [&](int sx, int syTop, int& b, int& g, int& r, int& a) {
    int sy = h - 1 - syTop;
    if (palette) {
      RgbQuad c = GetPaletteColor(GetPixelIndex(sx, sy));
      b = c.rgbBlue;
      g = c.rgbGreen;
      r = c.rgbRed;
    } else {
      const uint8_t* p = bits + size_t(sy) * eff + size_t(sx) * 3;
      b = p[0];
      g = p[1];
      r = p[2];
    }
    a = HasAlpha() ? m_alpha[size_t(sy) * size_t(w) + size_t(sx)] : 255;
  };
  auto isTransparent = [&](int sx, int syTop) {
    if (!hasTrans) return false;
    int sy = h - 1 - syTop;
    if (palette) return GetPixelIndex(sx, sy) == transIndex;
    const uint8_t* p = bits + size_t(sy) * eff + size_t(sx) * 3;
    return p[0] == transColor.rgbBlue && p[1] == transColor.rgbGreen && p[2] == transColor.rgbRed;
  };

  for (int64_t dy = top; dy < bottom; ++dy) {
    uint8_t* out = target.pPixels + size_t(dy) * size_t(target.nStride);
    const int j = static_cast<int>(dy - y);
    int syTop = std::min(h - 1, static_cast<int>(static_cast<float>(j) * fy));
    for (int64_t dx = left; dx < right; ++dx) {
      const int i = static_cast<int>(dx - x);
      int sx = std::min(w - 1, static_cast<int>(static_cast<float>(i) * fx));
      if (isTransparent(sx, syTop)) continue;
      int b, g, r, a;
      if (bSmooth) {
        float px = (static_cast<float>(i) + 0.5f) * fx - 0.5f;
        float py = (static_cast<float>(j) + 0.5f) * fy - 0.5f;
        px = std::min(std::max(px, 0.0f), static_cast<float>(w - 1));
        py = std::min(std::max(py, 0.0f), static_cast<float>(h - 1));
        int x0 = static_cast<int>(px), y0 = static_cast<int>(py);
        int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
        float tx = px - static_cast<float>(x0), ty = py - static_cast<float>(y0);
        int c[4][4];
        fetch(x0, y0, c[0][0], c[0][1], c[0][2], c[0][3]);
        fetch(x1, y0, c[1][0], c[1][1], c[1][2], c[1][3]);
        fetch(x0, y1, c[2][0], c[2][1], c[2][2], c[2][3]);
        fetch(x1, y1, c[3][0], c[3][1], c[3][2], c[3][3]);
        int v[4];
        for (int k = 0; k < 4; ++k) {
          float top2 = c[0][k] + (c[1][k] - c[0][k]) * tx;
          float bot2 = c[2][k] + (c[3][k] - c[2][k]) * tx;
          v[k] = static_cast<int>(top2 + (bot2 - top2) * ty + 0.5f);
        }
        b = v[0];
        g = v[1];
        r = v[2];
        a = v[3];
      } else {
        fetch(sx, syTop, b, g, r, a);
      }
      uint8_t* p = out + size_t(dx) * 4;
      if (a >= 255) {
        p[0] = static_cast<uint8_t>(b);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(r);
      } else if (a > 0) {
        p[0] = static_cast<uint8_t>((b * a + p[0] * (255 - a)) / 255);
        p[1] = static_cast<uint8_t>((g * a + p[1] * (255 - a)) / 255);
        p[2] = static_cast<uint8_t>((r * a + p[2] * (255 - a)) / 255);
      }
    }
  }
}

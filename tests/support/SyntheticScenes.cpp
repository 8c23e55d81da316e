#include "support/SyntheticScenes.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Picture coordinates with y down; the container counts rows from the bottom.
void Put(CPicture& pic, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  RgbQuad c;
  c.rgbRed = r;
  c.rgbGreen = g;
  c.rgbBlue = b;
  pic.SetPixelColor(x, pic.GetHeight() - 1 - y, c);
}

RgbQuad Get(const CPicture& pic, int x, int y) { return pic.GetPixelColor(x, pic.GetHeight() - 1 - y); }

CPicture Blank(int width, int height) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, 24, PICTURE_BMP);
  return pic;
}

}  // namespace

AffineMap AffineMap::Similarity(double degrees, double scale, double cx, double cy, double dx, double dy) {
  const double t = degrees * M_PI / 180.0;
  AffineMap m;
  m.a = scale * std::cos(t);
  m.b = -scale * std::sin(t);
  m.d = scale * std::sin(t);
  m.e = scale * std::cos(t);
  m.c = cx + dx - (m.a * cx + m.b * cy);
  m.f = cy + dy - (m.d * cx + m.e * cy);
  return m;
}

CPicture MakeTexturedScene(int width, int height, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  std::uniform_int_distribution<int> noise(-12, 12), colour(0, 255);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k)
        rgb[(size_t(y) * width + x) * 3 + k] = uint8_t(std::clamp(110 + (x + y) % 40 + noise(rng), 0, 255));
  std::uniform_real_distribution<double> px(0, width), py(0, height), size(6, 0.12 * std::min(width, height));
  for (int shape = 0; shape < 260; ++shape) {
    const double cx = px(rng), cy = py(rng), s = size(rng), s2 = size(rng);
    const uint8_t col[3] = {uint8_t(colour(rng)), uint8_t(colour(rng)), uint8_t(colour(rng))};
    const bool disc = shape % 3 == 0;
    const int x0 = std::max(0, int(cx - s)), x1 = std::min(width - 1, int(cx + s));
    const int y0 = std::max(0, int(cy - s2)), y1 = std::min(height - 1, int(cy + s2));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        if (disc && std::hypot((x - cx) / s, (y - cy) / s2) > 1) continue;
        for (int k = 0; k < 3; ++k) rgb[(size_t(y) * width + x) * 3 + k] = col[k];
      }
  }
  CPicture pic = Blank(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
      Put(pic, x, y, p[0], p[1], p[2]);
    }
  return pic;
}

CPicture WarpPicture(const CPicture& source, const AffineMap& map, int outWidth, int outHeight) {
  const double det = map.a * map.e - map.b * map.d;
  CPicture pic = Blank(outWidth, outHeight);
  for (int y = 0; y < outHeight; ++y)
    for (int x = 0; x < outWidth; ++x) {
      // Inverse map of the pixel centre.
      const double qx = x + 0.5 - map.c, qy = y + 0.5 - map.f;
      const double sx = (map.e * qx - map.b * qy) / det - 0.5, sy = (-map.d * qx + map.a * qy) / det - 0.5;
      const int ix = int(std::floor(sx)), iy = int(std::floor(sy));
      if (ix < 0 || iy < 0 || ix + 1 >= source.GetWidth() || iy + 1 >= source.GetHeight()) {
        Put(pic, x, y, 128, 128, 128);
        continue;
      }
      const double fx = sx - ix, fy = sy - iy;
      const RgbQuad c00 = Get(source, ix, iy), c10 = Get(source, ix + 1, iy);
      const RgbQuad c01 = Get(source, ix, iy + 1), c11 = Get(source, ix + 1, iy + 1);
      auto mix = [&](uint8_t v00, uint8_t v10, uint8_t v01, uint8_t v11) {
        const double v = (v00 * (1 - fx) + v10 * fx) * (1 - fy) + (v01 * (1 - fx) + v11 * fx) * fy;
        return uint8_t(std::clamp(std::lround(v), 0L, 255L));
      };
      Put(pic, x, y, mix(c00.rgbRed, c10.rgbRed, c01.rgbRed, c11.rgbRed),
          mix(c00.rgbGreen, c10.rgbGreen, c01.rgbGreen, c11.rgbGreen),
          mix(c00.rgbBlue, c10.rgbBlue, c01.rgbBlue, c11.rgbBlue));
    }
  return pic;
}

CPicture MakeLandscape(int width, int height) {
  CPicture pic = Blank(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double hill = 0.55 * height + 0.08 * height * std::sin(x * 0.012) + 0.04 * height * std::sin(x * 0.031 + 1);
      if (y < hill)
        Put(pic, x, y, uint8_t(120 + 60 * y / height), uint8_t(170 + 50 * y / height), 235);
      else
        Put(pic, x, y, uint8_t(60 + 30 * std::sin(x * 0.01)), uint8_t(130 + 20 * y / height), 60);
    }
  return pic;
}

CPicture PasteOnCanvas(const CPicture& source, int canvasWidth, int canvasHeight, int left, int top) {
  CPicture pic = Blank(canvasWidth, canvasHeight);
  for (int y = 0; y < canvasHeight; ++y)
    for (int x = 0; x < canvasWidth; ++x) {
      const int sx = x - left, sy = y - top;
      if (sx >= 0 && sy >= 0 && sx < source.GetWidth() && sy < source.GetHeight()) {
        const RgbQuad c = Get(source, sx, sy);
        Put(pic, x, y, c.rgbRed, c.rgbGreen, c.rgbBlue);
      } else {
        Put(pic, x, y, uint8_t(200 - y * 60 / canvasHeight), uint8_t(190 - y * 50 / canvasHeight), 180);
      }
    }
  return pic;
}

#include "support/PictureChecks.h"

#include <cstdlib>

#include "image/Picture.h"

::testing::AssertionResult SamePixels(const CPicture& a, const CPicture& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
    return ::testing::AssertionFailure() << "sizes differ: " << a.GetWidth() << "x" << a.GetHeight() << " vs "
                                         << b.GetWidth() << "x" << b.GetHeight();
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      const RgbQuad ca = a.GetPixelColor(x, y), cb = b.GetPixelColor(x, y);
      if (ca.rgbBlue != cb.rgbBlue || ca.rgbGreen != cb.rgbGreen || ca.rgbRed != cb.rgbRed)
        return ::testing::AssertionFailure()
               << "pixel (" << x << "," << y << "): " << int(ca.rgbRed) << "," << int(ca.rgbGreen) << ","
               << int(ca.rgbBlue) << " vs " << int(cb.rgbRed) << "," << int(cb.rgbGreen) << "," << int(cb.rgbBlue);
    }
  return ::testing::AssertionSuccess();
}

double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / static_cast<double>(a.size());
}

std::vector<uint8_t> TopDownRgb(const CPicture& picture) {
  const int w = picture.GetWidth(), h = picture.GetHeight();
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(w) * h * 3);
  for (int y = h - 1; y >= 0; --y) {
    const uint8_t* row = picture.GetBits() + static_cast<size_t>(y) * picture.GetEffWidth();
    for (int x = 0; x < w; ++x) {
      out.push_back(row[3 * x + 2]);
      out.push_back(row[3 * x + 1]);
      out.push_back(row[3 * x]);
    }
  }
  return out;
}

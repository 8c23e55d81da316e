#include "ui/wx/PictureBitmap.h"

#include "image/Picture.h"

namespace {
constexpr int kPngType = PICTURE_PNG;
}

wxImage PictureToImage(const CPicture& picture) {
  if (!picture.IsValid()) return wxImage();
  const int w = picture.GetWidth(), h = picture.GetHeight();
  wxImage image(w, h, false);
  unsigned char* rgb = image.GetData();
  const bool alpha = picture.HasAlpha();
  if (alpha) image.InitAlpha();
  unsigned char* a = alpha ? image.GetAlpha() : nullptr;
  for (int y = 0; y < h; ++y) {
    const int stored = h - 1 - y;  // rows are kept bottom-up
    for (int x = 0; x < w; ++x) {
      const RgbQuad c = picture.GetPixelColor(x, stored);
      unsigned char* p = rgb + (static_cast<size_t>(y) * w + x) * 3;
      p[0] = c.rgbRed;
      p[1] = c.rgbGreen;
      p[2] = c.rgbBlue;
      if (a) a[static_cast<size_t>(y) * w + x] = *picture.AlphaGetPointer(x, stored);
    }
  }
  return image;
}

wxImage LoadResourceImage(int resourceId, std::string* pError) {
  CPicture picture;
  if (!picture.LoadResource(resourceId, kPngType)) {
    if (pError) *pError = picture.GetLastError().empty() ? std::string("error!") : picture.GetLastError();
    return wxImage();
  }
  return PictureToImage(picture);
}

wxBitmap PixelsToBitmap(const uint8_t* pBgrx, int width, int height, int stride) {
  if (width <= 0 || height <= 0) return wxBitmap();
  wxImage image(width, height, false);
  unsigned char* out = image.GetData();
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = pBgrx + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return wxBitmap(image);
}

#include "autokey/GreyImage.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace autokey {

GreyImage ToGrey(const PictureSnapshot& picture, double scale) {
  GreyImage out;
  if (picture.IsEmpty() || !(scale > 0)) return out;
  // The snapshot's own buffer, seen by OpenCV without a copy.
  const cv::Mat bgr(picture.height, picture.width, CV_8UC3, const_cast<uint8_t*>(picture.bgr.data()));
  cv::Mat grey;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  const int w = std::max(1, int(std::lround(picture.width * scale)));
  const int h = std::max(1, int(std::lround(picture.height * scale)));
  if (w != picture.width || h != picture.height) {
    cv::Mat scaled;
    cv::resize(grey, scaled, cv::Size(w, h), 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    grey = scaled;
  }
  out.width = grey.cols;
  out.height = grey.rows;
  out.pixels.resize(size_t(out.width) * size_t(out.height));
  for (int y = 0; y < out.height; ++y)
    std::copy_n(grey.ptr<uint8_t>(y), out.width, out.pixels.data() + size_t(y) * size_t(out.width));
  return out;
}

double ScaleForArea(int w, int h, double maxPixels) {
  const double area = double(w) * double(h);
  return area > maxPixels && area > 0 ? std::sqrt(maxPixels / area) : 1.0;
}

double ScaleForSide(int w, int h, int maxSide) {
  const int side = std::max(w, h);
  return side > maxSide && side > 0 ? double(maxSide) / side : 1.0;
}

}  // namespace autokey

// An 8-bit grey picture owned as one buffer, rows top-down. The detectors share it so
// that no header of the engine needs dlib or OpenCV.
#pragma once

#include <cstdint>
#include <vector>

#include "autokey/AutoKeyTypes.h"

namespace autokey {

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height
  const uint8_t* Row(int y) const { return pixels.data() + size_t(y) * size_t(width); }
};

// The picture in grey, scaled by `scale` (<= 1 shrinks with area averaging, > 1 enlarges
// bilinearly). The scale actually used per axis is width'/width, height'/height.
GreyImage ToGrey(const PictureSnapshot& picture, double scale);

// Scale that brings a picture of w x h to at most maxPixels pixels (1 when it is smaller).
double ScaleForArea(int w, int h, double maxPixels);
// Scale that brings the longer side to at most maxSide pixels (1 when it is shorter).
double ScaleForSide(int w, int h, int maxSide);

}  // namespace autokey

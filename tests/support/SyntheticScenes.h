// Generated pictures whose true correspondence is known, for checking where automatic key
// points land: a corner-rich scene, its copy under a known affine map, a flat landscape
// without faces, and a picture pasted into a larger canvas.
#pragma once

#include <cstdint>

#include "image/Picture.h"

// x' = a*x + b*y + c, y' = d*x + e*y + f (picture pixels, y down).
struct AffineMap {
  double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
  void Apply(double x, double y, double& outX, double& outY) const {
    outX = a * x + b * y + c;
    outY = d * x + e * y + f;
  }
  // Rotation by `degrees` about (cx, cy), uniform scale, then a shift.
  static AffineMap Similarity(double degrees, double scale, double cx, double cy, double dx, double dy);
};

// 24-bit picture of random rectangles, discs and lines on a noisy ground (seeded).
CPicture MakeTexturedScene(int width, int height, uint32_t seed);
// The picture seen through the map: output pixel q shows source point map^-1(q),
// bilinear; outside the source a mid grey.
CPicture WarpPicture(const CPicture& source, const AffineMap& map, int outWidth, int outHeight);
// A smooth landscape (sky, hills, no corners or faces).
CPicture MakeLandscape(int width, int height);
// `source` with its top-left corner at (left, top) of a larger picture of smooth ground.
CPicture PasteOnCanvas(const CPicture& source, int canvasWidth, int canvasHeight, int left, int top);

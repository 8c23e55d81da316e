// An independent per-pixel model of a morph frame, for checking what OpenGL drew: every
// output pixel centre is mapped back through the triangle that covers it into each picture
// (piecewise-affine) and the picture is sampled bilinearly with wrap-around, as the texture
// unit does. Only pictures with power-of-two sides are modelled, since GLU leaves those
// unscaled; pixels near a triangle edge are marked unreliable.
#pragma once

#include <string>
#include <vector>

#include "core/MorphGeometry.h"
#include "image/Picture.h"
#include "render/FrameBitmap.h"

struct RefScene {
  const CPicture* pImage1 = nullptr;
  const CPicture* pImage2 = nullptr;
  MorphTriangles triangles;
  int nMorphType = 1;
  int nCurFrame = 0;
  int nFrameCount = 30;
  int nOutputWidth = 0;
  int nOutputHeight = 0;
  // Preview view (model-view translate(-pan) then scale(zoom)); the view is nViewWidth x
  // nViewHeight pixels with one unit per pixel.
  float fZoom = 1.0f;
  int nPanX = 0, nPanY = 0;
  int nViewWidth = 0, nViewHeight = 0;  // 0: the output size
};

struct RefImage {
  int nWidth = 0, nHeight = 0;
  std::vector<double> bgr;          // bottom row first, 3 values per pixel
  std::vector<unsigned char> reliable;  // 0 near a triangle edge
  double At(int x, int y, int c) const { return bgr[(static_cast<size_t>(y) * nWidth + x) * 3 + c]; }
  bool Reliable(int x, int y) const { return reliable[static_cast<size_t>(y) * nWidth + x] != 0; }
};

RefImage ComputeReference(const RefScene& scene, double dEdgeMargin = 1.0);

struct CompareResult {
  int nChecked = 0;
  int nMaxDiff = 0;
  int nWorstX = -1, nWorstY = -1;
  std::string Describe() const;
};

// Compares the reliable pixels of the reference with the bitmap's colour bytes; the bitmap
// may be smaller (the bottom-left part is compared).
CompareResult CompareWithReference(const FrameBitmap& bitmap, const RefImage& ref);

// Key points given as (x1, y1, x2, y2) and triangles as indices into them.
struct RefPoint {
  double x1, y1, x2, y2;
};
MorphTriangles MakeTriangles(const std::vector<RefPoint>& points,
                             const std::vector<std::array<int, 3>>& faces);
// The five frame points (corners and centre) of two pictures, the image2 centre moved by
// (dx, dy): four triangles covering the whole frame.
MorphTriangles MakeFrameMesh(int w1, int h1, int w2, int h2, double dx = 0, double dy = 0);
// Eight triangles around the centre: corners and edge midpoints at the same relative places
// on both pictures, the image2 centre displaced, so the warp differs from triangle to triangle.
MorphTriangles MakeWarpMesh(int w1, int h1, int w2, int h2);

// Colour bytes of a bitmap pixel (x right, y counted from the bottom row).
inline const uint8_t* PixelAt(const FrameBitmap& bitmap, int x, int y) {
  return bitmap.Row(y) + static_cast<size_t>(x) * 4;
}

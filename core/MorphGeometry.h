// The mesh as the renderer sees it: each triangle's three key points with their
// positions on both pictures. Kept free of the hull's records so the renderer and
// its tests need nothing else from the project core.
#pragma once

#include <array>
#include <vector>

struct MorphVertex {
  int vnum = 0;
  double x1 = 0, y1 = 0;  // image1 pixels, origin top-left, y down
  double x2 = 0, y2 = 0;  // image2 pixels
};

using MorphTriangle = std::array<MorphVertex, 3>;
using MorphTriangles = std::vector<MorphTriangle>;

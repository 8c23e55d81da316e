// Independent checks of a triangulation, used by the core tests.
#pragma once

#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "core/KeyPointMesh.h"

using Triangle = std::array<int, 3>;

inline std::set<Triangle> SortedTriangles(const std::vector<Triangle>& list) {
  std::set<Triangle> out;
  for (Triangle t : list) {
    std::sort(t.begin(), t.end());
    out.insert(t);
  }
  return out;
}

inline std::vector<int> List1Order(const CKeyPointMesh& mesh) {
  std::vector<int> out;
  for (const MeshVertex* v : mesh.Vertices(1)) out.push_back(v->vnum);
  return out;
}

struct IntPoint {
  long long x, y;
};

// Twice the signed area of abc.
inline long long Cross(const IntPoint& a, const IntPoint& b, const IntPoint& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Sign of the in-circle determinant of d against the circle through a, b, c, made
// independent of the orientation of abc: > 0 strictly inside, 0 on the circle.
inline int InCircle(const IntPoint& a, const IntPoint& b, const IntPoint& c, const IntPoint& d) {
  const __int128 adx = a.x - d.x, ady = a.y - d.y;
  const __int128 bdx = b.x - d.x, bdy = b.y - d.y;
  const __int128 cdx = c.x - d.x, cdy = c.y - d.y;
  const __int128 det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) -
                       (bdx * bdx + bdy * bdy) * (adx * cdy - cdx * ady) +
                       (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
  const int orient = Cross(a, b, c) > 0 ? 1 : -1;
  const int sign = det > 0 ? 1 : (det < 0 ? -1 : 0);
  return sign * orient;
}

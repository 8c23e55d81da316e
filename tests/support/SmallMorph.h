// A small synthetic morph for the output tests: two 64 x 48 pattern pictures, the four corner
// pairs and one moved centre pair, four triangles.
#pragma once

#include "core/MorphGeometry.h"
#include "image/Picture.h"
#include "support/TestSupport.h"

struct SmallMorph {
  CPicture image1 = MakePatternPicture(64, 48, 1);
  CPicture image2 = MakePatternPicture(64, 48, 7);
  MorphTriangles triangles;
  SmallMorph() {
    const auto v = [](int vnum, double x1, double y1, double x2, double y2) {
      MorphVertex p;
      p.vnum = vnum;
      p.x1 = x1;
      p.y1 = y1;
      p.x2 = x2;
      p.y2 = y2;
      return p;
    };
    const MorphVertex p[5] = {v(0, 0, 0, 0, 0), v(1, 0, 48, 0, 48), v(2, 64, 0, 64, 0), v(3, 64, 48, 64, 48),
                              v(4, 32, 24, 40, 20)};
    triangles = {{p[0], p[2], p[4]}, {p[2], p[3], p[4]}, {p[3], p[1], p[4]}, {p[1], p[0], p[4]}};
  }
};

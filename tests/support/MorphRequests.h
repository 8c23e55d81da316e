// Requests for a morph of two pictures as the tests build them: one frame for the renderer
// here, a whole output run in OutputRequests.h.
#pragma once

#include <string>

#include "render/OffscreenRenderer.h"

inline MorphFrameRequest MakeFrameRequest(const CPicture& image1, const CPicture& image2,
                                          const MorphTriangles& triangles, int nMorphType, int k, int N,
                                          int nWidth, int nHeight) {
  MorphFrameRequest r;
  r.pImage1 = &image1;
  r.pImage2 = &image2;
  r.pTriangles = &triangles;
  r.nMorphType = nMorphType;
  r.nCurFrame = k;
  r.nFrameCount = N;
  r.nOutputWidth = nWidth;
  r.nOutputHeight = nHeight;
  return r;
}

// A whole output run of a morph of two pictures as the output tests build it.
#pragma once

#include <string>

#include "output/OutputRequest.h"
#include "output/OutputRun.h"
#include "support/MorphRequests.h"

// The morph (type 1) with N frames at nWidth x nHeight, written to `path` in nFormat and the
// container the path names, as the output dialog asks for it.
inline OutputRunRequest MakeRunRequest(const CPicture& image1, const CPicture& image2, const MorphTriangles& triangles,
                                       int nFormat, const std::string& path, int N, int nWidth, int nHeight) {
  OutputRunRequest rq;
  static_cast<MorphFrameRequest&>(rq) = MakeFrameRequest(image1, image2, triangles, 1, 0, N, nWidth, nHeight);
  rq.nFormat = nFormat;
  rq.szOutputPath = path;
  rq.movieContainer = RunContainerFor(nFormat, path);
  return rq;
}

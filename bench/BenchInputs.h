// Inputs of the benchmarks, all made at start-up: photograph-like pictures (a sample
// photograph of the source tree scaled to the asked size, with a generated texture when
// it cannot be read), the frames an export writes, and key-point meshes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/MorphGeometry.h"
#include "image/Picture.h"

namespace bench {

// A 24-bit picture of w x h. Photographs matter here: the colour reduction's speed depends
// on how many distinct colours the frame holds, and a smooth synthetic gradient has far
// fewer than a photograph. seed picks one of the sample photographs.
CPicture MakePhotoPicture(int w, int h, int seed);

// The frame a morph export hands to the colour reduction: two photographs blended 50/50.
CPicture MakeMorphFramePicture(int w, int h);

// Palette indices of an 8-bit frame reduced with the export's own colour reduction
// (octree palette + error diffusion): the LZW coder's real input.
std::vector<uint8_t> MakeReducedFrameIndices(int w, int h);

// An 11 x 11 grid of key points with displaced inner image2 points: 200 triangles.
MorphTriangles MakeGridTriangles(int w1, int h1, int w2, int h2);

// nPairs key-point pairs (beyond the five frame points) at fixed pseudo-random positions
// inside a w x h picture, image2 points displaced by up to a tenth of the picture; the
// same list on every call.
struct BenchPair {
  int x1, y1, x2, y2;
};
std::vector<BenchPair> MakePairs(int nPairs, int w, int h, uint32_t nSeed = 7);


}  // namespace bench

// The straightforward colour reduction the fast paths are held to.
#pragma once

#include <cstdint>

#include "image/Picture.h"

// The straightforward reduction: every pixel through GetNearestIndex, in stored-row order,
// its error spread 7/16, 2/16, 4/16, 1/16 (truncated, clamped at each step) over the
// unvisited neighbours of a true-colour copy.
CPicture ReferenceDecrease(const CPicture& source24, int nBits, bool bDiffusion, const RgbQuad* pPalette,
                           uint32_t nClrImportant);

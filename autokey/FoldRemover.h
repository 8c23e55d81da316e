// Keeps a set of key-point pairs free of folds: triangles of the project's triangulation
// (Delaunay on the image1 points) whose orientation flips on image2. A fold tears the
// morph, so proposed pairs that cause one are dropped; pairs placed by hand never are.
#pragma once

#include <array>
#include <vector>

#include "autokey/AutoKeyTypes.h"

namespace autokey {

using PairTriangle = std::array<int, 3>;  // indices into the pair list

// The triangles the morph would use for these pairs, built as opening a saved project
// builds them (whole pixels, full rebuild). False when the points cannot be triangulated
// or the hull would drop one of them (a repeated image1 pixel).
bool TriangulatePairs(const std::vector<KeyPair>& pairs, std::vector<PairTriangle>& triangles);

// Whether the triangle's orientation on image2 differs from image1 (or it collapses there).
bool IsFolded(const std::vector<KeyPair>& pairs, const PairTriangle& t);
int CountFolds(const std::vector<KeyPair>& pairs, const std::vector<PairTriangle>& triangles);

// Where the other pairs map image1's point (x1, y1) onto image2: barycentric within the
// triangle holding it in the triangulation of every pair but `skip`. False when no
// triangle holds it.
bool MapThroughOthers(const std::vector<KeyPair>& pairs, int skip, double x1, double y1, double& x2, double& y2);

struct FoldOutcome {
  int dropped = 0;    // pairs removed
  int foldsLeft = 0;  // folded triangles that only fixed pairs make
  bool triangulated = true;
};

// While a fold remains, drops the removable pair (index >= firstRemovable) on a folded
// triangle whose removal leaves the fewest folds; ties go to the pair whose displacement
// differs most from its neighbours' median. Pairs are erased from the list in place.
FoldOutcome RemoveFolds(std::vector<KeyPair>& pairs, int firstRemovable);

}  // namespace autokey

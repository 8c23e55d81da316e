// Pairs from local features (OpenCV SIFT or ORB), kept only when the two pictures match
// reliably: ratio test and mutual check, then the matches that agree with both a RANSAC
// homography and a fundamental matrix, spread out best first.
#pragma once

#include <vector>

#include "autokey/AutoKeyTypes.h"
#include "autokey/GreyImage.h"

namespace autokey {

enum class FeatureKind { Sift, Orb };

struct FeatureMatchResult {
  std::vector<KeyPair> pairs;  // in the two grey images' pixels, best first, spread out
  int mutualMatches = 0;
  int inliers = 0;
  bool reliable = false;
};

struct FeatureMatchSettings {
  FeatureKind kind = FeatureKind::Sift;
  int maxPairs = 60;
  // "Reliable": at least this many inliers, and at least half of the mutual matches.
  int minInliers = 20;
  // Spacing of the kept pairs in each picture, relative to that picture's area (in the
  // original pictures' pixels): max(8, 0.5 * sqrt(area / 60)).
  double area1 = 0, area2 = 0;
  // Scale from the grey images to the original pictures (spacing is measured there).
  double toOriginal1 = 1, toOriginal2 = 1;
};

FeatureMatchResult MatchFeatures(const GreyImage& image1, const GreyImage& image2, const FeatureMatchSettings& settings);

}  // namespace autokey

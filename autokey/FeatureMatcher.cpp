#include "autokey/FeatureMatcher.h"

#include <algorithm>
#include <cmath>
#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>

namespace autokey {

namespace {

constexpr float kRatio = 0.75f;

cv::Mat AsMat(const GreyImage& image) {
  return cv::Mat(image.height, image.width, CV_8UC1, const_cast<uint8_t*>(image.pixels.data()));
}

// Best match of each query descriptor that passes the ratio test, or -1.
std::vector<int> RatioMatches(const cv::DescriptorMatcher& matcher, const cv::Mat& query, const cv::Mat& train,
                              std::vector<float>* pDistance) {
  std::vector<int> best(size_t(query.rows), -1);
  if (pDistance) pDistance->assign(size_t(query.rows), 0.f);
  if (query.empty() || train.rows < 2) return best;
  std::vector<std::vector<cv::DMatch>> knn;
  matcher.knnMatch(query, train, knn, 2);
  for (const auto& m : knn) {
    if (m.size() < 2 || m[0].distance >= kRatio * m[1].distance) continue;
    best[size_t(m[0].queryIdx)] = m[0].trainIdx;
    if (pDistance) (*pDistance)[size_t(m[0].queryIdx)] = m[0].distance;
  }
  return best;
}

}  // namespace

FeatureMatchResult MatchFeatures(const GreyImage& image1, const GreyImage& image2, const FeatureMatchSettings& settings) {
  FeatureMatchResult out;
  if (image1.width <= 0 || image2.width <= 0) return out;
  cv::Ptr<cv::Feature2D> detector;
  int norm = cv::NORM_L2;
  if (settings.kind == FeatureKind::Orb) {
    detector = cv::ORB::create(3000);
    norm = cv::NORM_HAMMING;
  } else {
    detector = cv::SIFT::create(2000);
  }
  std::vector<cv::KeyPoint> k1, k2;
  cv::Mat d1, d2;
  detector->detectAndCompute(AsMat(image1), cv::noArray(), k1, d1);
  detector->detectAndCompute(AsMat(image2), cv::noArray(), k2, d2);
  if (k1.size() < 8 || k2.size() < 8) return out;

  cv::BFMatcher matcher(norm);
  std::vector<float> distance;
  const std::vector<int> forward = RatioMatches(matcher, d1, d2, &distance);
  const std::vector<int> backward = RatioMatches(matcher, d2, d1, nullptr);
  struct Match {
    int i1, i2;
    float distance;
  };
  std::vector<Match> mutual;
  for (size_t i = 0; i < forward.size(); ++i) {
    const int j = forward[i];
    if (j >= 0 && backward[size_t(j)] == int(i)) mutual.push_back({int(i), j, distance[i]});
  }
  out.mutualMatches = int(mutual.size());
  if (mutual.size() < 8) return out;

  std::vector<cv::Point2f> p1, p2;
  for (const Match& m : mutual) {
    p1.push_back(k1[size_t(m.i1)].pt);
    p2.push_back(k2[size_t(m.i2)].pt);
  }
  const double diagonal = std::hypot(double(image2.width), double(image2.height));
  std::vector<uchar> maskH, maskF;
  const cv::Mat H = cv::findHomography(p1, p2, cv::RANSAC, 0.05 * diagonal, maskH);
  const cv::Mat F = cv::findFundamentalMat(p1, p2, cv::FM_RANSAC, 3.0, 0.99, maskF);
  if (H.empty() || F.empty() || maskH.size() != mutual.size() || maskF.size() != mutual.size()) return out;

  std::vector<Match> inliers;
  for (size_t i = 0; i < mutual.size(); ++i)
    if (maskH[i] && maskF[i]) inliers.push_back(mutual[i]);
  out.inliers = int(inliers.size());
  out.reliable = out.inliers >= settings.minInliers && 2 * out.inliers >= out.mutualMatches;
  if (!out.reliable) return out;

  // Best first, each kept pair far enough from those already kept in both pictures.
  std::stable_sort(inliers.begin(), inliers.end(), [](const Match& a, const Match& b) { return a.distance < b.distance; });
  const double sep1 = std::max(8.0, 0.5 * std::sqrt(settings.area1 / 60.0));
  const double sep2 = std::max(8.0, 0.5 * std::sqrt(settings.area2 / 60.0));
  for (const Match& m : inliers) {
    if (int(out.pairs.size()) >= settings.maxPairs) break;
    const cv::Point2f a = k1[size_t(m.i1)].pt, b = k2[size_t(m.i2)].pt;
    const double ax = a.x * settings.toOriginal1, ay = a.y * settings.toOriginal1;
    const double bx = b.x * settings.toOriginal2, by = b.y * settings.toOriginal2;
    const bool spaced = std::all_of(out.pairs.begin(), out.pairs.end(), [&](const KeyPair& q) {
      return std::hypot(q.x1 * settings.toOriginal1 - ax, q.y1 * settings.toOriginal1 - ay) >= sep1 &&
             std::hypot(q.x2 * settings.toOriginal2 - bx, q.y2 * settings.toOriginal2 - by) >= sep2;
    });
    if (spaced) out.pairs.push_back({a.x, a.y, b.x, b.y});
  }
  return out;
}

}  // namespace autokey

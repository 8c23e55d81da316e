#include "autokey/FoldRemover.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "core/KeyPointMesh.h"

namespace autokey {

namespace {

double Cross(double ax, double ay, double bx, double by, double cx, double cy) {
  return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  const size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + long(mid), v.end());
  return v[mid];
}

// How far pair i's displacement lies from the median displacement of its neighbours.
double DisplacementDeviation(const std::vector<KeyPair>& pairs, const std::vector<PairTriangle>& triangles, int i) {
  std::set<int> neighbours;
  for (const PairTriangle& t : triangles)
    if (t[0] == i || t[1] == i || t[2] == i)
      for (int v : t)
        if (v != i) neighbours.insert(v);
  std::vector<double> dx, dy;
  for (int n : neighbours) {
    dx.push_back(pairs[size_t(n)].x2 - pairs[size_t(n)].x1);
    dy.push_back(pairs[size_t(n)].y2 - pairs[size_t(n)].y1);
  }
  const KeyPair& p = pairs[size_t(i)];
  return std::hypot((p.x2 - p.x1) - Median(dx), (p.y2 - p.y1) - Median(dy));
}

}  // namespace

bool TriangulatePairs(const std::vector<KeyPair>& pairs, std::vector<PairTriangle>& triangles) {
  triangles.clear();
  if (pairs.size() < 4 || pairs.size() > size_t(kMaxKeyPoints)) return false;
  CKeyPointMesh mesh;
  for (const KeyPair& p : pairs)
    mesh.AddPointPair(CKeyPointMesh::TruncCoord(p.x1), CKeyPointMesh::TruncCoord(p.y1),
                      CKeyPointMesh::TruncCoord(p.x2), CKeyPointMesh::TruncCoord(p.y2));
  if (!mesh.RebuildTriangulation() || !mesh.IsConsistent()) return false;
  for (const auto& t : mesh.TriangleList()) triangles.push_back({t[0], t[1], t[2]});
  return true;
}

bool IsFolded(const std::vector<KeyPair>& pairs, const PairTriangle& t) {
  const KeyPair& a = pairs[size_t(t[0])];
  const KeyPair& b = pairs[size_t(t[1])];
  const KeyPair& c = pairs[size_t(t[2])];
  // Whole pixels, as the saved project holds them.
  auto tr = [](double v) { return double(CKeyPointMesh::TruncCoord(v)); };
  const double o1 = Cross(tr(a.x1), tr(a.y1), tr(b.x1), tr(b.y1), tr(c.x1), tr(c.y1));
  const double o2 = Cross(tr(a.x2), tr(a.y2), tr(b.x2), tr(b.y2), tr(c.x2), tr(c.y2));
  return o1 * o2 <= 0;
}

int CountFolds(const std::vector<KeyPair>& pairs, const std::vector<PairTriangle>& triangles) {
  int n = 0;
  for (const PairTriangle& t : triangles) n += IsFolded(pairs, t) ? 1 : 0;
  return n;
}

bool MapThroughOthers(const std::vector<KeyPair>& pairs, int skip, double x1, double y1, double& x2, double& y2) {
  std::vector<KeyPair> others;
  for (size_t i = 0; i < pairs.size(); ++i)
    if (int(i) != skip) others.push_back(pairs[i]);
  std::vector<PairTriangle> triangles;
  if (!TriangulatePairs(others, triangles)) return false;
  auto tr = [](double v) { return double(CKeyPointMesh::TruncCoord(v)); };
  for (const PairTriangle& t : triangles) {
    const KeyPair& a = others[size_t(t[0])];
    const KeyPair& b = others[size_t(t[1])];
    const KeyPair& c = others[size_t(t[2])];
    const double area = Cross(tr(a.x1), tr(a.y1), tr(b.x1), tr(b.y1), tr(c.x1), tr(c.y1));
    if (area == 0) continue;
    const double wa = Cross(x1, y1, tr(b.x1), tr(b.y1), tr(c.x1), tr(c.y1)) / area;
    const double wb = Cross(tr(a.x1), tr(a.y1), x1, y1, tr(c.x1), tr(c.y1)) / area;
    const double wc = 1 - wa - wb;
    const double eps = -1e-9;
    if (wa < eps || wb < eps || wc < eps) continue;
    x2 = wa * tr(a.x2) + wb * tr(b.x2) + wc * tr(c.x2);
    y2 = wa * tr(a.y2) + wb * tr(b.y2) + wc * tr(c.y2);
    return true;
  }
  return false;
}

FoldOutcome RemoveFolds(std::vector<KeyPair>& pairs, int firstRemovable) {
  FoldOutcome out;
  std::vector<PairTriangle> triangles;
  if (!TriangulatePairs(pairs, triangles)) {
    out.triangulated = false;
    return out;
  }
  int folds = CountFolds(pairs, triangles);
  while (folds > 0) {
    std::set<int> candidates;
    for (const PairTriangle& t : triangles)
      if (IsFolded(pairs, t))
        for (int v : t)
          if (v >= firstRemovable) candidates.insert(v);
    if (candidates.empty()) break;

    int best = -1;
    int bestFolds = std::numeric_limits<int>::max();
    double bestDeviation = -1;
    std::vector<PairTriangle> bestTriangles;
    for (int c : candidates) {
      std::vector<KeyPair> trial = pairs;
      trial.erase(trial.begin() + c);
      std::vector<PairTriangle> trialTriangles;
      if (!TriangulatePairs(trial, trialTriangles)) continue;
      const int f = CountFolds(trial, trialTriangles);
      if (f > bestFolds) continue;
      const double deviation = DisplacementDeviation(pairs, triangles, c);
      if (f < bestFolds || deviation > bestDeviation) {
        best = c;
        bestFolds = f;
        bestDeviation = deviation;
        bestTriangles = std::move(trialTriangles);
      }
    }
    if (best < 0) break;
    pairs.erase(pairs.begin() + best);
    triangles = std::move(bestTriangles);
    folds = bestFolds;
    ++out.dropped;
  }
  out.foldsLeft = folds;
  return out;
}

}  // namespace autokey

// Delaunay triangulation of a full key-point table (128 points: the five frame points and
// 123 pairs on an 800 x 600 picture):
//   BM_TriangulationRebuild   the whole lifted hull built again (after an open or a delete)
//   BM_TriangulationAdd       the 128th point inserted into the hull of the other 127 (after
//                             an add), with the roll-back copy the editing operation takes
#include <benchmark/benchmark.h>

#include "BenchInputs.h"
#include "core/KeyPointMesh.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

// Frame points plus nPairs pairs, not yet triangulated.
void FillMesh(CKeyPointMesh& mesh, int nPairs) {
  mesh.ResetMesh();
  mesh.AddFramePoints(kWidth, kHeight);
  for (const bench::BenchPair& p : bench::MakePairs(nPairs, kWidth, kHeight))
    mesh.AddPointPair(p.x1, p.y1, p.x2, p.y2);
}

void BM_TriangulationRebuild(benchmark::State& state) {
  CKeyPointMesh mesh;
  FillMesh(mesh, kMaxKeyPoints - 5);
  for (auto _ : state) {
    if (!mesh.RebuildTriangulation()) {
      state.SkipWithError("no triangulation");
      break;
    }
    benchmark::DoNotOptimize(mesh.m_pFaces);
  }
  state.SetLabel(std::to_string(mesh.GetPointCount()) + " points, " + std::to_string(mesh.TriangleList().size()) +
                 " triangles");
}

void BM_TriangulationAdd(benchmark::State& state) {
  const int nPairs = kMaxKeyPoints - 5;
  const bench::BenchPair last = bench::MakePairs(nPairs, kWidth, kHeight).back();
  CKeyPointMesh base;
  FillMesh(base, nPairs - 1);
  if (!base.RebuildTriangulation() || !base.IsVisibleFromHull(last.x1, last.y1)) {
    state.SkipWithError("the point cannot be inserted");
    return;
  }
  CKeyPointMesh mesh, backup;
  for (auto _ : state) {
    state.PauseTiming();
    mesh.CopyFrom(base);
    state.ResumeTiming();
    backup.CopyFrom(mesh);
    mesh.AddPointPair(last.x1, last.y1, last.x2, last.y2);
    mesh.ConstructHull();
    mesh.MarkLowerFaces();
    benchmark::DoNotOptimize(mesh.m_pFaces);
  }
  if (!mesh.IsConsistent()) state.SkipWithError("the insert left the lists inconsistent");
  state.SetLabel(std::to_string(mesh.GetPointCount()) + " points, " + std::to_string(mesh.TriangleList().size()) +
                 " triangles");
}

}  // namespace

BENCHMARK(BM_TriangulationRebuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TriangulationAdd)->Unit(benchmark::kMicrosecond);

// One pointer event of a drag over a 1024 x 768 pair with a full key-point table (the five
// frame points and 123 pairs):
//   BM_DragStep   click hit test, the move with its hover test and read-out, the triangles
//                 the preview redraw reads, and the release that records the undo step
#include <benchmark/benchmark.h>

#include "BenchInputs.h"
#include "core/MorphProject.h"
#include "editor/KeyPointEditor.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

void BM_DragStep(benchmark::State& state) {
  MorphProject project;
  CKeyPointMesh& mesh = project.m_mesh;
  mesh.AddFramePoints(kWidth, kHeight);
  for (const bench::BenchPair& p : bench::MakePairs(kMaxKeyPoints - 5, kWidth, kHeight))
    mesh.AddPointPair(p.x1, p.y1, p.x2, p.y2);
  if (!mesh.RebuildTriangulation()) {
    state.SkipWithError("no triangulation");
    return;
  }
  CommandHistory history;
  editor::KeyPointEditor editor(project, history);
  editor::EditPanes panes;
  for (int i = 0; i < 2; ++i) panes[i] = {i * 1100, 0, i * 1100 + kWidth, kHeight, 0, 0, 1.0f};
  // The last pair is dragged back and forth by a few pixels.
  const MeshVertex* v = mesh.FindVertex(1, mesh.m_nPoints - 1);
  const int x0 = static_cast<int>(v->x), y0 = static_cast<int>(v->y);
  int step = 0;
  size_t nTriangles = 0;
  for (auto _ : state) {
    const int dx = (step++ & 1) ? 3 : -3;
    const int x = x0 + (dx > 0 ? 0 : 3);
    editor.LeftDown(panes, x, y0);
    editor.PointerMoved(panes, x + dx, y0 + 1);
    nTriangles += mesh.GetMorphTriangles().size();
    editor.LeftUp();
  }
  benchmark::DoNotOptimize(nTriangles);
  if (!editor.IsDragging() && history.CanUndo()) state.counters["steps"] = static_cast<double>(step);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

}  // namespace

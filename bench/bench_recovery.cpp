// Recovery copies of a project with the full key-point table (the five frame points and 123
// pairs) on 1024 x 768 pictures:
//   BM_RecoveryWrite     one copy written as the writer thread does: the project file and the
//                        text beside it, each through a synced temporary renamed into place
//   BM_RecoveryHandOver  what the window thread adds to one drag step: the project's state
//                        taken (file bytes with absolute paths) and handed to the writer,
//                        while the writer writes on its own thread
#include <benchmark/benchmark.h>

#include "BenchInputs.h"
#include "app/ProjectSession.h"
#include "app/RecoveryKeeper.h"
#include "base/TempFolder.h"
#include "core/ProjectFile.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

void FillTable(MorphProject& project) {
  CKeyPointMesh& mesh = project.m_mesh;
  mesh.ResetMesh();
  mesh.AddFramePoints(kWidth, kHeight);
  for (const bench::BenchPair& p : bench::MakePairs(kMaxKeyPoints - 5, kWidth, kHeight))
    mesh.AddPointPair(p.x1, p.y1, p.x2, p.y2);
  mesh.RebuildTriangulation();
}

void BM_RecoveryWrite(benchmark::State& state) {
  CTempFolder folder("kestrelle-bench");
  MorphProject project;
  FillTable(project);
  RecoveryContent content;
  const std::string picture = folder.File("a-picture-with-a-typical-name.jpg");
  ProjectFileBytes(project, content.project, picture, picture);
  content.szProjectPath = folder.File("project.fmph");
  const std::string copy = folder.File("recovery-1-1.fmph");
  for (auto _ : state) {
    if (!recovery::WriteCopy(copy, content)) {
      state.SkipWithError("write failed");
      return;
    }
  }
  state.counters["bytes"] = static_cast<double>(content.project.size());
}
BENCHMARK(BM_RecoveryWrite)->Unit(benchmark::kMillisecond);

void BM_RecoveryHandOver(benchmark::State& state) {
  CTempFolder folder("kestrelle-bench");
  const std::string p1 = folder.File("one.bmp"), p2 = folder.File("two.bmp");
  bench::MakePhotoPicture(kWidth, kHeight, 1).Save(p1, PICTURE_BMP);
  bench::MakePhotoPicture(kWidth, kHeight, 2).Save(p2, PICTURE_BMP);
  ProjectSession session;
  if (session.LoadPicture(1, p1).bRefused || session.LoadPicture(2, p2).bRefused) {
    state.SkipWithError("pictures not loaded");
    return;
  }
  FillTable(session.MutableProject());
  // A short delay so the writer is busy during the measured steps, as in a long drag.
  CRecoveryKeeper keeper(folder.File("recovery-1-1.fmph"), {std::chrono::milliseconds(1), std::chrono::milliseconds(5)});
  MorphProject& project = session.MutableProject();
  const int last = project.m_mesh.m_nPoints - 1;
  int step = 0;
  for (auto _ : state) {
    // The step's own change: one side of the last pair moves by a pixel.
    project.MovePoint(1, last, 500 + (step++ & 7), 400);
    keeper.Update(session.RecoveryState());
  }
  keeper.Flush();
  state.counters["writes"] = keeper.WriteCount();
}
BENCHMARK(BM_RecoveryHandOver)->Unit(benchmark::kMicrosecond);

}  // namespace

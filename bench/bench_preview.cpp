// The preview's draw of one frame with both textures already uploaded, as playback draws
// every 75 ms: blend set-up, clear, 200 triangles in two passes, finished (glFinish) so
// the time is the drawing's and not only the queueing's. Drawn into the off-screen
// context, the same fixed-function code the preview canvas runs. Wall-clock time:
// llvmpipe rasterises on its own threads.
//   BM_PreviewDraw/W/H
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include "BenchInputs.h"
#include "render/EglOffscreenContext.h"
#include "render/MorphFrameDrawer.h"

namespace {

void BM_PreviewDraw(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const CPicture image1 = bench::MakePhotoPicture(w, h, 0);
  const CPicture image2 = bench::MakePhotoPicture(w, h, 1);
  const MorphTriangles tris = bench::MakeGridTriangles(w, h, w, h);

  CEglOffscreenContext context;
  if (!context.Begin(w, h)) {
    state.SkipWithError(context.GetLastError().c_str());
    return;
  }
  CMorphFrameDrawer drawer;
  CMorphFrameDrawer::InitGLState();
  CMorphFrameDrawer::SetupProjection(w, h);
  if (!drawer.UploadTextures(&image1, &image2)) {
    state.SkipWithError(drawer.GetLastError().c_str());
    context.End();
    return;
  }
  MorphFrameParams frame;
  frame.nFrameCount = 30;
  frame.nOutputWidth = w;
  frame.nOutputHeight = h;
  const MorphViewParams view;
  int k = 0;
  for (auto _ : state) {
    frame.nCurFrame = k;
    k = (k + 1) % 31;
    drawer.DrawFrame(tris, frame, view);
    glFinish();
  }
  drawer.ReleaseTextures();
  state.SetLabel(context.GetRendererName());
  context.End();
}

}  // namespace

BENCHMARK(BM_PreviewDraw)->ArgNames({"W", "H"})->Args({1024, 768})->Unit(benchmark::kMillisecond)->UseRealTime();

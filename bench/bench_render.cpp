// Off-screen morph frames of two photographs: context, texture upload, 200 triangles,
// read-back.
//   BM_RenderFrame/W/H/kept   frames of a run (one context; the textures kept while the
//                             pictures do not change, the normal case)
//   BM_RenderFrame/W/H/rebuilt  the same with both textures rebuilt by GLU every frame
//   BM_RenderFrameColdStart/W/H/spare  a new renderer per frame, as every export of the
//                            window makes: spare 0 a cold start (context creation, shader
//                            compilation, textures built), spare 1 taking the context
//                            that the renderer before left
//   BM_RenderStep/W/H/step   one step of a frame alone, the others run untimed around it:
//                            0 make current (fixed state, projection); texture upload of
//                            unchanged pictures 1 with the textures kept, 2 from the kept
//                            base levels into new textures, 3 rebuilt by GLU; 4 draw
//                            (finished), 5 read-back, 6 release the context
// Wall-clock time is what counts: the software rasteriser draws on its own threads.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <chrono>

#include "BenchInputs.h"
#include "image/Picture.h"
#include "render/EglOffscreenContext.h"
#include "render/MorphFrameDrawer.h"
#include "render/OffscreenRenderer.h"

namespace {

struct BenchScene {
  CPicture image1, image2;
  MorphTriangles tris;
  BenchScene(int w, int h)
      : image1(bench::MakePhotoPicture(w, h, 0)), image2(bench::MakePhotoPicture(w, h, 1)),
        tris(bench::MakeGridTriangles(w, h, w, h)) {}
  MorphFrameRequest Request(int k) const {
    MorphFrameRequest r;
    r.pImage1 = &image1;
    r.pImage2 = &image2;
    r.pTriangles = &tris;
    r.nCurFrame = k;
    r.nFrameCount = 30;
    r.nOutputWidth = image1.GetWidth();
    r.nOutputHeight = image1.GetHeight();
    return r;
  }
};

void BM_RenderFrame(benchmark::State& state) {
  const BenchScene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  COffscreenRenderer renderer;
  renderer.SetUploadCacheEnabled(state.range(2) != 0);
  uint64_t nChecksum = 0;
  const FrameWriter writer = [&](const FrameBitmap& bitmap, int) {
    nChecksum += bitmap.bits[bitmap.bits.size() / 2];
    return true;
  };
  int k = 0;
  if (!renderer.RenderFrameOffscreen(scene.Request(k), writer)) {  // context and textures
    state.SkipWithError(renderer.GetLastError().c_str());
    return;
  }
  for (auto _ : state) {
    k = (k + 1) % 31;
    if (!renderer.RenderFrameOffscreen(scene.Request(k), writer)) {
      state.SkipWithError(renderer.GetLastError().c_str());
      break;
    }
  }
  benchmark::DoNotOptimize(nChecksum);
  state.SetLabel(renderer.GetRendererName() + (state.range(2) ? ", kept" : ", rebuilt"));
}

void BM_RenderFrameColdStart(benchmark::State& state) {
  const BenchScene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  FrameBitmap bitmap;
  for (auto _ : state) {
    if (state.range(2) == 0) COffscreenRenderer::DropSpareContext();
    COffscreenRenderer renderer;
    if (!renderer.RenderFrame(scene.Request(15), bitmap)) {
      state.SkipWithError(renderer.GetLastError().c_str());
      break;
    }
  }
}

// Where a frame's time goes: every iteration draws a whole frame from the building blocks
// of the renderer and times the one step asked for.
void BM_RenderStep(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int nStep = static_cast<int>(state.range(2));
  const BenchScene scene(w, h);
  CEglOffscreenContext context;
  CMorphFrameDrawer drawer;
  drawer.SetUploadCacheEnabled(nStep != 3);
  FrameBitmap bitmap;
  MorphFrameParams frame;
  frame.nFrameCount = 30;
  frame.nOutputWidth = w;
  frame.nOutputHeight = h;
  using Clock = std::chrono::steady_clock;
  Clock::time_point t0;
  const auto start = [&](int n) {
    if (n == nStep) t0 = Clock::now();
  };
  const auto stop = [&](int n) {
    if (n == nStep) state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  };
  for (auto _ : state) {
    start(0);
    const bool bBegun = context.Begin(w, h);
    if (bBegun) {
      CMorphFrameDrawer::InitGLState();
      CMorphFrameDrawer::SetupProjection(w, h);
    }
    stop(0);
    if (!bBegun) {
      state.SkipWithError(context.GetLastError().c_str());
      break;
    }
    if (nStep == 2 || nStep == 3) drawer.ReleaseTextures();
    start(1);
    start(2);
    start(3);
    const bool bUploaded = drawer.UploadTextures(&scene.image1, &scene.image2);
    glFinish();
    stop(1);
    stop(2);
    stop(3);
    if (!bUploaded) {
      state.SkipWithError(drawer.GetLastError().c_str());
      context.End();
      break;
    }
    start(4);
    drawer.DrawFrameOffscreen(scene.tris, frame);
    glFinish();
    stop(4);
    frame.nCurFrame = (frame.nCurFrame + 1) % 31;
    start(5);
    const bool bRead = context.ReadPixels(w, h, bitmap);
    stop(5);
    start(6);
    context.End();
    stop(6);
    if (!bRead) {
      state.SkipWithError(context.GetLastError().c_str());
      break;
    }
  }
  benchmark::DoNotOptimize(bitmap.bits.data());
  static const char* const kSteps[] = {"make current", "upload, textures kept",
                                       "upload, kept level", "upload, rebuilt", "draw",
                                       "read-back", "release"};
  state.SetLabel(kSteps[nStep]);
}

}  // namespace

BENCHMARK(BM_RenderStep)
    ->ArgNames({"W", "H", "step"})
    ->ArgsProduct({{800}, {600}, {0, 1, 2, 3, 4, 5, 6}})
    ->Iterations(31)  // each iteration draws a whole frame, however short the timed step
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFrame)
    ->ArgNames({"W", "H", "kept"})
    ->Args({800, 600, 1})
    ->Args({1024, 768, 1})
    ->Args({1920, 1080, 1})
    ->Args({800, 600, 0})
    ->Args({1024, 768, 0})
    ->Args({1920, 1080, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFrameColdStart)
    ->ArgNames({"W", "H", "spare"})
    ->Args({1024, 768, 0})
    ->Args({1024, 768, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

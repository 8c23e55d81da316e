// Off-screen morph frames of two photographs: context, texture upload, 200 triangles,
// read-back.
//   BM_RenderFrame/W/H/kept   frames of a run (one context; the texture base level kept
//                             while the pictures do not change, the normal case)
//   BM_RenderFrame/W/H/rebuilt  the same with both textures rebuilt by GLU every frame
//   BM_RenderFrameColdStart/W/H  a new renderer (context creation included) per frame
// Wall-clock time is what counts: the software rasteriser draws on its own threads.
#include <benchmark/benchmark.h>

#include "BenchInputs.h"
#include "image/Picture.h"
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
  if (!renderer.RenderFrameOffscreen(scene.Request(k), writer)) {  // context creation
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
    COffscreenRenderer renderer;
    if (!renderer.RenderFrame(scene.Request(15), bitmap)) {
      state.SkipWithError(renderer.GetLastError().c_str());
      break;
    }
  }
}

}  // namespace

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
    ->ArgNames({"W", "H"})
    ->Args({1024, 768})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Off-screen morph frames: context, texture upload, 200 triangles, read-back.
//   BM_RenderFrame/W/H/kept   frames of a run (one context; the texture base level kept
//                             while the pictures do not change, the normal case)
//   BM_RenderFrame/W/H/rebuilt  the same with both textures rebuilt by GLU every frame
//   BM_RenderFrameColdStart/W/H  a new renderer (context creation included) per frame
// Wall-clock time is what counts: the software rasteriser draws on its own threads.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "image/Picture.h"
#include "render/OffscreenRenderer.h"

namespace {

CPicture MakeBenchPicture(int w, int h, int seed) {
  CPicture pic(PICTURE_BMP);
  pic.Create(w, h, 24, PICTURE_BMP);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = pic.GetBits(0) + static_cast<size_t>(y) * pic.GetEffWidth();
    for (int x = 0; x < w; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(x * 3 + seed * 40);
      row[x * 3 + 1] = static_cast<uint8_t>(y * 5 + x);
      row[x * 3 + 2] = static_cast<uint8_t>((x ^ y) + seed);
    }
  }
  return pic;
}

// An 11 x 11 grid of key points: 200 triangles, inner image2 points displaced.
MorphTriangles MakeBenchMesh(int w1, int h1, int w2, int h2) {
  constexpr int kGrid = 10;
  auto vertex = [&](int i, int j) {
    MorphVertex v;
    v.vnum = j * (kGrid + 1) + i;
    v.x1 = w1 * i / static_cast<double>(kGrid);
    v.y1 = h1 * j / static_cast<double>(kGrid);
    const bool inner = i > 0 && j > 0 && i < kGrid && j < kGrid;
    v.x2 = w2 * (i + (inner ? 0.3 * ((i + j) % 3 - 1) : 0)) / kGrid;
    v.y2 = h2 * (j + (inner ? 0.3 * ((i * j) % 3 - 1) : 0)) / kGrid;
    return v;
  };
  MorphTriangles tris;
  for (int j = 0; j < kGrid; ++j)
    for (int i = 0; i < kGrid; ++i) {
      tris.push_back({vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1)});
      tris.push_back({vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1)});
    }
  return tris;
}

struct BenchScene {
  CPicture image1, image2;
  MorphTriangles tris;
  BenchScene(int w, int h)
      : image1(MakeBenchPicture(w, h, 1)), image2(MakeBenchPicture(w, h, 2)),
        tris(MakeBenchMesh(w, h, w, h)) {}
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

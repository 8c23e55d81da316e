// Whole exports through the output run, as the program and kestrelle-cli run them: two
// 800 x 600 photographs, 200 triangles, N = 30 (31 frames; 62 for the movies, which play
// there and back). The first run of each (context creation, texture build) is included in
// every iteration, as it is in a real export. Wall-clock time: the renderer and the GIF
// frame worker run on threads of their own.
//   BM_ExportGif/W/H/N            animated GIF (octree palette + diffusion per frame)
//   BM_ExportAvi/W/H/N/codec      AVI, 0 uncompressed frames, 1 Motion JPEG
//   BM_ExportMp4/W/H/N            MP4 (H.264), 60 frames at 640 x 480: N = 29, both passes
//   BM_ExportWebP/W/H/N           animated WebP (libwebp), frames once, as the GIF
//   BM_ExportApng/W/H/N           APNG, frames once, as the GIF
//   BM_ChainMp4/W/H/N/S           a chain of S + 1 pictures (S segments of N) to one MP4,
//                                 pictures read and fitted inside the timing
//   BM_ChainSegmentsMp4/W/H/N/S   the same S segments as S separate MP4 exports (frames once)
#include <benchmark/benchmark.h>

#include "BenchInputs.h"
#include "base/TempFolder.h"
#include "output/MorphChain.h"
#include "output/OutputRun.h"
#include "output/OutputSettings.h"

namespace {

struct ExportScene {
  CPicture image1, image2;
  MorphTriangles tris;
  ExportScene(int w, int h)
      : image1(bench::MakePhotoPicture(w, h, 0)), image2(bench::MakePhotoPicture(w, h, 1)),
        tris(bench::MakeGridTriangles(w, h, w, h)) {}
  OutputRunRequest Request(int nFormat, int nFrameCount, const std::string& szPath) const {
    OutputRunRequest r;
    r.pImage1 = &image1;
    r.pImage2 = &image2;
    r.pTriangles = &tris;
    r.nFrameCount = nFrameCount;
    r.nOutputWidth = image1.GetWidth();
    r.nOutputHeight = image1.GetHeight();
    r.nFormat = nFormat;
    r.szOutputPath = szPath;
    return r;
  }
};

void RunExport(benchmark::State& state, int nFormat, const char* szName, const std::string& szCodec,
               MovieContainer container = MovieContainer::Avi) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int n = static_cast<int>(state.range(2));
  SetMovieLibraryLogging(false);  // the encoders' statistics would bury the table
  const ExportScene scene(w, h);
  CTempFolder dir("kestrelle-bench");
  OutputRunCallbacks callbacks;
  if (!szCodec.empty()) callbacks.chooseCodec = MovieCodecChooserByName(szCodec);
  int nWritten = 0;
  for (auto _ : state) {
    COutputRun run;  // a fresh run: context and textures made again, as in every export
    OutputRunRequest request = scene.Request(nFormat, n, dir.File(szName));
    request.movieContainer = container;
    const OutputRunResult result = run.Run(request, callbacks);
    if (!result.ok()) {
      state.SkipWithError(result.outcome.FullText().c_str());
      break;
    }
    nWritten = result.nFramesWritten;
  }
  state.SetItemsProcessed(state.iterations() * nWritten);
  state.SetLabel(std::to_string(nWritten) + " frames");
}

void BM_ExportGif(benchmark::State& state) { RunExport(state, AnimatedGif, "morph.gif", ""); }

void BM_ExportAvi(benchmark::State& state) {
  RunExport(state, AviMovie, "morph.avi", state.range(3) ? "mjpeg" : "raw");
}

void BM_ExportMp4(benchmark::State& state) { RunExport(state, AviMovie, "morph.mp4", "", MovieContainer::Mp4); }

void BM_ExportWebP(benchmark::State& state) { RunExport(state, AnimatedGif, "morph.webp", "", MovieContainer::WebP); }
void BM_ExportApng(benchmark::State& state) { RunExport(state, AnimatedGif, "morph.apng", "", MovieContainer::Apng); }

// S + 1 photographs saved as pictures for a chain; its segments get no pairs beyond the
// frame points (the automatic key points are measured by their own benchmark).
struct ChainScene {
  CTempFolder dir{"kestrelle-bench"};
  std::vector<std::string> pictures;
  ChainScene(int w, int h, int nSegments) {
    for (int i = 0; i <= nSegments; ++i) {
      pictures.push_back(dir.File("p" + std::to_string(i) + ".bmp"));
      bench::MakePhotoPicture(w, h, i % 2).Save(pictures.back(), PICTURE_BMP);
    }
  }
};

bool RunChain(benchmark::State& state, const std::vector<std::string>& items, int n, const std::string& szOut,
              int& nWritten) {
  CMorphChain chain;
  MorphChainOptions options;
  options.nFrames = n;
  if (!chain.Prepare(items, options, [](MorphProject&) { return Result::Success(); })) {
    state.SkipWithError(chain.GetLastResult().FullText().c_str());
    return false;
  }
  COutputRun run;
  const OutputRunResult result = run.Run(chain.MakeRequest(AviMovie, szOut), {});
  if (!result.ok()) {
    state.SkipWithError(result.outcome.FullText().c_str());
    return false;
  }
  nWritten += result.nFramesWritten;
  return true;
}

void BM_ChainMp4(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int n = static_cast<int>(state.range(2)), nSegments = static_cast<int>(state.range(3));
  SetMovieLibraryLogging(false);
  const ChainScene scene(w, h, nSegments);
  int nWritten = 0;
  for (auto _ : state) {
    nWritten = 0;
    if (!RunChain(state, scene.pictures, n, scene.dir.File("chain.mp4"), nWritten)) break;
  }
  state.SetLabel(std::to_string(nWritten) + " frames");
}

void BM_ChainSegmentsMp4(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int n = static_cast<int>(state.range(2)), nSegments = static_cast<int>(state.range(3));
  SetMovieLibraryLogging(false);
  const ChainScene scene(w, h, nSegments);
  int nWritten = 0;
  for (auto _ : state) {
    nWritten = 0;
    for (int s = 0; s < nSegments; ++s) {
      const std::vector<std::string> pair = {scene.pictures[static_cast<size_t>(s)],
                                             scene.pictures[static_cast<size_t>(s) + 1]};
      if (!RunChain(state, pair, n, scene.dir.File("segment" + std::to_string(s) + ".mp4"), nWritten)) return;
    }
  }
  state.SetLabel(std::to_string(nWritten) + " frames");
}

}  // namespace

BENCHMARK(BM_ExportGif)
    ->ArgNames({"W", "H", "N"})
    ->Args({800, 600, 30})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ExportAvi)
    ->ArgNames({"W", "H", "N", "mjpeg"})
    ->Args({800, 600, 30, 0})
    ->Args({800, 600, 30, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ExportMp4)
    ->ArgNames({"W", "H", "N"})
    ->Args({640, 480, 29})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ExportWebP)
    ->ArgNames({"W", "H", "N"})
    ->Args({800, 600, 30})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ExportApng)
    ->ArgNames({"W", "H", "N"})
    ->Args({800, 600, 30})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ChainMp4)
    ->ArgNames({"W", "H", "N", "S"})
    ->Args({640, 480, 30, 3})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_ChainSegmentsMp4)
    ->ArgNames({"W", "H", "N", "S"})
    ->Args({640, 480, 30, 3})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

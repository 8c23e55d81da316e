// Colour reduction and GIF coding of one export frame (photographs blended, as a morph
// frame looks):
//   BM_OctreePalette/W/H        building the 256-colour octree palette of a 24-bit frame
//   BM_DecreaseBpp/W/H          8 bits, error diffusion, against that palette (the copy of
//                               the 24-bit frame it works on is made outside the timing)
//   BM_ReduceGifFrame/W/H       both, as the GIF writer runs them
//   BM_GifLzw/W/H               the LZW coder on the reduced frame's indices (bytes/s =
//                               8-bit pixels per second)
//   BM_GifFrameEncode/W/H       one reduced frame appended to a streamed GIF (LZW, blocks,
//                               file writes)
#include <benchmark/benchmark.h>

#include "BenchInputs.h"
#include "base/TempFolder.h"
#include "image/GifLzw.h"
#include "output/FrameWriters.h"
#include "output/GifStreamWriter.h"
#include "output/OctreePalette.h"

namespace {

void BM_OctreePalette(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const CPicture frame = bench::MakeMorphFramePicture(w, h);
  unsigned nColours = 0;
  for (auto _ : state) {
    OctreePalette octree(256, 7);
    RgbQuad aPalette[256] = {};
    octree.AddImage(frame);
    nColours = octree.WritePalette(aPalette, 256);
    benchmark::DoNotOptimize(aPalette);
  }
  state.SetItemsProcessed(state.iterations() * w * h);
  state.SetLabel(std::to_string(nColours) + " colours");
}

void BM_DecreaseBpp(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const CPicture frame = bench::MakeMorphFramePicture(w, h);
  OctreePalette octree(256, 7);
  RgbQuad aPalette[256] = {};
  octree.AddImage(frame);
  octree.WritePalette(aPalette, 256);
  CPicture work;
  for (auto _ : state) {
    state.PauseTiming();
    work = frame;
    state.ResumeTiming();
    if (!work.DecreaseBpp(8, true, aPalette, 256)) {
      state.SkipWithError(work.GetLastError().c_str());
      break;
    }
    benchmark::DoNotOptimize(work.GetBits());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_ReduceGifFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const CPicture frame = bench::MakeMorphFramePicture(w, h);
  CPicture work;
  for (auto _ : state) {
    state.PauseTiming();
    work = frame;
    state.ResumeTiming();
    const Result reduced = ReduceGifFrame(work);
    if (!reduced) {
      state.SkipWithError(reduced.FullText().c_str());
      break;
    }
    benchmark::DoNotOptimize(work.GetBits());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_GifLzw(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const std::vector<uint8_t> indices = bench::MakeReducedFrameIndices(w, h);
  if (indices.empty()) {
    state.SkipWithError("the frame could not be reduced");
    return;
  }
  size_t nPacked = 0;
  for (auto _ : state) {
    CGifLzwEncoder encoder(8);
    // Row by row, as the GIF encoder feeds it.
    for (int y = 0; y < h; ++y) encoder.Add(indices.data() + static_cast<size_t>(y) * w, static_cast<size_t>(w));
    nPacked = encoder.Finish().size();
    benchmark::DoNotOptimize(nPacked);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(indices.size()));
  state.SetLabel(std::to_string(nPacked * 100 / indices.size()) + "% of the pixels' size");
}

void BM_GifFrameEncode(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  CPicture frame = bench::MakeMorphFramePicture(w, h);
  if (!ReduceGifFrame(frame)) {
    state.SkipWithError("the frame could not be reduced");
    return;
  }
  CTempFolder dir("kestrelle-bench");
  CGifStreamWriter stream;
  if (!stream.Open(dir.File("frames.gif"))) {
    state.SkipWithError(stream.GetLastResult().FullText().c_str());
    return;
  }
  stream.AddFrame(frame);  // the first frame carries the header
  for (auto _ : state) {
    if (!stream.AddFrame(frame)) {
      state.SkipWithError(stream.GetLastResult().FullText().c_str());
      break;
    }
  }
  stream.Abandon();
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(w) * h);
}

}  // namespace

BENCHMARK(BM_OctreePalette)->ArgNames({"W", "H"})->Args({1024, 768})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecreaseBpp)->ArgNames({"W", "H"})->Args({800, 600})->Args({1024, 768})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceGifFrame)->ArgNames({"W", "H"})->Args({1024, 768})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifLzw)->ArgNames({"W", "H"})->Args({1024, 768})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrameEncode)->ArgNames({"W", "H"})->Args({1024, 768})->Unit(benchmark::kMillisecond);

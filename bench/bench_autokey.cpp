// Automatic key points for two 800 x 600 portraits (the drawn sample faces on a wider
// canvas) and for two 800 x 600 photographs matched by local features:
//   BM_AutoKeyFacesFirstCall  models loaded afresh each time (the model file in the page
//                             cache), as the first command of a session;
//                             counter peak_added_MB: the most memory the call added
//   BM_AutoKeyFacesLoaded     the same once the models are loaded
//   BM_AutoKeyFeatures        local features only (no faces asked for)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "BenchInputs.h"
#include "autokey/ProposalEngine.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

// A sample portrait (480 x 600) in the middle of an 800 x 600 picture.
autokey::PictureSnapshot Portrait(const char* name) {
  const std::string path = std::string(KESTRELLE_SOURCE_DIR) + "/resources/samples/" + name;
  CPicture face;
  autokey::PictureSnapshot out;
  if (!face.Load(path, ImageTypeFromExtension(path))) return out;
  std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4, 160);
  DrawTarget target;
  target.pPixels = pixels.data();
  target.nWidth = kWidth;
  target.nHeight = kHeight;
  target.nStride = kWidth * 4;
  face.Draw(target, (kWidth - face.GetWidth()) / 2, 0, face.GetWidth(), face.GetHeight(), nullptr, true);
  out.width = kWidth;
  out.height = kHeight;
  out.bgr.resize(size_t(kWidth) * kHeight * 3);
  for (size_t i = 0; i < size_t(kWidth) * kHeight; ++i)
    for (int k = 0; k < 3; ++k) out.bgr[i * 3 + k] = pixels[i * 4 + k];
  return out;
}

std::vector<autokey::KeyPair> FramePairs() {
  return {{0, 0, 0, 0}, {0, kHeight, 0, kHeight}, {kWidth, 0, kWidth, 0}, {kWidth, kHeight, kWidth, kHeight},
          {kWidth / 2, kHeight / 2, kWidth / 2, kHeight / 2}};
}

// kB from /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string word;
  while (in >> word)
    if (word == key + ":") {
      long kb = 0;
      in >> kb;
      return kb;
    }
  return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void Run(benchmark::State& state, const autokey::PictureSnapshot& a, const autokey::PictureSnapshot& b,
         autokey::ProposalSource source, bool cold) {
  if (a.IsEmpty() || b.IsEmpty()) {
    state.SkipWithError("sample pictures not found");
    return;
  }
  autokey::ProposalOptions options;
  options.source = source;
  if (!cold) autokey::ProposeKeyPairs(a, b, FramePairs(), options);  // load once
  long peakAdded = 0;
  int kept = 0;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      autokey::ReleaseModels();
      ResetPeak();
      const long before = StatusKb("VmRSS");
      state.ResumeTiming();
      kept = autokey::ProposeKeyPairs(a, b, FramePairs(), options).kept;
      state.PauseTiming();
      peakAdded = std::max(peakAdded, StatusKb("VmHWM") - before);
      state.ResumeTiming();
    } else {
      kept = autokey::ProposeKeyPairs(a, b, FramePairs(), options).kept;
    }
  }
  if (kept == 0) state.SkipWithError("no pairs proposed");
  state.counters["kept"] = kept;
  if (cold) state.counters["peak_added_MB"] = double(peakAdded) / 1024.0;
}

void BM_AutoKeyFacesFirstCall(benchmark::State& state) {
  static const autokey::PictureSnapshot a = Portrait("girl.png"), b = Portrait("boy.png");
  Run(state, a, b, autokey::ProposalSource::Faces, true);
}
BENCHMARK(BM_AutoKeyFacesFirstCall)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_AutoKeyFacesLoaded(benchmark::State& state) {
  static const autokey::PictureSnapshot a = Portrait("girl.png"), b = Portrait("boy.png");
  Run(state, a, b, autokey::ProposalSource::Faces, false);
}
BENCHMARK(BM_AutoKeyFacesLoaded)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutoKeyFeatures(benchmark::State& state) {
  static const CPicture p1 = bench::MakePhotoPicture(kWidth, kHeight, 0);
  autokey::PictureSnapshot a = autokey::SnapshotPicture(p1);
  // The same photograph moved by 24 x 16 pixels.
  autokey::PictureSnapshot b = a;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (int k = 0; k < 3; ++k) {
        const int sx = std::max(0, x - 24), sy = std::max(0, y - 16);
        b.bgr[(size_t(y) * kWidth + x) * 3 + k] = a.bgr[(size_t(sy) * kWidth + sx) * 3 + k];
      }
  Run(state, a, b, autokey::ProposalSource::Features, false);
}
BENCHMARK(BM_AutoKeyFeatures)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

#include "BenchInputs.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <utility>

#include "output/FrameWriters.h"

namespace bench {

namespace {

const char* const kPhotos[] = {"leopard.png", "tiger.png", "chelsea.jpg", "astronaut.jpg"};

// Value noise over a few octaves on a colour gradient: many distinct colours, smooth and
// detailed regions, like a photograph.
CPicture MakeTexturePicture(int w, int h, int seed) {
  CPicture pic(PICTURE_BMP);
  pic.Create(w, h, 24, PICTURE_BMP);
  std::mt19937 random(static_cast<uint32_t>(seed) * 7919u + 1u);
  std::uniform_int_distribution<int> noise(-24, 24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = pic.GetBits(y);
    for (int x = 0; x < w; ++x) {
      const int n = noise(random);
      const int wave = ((x / 16 + y / 12 + seed) % 5) * 12;
      auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[x * 3 + 0] = clamp(x * 200 / w + wave + n);
      row[x * 3 + 1] = clamp(y * 220 / h + n / 2 + seed * 10);
      row[x * 3 + 2] = clamp(255 - (x + y) * 180 / (w + h) + wave - n);
    }
  }
  return pic;
}

}  // namespace

CPicture MakePhotoPicture(int w, int h, int seed) {
  const std::string szPath = std::string(KESTRELLE_SOURCE_DIR) + "/resources/samples/" +
                             kPhotos[static_cast<unsigned>(seed) % (sizeof(kPhotos) / sizeof(kPhotos[0]))];
  CPicture photo;
  if (!photo.Load(szPath, ImageTypeFromExtension(szPath))) return MakeTexturePicture(w, h, seed);

  std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
  DrawTarget target;
  target.pPixels = pixels.data();
  target.nWidth = w;
  target.nHeight = h;
  target.nStride = w * 4;
  photo.Draw(target, 0, 0, w, h, nullptr, true);

  CPicture pic(PICTURE_BMP);
  pic.Create(w, h, 24, PICTURE_BMP);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = pixels.data() + static_cast<size_t>(h - 1 - y) * target.nStride;  // top-down
    uint8_t* dst = pic.GetBits(y);
    for (int x = 0; x < w; ++x) {
      dst[x * 3 + 0] = src[x * 4 + 0];
      dst[x * 3 + 1] = src[x * 4 + 1];
      dst[x * 3 + 2] = src[x * 4 + 2];
    }
  }
  return pic;
}

CPicture MakeMorphFramePicture(int w, int h) {
  CPicture a = MakePhotoPicture(w, h, 0);
  const CPicture b = MakePhotoPicture(w, h, 1);
  for (int y = 0; y < h; ++y) {
    uint8_t* pa = a.GetBits(y);
    const uint8_t* pb = b.GetBits(y);
    for (int i = 0; i < w * 3; ++i) pa[i] = static_cast<uint8_t>((pa[i] + pb[i] + 1) / 2);
  }
  return a;
}

std::vector<uint8_t> MakeReducedFrameIndices(int w, int h) {
  CPicture frame = MakeMorphFramePicture(w, h);
  std::vector<uint8_t> indices;
  if (!ReduceGifFrame(frame)) return indices;
  indices.reserve(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = h - 1; y >= 0; --y) {  // top row first, as the GIF encoder feeds them
    const uint8_t* row = frame.GetBits(y);
    indices.insert(indices.end(), row, row + w);
  }
  return indices;
}

MorphTriangles MakeGridTriangles(int w1, int h1, int w2, int h2) {
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

std::vector<BenchPair> MakePairs(int nPairs, int w, int h, uint32_t nSeed) {
  std::mt19937 random(nSeed);
  // Inside a margin, away from the frame points, no repeated image1 position.
  std::uniform_int_distribution<int> px(w / 20, w - w / 20), py(h / 20, h - h / 20);
  std::uniform_int_distribution<int> dx(-w / 10, w / 10), dy(-h / 10, h / 10);
  std::set<std::pair<int, int>> used = {{w / 2, h / 2}};
  std::vector<BenchPair> pairs;
  while (static_cast<int>(pairs.size()) < nPairs) {
    BenchPair p;
    p.x1 = px(random);
    p.y1 = py(random);
    if (!used.insert({p.x1, p.y1}).second) continue;
    p.x2 = std::min(w, std::max(0, p.x1 + dx(random)));
    p.y2 = std::min(h, std::max(0, p.y1 + dy(random)));
    pairs.push_back(p);
  }
  return pairs;
}

}  // namespace bench

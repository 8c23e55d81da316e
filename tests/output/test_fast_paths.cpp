// A GIF export through the output run (every speed-up on: the octree's leaf shortcut, exact
// nearest-entry search, row-wise diffusion, frames reduced on a second thread) writes
// exactly the bytes of the straightforward path: the same frames rendered one by one, each
// reduced pixel by pixel with GetNearestIndex and encoded all at once by the container's
// multi-image encoder. The octree palette is held to a plain octree written here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "output/OctreePalette.h"
#include "output/OutputRun.h"
#include "render/OffscreenRenderer.h"
#include "support/OutputRequests.h"
#include "support/ReferenceDecrease.h"
#include "support/TestSupport.h"

namespace {

// The reduction as first written: nearest entry by GetNearestIndex, errors spread 7/16,
// 2/16, 4/16, 1/16 (truncated, clamped at each step) over a true-colour copy.
void ReduceStraightforward(CPicture& picture) {
  OctreePalette octree(256, 7);
  RgbQuad aPalette[256] = {};
  if (octree.AddImage(picture)) octree.WritePalette(aPalette, 256);
  CPicture out = ReferenceDecrease(picture, 8, true, aPalette, 256);
  out.SetFrameDelay(kGifFrameDelay);
  picture = std::move(out);
}

// Photograph-like pictures: a pattern with noise, so frames hold thousands of colours.
CPicture NoisyPicture(int w, int h, int seed) {
  CPicture pic = MakePatternPicture(w, h, seed);
  uint32_t state = static_cast<uint32_t>(seed) * 2654435761u + 1u;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = pic.GetBits(y);
    for (int i = 0; i < w * 3; ++i) {
      state = state * 1664525u + 1013904223u;
      const int v = row[i] + static_cast<int>(state >> 27) - 16;
      row[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
  }
  return pic;
}

MorphTriangles TwoTriangles(int w, int h) {
  auto v = [&](int vnum, double x, double y, double dx, double dy) {
    MorphVertex m;
    m.vnum = vnum;
    m.x1 = x;
    m.y1 = y;
    m.x2 = x + dx;
    m.y2 = y + dy;
    return m;
  };
  const MorphVertex a = v(0, 0, 0, 0, 0), b = v(1, w, 0, 0, 0), c = v(2, w, h, 0, 0), d = v(3, 0, h, 0, 0),
                    e = v(4, w / 2.0, h / 2.0, w / 7.0, -h / 9.0);
  return {{a, b, e}, {b, c, e}, {c, d, e}, {d, a, e}};
}

// The octree as first written: every colour walks down from the root, creating nodes;
// after each colour, while there are too many leaves, the newest node of the deepest level
// that has reducible nodes becomes a leaf holding its children's sums. Leaves in
// depth-first order are the palette.
class PlainOctree {
 public:
  PlainOctree(unsigned nMax, unsigned nBits) : m_nMax(nMax < 16 ? 16 : nMax), m_nBits(nBits > 7 ? 8 : nBits) {}
  void Add(uint8_t r, uint8_t g, uint8_t b) {
    // The slot is found again after every new node: the node vector may move.
    int nParent = -1, nChild = 0;
    auto slot = [&]() -> int& {
      return nParent < 0 ? m_nRoot : m_nodes[static_cast<size_t>(nParent)].child[nChild];
    };
    for (unsigned nLevel = 0;; ++nLevel) {
      if (slot() < 0) {
        const int nNew = static_cast<int>(m_nodes.size());
        m_nodes.push_back(Node{});
        slot() = nNew;
        if (nLevel == m_nBits) {
          m_nodes.back().bLeaf = true;
          ++m_nLeaves;
        } else {
          m_reducible[nLevel].push_back(nNew);
        }
      }
      const int nNode = slot();
      Node& node = m_nodes[static_cast<size_t>(nNode)];
      if (node.bLeaf) {
        ++node.n;
        node.r += r;
        node.g += g;
        node.b += b;
        break;
      }
      const unsigned s = 7 - nLevel;
      nParent = nNode;
      nChild = static_cast<int>(((r >> s) & 1) << 2 | ((g >> s) & 1) << 1 | ((b >> s) & 1));
    }
    while (m_nLeaves > m_nMax && Reduce()) {
    }
  }
  std::vector<RgbQuad> Palette() const {
    std::vector<RgbQuad> out;
    if (m_nRoot >= 0) Walk(m_nRoot, out);
    return out;
  }

 private:
  struct Node {
    bool bLeaf = false;
    uint64_t n = 0, r = 0, g = 0, b = 0;
    int child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  };
  bool Reduce() {
    int nLevel = m_nBits > 0 ? static_cast<int>(m_nBits) - 1 : 0;
    while (nLevel > 0 && m_reducible[nLevel].empty()) --nLevel;
    if (m_reducible[nLevel].empty()) return false;
    Node& node = m_nodes[static_cast<size_t>(m_reducible[nLevel].back())];
    m_reducible[nLevel].pop_back();
    unsigned nChildren = 0;
    for (int& c : node.child) {
      if (c < 0) continue;
      const Node& child = m_nodes[static_cast<size_t>(c)];
      node.n += child.n;
      node.r += child.r;
      node.g += child.g;
      node.b += child.b;
      c = -1;
      ++nChildren;
    }
    node.bLeaf = true;
    m_nLeaves = m_nLeaves + 1 - nChildren;
    return true;
  }
  void Walk(int i, std::vector<RgbQuad>& out) const {
    const Node& node = m_nodes[static_cast<size_t>(i)];
    if (node.bLeaf) {
      const uint64_t n = node.n ? node.n : 1;
      RgbQuad q;
      q.rgbRed = static_cast<uint8_t>(node.r / n);
      q.rgbGreen = static_cast<uint8_t>(node.g / n);
      q.rgbBlue = static_cast<uint8_t>(node.b / n);
      out.push_back(q);
      return;
    }
    for (int c : node.child)
      if (c >= 0) Walk(c, out);
  }
  unsigned m_nMax, m_nBits, m_nLeaves = 0;
  int m_nRoot = -1;
  std::vector<Node> m_nodes;
  std::vector<int> m_reducible[9];
};

TEST(OctreeFastPath, SamePaletteAsThePlainOctree) {
  struct Case {
    CPicture picture;
    unsigned nMax, nBits;
  };
  std::vector<Case> cases;
  cases.push_back({NoisyPicture(160, 120, 3), 256, 7});
  cases.push_back({NoisyPicture(97, 61, 4), 256, 8});
  cases.push_back({NoisyPicture(97, 61, 5), 16, 4});
  cases.push_back({MakePatternPicture(200, 50, 6), 256, 7});  // smooth: long runs of one leaf
  cases.push_back({MakeSolidPicture(33, 9, 10, 20, 30), 256, 7});
  for (size_t i = 0; i < cases.size(); ++i) {
    const CPicture& pic = cases[i].picture;
    OctreePalette octree(cases[i].nMax, cases[i].nBits);
    ASSERT_TRUE(octree.AddImage(pic));
    std::vector<RgbQuad> fast(256);
    fast.resize(octree.WritePalette(fast.data(), 256));
    PlainOctree plain(cases[i].nMax, cases[i].nBits);
    for (int y = 0; y < pic.GetHeight(); ++y)
      for (int x = 0; x < pic.GetWidth(); ++x) {
        const uint8_t* p = pic.GetBits(y) + x * 3;
        plain.Add(p[2], p[1], p[0]);
      }
    const std::vector<RgbQuad> slow = plain.Palette();
    ASSERT_EQ(fast.size(), std::min<size_t>(slow.size(), 256)) << "case " << i;
    for (size_t k = 0; k < fast.size(); ++k) {
      EXPECT_EQ(fast[k].rgbRed, slow[k].rgbRed) << "case " << i << " entry " << k;
      EXPECT_EQ(fast[k].rgbGreen, slow[k].rgbGreen) << "case " << i << " entry " << k;
      EXPECT_EQ(fast[k].rgbBlue, slow[k].rgbBlue) << "case " << i << " entry " << k;
    }
  }
}

TEST(GifExportFastPath, OutputRunWritesTheStraightforwardBytes) {
  const int w = 97, h = 61, n = 4;
  const CPicture image1 = NoisyPicture(w, h, 1), image2 = NoisyPicture(w, h, 2);
  const MorphTriangles tris = TwoTriangles(w, h);
  TempDir dir;

  const OutputRunRequest request = MakeRunRequest(image1, image2, tris, AnimatedGif, dir.File("fast.gif"), n, w, h);
  COutputRun run;
  const OutputRunResult result = run.Run(request, OutputRunCallbacks{});
  if (!result.ok() && result.outcome.FullText().find("EGL") != std::string::npos) GTEST_SKIP() << result.outcome.FullText();
  ASSERT_TRUE(result.ok()) << result.outcome.FullText();

  // The straightforward path: frames 0..N, each rendered, read back, reduced, then one
  // all-frames encoding.
  COffscreenRenderer renderer;
  std::vector<CPicture> frames;
  for (int k = 0; k <= n; ++k) {
    MorphFrameRequest frame = request;
    frame.nCurFrame = k;
    FrameBitmap bitmap;
    ASSERT_TRUE(renderer.RenderFrame(frame, bitmap)) << renderer.GetLastError();
    CPicture picture;
    ASSERT_TRUE(GrabFrameImage(bitmap, picture));
    ReduceStraightforward(picture);
    frames.push_back(std::move(picture));
  }
  std::vector<CPicture*> pointers;
  for (CPicture& frame : frames) pointers.push_back(&frame);
  char* pBuffer = nullptr;
  size_t nSize = 0;
  FILE* fp = open_memstream(&pBuffer, &nSize);
  ASSERT_NE(fp, nullptr);
  CPictureGIF gif;
  gif.SetLoops(kGifLoopSetting);
  const bool bEncoded = gif.Encode(fp, pointers.data(), static_cast<int>(pointers.size()), true);
  std::fclose(fp);
  const std::vector<uint8_t> expected(pBuffer, pBuffer + nSize);
  std::free(pBuffer);
  ASSERT_TRUE(bEncoded) << gif.GetLastError();

  const std::vector<uint8_t> actual = ReadFileBytes(dir.File("fast.gif"));
  ASSERT_EQ(actual.size(), expected.size());
  EXPECT_TRUE(actual == expected) << "the exported GIF differs from the straightforward one";
}

}  // namespace

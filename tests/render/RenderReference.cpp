#include "RenderReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// One picture as a texture: texel (i, j), j counted from the bottom stored row.
struct RefTexture {
  const CPicture* pPicture = nullptr;
  int w = 0, h = 0;

  void Sample(double s, double t, double out[3]) const {
    const double u = s * w - 0.5;
    const double v = t * h - 0.5;
    const double fi = std::floor(u), fj = std::floor(v);
    const double a = u - fi, b = v - fj;
    const int i0 = Wrap(static_cast<int>(fi), w), i1 = Wrap(static_cast<int>(fi) + 1, w);
    const int j0 = Wrap(static_cast<int>(fj), h), j1 = Wrap(static_cast<int>(fj) + 1, h);
    const RgbQuad c00 = pPicture->GetPixelColor(i0, j0), c10 = pPicture->GetPixelColor(i1, j0);
    const RgbQuad c01 = pPicture->GetPixelColor(i0, j1), c11 = pPicture->GetPixelColor(i1, j1);
    auto mix = [&](uint8_t q00, uint8_t q10, uint8_t q01, uint8_t q11) {
      return (1 - a) * (1 - b) * q00 + a * (1 - b) * q10 + (1 - a) * b * q01 + a * b * q11;
    };
    out[0] = mix(c00.rgbBlue, c10.rgbBlue, c01.rgbBlue, c11.rgbBlue);
    out[1] = mix(c00.rgbGreen, c10.rgbGreen, c01.rgbGreen, c11.rgbGreen);
    out[2] = mix(c00.rgbRed, c10.rgbRed, c01.rgbRed, c11.rgbRed);
  }
  static int Wrap(int i, int n) { return ((i % n) + n) % n; }
};

// One pass of one triangle in view coordinates with its texture coordinates.
struct RefTriangle {
  double x[3], y[3];
  double s[3], t[3];

  // Barycentric weights of (px, py); false when outside.
  bool Weights(double px, double py, double l[3]) const {
    const double d = (y[1] - y[2]) * (x[0] - x[2]) + (x[2] - x[1]) * (y[0] - y[2]);
    if (std::fabs(d) < 1e-12) return false;
    l[0] = ((y[1] - y[2]) * (px - x[2]) + (x[2] - x[1]) * (py - y[2])) / d;
    l[1] = ((y[2] - y[0]) * (px - x[2]) + (x[0] - x[2]) * (py - y[2])) / d;
    l[2] = 1.0 - l[0] - l[1];
    return l[0] >= 0 && l[1] >= 0 && l[2] >= 0;
  }
  double EdgeDistance(double px, double py) const {
    double best = 1e30;
    for (int e = 0; e < 3; ++e) {
      const int a = e, b = (e + 1) % 3;
      const double ex = x[b] - x[a], ey = y[b] - y[a];
      const double len2 = ex * ex + ey * ey;
      double u = len2 > 0 ? ((px - x[a]) * ex + (py - y[a]) * ey) / len2 : 0;
      u = std::clamp(u, 0.0, 1.0);
      best = std::min(best, std::hypot(px - (x[a] + u * ex), py - (y[a] + u * ey)));
    }
    return best;
  }
};

}  // namespace

RefImage ComputeReference(const RefScene& sc, double dEdgeMargin) {
  RefImage ref;
  const int cx = sc.nViewWidth ? sc.nViewWidth : sc.nOutputWidth;
  const int cy = sc.nViewHeight ? sc.nViewHeight : sc.nOutputHeight;
  ref.nWidth = cx;
  ref.nHeight = cy;
  ref.bgr.assign(static_cast<size_t>(cx) * cy * 3, 0.0);
  ref.reliable.assign(static_cast<size_t>(cx) * cy, 1);

  RefTexture tex1{sc.pImage1, sc.pImage1->GetWidth(), sc.pImage1->GetHeight()};
  RefTexture tex2{sc.pImage2, sc.pImage2->GetWidth(), sc.pImage2->GetHeight()};
  EXPECT_TRUE(IsPowerOfTwo(tex1.w) && IsPowerOfTwo(tex1.h) && IsPowerOfTwo(tex2.w) &&
              IsPowerOfTwo(tex2.h))
      << "the reference models power-of-two pictures only";

  // Vertex arithmetic of the frame: products and quotients in double, kept as float.
  const double W = sc.nOutputWidth, H = sc.nOutputHeight;
  const double k = sc.nCurFrame, N = sc.nFrameCount;
  const double w1 = tex1.w, h1 = tex1.h, w2 = tex2.w, h2 = tex2.h;
  const int type = sc.nMorphType;
  const double alpha1 = type == 1 ? static_cast<float>((N - k) / N) : 1.0;
  const double alpha2 = type == 1 ? static_cast<float>(k / N) : 1.0;
  const bool bPass1 = type == 1 || type == 2, bPass2 = type == 1 || type == 3;

  std::vector<RefTriangle> pass1, pass2;
  for (const MorphTriangle& tri : sc.triangles) {
    RefTriangle p{}, q{};
    for (int i = 0; i < 3; ++i) {
      const MorphVertex& v = tri[static_cast<size_t>(i)];
      const float ax = static_cast<float>(W * v.x1 / w1), ay = static_cast<float>(H * v.y1 / h1);
      const float bx = static_cast<float>(W * v.x2 / w2), by = static_cast<float>(H * v.y2 / h2);
      const float px = static_cast<float>(ax + k * (static_cast<double>(bx) - ax) / N);
      const float py = static_cast<float>(ay + k * (static_cast<double>(by) - ay) / N);
      const float qx = static_cast<float>(bx + (N - k) * (static_cast<double>(ax) - bx) / N);
      const float qy = static_cast<float>(by + (N - k) * (static_cast<double>(ay) - by) / N);
      p.x[i] = sc.fZoom * px - sc.nPanX;
      p.y[i] = sc.fZoom * static_cast<float>(H - py) - sc.nPanY;
      q.x[i] = sc.fZoom * qx - sc.nPanX;
      q.y[i] = sc.fZoom * static_cast<float>(H - qy) - sc.nPanY;
      p.s[i] = v.x1 / w1;
      p.t[i] = 1.0 - v.y1 / h1;
      q.s[i] = v.x2 / w2;
      q.t[i] = 1.0 - v.y2 / h2;
    }
    pass1.push_back(p);
    pass2.push_back(q);
  }

  for (int y = 0; y < cy; ++y) {
    for (int x = 0; x < cx; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      double sum[3] = {0, 0, 0};
      bool bReliable = true;
      auto addPass = [&](const std::vector<RefTriangle>& tris, const RefTexture& tex, double alpha) {
        for (const RefTriangle& t : tris) {
          if (t.EdgeDistance(px, py) < dEdgeMargin) bReliable = false;
        }
        for (const RefTriangle& t : tris) {
          double l[3];
          if (!t.Weights(px, py, l)) continue;
          const double s = l[0] * t.s[0] + l[1] * t.s[1] + l[2] * t.s[2];
          const double tt = l[0] * t.t[0] + l[1] * t.t[1] + l[2] * t.t[2];
          double c[3];
          tex.Sample(s, tt, c);
          for (int i = 0; i < 3; ++i) sum[i] += alpha * c[i];
          break;
        }
      };
      if (bPass1) addPass(pass1, tex1, alpha1);
      if (bPass2) addPass(pass2, tex2, alpha2);
      const size_t idx = static_cast<size_t>(y) * cx + x;
      for (int i = 0; i < 3; ++i) ref.bgr[idx * 3 + i] = std::min(255.0, sum[i]);
      ref.reliable[idx] = bReliable ? 1 : 0;
    }
  }
  return ref;
}

std::string CompareResult::Describe() const {
  std::ostringstream os;
  os << nChecked << " pixels checked, largest difference " << nMaxDiff << " at (" << nWorstX
     << ", " << nWorstY << ") counted from the bottom-left";
  return os.str();
}

CompareResult CompareWithReference(const FrameBitmap& bitmap, const RefImage& ref) {
  CompareResult r;
  const int cx = std::min(bitmap.nWidth, ref.nWidth), cy = std::min(bitmap.nHeight, ref.nHeight);
  for (int y = 0; y < cy; ++y) {
    for (int x = 0; x < cx; ++x) {
      if (!ref.Reliable(x, y)) continue;
      ++r.nChecked;
      const uint8_t* p = PixelAt(bitmap, x, y);
      for (int c = 0; c < 3; ++c) {
        const int diff = static_cast<int>(std::lround(std::fabs(p[c] - ref.At(x, y, c))));
        if (diff > r.nMaxDiff) {
          r.nMaxDiff = diff;
          r.nWorstX = x;
          r.nWorstY = y;
        }
      }
    }
  }
  return r;
}

MorphTriangles MakeTriangles(const std::vector<RefPoint>& points,
                             const std::vector<std::array<int, 3>>& faces) {
  MorphTriangles tris;
  for (const auto& f : faces) {
    MorphTriangle t;
    for (size_t i = 0; i < 3; ++i) {
      const RefPoint& p = points[static_cast<size_t>(f[i])];
      t[i].vnum = f[i];
      t[i].x1 = p.x1;
      t[i].y1 = p.y1;
      t[i].x2 = p.x2;
      t[i].y2 = p.y2;
    }
    tris.push_back(t);
  }
  return tris;
}

MorphTriangles MakeFrameMesh(int w1, int h1, int w2, int h2, double dx, double dy) {
  const std::vector<RefPoint> pts = {
      {0, 0, 0, 0},
      {0, static_cast<double>(h1), 0, static_cast<double>(h2)},
      {static_cast<double>(w1), 0, static_cast<double>(w2), 0},
      {static_cast<double>(w1), static_cast<double>(h1), static_cast<double>(w2), static_cast<double>(h2)},
      {w1 / 2.0, h1 / 2.0, w2 / 2.0 + dx, h2 / 2.0 + dy},
  };
  return MakeTriangles(pts, {{0, 2, 4}, {2, 3, 4}, {3, 1, 4}, {1, 0, 4}});
}

MorphTriangles MakeWarpMesh(int w1, int h1, int w2, int h2) {
  std::vector<RefPoint> pts;
  // 3 x 3 outer grid (corners and edge midpoints) at the same relative places.
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i)
      pts.push_back({w1 * i / 2.0, h1 * j / 2.0, w2 * i / 2.0, h2 * j / 2.0});
  // Replace the centre (index 4) by a displaced one.
  pts[4] = {w1 * 0.5, h1 * 0.5, w2 * 0.58, h2 * 0.43};
  const std::vector<std::array<int, 3>> faces = {
      {0, 1, 4}, {1, 2, 4}, {2, 5, 4}, {5, 8, 4}, {8, 7, 4}, {7, 6, 4}, {6, 3, 4}, {3, 0, 4}};
  return MakeTriangles(pts, faces);
}

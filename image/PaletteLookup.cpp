#include "image/PaletteLookup.h"

#include <algorithm>
#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline int Square(int v) { return v * v; }

// Squared distance from v to the nearest and to the farthest of lo..hi on one axis.
inline int NearAxis(int v, int lo, int hi) { return v < lo ? Square(lo - v) : v > hi ? Square(v - hi) : 0; }
inline int FarAxis(int v, int lo, int hi) { return std::max(Square(v - lo), Square(hi - v)); }

}  // namespace

CPaletteLookup::CPaletteLookup(const RgbQuad* pPalette, uint32_t nCount)
    : m_pPalette(pPalette),
      m_nCount(pPalette ? std::min<uint32_t>(nCount, 256) : 0),
      m_fine(kFineCells),
      m_coarse(kCoarseCells),
      m_exact(size_t(1) << kExactBits) {
  m_all.resize(m_nCount);
  for (uint32_t i = 0; i < m_nCount; ++i) m_all[i] = static_cast<uint8_t>(i);
  m_candidates.reserve(1 << 16);
  std::fill(m_exact.begin(), m_exact.end(), uint32_t(Search(0, 0, 0)));
}

void CPaletteLookup::BuildCell(int b0, int g0, int r0, int nSize, const uint8_t* pFrom, uint32_t nFrom,
                               Span& span) {
  const int b1 = b0 + nSize - 1, g1 = g0 + nSize - 1, r1 = r0 + nSize - 1;
  int nLimit = INT_MAX;
  for (uint32_t k = 0; k < nFrom; ++k) {
    const RgbQuad& e = m_pPalette[pFrom[k]];
    const int far = FarAxis(e.rgbBlue, b0, b1) + FarAxis(e.rgbGreen, g0, g1) + FarAxis(e.rgbRed, r0, r1);
    nLimit = std::min(nLimit, far);
  }
  span.nStart = static_cast<uint32_t>(m_candidates.size());
  for (uint32_t k = 0; k < nFrom; ++k) {
    const RgbQuad& e = m_pPalette[pFrom[k]];
    const int near = NearAxis(e.rgbBlue, b0, b1) + NearAxis(e.rgbGreen, g0, g1) + NearAxis(e.rgbRed, r0, r1);
    if (near <= nLimit) m_candidates.push_back(pFrom[k]);
  }
  span.nCount = static_cast<uint16_t>(m_candidates.size() - span.nStart);
  span.bBuilt = true;
}

const CPaletteLookup::Span& CPaletteLookup::Coarse(int b, int g, int r) {
  const int nCell = ((r >> kCoarseShift) << (2 * (8 - kCoarseShift))) | ((g >> kCoarseShift) << (8 - kCoarseShift)) |
                    (b >> kCoarseShift);
  Span& span = m_coarse[static_cast<size_t>(nCell)];
  if (!span.bBuilt) {
    const int nMask = ~((1 << kCoarseShift) - 1);
    BuildCell(b & nMask, g & nMask, r & nMask, 1 << kCoarseShift, m_all.data(), m_nCount, span);
  }
  return span;
}

uint8_t CPaletteLookup::Search(uint8_t b, uint8_t g, uint8_t r) {
  if (m_nCount == 0) return 0;
  const int nCell = ((r >> kFineShift) << (2 * (8 - kFineShift))) | ((g >> kFineShift) << (8 - kFineShift)) |
                    (b >> kFineShift);
  Span& span = m_fine[static_cast<size_t>(nCell)];
  if (!span.bBuilt) {
    const Span& parent = Coarse(b, g, r);
    // The parent's list is copied out: building appends to the same storage.
    uint8_t aParent[256];
    std::copy_n(m_candidates.begin() + parent.nStart, parent.nCount, aParent);
    const int nMask = ~((1 << kFineShift) - 1);
    BuildCell(b & nMask, g & nMask, r & nMask, 1 << kFineShift, aParent, parent.nCount, span);
  }
  // The smallest (distance << 8 | index): the nearest entry, and of equal distances the
  // first, since the candidates are in index order.
  const uint8_t* pCandidates = m_candidates.data() + span.nStart;
  uint32_t nBest = UINT32_MAX;
  for (uint32_t k = 0; k < span.nCount; ++k) {
    const uint8_t i = pCandidates[k];
    const RgbQuad& e = m_pPalette[i];
    const uint32_t d = static_cast<uint32_t>(Square(int(e.rgbBlue) - b) + Square(int(e.rgbGreen) - g) +
                                             Square(int(e.rgbRed) - r));
    nBest = std::min(nBest, (d << 8) | i);
  }
  return static_cast<uint8_t>(nBest);
}

uint8_t NearestPaletteIndexLinear(const RgbQuad* pPalette, uint32_t nCount, uint8_t b, uint8_t g, uint8_t r) {
  if (!pPalette) return 0;
  uint32_t nBestIndex = 0;
  long nBest = LONG_MAX;
  for (uint32_t i = 0; i < nCount; ++i) {
    const long db = long(pPalette[i].rgbBlue) - b, dg = long(pPalette[i].rgbGreen) - g,
               dr = long(pPalette[i].rgbRed) - r;
    const long d = db * db + dg * dg + dr * dr;
    if (d < nBest) {
      nBest = d;
      nBestIndex = i;
    }
  }
  return static_cast<uint8_t>(nBestIndex);
}

namespace {

inline uint8_t AddClamped(uint8_t v, int d) {
  const int s = v + d;
  return static_cast<uint8_t>(s < 0 ? 0 : s > 255 ? 255 : s);
}

inline void Spread(uint8_t* q, int eb, int eg, int er, int share) {
  q[0] = AddClamped(q[0], eb * share / 16);
  q[1] = AddClamped(q[1], eg * share / 16);
  q[2] = AddClamped(q[2], er * share / 16);
}

}  // namespace

void ReduceRowsToPalette(uint8_t* pBits, size_t nStride, int w, int h, const RgbQuad* pPalette, uint32_t nCount,
                         bool bDiffusion, uint8_t* pIndices, size_t nIndexStride) {
  CPaletteLookup lookup(pPalette, nCount);
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i shares = _mm_setr_epi16(2, 2, 2, 4, 4, 4, 1, 1);
  const __m128i fifteen = _mm_set1_epi16(15);
#endif
  for (int y = 0; y < h; ++y) {
    uint8_t* pRow = pBits + size_t(y) * nStride;
    uint8_t* pBelow = y + 1 < h ? pRow + nStride : nullptr;
    uint8_t* pOut = pIndices + size_t(y) * nIndexStride;
    for (int x = 0; x < w; ++x) {
      uint8_t* p = pRow + size_t(x) * 3;
      const uint8_t idx = lookup.Nearest(p[0], p[1], p[2]);
      pOut[x] = idx;
      if (!bDiffusion) continue;
      const RgbQuad c = pPalette ? pPalette[idx] : RgbQuad();
      const int eb = int(p[0]) - c.rgbBlue, eg = int(p[1]) - c.rgbGreen, er = int(p[2]) - c.rgbRed;
      if (x + 1 < w) Spread(p + 3, eb, eg, er, 7);
      if (!pBelow) continue;
#if defined(__SSE2__)
      if (x >= 1 && x + 6 <= w) {
        // The nine bytes below-left, below and below-right in one go: 16 bytes loaded from
        // below-left, the three shares added as 16-bit numbers (the seven bytes past them
        // get 0), and packed back with unsigned saturation, which is the clamp to 0..255.
        uint8_t* q = pBelow + size_t(x - 1) * 3;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i m = _mm_mullo_epi16(_mm_setr_epi16(short(eb), short(eg), short(er), short(eb), short(eg),
                                                         short(er), short(eb), short(eg)),
                                          shares);
        // Division by 16 truncated toward zero: negative values are raised by 15 first.
        const __m128i d = _mm_srai_epi16(_mm_add_epi16(m, _mm_and_si128(_mm_srai_epi16(m, 15), fifteen)), 4);
        const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(v, zero), d);
        const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(v, zero), _mm_cvtsi32_si128((er / 16) & 0xFFFF));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_packus_epi16(lo, hi));
        continue;
      }
#endif
      if (x > 0) Spread(pBelow + size_t(x - 1) * 3, eb, eg, er, 2);
      Spread(pBelow + size_t(x) * 3, eb, eg, er, 4);
      if (x + 1 < w) Spread(pBelow + size_t(x + 1) * 3, eb, eg, er, 1);
    }
  }
}

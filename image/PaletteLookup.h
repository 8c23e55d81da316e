// Nearest palette entry of 24-bit colours, fast and exact: the same index as a scan of the
// entries in order that keeps the first one at the smallest squared blue-green-red
// distance (CPicture::GetNearestIndex's rule), found among a few candidates.
//
// The colour cube is cut into cells of 8 x 8 x 8 colours. A cell's candidates are the
// entries whose distance to the nearest point of the cell is at most m, m being the
// smallest, over all entries, of the distance to the farthest point of the cell. The
// nearest entry of any colour in the cell is no farther than m from it, so it is a
// candidate, and so is every entry that ties with it; candidates are kept in index order,
// which keeps the first of equal distances. A cell's list is made on its first use from
// the list of its 32 x 32 x 32 parent cell (a subset of it, by the same argument), and a
// small table of exact colours answers repeats at once.
#pragma once

#include <cstdint>
#include <vector>

#include "image/Picture.h"

class CPaletteLookup {
 public:
  // The first nCount entries of pPalette (at most 256); the palette must outlive the object.
  CPaletteLookup(const RgbQuad* pPalette, uint32_t nCount);
  CPaletteLookup(const CPaletteLookup&) = delete;
  CPaletteLookup& operator=(const CPaletteLookup&) = delete;

  // 0 when the palette is empty.
  uint8_t Nearest(uint8_t b, uint8_t g, uint8_t r) {
    const uint32_t key = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
    uint32_t& slot = m_exact[(key * 2654435761u) >> (32 - kExactBits)];
    if ((slot >> 8) == key) return static_cast<uint8_t>(slot);
    const uint8_t idx = Search(b, g, r);
    slot = (key << 8) | idx;
    return idx;
  }

 private:
  static constexpr int kExactBits = 14;  // exact-colour table of 16384 slots
  static constexpr int kFineShift = 3;   // cells of 8 colours a side
  static constexpr int kCoarseShift = 5; // parent cells of 32 colours a side
  static constexpr int kFineCells = 1 << (3 * (8 - kFineShift));
  static constexpr int kCoarseCells = 1 << (3 * (8 - kCoarseShift));

  struct Span {
    uint32_t nStart = 0;
    uint16_t nCount = 0;
    bool bBuilt = false;
  };

  uint8_t Search(uint8_t b, uint8_t g, uint8_t r);
  // Candidates of the cell [lo, lo + size) on each axis, chosen from `from`, appended.
  void BuildCell(int b0, int g0, int r0, int nSize, const uint8_t* pFrom, uint32_t nFrom, Span& span);
  const Span& Coarse(int b, int g, int r);

  const RgbQuad* m_pPalette;
  uint32_t m_nCount;
  std::vector<uint8_t> m_all;         // 0..nCount-1
  std::vector<uint8_t> m_candidates;  // every built cell's list, one after another
  std::vector<Span> m_fine;
  std::vector<Span> m_coarse;
  // Colour << 8 | its nearest index. Every slot always holds a true pair: they start as
  // black with black's nearest index, so no slot needs an empty mark.
  std::vector<uint32_t> m_exact;
};

// The plain scan that CPaletteLookup must agree with: first entry of the smallest squared
// blue-green-red distance among the first nCount; 0 for an empty palette.
uint8_t NearestPaletteIndexLinear(const RgbQuad* pPalette, uint32_t nCount, uint8_t b, uint8_t g, uint8_t r);

// Reduces w x h 24-bit pixels (rows nStride bytes apart, in stored order) to the nearest of
// the first nCount palette entries, writing one index byte per pixel (rows nIndexStride
// apart). With bDiffusion each pixel's error goes, in stored-row order, 7/16 to the next
// pixel of its row and 2/16, 4/16, 1/16 to the three pixels below-left, below and
// below-right in the next stored row, each share truncated toward zero and each sum
// clamped to 0..255 at once; the pixels are changed in place. These are exactly the
// indices of CPicture::DecreaseBpp's per-pixel loop. (Only the three bytes below go in one
// vector operation: vector stores that the next pixel's loads partly overlap, as a vector
// 7/16 share to the right would need, measured slower on this machine.)
void ReduceRowsToPalette(uint8_t* pBits, size_t nStride, int w, int h, const RgbQuad* pPalette, uint32_t nCount,
                         bool bDiffusion, uint8_t* pIndices, size_t nIndexStride);

#include "output/OctreePalette.h"

#include <cstring>

struct OctreePalette::Node {
  bool bLeaf = false;
  uint32_t nPixels = 0;
  // Sums are kept wide so that frames of more than 16 million pixels cannot wrap.
  uint64_t nRed = 0, nGreen = 0, nBlue = 0, nAlpha = 0;
  Node* apChild[8] = {};
  Node* pNextReducible = nullptr;
};

OctreePalette::OctreePalette(unsigned nMaxColors, unsigned nColorBits)
    : m_nMaxColors(nMaxColors < 16 ? 16 : nMaxColors), m_nColorBits(nColorBits > 7 ? 8 : nColorBits) {}

OctreePalette::~OctreePalette() { FreeNode(m_pRoot); }

void OctreePalette::FreeNode(Node* pNode) {
  if (!pNode) return;
  for (Node* pChild : pNode->apChild) FreeNode(pChild);
  delete pNode;
}

namespace {

// Bit k of a colour byte moved to bit 3k + nOffset: red, green and blue spread this way and
// or-ed give the child index of every level at once (level L in bits 3 (7 - L) up).
struct SpreadTable {
  uint32_t a[256];
  constexpr explicit SpreadTable(unsigned nOffset) : a{} {
    for (unsigned v = 0; v < 256; ++v) {
      a[v] = 0;
      for (unsigned k = 0; k < 8; ++k) a[v] |= ((v >> k) & 1u) << (3 * k + nOffset);
    }
  }
};
constexpr SpreadTable kSpreadRed(2), kSpreadGreen(1), kSpreadBlue(0);

}  // namespace

void OctreePalette::AddColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  const uint32_t nPath = kSpreadRed.a[r] | kSpreadGreen.a[g] | kSpreadBlue.a[b];
  Node* pLeaf = nullptr;
  if (m_pLastLeaf && ((nPath ^ m_nLastPath) >> (3 * (8 - m_nLastDepth))) == 0) {
    pLeaf = m_pLastLeaf;
  } else {
    Node** ppNode = &m_pRoot;
    for (unsigned nLevel = 0;; ++nLevel) {
      if (!*ppNode) {
        Node* pNew = new Node;
        if (nLevel == m_nColorBits) {
          pNew->bLeaf = true;
          ++m_nLeafCount;
        } else {
          pNew->pNextReducible = m_apReducible[nLevel];
          m_apReducible[nLevel] = pNew;
        }
        *ppNode = pNew;
      }
      Node* pNode = *ppNode;
      if (pNode->bLeaf) {
        pLeaf = pNode;
        m_pLastLeaf = pNode;
        m_nLastPath = nPath;
        m_nLastDepth = nLevel;
        break;
      }
      ppNode = &pNode->apChild[(nPath >> (3 * (7 - nLevel))) & 7u];
    }
  }
  ++pLeaf->nPixels;
  pLeaf->nRed += r;
  pLeaf->nGreen += g;
  pLeaf->nBlue += b;
  pLeaf->nAlpha += a;
}

bool OctreePalette::Reduce() {
  unsigned nLevel = m_nColorBits > 0 ? m_nColorBits - 1 : 0;
  while (nLevel > 0 && !m_apReducible[nLevel]) --nLevel;
  Node* pNode = m_apReducible[nLevel];
  if (!pNode) return false;
  m_pLastLeaf = nullptr;  // the leaf may be folded away
  m_apReducible[nLevel] = pNode->pNextReducible;
  pNode->pNextReducible = nullptr;

  unsigned nChildren = 0;
  for (Node*& pChild : pNode->apChild) {
    if (!pChild) continue;
    pNode->nPixels += pChild->nPixels;
    pNode->nRed += pChild->nRed;
    pNode->nGreen += pChild->nGreen;
    pNode->nBlue += pChild->nBlue;
    pNode->nAlpha += pChild->nAlpha;
    // Children of the deepest reducible level are always leaves, so nothing else
    // points into them.
    FreeNode(pChild);
    pChild = nullptr;
    ++nChildren;
  }
  pNode->bLeaf = true;
  m_nLeafCount = m_nLeafCount + 1 - nChildren;
  return true;
}

bool OctreePalette::AddImage(const uint8_t* pDib, size_t nDibSize) {
  if (!pDib || nDibSize < sizeof(BitmapInfoHeader)) return false;
  BitmapInfoHeader header;
  std::memcpy(&header, pDib, sizeof(header));
  const int nBits = header.biBitCount;
  if (nBits != 1 && nBits != 4 && nBits != 8 && nBits != 24) return false;
  if (header.biSize < sizeof(BitmapInfoHeader) || header.biWidth <= 0 || header.biHeight == 0) return false;

  const uint64_t nWidth = static_cast<uint64_t>(header.biWidth);
  const uint64_t nHeight = static_cast<uint64_t>(header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight)
                                                                     : header.biHeight);
  uint64_t nColors = 0;
  if (nBits != 24) {
    nColors = header.biClrUsed ? header.biClrUsed : (1u << nBits);
    if (nColors > (1u << nBits)) nColors = 1u << nBits;
  }
  const uint64_t nStride = ((nWidth * nBits + 31) / 32) * 4;
  const uint64_t nOffset = header.biSize + nColors * 4;
  if (nOffset > nDibSize || nStride * nHeight > nDibSize - nOffset) return false;

  const RgbQuad* pColors = reinterpret_cast<const RgbQuad*>(pDib + header.biSize);
  const uint8_t* pRows = pDib + nOffset;
  for (uint64_t y = 0; y < nHeight; ++y) {
    const uint8_t* pRow = pRows + y * nStride;
    for (uint64_t x = 0; x < nWidth; ++x) {
      if (nBits == 24) {
        const uint8_t* p = pRow + x * 3;
        AddColor(p[2], p[1], p[0], 0);
      } else {
        unsigned nIndex;
        if (nBits == 8) {
          nIndex = pRow[x];
        } else if (nBits == 4) {
          nIndex = (pRow[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        } else {
          nIndex = (pRow[x >> 3] >> (7 - (x & 7))) & 0x01;
        }
        // An index past a short colour table reads as black.
        RgbQuad c;
        if (nIndex < nColors) std::memcpy(&c, pColors + nIndex, sizeof(c));
        AddColor(c.rgbRed, c.rgbGreen, c.rgbBlue, c.rgbReserved);
      }
      while (m_nLeafCount > m_nMaxColors && Reduce()) {
      }
    }
  }
  return true;
}

unsigned OctreePalette::WritePalette(RgbQuad* pPalette, unsigned nEntries) const {
  if (!pPalette) return 0;
  unsigned nWritten = 0;
  // Iterative depth-first walk, children in index order.
  std::vector<const Node*> stack;
  if (m_pRoot) stack.push_back(m_pRoot);
  while (!stack.empty() && nWritten < nEntries) {
    const Node* pNode = stack.back();
    stack.pop_back();
    if (pNode->bLeaf) {
      RgbQuad& e = pPalette[nWritten++];
      const uint64_t n = pNode->nPixels ? pNode->nPixels : 1;
      e.rgbBlue = static_cast<uint8_t>(pNode->nBlue / n);
      e.rgbGreen = static_cast<uint8_t>(pNode->nGreen / n);
      e.rgbRed = static_cast<uint8_t>(pNode->nRed / n);
      e.rgbReserved = static_cast<uint8_t>(pNode->nAlpha / n);
      continue;
    }
    for (int i = 7; i >= 0; --i)
      if (pNode->apChild[i]) stack.push_back(pNode->apChild[i]);
  }
  return nWritten;
}

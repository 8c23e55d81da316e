// Octree colour reducer of the animated-GIF writer: every pixel of a picture goes into a
// tree of colour bits; whenever the tree holds more leaves than allowed, the most
// recently created deepest internal node is folded into a leaf. The leaves, in
// depth-first order, are the palette.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/Picture.h"

class OctreePalette {
 public:
  // nMaxColors is raised to 16 when smaller; nColorBits above 7 becomes 8.
  OctreePalette(unsigned nMaxColors, unsigned nColorBits);
  ~OctreePalette();
  OctreePalette(const OctreePalette&) = delete;
  OctreePalette& operator=(const OctreePalette&) = delete;

  // Feeds every pixel of a device-independent image (40-byte header, colour table,
  // bottom-up rows). False, adding nothing, for depths other than 1, 4, 8 and 24 or
  // for an image whose size does not match its header.
  bool AddImage(const uint8_t* pDib, size_t nDibSize);
  bool AddImage(const CPicture& picture) { return AddImage(picture.GetDib(), picture.GetDibSize()); }
  void AddColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

  // Writes one entry per leaf (at most nEntries); later entries keep their content.
  // Returns the number of entries written.
  unsigned WritePalette(RgbQuad* pPalette, unsigned nEntries = 256) const;

  unsigned GetLeafCount() const { return m_nLeafCount; }
  unsigned GetColorBits() const { return m_nColorBits; }
  unsigned GetReductionLimit() const { return m_nMaxColors; }

 private:
  struct Node;
  bool Reduce();  // false when no internal node is left
  static void FreeNode(Node* pNode);

  // The leaf the last colour went to, with that colour's path (3 bits a level from the
  // root) and the leaf's depth: a colour on the same path down to that depth goes to the
  // same leaf, as long as no reduction has changed the tree since.
  Node* m_pLastLeaf = nullptr;
  uint32_t m_nLastPath = 0;
  unsigned m_nLastDepth = 0;

  Node* m_pRoot = nullptr;
  unsigned m_nLeafCount = 0;
  Node* m_apReducible[9] = {};  // per level 0..B, newest first
  unsigned m_nMaxColors;
  unsigned m_nColorBits;
};

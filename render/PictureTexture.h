// Builds the GL texture of one picture in the current context. The texture's base level is
// what the GLU mipmap builder makes of the picture (rescaled to power-of-two sides). That
// rescale is the costly part of an upload, so the base level it produced is kept: the next
// upload of a picture with the same pixels puts the kept level back as it was, giving the
// same texels without rebuilding. Cheaper still, the texture last built is used again as it
// is while it lives and the picture's pixels do not change: nothing is uploaded then.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CPicture;

class CPictureTexture {
 public:
  // Creates a texture name in the current context, fills it from the picture and sets the
  // linear filters. Returns 0 with a text in szError when the picture cannot be used.
  unsigned int Build(const CPicture& picture, std::string& szError);
  // The texture for the picture, given the caller's texture `nCurrent` (live in the current
  // context, or 0): `nCurrent` itself, untouched, when it is the one last built here and
  // the pixels are those it was built from; otherwise a new texture as from Build, and
  // `nCurrent` stays the caller's to delete.
  unsigned int Use(const CPicture& picture, unsigned int nCurrent, std::string& szError);
  // The texture last built is gone (deleted, or its context destroyed); the kept base
  // level stays.
  void ForgetBuilt() {
    m_nBuilt = 0;
    m_pHeld = nullptr;
  }

  // Drops the kept base level (the next Build rebuilds it).
  void ForgetCache();
  void SetCacheEnabled(bool bEnabled);
  // While on (and the cache is), the picture last used here is taken as unchanged when it
  // comes again at the same address, without comparing its pixels: for a caller that holds
  // its pictures constant, as an export does, this saves reading both pictures every frame.
  // Off forgets which picture that was.
  void SetPictureHeldConstant(bool bHeld);
  // How many uploads were saved: a texture used again, or rebuilt from the kept base level
  // (for tests and benchmarks).
  int GetCacheHits() const { return m_nCacheHits; }

 private:
  unsigned int BuildWithin(const uint8_t* pRows, int nWidth, int nHeight, size_t nRowBytes,
                           std::string& szError);
  bool SameSource(const uint8_t* pRows, int nWidth, int nHeight, size_t nRowBytes) const;

  bool m_bCacheEnabled = true;
  bool m_bHeld = false;
  const CPicture* m_pHeld = nullptr;  // the picture of m_nBuilt while held constant
  int m_nCacheHits = 0;
  // The texture of the last successful Build, made from the kept source (0: none).
  unsigned int m_nBuilt = 0;
  // Source of the kept level: size and the 24-bit stored rows.
  int m_nSrcWidth = 0, m_nSrcHeight = 0;
  std::vector<uint8_t> m_srcRows;
  // The base level as built: size and tightly packed blue-green-red rows.
  int m_nLevelWidth = 0, m_nLevelHeight = 0;
  std::vector<uint8_t> m_level0;
};

#include "render/PictureTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <new>

#include "base/DecodeBudget.h"

#include "image/Picture.h"

void CPictureTexture::ForgetCache() {
  m_nBuilt = 0;
  m_pHeld = nullptr;
  m_nSrcWidth = m_nSrcHeight = 0;
  m_nLevelWidth = m_nLevelHeight = 0;
  m_srcRows.clear();
  m_srcRows.shrink_to_fit();
  m_level0.clear();
  m_level0.shrink_to_fit();
}

void CPictureTexture::SetPictureHeldConstant(bool bHeld) {
  m_bHeld = bHeld;
  m_pHeld = nullptr;
}

void CPictureTexture::SetCacheEnabled(bool bEnabled) {
  m_bCacheEnabled = bEnabled;
  if (!bEnabled) ForgetCache();
}

bool CPictureTexture::SameSource(const uint8_t* pRows, int nWidth, int nHeight,
                                 size_t nRowBytes) const {
  if (m_level0.empty() || nWidth != m_nSrcWidth || nHeight != m_nSrcHeight) return false;
  const size_t nBytes = nRowBytes * static_cast<size_t>(nHeight);
  return m_srcRows.size() == nBytes && std::memcmp(m_srcRows.data(), pRows, nBytes) == 0;
}

namespace {

// A picture's stored rows as three bytes per pixel: its own, or those of a 24-bit copy
// (the texture is read that way, so palette and grey pictures are converted).
class CRows24 {
 public:
  bool Take(const CPicture& picture, std::string& szError) {
    const CPicture* pSource = &picture;
    if (picture.GetBpp() != 24) {
      m_converted = picture;
      if (!m_converted.IncreaseBpp24() || m_converted.GetBpp() != 24) {
        szError = "the picture could not be converted to 24 bits per pixel";
        return false;
      }
      pSource = &m_converted;
    }
    m_pRows = pSource->GetBits();
    m_nRowBytes = pSource->GetEffWidth();
    if (!m_pRows || m_nRowBytes < static_cast<size_t>(picture.GetWidth()) * 3) {
      szError = "the picture has no pixel data";
      return false;
    }
    return true;
  }
  const uint8_t* Rows() const { return m_pRows; }
  size_t RowBytes() const { return m_nRowBytes; }

 private:
  CPicture m_converted;
  const uint8_t* m_pRows = nullptr;
  size_t m_nRowBytes = 0;
};

}  // namespace

unsigned int CPictureTexture::Use(const CPicture& picture, unsigned int nCurrent,
                                  std::string& szError) {
  if (nCurrent == 0 || nCurrent != m_nBuilt) return Build(picture, szError);
  if (m_bHeld && m_bCacheEnabled && &picture == m_pHeld) {
    ++m_nCacheHits;
    return nCurrent;
  }
  try {
    CRows24 rows;
    if (picture.IsValid() && rows.Take(picture, szError) &&
        SameSource(rows.Rows(), picture.GetWidth(), picture.GetHeight(), rows.RowBytes())) {
      ++m_nCacheHits;
      if (m_bHeld) m_pHeld = &picture;
      return nCurrent;
    }
  } catch (const std::bad_alloc&) {
  }
  return Build(picture, szError);
}

unsigned int CPictureTexture::Build(const CPicture& picture, std::string& szError) {
  m_nBuilt = 0;
  m_pHeld = nullptr;
  const int nWidth = picture.GetWidth();
  const int nHeight = picture.GetHeight();
  if (!picture.IsValid() || nWidth <= 0 || nHeight <= 0) {
    szError = "the picture is empty";
    return 0;
  }
  // The upload holds the rows again (and GLU its scaled levels): the decode budget bounds it.
  const Result budget = CheckDecodeBudget("the picture is too large for a texture", nWidth, nHeight, 4);
  if (!budget) {
    szError = budget.message;
    return 0;
  }
  try {
    CRows24 rows;
    if (!rows.Take(picture, szError)) return 0;
    const unsigned int tex = BuildWithin(rows.Rows(), nWidth, nHeight, rows.RowBytes(), szError);
    if (tex != 0 && !m_level0.empty()) {
      m_nBuilt = tex;
      if (m_bHeld) m_pHeld = &picture;
    }
    return tex;
  } catch (const std::bad_alloc&) {
    ForgetCache();
    szError = "not enough memory for the picture texture";
    return 0;
  }
}

unsigned int CPictureTexture::BuildWithin(const uint8_t* pRows, int nWidth, int nHeight,
                                          size_t nRowBytes, std::string& szError) {
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
  }

  if (m_bCacheEnabled && SameSource(pRows, nWidth, nHeight, nRowBytes)) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, m_nLevelWidth, m_nLevelHeight, 0, GL_BGR, GL_UNSIGNED_BYTE,
                 m_level0.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ++m_nCacheHits;
  } else {
    // Stored rows are padded to 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const GLint rc = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, nWidth, nHeight, GL_BGR,
                                       GL_UNSIGNED_BYTE, pRows);
    if (rc != 0) {
      const GLubyte* pText = gluErrorString(static_cast<GLenum>(rc));
      szError = std::string("building the picture texture failed: ") +
                (pText ? reinterpret_cast<const char*>(pText) : "unknown GLU error");
      glDeleteTextures(1, &tex);
      return 0;
    }
    if (m_bCacheEnabled) {
      // Keep the base level exactly as GLU made it; the filters below never sample the
      // smaller levels, so the base level alone gives the same picture.
      GLint nLevelWidth = 0, nLevelHeight = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nLevelWidth);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &nLevelHeight);
      ForgetCache();
      if (nLevelWidth > 0 && nLevelHeight > 0) {
        m_level0.resize(static_cast<size_t>(nLevelWidth) * static_cast<size_t>(nLevelHeight) * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, m_level0.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        if (glGetError() == GL_NO_ERROR) {
          m_nLevelWidth = nLevelWidth;
          m_nLevelHeight = nLevelHeight;
          m_nSrcWidth = nWidth;
          m_nSrcHeight = nHeight;
          m_srcRows.assign(pRows, pRows + nRowBytes * static_cast<size_t>(nHeight));
        } else {
          ForgetCache();
        }
      }
    }
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

  const GLenum err = glGetError();
  if (err != GL_NO_ERROR) {
    szError = err == GL_OUT_OF_MEMORY ? "not enough memory for the picture texture"
                                      : "uploading the picture texture failed";
    glDeleteTextures(1, &tex);
    ForgetCache();
    return 0;
  }
  return tex;
}

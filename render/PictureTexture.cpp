#include "render/PictureTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <new>

#include "base/DecodeBudget.h"

#include "image/Picture.h"

void CPictureTexture::ForgetCache() {
  m_nSrcWidth = m_nSrcHeight = 0;
  m_nLevelWidth = m_nLevelHeight = 0;
  m_srcRows.clear();
  m_srcRows.shrink_to_fit();
  m_level0.clear();
  m_level0.shrink_to_fit();
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

unsigned int CPictureTexture::Build(const CPicture& picture, std::string& szError) {
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
    return BuildWithin(picture, szError);
  } catch (const std::bad_alloc&) {
    ForgetCache();
    szError = "not enough memory for the picture texture";
    return 0;
  }
}

unsigned int CPictureTexture::BuildWithin(const CPicture& picture, std::string& szError) {
  const int nWidth = picture.GetWidth();
  const int nHeight = picture.GetHeight();
  // The texture is read as three bytes per pixel from the stored rows, so palette and
  // grey pictures go through a 24-bit copy.
  const CPicture* pSource = &picture;
  CPicture converted;
  if (picture.GetBpp() != 24) {
    converted = picture;
    if (!converted.IncreaseBpp24() || converted.GetBpp() != 24) {
      szError = "the picture could not be converted to 24 bits per pixel";
      return 0;
    }
    pSource = &converted;
  }
  const uint8_t* pRows = pSource->GetBits();
  const size_t nRowBytes = pSource->GetEffWidth();
  if (!pRows || nRowBytes < static_cast<size_t>(nWidth) * 3) {
    szError = "the picture has no pixel data";
    return 0;
  }

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

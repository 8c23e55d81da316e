#include "render/MorphFrameDrawer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "image/Picture.h"

int CMorphFrameDrawer::InitGLState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  return 1;
}

void CMorphFrameDrawer::SetupProjection(int cx, int cy) {
  if (cy == 0) cy = 1;
  glViewport(0, 0, cx, cy);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0.0, static_cast<GLdouble>(cx), 0.0, static_cast<GLdouble>(cy));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

bool CMorphFrameDrawer::UploadTextures(const CPicture* pImage1, const CPicture* pImage2) {
  if (!pImage1 || !pImage2) {
    m_szLastError = "image1 or image2 is missing";
    return false;
  }
  std::string szError;
  const GLuint tex1 = m_texture1.Use(*pImage1, m_texImage1, szError);
  if (tex1 == 0) {
    m_szLastError = "image1: " + szError;
    return false;
  }
  const GLuint tex2 = m_texture2.Use(*pImage2, m_texImage2, szError);
  if (tex2 == 0) {
    if (tex1 != m_texImage1) {
      glDeleteTextures(1, &tex1);
      m_texture1.ForgetBuilt();
    }
    m_szLastError = "image2: " + szError;
    return false;
  }
  // Textures used again stay; the ones replaced go.
  if (m_texImage1 != 0 && m_texImage1 != tex1) glDeleteTextures(1, &m_texImage1);
  if (m_texImage2 != 0 && m_texImage2 != tex2) glDeleteTextures(1, &m_texImage2);
  m_texImage1 = tex1;
  m_texImage2 = tex2;
  m_nImage1Width = pImage1->GetWidth();
  m_nImage1Height = pImage1->GetHeight();
  m_nImage2Width = pImage2->GetWidth();
  m_nImage2Height = pImage2->GetHeight();
  return true;
}

void CMorphFrameDrawer::ReleaseTextures() {
  const GLuint names[2] = {m_texImage1, m_texImage2};
  if (names[0] || names[1]) glDeleteTextures(2, names);
  ForgetTextures();
}

void CMorphFrameDrawer::ForgetTextures() {
  m_texImage1 = m_texImage2 = 0;
  m_texture1.ForgetBuilt();
  m_texture2.ForgetBuilt();
}

void CMorphFrameDrawer::SetUploadCacheEnabled(bool bEnabled) {
  m_texture1.SetCacheEnabled(bEnabled);
  m_texture2.SetCacheEnabled(bEnabled);
}

int CMorphFrameDrawer::GetUploadCacheHits() const {
  return m_texture1.GetCacheHits() + m_texture2.GetCacheHits();
}

void CMorphFrameDrawer::DrawFrame(const MorphTriangles& triangles, const MorphFrameParams& frame,
                                  const MorphViewParams& view) const {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(static_cast<GLfloat>(-view.nPanX), static_cast<GLfloat>(-view.nPanY), 0.0f);
  glScalef(view.fZoom, view.fZoom, 1.0f);
  DrawTriangles(triangles, frame, view.bShowEdges);
  glPopMatrix();
}

void CMorphFrameDrawer::DrawFrameOffscreen(const MorphTriangles& triangles,
                                           const MorphFrameParams& frame) const {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glPushMatrix();
  glLoadIdentity();
  DrawTriangles(triangles, frame, false);
  glPopMatrix();
  glFlush();
}

namespace {

// Per-vertex values of one triangle, each formed in double precision and kept as float.
struct TriangleVertices {
  float ax[3], ay[3];  // image1 key points in output space
  float bx[3], by[3];  // image2 key points in output space
  float s1[3], t1[3];  // image1 texture coordinates
  float s2[3], t2[3];  // image2 texture coordinates
};

}  // namespace

void CMorphFrameDrawer::DrawTriangles(const MorphTriangles& triangles,
                                      const MorphFrameParams& frame, bool bShowEdges) const {
  // Without both textures or with a frame range that has no weights there is nothing to
  // blend; the cleared frame stays black.
  if (!HasTextures() || frame.nFrameCount <= 0 || m_nImage1Width <= 0 || m_nImage1Height <= 0 ||
      m_nImage2Width <= 0 || m_nImage2Height <= 0)
    return;
  const int nType = frame.nMorphType;
  const bool bPass1 = nType == 1 || nType == 2;
  const bool bPass2 = nType == 1 || nType == 3;
  const double W = frame.nOutputWidth;
  const double H = frame.nOutputHeight;
  const double k = frame.nCurFrame;
  const double N = frame.nFrameCount;
  const double w1 = m_nImage1Width, h1 = m_nImage1Height;
  const double w2 = m_nImage2Width, h2 = m_nImage2Height;
  const float fAlpha1 = nType == 1 ? static_cast<float>((N - k) / N) : 1.0f;
  const float fAlpha2 = nType == 1 ? static_cast<float>(k / N) : 1.0f;

  for (const MorphTriangle& tri : triangles) {
    TriangleVertices v;
    for (int i = 0; i < 3; ++i) {
      const MorphVertex& p = tri[static_cast<size_t>(i)];
      v.ax[i] = static_cast<float>(W * p.x1 / w1);
      v.ay[i] = static_cast<float>(H * p.y1 / h1);
      v.bx[i] = static_cast<float>(W * p.x2 / w2);
      v.by[i] = static_cast<float>(H * p.y2 / h2);
      v.s1[i] = static_cast<float>(p.x1 / w1);
      v.t1[i] = static_cast<float>(1.0 - p.y1 / h1);
      v.s2[i] = static_cast<float>(p.x2 / w2);
      v.t2[i] = static_cast<float>(1.0 - p.y2 / h2);
    }
    // Interpolated positions, from A towards B (pass 1 and the edges) ...
    float px[3], py[3];
    for (int i = 0; i < 3; ++i) {
      px[i] = static_cast<float>(v.ax[i] + k * (static_cast<double>(v.bx[i]) - v.ax[i]) / N);
      py[i] = static_cast<float>(v.ay[i] + k * (static_cast<double>(v.by[i]) - v.ay[i]) / N);
    }
    if (bPass1) {
      glColor4f(1.0f, 1.0f, 1.0f, fAlpha1);
      glBindTexture(GL_TEXTURE_2D, m_texImage1);
      glBegin(GL_TRIANGLES);
      for (int i = 0; i < 3; ++i) {
        glTexCoord2f(v.s1[i], v.t1[i]);
        glVertex3f(px[i], static_cast<float>(H - py[i]), 0.0f);
      }
      glEnd();
    }
    if (bPass2) {
      // ... and from B back towards A for the second pass.
      float qx[3], qy[3];
      for (int i = 0; i < 3; ++i) {
        qx[i] = static_cast<float>(v.bx[i] + (N - k) * (static_cast<double>(v.ax[i]) - v.bx[i]) / N);
        qy[i] = static_cast<float>(v.by[i] + (N - k) * (static_cast<double>(v.ay[i]) - v.by[i]) / N);
      }
      glColor4f(1.0f, 1.0f, 1.0f, fAlpha2);
      glBindTexture(GL_TEXTURE_2D, m_texImage2);
      glBegin(GL_TRIANGLES);
      for (int i = 0; i < 3; ++i) {
        glTexCoord2f(v.s2[i], v.t2[i]);
        glVertex3f(qx[i], static_cast<float>(H - qy[i]), 0.0f);
      }
      glEnd();
    }
    if (bShowEdges) {
      // Full-strength black edges on the interpolated mesh.
      glDisable(GL_BLEND);
      glColor3f(0.0f, 0.0f, 0.0f);
      glBegin(GL_LINE_STRIP);
      static const int kOrder[6] = {0, 1, 0, 2, 1, 2};
      for (int i : kOrder) glVertex3f(px[i], static_cast<float>(H - py[i]), 0.0f);
      glEnd();
      glEnable(GL_BLEND);
    }
  }
}

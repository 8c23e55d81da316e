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

void CMorphFrameDrawer::SetPicturesHeldConstant(bool bHeld) {
  m_texture1.SetPictureHeldConstant(bHeld);
  m_texture2.SetPictureHeldConstant(bHeld);
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
  // Every triangle lies at z = 0 and passes the depth test: without the test (and the
  // depth buffer's clear) the rasteriser neither reads nor writes depth, for the same frame.
  glDisable(GL_DEPTH_TEST);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glPushMatrix();
  glLoadIdentity();
  DrawTriangles(triangles, frame, false);
  glPopMatrix();
  glFlush();
}

namespace {

// One triangle of frame k as the passes draw it, every value formed in double precision
// and kept as float.
struct TriangleDraw {
  float s1[3], t1[3];  // image1 texture coordinates
  float s2[3], t2[3];  // image2 texture coordinates
  float px[3], py[3];  // positions from A towards B (pass 1 and the edges)
  float qx[3], qy[3];  // the same from B back towards A (pass 2)
};

// Key points in picture pixels to output space at frame k of N.
struct FrameMapping {
  double W, H, k, N;
  double w1, h1, w2, h2;

  TriangleDraw Map(const MorphTriangle& tri) const {
    TriangleDraw d;
    for (int i = 0; i < 3; ++i) {
      const MorphVertex& p = tri[static_cast<size_t>(i)];
      const float ax = static_cast<float>(W * p.x1 / w1);
      const float ay = static_cast<float>(H * p.y1 / h1);
      const float bx = static_cast<float>(W * p.x2 / w2);
      const float by = static_cast<float>(H * p.y2 / h2);
      d.s1[i] = static_cast<float>(p.x1 / w1);
      d.t1[i] = static_cast<float>(1.0 - p.y1 / h1);
      d.s2[i] = static_cast<float>(p.x2 / w2);
      d.t2[i] = static_cast<float>(1.0 - p.y2 / h2);
      d.px[i] = static_cast<float>(ax + k * (static_cast<double>(bx) - ax) / N);
      d.py[i] = static_cast<float>(ay + k * (static_cast<double>(by) - ay) / N);
      d.qx[i] = static_cast<float>(bx + (N - k) * (static_cast<double>(ax) - bx) / N);
      d.qy[i] = static_cast<float>(by + (N - k) * (static_cast<double>(ay) - by) / N);
    }
    return d;
  }
  // GL's y axis points up.
  void EmitPass1(const TriangleDraw& d) const {
    for (int i = 0; i < 3; ++i) {
      glTexCoord2f(d.s1[i], d.t1[i]);
      glVertex3f(d.px[i], static_cast<float>(H - d.py[i]), 0.0f);
    }
  }
  void EmitDissolve(const TriangleDraw& d) const {
    for (int i = 0; i < 3; ++i) {
      glMultiTexCoord2f(GL_TEXTURE0, d.s1[i], d.t1[i]);
      glMultiTexCoord2f(GL_TEXTURE1, d.s2[i], d.t2[i]);
      glVertex3f(d.px[i], static_cast<float>(H - d.py[i]), 0.0f);
    }
  }
  void EmitPass2(const TriangleDraw& d) const {
    for (int i = 0; i < 3; ++i) {
      glTexCoord2f(d.s2[i], d.t2[i]);
      glVertex3f(d.qx[i], static_cast<float>(H - d.qy[i]), 0.0f);
    }
  }
};

void BeginPass(float fAlpha, GLuint texture) {
  glColor4f(1.0f, 1.0f, 1.0f, fAlpha);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_TRIANGLES);
}

// Both pictures in one pass: unit 0 takes image1 as it is, unit 1 mixes in image2 with
// weight fAlpha2 (image1 keeps 1 - fAlpha2). Each pixel is drawn once, with no blending,
// instead of twice with a read-modify-write: the software rasteriser spends most of a
// frame there, and the sum is rounded once instead of twice.
void BeginDissolve(float fAlpha2, GLuint texture1, GLuint texture2) {
  glDisable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);  // an opaque frame
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture1);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glActiveTexture(GL_TEXTURE1);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture2);
  const GLfloat weight[4] = {0.0f, 0.0f, 0.0f, fAlpha2};
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, weight);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_CONSTANT);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
  glBegin(GL_TRIANGLES);
}

// Back to the state the other passes (and the edges) expect.
void EndDissolve() {
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glActiveTexture(GL_TEXTURE0);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_BLEND);
}

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
  const FrameMapping map{static_cast<double>(frame.nOutputWidth),
                         static_cast<double>(frame.nOutputHeight),
                         static_cast<double>(frame.nCurFrame),
                         static_cast<double>(frame.nFrameCount),
                         static_cast<double>(m_nImage1Width),
                         static_cast<double>(m_nImage1Height),
                         static_cast<double>(m_nImage2Width),
                         static_cast<double>(m_nImage2Height)};
  const double k = map.k, N = map.N;
  const float fAlpha1 = nType == 1 ? static_cast<float>((N - k) / N) : 1.0f;
  const float fAlpha2 = nType == 1 ? static_cast<float>(k / N) : 1.0f;

  if (!bShowEdges) {
    // The positions of pass 2 are those of pass 1 up to rounding, so an in-between frame of
    // the cross-dissolve is one pass over both pictures.
    if (bPass1 && bPass2 && fAlpha1 != 0.0f && fAlpha2 != 0.0f) {
      BeginDissolve(fAlpha2, m_texImage1, m_texImage2);
      for (const MorphTriangle& tri : triangles) map.EmitDissolve(map.Map(tri));
      EndDissolve();
      return;
    }
    // Blending only adds to the frame (GL_ONE) and every fragment passes the depth test
    // (all at z = 0), so a pixel gets the same additions in any order: each pass goes to GL
    // as one batch, and a pass of weight 0 adds nothing and is left out.
    if (bPass1 && fAlpha1 != 0.0f) {
      BeginPass(fAlpha1, m_texImage1);
      for (const MorphTriangle& tri : triangles) map.EmitPass1(map.Map(tri));
      glEnd();
    }
    if (bPass2 && fAlpha2 != 0.0f) {
      BeginPass(fAlpha2, m_texImage2);
      for (const MorphTriangle& tri : triangles) map.EmitPass2(map.Map(tri));
      glEnd();
    }
    return;
  }
  // The edges are opaque: each triangle's edges go over its passes and under the passes of
  // the triangles after it.
  for (const MorphTriangle& tri : triangles) {
    const TriangleDraw d = map.Map(tri);
    if (bPass1) {
      BeginPass(fAlpha1, m_texImage1);
      map.EmitPass1(d);
      glEnd();
    }
    if (bPass2) {
      BeginPass(fAlpha2, m_texImage2);
      map.EmitPass2(d);
      glEnd();
    }
    // Full-strength black edges on the interpolated mesh.
    glDisable(GL_BLEND);
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINE_STRIP);
    static const int kOrder[6] = {0, 1, 0, 2, 1, 2};
    for (int i : kOrder) glVertex3f(d.px[i], static_cast<float>(map.H - d.py[i]), 0.0f);
    glEnd();
    glEnable(GL_BLEND);
  }
}

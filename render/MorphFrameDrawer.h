// Draws one morph frame with fixed-function OpenGL into whatever context is current: the
// preview canvas and the off-screen target share this code. Every triangle is drawn textured
// from image1 and from image2 at positions interpolated between the two key-point sets,
// and the two are added with alpha weights that follow the frame number (an in-between
// frame of the cross-dissolve mixes both textures in one pass).
// Holds no window-system code; the caller makes its context current first.
#pragma once

#include <string>

#include "core/MorphGeometry.h"
#include "render/PictureTexture.h"

class CPicture;

// What one frame needs besides the mesh and the textures.
struct MorphFrameParams {
  // 1 morph (image1 to image2 with cross-dissolve), 2 warp image1 (image1 alone, moving to
  // image2's key points), 3 warp image2 (image2 alone, starting in image1's key points).
  int nMorphType = 1;
  int nCurFrame = 0;       // k
  int nFrameCount = 30;    // N, index of the last frame
  int nOutputWidth = 0;    // W
  int nOutputHeight = 0;   // H
};

// The preview's view of the frame.
struct MorphViewParams {
  float fZoom = 1.0f;
  int nPanX = 0;
  int nPanY = 0;  // counted upwards from the bottom of the view
  bool bShowEdges = false;
};

class CMorphFrameDrawer {
 public:
  CMorphFrameDrawer() = default;
  CMorphFrameDrawer(const CMorphFrameDrawer&) = delete;
  CMorphFrameDrawer& operator=(const CMorphFrameDrawer&) = delete;

  // The fixed state every context starts from. Always returns 1.
  static int InitGLState();
  // Viewport (0, 0, cx, cy) with one unit per pixel, origin bottom-left; a height of 0
  // counts as 1. Leaves the model-view matrix selected and reset.
  static void SetupProjection(int cx, int cy);

  // Builds both textures in the current context (image1's first), replacing and deleting
  // the previous pair, and records the picture sizes. A texture whose picture still has the
  // pixels it was built from is kept as it is. False when either picture is missing or
  // unusable; the previous textures and sizes are then left in place.
  bool UploadTextures(const CPicture* pImage1, const CPicture* pImage2);
  // Deletes the textures in the current context.
  void ReleaseTextures();
  // Forgets the texture names without GL calls (their context is gone).
  void ForgetTextures();
  bool HasTextures() const { return m_texImage1 != 0 && m_texImage2 != 0; }

  // Preview: blend function, clear, zoom and pan, all triangles with the optional edge
  // overlay. The caller swaps buffers.
  void DrawFrame(const MorphTriangles& triangles, const MorphFrameParams& frame,
                 const MorphViewParams& view) const;
  // Off-screen: clear, identity model-view, all triangles (no depth test), flush.
  void DrawFrameOffscreen(const MorphTriangles& triangles, const MorphFrameParams& frame) const;

  // Keeps the textures, and their built base levels, between uploads of unchanged pictures.
  void SetUploadCacheEnabled(bool bEnabled);
  int GetUploadCacheHits() const;
  // See CPictureTexture::SetPictureHeldConstant.
  void SetPicturesHeldConstant(bool bHeld);

  int GetImage1Width() const { return m_nImage1Width; }
  int GetImage1Height() const { return m_nImage1Height; }
  int GetImage2Width() const { return m_nImage2Width; }
  int GetImage2Height() const { return m_nImage2Height; }
  const std::string& GetLastError() const { return m_szLastError; }

 private:
  void DrawTriangles(const MorphTriangles& triangles, const MorphFrameParams& frame,
                     bool bShowEdges) const;

  unsigned int m_texImage1 = 0;
  unsigned int m_texImage2 = 0;
  int m_nImage1Width = 0, m_nImage1Height = 0;
  int m_nImage2Width = 0, m_nImage2Height = 0;
  CPictureTexture m_texture1;
  CPictureTexture m_texture2;
  std::string m_szLastError;
};

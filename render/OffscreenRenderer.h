// Renders morph frames without any display: an EGL context on Mesa (software or GPU),
// fresh fixed state for every frame, textures uploaded again only when a picture's pixels
// change. One context serves the whole process: a renderer that ends leaves its context
// and textures to the next one, since making them costs several frames' time (EGL set-up,
// the rasteriser compiling its shaders, the pictures' textures) and every export of the
// window makes a renderer of its own.
#pragma once

#include <memory>
#include <string>

#include "core/MorphGeometry.h"
#include "render/FrameBitmap.h"

class CPicture;

struct MorphFrameRequest {
  const CPicture* pImage1 = nullptr;
  const CPicture* pImage2 = nullptr;
  const MorphTriangles* pTriangles = nullptr;
  int nMorphType = 1;     // 1 morph, 2 warp image1, 3 warp image2
  int nCurFrame = 0;      // k
  int nFrameCount = 30;   // N
  int nOutputWidth = 0;   // W
  int nOutputHeight = 0;  // H
  bool bRoundToFour = false;  // AVI: bitmap rounded down to multiples of 4, viewport unchanged
};

class COffscreenRenderer {
 public:
  COffscreenRenderer();
  ~COffscreenRenderer();
  COffscreenRenderer(const COffscreenRenderer&) = delete;
  COffscreenRenderer& operator=(const COffscreenRenderer&) = delete;

  // Draws frame k of the request and hands the bitmap to the writer. Returns false when
  // the request is not possible or no context can be created (text in GetLastError; the
  // writer is then not called) or when the writer returns false. No OpenGL context is
  // current afterwards. The caller releases its own GLX context first: EGL refuses to make
  // its context current on a thread where a GLX context is current.
  bool RenderFrameOffscreen(const MorphFrameRequest& request, const FrameWriter& writer);
  // Same, into a bitmap the caller keeps.
  bool RenderFrame(const MorphFrameRequest& request, FrameBitmap& out);
  // Makes ready what a frame of the request needs (context, framebuffer, both textures)
  // without drawing it, so that another thread can do it while the caller opens its output.
  // False when that fails; RenderFrame then fails alike and says why.
  bool Prepare(const MorphFrameRequest& request);
  // While on, a picture at the address of the last frame's is taken as unchanged without
  // comparing its pixels: for a caller that holds its pictures constant (an export). Off
  // again when the renderer ends.
  void SetPicturesHeldConstant(bool bHeld);

  const std::string& GetLastError() const { return m_szLastError; }
  // Name of the OpenGL renderer in use (empty until a context has been created, here or by
  // a renderer before).
  std::string GetRendererName() const;
  // Texture uploads this renderer saved for unchanged pictures.
  int GetUploadCacheHits() const;
  // The kept textures are on by default; off, every frame rebuilds both textures.
  void SetUploadCacheEnabled(bool bEnabled);

  // Destroys the context a finished renderer left for the next one, with its textures and
  // framebuffer; the next renderer makes a new one.
  static void DropSpareContext();
  // Starts making the context the next renderer takes, on a thread of its own, when no
  // spare is left: the EGL and rasteriser set-up then overlaps what the caller does first
  // (reading a project, decoding its pictures). The next renderer waits for it.
  static void WarmUp();

 private:
  struct Impl;
  class CSpare;
  // Checks the request, makes the context current and uploads the textures; leaves the
  // context current only on success.
  bool BeginFrame(const MorphFrameRequest& request);
  std::unique_ptr<Impl> m_pImpl;
  std::string m_szLastError;
};

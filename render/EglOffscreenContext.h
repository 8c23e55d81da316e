// An OpenGL compatibility context that needs no display server: EGL on Mesa's surfaceless
// platform (or the device platform), drawing into a framebuffer object of the frame's size.
// Created on first use, destroyed with the object. It is current only between Begin and
// End, because the GUI's GLX context shares the process and must not find EGL current.
#pragma once

#include <memory>
#include <string>

#include "base/Limits.h"
#include "render/FrameBitmap.h"

class CEglOffscreenContext {
 public:

  CEglOffscreenContext();
  ~CEglOffscreenContext();
  CEglOffscreenContext(const CEglOffscreenContext&) = delete;
  CEglOffscreenContext& operator=(const CEglOffscreenContext&) = delete;

  // Makes the context current on this thread with a cx x cy framebuffer bound for drawing
  // and reading. False with a text in GetLastError when no context or framebuffer can be
  // had; nothing is left current then.
  bool Begin(int cx, int cy);
  // Reads the bottom-left cx x cy pixels of the framebuffer as 32-bit blue-green-red-unused
  // rows, bottom row first. Only between Begin and End.
  bool ReadPixels(int cx, int cy, FrameBitmap& out);
  // Leaves no context current.
  void End();

  bool IsCurrent() const { return m_bCurrent; }
  // Largest frame side the context accepts (0 before the first successful Begin).
  int GetMaxFrameSide() const { return m_nMaxSide; }
  // Renderer name of the context (empty before the first successful Begin).
  const std::string& GetRendererName() const { return m_szRenderer; }
  const std::string& GetLastError() const { return m_szLastError; }

 private:
  struct Impl;
  bool CreateContext();
  bool PrepareFramebuffer(int cx, int cy);
  void Fail(const char* pDiagnostic, const std::string& szError);

  std::unique_ptr<Impl> m_pImpl;
  bool m_bCurrent = false;
  int m_nMaxSide = 0;
  std::string m_szRenderer;
  std::string m_szLastError;
};

#include "render/EglOffscreenContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

bool HasExtension(const char* pList, const char* pName) {
  if (!pList) return false;
  const size_t nLen = std::strlen(pName);
  for (const char* p = pList; (p = std::strstr(p, pName)) != nullptr; p += nLen) {
    const bool bStart = p == pList || p[-1] == ' ';
    const bool bEnd = p[nLen] == '\0' || p[nLen] == ' ';
    if (bStart && bEnd) return true;
  }
  return false;
}

// The EGL display is process-wide: EGL hands out one display per platform and device, and
// terminating it would pull it from under every other renderer. It is opened once.
struct SharedDisplay {
  EGLDisplay dpy = EGL_NO_DISPLAY;
  std::string szError;
};

bool TryInitialize(EGLDisplay dpy) {
  if (dpy == EGL_NO_DISPLAY) return false;
  EGLint nMajor = 0, nMinor = 0;
  return eglInitialize(dpy, &nMajor, &nMinor) == EGL_TRUE;
}

SharedDisplay OpenDisplay() {
  SharedDisplay result;
  const char* pClientExt = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay || !HasExtension(pClientExt, "EGL_EXT_platform_base")) {
    result.szError = "EGL has no platform displays (EGL_EXT_platform_base is missing)";
    return result;
  }
  // Mesa's surfaceless platform needs neither a display server nor a device node.
  if (HasExtension(pClientExt, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (TryInitialize(dpy)) {
      result.dpy = dpy;
      return result;
    }
  }
  // Otherwise the first rendering device that initialises (a GPU, or a software device).
  auto queryDevices =
      reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  if (queryDevices && HasExtension(pClientExt, "EGL_EXT_platform_device")) {
    EGLint nDevices = 0;
    if (queryDevices(0, nullptr, &nDevices) && nDevices > 0) {
      std::vector<EGLDeviceEXT> devices(static_cast<size_t>(nDevices));
      if (queryDevices(nDevices, devices.data(), &nDevices)) {
        for (EGLint i = 0; i < nDevices; ++i) {
          EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[static_cast<size_t>(i)], nullptr);
          if (TryInitialize(dpy)) {
            result.dpy = dpy;
            return result;
          }
        }
      }
    }
  }
  result.szError =
      "no off-screen OpenGL display: neither the surfaceless nor the device EGL platform could be "
      "initialised";
  return result;
}

const SharedDisplay& GetSharedDisplay() {
  static std::once_flag once;
  static SharedDisplay display;
  std::call_once(once, [] { display = OpenDisplay(); });
  return display;
}

void ClearGlErrors() {
  for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

template <class T>
bool Load(T& fn, const char* pName) {
  fn = reinterpret_cast<T>(eglGetProcAddress(pName));
  return fn != nullptr;
}

}  // namespace

struct CEglOffscreenContext::Impl {
  EGLDisplay dpy = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  EGLContext ctx = EGL_NO_CONTEXT;
  EGLSurface surface = EGL_NO_SURFACE;  // only when surfaceless contexts are not offered

  PFNGLGENFRAMEBUFFERSPROC glGenFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC glDeleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC glBindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC glFramebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC glCheckFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC glGenRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC glDeleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC glBindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC glRenderbufferStorage = nullptr;

  // Colour only: every triangle of a frame lies at z = 0, so no depth is kept.
  GLuint fbo = 0;
  GLuint rbColor = 0;
  int nFbWidth = 0;
  int nFbHeight = 0;

  bool LoadFunctions() {
    return Load(glGenFramebuffers, "glGenFramebuffers") &&
           Load(glDeleteFramebuffers, "glDeleteFramebuffers") &&
           Load(glBindFramebuffer, "glBindFramebuffer") &&
           Load(glFramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           Load(glCheckFramebufferStatus, "glCheckFramebufferStatus") &&
           Load(glGenRenderbuffers, "glGenRenderbuffers") &&
           Load(glDeleteRenderbuffers, "glDeleteRenderbuffers") &&
           Load(glBindRenderbuffer, "glBindRenderbuffer") &&
           Load(glRenderbufferStorage, "glRenderbufferStorage");
  }

  void DeleteFramebuffer() {
    if (fbo) glDeleteFramebuffers(1, &fbo);
    if (rbColor) glDeleteRenderbuffers(1, &rbColor);
    fbo = rbColor = 0;
    nFbWidth = nFbHeight = 0;
  }
};

CEglOffscreenContext::CEglOffscreenContext() : m_pImpl(new Impl) {}

CEglOffscreenContext::~CEglOffscreenContext() {
  Impl& d = *m_pImpl;
  if (d.dpy == EGL_NO_DISPLAY) return;
  if (m_bCurrent) End();
  // Destroying the context frees its framebuffer and textures.
  if (d.ctx != EGL_NO_CONTEXT) eglDestroyContext(d.dpy, d.ctx);
  if (d.surface != EGL_NO_SURFACE) eglDestroySurface(d.dpy, d.surface);
}

void CEglOffscreenContext::Fail(const char* pDiagnostic, const std::string& szError) {
  // The off-screen path's diagnostics go to the standard output, without a line end.
  if (pDiagnostic) {
    std::fputs(pDiagnostic, stdout);
    std::fflush(stdout);
  }
  m_szLastError = szError;
}

bool CEglOffscreenContext::CreateContext() {
  Impl& d = *m_pImpl;
  const SharedDisplay& display = GetSharedDisplay();
  if (display.dpy == EGL_NO_DISPLAY) {
    Fail("Could not create memory device context", display.szError);
    return false;
  }
  d.dpy = display.dpy;

  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                  EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                  EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                  EGL_DEPTH_SIZE, 24,
                                  EGL_NONE};
  EGLint nConfigs = 0;
  if (!eglChooseConfig(d.dpy, configAttribs, &d.config, 1, &nConfigs) || nConfigs < 1) {
    Fail("Pixel format selection failed",
         "no EGL configuration offers desktop OpenGL with 8-bit colour and a 24-bit depth buffer");
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    Fail("Pixel format set failed", "EGL cannot bind the desktop OpenGL API");
    return false;
  }
  // No attributes: Mesa then gives its highest compatibility profile, where the
  // fixed-function calls of the frame drawing are allowed.
  d.ctx = eglCreateContext(d.dpy, d.config, EGL_NO_CONTEXT, nullptr);
  if (d.ctx == EGL_NO_CONTEXT) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "creating the OpenGL context failed (EGL error 0x%04x)",
                  static_cast<unsigned>(eglGetError()));
    Fail("OpenGL resource context creation failed", buf);
    return false;
  }
  // Drawing goes to a framebuffer object, so no surface is needed where EGL allows that;
  // elsewhere a 1 x 1 pbuffer carries the context.
  if (!HasExtension(eglQueryString(d.dpy, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
    const EGLint pbufferAttribs[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    d.surface = eglCreatePbufferSurface(d.dpy, d.config, pbufferAttribs);
    if (d.surface == EGL_NO_SURFACE) {
      Fail("Could not create bitmap", "creating the EGL pbuffer surface failed");
      eglDestroyContext(d.dpy, d.ctx);
      d.ctx = EGL_NO_CONTEXT;
      return false;
    }
  }
  return true;
}

bool CEglOffscreenContext::Begin(int cx, int cy) {
  Impl& d = *m_pImpl;
  if (m_bCurrent) End();
  if (d.ctx == EGL_NO_CONTEXT && !CreateContext()) return false;
  // The bound API is per thread, and making current acts on the bound API's context.
  eglBindAPI(EGL_OPENGL_API);
  if (!eglMakeCurrent(d.dpy, d.surface, d.surface, d.ctx)) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "the off-screen OpenGL context cannot be made current (EGL error 0x%04x); "
                  "another OpenGL context may be current on this thread",
                  static_cast<unsigned>(eglGetError()));
    Fail(nullptr, buf);
    return false;
  }
  m_bCurrent = true;
  if (m_nMaxSide == 0) {
    const GLubyte* pName = glGetString(GL_RENDERER);
    m_szRenderer = pName ? reinterpret_cast<const char*>(pName) : "unknown";
    if (!d.LoadFunctions()) {
      Fail("Could not create bitmap", "the OpenGL context has no framebuffer objects");
      End();
      return false;
    }
    GLint nMaxRenderbuffer = 0, nMaxTexture = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &nMaxRenderbuffer);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &nMaxTexture);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    m_nMaxSide = std::max(0, std::min({nMaxRenderbuffer, nMaxTexture, viewport[0], viewport[1],
                                       static_cast<GLint>(kMaxOutputSide)}));
    if (m_nMaxSide == 0) {
      Fail("Could not create bitmap", "the OpenGL context reports no usable framebuffer size");
      End();
      return false;
    }
  }
  if (!PrepareFramebuffer(cx, cy)) {
    End();
    return false;
  }
  return true;
}

bool CEglOffscreenContext::PrepareFramebuffer(int cx, int cy) {
  Impl& d = *m_pImpl;
  if (cx < 1 || cy < 1 || cx > m_nMaxSide || cy > m_nMaxSide) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "the frame size %d x %d is not possible: each side must be between 1 and %d",
                  cx, cy, m_nMaxSide);
    Fail("Could not create bitmap", buf);
    return false;
  }
  if (static_cast<long long>(cx) * cy > kMaxFramePixels) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "the frame size %d x %d is too large: at most %lld pixels", cx,
                  cy, kMaxFramePixels);
    Fail("Could not create bitmap", buf);
    return false;
  }
  if (d.fbo && d.nFbWidth == cx && d.nFbHeight == cy) {
    d.glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
    return true;
  }
  d.DeleteFramebuffer();
  ClearGlErrors();
  d.glGenFramebuffers(1, &d.fbo);
  d.glGenRenderbuffers(1, &d.rbColor);
  d.glBindFramebuffer(GL_FRAMEBUFFER, d.fbo);
  d.glBindRenderbuffer(GL_RENDERBUFFER, d.rbColor);
  d.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, cx, cy);
  d.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, d.rbColor);
  d.glBindRenderbuffer(GL_RENDERBUFFER, 0);
  if (glGetError() == GL_OUT_OF_MEMORY) {
    d.DeleteFramebuffer();
    char buf[128];
    std::snprintf(buf, sizeof buf, "not enough memory for a %d x %d frame", cx, cy);
    Fail("Could not create bitmap", buf);
    return false;
  }
  if (d.glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    d.DeleteFramebuffer();
    Fail("Could not select bitmap into DC", "the off-screen framebuffer is incomplete");
    return false;
  }
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  d.nFbWidth = cx;
  d.nFbHeight = cy;
  return true;
}

bool CEglOffscreenContext::ReadPixels(int cx, int cy, FrameBitmap& out) {
  const Impl& d = *m_pImpl;
  if (!m_bCurrent || cx < 1 || cy < 1 || cx > d.nFbWidth || cy > d.nFbHeight) {
    m_szLastError = "reading the frame outside the off-screen framebuffer";
    return false;
  }
  try {
    out.nWidth = cx;
    out.nHeight = cy;
    out.bits.resize(static_cast<size_t>(cx) * static_cast<size_t>(cy) * 4);
  } catch (const std::bad_alloc&) {
    out = FrameBitmap();
    m_szLastError = "not enough memory for the frame bitmap";
    return false;
  }
  ClearGlErrors();
  // Rows of 4-byte pixels are always 4-byte aligned; GL's bottom-up order is the bitmap's.
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, cx, cy, GL_BGRA, GL_UNSIGNED_BYTE, out.bits.data());
  if (glGetError() != GL_NO_ERROR) {
    m_szLastError = "reading the frame back from OpenGL failed";
    return false;
  }
  return true;
}

void CEglOffscreenContext::End() {
  const Impl& d = *m_pImpl;
  if (d.dpy != EGL_NO_DISPLAY) {
    eglBindAPI(EGL_OPENGL_API);
    eglMakeCurrent(d.dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  m_bCurrent = false;
}

#include "render/OffscreenRenderer.h"

#include <GL/gl.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "image/Picture.h"
#include "render/EglOffscreenContext.h"
#include "render/MorphFrameDrawer.h"

struct COffscreenRenderer::Impl {
  CEglOffscreenContext context;
  CMorphFrameDrawer drawer;
  FrameBitmap bitmap;  // reused by RenderFrameOffscreen from frame to frame
  int nHitsBefore = 0;  // upload cache hits of the renderers before this one
};

// The parts of the last renderer that ended, for the next renderer (of any thread: no
// context is current between calls). One is kept; more renderers at once make their own.
// WarmUp fills an empty slot on a thread of its own; Take waits for it.
class COffscreenRenderer::CSpare {
 public:
  static std::unique_ptr<Impl> Take() {
    State& s = Get();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.done.wait(lock, [&s] { return !s.bWarming; });
    if (s.warming.joinable()) s.warming.join();  // it has ended: only its exit is left
    std::unique_ptr<Impl> p = std::move(s.pSpare);
    if (!p) return std::make_unique<Impl>();
    p->drawer.SetUploadCacheEnabled(true);
    p->nHitsBefore = p->drawer.GetUploadCacheHits();
    return p;
  }
  static void Leave(std::unique_ptr<Impl> p) {
    p->bitmap = FrameBitmap();
    p->drawer.SetPicturesHeldConstant(false);
    std::unique_ptr<Impl> pDropped;  // destroyed outside the lock
    State& s = Get();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.pSpare || s.bWarming) pDropped = std::move(p);
    else s.pSpare = std::move(p);
  }
  static void Drop() {
    std::unique_ptr<Impl> pDropped;
    State& s = Get();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.done.wait(lock, [&s] { return !s.bWarming; });
    pDropped = std::move(s.pSpare);
  }
  static void WarmUp() {
    State& s = Get();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.pSpare || s.bWarming) return;
    if (s.warming.joinable()) s.warming.join();
    s.bWarming = true;
    try {
      s.warming = std::thread([&s] {
        std::unique_ptr<Impl> p;
        try {
          p = std::make_unique<Impl>();
          // Failures are left to the first frame, which tries again and says why.
          if (p->context.Begin(1, 1)) p->context.End();
        } catch (...) {
          p.reset();
        }
        std::lock_guard<std::mutex> done(s.mutex);
        s.pSpare = std::move(p);
        s.bWarming = false;
        s.done.notify_all();
      });
    } catch (const std::system_error&) {
      s.bWarming = false;  // no thread to be had: the first frame sets up as before
    }
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable done;
    std::unique_ptr<Impl> pSpare;
    bool bWarming = false;
    std::thread warming;
    ~State() {
      if (warming.joinable()) warming.join();
    }
  };
  static State& Get() {
    static State state;
    return state;
  }
};

namespace {

// Leaves no context current however the frame ends.
class CCurrentGuard {
 public:
  explicit CCurrentGuard(CEglOffscreenContext& context) : m_context(context) {}
  ~CCurrentGuard() { m_context.End(); }
  CCurrentGuard(const CCurrentGuard&) = delete;
  CCurrentGuard& operator=(const CCurrentGuard&) = delete;

 private:
  CEglOffscreenContext& m_context;
};

bool CheckRequest(const MorphFrameRequest& r, std::string& szError) {
  char buf[160];
  if (!r.pImage1 || !r.pImage2 || !r.pImage1->IsValid() || !r.pImage2->IsValid()) {
    szError = "image1 or image2 is missing";
    return false;
  }
  if (r.nMorphType < 1 || r.nMorphType > 3) {
    std::snprintf(buf, sizeof buf, "unknown morph type %d (1, 2 or 3 expected)", r.nMorphType);
    szError = buf;
    return false;
  }
  if (r.nFrameCount < 1) {
    std::snprintf(buf, sizeof buf, "the last frame index must be at least 1, not %d",
                  r.nFrameCount);
    szError = buf;
    return false;
  }
  if (r.nCurFrame < 0 || r.nCurFrame > r.nFrameCount) {
    std::snprintf(buf, sizeof buf, "frame %d is outside the frames 0..%d", r.nCurFrame,
                  r.nFrameCount);
    szError = buf;
    return false;
  }
  if (r.nOutputWidth < 1 || r.nOutputHeight < 1) {
    std::snprintf(buf, sizeof buf, "the output size %d x %d is not possible", r.nOutputWidth,
                  r.nOutputHeight);
    szError = buf;
    return false;
  }
  if (r.bRoundToFour && (r.nOutputWidth < 4 || r.nOutputHeight < 4)) {
    std::snprintf(buf, sizeof buf,
                  "the output size %d x %d is too small for a movie frame (at least 4 x 4)",
                  r.nOutputWidth, r.nOutputHeight);
    szError = buf;
    return false;
  }
  return true;
}

}  // namespace

COffscreenRenderer::COffscreenRenderer() : m_pImpl(CSpare::Take()) {}

COffscreenRenderer::~COffscreenRenderer() { CSpare::Leave(std::move(m_pImpl)); }

void COffscreenRenderer::DropSpareContext() { CSpare::Drop(); }

void COffscreenRenderer::WarmUp() { CSpare::WarmUp(); }

void COffscreenRenderer::SetPicturesHeldConstant(bool bHeld) { m_pImpl->drawer.SetPicturesHeldConstant(bHeld); }

std::string COffscreenRenderer::GetRendererName() const {
  return m_pImpl->context.GetRendererName();
}

int COffscreenRenderer::GetUploadCacheHits() const {
  return m_pImpl->drawer.GetUploadCacheHits() - m_pImpl->nHitsBefore;
}

void COffscreenRenderer::SetUploadCacheEnabled(bool bEnabled) {
  m_pImpl->drawer.SetUploadCacheEnabled(bEnabled);
}

bool COffscreenRenderer::BeginFrame(const MorphFrameRequest& request) {
  m_szLastError.clear();
  if (!CheckRequest(request, m_szLastError)) return false;
  Impl& d = *m_pImpl;
  if (!d.context.Begin(request.nOutputWidth, request.nOutputHeight)) {
    m_szLastError = d.context.GetLastError();
    return false;
  }
  // Every frame starts from the fixed state; the textures of the previous frame serve
  // again while the pictures are unchanged.
  CMorphFrameDrawer::InitGLState();
  CMorphFrameDrawer::SetupProjection(request.nOutputWidth, request.nOutputHeight);
  if (!d.drawer.UploadTextures(request.pImage1, request.pImage2)) {
    m_szLastError = d.drawer.GetLastError();
    d.context.End();
    return false;
  }
  return true;
}

bool COffscreenRenderer::Prepare(const MorphFrameRequest& request) {
  if (!BeginFrame(request)) return false;
  m_pImpl->context.End();
  return true;
}

bool COffscreenRenderer::RenderFrame(const MorphFrameRequest& request, FrameBitmap& out) {
  const int W = request.nOutputWidth;
  const int H = request.nOutputHeight;
  // A movie frame keeps the full-size drawing and captures its bottom-left part.
  const int nBitmapWidth = request.bRoundToFour ? W / 4 * 4 : W;
  const int nBitmapHeight = request.bRoundToFour ? H / 4 * 4 : H;

  if (!BeginFrame(request)) return false;
  Impl& d = *m_pImpl;
  CCurrentGuard guard(d.context);
  MorphFrameParams frame;
  frame.nMorphType = request.nMorphType;
  frame.nCurFrame = request.nCurFrame;
  frame.nFrameCount = request.nFrameCount;
  frame.nOutputWidth = W;
  frame.nOutputHeight = H;
  static const MorphTriangles kNoTriangles;
  d.drawer.DrawFrameOffscreen(request.pTriangles ? *request.pTriangles : kNoTriangles, frame);
  const bool bRead = d.context.ReadPixels(nBitmapWidth, nBitmapHeight, out);
  if (!bRead) {
    m_szLastError = d.context.GetLastError();
    return false;
  }
  return true;
}

bool COffscreenRenderer::RenderFrameOffscreen(const MorphFrameRequest& request,
                                              const FrameWriter& writer) {
  FrameBitmap& bitmap = m_pImpl->bitmap;
  if (!RenderFrame(request, bitmap)) return false;
  if (writer && !writer(bitmap, request.nCurFrame)) {
    m_szLastError = "the frame writer failed";
    return false;
  }
  return true;
}

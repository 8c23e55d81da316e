#include "render/OffscreenRenderer.h"

#include <GL/gl.h>

#include <cstdio>
#include <mutex>

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
class COffscreenRenderer::CSpare {
 public:
  static std::unique_ptr<Impl> Take() {
    std::lock_guard<std::mutex> lock(Mutex());
    std::unique_ptr<Impl> p = std::move(Slot());
    if (!p) return std::make_unique<Impl>();
    p->drawer.SetUploadCacheEnabled(true);
    p->nHitsBefore = p->drawer.GetUploadCacheHits();
    return p;
  }
  static void Leave(std::unique_ptr<Impl> p) {
    p->bitmap = FrameBitmap();
    std::unique_ptr<Impl> pDropped;  // destroyed outside the lock
    std::lock_guard<std::mutex> lock(Mutex());
    if (Slot()) pDropped = std::move(p);
    else Slot() = std::move(p);
  }
  static void Drop() {
    std::unique_ptr<Impl> pDropped;
    std::lock_guard<std::mutex> lock(Mutex());
    pDropped = std::move(Slot());
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::unique_ptr<Impl>& Slot() {
    static std::unique_ptr<Impl> pSpare;
    return pSpare;
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

std::string COffscreenRenderer::GetRendererName() const {
  return m_pImpl->context.GetRendererName();
}

int COffscreenRenderer::GetUploadCacheHits() const {
  return m_pImpl->drawer.GetUploadCacheHits() - m_pImpl->nHitsBefore;
}

void COffscreenRenderer::SetUploadCacheEnabled(bool bEnabled) {
  m_pImpl->drawer.SetUploadCacheEnabled(bEnabled);
}

bool COffscreenRenderer::RenderFrame(const MorphFrameRequest& request, FrameBitmap& out) {
  m_szLastError.clear();
  if (!CheckRequest(request, m_szLastError)) return false;
  const int W = request.nOutputWidth;
  const int H = request.nOutputHeight;
  // A movie frame keeps the full-size drawing and captures its bottom-left part.
  const int nBitmapWidth = request.bRoundToFour ? W / 4 * 4 : W;
  const int nBitmapHeight = request.bRoundToFour ? H / 4 * 4 : H;

  Impl& d = *m_pImpl;
  if (!d.context.Begin(W, H)) {
    m_szLastError = d.context.GetLastError();
    return false;
  }
  CCurrentGuard guard(d.context);

  // Every frame starts from the fixed state; the textures of the previous frame serve
  // again while the pictures are unchanged.
  CMorphFrameDrawer::InitGLState();
  CMorphFrameDrawer::SetupProjection(W, H);
  if (!d.drawer.UploadTextures(request.pImage1, request.pImage2)) {
    m_szLastError = d.drawer.GetLastError();
    return false;
  }
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

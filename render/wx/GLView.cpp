#include "render/wx/GLView.h"

#include <GL/glx.h>

#include <wx/dcclient.h>

CGLView::CGLView(wxWindow* parent, const wxGLAttributes& attrs, const wxRect& rect)
    : wxGLCanvas(parent, attrs, wxID_ANY, rect.GetPosition(), rect.GetSize(), wxFULL_REPAINT_ON_RESIZE,
                 "OpenGL") {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CGLView::OnPaint, this);
  m_pContext = std::make_unique<wxGLContext>(this);
  if (!m_pContext->IsOK()) {
    m_pContext.reset();
    return;
  }
  m_bReady = 1;
}

CGLView::~CGLView() { ReleaseGL(); }

CGLView* CGLView::CreateView(const wxRect& rect, wxWindow* parent) {
  wxGLAttributes attrs;
  attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(16).EndList();
  if (!wxGLCanvas::IsDisplaySupported(attrs)) {
    attrs.Reset();
    attrs.PlatformDefaults().RGBA().DoubleBuffer().EndList();
  }
  return new CGLView(parent, attrs, rect);
}

void CGLView::ReleaseGL() {
  if (m_pContext) {
    if (m_drawer.HasTextures() && MakeCurrent()) m_drawer.ReleaseTextures();
    else m_drawer.ForgetTextures();
    ReleaseCurrent();
    m_pContext.reset();
  }
  m_bTexturesKnown = false;
  m_bReady = 0;
}

void CGLView::ReleaseCurrent() {
  if (glXGetCurrentContext()) glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
}

bool CGLView::MakeCurrent() {
  if (!m_pContext || !IsShownOnScreen()) return false;
  return SetCurrent(*m_pContext);
}

bool CGLView::DrawFrame(const MorphFrameRequest& request, const MorphViewParams& view, uint64_t nPictureKey) {
  if (!m_bReady || !request.pTriangles || !MakeCurrent()) return false;
  if (!m_bTexturesKnown || nPictureKey != m_nTextureKey || !m_drawer.HasTextures()) {
    CMorphFrameDrawer::InitGLState();
    if (!m_drawer.UploadTextures(request.pImage1, request.pImage2)) return false;
    m_nTextureKey = nPictureKey;
    m_bTexturesKnown = true;
  }
  const wxSize sz = GetClientSize() * GetContentScaleFactor();
  CMorphFrameDrawer::SetupProjection(sz.x, sz.y);
  MorphFrameParams frame;
  frame.nMorphType = request.nMorphType;
  frame.nCurFrame = request.nCurFrame;
  frame.nFrameCount = request.nFrameCount;
  frame.nOutputWidth = request.nOutputWidth;
  frame.nOutputHeight = request.nOutputHeight;
  m_drawer.DrawFrame(*request.pTriangles, frame, view);
  SwapBuffers();
  m_drawnFrame = frame;
  m_drawnView = view;
  ++m_nDrawCount;
  return true;
}

void CGLView::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (onExpose) onExpose();
}

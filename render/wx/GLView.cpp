#include "render/wx/GLView.h"

#include <GL/glx.h>

#include <wx/dcclient.h>

CGLView::CGLView(wxWindow* parent, const wxGLAttributes& attrs, const wxRect& rect)
    : wxGLCanvas(parent, attrs, wxID_ANY, rect.GetPosition(), rect.GetSize(), wxFULL_REPAINT_ON_RESIZE,
                 "OpenGL") {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CGLView::OnPaint, this);
  Bind(wxEVT_SIZE, &CGLView::OnSize, this);
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
    ReleaseCurrent();
    m_pContext.reset();
  }
  m_bReady = 0;
}

void CGLView::ReleaseCurrent() {
  if (glXGetCurrentContext()) glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
}

bool CGLView::MakeCurrent() {
  if (!m_pContext || !IsShownOnScreen()) return false;
  return SetCurrent(*m_pContext);
}

void CGLView::SetView(float fZoom, int nPanX, int nPanY) {
  m_view.fZoom = fZoom;
  m_view.nPanX = nPanX;
  m_view.nPanY = nPanY;
}

void CGLView::SetOutputSize(int w, int h) {
  m_nOutputWidth = w;
  m_nOutputHeight = h;
}

bool CGLView::UploadTextures(const CPicture* pImage1, const CPicture* pImage2) {
  if (!m_bReady || !MakeCurrent()) return false;
  CMorphFrameDrawer::InitGLState();
  return m_drawer.UploadTextures(pImage1, pImage2);
}

void CGLView::DrawFrame(const MorphTriangles& triangles) {
  if (&triangles != &m_lastTriangles) m_lastTriangles = triangles;
  m_bHasFrame = true;
  if (!m_bReady || !m_drawer.HasTextures() || !MakeCurrent()) return;
  const wxSize sz = GetClientSize() * GetContentScaleFactor();
  CMorphFrameDrawer::SetupProjection(sz.x, sz.y);
  MorphFrameParams frame;
  frame.nMorphType = m_nMorphType;
  frame.nCurFrame = m_nCurFrame;
  frame.nFrameCount = m_nFrameCount;
  frame.nOutputWidth = m_nOutputWidth;
  frame.nOutputHeight = m_nOutputHeight;
  m_view.bShowEdges = m_bShowEdges != 0;
  m_drawer.DrawFrame(m_lastTriangles, frame, m_view);
  SwapBuffers();
  ++m_nDrawCount;
}

void CGLView::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  // The frame comes from explicit draws; an exposed view shows the last one again.
  if (m_bHasFrame) DrawFrame(m_lastTriangles);
}

void CGLView::OnSize(wxSizeEvent& event) {
  event.Skip();
  if (!MakeCurrent()) return;
  const wxSize sz = GetClientSize() * GetContentScaleFactor();
  CMorphFrameDrawer::SetupProjection(sz.x, sz.y);
}

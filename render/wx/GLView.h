// CGLView: the preview pane, an OpenGL canvas with its own context that lives as long as
// the window. It draws only through the shared frame drawer, and only when asked
// (DrawFrame); its context is released before any off-screen render on this thread.
#pragma once

#include <memory>

#include <wx/glcanvas.h>

#include "core/MorphGeometry.h"
#include "render/MorphFrameDrawer.h"

class CPicture;

class CGLView : public wxGLCanvas {
 public:
  ~CGLView() override;

  // Creates the window (the owner keeps the one it got). A view whose context could not be
  // made stays unready and draws nothing.
  static CGLView* CreateView(const wxRect& rect, wxWindow* parent);
  void ReleaseGL();
  bool IsReady() const { return m_bReady != 0; }

  void SetView(float fZoom, int nPanX, int nPanY);
  void SetOutputSize(int w, int h);
  void SetShowEdges(bool bShow) { m_bShowEdges = bShow ? 1 : 0; }
  // Uploads both pictures as textures in the view's context.
  bool UploadTextures(const CPicture* pImage1, const CPicture* pImage2);
  // Draws frame m_nCurFrame of the triangles and shows it.
  void DrawFrame(const MorphTriangles& triangles);
  // Leaves no OpenGL context current on this thread (before an off-screen render).
  static void ReleaseCurrent();
  // Draws since creation (the tests count them).
  int GetDrawCount() const { return m_nDrawCount; }
  const MorphViewParams& GetViewParams() const { return m_view; }

  unsigned char m_bBackward = 0;
  int m_nCurFrame = 0;
  int m_nFrameCount = 30;
  int m_nMorphType = 1;
  unsigned char m_bShowEdges = 0;

 private:
  CGLView(wxWindow* parent, const wxGLAttributes& attrs, const wxRect& rect);
  void OnPaint(wxPaintEvent& event);
  void OnSize(wxSizeEvent& event);
  bool MakeCurrent();

  std::unique_ptr<wxGLContext> m_pContext;
  CMorphFrameDrawer m_drawer;
  MorphViewParams m_view;
  int m_nOutputWidth = 0, m_nOutputHeight = 0;
  MorphTriangles m_lastTriangles;
  bool m_bHasFrame = false;
  int m_bReady = 0;
  int m_nDrawCount = 0;
};

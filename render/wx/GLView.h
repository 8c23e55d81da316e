// CGLView: the preview pane, an OpenGL canvas with its own context that lives as long as
// the window. It keeps no project state: every draw gets the frame request built from the
// project and the view's zoom and pan, and an exposed view asks its owner to draw again. It
// owns the textures of the pictures it last drew and uploads them again only when the
// pictures change. Its context is released before any off-screen render on this thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <wx/glcanvas.h>

#include "render/MorphFrameDrawer.h"
#include "render/OffscreenRenderer.h"

class CGLView : public wxGLCanvas {
 public:
  ~CGLView() override;

  // Creates the window (the owner keeps the one it got). A view whose context could not be
  // made stays unready and draws nothing.
  static CGLView* CreateView(const wxRect& rect, wxWindow* parent);
  void ReleaseGL();
  bool IsReady() const { return m_bReady != 0; }

  // Draws frame `request.nCurFrame` of the request's pictures and triangles with the view's
  // zoom, pan and edge switch, and shows it. `nPictureKey` names the pictures: a new key
  // uploads both textures again. False when nothing could be drawn (no context, the view not
  // on screen, pictures that cannot be uploaded).
  bool DrawFrame(const MorphFrameRequest& request, const MorphViewParams& view, uint64_t nPictureKey);
  // Called when the view is exposed (a dialog closed over it, the window mapped): the owner
  // draws the frame it shows now.
  std::function<void()> onExpose;
  // Leaves no OpenGL context current on this thread (before an off-screen render).
  static void ReleaseCurrent();

  // What the last draw drew, and how many draws there were (the tests look at them).
  int GetDrawCount() const { return m_nDrawCount; }
  const MorphFrameParams& GetDrawnFrame() const { return m_drawnFrame; }
  const MorphViewParams& GetViewParams() const { return m_drawnView; }

 private:
  CGLView(wxWindow* parent, const wxGLAttributes& attrs, const wxRect& rect);
  void OnPaint(wxPaintEvent& event);
  bool MakeCurrent();

  std::unique_ptr<wxGLContext> m_pContext;
  CMorphFrameDrawer m_drawer;
  uint64_t m_nTextureKey = 0;
  bool m_bTexturesKnown = false;
  MorphFrameParams m_drawnFrame;
  MorphViewParams m_drawnView;
  int m_bReady = 0;
  int m_nDrawCount = 0;
};

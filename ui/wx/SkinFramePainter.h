// Draws the pane frames of the main window from its skin pictures.
#pragma once

#include <functional>
#include <utility>

#include <wx/bitmap.h>
#include <wx/dc.h>

#include "ui/SkinFrame.h"

class CSkinFramePainter {
 public:
  // `picture(id)`: the loaded skin picture, or an invalid bitmap when it is missing.
  explicit CSkinFramePainter(std::function<const wxBitmap&(int nPicture)> picture)
      : m_picture(std::move(picture)) {}

  // The frame around `pane` and the tint over it, with the pictures' alpha.
  void Draw(wxDC& dc, skin::FrameStyle style, const skin::Area& pane) const;

 private:
  std::function<const wxBitmap&(int)> m_picture;
};

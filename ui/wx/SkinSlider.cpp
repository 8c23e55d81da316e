#include "ui/wx/SkinSlider.h"

#include <algorithm>
#include <cstdio>

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "ui/wx/PictureBitmap.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

namespace {
constexpr int kThumbWidth = 10;
constexpr int kThumbHeight = 12;
}  // namespace

CSkinSlider::CSkinSlider(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      m_ui(&CDesktopInteraction::Instance()) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CSkinSlider::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CSkinSlider::OnLeftDown, this);
  Bind(wxEVT_LEFT_DCLICK, &CSkinSlider::OnLeftDown, this);
  Bind(wxEVT_MOTION, &CSkinSlider::OnMotion, this);
  Bind(wxEVT_LEFT_UP, &CSkinSlider::OnLeftUp, this);
  Bind(wxEVT_KEY_DOWN, &CSkinSlider::OnKey, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CSkinSlider::OnCaptureLost, this);
}

bool CSkinSlider::LoadOnce(wxBitmap& slot, int resourceId) {
  if (slot.IsOk()) {
    std::fprintf(stderr, "slider picture %d: a picture is already loaded\n", resourceId);
    return false;
  }
  std::string error;
  const wxImage image = LoadResourceImage(resourceId, &error);
  if (!image.IsOk()) {
    // The slider still works without it; the user learns why it looks plain.
    m_ui->Message(this, Tr(error), "Kestrelle", wxOK | wxICON_ERROR);
    return false;
  }
  slot = wxBitmap(image);
  return true;
}

bool CSkinSlider::SetThumbPicture(int resourceId) { return LoadOnce(m_thumb, resourceId); }
bool CSkinSlider::SetChannelPicture(int resourceId) { return LoadOnce(m_channel, resourceId); }

void CSkinSlider::UseParentBackground(ISkinBackground* pSource) {
  m_pBackgroundSource = pSource;
  m_capture = wxBitmap();
  Refresh();
}

void CSkinSlider::SetRange(int low, int high) {
  m_nMin = low;
  m_nMax = std::max(low, high);
  m_nPos = std::clamp(m_nPos, m_nMin, m_nMax);
  Refresh();
}

void CSkinSlider::SetPos(int pos) {
  pos = std::clamp(pos, m_nMin, m_nMax);
  if (pos == m_nPos) return;
  m_nPos = pos;
  Refresh();
}

wxRect CSkinSlider::ThumbRect() const {
  const wxSize sz = GetClientSize();
  const int travel = std::max(0, sz.x - kThumbWidth);
  const int span = m_nMax - m_nMin;
  const int x = span > 0 ? static_cast<int>(static_cast<long long>(m_nPos - m_nMin) * travel / span) : 0;
  return wxRect(x, (sz.y - kThumbHeight) / 2, kThumbWidth, kThumbHeight);
}

int CSkinSlider::PosFromX(int x) const {
  const int travel = std::max(1, GetClientSize().x - kThumbWidth);
  const int span = m_nMax - m_nMin;
  const int rel = std::clamp(x - kThumbWidth / 2, 0, travel);
  return m_nMin + static_cast<int>((static_cast<long long>(rel) * span + travel / 2) / travel);
}

void CSkinSlider::Send(wxEventType type, int pos) {
  wxScrollEvent event(type, GetId(), pos, wxHORIZONTAL);
  event.SetEventObject(this);
  ProcessWindowEvent(event);
}

void CSkinSlider::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxSize sz = GetClientSize();
  if (!m_capture.IsOk() && m_pBackgroundSource) m_capture = m_pBackgroundSource->CaptureBackground(GetRect());
  if (m_capture.IsOk()) dc.DrawBitmap(m_capture, 0, 0, false);
  else {
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
  }
  const int cy = sz.y / 2;
  if (m_channel.IsOk()) {
    const wxImage scaled = m_channel.ConvertToImage().Scale(std::max(1, sz.x), m_channel.GetHeight());
    dc.DrawBitmap(wxBitmap(scaled), 0, cy - m_channel.GetHeight() / 2, true);
  } else {
    dc.SetPen(wxPen(wxColour(20, 34, 56)));
    dc.SetBrush(wxBrush(wxColour(12, 22, 40)));
    dc.DrawRoundedRectangle(0, cy - 3, sz.x, 6, 3);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxColour(64, 140, 220)));
    const wxRect t = ThumbRect();
    dc.DrawRoundedRectangle(1, cy - 2, std::max(0, t.x + t.width / 2 - 1), 4, 2);
  }
  const wxRect t = ThumbRect();
  if (m_thumb.IsOk()) {
    const wxImage scaled = m_thumb.ConvertToImage().Scale(t.width, t.height);
    dc.DrawBitmap(wxBitmap(scaled), t.x, t.y, true);
  } else {
    dc.SetPen(wxPen(wxColour(16, 28, 48)));
    dc.SetBrush(wxBrush(IsEnabled() ? wxColour(235, 240, 248) : wxColour(140, 140, 140)));
    dc.DrawRoundedRectangle(t, 2);
  }
}

void CSkinSlider::OnLeftDown(wxMouseEvent& event) {
  if (!IsEnabled()) return;
  SetFocus();
  const wxRect t = ThumbRect();
  if (t.Contains(event.GetPosition())) {
    m_bDragging = true;
    if (!HasCapture()) CaptureMouse();
  } else if (event.GetX() < t.x) {
    Send(wxEVT_SCROLL_PAGEUP, m_nPos);
  } else {
    Send(wxEVT_SCROLL_PAGEDOWN, m_nPos);
  }
}

void CSkinSlider::OnMotion(wxMouseEvent& event) {
  if (!m_bDragging) return;
  const int pos = PosFromX(event.GetX());
  if (pos != m_nPos) Send(wxEVT_SCROLL_THUMBTRACK, pos);
}

void CSkinSlider::OnLeftUp(wxMouseEvent& event) {
  if (!m_bDragging) return;
  m_bDragging = false;
  if (HasCapture()) ReleaseMouse();
  Send(wxEVT_SCROLL_THUMBRELEASE, PosFromX(event.GetX()));
}

void CSkinSlider::OnCaptureLost(wxMouseCaptureLostEvent&) { m_bDragging = false; }

void CSkinSlider::OnKey(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_LEFT: case WXK_UP: Send(wxEVT_SCROLL_LINEUP, m_nPos); break;
    case WXK_RIGHT: case WXK_DOWN: Send(wxEVT_SCROLL_LINEDOWN, m_nPos); break;
    case WXK_PAGEUP: Send(wxEVT_SCROLL_PAGEUP, m_nPos); break;
    case WXK_PAGEDOWN: Send(wxEVT_SCROLL_PAGEDOWN, m_nPos); break;
    case WXK_HOME: Send(wxEVT_SCROLL_TOP, m_nPos); break;
    case WXK_END: Send(wxEVT_SCROLL_BOTTOM, m_nPos); break;
    default: event.Skip();
  }
}

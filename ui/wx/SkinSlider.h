// The frame slider: a track drawn from a channel picture over the skin with a picture
// thumb. Sends scroll events with the track bar's notification meanings.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

class ISkinBackground;
class IUserInteraction;

class CSkinSlider : public wxControl {
 public:
  CSkinSlider(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize);

  // Where a failed picture load is reported (the desktop's message box by default).
  void SetUser(IUserInteraction& ui) { m_ui = &ui; }
  // Pictures from the embedded resources; a second load while one is held is refused, a
  // failed load is reported with the image error text and leaves the picture empty.
  bool SetThumbPicture(int resourceId);
  bool SetChannelPicture(int resourceId);
  void UseParentBackground(ISkinBackground* pSource);

  void SetRange(int low, int high);
  void SetPos(int pos);
  int GetPos() const { return m_nPos; }
  int GetMin() const { return m_nMin; }
  int GetMax() const { return m_nMax; }
  // Thumb rectangle in client coordinates.
  wxRect ThumbRect() const;

  bool AcceptsFocus() const override { return IsEnabled(); }

 private:
  void OnPaint(wxPaintEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnKey(wxKeyEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  int PosFromX(int x) const;
  bool LoadOnce(wxBitmap& slot, int resourceId);
  void Send(wxEventType type, int pos);

  int m_nMin = 0, m_nMax = 100, m_nPos = 0;
  bool m_bDragging = false;
  wxBitmap m_thumb, m_channel, m_capture;
  ISkinBackground* m_pBackgroundSource = nullptr;
  IUserInteraction* m_ui;
};

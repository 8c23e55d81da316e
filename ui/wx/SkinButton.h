// Buttons drawn by the program over the skin: a picture face (hover, normal, selected)
// and/or a white caption, never the toolkit's theme. CSkinPicButton ignores the pointer.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

#include "ui/SkinRules.h"

// The window behind skinned controls hands out the pixels a control covers.
class ISkinBackground {
 public:
  virtual ~ISkinBackground() = default;
  // Background under `rect` (client coordinates of the provider); invalid when none.
  virtual wxBitmap CaptureBackground(const wxRect& rect) = 0;
};

class CSkinButton : public wxControl {
 public:
  CSkinButton(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize);
  ~CSkinButton() override;

  // Faces from the embedded PNG resources; ids 0, -2, -3 for the normal face and 0 for the
  // selected face mean none. A face that fails to load leaves the button without faces.
  bool SetFaces(int hoverId, unsigned long transparentColour, int normalId, int selectedId);
  void SetSelected(bool bSelected);
  bool IsSelected() const { return m_bSelected; }
  void SetCheckMode(bool bCheck) { m_bCheckMode = bCheck; }
  void SetCheck(int value);
  int GetCheck() const { return m_bChecked ? 1 : 0; }
  void SetFlat(bool bFlat) { m_bFlat = bFlat; }
  // Pressed look while a popup the button opened is up.
  void SetMenuOpen(bool bOpen);
  void SetLink(const wxString& link) { m_szLink = link; }
  // Paint the provider's pixels behind the content; the capture is taken at the next paint.
  void UseParentBackground(ISkinBackground* pSource, bool bRepaint);
  // Drawn when no face is loaded (the artwork is missing): a plain face with this label.
  void SetFallbackLabel(const wxString& label) { m_szFallback = label; }

  void SetLabel(const wxString& label) override;
  bool Enable(bool bEnable = true) override;
  // A click takes the focus (so an open entry elsewhere closes); Tab passes the button by.
  bool AcceptsFocus() const override { return true; }
  bool AcceptsFocusFromKeyboard() const override { return false; }

  bool HasFaces() const { return m_faceHover.IsOk(); }
  skin::Face CurrentFace() const;
  bool IsHover() const { return m_bHover; }
  // The caption as drawn (shortened to the button's width).
  wxString DisplayedCaption() const;

  // Runs the button's click (what a press and release over it does).
  void Click();

 protected:
  virtual bool TracksHover() const { return true; }
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnEnter(wxMouseEvent& event);
  void OnLeave(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void OnKillFocus(wxFocusEvent& event);
  void ClearHover();
  void DrawFallbackFace(wxDC& dc, const wxRect& rc) const;
  bool IsPressed() const;

  bool m_bFlat = true;
  bool m_bHover = false;
  bool m_bPushed = false;  // left button held over the button
  bool m_bCheckMode = false;
  bool m_bChecked = false;
  bool m_bSelected = false;
  bool m_bTransparent = false;
  bool m_bMenuOpen = false;
  ISkinBackground* m_pBackgroundSource = nullptr;
  wxBitmap m_capture;
  wxBitmap m_faceHover, m_faceNormal, m_faceSelected;
  unsigned long m_transparentColour = 0;  // stored only
  wxString m_szLink;
  wxString m_szFallback;
};

// Picture buttons: the hover face shows only while pressed or selected.
class CSkinPicButton : public CSkinButton {
 public:
  using CSkinButton::CSkinButton;

 protected:
  bool TracksHover() const override { return false; }
};

// Caption font of skinned controls: Arial, 12 pixels high, normal weight.
wxFont SkinCaptionFont();

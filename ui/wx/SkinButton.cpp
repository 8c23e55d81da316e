#include "ui/wx/SkinButton.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "ui/wx/PictureBitmap.h"

wxFont SkinCaptionFont() {
  static const wxFont font(wxFontInfo(wxSize(0, 12)).FaceName("Arial"));
  return font;
}

CSkinButton::CSkinButton(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetFont(SkinCaptionFont());
  Bind(wxEVT_PAINT, &CSkinButton::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CSkinButton::OnLeftDown, this);
  Bind(wxEVT_LEFT_DCLICK, &CSkinButton::OnLeftDown, this);  // a double click is one press
  Bind(wxEVT_LEFT_UP, &CSkinButton::OnLeftUp, this);
  Bind(wxEVT_MOTION, &CSkinButton::OnMotion, this);
  Bind(wxEVT_ENTER_WINDOW, &CSkinButton::OnEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, &CSkinButton::OnLeave, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CSkinButton::OnCaptureLost, this);
  Bind(wxEVT_KILL_FOCUS, &CSkinButton::OnKillFocus, this);
}

CSkinButton::~CSkinButton() {
  if (HasCapture()) ReleaseMouse();
}

wxSize CSkinButton::DoGetBestSize() const {
  if (m_faceNormal.IsOk()) return m_faceNormal.GetSize();
  if (m_faceHover.IsOk()) return m_faceHover.GetSize();
  return wxSize(50, 22);
}

bool CSkinButton::SetFaces(int hoverId, unsigned long transparentColour, int normalId, int selectedId) {
  m_faceHover = m_faceNormal = m_faceSelected = wxBitmap();
  m_transparentColour = transparentColour;
  const wxImage hover = LoadResourceImage(hoverId);
  if (!hover.IsOk()) {
    Refresh();
    return false;
  }
  wxImage normal, selected;
  if (normalId != 0 && normalId != -2 && normalId != -3) {
    normal = LoadResourceImage(normalId);
    if (!normal.IsOk()) {
      Refresh();
      return false;
    }
  }
  if (selectedId != 0) {
    selected = LoadResourceImage(selectedId);
    if (!selected.IsOk()) {
      Refresh();
      return false;
    }
  }
  m_faceHover = wxBitmap(hover);
  if (normal.IsOk()) m_faceNormal = wxBitmap(normal);
  if (selected.IsOk()) m_faceSelected = wxBitmap(selected);
  Refresh();
  return true;
}

void CSkinButton::SetSelected(bool bSelected) {
  if (bSelected == m_bSelected) return;
  m_bSelected = bSelected;
  Refresh();
}

void CSkinButton::SetCheck(int value) {
  if (!m_bCheckMode) return;
  m_bChecked = skin::CheckValueChecks(value);
  Refresh();
}

void CSkinButton::SetMenuOpen(bool bOpen) {
  if (bOpen == m_bMenuOpen) return;
  m_bMenuOpen = bOpen;
  Refresh();
}

void CSkinButton::UseParentBackground(ISkinBackground* pSource, bool bRepaint) {
  m_bTransparent = true;
  m_pBackgroundSource = pSource;
  m_capture = wxBitmap();
  if (bRepaint) Refresh();
}

void CSkinButton::SetLabel(const wxString& label) {
  if (label == GetLabel()) return;
  wxControl::SetLabel(label);
  Refresh();
}

bool CSkinButton::Enable(bool bEnable) {
  if (!bEnable) ClearHover();
  const bool changed = wxControl::Enable(bEnable);
  if (changed) Refresh();
  return changed;
}

bool CSkinButton::IsPressed() const {
  if (m_bCheckMode) return m_bPushed || m_bChecked;
  return m_bPushed || m_bMenuOpen;
}

skin::Face CSkinButton::CurrentFace() const {
  skin::ButtonState s;
  s.bHasHover = m_faceHover.IsOk();
  s.bHasNormal = m_faceNormal.IsOk();
  s.bHasSelected = m_faceSelected.IsOk();
  s.bSelected = m_bSelected;
  s.bPressed = IsPressed();
  s.bHover = m_bHover;
  s.bCheckMode = m_bCheckMode;
  return skin::ChooseFace(s);
}

wxString CSkinButton::DisplayedCaption() const {
  const wxString text = GetLabel();
  if (text.empty()) return text;
  wxClientDC dc(const_cast<CSkinButton*>(this));
  dc.SetFont(SkinCaptionFont());
  const std::string shortened = skin::PathEllipsis(
      text.ToStdString(wxConvUTF8), GetClientSize().x - 2,
      [&dc](const std::string& s) { return dc.GetTextExtent(wxString::FromUTF8(s)).x; });
  return wxString::FromUTF8(shortened);
}

void CSkinButton::DrawFallbackFace(wxDC& dc, const wxRect& rc) const {
  // A plain face for a button whose pictures are not available.
  wxColour top(58, 96, 150), bottom(28, 52, 92);
  if (!IsEnabled()) top = bottom = wxColour(90, 96, 106);
  else if (m_bSelected || IsPressed()) top = wxColour(240, 160, 40), bottom = wxColour(190, 110, 20);
  else if (m_bHover) top = wxColour(80, 128, 190), bottom = wxColour(40, 72, 120);
  wxRect inner = rc;
  inner.Deflate(1);
  dc.GradientFillLinear(inner, top, bottom, wxSOUTH);
  dc.SetPen(wxPen(wxColour(16, 28, 48)));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRoundedRectangle(inner, 3);
  if (!m_szFallback.empty()) {
    dc.SetFont(SkinCaptionFont());
    dc.SetTextForeground(IsEnabled() ? *wxWHITE : wxColour(170, 170, 170));
    dc.DrawLabel(m_szFallback, rc, wxALIGN_CENTER);
  }
}

void CSkinButton::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxRect rc(GetClientSize());
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  if (m_bTransparent) {
    if (!m_capture.IsOk() && m_pBackgroundSource)
      m_capture = m_pBackgroundSource->CaptureBackground(GetRect());
    if (m_capture.IsOk()) dc.DrawBitmap(m_capture, 0, 0, false);
    else {
      dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
      dc.Clear();
    }
  } else {
    const bool hot = m_bHover || IsPressed();
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(hot ? wxSYS_COLOUR_BTNHIGHLIGHT : wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
  }

  switch (CurrentFace()) {
    case skin::Face::Selected: dc.DrawBitmap(m_faceSelected, 0, 0, true); break;
    case skin::Face::Normal: dc.DrawBitmap(m_faceNormal, 0, 0, true); break;
    case skin::Face::Hover: dc.DrawBitmap(m_faceHover, 0, 0, true); break;
    case skin::Face::None:
      if (!m_szFallback.empty()) DrawFallbackFace(dc, rc);
      break;
  }

  const wxString caption = DisplayedCaption();
  if (!caption.empty()) {
    dc.SetFont(SkinCaptionFont());
    if (!IsEnabled()) {
      dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT));
      dc.DrawLabel(caption, wxRect(rc.x + 1, rc.y + 1, rc.width, rc.height), wxALIGN_CENTER);
      dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
      dc.DrawLabel(caption, rc, wxALIGN_CENTER);
    } else {
      dc.SetTextForeground(*wxWHITE);
      dc.DrawLabel(caption, rc, wxALIGN_CENTER);
    }
  }
}

void CSkinButton::OnLeftDown(wxMouseEvent&) {
  if (!IsEnabled()) return;
  m_bPushed = true;
  if (!HasCapture()) CaptureMouse();
  Refresh();
}

void CSkinButton::OnLeftUp(wxMouseEvent& event) {
  if (HasCapture()) ReleaseMouse();
  const bool wasPushed = m_bPushed;
  m_bPushed = false;
  Refresh();
  if (wasPushed && IsEnabled() && wxRect(GetClientSize()).Contains(event.GetPosition())) Click();
}

void CSkinButton::OnMotion(wxMouseEvent& event) {
  event.Skip();
  if (!m_bFlat || !TracksHover()) return;
  const bool inside = wxRect(GetClientSize()).Contains(event.GetPosition());
  if (inside && !m_bHover) {
    if (event.LeftIsDown() && !m_bPushed) return;  // a drag from elsewhere
    m_bHover = true;
    Refresh();
  } else if (!inside && m_bHover) {
    ClearHover();
  }
}

void CSkinButton::OnEnter(wxMouseEvent& event) { OnMotion(event); }

void CSkinButton::OnLeave(wxMouseEvent& event) {
  event.Skip();
  ClearHover();
}

void CSkinButton::OnCaptureLost(wxMouseCaptureLostEvent&) {
  m_bPushed = false;
  ClearHover();
  Refresh();
}

void CSkinButton::OnKillFocus(wxFocusEvent& event) {
  event.Skip();
  ClearHover();
}

void CSkinButton::ClearHover() {
  if (!m_bHover) return;
  m_bHover = false;
  Refresh();
}

void CSkinButton::Click() {
  if (!IsEnabled()) return;
  SetFocus();
  if (m_bCheckMode) {
    m_bChecked = !m_bChecked;
    Refresh();
  } else if (!m_szLink.empty()) {
    wxLaunchDefaultBrowser(m_szLink);
  }
  wxCommandEvent click(wxEVT_BUTTON, GetId());
  click.SetEventObject(this);
  ProcessWindowEvent(click);
}

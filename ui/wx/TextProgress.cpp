#include "ui/wx/TextProgress.h"

#include <cmath>

#include <wx/dcbuffer.h>
#include <wx/renderer.h>
#include <wx/settings.h>

CTextProgress::CTextProgress(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE), m_marquee(this, 1) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CTextProgress::OnPaint, this);
  Bind(wxEVT_TIMER, &CTextProgress::OnTimer, this);
}

int CTextProgress::SetPos(int pos) {
  const int old = m_model.SetPos(pos);
  Refresh();
  Update();
  return old;
}

int CTextProgress::StepIt() {
  const int old = m_model.StepIt();
  Refresh();
  return old;
}

void CTextProgress::SetMarquee(bool on, int periodMs) {
  m_model.SetMarquee(on);
  if (on) m_marquee.Start(periodMs);
  else m_marquee.Stop();
  Refresh();
}

void CTextProgress::OnTimer(wxTimerEvent&) {
  m_model.MarqueeTick();
  Refresh();
}

wxString CTextProgress::CaptionText() const {
  return wxString::FromUTF8(m_model.Caption(GetLabel().ToStdString(wxConvUTF8), m_bShowText));
}

void CTextProgress::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  wxRect rc(GetClientSize());
  const auto sys = [](const wxColour& c, wxSystemColour fallback) {
    return c.IsOk() ? c : wxSystemSettings::GetColour(fallback);
  };
  const wxColour bar = sys(m_bar, wxSYS_COLOUR_HIGHLIGHT), back = sys(m_back, wxSYS_COLOUR_BTNFACE);
  const wxColour text = sys(m_text, wxSYS_COLOUR_WINDOWTEXT), onBar = sys(m_textOnBar, wxSYS_COLOUR_WINDOW);
  dc.SetBackground(wxBrush(back));
  dc.Clear();
  if (m_model.GetLow() >= m_model.GetHigh()) return;
  dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(rc);
  rc.Deflate(1);
  const double f = m_model.Fraction();
  int end = rc.x + static_cast<int>(rc.width * f);
  int start = rc.x;
  if (m_model.IsMarquee()) start = end - static_cast<int>(std::lround(rc.width * 20 / 100.0));
  const wxRect barRect(start, rc.y, std::max(0, end - start), rc.height);
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(bar));
  dc.DrawRectangle(barRect);

  const wxString caption = CaptionText();
  dc.SetFont(GetFont());
  const wxSize ext = dc.GetTextExtent(caption);
  int x = rc.x + 2;
  if (m_nAlign == 1) x = rc.x + (rc.width - ext.x) / 2;
  else if (m_nAlign == 2) x = rc.GetRight() - ext.x - 3;
  const int y = rc.y + (rc.height - ext.y) / 2;
  {
    wxDCClipper clip(dc, barRect);
    dc.SetTextForeground(onBar);
    dc.DrawText(caption, x, y);
  }
  dc.SetTextForeground(text);
  dc.SetClippingRegion(wxRect(rc.x, rc.y, std::max(0, barRect.x - rc.x), rc.height));
  dc.DrawText(caption, x, y);
  dc.DestroyClippingRegion();
  dc.SetClippingRegion(wxRect(barRect.GetRight() + 1, rc.y, std::max(0, rc.GetRight() - barRect.GetRight()), rc.height));
  dc.DrawText(caption, x, y);
  dc.DestroyClippingRegion();
}

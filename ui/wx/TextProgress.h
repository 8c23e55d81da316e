// Progress bar that paints itself: a flat sunken edge, the bar, and the caption with the
// percentage drawn once over the bar and once over the background in their own colours.
#pragma once

#include <wx/control.h>
#include <wx/timer.h>

#include "ui/SkinRules.h"

class CTextProgress : public wxControl {
 public:
  CTextProgress(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);

  skin::ProgressModel& Model() { return m_model; }
  void SetRange(int low, int high) { m_model.SetRange(low, high); Refresh(); }
  int SetPos(int pos);
  int StepIt();
  void SetShowText(bool b) { m_bShowText = b; Refresh(); }
  void SetTextAlign(int align) { m_nAlign = align; Refresh(); }  // 0 left, 1 centre, 2 right
  void SetBarColour(const wxColour& c) { m_bar = c; Refresh(); }
  void SetBackColour(const wxColour& c) { m_back = c; Refresh(); }
  void SetTextColour(const wxColour& c) { m_text = c; Refresh(); }
  void SetTextOnBarColour(const wxColour& c) { m_textOnBar = c; Refresh(); }
  // Marquee: a block moving back and forth, one step per `periodMs`.
  void SetMarquee(bool on, int periodMs);
  wxString CaptionText() const;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);

  skin::ProgressModel m_model;
  bool m_bShowText = true;
  int m_nAlign = 1;
  wxColour m_bar, m_back, m_text, m_textOnBar;  // invalid: the system colours
  wxTimer m_marquee;
};

// CNumEdit: an edit box that takes only the digits 0 to 9 and backspace from the keyboard;
// every other character is swallowed without a sound. Pasted text is not filtered.
#pragma once

#include <wx/textctrl.h>

class CNumEdit : public wxTextCtrl {
 public:
  CNumEdit(wxWindow* parent, int id, const wxString& value = wxString(), const wxPoint& pos = wxDefaultPosition,
           const wxSize& size = wxDefaultSize, long style = 0);
  // Whether a typed character reaches the edit.
  static bool Accepts(int nChar) { return (nChar >= '0' && nChar <= '9') || nChar == 8; }

 private:
  void OnChar(wxKeyEvent& event);
};

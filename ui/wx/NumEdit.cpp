#include "ui/wx/NumEdit.h"

CNumEdit::CNumEdit(wxWindow* parent, int id, const wxString& value, const wxPoint& pos, const wxSize& size,
                   long style)
    : wxTextCtrl(parent, id, value, pos, size, style) {
  Bind(wxEVT_CHAR, &CNumEdit::OnChar, this);
}

void CNumEdit::OnChar(wxKeyEvent& event) {
  const int c = event.GetUnicodeKey() != WXK_NONE ? static_cast<int>(event.GetUnicodeKey()) : event.GetKeyCode();
  // Keys without a character (arrows, Delete) and the clipboard shortcuts keep their normal
  // handling.
  if (event.GetUnicodeKey() == WXK_NONE || event.ControlDown() || Accepts(c)) event.Skip();
}

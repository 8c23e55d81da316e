#include "ui/wx/WindowReport.h"

#include <cstdio>
#include <string>

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/glcanvas.h>
#include <wx/radiobut.h>
#include <wx/scrolbar.h>
#include <wx/stopwatch.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include "base/AtomicFile.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/SkinSlider.h"

namespace {

std::string Quoted(const wxString& text) {
  std::string out = "\"";
  for (const char c : text.utf8_string()) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string Rect(const wxRect& r) {
  return "[" + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
         std::to_string(r.height) + "]";
}

// What a control shows as its text.
wxString TextOf(wxWindow* w) {
  if (auto* t = dynamic_cast<wxTextCtrl*>(w)) return t->GetValue();
  if (auto* c = dynamic_cast<wxComboBox*>(w)) return c->GetValue();
  if (auto* c = dynamic_cast<wxChoice*>(w)) return c->GetStringSelection();
  if (auto* s = dynamic_cast<CSkinSlider*>(w)) return wxString::Format("%d", s->GetPos());
  if (auto* s = dynamic_cast<wxScrollBar*>(w)) return wxString::Format("%d", s->GetThumbPosition());
  return w->GetLabel();
}

std::string Kind(wxWindow* w) {
  if (dynamic_cast<wxGLCanvas*>(w)) return "gl";
  if (dynamic_cast<wxScrollBar*>(w)) return "scrollbar";
  if (dynamic_cast<CSkinSlider*>(w)) return "slider";
  if (dynamic_cast<wxTextCtrl*>(w)) return "entry";
  if (dynamic_cast<wxCheckBox*>(w)) return "checkbox";
  if (dynamic_cast<wxRadioButton*>(w)) return "radio";
  if (dynamic_cast<wxComboBox*>(w)) return "combobox";
  if (dynamic_cast<CSkinButton*>(w)) return "skinbutton";
  return w->GetClassInfo() ? wxString(w->GetClassInfo()->GetClassName()).utf8_string() : "window";
}

// ",\"areas\":{...}" in screen coordinates for a window that names parts of itself, else "".
std::string AreasOf(wxWindow* w) {
  const auto* named = dynamic_cast<const IReportAreas*>(w);
  if (!named) return "";
  std::string out = ",\"areas\":{";
  bool first = true;
  for (const auto& [name, rect] : named->ReportAreas()) {
    if (rect.IsEmpty()) continue;
    if (!first) out += ",";
    first = false;
    out += Quoted(wxString::FromUTF8(name)) + ":" + Rect(wxRect(w->ClientToScreen(rect.GetPosition()), rect.GetSize()));
  }
  return out + "}";
}

void AddControls(wxWindow* parent, std::string& out, bool& first) {
  for (wxWindow* w : parent->GetChildren()) {
    if (w->IsTopLevel()) continue;
    if (!first) out += ",";
    first = false;
    const bool checked = dynamic_cast<wxCheckBox*>(w)      ? static_cast<wxCheckBox*>(w)->GetValue()
                         : dynamic_cast<wxRadioButton*>(w) ? static_cast<wxRadioButton*>(w)->GetValue()
                                                           : false;
    out += "{\"id\":" + std::to_string(w->GetId()) + ",\"kind\":" + Quoted(Kind(w)) + ",\"text\":" + Quoted(TextOf(w)) +
           ",\"rect\":" + Rect(w->GetScreenRect()) + ",\"shown\":" + (w->IsShownOnScreen() ? "true" : "false") +
           ",\"enabled\":" + (w->IsEnabled() ? "true" : "false") + ",\"checked\":" + (checked ? "true" : "false") +
           ",\"focus\":" + (wxWindow::FindFocus() == w ? "true" : "false") + AreasOf(w) + "}";
    AddControls(w, out, first);
  }
}

class CReportWriter : public wxEvtHandler {
 public:
  CReportWriter(std::string path, int nIntervalMs) : m_path(std::move(path)), m_nIntervalMs(nIntervalMs) {
    wxTheApp->Bind(wxEVT_IDLE, &CReportWriter::OnIdle, this);
    m_clock.Start();
  }

 private:
  void OnIdle(wxIdleEvent& event) {
    event.Skip();
    if (m_clock.Time() < m_nIntervalMs) {
      event.RequestMore();  // look again once the interval has passed
      return;
    }
    m_clock.Start();
    const std::string text = WindowReportText();
    if (text == m_last) return;
    std::string error;
    if (WriteFileAtomically(m_path, text.data(), text.size(), &error)) m_last = text;
  }

  std::string m_path;
  int m_nIntervalMs;
  wxStopWatch m_clock;
  std::string m_last;
};

}  // namespace

std::string WindowReportText() {
  std::string out = "{\"windows\":[";
  bool firstWindow = true;
  for (wxWindow* top : wxTopLevelWindows) {
    auto* tlw = dynamic_cast<wxTopLevelWindow*>(top);
    if (!tlw) continue;
    if (!firstWindow) out += ",";
    firstWindow = false;
    const wxPoint client = tlw->ClientToScreen(wxPoint(0, 0));
    out += "{\"title\":" + Quoted(tlw->GetTitle()) + ",\"kind\":" + Quoted(Kind(tlw)) +
           ",\"rect\":" + Rect(tlw->GetScreenRect()) + ",\"client\":" +
           Rect(wxRect(client, tlw->GetClientSize())) + ",\"shown\":" + (tlw->IsShown() ? "true" : "false") +
           ",\"active\":" + (tlw->IsActive() ? "true" : "false") +
           ",\"maximized\":" + (tlw->IsMaximized() ? "true" : "false") + ",\"controls\":[";
    bool first = true;
    AddControls(tlw, out, first);
    out += "]}";
  }
  return out + "]}\n";
}

void StartWindowReport(const std::string& path, int nIntervalMs) {
  static CReportWriter* writer = nullptr;  // lives as long as the program
  if (!writer && !path.empty()) writer = new CReportWriter(path, nIntervalMs);
}

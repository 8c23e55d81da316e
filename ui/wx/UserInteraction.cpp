#include "ui/wx/UserInteraction.h"

#include <wx/arrstr.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>
#include <wx/window.h>

int CDesktopInteraction::Message(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
  return wxMessageBox(text, caption, style, parent);
}

namespace {

// "x" of the first "*.x" pattern of filter n in "label|pattern|label|pattern...", or "".
wxString FilterExtension(const wxString& wildcard, int n) {
  const wxArrayString parts = wxSplit(wildcard, '|');
  const size_t at = static_cast<size_t>(2 * n + 1);
  if (n < 0 || at >= parts.size()) return wxString();
  const wxString first = parts[at].BeforeFirst(';');
  return first.StartsWith("*.") ? first.Mid(2) : wxString();
}

}  // namespace

wxString CDesktopInteraction::ChooseFile(wxWindow* parent, const FileRequest& request, int* pFilter) {
  const long style = request.bSave ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  wxString name = request.szDefaultName;
  if (name.StartsWith("*")) name.clear();  // a pattern is no file name on this desktop
  wxFileDialog dialog(parent, wxString(), wxString(), name, request.szWildcard, style);
  if (dialog.ShowModal() != wxID_OK) return wxString();
  wxString path = dialog.GetPath();
  const int nFilter = dialog.GetFilterIndex();
  if (pFilter) *pFilter = nFilter;
  wxString ext = FilterExtension(request.szWildcard, nFilter);
  if (ext.empty()) ext = request.szDefaultExt;
  if (request.bSave && !ext.empty() && path.AfterLast('/').Find('.') == wxNOT_FOUND) path += "." + ext;
  return path;
}

bool CDesktopInteraction::OpenUrl(const wxString& url) { return wxLaunchDefaultBrowser(url); }

int CDesktopInteraction::ShowModal(wxDialog& dialog) { return dialog.ShowModal(); }

int CDesktopInteraction::PopupMenu(wxWindow* owner, wxMenu& menu, const wxPoint& pos) {
  return owner->GetPopupMenuSelectionFromUser(menu, pos);
}

IUserInteraction& CDesktopInteraction::Instance() {
  static CDesktopInteraction desktop;
  return desktop;
}

#include "app/wx/UiHooks.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

namespace uihooks {

MessageFn g_message;
FileFn g_file;
LaunchFn g_launch;

int ShowMessage(const wxString& text, const wxString& caption, long style) {
  if (g_message) return g_message(text, caption, style);
  return wxMessageBox(text, caption, style);
}

wxString ChooseFile(wxWindow* parent, const FileRequest& request) {
  if (g_file) return g_file(request);
  long style = request.bSave ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  wxString name = request.szDefaultName;
  if (name.StartsWith("*")) name.clear();  // a pattern is no file name on this desktop
  wxFileDialog dialog(parent, wxString(), wxString(), name, request.szWildcard, style);
  if (dialog.ShowModal() != wxID_OK) return wxString();
  wxString path = dialog.GetPath();
  if (request.bSave && !request.szDefaultExt.empty() && path.AfterLast('/').Find('.') == wxNOT_FOUND)
    path += "." + request.szDefaultExt;
  return path;
}

bool OpenInBrowser(const wxString& url) {
  if (g_launch) return g_launch(url);
  return wxLaunchDefaultBrowser(url);
}

}  // namespace uihooks

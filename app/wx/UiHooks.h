// The few places where the window asks the user or the desktop something: message boxes,
// file dialogs and opening pages. Tests replace them so nothing modal ever opens.
#pragma once

#include <functional>

#include <wx/string.h>

class wxWindow;

namespace uihooks {

// Returns wxYES, wxNO, wxOK or wxCANCEL as wxMessageBox does.
using MessageFn = std::function<int(const wxString& text, const wxString& caption, long style)>;

struct FileRequest {
  bool bSave = false;
  wxString szDefaultExt;
  wxString szDefaultName;
  wxString szWildcard;
};
// The chosen path, or empty when the user cancelled.
using FileFn = std::function<wxString(const FileRequest& request)>;
using LaunchFn = std::function<bool(const wxString& url)>;

// Null members mean the real thing.
extern MessageFn g_message;
extern FileFn g_file;
extern LaunchFn g_launch;

int ShowMessage(const wxString& text, const wxString& caption, long style = wxOK);
wxString ChooseFile(wxWindow* parent, const FileRequest& request);
bool OpenInBrowser(const wxString& url);

}  // namespace uihooks

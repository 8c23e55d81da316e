// The places where a window asks the user or the desktop something: message boxes, file
// choosers, opening a page, running a modal dialog, a popup menu. The windows get one of
// these when they are made; the desktop's own is the default, and the window tests pass one
// that answers by script, so nothing modal ever waits for a person.
#pragma once

#include <string>

#include <wx/gdicmn.h>
#include <wx/string.h>

class wxDialog;
class wxMenu;
class wxWindow;

class IUserInteraction {
 public:
  struct FileRequest {
    bool bSave = false;  // a save chooser asks before it overwrites
    wxString szDefaultExt;
    wxString szDefaultName;
    wxString szWildcard;
  };

  virtual ~IUserInteraction() = default;
  // wxYES, wxNO, wxOK or wxCANCEL as wxMessageBox returns them.
  virtual int Message(wxWindow* parent, const wxString& text, const wxString& caption, long style) = 0;
  // The chosen path; empty when the user cancelled. pFilter (may be null) receives the index
  // of the file type the user left chosen in the request's wildcard.
  virtual wxString ChooseFile(wxWindow* parent, const FileRequest& request, int* pFilter) = 0;
  wxString ChooseFile(wxWindow* parent, const FileRequest& request) { return ChooseFile(parent, request, nullptr); }
  virtual bool OpenUrl(const wxString& url) = 0;
  // Runs a dialog modally; its end code.
  virtual int ShowModal(wxDialog& dialog) = 0;
  // What a modal dialog is doing ("armed", "progress", "finished", "failed" of an export).
  virtual void DialogEvent(wxDialog& dialog, const std::string& szWhat) = 0;
  // A popup menu below `owner` at `pos` (its client coordinates); the chosen id or wxID_NONE.
  virtual int PopupMenu(wxWindow* owner, wxMenu& menu, const wxPoint& pos) = 0;
};

// The desktop's message boxes, GTK choosers, browser and menus.
class CDesktopInteraction : public IUserInteraction {
 public:
  int Message(wxWindow* parent, const wxString& text, const wxString& caption, long style) override;
  using IUserInteraction::ChooseFile;
  // A saved name without an extension gets the chosen file type's.
  wxString ChooseFile(wxWindow* parent, const FileRequest& request, int* pFilter) override;
  bool OpenUrl(const wxString& url) override;
  int ShowModal(wxDialog& dialog) override;
  void DialogEvent(wxDialog&, const std::string&) override {}
  int PopupMenu(wxWindow* owner, wxMenu& menu, const wxPoint& pos) override;

  // The one the program uses when it is given none.
  static IUserInteraction& Instance();
};

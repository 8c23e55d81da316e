// CDLGSCALE "自定义大小": width and height of the output, with an optional locked aspect ratio.
// The window keeps one of these and shows it each time, so the keep-ratio switch keeps its
// state while the program runs.
#pragma once

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "output/OutputDialogRules.h"

class CDLGSCALE : public wxDialog {
 public:
  enum { kWidthEdit = 1056, kHeightEdit = 1057, kKeepRatio = 1050 };
  explicit CDLGSCALE(wxWindow* parent);

  // Fills the edits from the current output size; ShowModal afterwards.
  void Prepare(int nWidth, int nHeight);
  // After OK: the numbers at the start of the edits.
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  bool KeepRatio() const { return m_bKeepRatio; }
  wxTextCtrl* WidthEdit() const { return m_pWidth; }
  wxTextCtrl* HeightEdit() const { return m_pHeight; }

 private:
  void OnChangeWidth(wxCommandEvent& event);
  void OnChangeHeight(wxCommandEvent& event);
  void OnKeepRatio(wxCommandEvent& event);
  void OnOK(wxCommandEvent& event);

  wxTextCtrl* m_pWidth = nullptr;
  wxTextCtrl* m_pHeight = nullptr;
  wxCheckBox* m_pKeepRatio = nullptr;
  bool m_bKeepRatio = true;
  CScaleSync m_sync{0, 0, true};
  int m_nWidth = 0, m_nHeight = 0;
};

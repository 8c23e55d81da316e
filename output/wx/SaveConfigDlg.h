// CDLGSAVECONFIG "设置": speed, loop and quality per output format, one page at a time over
// the main window's records.
#pragma once

#include <array>

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "output/OutputDialogRules.h"

class CDLGSAVECONFIG : public wxDialog {
 public:
  enum {
    kGroupFormats = 1053, kGroupSettings = 1055,
    kRadioSequence = 1043, kRadioGif = 1044, kRadioAvi = 1045, kRadioFlash = 1046, kRadioHtml = 1047,
    kSpeedEdit = 1048, kQualityEdit = 1049, kLoopCheck = 1050, kSpeedLabel = 1051, kQualityLabel = 1052,
  };
  // `records`: the main window's settings; `nOutputFormat`: the format of the command that
  // opened the dialog, whose page shows first.
  CDLGSAVECONFIG(wxWindow* parent, OutputSettingsTable& records, int nOutputFormat);

  int ShownFormat() const { return m_pages.ShownFormat(); }
  // Switches to a format's page as its radio button does.
  void SelectPage(int nFormat);

 private:
  void OnSelect(wxCommandEvent& event);
  void OnOK(wxCommandEvent& event);
  SettingsPageValues ReadShown() const;
  void ShowPage(int nFormat, const SettingsPageValues& values);

  CSettingsPages m_pages;
  std::array<wxRadioButton*, 5> m_radio{};  // indexed by format
  wxStaticBox* m_pSettingsGroup = nullptr;
  wxStaticText* m_pSpeedLabel = nullptr;
  wxStaticText* m_pQualityLabel = nullptr;
  wxTextCtrl* m_pSpeed = nullptr;
  wxTextCtrl* m_pQuality = nullptr;
  wxCheckBox* m_pLoop = nullptr;
  int m_nRowTop = 0;  // top of the speed row, below the settings group's top
};

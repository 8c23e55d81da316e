// The five pages of the new-project wizard. Each turns its controls' events into calls of
// the wizard's controller and shows what comes back.
#pragma once

#include <wx/panel.h>

#include "wizard/WizardFlow.h"

class wxCheckBox;
class wxComboBox;
class wxRadioButton;
class wxTextCtrl;

// Common base: a page knows the controller and carries a title line.
class CWizardPage : public wxPanel {
 public:
  CWizardPage(wxWindow* parent, wizard::WizardController& controller, const char* szTitle);

 protected:
  wxSizer* Body() const { return m_pBody; }
  wizard::WizardController& m_controller;

 private:
  wxSizer* m_pBody = nullptr;
};

// Welcome: open an existing project or create a new one; the start-up switch.
class CStep1 : public CWizardPage {
 public:
  CStep1(wxWindow* parent, wizard::WizardController& controller);

 private:
  void OnChoice(wxCommandEvent& event);
  void OnNoWizardAtStart(wxCommandEvent& event);
};

// Two pictures morphed into each other, or one picture warped.
class CStep2 : public CWizardPage {
 public:
  CStep2(wxWindow* parent, wizard::WizardController& controller);

 private:
  void OnKind(wxCommandEvent& event);
};

// The two pictures. The edits only show the loaded paths.
class CStep3 : public CWizardPage {
 public:
  CStep3(wxWindow* parent, wizard::WizardController& controller);
  bool ImagesLoaded() const { return m_controller.BothImagesLoaded(); }

 private:
  void OnBrowse(wxCommandEvent& event);
  wxTextCtrl* m_pEdit1 = nullptr;
  wxTextCtrl* m_pEdit2 = nullptr;
};

// The one picture of a warp.
class CStep4 : public CWizardPage {
 public:
  CStep4(wxWindow* parent, wizard::WizardController& controller);
  bool ImageLoaded() const { return m_controller.WarpImageLoaded(); }

 private:
  void OnBrowse(wxCommandEvent& event);
  wxTextCtrl* m_pEdit = nullptr;
};

// Size and length of the animation.
class CStep5 : public CWizardPage {
 public:
  CStep5(wxWindow* parent, wizard::WizardController& controller);
  // Every visit appends the three items again; the list is not emptied.
  void FillSizeList(const wizard::SizeList& list);
  wxString GetFrameLengthText() const;

 private:
  void OnSizeChosen(wxCommandEvent& event);
  void OnCustomSize(wxCommandEvent& event);
  wxComboBox* m_pSizes = nullptr;
  wxTextCtrl* m_pLength = nullptr;
};

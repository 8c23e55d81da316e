#include "output/wx/ScaleDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "ui/wx/NumEdit.h"
#include "ui/wx/Translation.h"

CDLGSCALE::CDLGSCALE(wxWindow* parent) : wxDialog(parent, wxID_ANY, _("自定义大小")) {
  m_pWidth = new CNumEdit(this, kWidthEdit, wxString(), wxDefaultPosition, wxSize(110, -1));
  m_pHeight = new CNumEdit(this, kHeightEdit, wxString(), wxDefaultPosition, wxSize(110, -1));
  m_pKeepRatio = new wxCheckBox(this, kKeepRatio, _("保持比例"));

  auto* grid = new wxFlexGridSizer(2, 8, 10);
  grid->Add(new wxStaticText(this, wxID_ANY, _("宽度:")), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_pWidth, 1, wxEXPAND);
  grid->Add(new wxStaticText(this, wxID_ANY, _("高度:")), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(m_pHeight, 1, wxEXPAND);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  buttons->Add(new wxButton(this, wxID_OK, _("确定")), 0, wxRIGHT, 8);
  buttons->Add(new wxButton(this, wxID_CANCEL, _("取消")));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 0, wxALL | wxEXPAND, 14);
  top->Add(m_pKeepRatio, 0, wxLEFT | wxRIGHT | wxBOTTOM, 14);
  top->Add(buttons, 0, wxALL | wxEXPAND, 10);
  SetSizerAndFit(top);

  m_pWidth->Bind(wxEVT_TEXT, &CDLGSCALE::OnChangeWidth, this);
  m_pHeight->Bind(wxEVT_TEXT, &CDLGSCALE::OnChangeHeight, this);
  m_pKeepRatio->Bind(wxEVT_CHECKBOX, &CDLGSCALE::OnKeepRatio, this);
  Bind(wxEVT_BUTTON, &CDLGSCALE::OnOK, this, wxID_OK);
}

void CDLGSCALE::Prepare(int nWidth, int nHeight) {
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  m_sync = CScaleSync(nWidth, nHeight, m_bKeepRatio);
  // Filling the edits is no user change: nothing is synced.
  m_pWidth->ChangeValue(wxString::Format("%d", nWidth));
  m_pHeight->ChangeValue(wxString::Format("%d", nHeight));
  m_pKeepRatio->SetValue(m_bKeepRatio);
}

void CDLGSCALE::OnChangeWidth(wxCommandEvent&) {
  std::string szHeight;
  if (m_sync.OnWidthChanged(m_pWidth->GetValue().utf8_string(), szHeight))
    m_pHeight->SetValue(wxString::FromUTF8(szHeight));
}

void CDLGSCALE::OnChangeHeight(wxCommandEvent&) {
  std::string szWidth;
  if (m_sync.OnHeightChanged(m_pHeight->GetValue().utf8_string(), szWidth))
    m_pWidth->SetValue(wxString::FromUTF8(szWidth));
}

void CDLGSCALE::OnKeepRatio(wxCommandEvent&) {
  m_bKeepRatio = !m_bKeepRatio;
  m_sync.ToggleKeepRatio();
}

void CDLGSCALE::OnOK(wxCommandEvent&) {
  m_nWidth = LeadingNumber(m_pWidth->GetValue().utf8_string());
  m_nHeight = LeadingNumber(m_pHeight->GetValue().utf8_string());
  EndModal(wxID_OK);
}

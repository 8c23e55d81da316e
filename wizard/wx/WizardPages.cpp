#include "wizard/wx/WizardPages.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "base/TextMarks.h"
#include "ui/wx/NumEdit.h"
#include "ui/wx/Translation.h"

namespace {

wxStaticText* Text(wxWindow* parent, const char* text) { return new wxStaticText(parent, wxID_ANY, Tr(text)); }

// A read-only path box with its "..." button beside it.
wxTextCtrl* AddPathRow(wxWindow* page, wxSizer* body, const char* label, int editId, int buttonId) {
  body->Add(Text(page, label), 0, wxTOP, 10);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* edit = new wxTextCtrl(page, editId, wxString(), wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
  row->Add(edit, 1, wxALIGN_CENTER_VERTICAL);
  auto* browse = new wxButton(page, buttonId, "...", wxDefaultPosition, wxSize(40, -1), wxBU_EXACTFIT);
  row->Add(browse, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 6);
  body->Add(row, 0, wxEXPAND | wxTOP, 4);
  return edit;
}

}  // namespace

CWizardPage::CWizardPage(wxWindow* parent, wizard::WizardController& controller, const char* szTitle)
    : wxPanel(parent, wxID_ANY), m_controller(controller) {
  auto* outer = new wxBoxSizer(wxVERTICAL);
  auto* title = Text(this, szTitle);
  wxFont font = title->GetFont();
  font.SetWeight(wxFONTWEIGHT_BOLD);
  font.SetPointSize(font.GetPointSize() + 2);
  title->SetFont(font);
  // A hidden label is measured in its old font: the title asks for its text's room in the new one.
  title->SetMinSize(title->GetTextExtent(title->GetLabel()));
  outer->Add(title, 0, wxBOTTOM, 12);
  m_pBody = new wxBoxSizer(wxVERTICAL);
  outer->Add(m_pBody, 1, wxEXPAND);
  SetSizer(outer);
}

CStep1::CStep1(wxWindow* parent, wizard::WizardController& controller)
    : CWizardPage(parent, controller, N_("欢迎使用项目向导")) {
  wxSizer* body = Body();
  body->Add(Text(this, N_("向导带你创建新的变形项目")), 0, wxBOTTOM, 14);
  body->Add(Text(this, N_("选择建项目方式：")), 0, wxBOTTOM, 6);
  auto* open = new wxRadioButton(this, wizid::kOpenExisting, _("打开一个已经存在的项目"), wxDefaultPosition,
                                 wxDefaultSize, wxRB_GROUP);
  auto* create = new wxRadioButton(this, wizid::kCreateNew, _("创建一个新项目"));
  open->SetValue(true);
  body->Add(open, 0, wxLEFT | wxBOTTOM, 12);
  body->Add(create, 0, wxLEFT, 12);
  body->Add(Text(this, N_("单击“下一步”继续，或单击“取消”退出向导。")), 0, wxTOP, 16);
  body->AddStretchSpacer();
  body->Add(new wxCheckBox(this, wizid::kNoWizardAtStart, _("启动程序不再显示向导对话框")), 0, wxTOP, 6);
  Bind(wxEVT_RADIOBUTTON, &CStep1::OnChoice, this, wizid::kOpenExisting);
  Bind(wxEVT_RADIOBUTTON, &CStep1::OnChoice, this, wizid::kCreateNew);
  Bind(wxEVT_CHECKBOX, &CStep1::OnNoWizardAtStart, this, wizid::kNoWizardAtStart);
}

void CStep1::OnChoice(wxCommandEvent& event) { m_controller.ChooseCreateNew(event.GetId() == wizid::kCreateNew); }

void CStep1::OnNoWizardAtStart(wxCommandEvent& event) { m_controller.NoWizardAtStartClicked(event.IsChecked()); }

CStep2::CStep2(wxWindow* parent, wizard::WizardController& controller)
    : CWizardPage(parent, controller, N_("选择创建项目类型")) {
  wxSizer* body = Body();
  auto* two = new wxRadioButton(this, wizid::kTwoPictures, _("混合变形"), wxDefaultPosition, wxDefaultSize,
                                wxRB_GROUP);
  two->SetValue(true);
  body->Add(two, 0, wxTOP, 4);
  // Each explanation sits under its radio button, in line with the button's text.
  body->AddSpacer(4);
  body->Add(Text(this, N_("通过两幅图像创建变形动画")), 0, wxLEFT, 26);
  body->Add(new wxRadioButton(this, wizid::kOnePicture, _("单个变形")), 0, wxTOP, 20);
  body->AddSpacer(4);
  body->Add(Text(this, N_("通过一幅图像创建变形动画")), 0, wxLEFT, 26);
  Bind(wxEVT_RADIOBUTTON, &CStep2::OnKind, this, wizid::kTwoPictures);
  Bind(wxEVT_RADIOBUTTON, &CStep2::OnKind, this, wizid::kOnePicture);
}

void CStep2::OnKind(wxCommandEvent& event) { m_controller.ChooseProjectKind(event.GetId() == wizid::kOnePicture); }

CStep3::CStep3(wxWindow* parent, wizard::WizardController& controller)
    : CWizardPage(parent, controller, N_("请从本地选择要变形的图像")) {
  m_pEdit1 = AddPathRow(this, Body(), N_("Image1 (开始图像)"), wizid::kImage1Edit, wizid::kImage1Browse);
  m_pEdit2 = AddPathRow(this, Body(), N_("Image2 (目标图像)"), wizid::kImage2Edit, wizid::kImage2Browse);
  Bind(wxEVT_BUTTON, &CStep3::OnBrowse, this, wizid::kImage1Browse);
  Bind(wxEVT_BUTTON, &CStep3::OnBrowse, this, wizid::kImage2Browse);
}

void CStep3::OnBrowse(wxCommandEvent& event) {
  if (!m_controller.Browse(event.GetId() == wizid::kImage1Browse ? 1 : 2)) return;
  m_pEdit1->SetValue(wxString::FromUTF8(m_controller.ImagePath(1)));
  m_pEdit2->SetValue(wxString::FromUTF8(m_controller.ImagePath(2)));
}

CStep4::CStep4(wxWindow* parent, wizard::WizardController& controller)
    : CWizardPage(parent, controller, N_("选择要变形的图像")) {
  m_pEdit = AddPathRow(this, Body(), N_("Image (变形图像)"), wizid::kWarpEdit, wizid::kWarpBrowse);
  Bind(wxEVT_BUTTON, &CStep4::OnBrowse, this, wizid::kWarpBrowse);
}

void CStep4::OnBrowse(wxCommandEvent&) {
  if (m_controller.Browse(0)) m_pEdit->SetValue(wxString::FromUTF8(m_controller.ImagePath(0)));
}

CStep5::CStep5(wxWindow* parent, wizard::WizardController& controller)
    : CWizardPage(parent, controller, N_("请设置动画的大小和长度")) {
  wxSizer* body = Body();
  body->Add(Text(this, N_("动画大小")), 0, wxTOP, 4);
  auto* sizeRow = new wxBoxSizer(wxHORIZONTAL);
  m_pSizes = new wxComboBox(this, wizid::kSizeList, wxString(), wxDefaultPosition, wxSize(150, -1), 0, nullptr,
                            wxCB_DROPDOWN);
  sizeRow->Add(m_pSizes, 0, wxALIGN_CENTER_VERTICAL);
  sizeRow->Add(new wxButton(this, wizid::kCustomSize, _("自定义设置大小...")), 0,
               wxLEFT | wxALIGN_CENTER_VERTICAL, 8);
  body->Add(sizeRow, 0, wxTOP, 4);
  body->Add(Text(this, N_("动画长度")), 0, wxTOP, 18);
  auto* lengthRow = new wxBoxSizer(wxHORIZONTAL);
  m_pLength = new CNumEdit(this, wizid::kFrameLength, wxString(), wxDefaultPosition, wxSize(80, -1));
  lengthRow->Add(m_pLength, 0, wxALIGN_CENTER_VERTICAL);
  lengthRow->Add(Text(this, N_("帧")), 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 6);
  body->Add(lengthRow, 0, wxTOP, 4);
  Bind(wxEVT_COMBOBOX, &CStep5::OnSizeChosen, this, wizid::kSizeList);
  Bind(wxEVT_BUTTON, &CStep5::OnCustomSize, this, wizid::kCustomSize);
}

void CStep5::FillSizeList(const wizard::SizeList& list) {
  m_pSizes->SetValue(wxString::FromUTF8(list.szText));
  for (const std::string& item : list.items) m_pSizes->Append(wxString::FromUTF8(item));
  m_pLength->SetValue(WizardText::kDefaultFrameLength);
}

wxString CStep5::GetFrameLengthText() const { return m_pLength->GetValue(); }

void CStep5::OnSizeChosen(wxCommandEvent& event) { m_controller.SizeChosen(event.GetString().utf8_string()); }

void CStep5::OnCustomSize(wxCommandEvent&) { m_pSizes->SetValue(wxString::FromUTF8(m_controller.CustomSize())); }

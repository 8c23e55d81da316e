#include "output/wx/SaveConfigDlg.h"

#include <algorithm>

#include <wx/button.h>

#include "base/TextMarks.h"
#include "ui/wx/NumEdit.h"
#include "ui/wx/Translation.h"

namespace {

// Radio buttons top to bottom, and the format each one shows.
struct RadioEntry {
  int nId;
  const char* szText;
  int nFormat;
};
constexpr RadioEntry kRadios[5] = {{CDLGSAVECONFIG::kRadioSequence, N_("图像序列"), ImageSequence},
                                   {CDLGSAVECONFIG::kRadioGif, N_("GIF动画"), AnimatedGif},
                                   {CDLGSAVECONFIG::kRadioAvi, N_("AVI电影"), AviMovie},
                                   {CDLGSAVECONFIG::kRadioFlash, N_("Flash动画"), FlashMovie},
                                   {CDLGSAVECONFIG::kRadioHtml, N_("HTML网页"), HtmlPage}};

// Places in pixels of the dialog's client area; the widths are the least ones, and grow to
// the widest text of the language shown.
constexpr int kMargin = 12;
constexpr int kFormatsWidth = 150;
constexpr int kSettingsWidth = 290;
constexpr int kGroupHeight = 190;
constexpr int kRowHeight = 26;
constexpr int kLabelWidth = 130;
constexpr int kEditWidth = 90;

}  // namespace

CDLGSAVECONFIG::CDLGSAVECONFIG(wxWindow* parent, OutputSettingsTable& records, int nOutputFormat)
    : wxDialog(parent, wxID_ANY, _("设置")), m_pages(records) {
  const int x0 = kMargin, y0 = kMargin;
  auto* formats = new wxStaticBox(this, kGroupFormats, _("输出格式"), wxPoint(x0, y0), wxSize(kFormatsWidth, kGroupHeight));
  int nFormatsWidth = std::max(kFormatsWidth, formats->GetBestSize().x);
  for (int i = 0; i < 5; ++i) {
    const RadioEntry& e = kRadios[i];
    wxRadioButton* r = new wxRadioButton(this, e.nId, Tr(e.szText), wxPoint(x0 + 14, y0 + 28 + i * 30),
                                         wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
    r->Bind(wxEVT_RADIOBUTTON, &CDLGSAVECONFIG::OnSelect, this);
    m_radio[static_cast<size_t>(e.nFormat)] = r;
    nFormatsWidth = std::max(nFormatsWidth, 14 + r->GetBestSize().x + 14);
  }
  formats->SetSize(nFormatsWidth, kGroupHeight);

  const int gx = x0 + nFormatsWidth + kMargin;
  m_pSettingsGroup = new wxStaticBox(this, kGroupSettings, _("格式设置"), wxPoint(gx, y0),
                                     wxSize(kSettingsWidth, kGroupHeight));
  m_nRowTop = 18;
  m_pSpeedLabel = new wxStaticText(this, kSpeedLabel, _("Flash (frames/s)"), wxPoint(gx + 14, 0));
  m_pQualityLabel = new wxStaticText(this, kQualityLabel, _("图像质量"), wxPoint(gx + 14, 0));
  // Every speed label a page may show, in this language, fits the label column.
  int nLabelWidth = std::max(kLabelWidth, m_pQualityLabel->GetBestSize().x);
  for (int f = 0; f < kOutputSettingsCount; ++f) {
    const std::string label = SettingsLayoutFor(f).szSpeedLabel;
    if (!label.empty()) nLabelWidth = std::max(nLabelWidth, m_pSpeedLabel->GetTextExtent(Tr(label)).x);
  }
  m_pSpeedLabel->SetSize(nLabelWidth, -1);
  m_pQualityLabel->SetSize(nLabelWidth, -1);
  m_pSpeed = new CNumEdit(this, kSpeedEdit, wxString(), wxPoint(gx + 14 + nLabelWidth + 8, 0),
                          wxSize(kEditWidth, kRowHeight));
  m_pQuality = new CNumEdit(this, kQualityEdit, wxString(), wxPoint(gx + 14 + nLabelWidth + 8, 0),
                            wxSize(kEditWidth, kRowHeight));
  m_pLoop = new wxCheckBox(this, kLoopCheck, _("自动循环播放"), wxPoint(gx + 14, 0));
  const int nSettingsWidth = std::max({kSettingsWidth, 14 + nLabelWidth + 8 + kEditWidth + 14,
                                       14 + m_pLoop->GetBestSize().x + 14, m_pSettingsGroup->GetBestSize().x});
  m_pSettingsGroup->SetSize(nSettingsWidth, kGroupHeight);

  const int by = y0 + kGroupHeight + kMargin;
  wxButton* ok = new wxButton(this, wxID_OK, _("确定"));
  wxButton* cancel = new wxButton(this, wxID_CANCEL, _("取消"));
  wxSize bs = ok->GetBestSize();
  bs.IncTo(cancel->GetBestSize());
  const int right = gx + nSettingsWidth;
  cancel->SetSize(right - bs.x, by, bs.x, bs.y);
  ok->SetSize(right - 2 * bs.x - 10, by, bs.x, bs.y);
  SetClientSize(right + kMargin, by + bs.y + kMargin);
  Bind(wxEVT_BUTTON, &CDLGSAVECONFIG::OnOK, this, wxID_OK);

  // OnInitDialog: the radio button of the opening format, and its page.
  const int nFirst = CSettingsPages::FirstPage(nOutputFormat);
  m_radio[static_cast<size_t>(nFirst)]->SetValue(true);
  SelectPage(nFirst);
}

SettingsPageValues CDLGSAVECONFIG::ReadShown() const {
  SettingsPageValues v;
  v.szSpeed = m_pSpeed->GetValue().utf8_string();
  v.szQuality = m_pQuality->GetValue().utf8_string();
  v.bLoop = m_pLoop->GetValue();
  return v;
}

void CDLGSAVECONFIG::SelectPage(int nFormat) {
  const SettingsPageValues values = m_pages.Select(nFormat, ReadShown());
  if (nFormat >= 0 && nFormat < 5 && !m_radio[static_cast<size_t>(nFormat)]->GetValue())
    m_radio[static_cast<size_t>(nFormat)]->SetValue(true);
  ShowPage(m_pages.ShownFormat(), values);
}

void CDLGSAVECONFIG::ShowPage(int nFormat, const SettingsPageValues& values) {
  m_pSpeed->ChangeValue(wxString::FromUTF8(values.szSpeed));
  m_pQuality->ChangeValue(wxString::FromUTF8(values.szQuality));
  m_pLoop->SetValue(values.bLoop);

  const SettingsPageLayout l = SettingsLayoutFor(nFormat);
  const int top = m_pSettingsGroup->GetPosition().y;
  const int speedY = top + m_nRowTop;
  const int qualityY = l.bQualityInSpeedRow ? speedY : speedY + kSettingsQualityRowOffset;
  // Labels sit centred on their edit's row.
  auto place = [](wxWindow* label, wxWindow* edit, int y) {
    edit->Move(edit->GetPosition().x, y);
    label->Move(label->GetPosition().x, y + std::max(0, (edit->GetSize().y - label->GetSize().y) / 2));
  };
  place(m_pSpeedLabel, m_pSpeed, speedY);
  place(m_pQualityLabel, m_pQuality, qualityY);
  m_pSpeedLabel->SetLabel(Tr(l.szSpeedLabel));
  m_pSpeedLabel->Show(l.bSpeedShown);
  m_pSpeed->Show(l.bSpeedShown);
  m_pQualityLabel->Show(l.bQualityShown);
  m_pQuality->Show(l.bQualityShown);
  m_pLoop->Move(m_pLoop->GetPosition().x, top + l.nLoopTop);
  m_pLoop->Show(l.bLoopShown);
}

void CDLGSAVECONFIG::OnSelect(wxCommandEvent& event) {
  for (const RadioEntry& e : kRadios)
    if (e.nId == event.GetId()) SelectPage(e.nFormat);
}

void CDLGSAVECONFIG::OnOK(wxCommandEvent&) {
  m_pages.Accept(ReadShown());
  EndModal(wxID_OK);
}

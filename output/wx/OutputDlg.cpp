#include "output/wx/OutputDlg.h"

#include <array>

#include <wx/sizer.h>
#include <wx/statbox.h>

#include "base/PathParts.h"
#include "base/TextMarks.h"
#include "output/wx/SaveConfigDlg.h"
#include "ui/wx/TextProgress.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

namespace {

wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

constexpr int kValueWidth = 240;

// What the dialog's template shows before a format fills it in: every opening starts from
// these, so a format that keeps a text shows the template's, not the last run's.
constexpr std::array<const char*, 4> kTemplateTexts = {N_("Animated GIF"), "30 frames", "30 frames/s", " 1.00 seconds"};

// A group of label / value rows.
wxStaticBoxSizer* MakeGroup(wxWindow* parent, const char* szTitle, const std::array<const char*, 4>& labels,
                            const std::array<int, 4>& ids, const std::array<const char*, 4>& initial) {
  auto* box = new wxStaticBoxSizer(wxVERTICAL, parent, Tr(szTitle));
  auto* grid = new wxFlexGridSizer(2, 6, 12);
  grid->AddGrowableCol(1);
  for (size_t i = 0; i < labels.size(); ++i) {
    grid->Add(new wxStaticText(box->GetStaticBox(), wxID_ANY, Tr(labels[i])), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxStaticText(box->GetStaticBox(), ids[i], Tr(initial[i]), wxDefaultPosition,
                               wxSize(kValueWidth, -1), wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE),
              1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
  }
  box->Add(grid, 1, wxALL | wxEXPAND, 8);
  return box;
}

}  // namespace

COUTPUTDlg::COUTPUTDlg(wxWindow* parent, OutputSettingsTable& records, IUserInteraction& ui)
    : wxDialog(parent, wxID_ANY, _("动画输出")), m_records(records), m_ui(ui), m_timer(this, 0) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(MakeGroup(this, N_("当前设置"), {N_("输出格式:"), N_("总共帧数:"), N_("动画速度:"), N_("动画长度:")},
                     {kFormatStatic, kFramesStatic, kSpeedStatic, kLengthStatic},
                     kTemplateTexts),
           0, wxALL | wxEXPAND, 10);
  top->Add(MakeGroup(this, N_("输出信息"),
                     {N_("实际输出帧数:"), N_("实际输出时间:"), N_("实际输出速度:"), N_("输出文件路径:")},
                     {kResultFrames, kResultTime, kResultSpeed, kResultFile}, {"", "", "", ""}),
           0, wxLEFT | wxRIGHT | wxEXPAND, 10);
  m_progress = new CTextProgress(this, kProgress, wxDefaultPosition, wxSize(-1, 22));
  m_progress->SetMinSize(wxSize(-1, 22));
  top->Add(m_progress, 0, wxALL | wxEXPAND, 10);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  m_pHelp = new wxButton(this, kHelpButton, _("帮助"));
  m_pSettings = new wxButton(this, kSettingsButton, _("设置..."));
  m_pOutput = new wxButton(this, kOutputButton, _("输出..."));
  m_pCancel = new wxButton(this, wxID_CANCEL, _("取消"));
  buttons->Add(m_pHelp, 0, wxRIGHT, 8);
  buttons->Add(m_pSettings, 0, wxRIGHT, 8);
  buttons->AddStretchSpacer();
  buttons->Add(m_pOutput, 0, wxRIGHT, 8);
  buttons->Add(m_pCancel);
  top->Add(buttons, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 10);
  SetSizerAndFit(top);
  SetEscapeId(wxID_CANCEL);

  Bind(wxEVT_BUTTON, &COUTPUTDlg::OnOutput, this, kOutputButton);
  Bind(wxEVT_BUTTON, &COUTPUTDlg::OnSettings, this, kSettingsButton);
  Bind(wxEVT_BUTTON, &COUTPUTDlg::OnCancel, this, wxID_CANCEL);
  Bind(wxEVT_BUTTON, &COUTPUTDlg::OnHelp, this, kHelpButton);
  Bind(wxEVT_TIMER, &COUTPUTDlg::OnTimer, this, 0);
}

void COUTPUTDlg::SetStatic(int nId, const wxString& text) {
  if (wxWindow* w = FindWindow(nId)) w->SetLabel(text);
}

wxString COUTPUTDlg::StaticText(int nId) const {
  const wxWindow* w = FindWindow(nId);
  return w ? w->GetLabel() : wxString();
}

int COUTPUTDlg::ProgressPos() const { return m_progress->Model().GetPos(); }

int COUTPUTDlg::Open(int nFormat, int nSpeed, int nFrames) {
  m_nFormat = nFormat;
  m_nSpeed = nSpeed;
  m_nFrames = nFrames;
  m_bArmed = false;
  m_szFileTitle.clear();
  m_szFilePath.clear();

  // OnInitDialog.
  m_progress->SetBarColour(wxColour(0, 255, 128));  // 0x0080FF00
  for (int id : {kResultFrames, kResultTime, kResultSpeed, kResultFile}) SetStatic(id, wxString());
  const int settingIds[4] = {kFormatStatic, kFramesStatic, kSpeedStatic, kLengthStatic};
  for (int i = 0; i < 4; ++i) SetStatic(settingIds[i], Tr(kTemplateTexts[static_cast<size_t>(i)]));
  const OutputDialogTexts t = MakeOutputDialogTexts(nFormat, nSpeed, nFrames);
  if (!t.szFormat.empty()) SetStatic(kFormatStatic, Tr(t.szFormat));
  SetStatic(kFramesStatic, U8(t.szFrames));
  FindWindow(kSpeedStatic)->Enable(t.bSpeedShown);
  FindWindow(kLengthStatic)->Enable(t.bSpeedShown);
  if (t.bSpeedShown) {
    SetStatic(kSpeedStatic, U8(t.szSpeed));
    SetStatic(kLengthStatic, U8(t.szLength));
  }
  m_progress->SetRange(0, 100);
  m_progress->Model().SetStep(OutputProgressStep(nFrames));
  m_progress->SetPos(0);
  for (wxButton* b : {m_pOutput, m_pSettings, m_pHelp}) b->Enable();
  m_pCancel->SetLabel(_("取消"));
  Layout();
  CentreOnParent();
  return m_ui.ShowModal(*this);
}

void COUTPUTDlg::OnOutput(wxCommandEvent&) {
  if (m_bArmed) return;  // one run per opening
  const OutputFileChoice choice = OutputFileChoiceFor(m_nFormat);
  if (!choice.bValid || m_nFormat == SingleFrame || !chooseFile) return;
  const std::string path = chooseFile(choice);
  if (path.empty()) return;
  for (wxButton* b : {m_pOutput, m_pSettings, m_pHelp}) b->Disable();
  m_szFilePath = path;
  m_szFileTitle = PathFileName(path);
  const std::string szKind = OutputKindName(m_nFormat, path);
  if (!szKind.empty()) SetStatic(kFormatStatic, Tr(szKind));
  m_bArmed = true;
  if (onArmed) onArmed(path);
  m_timer.StartOnce(1);
  m_ui.DialogEvent(*this, "armed");
}

void COUTPUTDlg::OnTimer(wxTimerEvent&) {
  // After the save dialog has gone and this dialog has repainted, the run starts once.
  m_timer.Stop();
  if (onStartRun) onStartRun();
}

void COUTPUTDlg::OnSettings(wxCommandEvent&) {
  CDLGSAVECONFIG dialog(this, m_records, m_nFormat);
  if (m_ui.ShowModal(dialog) != wxID_OK || m_nFormat == ImageSequence) return;
  if (m_nFormat < 0 || m_nFormat >= kOutputSettingsCount) return;
  const int s = m_records[static_cast<size_t>(m_nFormat)].nSpeed;
  SetStatic(kSpeedStatic, U8(OutputSpeedText(s)));
  SetStatic(kLengthStatic, U8(OutputLengthText(m_nFrames, s)));
}

void COUTPUTDlg::OnCancel(wxCommandEvent&) {
  m_timer.Stop();
  if (onCancel) onCancel();
  if (IsModal()) EndModal(wxID_CANCEL);
  else Hide();
}

void COUTPUTDlg::OnHelp(wxCommandEvent&) {
  if (onHelp) onHelp();
}

void COUTPUTDlg::SetProgress(int nPercent) {
  m_progress->SetPos(nPercent);
  m_ui.DialogEvent(*this, "progress");
}

void COUTPUTDlg::ShowResults(const OutputStatistics& stats) {
  m_progress->SetPos(100);
  SetStatic(kResultFrames, U8(stats.FramesText()));
  SetStatic(kResultTime, U8(stats.SecondsText()));
  SetStatic(kResultSpeed, U8(stats.SpeedText()));
  SetStatic(kResultFile, U8(m_szFileTitle));
  m_pCancel->SetLabel(_("&Close"));
  Layout();
  m_ui.DialogEvent(*this, "finished");
}

void COUTPUTDlg::ShowFailed() { m_ui.DialogEvent(*this, "failed"); }

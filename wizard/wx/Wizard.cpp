#include "wizard/wx/Wizard.h"

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statline.h>

#include "art/ArtworkIds.h"
#include "ui/wx/PictureBitmap.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"
#include "wizard/wx/WizardPages.h"

namespace {

constexpr int kPictureWidth = 120, kPictureHeight = 264;
constexpr int kPageWidth = 400;

// Picture 237, or a plain band of its size when the artwork is not built in.
wxBitmap SidePicture() {
  const wxImage image = LoadResourceImage(kArtWizardSide);
  if (image.IsOk()) return wxBitmap(image);
  wxBitmap bmp(kPictureWidth, kPictureHeight, 24);
  wxMemoryDC dc(bmp);
  dc.GradientFillLinear(wxRect(0, 0, kPictureWidth, kPictureHeight), wxColour(40, 70, 120), wxColour(20, 30, 50),
                        wxSOUTH);
  dc.SelectObject(wxNullBitmap);
  return bmp;
}

}  // namespace

CWizard::CWizard(wxWindow* parent, IWizardHost& host, IUserInteraction& ui)
    : wxDialog(parent, wxID_ANY, Tr(WizardText::kCaption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU),
      m_host(host),
      m_ui(ui),
      m_controller(host) {
  AddPage(new CStep1(this, m_controller));
  AddPage(new CStep2(this, m_controller));
  AddPage(new CStep3(this, m_controller));
  AddPage(new CStep4(this, m_controller));
  m_pStep5 = new CStep5(this, m_controller);
  AddPage(m_pStep5);
  // The page area: every page is placed on this rectangle, large enough for the largest
  // page at the desktop's font size.
  wxSize area(kPageWidth, kPictureHeight);
  for (const PageNode& node : m_pages) area.IncTo(node.pPage->GetBestSize());
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, SidePicture()), 0, wxALL, 10);
  m_pPageArea = top->Add(area.x, area.y, 1, wxEXPAND | wxTOP | wxBOTTOM | wxRIGHT, 10);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->AddStretchSpacer();
  buttons->Add(new wxButton(this, wizid::kBack, Tr(WizardText::kBack)), 0);
  buttons->Add(new wxButton(this, wizid::kNext, Tr(WizardText::kNext)), 0, wxLEFT, 2);
  buttons->Add(new wxButton(this, wizid::kCancel, Tr(WizardText::kCancel)), 0, wxLEFT, 12);
  buttons->Add(new wxButton(this, wizid::kHelp, Tr(WizardText::kHelp)), 0, wxLEFT, 12);

  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(top, 1, wxEXPAND);
  all->Add(new wxStaticLine(this, wxID_ANY), 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  all->Add(buttons, 0, wxEXPAND | wxALL, 10);
  SetSizerAndFit(all);
  PlacePages();
  ShowPage(wizard::kPageWelcome);

  SetEscapeId(wizid::kCancel);
  FrameButton(wizid::kNext)->SetDefault();
  Bind(wxEVT_BUTTON, &CWizard::OnNext, this, wizid::kNext);
  Bind(wxEVT_BUTTON, &CWizard::OnBack, this, wizid::kBack);
  Bind(wxEVT_BUTTON, &CWizard::OnCancel, this, wizid::kCancel);
  Bind(wxEVT_BUTTON, &CWizard::OnHelp, this, wizid::kHelp);
  Bind(wxEVT_CLOSE_WINDOW, &CWizard::OnClose, this);
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    event.Skip();
    CallAfter(&CWizard::PlacePages);
  });
  // A window manager may stack a dialog mapped while its parent was still being placed
  // below it: once shown, the wizard raises itself and takes the focus.
  Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
    event.Skip();
    if (event.IsShown()) CallAfter([this] {
        Raise();
        FrameButton(wizid::kNext)->SetFocus();
      });
  });
}

CWizard::~CWizard() = default;

int CWizard::Run() {
  // Centred on the window as it stands now (it may have been maximised since the wizard was
  // made).
  CentreOnParent();
  return m_ui.ShowModal(*this);
}

void CWizard::AddPage(wxWindow* pPage) {
  pPage->Hide();
  m_pages.push_back({m_controller.AddPage(), pPage});
}

void CWizard::PlacePages() {
  m_rcPage = m_pPageArea->GetRect();
  for (const PageNode& node : m_pages) {
    node.pPage->SetSize(m_rcPage);
    node.pPage->Layout();
  }
}

void CWizard::ShowPage(int n) {
  const std::optional<wizard::SizeList> sizes = m_controller.ShowPage(n);
  for (const PageNode& node : m_pages) node.pPage->Show(node.nPage == n);
  if (sizes) m_pStep5->FillSizeList(*sizes);
  const wizard::Buttons& b = m_controller.GetButtons();
  FrameButton(wizid::kBack)->Enable(b.bBack);
  FrameButton(wizid::kNext)->Enable(b.bNext);
  FrameButton(wizid::kCancel)->Enable(b.bCancel);
  FrameButton(wizid::kHelp)->Enable(b.bHelp);
  FrameButton(wizid::kNext)->SetLabel(Tr(b.szNextText));
}

void CWizard::ApplyMove(const wizard::Move& move) {
  if (move.kind == wizard::Move::Show) ShowPage(move.nPage);
  else if (move.kind == wizard::Move::EndOk) EndWizard(wxID_OK);
}

void CWizard::EndWizard(int nCode) {
  SetReturnCode(nCode);
  if (IsModal()) EndModal(nCode);
  else Hide();
}

void CWizard::OnNext(wxCommandEvent&) { ApplyMove(m_controller.Next(m_pStep5->GetFrameLengthText().utf8_string())); }

void CWizard::OnBack(wxCommandEvent&) { ApplyMove(m_controller.Back()); }

void CWizard::OnCancel(wxCommandEvent&) { EndWizard(wxID_CANCEL); }

void CWizard::OnHelp(wxCommandEvent&) { m_host.OpenHelp(); }

void CWizard::OnClose(wxCloseEvent&) { EndWizard(wxID_CANCEL); }

wxWindow* CWizard::Page(int nPage) const {
  for (const PageNode& node : m_pages)
    if (node.nPage == nPage) return node.pPage;
  return nullptr;
}

wxButton* CWizard::FrameButton(int nId) const { return static_cast<wxButton*>(FindWindow(nId)); }

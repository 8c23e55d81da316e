#include "app/wx/MainMorphDlg.h"

#include <chrono>
#include <ctime>

#include <wx/iconbndl.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/mstream.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#ifdef KESTRELLE_HAVE_ART
#include "art/Artwork.h"
#endif

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/MainMenus.h"
#include "app/RecoveryKeeper.h"
#include "base/AtomicFile.h"
#include "base/PathParts.h"
#include "app/wx/ControlPanel.h"
#include "app/wx/ExportCommands.h"
#include "app/wx/MainWizardHost.h"
#include "app/wx/PaneCanvas.h"
#include "autokey/AutoKeyCommand.h"
#include "render/wx/GLView.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/DesktopInfo.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"
#include "wizard/wx/Wizard.h"

namespace {

static_assert(cmdmap::kWxBase > wxID_HIGHEST, "menu ids must not meet the toolkit's own");
static_assert(ids::kFrameCountEdit < cmdmap::kWxBase, "control ids stay below the menu ids");

constexpr int W(int nCommand) { return cmdmap::ToWx(nCommand); }
wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ApplyTimer(wxTimer& timer, const editor::TimerChange& change, int periodMs, bool bOnce) {
  if (change.bStop) timer.Stop();
  if (change.bStart) timer.Start(periodMs, bOnce ? wxTIMER_ONE_SHOT : wxTIMER_CONTINUOUS);
}

// The application icon at every embedded size.
wxIconBundle AppIcons() {
  wxIconBundle bundle;
#ifdef KESTRELLE_HAVE_ART
  for (size_t i = 0; i < AppIconSizeCount(); ++i) {
    const uint8_t* data = nullptr;
    size_t bytes = 0;
    if (!FindAppIconPng(AppIconSize(i), &data, &bytes)) continue;
    wxMemoryInputStream in(data, bytes);
    wxImage image(in, wxBITMAP_TYPE_PNG);
    if (!image.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    bundle.AddIcon(icon);
  }
#endif
  return bundle;
}

// The window's size when it is not maximised.
const wxSize kDesignSize(1016, 760);

constexpr int kStartupPollMs = 40;
constexpr int kStartupWaitMs = 2000;  // a window manager that never maximises

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CMainMorphDlg, wxFrame)
  EVT_CLOSE(CMainMorphDlg::OnClose)
  EVT_CHAR_HOOK(CMainMorphDlg::OnCharHook)
  EVT_MENU_RANGE(cmdmap::kWxBase, cmdmap::kWxBase + cmdmap::Count() - 1, CMainMorphDlg::OnMenu)
  EVT_COMMAND_RANGE(ids::kNextFrameButton, ids::kAutoKeyButton, wxEVT_BUTTON, CMainMorphDlg::OnButton)
  EVT_TIMER(ids::kTimerRedraw, CMainMorphDlg::OnTimerRedraw)
  EVT_TIMER(ids::kTimerOpenSetup, CMainMorphDlg::OnTimerSetup)
  EVT_TIMER(ids::kTimerLoadSetup, CMainMorphDlg::OnTimerSetup)
  EVT_TIMER(ids::kTimerPlay, CMainMorphDlg::OnTimerPlay)
  EVT_TIMER(editor::HoverBlink::kBlinkTimerId, CMainMorphDlg::OnTimerBlink)
  EVT_TIMER(editor::HoverBlink::kEndTimerId, CMainMorphDlg::OnTimerBlinkEnd)
  EVT_TIMER(ids::kTimerStartup, CMainMorphDlg::OnStartupPoll)
  EVT_TIMER(ids::kTimerCloseAfterExport, CMainMorphDlg::OnTimerCloseAfterExport)
wxEND_EVENT_TABLE()
// clang-format on

CMainMorphDlg::CMainMorphDlg(const MainWindowOptions& options)
    : wxFrame(nullptr, wxID_ANY, mainwin::kProductName, wxDefaultPosition, kDesignSize),
      m_options(options),
      m_user(options.pUser ? *options.pUser : CDesktopInteraction::Instance()),
      m_timerRedraw(this, ids::kTimerRedraw),
      m_timerOpenSetup(this, ids::kTimerOpenSetup),
      m_timerLoadSetup(this, ids::kTimerLoadSetup),
      m_timerPlay(this, ids::kTimerPlay),
      m_timerBlink(this, editor::HoverBlink::kBlinkTimerId),
      m_timerBlinkEnd(this, editor::HoverBlink::kEndTimerId),
      m_timerStartup(this, ids::kTimerStartup),
      m_timerCloseAfterExport(this, ids::kTimerCloseAfterExport) {
  SetMinSize(wxSize(800, 600));
  m_pCanvas = new CPaneCanvas(this, m_session, [this](const SessionChange& c) { Apply(c); });
  m_pPanel = std::make_unique<CControlPanel>(m_pCanvas, m_user);
  m_pPanel->onEntryLostFocus = [this] {
    // Hiding the entry from a handler that runs inside the focus change is left to the loop.
    CallAfter([this] { Apply(m_session.FrameCountEntryLostFocus()); });
  };
  m_pCanvas->inEntry = [this](int x, int y) { return m_pPanel->EntryContains(x, y); };
  m_pExport = std::make_unique<CExportCommands>(*this, m_session, m_user);
  m_szRecoveryFolder = UserStateFolder(options.folders);
  if (!m_szRecoveryFolder.empty())
    m_pRecovery = std::make_unique<CRecoveryKeeper>(recovery::OwnCopyPath(m_szRecoveryFolder));
  CreateMenus();
  Apply(m_session.Redraw());
}

CMainMorphDlg::~CMainMorphDlg() {
  for (wxTimer* t : {&m_timerRedraw, &m_timerOpenSetup, &m_timerLoadSetup, &m_timerPlay, &m_timerBlink,
                     &m_timerBlinkEnd, &m_timerStartup, &m_timerCloseAfterExport})
    t->Stop();
  // The engine touches no window; its result is dropped with the window's pending calls.
  if (m_autoKeyThread.joinable()) m_autoKeyThread.join();
  if (m_session.AutoKeyRunning()) wxEndBusyCursor();
  // Every way the window ends on purpose (the close question answered, Esc, Exit) drops the
  // unsaved edits the user was asked about; a signal or a crash never gets here.
  if (m_pRecovery) m_pRecovery->Remove();
}

CGLView* CMainMorphDlg::PreviewView() const { return m_pCanvas->PreviewView(); }
wxScrollBar* CMainMorphDlg::ScrollBar(int nBarId) const { return m_pCanvas->ScrollBar(nBarId); }
CSkinButton* CMainMorphDlg::Button(int nId) const { return m_pPanel->Button(nId); }
wxTextCtrl* CMainMorphDlg::FrameCountEdit() const { return m_pPanel->Entry(); }

std::string CMainMorphDlg::SamplesFolder() const {
  const std::string found = FindDataPath("samples", m_options.folders);
  // Not found: the sample command then names the missing file beside the program.
  return found.empty() ? m_options.folders.szExeFolder + "/samples" : found;
}

std::string CMainMorphDlg::HelpPage() const { return FindDataPath("help/index.html", m_options.folders); }

// ---------------------------------------------------------------- menus

void CMainMorphDlg::CreateMenus() {
  auto* bar = new wxMenuBar;
  for (const menus::Menu& m : menus::MainMenuBar()) {
    std::vector<wxMenu*> stack{new wxMenu};
    std::vector<wxString> titles;
    for (const menus::MenuItem& item : m.items) {
      wxMenu* menu = stack.back();
      switch (item.kind) {
        case menus::ItemKind::Normal: menu->Append(W(item.nId), Tr(item.szText)); break;
        case menus::ItemKind::Check: menu->AppendCheckItem(W(item.nId), Tr(item.szText)); break;
        case menus::ItemKind::Separator: menu->AppendSeparator(); break;
        case menus::ItemKind::SubmenuBegin:
          stack.push_back(new wxMenu);
          titles.push_back(Tr(item.szText));
          break;
        case menus::ItemKind::SubmenuEnd: {
          wxMenu* sub = stack.back();
          stack.pop_back();
          stack.back()->AppendSubMenu(sub, titles.back());
          titles.pop_back();
          break;
        }
      }
    }
    bar->Append(stack.front(), Tr(m.szTitle));
  }
  SetMenuBar(bar);
}

void CMainMorphDlg::ApplyMenus() {
  wxMenuBar* bar = GetMenuBar();
  for (const menus::ItemState& s : menus::ComputeMenuState(m_session)) {
    wxMenuItem* item = bar->FindItem(W(s.nId));
    if (!item) continue;
    if (item->IsEnabled() != s.bEnabled) item->Enable(s.bEnabled);
    if (s.bCheckable && item->IsCheckable() && item->IsChecked() != s.bChecked) item->Check(s.bChecked);
    if (!s.szLabel.empty() && item->GetItemLabel() != Tr(s.szLabel)) item->SetItemLabel(Tr(s.szLabel));
  }
  const wxString title = U8(m_session.Title(mainwin::kProductName));
  if (GetTitle() != title) SetTitle(title);
}

// ---------------------------------------------------------------- applying a change

void CMainMorphDlg::Apply(const SessionChange& c) {
  if (c.bBackdrop) {
    m_pCanvas->ComposeBackdrop();
    m_pPanel->PlaceGroups(m_session.Panes().Layout());
    m_pPanel->UseBackground(m_pCanvas);
  }
  if (c.bLayout) m_pPanel->LayoutInfoBars(m_session);
  if (c.bLayout || c.bScrollBars) {
    m_pCanvas->PlaceScrollBars();
    m_pCanvas->PlacePreview();
  }
  for (int i = 0; i < 2; ++i)
    if (c.bPane[i]) m_pCanvas->RefreshPane(i);
  for (const editor::PixelRect& r : c.rects) m_pCanvas->RefreshArea(r);
  if (c.bReleaseMouse) m_pCanvas->CaptureFor(false);
  if (c.bCaptureMouse) m_pCanvas->CaptureFor(true);
  if (c.bFrameCount) m_pPanel->ShowFrameCount(m_session);
  // Whatever the preview draws, the slider and the read-out show the same frame.
  if (c.bFrame || c.bPreview) m_pPanel->ShowFrame(m_session);
  for (int i = 0; i < 2; ++i)
    if (c.bPosition[i]) m_pPanel->ShowPosition(m_session, i);
  if (c.bControls) m_pPanel->ShowControls(m_session);
  if (c.bMenus) ApplyMenus();
  if (c.playTimer.bStop) m_timerPlay.Stop();
  if (c.playTimer.bStart) m_timerPlay.StartOnce(m_playBeat.Start(NowMs()));
  ApplyTimer(m_timerBlink, c.blinkTimer, editor::HoverBlink::kBlinkPeriodMs, false);
  ApplyTimer(m_timerBlinkEnd, c.blinkEndTimer, editor::HoverBlink::kEndDelayMs, true);
  if (c.nSetupTimer == ids::kTimerOpenSetup) m_timerOpenSetup.StartOnce(1);
  if (c.nSetupTimer == ids::kTimerLoadSetup) m_timerLoadSetup.StartOnce(1);
  if (c.entry == SessionChange::Entry::Show) m_pPanel->OpenEntry(m_session);
  if (c.entry == SessionChange::Entry::Hide) m_pPanel->CloseEntry();
  if (c.bPreview) m_pCanvas->DrawPreview();
  // The writer thread takes it from here; the window never waits for the disk.
  if (m_pRecovery) m_pRecovery->Update(m_session.RecoveryState());
  if (!c.szMessage.empty()) ShowMessage(c.szMessage, c.messageKind);
}

void CMainMorphDlg::ShowMessage(const std::string& text, SessionChange::MessageKind kind) {
  const long icon = kind == SessionChange::MessageKind::Error     ? wxICON_ERROR
                    : kind == SessionChange::MessageKind::Warning ? wxICON_WARNING
                                                                  : wxICON_INFORMATION;
  m_user.Message(this, Tr(text), mainwin::kProductName, wxOK | icon);
}

// ---------------------------------------------------------------- start-up and closing

void CMainMorphDlg::InitDialog() {
  SetIcons(AppIcons());
  // The window first stands at its design size, centred; it is maximised once it is on the
  // screen that way (see OnStartupPoll). A window manager keeps the geometry a window had when
  // it was maximised as the one a restore returns to: a window maximised before the toolkit
  // had given it its size would come back at its minimum size, in a corner.
  if (m_options.bMaximise) {
    SetSize(kDesignSize);
    CentreOnScreen();
  }
  Show();
  m_config = ReadStartupConfigFile(ConfigPathForRead(m_options.folders));
  // A project named on the command line is what the user asked for instead of the wizard.
  m_bWizardRequested = m_config.bConfigFound && m_config.bShowWizard && m_options.szOpenFile.empty();
  if (!m_options.szOpenFile.empty()) Apply(m_session.OpenProject(m_options.szOpenFile));
  // Questions and the wizard wait until the window stands where the desktop puts it: a
  // dialog mapped before its parent is placed may end up below it.
  m_nStartupSince = NowMs();
  m_timerStartup.Start(kStartupPollMs);
}

void CMainMorphDlg::OnStartupPoll(wxTimerEvent&) {
  const wxSize size = GetClientSize();
  const bool stable = IsShownOnScreen() && size == m_lastStartupSize;
  m_lastStartupSize = size;
  const bool timedOut = NowMs() - m_nStartupSince >= kStartupWaitMs;
  if (m_options.bMaximise && !m_bMaximiseAsked) {
    if (!timedOut && !(IsShownOnScreen() && GetSize() == kDesignSize)) return;
    m_bMaximiseAsked = true;
    CentreOnScreen();  // where the desktop may have put it elsewhere
    Maximize();
    m_nStartupSince = NowMs();
    return;
  }
  const bool waitMaximise = m_options.bMaximise && !IsMaximized() && DesktopHasWindowManager();
  if ((!stable || waitMaximise) && !timedOut) return;
  m_timerStartup.Stop();
  StartWhenPlaced();
}

void CMainMorphDlg::StartWhenPlaced() {
  if (!m_config.bConfigFound) m_user.Message(this, Tr(AppConfigText::kConfigMissing), mainwin::kProductName, wxOK);
  if (OfferRecovery()) return;  // the restored project is what the user works on
  if (m_bWizardRequested && m_options.bStartupWizard) RunWizard(true);
}

namespace {

wxString RecoveryProjectName(const RecoveryCopy& copy) {
  const std::string name = PathFileName(copy.szProjectPath);
  return copy.szProjectPath.empty() || name.empty() ? _("未命名项目") : U8(name);
}

wxString RecoveryTime(const RecoveryCopy& copy) {
  char text[64] = "";
  std::tm local{};
  if (localtime_r(&copy.written, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return U8(text);
}

}  // namespace

bool CMainMorphDlg::OfferRecovery() {
  if (!m_pRecovery) return false;
  for (const RecoveryCopy& copy : recovery::LeftBehind(m_szRecoveryFolder)) {
    const wxString question =
        wxString::Format(_("程序上次结束时，项目“%s”有未保存的修改（%s 自动保存）。\n\n"
                           "是否恢复这些修改？不恢复则丢弃它们。"),
                         RecoveryProjectName(copy), RecoveryTime(copy));
    const int answer = m_user.Message(this, question, mainwin::kProductName, wxYES_NO | wxICON_QUESTION);
    if (answer == wxNO) {
      recovery::RemoveCopy(copy.szPath);
      continue;
    }
    if (answer != wxYES) continue;  // not answered: offered again next time
    const SessionChange restored = m_session.RestoreRecovery(copy);
    if (restored.bRefused) {
      const wxString refused =
          wxString::Format(_("无法恢复项目“%s”：\n%s\n\n恢复副本已保留，找回图像后下次启动时可再恢复。"),
                           RecoveryProjectName(copy), Tr(restored.szMessage));
      m_user.Message(this, refused, mainwin::kProductName, wxOK | wxICON_WARNING);
      continue;
    }
    Apply(restored);
    // The edits live in this process's copy now; the old one would be offered again.
    m_pRecovery->Flush();
    recovery::RemoveCopy(copy.szPath);
    return true;
  }
  return false;
}

void CMainMorphDlg::SaveRecoveryForSignal() {
  if (m_pRecovery) {
    m_pRecovery->Update(m_session.RecoveryState());
    m_pRecovery->Flush();
  }
  LiveTemporaries::RemoveAll();
}

void CMainMorphDlg::OnClose(wxCloseEvent& event) {
  if (event.CanVeto()) {
    const int answer =
        m_user.Message(this, _("你是否真的要关闭程序?"), mainwin::kProductName, wxYES_NO | wxICON_QUESTION);
    if (answer != wxYES) {
      event.Veto();
      return;
    }
  }
  if (m_pExport->CommandActive()) {
    // An export is on the stack below this handler: it stops first, the window goes after.
    m_pExport->EndForClose();
    m_timerCloseAfterExport.Start(20);
    return;
  }
  FinishClose();
}

void CMainMorphDlg::FinishClose() {
  const wxString page = U8(m_config.szHomePage);
  Destroy();
  if (!page.empty()) m_user.OpenUrl(page);
}

void CMainMorphDlg::OnTimerCloseAfterExport(wxTimerEvent&) {
  if (m_pExport->CommandActive()) {
    m_pExport->EndForClose();  // a finished run's dialog waits for its Close
    return;
  }
  m_timerCloseAfterExport.Stop();
  FinishClose();
}

void CMainMorphDlg::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE) {
    Destroy();  // Esc ends the program at once, without the question
    return;
  }
  if (event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER) {
    // Every Return in the window belongs to the frame-count entry.
    Apply(m_session.ReturnPressed(m_pPanel->Entry()->GetValue().utf8_string()));
    return;
  }
  event.Skip();
}

void CMainMorphDlg::RunWizard(bool bAtStartup) {
  wizard::Ending result;
  {
    CMainWizardHost host(*this);
    CWizard wizard(this, host, m_user);
    wizard.Run();
    result = wizard.GetResult();
  }
  const wizard::FollowUp next = wizard::FollowUpOf(result, bAtStartup);
  if (next.nFrameCount > 0) Apply(m_session.SetFrameCount(next.nFrameCount));
  if (next.bResetProject) Apply(m_session.ResetProject());
  if (next.bOpenProject) OpenProjectChosen();
}

// ---------------------------------------------------------------- timers

void CMainMorphDlg::OnTimerRedraw(wxTimerEvent&) { m_pCanvas->DrawPreview(); }

void CMainMorphDlg::OnTimerSetup(wxTimerEvent&) { Apply(m_session.PreviewSetup()); }

void CMainMorphDlg::OnTimerPlay(wxTimerEvent&) {
  Apply(m_session.PlayTick());
  if (m_session.IsPlaying() && !m_timerPlay.IsRunning()) m_timerPlay.StartOnce(m_playBeat.Next(NowMs()));
}

void CMainMorphDlg::OnTimerBlink(wxTimerEvent&) { Apply(m_session.BlinkTick()); }

void CMainMorphDlg::OnTimerBlinkEnd(wxTimerEvent&) { Apply(m_session.BlinkEnd()); }

// ---------------------------------------------------------------- automatic key points

void CMainMorphDlg::StartAutoKey() {
  if (m_session.AutoKeyRunning() || !m_session.IsReady()) return;
  auto job = std::make_shared<autokey::AutoKeyJob>(autokey::PrepareAutoKey(m_session.Project()));
  Apply(m_session.AutoKeyStarted());
  wxBeginBusyCursor();
  if (m_autoKeyThread.joinable()) m_autoKeyThread.join();
  m_autoKeyThread = std::thread([this, job] {
    auto outcome = std::make_shared<autokey::AutoKeyOutcome>();
    try {
      *outcome = autokey::RunAutoKey(*job);
    } catch (const std::exception& e) {
      outcome->proposals.status = autokey::ProposalStatus::InvalidInput;
      outcome->message = std::string("Automatic key points failed: ") + e.what();
    }
    CallAfter([this, outcome] {
      if (m_autoKeyThread.joinable()) m_autoKeyThread.join();
      wxEndBusyCursor();
      bool bChanged = false;
      std::string text;
      // The project may have changed since the snapshot: FinishAutoKey then refuses.
      SessionChange change = m_session.AutoKeyFinished(
          MakeMeshEditCommand("automatic key points", [&](MorphProject& project) {
            const autokey::AutoKeyApplied applied = autokey::FinishAutoKey(project, *outcome);
            bChanged = applied.changed;
            text = applied.message.empty() ? std::string("No key points were placed.") : applied.message;
            return bChanged ? Result::Success() : Result::Fail(text);
          }));
      if (bChanged) change.Message(text, SessionChange::MessageKind::Info);
      Apply(change);
    });
  });
}

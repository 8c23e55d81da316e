#include "app/wx/ExportCommands.h"

#include <algorithm>
#include <chrono>

#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/MainMenus.h"
#include "app/OutputCommands.h"
#include "app/OutputSizeCommands.h"
#include "app/ProjectSession.h"
#include "app/wx/MainMorphDlg.h"
#include "base/PathParts.h"
#include "output/OutputRequest.h"
#include "output/wx/CodecChoice.h"
#include "output/wx/OutputDlg.h"
#include "output/wx/SaveConfigDlg.h"
#include "output/wx/ScaleDlg.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

namespace {

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

IUserInteraction::FileRequest SaveRequestOf(const OutputFileChoice& choice) {
  IUserInteraction::FileRequest request;
  request.bSave = true;  // the overwrite question comes with it
  request.szDefaultExt = U8(choice.szDefaultExt);
  request.szDefaultName = U8(choice.szDefaultName);
  request.szWildcard = U8(choice.Wildcard());
  return request;
}

bool IsSizeCommand(int n) {
  return (n >= ids::kSizeImage1 && n <= ids::kSizeVcdNtsc) || n == ids::kSizeVcdPal || n == ids::kSizeCustom ||
         (n >= ids::kSizePopupFirst && n <= ids::kSizePopupLast) || (n >= ids::kSizeAltFirst && n <= ids::kSizeAltLast);
}

}  // namespace

CExportCommands::CExportCommands(CMainMorphDlg& window, ProjectSession& session, IUserInteraction& ui)
    : m_window(window), m_session(session), m_ui(ui) {}

CExportCommands::~CExportCommands() = default;

// ---------------------------------------------------------------- sizes

bool CExportCommands::RunSizeCommand(int nCommand) {
  if (nCommand == ids::kOutputSizeButton) {
    SizePopup();
    return true;
  }
  if (!IsSizeCommand(nCommand)) return false;
  const OutputSizeCommand command = m_session.ResolveSizeCommand(nCommand);
  int w = command.nWidth, h = command.nHeight;
  if (command.kind == OutputSizeKind::None) return true;
  if (command.kind == OutputSizeKind::Custom && !AskCustomSize(w, h)) return true;
  m_window.Apply(m_session.ApplyOutputSize(w, h));
  return true;
}

bool CExportCommands::AskCustomSize(int& w, int& h) {
  if (!m_dlgScale) m_dlgScale = new CDLGSCALE(&m_window);
  m_dlgScale->Prepare(m_session.Project().m_nOutputWidth, m_session.Project().m_nOutputHeight);
  if (m_ui.ShowModal(*m_dlgScale) != wxID_OK) return false;
  w = m_dlgScale->GetWidth();
  h = m_dlgScale->GetHeight();
  return true;
}

void CExportCommands::SizePopup() {
  // Built afresh at each click from the current pictures; it opens only with both.
  const std::vector<menus::MenuItem> items = menus::OutputSizeMenu(m_session);
  CSkinButton* button = m_window.Button(ids::kOutputSizeButton);
  if (items.empty() || !button) return;
  wxMenu menu;
  int nTextWidth = 0;
  wxClientDC dc(button);
  dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
  for (const menus::MenuItem& item : items) {
    menu.Append(cmdmap::ToWx(item.nId), Tr(item.szText));
    nTextWidth = std::max(nTextWidth, dc.GetTextExtent(Tr(item.szText)).x);
  }
  // Below the button and centred on it. The menu's width is known only once it shows: it
  // is its widest text and the margins a desktop menu keeps around its items.
  constexpr int kMenuMargins = 60;
  const wxSize size = button->GetSize();
  button->SetMenuOpen(true);
  const int chosen = m_ui.PopupMenu(button, menu, wxPoint((size.x - nTextWidth - kMenuMargins) / 2, size.y));
  button->SetMenuOpen(false);
  if (chosen != wxID_NONE) RunSizeCommand(cmdmap::FromWx(chosen));
}

// ---------------------------------------------------------------- settings, output dialog and run

void CExportCommands::EndForClose() {
  m_bOutputRunning = false;
  if (!m_bRunBusy && m_dlgOutput && m_dlgOutput->IsModal()) m_dlgOutput->EndModal(wxID_CANCEL);
}

bool CExportCommands::RunOutputCommand(int nCommand) {
  struct Active {
    int& n;
    explicit Active(int& count) : n(count) { ++n; }
    ~Active() { --n; }
  } active(m_nActive);
  switch (nCommand) {
    case ids::kOutputSettings: Settings(); return true;
    case ids::kOutputSingleFrame:
    case ids::kSingleFrameButton: SaveSingleFrame(); return true;
    default: break;
  }
  if (!ResolveOutputCommand(nCommand).bValid) return false;
  OpenOutputDialog(nCommand);
  return true;
}

void CExportCommands::Settings() {
  CDLGSAVECONFIG dialog(&m_window, m_session.OutputSettingsRecords(), m_session.m_nOutputFormat);
  m_ui.ShowModal(dialog);
}

void CExportCommands::OpenOutputDialog(int nCommand) {
  const OutputCommand command = ResolveOutputCommand(nCommand);
  if (!m_session.IsReady() || m_bRunBusy) return;  // a running export's dialog is open
  m_session.m_nOutputFormat = command.nFormat;
  if (command.bCopySpeed)
    m_session.m_nOutputSpeed = m_session.OutputSettingsRecords()[static_cast<size_t>(command.nFormat)].nSpeed;
  if (!m_dlgOutput) {
    m_dlgOutput = new COUTPUTDlg(&m_window, m_session.OutputSettingsRecords(), m_ui);
    m_dlgOutput->chooseFile = [this](const OutputFileChoice& choice) { return ChooseOutputFile(choice); };
    m_dlgOutput->onArmed = [this](const std::string& szPath) {
      m_bOutputRunning = true;
      m_szOutputPath = szPath;
    };
    // Posted, so the run starts from the event loop once the timer's handler has returned.
    m_dlgOutput->onStartRun = [this] { m_window.CallAfter([this] { StartRun(); }); };
    m_dlgOutput->onCancel = [this] { m_bOutputRunning = false; };
    m_dlgOutput->onHelp = [this] { m_window.RunCommand(ids::kHelp); };
  }
  m_bOutputRunning = false;
  const int nResult =
      m_dlgOutput->Open(m_session.m_nOutputFormat, m_session.m_nOutputSpeed, m_session.Project().m_nFrameCount);
  m_bOutputRunning = false;
  if (command.bRestartRedraw && (nResult == wxID_OK || nResult == wxID_CANCEL)) m_window.RestartPreviewRedraw();
}

std::string CExportCommands::ChooseOutputFile(const OutputFileChoice& choice) {
  // The kind follows the chosen file type and the name's extension.
  int nFilter = 0;
  const std::string path = m_ui.ChooseFile(&m_window, SaveRequestOf(choice), &nFilter).utf8_string();
  return OutputFileForFilter(choice, path, nFilter);
}

std::string CExportCommands::TemplateFolder() const {
  const std::string found = FindDataPath(kHtmlTemplateName, m_window.Folders());
  return found.empty() ? m_window.Folders().szExeFolder : PathFolder(found);
}

OutputRunCallbacks CExportCommands::MakeCallbacks() {
  OutputRunCallbacks callbacks;
  callbacks.onProgress = [this](int nPercent) {
    if (m_dlgOutput) m_dlgOutput->SetProgress(nPercent);
  };
  // The preview, the slider and the read-out follow the run together, within the preview's
  // share of the run's time (each shown frame repaints part of the window too).
  callbacks.onShowFrame = [this](int nFrame) {
    SessionChange change = m_session.ShowExportFrame(nFrame);
    const double fNow = NowSeconds();
    if (!m_previewBudget.ShouldDraw(fNow)) return;
    m_window.Apply(change);
    CGLView::ReleaseCurrent();  // the off-screen context must be the only one current
    m_previewBudget.Drew(NowSeconds() - fNow);
  };
  // The window and the output dialog stay alive between frames: repaints, timers and the
  // dialog's Cancel all get through here. A preview drawn in between leaves its context
  // current, which the next off-screen frame cannot share the thread with.
  callbacks.pump = [] {
    wxYieldIfNeeded();
    CGLView::ReleaseCurrent();
  };
  callbacks.isRunning = [this] { return m_bOutputRunning; };
  callbacks.chooseCodec = [this](const std::vector<MovieCodecEntry>& entries) {
    // MP4 and WebM have one encoder each: only an AVI asks for its compressor.
    if (RunContainerFor(AviMovie, m_szOutputPath) != MovieContainer::Avi) return entries.empty() ? kMovieCodecCancelled : 0;
    wxBusyCursorSuspender normal;
    return ChooseAviCodec(m_dlgOutput ? static_cast<wxWindow*>(m_dlgOutput) : &m_window, entries, m_ui);
  };
  return callbacks;
}

OutputRunResult CExportCommands::Run(int nFormat, const OutputRunCallbacks& callbacks) {
  m_bRunBusy = true;
  OutputRunResult result;
  {
    wxBusyCursor wait;
    const MorphProject& project = m_session.Project();
    const MorphTriangles triangles = ProjectTriangles(project);
    OutputRunRequest request = MakeOutputRunRequest(project, triangles, nFormat, m_szOutputPath);
    request.nCurFrame = m_session.Frame();  // a single picture is the frame the preview shows
    request.szTemplateDir = TemplateFolder();
    request.inputFiles.push_back(m_session.ProjectPath());
    const Result checked = CheckOutputRunRequest(request);
    if (!checked) {
      result.outcome = checked;
    } else {
      CGLView::ReleaseCurrent();
      COutputRun run;
      m_previewBudget.Start(NowSeconds());
      result = run.Run(request, callbacks);
      // The preview ends on the frame the run ended on, drawn or not on the way.
      if (callbacks.onShowFrame) {
        SessionChange change;
        change.bPreview = true;
        m_window.Apply(change);
      }
    }
  }
  m_lastRun = result;
  m_bRunBusy = false;
  return result;
}

void CExportCommands::StartRun() {
  if (m_bRunBusy || !m_bOutputRunning || !m_dlgOutput || !m_session.IsReady()) return;
  const OutputRunResult result = Run(m_session.m_nOutputFormat, MakeCallbacks());
  if (result.ok()) {
    m_dlgOutput->ShowResults(result.stats);
    if (!result.szNotice.empty())
      m_ui.Message(m_dlgOutput, Tr(result.szNotice), mainwin::kProductName, wxOK | wxICON_INFORMATION);
  } else if (result.Failed()) {
    m_ui.Message(m_dlgOutput, Tr(result.outcome.FullText()), mainwin::kProductName, wxOK | wxICON_ERROR);
    m_dlgOutput->ShowFailed();
  }
}

void CExportCommands::SaveSingleFrame() {
  if (!m_session.IsReady() || m_bRunBusy) return;
  const std::string path = ChooseOutputFile(OutputFileChoiceFor(SingleFrame));
  if (path.empty()) return;
  m_szOutputPath = path;
  m_session.m_nOutputFormat = SingleFrame;
  const OutputRunResult result = Run(SingleFrame, OutputRunCallbacks{});
  if (!result.ok()) m_ui.Message(&m_window, Tr(result.outcome.FullText()), mainwin::kProductName, wxOK | wxICON_ERROR);
}

// The main window's export commands: output sizes and the custom-size dialog, the settings
// dialog, the output dialog and the run it starts, and the single-frame picture.
#include <chrono>

#include <wx/menu.h>
#include <wx/utils.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/OutputCommands.h"
#include "app/OutputSizeCommands.h"
#include "app/wx/MainMorphDlg.h"
#include "app/wx/UiHooks.h"
#include "base/PathParts.h"
#include "output/OutputDialogRules.h"
#include "output/OutputRequest.h"
#include "output/wx/CodecChoice.h"
#include "output/wx/DialogHooks.h"
#include "output/wx/OutputDlg.h"
#include "output/wx/SaveConfigDlg.h"
#include "output/wx/ScaleDlg.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"

namespace {

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

int CommandOfEvent(const wxCommandEvent& event) {
  const int nCommand = cmdmap::FromWx(event.GetId());
  return nCommand >= 0 ? nCommand : event.GetId();
}

uihooks::FileRequest SaveRequestOf(const OutputFileChoice& choice) {
  uihooks::FileRequest request;
  request.bSave = true;  // the overwrite question comes with it
  request.szDefaultExt = U8(choice.szDefaultExt);
  request.szDefaultName = U8(choice.szDefaultName);
  request.szWildcard = U8(choice.Wildcard());
  return request;
}

void ShowError(const std::string& text) { uihooks::ShowMessage(U8(text), "Kestrelle", wxOK | wxICON_ERROR); }

}  // namespace

// ---------------------------------------------------------------- sizes

void CMainMorphDlg::ChooseOutputSize(const OutputSizeCommand& command) {
  int w = command.nWidth, h = command.nHeight;
  if (command.kind == OutputSizeKind::None) return;
  if (command.kind == OutputSizeKind::Custom && !OnSizeCustom(w, h)) return;
  // A size no run could render (a huge picture, a typed 0) is refused here rather than
  // failing at the first frame.
  const CommandResult checked = CheckOutputSizeChoice(w, h);
  if (!checked) {
    uihooks::ShowMessage(U8(checked.message), "Kestrelle", wxOK | wxICON_WARNING);
    return;
  }
  ApplyOutputSize(w, h);
}

bool CMainMorphDlg::OnSizeCustom(int& w, int& h) {
  if (!m_dlgScale) m_dlgScale = new CDLGSCALE(this);
  m_dlgScale->Prepare(m_project.m_nOutputWidth, m_project.m_nOutputHeight);
  if (dlghooks::ShowModal(*m_dlgScale) != wxID_OK) return false;
  w = m_dlgScale->GetWidth();
  h = m_dlgScale->GetHeight();
  return true;
}

void CMainMorphDlg::OnSizeButton(wxCommandEvent&) {
  const CPicture* a = m_project.GetImage(1);
  const CPicture* b = m_project.GetImage(2);
  if (!a || !b) return;
  wxMenu menu;
  for (const pane::SizeMenuItem& item : pane::OutputSizeMenu(a->GetWidth(), a->GetHeight(), b->GetWidth(), b->GetHeight()))
    menu.Append(cmdmap::ToWx(item.nId), U8(item.szText));
  // Below the button, centred on it as far as the menu's width is known before it opens.
  const wxSize size = m_btnSize3->GetSize();
  m_btnSize3->PopupMenu(&menu, wxPoint(size.x / 2 - 60, size.y));
}

// ---------------------------------------------------------------- settings

void CMainMorphDlg::OnOutputSettings(wxCommandEvent&) {
  CDLGSAVECONFIG dialog(this, m_aOutputSettings, m_nOutputFormat);
  dlghooks::ShowModal(dialog);
}

// ---------------------------------------------------------------- output dialog and run

COUTPUTDlg* CMainMorphDlg::OutputDialog() {
  if (m_dlgOutput) return m_dlgOutput;
  m_dlgOutput = new COUTPUTDlg(this, m_aOutputSettings);
  m_dlgOutput->chooseFile = [this](const OutputFileChoice& choice) {
    return uihooks::ChooseFile(this, SaveRequestOf(choice)).utf8_string();
  };
  m_dlgOutput->onArmed = [this](const std::string& szPath) {
    m_bOutputRunning = true;
    m_szOutputPath = szPath;
  };
  // Posted, so the run starts from the event loop once the timer's handler has returned.
  m_dlgOutput->onStartRun = [this] { CallAfter(&CMainMorphDlg::OnOutputRun); };
  m_dlgOutput->onCancel = [this] { m_bOutputRunning = false; };
  m_dlgOutput->onHelp = [this] {
    wxCommandEvent event;
    OnHelp(event);
  };
  return m_dlgOutput;
}

void CMainMorphDlg::OnOutputCommand(wxCommandEvent& event) {
  const OutputCommand command = ResolveOutputCommand(CommandOfEvent(event));
  if (!command.bValid || !m_project.IsReady()) return;
  if (m_bOutputRunBusy) return;  // the dialog of the running export is open
  m_nOutputFormat = command.nFormat;
  if (command.bCopySpeed) m_nOutputSpeed = m_aOutputSettings[static_cast<size_t>(command.nFormat)].nSpeed;
  m_bOutputRunning = false;
  const int nResult = OutputDialog()->Open(m_nOutputFormat, m_nOutputSpeed, m_project.m_nFrameCount);
  m_bOutputRunning = false;
  if (command.bRestartRedraw && (nResult == wxID_OK || nResult == wxID_CANCEL)) m_timerRedraw.StartOnce(1);
}

std::string CMainMorphDlg::TemplateFolder() const {
  const std::string found = FindDataPath(kHtmlTemplateName, m_options.folders);
  return found.empty() ? m_options.folders.szExeFolder : PathFolder(found);
}

OutputRunCallbacks CMainMorphDlg::MakeRunCallbacks() {
  OutputRunCallbacks callbacks;
  callbacks.onProgress = [this](int nPercent) {
    if (m_dlgOutput) m_dlgOutput->SetProgress(nPercent);
  };
  callbacks.onShowFrame = [this](int nFrame) {
    m_project.m_nCurFrame = nFrame;
    if (!m_viewMorph) return;
    m_viewMorph->m_nCurFrame = nFrame;
    const double fNow = NowSeconds();
    if (!m_previewBudget.ShouldDraw(fNow)) return;
    RedrawPreview();
    CGLView::ReleaseCurrent();  // the off-screen context must be the only one current
    m_previewBudget.Drew(NowSeconds() - fNow);
  };
  callbacks.onReportFrame = [this](int nFrame) {
    m_sliderFrame->SetPos(nFrame);
    m_btnCurFrame->SetLabel(wxString::Format("%d", nFrame));
  };
  // The window and the output dialog stay alive between frames: repaints, timers and the
  // dialog's Cancel all get through here. A preview redraw in between leaves its context
  // current, which the next off-screen frame cannot share the thread with.
  callbacks.pump = [this] {
    wxYieldIfNeeded();
    // A repaint of the canvas asks for a preview redraw; during a run every frame draws the
    // preview anyway.
    m_timerRedraw.Stop();
    CGLView::ReleaseCurrent();
  };
  callbacks.isRunning = [this] { return m_bOutputRunning; };
  callbacks.chooseCodec = [this](const std::vector<AviCodecEntry>& entries) {
    wxBusyCursorSuspender normal;
    return ChooseAviCodec(m_dlgOutput ? static_cast<wxWindow*>(m_dlgOutput) : this, entries);
  };
  return callbacks;
}

OutputRunResult CMainMorphDlg::RunExport(const OutputRunCallbacks& callbacks) {
  m_bOutputRunBusy = true;
  OutputRunResult result;
  {
    wxBusyCursor wait;
    const MorphTriangles triangles = ProjectTriangles(m_project);
    OutputRunRequest request = MakeOutputRunRequest(m_project, triangles, m_nOutputFormat, m_szOutputPath);
    // A single picture is the frame the preview shows.
    if (m_viewMorph) request.nCurFrame = m_viewMorph->m_nCurFrame;
    request.szTemplateDir = TemplateFolder();
    const CommandResult checked = CheckOutputRunRequest(request);
    if (!checked) {
      result.szError = checked.FullText();
    } else {
      CGLView::ReleaseCurrent();
      COutputRun run;
      m_previewBudget.Start(NowSeconds());
      result = run.Run(request, callbacks);
      // The preview ends on the frame the run ended on, drawn or not on the way.
      if (callbacks.onShowFrame) RedrawPreview();
    }
  }
  m_lastOutputRun = result;
  m_bOutputRunBusy = false;
  return result;
}

void CMainMorphDlg::OnOutputRun() {
  if (m_bOutputRunBusy || !m_bOutputRunning || !m_dlgOutput || !m_project.IsReady()) return;
  const OutputRunResult result = RunExport(MakeRunCallbacks());
  if (result.Ok()) {
    m_dlgOutput->ShowResults(result.stats);
    if (!result.szNotice.empty()) uihooks::ShowMessage(U8(result.szNotice), "Kestrelle", wxOK | wxICON_INFORMATION);
  } else if (result.status == OutputRunStatus::Failed) {
    ShowError(result.szError);
    m_dlgOutput->ShowFailed();
  }
}

void CMainMorphDlg::OnOutputFrameImage(wxCommandEvent&) {
  if (!m_project.IsReady() || m_bOutputRunBusy) return;
  const wxString path = uihooks::ChooseFile(this, SaveRequestOf(OutputFileChoiceFor(SingleFrame)));
  if (path.empty()) return;
  m_nOutputFormat = SingleFrame;
  m_szOutputPath = path.utf8_string();
  const OutputRunResult result = RunExport(OutputRunCallbacks{});
  if (!result.Ok()) ShowError(result.szError);
}

// The window's export against the same export without a window (as kestrelle-cli render runs
// it): two 800 x 600 photographs, N = 30, a 31-frame GIF and a 62-frame uncompressed AVI.
// "run s" is the run inside the window, as its dialog reports it, with the preview following
// the frames: the target is at most 10 % more than the run alone. "window s" runs from the
// output button to the closed dialog, the dialogs' own showing and closing included. "paints" and
// "draws" count the main window's canvas repaints and preview draws of the last window run.
//
// Usage: kestrelle-bench-window [--runs N]   (own private Xvfb; median of N runs, default 3)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/choicdlg.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "BenchInputs.h"
#include "app/CommandIds.h"
#include "app/wx/MainMorphDlg.h"
#include "app/wx/MorphApp.h"
#include "app/wx/ExportCommands.h"
#include "app/wx/PaneCanvas.h"
#include "base/TempFolder.h"
#include "output/OutputRequest.h"
#include "output/wx/OutputDlg.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include "tests/wx/PrivateXServer.h"
#include "ui/wx/UserInteraction.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the window drew during its last export.
int g_nCanvasPaints = 0, g_nPreviewDraws = 0;
double g_fRunSeconds = 0.0;  // the run itself, from the dialog's start to its last frame

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void Pump(int ms) {
  const Clock::time_point start = Clock::now();
  while (Seconds(start) * 1000 < ms) {
    wxTheApp->Yield(true);
    wxMilliSleep(5);
  }
}

// The user at the dialogs: the chosen file, messages to the error stream, the dialogs driven
// through their own events.
class CBenchUser : public CDesktopInteraction {
 public:
  int Message(wxWindow*, const wxString& text, const wxString&, long) override {
    std::fprintf(stderr, "message: %s\n", text.utf8_str().data());
    return wxOK;
  }
  using CDesktopInteraction::ChooseFile;
  wxString ChooseFile(wxWindow*, const FileRequest&, int* pFilter) override {
    if (pFilter) *pFilter = nFilter;
    return wxString::FromUTF8(szFile);
  }
  int nFilter = 0;
  int ShowModal(wxDialog& dialog) override {
    if (onDialog) dialog.CallAfter([this, &dialog] { onDialog(dialog, "shown"); });
    return dialog.ShowModal();
  }
  void DialogEvent(wxDialog& dialog, const std::string& szWhat) override {
    if (onDialog) onDialog(dialog, szWhat);
  }
  std::string szFile;
  std::function<void(wxDialog&, const std::string&)> onDialog;
};
CBenchUser g_user;

void QueueClick(wxDialog& dialog, int nId) {
  wxWindow* button = dialog.FindWindow(nId);
  auto* event = new wxCommandEvent(wxEVT_BUTTON, nId);
  event->SetEventObject(button ? button : &dialog);
  wxQueueEvent(button ? button->GetEventHandler() : dialog.GetEventHandler(), event);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The run alone, as the command-line tool drives it.
double RunAlone(CMainMorphDlg& window, int nFormat, const std::string& path) {
  const MorphTriangles triangles = ProjectTriangles(window.Project());
  OutputRunRequest request = MakeOutputRunRequest(window.Project(), triangles, nFormat, path);
  OutputRunCallbacks callbacks;
  callbacks.chooseCodec = MovieCodecChooserByName("raw");
  CGLView::ReleaseCurrent();
  const Clock::time_point start = Clock::now();
  COutputRun run;
  const OutputRunResult result = run.Run(request, callbacks);
  const double s = Seconds(start);
  if (!result.ok()) std::fprintf(stderr, "run alone failed: %s\n", result.outcome.FullText().c_str());
  return s;
}

// The same export from the output button, the dialog driven through its own events.
double RunFromWindow(CMainMorphDlg& window, int nButton, const std::string& path) {
  g_user.szFile = path;
  wxTimer closer;
  COUTPUTDlg* pDialog = nullptr;
  closer.Bind(wxEVT_TIMER, [&pDialog](wxTimerEvent&) {
    if (pDialog) QueueClick(*pDialog, wxID_CANCEL);
  });
  g_user.onDialog = [&](wxDialog& d, const std::string& what) {
    if (auto* codec = dynamic_cast<wxSingleChoiceDialog*>(&d)) {
      if (what == "shown") codec->EndModal(wxID_OK);  // uncompressed, the first entry
      return;
    }
    auto* out = dynamic_cast<COUTPUTDlg*>(&d);
    if (!out) return;
    pDialog = out;
    if (what == "shown") QueueClick(d, COUTPUTDlg::kOutputButton);
    if (what == "finished" || what == "failed") closer.StartOnce(1);
  };
  const int nPaints = window.Canvas()->PaintCount();
  const int nDraws = window.PreviewView()->GetDrawCount();
  const Clock::time_point start = Clock::now();
  wxCommandEvent click(wxEVT_BUTTON, nButton);
  window.GetEventHandler()->ProcessEvent(click);
  const double s = Seconds(start);
  g_nCanvasPaints = window.Canvas()->PaintCount() - nPaints;
  g_nPreviewDraws = window.PreviewView()->GetDrawCount() - nDraws;
  g_fRunSeconds = window.Export().LastRun().stats.nElapsedMs / 1000.0;
  g_user.onDialog = nullptr;
  if (!window.Export().LastRun().ok()) std::fprintf(stderr, "window run failed: %s\n", window.Export().LastRun().outcome.FullText().c_str());
  return s;
}

int Bench(int nRuns) {
  CTempFolder dir("kestrelle-bench-window");
  const std::string a = dir.File("a.bmp"), b = dir.File("b.bmp");
  if (!bench::MakePhotoPicture(800, 600, 0).Save(a, PICTURE_BMP) || !bench::MakePhotoPicture(800, 600, 1).Save(b, PICTURE_BMP)) {
    std::fprintf(stderr, "cannot write the pictures\n");
    return 1;
  }
  MainWindowOptions options;
  options.folders.szExeFolder = dir.Path();
  options.bMaximise = false;
  options.pUser = &g_user;
  auto* window = new CMainMorphDlg(options);
  window->SetClientSize(1016, 700);
  window->InitDialog();
  window->Apply(window->Session().LoadPicture(1, a));
  window->Apply(window->Session().LoadPicture(2, b));
  Pump(1500);
  if (!window->Project().IsReady()) {
    std::fprintf(stderr, "the project did not become ready\n");
    return 1;
  }
  struct Case {
    const char* szName;
    int nFormat, nButton;
    const char* szFile;
  };
  const Case cases[] = {{"GIF, 31 frames 800x600", AnimatedGif, ids::kOutputGif, "anim.gif"},
                        {"AVI, 62 frames 800x600, uncompressed", AviMovie, ids::kOutputAvi, "movie.avi"}};
  std::printf("%-40s %8s %8s %6s %8s %6s %7s %6s\n", "export (N = 30)", "alone s", "run s", "ratio", "window s",
              "ratio", "paints", "draws");
  for (const Case& c : cases) {
    std::vector<double> alone, windowed, runs;
    for (int i = 0; i < nRuns; ++i) {
      alone.push_back(RunAlone(*window, c.nFormat, dir.File(std::string("alone-") + c.szFile)));
      windowed.push_back(RunFromWindow(*window, c.nButton, dir.File(std::string("window-") + c.szFile)));
      runs.push_back(g_fRunSeconds);
      Pump(100);
    }
    const double s1 = Median(alone), s2 = Median(windowed), s3 = Median(runs);
    std::printf("%-40s %8.3f %8.3f %6.3f %8.3f %6.3f %7d %6d\n", c.szName, s1, s3, s3 / s1, s2, s2 / s1, g_nCanvasPaints,
                g_nPreviewDraws);
  }
  window->Destroy();
  Pump(100);
  return 0;
}

class CBenchApp : public wxApp {
 public:
  bool OnInit() override {
    InitialiseWindowSystem();
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  int nRuns = 3;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--runs") == 0) nRuns = std::max(1, std::atoi(argv[i + 1]));
  CPrivateXServer server;
  if (!server.IsRunning()) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    return 1;
  }
  wxApp::SetInstance(new CBenchApp);
  int wxArgc = 1;
  char* wxArgv[] = {argv[0], nullptr};
  int rc = 1;
  if (wxEntryStart(wxArgc, wxArgv) && wxTheApp->CallOnInit()) {
    rc = Bench(nRuns);
    wxTheApp->OnExit();
  }
  wxEntryCleanup();
  return rc;
}

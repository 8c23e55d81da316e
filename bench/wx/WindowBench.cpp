// The main window's own costs, on the real window under a private Xvfb: a 1280 x 800
// client holding two 1024 x 768 photographs.
//   BM_ScrollStep/0      one line step of the zoomed image1 pane and its repaint; counters
//                        say how much of the window was repainted (the pane only)
//   BM_ScrollStep/1      the same followed by the preview redraw the repaint asks for
//   BM_LayoutPass/1      a full layout pass: background, frames, buttons, info bars, bars
//   BM_LayoutPass/0      the same with the background and frames already composed
//   BM_PreviewRedraw     the preview's redraw of one frame, finished (glFinish)
//   BM_PreviewSwap       the preview's buffer swap alone
//   BM_OffscreenFrame    the same frame rendered off screen and read back
// Wall-clock time: the X server and llvmpipe do part of the work on their own threads.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/region.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include "BenchInputs.h"
#include "app/CommandIds.h"
#include "app/wx/MainMorphDlg.h"
#include "app/wx/MorphApp.h"
#include "app/wx/UiHooks.h"
#include "editor/PaneGeometry.h"
#include "render/OffscreenRenderer.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include "tests/wx/PrivateXServer.h"

namespace {

constexpr int kClientWidth = 1280, kClientHeight = 800;
constexpr int kPictureWidth = 1024, kPictureHeight = 768;

CMainMorphDlg* g_window = nullptr;

// Runs the event loop until `done` holds or `ms` pass.
template <typename Done>
bool RunLoopUntil(Done done, int ms) {
  wxGUIEventLoop loop;
  wxEventLoopActivator activate(&loop);
  wxStopWatch clock;
  while (!done() && clock.Time() < ms) {
    while (loop.Pending()) loop.Dispatch();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
    wxMilliSleep(1);
  }
  return done();
}

class CBenchApp : public wxApp {
 public:
  bool OnInit() override {
    InitialiseWindowSystem();
    return true;
  }
};

void BM_ScrollStep(benchmark::State& state) {
  CMainMorphDlg* w = g_window;
  wxWindow* canvas = w->Canvas();
  // What each paint was asked to repaint, seen before the window's own paint handler.
  wxRect damaged;
  auto spy = [&damaged, canvas](wxPaintEvent& event) {
    damaged = canvas->GetUpdateRegion().GetBox();
    event.Skip();
  };
  canvas->Bind(wxEVT_PAINT, spy);
  const int paintsBefore = w->PaintCount();
  const bool withPreview = state.range(0) != 0;
  bool down = true;
  for (auto _ : state) {
    // Back and forth, so the offset stays inside the bar's range.
    w->ScrollPane(ids::kHScroll1, down ? pane::ScrollLineDown : pane::ScrollLineUp, 0);
    down = !down;
    canvas->Update();
    if (withPreview) {  // the redraw that the pane's paint asks for on its 1 ms timer
      w->RunPreviewRedraw();
      glFinish();
    }
  }
  canvas->Unbind(wxEVT_PAINT, spy);
  const pane::Rect& p = w->Layout().pane[0];
  state.counters["paints_per_step"] =
      static_cast<double>(w->PaintCount() - paintsBefore) / static_cast<double>(state.iterations());
  state.counters["repaint_px"] = static_cast<double>(damaged.width) * damaged.height;
  state.counters["pane_px"] = static_cast<double>(p.w) * p.h;
  state.counters["client_px"] = static_cast<double>(kClientWidth) * kClientHeight;
  state.SetLabel(wxString::Format("zoom %.0f%%, damaged %dx%d at %d,%d", w->View(0).fZoom * 100.0, damaged.width,
                                  damaged.height, damaged.x, damaged.y).utf8_string());
}

void BM_LayoutPass(benchmark::State& state) {
  const bool recompose = state.range(0) != 0;
  for (auto _ : state) g_window->RunLayoutPass(recompose);
  RunLoopUntil([] { return false; }, 50);  // let the controls repaint before the next run
}

void BM_PreviewRedraw(benchmark::State& state) {
  CGLView* view = g_window->PreviewView();
  const int before = view->GetDrawCount();
  for (auto _ : state) {
    g_window->RunPreviewRedraw();
    glFinish();
  }
  if (view->GetDrawCount() == before) state.SkipWithError("the preview did not draw");
  state.SetLabel(wxString::Format("view %dx%d", view->GetClientSize().x, view->GetClientSize().y).utf8_string());
}

void BM_PreviewSwap(benchmark::State& state) {
  CGLView* view = g_window->PreviewView();
  g_window->RunPreviewRedraw();  // leaves the view's context current
  for (auto _ : state) {
    view->SwapBuffers();
    glFinish();
  }
}

void BM_OffscreenFrame(benchmark::State& state) {
  MorphProject& project = g_window->Project();
  const MorphTriangles triangles = ProjectTriangles(project);
  const MorphFrameRequest request =
      MakeProjectFrameRequest(project, triangles, g_window->PreviewView()->m_nCurFrame);
  COffscreenRenderer renderer;
  FrameBitmap bitmap;
  for (auto _ : state) {
    CGLView::ReleaseCurrent();  // EGL will not take the thread while the preview's GLX context is current
    if (!renderer.RenderFrame(request, bitmap)) {
      state.SkipWithError(renderer.GetLastError().c_str());
      break;
    }
  }
  state.SetLabel(wxString::Format("%dx%d, %s", project.m_nOutputWidth, project.m_nOutputHeight,
                                  renderer.GetRendererName()).utf8_string());
}

BENCHMARK(BM_ScrollStep)->ArgName("preview")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LayoutPass)->ArgName("recompose")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewSwap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OffscreenFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// A program folder with its settings and two photographs; returns its path.
std::string MakeFolder() {
  char name[] = "/tmp/kestrelle-bench-XXXXXX";
  if (!mkdtemp(name)) return std::string();
  const std::string dir = name;
  std::ofstream(dir + "/config.ini") << "[Config]\nShowWiz=0\n";
  for (int i = 0; i < 2; ++i) {
    const CPicture picture = bench::MakePhotoPicture(kPictureWidth, kPictureHeight, i);
    if (!picture.Save(dir + "/photo" + std::to_string(i + 1) + ".bmp", PICTURE_BMP)) return std::string();
  }
  return dir;
}

// The window at its benchmark size with both photographs, image1 at 200 %, preview drawn.
bool SetUpWindow(const std::string& dir) {
  uihooks::g_message = [](const wxString& text, const wxString&, long) {
    std::fprintf(stderr, "window message: %s\n", text.utf8_string().c_str());
    return wxOK;
  };
  MainWindowOptions options;
  options.folders.szExeFolder = dir;
  options.bMaximise = false;
  g_window = new CMainMorphDlg(options);
  g_window->SetPosition(wxPoint(0, 0));
  g_window->SetClientSize(kClientWidth, kClientHeight);
  g_window->InitDialog();
  g_window->Show();
  wxWindow* canvas = g_window->Canvas();
  if (!RunLoopUntil([canvas] { return canvas->GetClientSize() == wxSize(kClientWidth, kClientHeight); }, 3000))
    return false;
  if (!g_window->LoadImageFile(1, dir + "/photo1.bmp") || !g_window->LoadImageFile(2, dir + "/photo2.bmp"))
    return false;
  if (!RunLoopUntil([] { return g_window->PreviewView() && g_window->PreviewView()->GetDrawCount() > 0; }, 5000))
    return false;
  g_window->SetPaneZoomCommand(0, 2.0f);
  RunLoopUntil([] { return false; }, 200);
  return g_window->View(0).bHScroll;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CPrivateXServer server;
  if (!server.IsRunning()) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    return 1;
  }
  wxApp::SetInstance(new CBenchApp);
  int wxArgc = 1;
  char* wxArgv[] = {argv[0], nullptr};
  int rc = 1;
  const std::string dir = MakeFolder();
  if (dir.empty()) {
    std::fprintf(stderr, "cannot write the benchmark pictures\n");
  } else if (wxEntryStart(wxArgc, wxArgv) && wxTheApp->CallOnInit()) {
    if (SetUpWindow(dir)) {
      benchmark::RunSpecifiedBenchmarks();
      rc = 0;
    } else {
      std::fprintf(stderr, "the window did not reach its benchmark state\n");
    }
    if (g_window) g_window->Destroy();
    RunLoopUntil([] { return false; }, 50);
    wxTheApp->OnExit();
    wxEntryCleanup();
  } else {
    std::fprintf(stderr, "cannot start the window system on %s\n", server.Display().c_str());
  }
  std::error_code ignored;
  if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  return rc;
}

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
//   BM_DragStep          one pointer move of a drag on the image2 pane with a full key-point
//                        table: the editor's move, the preview redraw it does at once, the
//                        pane's repaint (finished)
//   BM_PlaybackDrift     100 frames played on the 75 ms timer at a 1024 x 768 output size;
//                        drift_pct is how much longer than 100 x 75 ms they took
// Wall-clock time: the X server and llvmpipe do part of the work on their own threads.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
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
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "BenchInputs.h"
#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/wx/MainMorphDlg.h"
#include "app/wx/MorphApp.h"
#include "app/wx/PaneCanvas.h"
#include "ui/wx/UserInteraction.h"
#include "app/PaneGeometry.h"
#include "editor/Playback.h"
#include "render/OffscreenRenderer.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include "tests/wx/PrivateXServer.h"

namespace {

constexpr int kClientWidth = 1280, kClientHeight = 800;
constexpr int kPictureWidth = 1024, kPictureHeight = 768;

CMainMorphDlg* g_window = nullptr;

// Messages go to the error stream: nothing modal may wait during a benchmark.
class CBenchUser : public CDesktopInteraction {
 public:
  int Message(wxWindow*, const wxString& text, const wxString&, long) override {
    std::fprintf(stderr, "window message: %s\n", text.utf8_string().c_str());
    return wxOK;
  }
};
CBenchUser g_user;

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
  const int paintsBefore = w->Canvas()->PaintCount();
  const bool withPreview = state.range(0) != 0;
  bool down = true;
  for (auto _ : state) {
    // Back and forth, so the offset stays inside the bar's range.
    w->Apply(w->Session().Scroll(ids::kHScroll1, down ? pane::ScrollLineDown : pane::ScrollLineUp, 0));
    down = !down;
    canvas->Update();
    if (withPreview) {  // the redraw that the pane's paint asks for on its 1 ms timer
      w->Canvas()->DrawPreview();
      glFinish();
    }
  }
  canvas->Unbind(wxEVT_PAINT, spy);
  const pane::Rect& p = w->Session().Panes().Layout().pane[0];
  state.counters["paints_per_step"] =
      static_cast<double>(w->Canvas()->PaintCount() - paintsBefore) / static_cast<double>(state.iterations());
  state.counters["repaint_px"] = static_cast<double>(damaged.width) * damaged.height;
  state.counters["pane_px"] = static_cast<double>(p.w) * p.h;
  state.counters["client_px"] = static_cast<double>(kClientWidth) * kClientHeight;
  state.SetLabel(wxString::Format("zoom %.0f%%, damaged %dx%d at %d,%d", w->Session().Panes().View(0).fZoom * 100.0, damaged.width,
                                  damaged.height, damaged.x, damaged.y).utf8_string());
}

void BM_LayoutPass(benchmark::State& state) {
  const bool recompose = state.range(0) != 0;
  // A layout pass as a resize or a zoom asks for it; the recomposed one draws the backdrop too.
  SessionChange change = g_window->Session().Redraw();
  change.bBackdrop = recompose;
  change.bPreview = false;
  for (auto _ : state) g_window->Apply(change);
  RunLoopUntil([] { return false; }, 50);  // let the controls repaint before the next run
}

void BM_PreviewRedraw(benchmark::State& state) {
  CGLView* view = g_window->PreviewView();
  const int before = view->GetDrawCount();
  for (auto _ : state) {
    g_window->Canvas()->DrawPreview();
    glFinish();
  }
  if (view->GetDrawCount() == before) state.SkipWithError("the preview did not draw");
  state.SetLabel(wxString::Format("view %dx%d", view->GetClientSize().x, view->GetClientSize().y).utf8_string());
}

void BM_PreviewSwap(benchmark::State& state) {
  CGLView* view = g_window->PreviewView();
  g_window->Canvas()->DrawPreview();  // leaves the view's context current
  for (auto _ : state) {
    view->SwapBuffers();
    glFinish();
  }
}

void BM_OffscreenFrame(benchmark::State& state) {
  const MorphProject& project = g_window->Project();
  const MorphTriangles triangles = ProjectTriangles(project);
  const MorphFrameRequest request =
      MakeProjectFrameRequest(project, triangles, g_window->Session().Frame());
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

// A mouse event on the canvas at client position `at`, the left button held unless released.
void SendMouse(wxEventType type, wxPoint at) {
  wxMouseEvent event(type);
  event.SetPosition(at);
  event.SetLeftDown(type != wxEVT_LEFT_UP);
  event.SetEventObject(g_window->Canvas());
  g_window->Canvas()->GetEventHandler()->ProcessEvent(event);
}

// Client position of picture position (x, y) in pane 2.
wxPoint Pane2ClientOf(double x, double y) {
  const ProjectSession& session = g_window->Session();
  const pane::Bounds r = session.Panes().VisibleRect(1, session.Sizes());
  const pane::PaneView& v = session.Panes().View(1);
  return wxPoint(static_cast<int>(std::lround(r.left - v.nScrollX + x * v.fZoom)),
                 static_cast<int>(std::lround(r.top - v.nScrollY + y * v.fZoom)));
}

void SendCommand(int nId) {
  wxCommandEvent event(wxEVT_MENU, cmdmap::ToWx(nId));
  g_window->GetEventHandler()->ProcessEvent(event);
}

void BM_DragStep(benchmark::State& state) {
  CMainMorphDlg* w = g_window;
  const CKeyPointMesh& mesh = w->Project().m_mesh;
  // The last pair of the full table is dragged back and forth by a few image pixels.
  const MeshVertex* v = mesh.FindVertex(2, mesh.m_nPoints - 1);
  if (!v) {
    state.SkipWithError("no pair to drag");
    return;
  }
  const double x0 = v->x, y0 = v->y;
  SendCommand(ids::kShowTriangles);  // the edges are drawn too, the costlier case
  w->Button(ids::kToolFirst)->Click();
  SendMouse(wxEVT_LEFT_DOWN, Pane2ClientOf(x0, y0));
  if (!w->Session().Editor().IsDragging()) {
    state.SkipWithError("the click did not start a drag");
    SendMouse(wxEVT_LEFT_UP, Pane2ClientOf(x0, y0));
    return;
  }
  const int paintsBefore = w->Canvas()->PaintCount();
  bool right = true;
  for (auto _ : state) {
    SendMouse(wxEVT_MOTION, Pane2ClientOf(x0 + (right ? 6 : 0), y0 + 2));
    right = !right;
    w->Canvas()->Update();
    glFinish();
  }
  SendMouse(wxEVT_LEFT_UP, Pane2ClientOf(x0, y0));
  SendCommand(ids::kShowTriangles);
  state.counters["paints_per_move"] =
      static_cast<double>(w->Canvas()->PaintCount() - paintsBefore) / static_cast<double>(state.iterations());
  state.SetLabel(wxString::Format("%d points, pane 2 at %.0f%%", mesh.m_nPoints, w->Session().Panes().View(1).fZoom * 100.0)
                     .utf8_string());
}

void BM_PlaybackDrift(benchmark::State& state) {
  constexpr int kFrames = 100;
  CMainMorphDlg* w = g_window;
  for (auto _ : state) {
    SendCommand(ids::kFirstFrame);
    SendCommand(ids::kPlayPause);
    int shown = 0, last = w->PreviewView()->GetDrawnFrame().nCurFrame;
    wxStopWatch clock;
    RunLoopUntil([&] {
      const int k = w->PreviewView()->GetDrawnFrame().nCurFrame;
      if (k != last) ++shown;
      last = k;
      return shown >= kFrames;
    }, 60000);
    const double elapsed = clock.TimeInMicro().ToDouble() / 1000.0;
    SendCommand(ids::kPlayPause);
    state.SetIterationTime(elapsed / 1000.0);
    const double planned = kFrames * PlaybackController::kTimerPeriodMs;
    state.counters["frames"] = shown;
    state.counters["drift_pct"] = 100.0 * (elapsed - planned) / planned;
  }
  state.SetLabel(wxString::Format("output %dx%d", w->Project().m_nOutputWidth, w->Project().m_nOutputHeight)
                     .utf8_string());
}

BENCHMARK(BM_ScrollStep)->ArgName("preview")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LayoutPass)->ArgName("recompose")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewSwap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OffscreenFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlaybackDrift)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

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
  MainWindowOptions options;
  options.folders.szExeFolder = dir;
  options.bMaximise = false;
  options.pUser = &g_user;
  g_window = new CMainMorphDlg(options);
  g_window->SetPosition(wxPoint(0, 0));
  g_window->SetClientSize(kClientWidth, kClientHeight);
  g_window->InitDialog();
  g_window->Show();
  wxWindow* canvas = g_window->Canvas();
  if (!RunLoopUntil([canvas] { return canvas->GetClientSize() == wxSize(kClientWidth, kClientHeight); }, 3000))
    return false;
  for (int slot = 1; slot <= 2; ++slot) {
    const SessionChange change = g_window->Session().LoadPicture(slot, dir + "/photo" + std::to_string(slot) + ".bmp");
    g_window->Apply(change);
    if (change.bRefused) return false;
  }
  if (!RunLoopUntil([] { return g_window->PreviewView() && g_window->PreviewView()->GetDrawCount() > 0; }, 5000))
    return false;
  // A full key-point table for the drag, and a film longer than the drift run at the
  // benchmark's output size.
  CKeyPointMesh& mesh = g_window->Session().MutableProject().m_mesh;
  for (const bench::BenchPair& p :
       bench::MakePairs(kMaxKeyPoints - mesh.m_nPoints, kPictureWidth, kPictureHeight))
    mesh.AddPointPair(p.x1, p.y1, p.x2, p.y2);
  if (!mesh.RebuildTriangulation()) return false;
  g_window->Apply(g_window->Session().ApplyOutputSize(kPictureWidth, kPictureHeight));
  g_window->Button(ids::kFrameCountReadout)->Click();
  g_window->FrameCountEdit()->ChangeValue("120");
  wxKeyEvent enter(wxEVT_CHAR_HOOK);
  enter.m_keyCode = WXK_RETURN;
  g_window->GetEventHandler()->ProcessEvent(enter);
  if (g_window->Project().m_nFrameCount != 120) return false;
  g_window->Apply(g_window->Session().SetPaneZoom(0, 2.0f));
  RunLoopUntil([] { return false; }, 200);
  return g_window->Session().Panes().View(0).bHScroll;
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

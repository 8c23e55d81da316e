// Key-point editing, undo and playback through the real window: mouse events go to the
// canvas as the toolkit delivers them, timers run in the event loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "render/wx/GLView.h"
#include "tests/wx/GuiTestSupport.h"
#include "ui/wx/SkinSlider.h"

using guitest::MainWindowFixture;
using guitest::Pump;
using guitest::PumpUntil;

namespace {

void Mouse(MainWindowFixture& f, wxEventType type, wxPoint at) {
  wxMouseEvent event(type);
  event.SetPosition(at);
  event.SetLeftDown(type != wxEVT_LEFT_UP);
  event.SetEventObject(f->Canvas());
  f->Canvas()->GetEventHandler()->ProcessEvent(event);
}

void Click(MainWindowFixture& f, wxPoint at) {
  Mouse(f, wxEVT_LEFT_DOWN, at);
  Mouse(f, wxEVT_LEFT_UP, at);
}

void ChooseTool(MainWindowFixture& f, int tool) {
  f->Button(ids::kToolFirst + tool)->Click();
  ASSERT_EQ(f->Project().m_nToolMode, tool);
}

// Client position of a picture position in pane 1 or 2.
wxPoint ClientOf(const MainWindowFixture& f, int pane, double x, double y) {
  const pane::Bounds& r = f.ImageRect(pane - 1);
  const pane::PaneView& v = f.View(pane - 1);
  return wxPoint(static_cast<int>(std::lround(r.left - v.nScrollX + x * v.fZoom)),
                 static_cast<int>(std::lround(r.top - v.nScrollY + y * v.fZoom)));
}

// A picture position of pane 1 far from every pair on both panes.
wxPoint FreeSpot(const MainWindowFixture& f) {
  const CPicture* pic = f->Project().GetImage(1);
  for (int y = pic->GetHeight() / 3; y < pic->GetHeight() * 2 / 3; y += 9)
    for (int x = pic->GetWidth() / 3; x < pic->GetWidth() * 2 / 3; x += 9) {
      if (f->Project().HitTest(1, x, y, 12)) continue;
      const double sx = static_cast<double>(f->Project().GetImage(2)->GetWidth()) / pic->GetWidth();
      const double sy = static_cast<double>(f->Project().GetImage(2)->GetHeight()) / pic->GetHeight();
      if (f->Project().HitTest(2, static_cast<int>(x * sx), static_cast<int>(y * sy), 12)) continue;
      return wxPoint(x, y);
    }
  return wxPoint(-1, -1);
}

bool UndoEnabled(const MainWindowFixture& f) { return f->GetMenuBar()->IsEnabled(cmdmap::ToWx(ids::kUndo)); }
bool RedoEnabled(const MainWindowFixture& f) { return f->GetMenuBar()->IsEnabled(cmdmap::ToWx(ids::kRedo)); }

void OpenSample(MainWindowFixture& f) {
  f.Command(ids::kSampleFirst);
  ASSERT_TRUE(f.WaitReady()) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
  Pump(100);
}

}  // namespace

TEST(EditWindowMouse, AddDragUndoAndDeleteThroughTheCanvas) {
  MainWindowFixture f;
  OpenSample(f);
  const MorphProject& project = f->Project();
  const int before = project.m_mesh.m_nPoints;
  EXPECT_FALSE(UndoEnabled(f));
  EXPECT_EQ(f->GetTitle().utf8_string().rfind("*", 0), std::string::npos);

  // Add on pane 1: the pair shows on both panes, the partner at the same relative place.
  ChooseTool(f, ToolAddPoint);
  const wxPoint spot = FreeSpot(f);
  ASSERT_GE(spot.x, 0);
  Click(f, ClientOf(f, 1, spot.x + 0.5, spot.y + 0.5));
  ASSERT_EQ(project.m_mesh.m_nPoints, before + 1) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
  const int vnum = before;
  EXPECT_NEAR(project.m_mesh.Point1(vnum).x, spot.x, 1);
  EXPECT_NEAR(project.m_mesh.Point1(vnum).y, spot.y, 1);
  const double relX = static_cast<double>(spot.x) / project.GetImage(1)->GetWidth();
  EXPECT_NEAR(project.m_mesh.Point2(vnum).x, relX * project.GetImage(2)->GetWidth(), 1.5);
  EXPECT_EQ(f->Session().Editor().Markers(2, 0, 0, 1.0).size(), static_cast<size_t>(before + 1 - 4));
  EXPECT_TRUE(UndoEnabled(f));
  EXPECT_EQ(f->GetTitle().utf8_string().rfind("*", 0), 0u) << f->GetTitle().utf8_string();
  // The read-out follows the pointer in picture pixels.
  Mouse(f, wxEVT_MOTION, ClientOf(f, 1, spot.x + 0.5, spot.y + 0.5));
  // The read-out names the pixel the click placed the point on.
  EXPECT_EQ(f->Button(ids::kPositionReadout1)->GetLabel().utf8_string(),
            std::to_string(project.m_mesh.Point1(vnum).x) + "," + std::to_string(project.m_mesh.Point1(vnum).y));

  // Drag its pane-2 side: the pointer is held, the point follows unrounded, the other side stays.
  ChooseTool(f, ToolSelect);
  const MeshPoint p1 = project.m_mesh.Point1(vnum);
  const MeshVertex* v2 = project.FindPoint({2, vnum});
  ASSERT_NE(v2, nullptr);
  const double fromX = v2->x, fromY = v2->y;
  const wxPoint down = ClientOf(f, 2, fromX + 0.5, fromY + 0.5);
  Mouse(f, wxEVT_LEFT_DOWN, down);
  EXPECT_TRUE(f->Session().Editor().IsDragging());
  EXPECT_TRUE(f->Canvas()->HasCapture());
  Mouse(f, wxEVT_MOTION, down + wxPoint(6, 3));
  Mouse(f, wxEVT_MOTION, down + wxPoint(13, 7));
  Mouse(f, wxEVT_LEFT_UP, down + wxPoint(13, 7));
  EXPECT_FALSE(f->Canvas()->HasCapture());
  const double zoom2 = f.View(1).fZoom;
  v2 = project.FindPoint({2, vnum});
  EXPECT_NEAR(v2->x, fromX + 0.5 + 13 / zoom2, 1.0 / zoom2);
  EXPECT_NEAR(v2->y, fromY + 0.5 + 7 / zoom2, 1.0 / zoom2);
  EXPECT_EQ(project.m_mesh.Point1(vnum).x, p1.x);
  EXPECT_EQ(project.m_mesh.Point1(vnum).y, p1.y);

  // One undo step per drag: undo puts it back exactly, the next undo removes the pair.
  f.Command(ids::kUndo);
  v2 = project.FindPoint({2, vnum});
  ASSERT_NE(v2, nullptr);
  EXPECT_EQ(v2->x, fromX);
  EXPECT_EQ(v2->y, fromY);
  EXPECT_TRUE(RedoEnabled(f));
  f.Command(ids::kUndo);
  EXPECT_EQ(project.m_mesh.m_nPoints, before);
  EXPECT_FALSE(UndoEnabled(f));
  EXPECT_EQ(f->GetTitle().utf8_string().rfind("*", 0), std::string::npos);
  f.Command(ids::kRedo);
  f.Command(ids::kRedo);
  EXPECT_EQ(project.m_mesh.m_nPoints, before + 1);
  EXPECT_NEAR(project.FindPoint({2, vnum})->x, fromX + 0.5 + 13 / zoom2, 1.0 / zoom2);
  EXPECT_FALSE(RedoEnabled(f));

  // A drag whose capture is taken away ends there and is still one step.
  const wxPoint again = ClientOf(f, 2, project.FindPoint({2, vnum})->x, project.FindPoint({2, vnum})->y);
  Mouse(f, wxEVT_LEFT_DOWN, again);
  ASSERT_TRUE(f->Session().Editor().IsDragging());
  Mouse(f, wxEVT_MOTION, again + wxPoint(-9, 0));
  wxMouseCaptureLostEvent lost(f->Canvas()->GetId());
  lost.SetEventObject(f->Canvas());
  if (f->Canvas()->HasCapture()) f->Canvas()->ReleaseMouse();
  f->Canvas()->GetEventHandler()->ProcessEvent(lost);
  EXPECT_FALSE(f->Session().Editor().IsDragging());
  EXPECT_EQ(f->Session().History().UndoName(), "move pair");
  f.Command(ids::kUndo);
  EXPECT_NEAR(project.FindPoint({2, vnum})->x, fromX + 0.5 + 13 / zoom2, 1.0 / zoom2);

  // Delete it from pane 1 with the delete tool: the pairs are renumbered, undo brings it back.
  ChooseTool(f, ToolDeletePoint);
  Click(f, ClientOf(f, 1, p1.x + 0.5, p1.y + 0.5));
  EXPECT_EQ(project.m_mesh.m_nPoints, before);
  f.Command(ids::kUndo);
  EXPECT_EQ(project.m_mesh.m_nPoints, before + 1);

  // Saving clears the unsaved mark.
  f.m_szNextFile = f.Folder().File("edited.fmph");
  f.Command(ids::kSaveProject);
  EXPECT_EQ(f->GetTitle().utf8_string().rfind("edited.fmph", 0), 0u) << f->GetTitle().utf8_string();
  Pump(50);
  EXPECT_TRUE(f.m_messages.empty()) << f.m_messages[0].szText;
}

TEST(EditWindowMouse, ZoomClicksCursorsAndHoverBlink) {
  MainWindowFixture f;
  OpenSample(f);
  const pane::Bounds r = f.ImageRect(0);
  const wxPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  // Every tool puts a cursor over a pane; outside the panes the window system chooses.
  for (int tool = 0; tool < 6; ++tool) {
    ChooseTool(f, tool);
    wxSetCursorEvent inside(centre.x, centre.y);
    f->Canvas()->GetEventHandler()->ProcessEvent(inside);
    EXPECT_TRUE(inside.HasCursor()) << "tool " << tool;
    EXPECT_TRUE(inside.GetCursor().IsOk()) << "tool " << tool;
    wxSetCursorEvent outside(2, 2);
    f->Canvas()->GetEventHandler()->ProcessEvent(outside);
    EXPECT_FALSE(outside.HasCursor()) << "tool " << tool;
  }
  // The zoom tools step the clicked pane's zoom.
  ChooseTool(f, ToolZoomIn);
  const float zoom = f.View(0).fZoom;
  Click(f, centre);
  const float zoomedIn = f.View(0).fZoom;
  EXPECT_GT(zoomedIn, zoom);
  EXPECT_FLOAT_EQ(f.View(1).fZoom, zoom);  // only the clicked pane
  ChooseTool(f, ToolZoomOut);
  Pump(50);
  Click(f, wxPoint((f.ImageRect(0).left + f.ImageRect(0).right) / 2,
                   (f.ImageRect(0).top + f.ImageRect(0).bottom) / 2));
  EXPECT_LT(f.View(0).fZoom, zoomedIn);
  Pump(100);  // the pane is laid out again at its new zoom
  // At either end of the ladder a further click changes nothing.
  const pane::Rect& p2 = f.Layout().pane[1];
  const wxPoint middle2(p2.x + p2.w / 2, p2.y + p2.h / 2);
  for (int tool : {ToolZoomIn, ToolZoomOut}) {
    ChooseTool(f, tool);
    float last = -1;
    int clicks = 0;
    while (f.View(1).fZoom != last && clicks < 20) {
      last = f.View(1).fZoom;
      Click(f, middle2);
      ++clicks;
    }
    EXPECT_LT(clicks, 20);
    EXPECT_EQ(f.View(1).fZoom, last);
    EXPECT_EQ(f->Button(ids::kZoomButton2)->GetLabel(), wxString::Format("%2.1f%%", last * 100.0));
    Pump(50);
  }
  EXPECT_LT(f.View(1).fZoom, zoom);

  // Hovering a pair blinks its markers; the blink goes on for as long as the pointer stays.
  ChooseTool(f, ToolSelect);
  const MeshPoint& pt = f->Project().m_mesh.Point1(4);
  Mouse(f, wxEVT_MOTION, ClientOf(f, 1, pt.x + 0.5, pt.y + 0.5));
  EXPECT_TRUE(f->Session().Editor().Blink().IsActive());
  bool sawHot = false, sawNormal = false;
  PumpUntil([&] {
    (f->Session().Editor().Blink().ShowsHot() ? sawHot : sawNormal) = true;
    return false;
  }, 1100);
  EXPECT_TRUE(sawHot);
  EXPECT_TRUE(sawNormal);
  // Leaving it ends the blink and puts the normal picture back.
  const wxPoint empty = FreeSpot(f);
  ASSERT_GE(empty.x, 0);
  Mouse(f, wxEVT_MOTION, ClientOf(f, 1, empty.x, empty.y));
  EXPECT_FALSE(f->Session().Editor().Blink().IsActive());
  Pump(50);
  EXPECT_FALSE(f->Session().Editor().Blink().ShowsHot());
}

TEST(EditWindowPlayback, TimerTicksStepTheFramesInEveryLoopMode) {
  MainWindowFixture f;
  OpenSample(f);
  const MorphProject& project = f->Project();
  wxMenuBar* bar = f->GetMenuBar();
  EXPECT_TRUE(bar->IsChecked(cmdmap::ToWx(ids::kLoopPlay)));
  EXPECT_TRUE(bar->IsChecked(cmdmap::ToWx(ids::kLoopBack)));
  // A short film: the count typed into the entry and committed by Return.
  f->Button(ids::kFrameCountReadout)->Click();
  ASSERT_TRUE(f->FrameCountEdit()->IsShown());
  f->FrameCountEdit()->ChangeValue("6");
  wxKeyEvent enter(wxEVT_CHAR_HOOK);
  enter.m_keyCode = WXK_RETURN;
  f->GetEventHandler()->ProcessEvent(enter);
  ASSERT_EQ(project.m_nFrameCount, 6);
  EXPECT_FALSE(f->FrameCountEdit()->IsShown());
  EXPECT_EQ(f->Button(ids::kFrameCountReadout)->GetLabel(), "6");

  // Both switches off: 0..N once, then it stops on N.
  f.Command(ids::kLoopPlay);
  f.Command(ids::kLoopBack);
  EXPECT_FALSE(bar->IsChecked(cmdmap::ToWx(ids::kLoopPlay)));
  EXPECT_FALSE(bar->IsChecked(cmdmap::ToWx(ids::kLoopBack)));
  f.Command(ids::kFirstFrame);
  f.Command(ids::kPlayPause);
  EXPECT_TRUE(f->Session().Playback().IsPlaying());
  int highest = 0, shown = 0;
  EXPECT_TRUE(PumpUntil([&] {
    const int k = f.DrawnFrame();
    if (k != highest) ++shown;
    highest = std::max(highest, k);
    return !f->Session().Playback().IsPlaying();
  }, 3000));
  // Each tick draws k and then steps: the pass draws 0..N-1 and ends with k = N.
  EXPECT_EQ(project.m_nCurFrame, 6);
  EXPECT_EQ(highest, 5);
  EXPECT_EQ(shown, 5);
  EXPECT_EQ(f->Button(ids::kCurFrameReadout)->GetLabel(), "5");

  // Loop back alone: forward to N, back to 0, stop.
  f.Command(ids::kLoopBack);
  f.Command(ids::kPlayPause);
  highest = 0;
  EXPECT_TRUE(PumpUntil([&] {
    highest = std::max(highest, project.m_nCurFrame);
    return !f->Session().Playback().IsPlaying();
  }, 4000));
  EXPECT_EQ(highest, 6);
  EXPECT_EQ(project.m_nCurFrame, 0);

  // Loop play: still running after more than two passes, pause keeps the frame.
  f.Command(ids::kLoopPlay);
  f.Command(ids::kPlayPause);
  Pump(75 * 16);
  EXPECT_TRUE(f->Session().Playback().IsPlaying());
  f.Command(ids::kPlayPause);
  const int held = project.m_nCurFrame;
  Pump(250);
  EXPECT_FALSE(f->Session().Playback().IsPlaying());
  EXPECT_EQ(project.m_nCurFrame, held);

  // Frame commands and the slider.
  f.Command(ids::kLastFrame);
  EXPECT_EQ(project.m_nCurFrame, 6);
  f.Command(ids::kPrevFrame);
  EXPECT_EQ(project.m_nCurFrame, 5);
  f.Command(ids::kFirstFrame);
  f.Command(ids::kNextFrame);
  EXPECT_EQ(project.m_nCurFrame, 1);
  EXPECT_EQ(f.DrawnFrame(), 1);
  auto* slider = dynamic_cast<CSkinSlider*>(f->Canvas()->FindWindow(ids::kFrameSlider));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->GetPos(), 1);
  wxScrollEvent track(wxEVT_SCROLL_THUMBTRACK, ids::kFrameSlider, 4, wxHORIZONTAL);
  track.SetEventObject(slider);
  slider->GetEventHandler()->ProcessEvent(track);
  EXPECT_EQ(project.m_nCurFrame, 4);
  EXPECT_EQ(f.DrawnFrame(), 4);
}

// The frame count's limits: the arrows stop at 5 and 1000; the entry takes at most three
// digits, applies a typed value above 3 and ignores 3 and below without a word.
TEST(EditWindowPlayback, FrameCountLimits) {
  MainWindowFixture f;
  OpenSample(f);
  const MorphProject& project = f->Project();
  wxKeyEvent enter(wxEVT_CHAR_HOOK);
  enter.m_keyCode = WXK_RETURN;
  const auto type = [&](const char* text) {
    f->Button(ids::kFrameCountReadout)->Click();
    EXPECT_TRUE(f->FrameCountEdit()->IsShown());
    f->FrameCountEdit()->SetValue(text);
    f->GetEventHandler()->ProcessEvent(enter);
    EXPECT_FALSE(f->FrameCountEdit()->IsShown());
  };
  type("4");
  EXPECT_EQ(project.m_nFrameCount, 4);
  type("3");
  EXPECT_EQ(project.m_nFrameCount, 4);
  type("0");
  EXPECT_EQ(project.m_nFrameCount, 4);
  // Typed by the keyboard: three digits at most, letters swallowed.
  wxUIActionSimulator keys;
  keys.MouseMove(f->Canvas()->ClientToScreen(wxPoint(3, 3)));  // the window takes the keys
  keys.MouseClick();
  Pump(100);
  f->Button(ids::kFrameCountReadout)->Click();
  f->FrameCountEdit()->Clear();
  const wxRect entry = f->FrameCountEdit()->GetScreenRect();
  keys.MouseMove(entry.GetLeft() + entry.GetWidth() / 2, entry.GetTop() + entry.GetHeight() / 2);
  Pump(100);
  keys.Text("1a2345");
  Pump(200);
  EXPECT_EQ(f->FrameCountEdit()->GetValue(), "123");
  f->GetEventHandler()->ProcessEvent(enter);
  EXPECT_EQ(project.m_nFrameCount, 123);
  EXPECT_TRUE(f.m_messages.empty());
  f->Apply(f->Session().SetFrameCount(6));
  f->Button(ids::kFewerFrames)->Click();
  EXPECT_EQ(project.m_nFrameCount, 5);
  f->Button(ids::kFewerFrames)->Click();
  EXPECT_EQ(project.m_nFrameCount, 5);
  f->Apply(f->Session().SetFrameCount(999));
  f->Button(ids::kMoreFrames)->Click();
  EXPECT_EQ(project.m_nFrameCount, 1000);
  f->Button(ids::kMoreFrames)->Click();
  EXPECT_EQ(project.m_nFrameCount, 1000);
  EXPECT_EQ(f->Button(ids::kFrameCountReadout)->GetLabel(), "1000");
  // Clicking an arrow while the entry is open takes the focus from it, which closes it.
  f->Button(ids::kFrameCountReadout)->Click();
  ASSERT_TRUE(f->FrameCountEdit()->IsShown());
  f->Button(ids::kFewerFrames)->Click();
  Pump(100);
  EXPECT_FALSE(f->FrameCountEdit()->IsShown());
  EXPECT_TRUE(f->Button(ids::kFrameCountReadout)->IsShown());
}

TEST(EditWindowOverlay, EdgesShowInBothPanesMidDrag) {
  MainWindowFixture f("[Config]\nShowWiz=0\n", 1280, 800 - 40);
  OpenSample(f);
  ChooseTool(f, ToolAddPoint);
  const wxPoint spot = FreeSpot(f);
  ASSERT_GE(spot.x, 0);
  Click(f, ClientOf(f, 1, spot.x, spot.y));
  f.Command(ids::kShowTriangles);
  EXPECT_TRUE(f->GetMenuBar()->IsChecked(cmdmap::ToWx(ids::kShowTriangles)));
  // Mid-drag of the new point on pane 2.
  ChooseTool(f, ToolSelect);
  const int vnum = f->Project().m_mesh.m_nPoints - 1;
  const MeshVertex* v = f->Project().FindPoint({2, vnum});
  const wxPoint down = ClientOf(f, 2, v->x, v->y);
  Mouse(f, wxEVT_LEFT_DOWN, down);
  Mouse(f, wxEVT_MOTION, down + wxPoint(15, -10));
  f->Raise();
  Pump(400);
  const wxImage screen = guitest::GrabScreen();
  ASSERT_TRUE(screen.IsOk());
  const wxPoint origin = f->Canvas()->GetScreenPosition();
  // The edges show in both panes in their colour.
  for (int p = 0; p < 2; ++p) {
    const pane::Bounds r = f.ImageRect(p);
    int edge = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const int sx = origin.x + x, sy = origin.y + y;
        if (screen.GetRed(sx, sy) >= 250 && std::abs(screen.GetGreen(sx, sy) - 200) <= 6 &&
            std::abs(screen.GetBlue(sx, sy) - 100) <= 6)
          ++edge;
      }
    EXPECT_GT(edge, 200) << "pane " << p;
  }
  Mouse(f, wxEVT_LEFT_UP, down + wxPoint(15, -10));
  EXPECT_TRUE(f->Session().History().CanUndo());
}

TEST(EditWindowAutoKey, ProposalsComeInOneUndoStepWithTheWindowResponsive) {
  MainWindowFixture f;
  const std::string samples = BinDir() + "/samples/";
  ASSERT_TRUE(f.Load(1, samples + "girl.png"));
  ASSERT_TRUE(f.Load(2, samples + "boy.png"));
  ASSERT_TRUE(f.WaitReady());
  const MorphProject& project = f->Project();
  const int before = project.m_mesh.m_nPoints;
  std::vector<std::array<double, 4>> pairs;
  for (int v = 0; v < before; ++v) {
    const MeshVertex* a = project.FindPoint({1, v});
    const MeshVertex* b = project.FindPoint({2, v});
    pairs.push_back({a->x, a->y, b->x, b->y});
  }
  wxMenuBar* bar = f->GetMenuBar();
  ASSERT_TRUE(bar->IsEnabled(cmdmap::ToWx(ids::kAutoKeyPoints)));
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kAutoKeyPoints)).utf8_string(), "自动关键点");

  f->Button(ids::kAutoKeyButton)->Click();
  ASSERT_TRUE(f->Session().AutoKeyRunning());
  EXPECT_EQ(project.m_nToolMode, ToolBusy);
  EXPECT_FALSE(bar->IsEnabled(cmdmap::ToWx(ids::kAutoKeyPoints)));
  // The event loop keeps running: paints go on while the engine works.
  const int paints = f->Canvas()->PaintCount();
  f->Canvas()->Refresh();
  ASSERT_TRUE(PumpUntil([&] { return !f->Session().AutoKeyRunning(); }, 60000));
  EXPECT_GT(f->Canvas()->PaintCount(), paints);
  EXPECT_EQ(project.m_nToolMode, ToolSelect);
  ASSERT_EQ(f.m_messages.size(), 1u);
  const int added = project.m_mesh.m_nPoints - before;
  ASSERT_GT(added, 20) << f.m_messages[0].szText;
  int proposed = 0;
  for (const editor::MarkerPlacement& m : f->Session().Editor().Markers(1, 0, 0, 1.0)) proposed += m.bProposed;
  EXPECT_EQ(proposed, added);
  EXPECT_EQ(f->Session().History().UndoName(), "automatic key points");

  // One undo takes every proposal back and leaves the pairs exactly as they were.
  f.Command(ids::kUndo);
  ASSERT_EQ(project.m_mesh.m_nPoints, before);
  for (int v = 0; v < before; ++v) {
    const MeshVertex* a = project.FindPoint({1, v});
    const MeshVertex* b = project.FindPoint({2, v});
    EXPECT_EQ((std::array<double, 4>{a->x, a->y, b->x, b->y}), pairs[static_cast<size_t>(v)]) << v;
  }
  EXPECT_FALSE(f->Session().History().CanUndo());
  f.Command(ids::kRedo);
  EXPECT_EQ(project.m_mesh.m_nPoints, before + added);
}

// Whatever an edit or a frame command does, the preview, the slider and the read-out show the
// same frame afterwards: an added pair is drawn at once, a delete shows the last frame in all
// three, and fewer frames at the last frame never draws past the end.
TEST(EditWindowFrame, PreviewSliderAndReadoutAgreeAfterEveryEdit) {
  MainWindowFixture f;
  OpenSample(f);
  auto* slider = dynamic_cast<CSkinSlider*>(f->Canvas()->FindWindow(ids::kFrameSlider));
  ASSERT_NE(slider, nullptr);
  const auto agree = [&](int k) {
    EXPECT_EQ(f.DrawnFrame(), k);
    EXPECT_EQ(f->PreviewView()->GetDrawnFrame().nFrameCount, f->Project().m_nFrameCount);
    EXPECT_EQ(slider->GetPos(), k);
    EXPECT_EQ(f->Button(ids::kCurFrameReadout)->GetLabel().utf8_string(), std::to_string(k));
  };
  agree(15);
  ChooseTool(f, ToolAddPoint);
  const wxPoint spot = FreeSpot(f);
  ASSERT_GE(spot.x, 0);
  const int draws = f->PreviewView()->GetDrawCount();
  Click(f, ClientOf(f, 1, spot.x, spot.y));
  const int added = f->Project().m_mesh.m_nPoints - 1;
  EXPECT_GT(f->PreviewView()->GetDrawCount(), draws);
  agree(15);
  ChooseTool(f, ToolDeletePoint);
  const MeshPoint p = f->Project().m_mesh.Point1(added);
  Click(f, ClientOf(f, 1, p.x, p.y));
  ASSERT_EQ(f->Project().m_mesh.m_nPoints, added);
  agree(f->Project().m_nFrameCount);
  f->Button(ids::kFewerFrames)->Click();
  agree(f->Project().m_nFrameCount);
  EXPECT_EQ(f->Project().m_nFrameCount, 29);
}

// "Loop play" alone runs 0..N and starts again at 0, for as long as it plays.
TEST(EditWindowPlayback, LoopPlayAloneStartsAgainAtZero) {
  MainWindowFixture f;
  OpenSample(f);
  f->Apply(f->Session().SetFrameCount(5));
  f.Command(ids::kLoopBack);  // both were on after the open: loop play stays
  ASSERT_TRUE(f->Project().m_bLoopPlay);
  ASSERT_FALSE(f->Project().m_bLoopBack);
  f.Command(ids::kPlayPause);
  std::vector<int> drawn;
  PumpUntil([&] {
    const int k = f.DrawnFrame();
    if (drawn.empty() || drawn.back() != k) drawn.push_back(k);
    return drawn.size() >= 14;
  }, 4000);
  EXPECT_TRUE(f->Session().IsPlaying());
  f.Command(ids::kPlayPause);
  ASSERT_GE(drawn.size(), 14u);
  // From the first 0 on: 0 1 2 3 4 5 0 1 2 ...
  const auto start = std::find(drawn.begin(), drawn.end(), 0);
  ASSERT_NE(start, drawn.end());
  for (auto it = start; it != drawn.end(); ++it)
    EXPECT_EQ(*it, static_cast<int>((it - start) % 6)) << "step " << (it - start);
}

// The edges command twice returns to where it started: no edges in either pane, none in the
// preview, the item unchecked.
TEST(EditWindowOverlay, EdgesCommandTwiceRestoresTheStart) {
  MainWindowFixture f;
  OpenSample(f);
  const auto edgePixels = [&f]() {
    f->Raise();
    Pump(200);
    const wxImage screen = guitest::GrabScreen();
    const wxPoint origin = f->Canvas()->GetScreenPosition();
    int n = 0;
    for (int p = 0; p < 2; ++p) {
      const pane::Bounds r = f.ImageRect(p);
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
          n += screen.GetRed(origin.x + x, origin.y + y) >= 250 &&
               std::abs(screen.GetGreen(origin.x + x, origin.y + y) - 200) <= 6 &&
               std::abs(screen.GetBlue(origin.x + x, origin.y + y) - 100) <= 6;
    }
    return n;
  };
  wxMenuBar* bar = f->GetMenuBar();
  const int plain = edgePixels();
  EXPECT_FALSE(f->PreviewView()->GetViewParams().bShowEdges);
  f.Command(ids::kShowTriangles);
  EXPECT_TRUE(bar->IsChecked(cmdmap::ToWx(ids::kShowTriangles)));
  EXPECT_TRUE(f->PreviewView()->GetViewParams().bShowEdges);
  EXPECT_GT(edgePixels(), plain + 400);
  f.Command(ids::kShowTriangles);
  EXPECT_FALSE(bar->IsChecked(cmdmap::ToWx(ids::kShowTriangles)));
  EXPECT_FALSE(f->PreviewView()->GetViewParams().bShowEdges);
  EXPECT_EQ(edgePixels(), plain);
}

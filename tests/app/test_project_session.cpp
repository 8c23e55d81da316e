// What each operation of the main window's session changes, checked without any window: the
// panes to repaint, the frame the preview, slider and read-out show, timers, menus, refusals.
#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "app/MainMenus.h"
#include "app/ProjectSession.h"
#include "core/ProjectFile.h"
#include "support/EditFixtures.h"
#include "support/SessionFixtures.h"

namespace {

bool Enabled(const ProjectSession& s, int nId) {
  for (const menus::ItemState& item : menus::ComputeMenuState(s))
    if (item.nId == nId) return item.bEnabled;
  ADD_FAILURE() << "no state for " << nId;
  return false;
}

}  // namespace

TEST(ProjectSession, PanesFitTheFinalClientSizeWhateverTheOrder) {
  ReadySession r(480, 600, 480, 600);
  const std::string path = r.dir.File("p.fmph");
  ASSERT_FALSE(r.s.SaveProject(path).bRefused);
  // Opened before the window has its size (a project on the command line): nothing is
  // fitted to a pane of no size, and no zoom goes negative.
  ProjectSession s;
  const SessionChange opened = s.OpenProject(path);
  ASSERT_FALSE(opened.bRefused) << opened.szMessage;
  EXPECT_EQ(opened.nSetupTimer, ids::kTimerOpenSetup);
  EXPECT_GT(s.Panes().View(0).fZoom, 0.0f);
  // Then the maximised size: both pictures fitted to it, everything placed and drawn again.
  const SessionChange maximised = s.Resize(1264, 965);
  EXPECT_TRUE(maximised.bBackdrop && maximised.bLayout && maximised.bPane[0] && maximised.bPane[1]);
  EXPECT_TRUE(maximised.bPreview);
  const float fit = pane::LoadFitZoom(480, 600, 1264 / 2 - 82, 965 / 2 - 82);
  EXPECT_FLOAT_EQ(s.Panes().View(0).fZoom, fit);
  EXPECT_FLOAT_EQ(s.Panes().View(1).fZoom, fit);
  EXPECT_TRUE(s.Resize(1264, 965).Empty());  // the same size again changes nothing
  // Restored: fitted again; a zoom the user chose stays.
  s.SetPaneZoom(1, 2.0f);
  s.Resize(kCw, kCh);
  EXPECT_FLOAT_EQ(s.Panes().View(0).fZoom, pane::LoadFitZoom(480, 600, 426, 268));
  EXPECT_FLOAT_EQ(s.Panes().View(1).fZoom, 2.0f);
  EXPECT_TRUE(s.Panes().View(1).bHScroll);
}

TEST(ProjectSession, SetUpShowsTheMiddleFrameAtImage1sSizeWithTheToolsLive) {
  TempDir dir;
  ProjectSession s;
  s.Resize(kCw, kCh);
  const std::string a = dir.File("a.bmp"), b = dir.File("b.bmp");
  ASSERT_TRUE(MakePatternPicture(200, 100, 1).Save(a, PICTURE_BMP));
  ASSERT_TRUE(MakePatternPicture(300, 160, 2).Save(b, PICTURE_BMP));
  EXPECT_FALSE(s.ButtonsEnabled());
  EXPECT_FALSE(Enabled(s, ids::kSaveProject));
  const SessionChange first = s.LoadPicture(1, a);
  EXPECT_EQ(first.nSetupTimer, 0);  // one picture is no project yet
  EXPECT_EQ(s.PositionText(0), "0,0");
  const SessionChange second = s.LoadPicture(2, b);
  EXPECT_EQ(second.nSetupTimer, ids::kTimerLoadSetup);
  EXPECT_TRUE(second.bControls && second.bMenus && second.bLayout);
  EXPECT_EQ(s.Project().m_nToolMode, ToolBusy);
  const SessionChange setup = s.PreviewSetup();
  EXPECT_TRUE(setup.bPreview && setup.bFrame && setup.bFrameCount && setup.bControls && setup.bLayout);
  EXPECT_EQ(s.Frame(), 15);
  EXPECT_EQ(s.Project().m_nOutputWidth, 200);
  EXPECT_EQ(s.Project().m_nToolMode, ToolSelect);
  EXPECT_FLOAT_EQ(s.Panes().PreviewZoom(), s.Panes().View(0).fZoom);
  EXPECT_TRUE(s.ButtonsEnabled());
  EXPECT_TRUE(Enabled(s, ids::kSaveProject));
  // The size popup is built from the pictures as they are now.
  const std::vector<menus::MenuItem> popup = menus::OutputSizeMenu(s);
  ASSERT_EQ(popup.size(), 8u);
  EXPECT_EQ(popup[0].szText, "200x100");
  EXPECT_EQ(popup[1].szText, "300x160");
  EXPECT_EQ(popup[2].szText, "250x130");
  EXPECT_EQ(popup[7].nId, 9110);
}

TEST(ProjectSession, AddingAPairRedrawsBothPanesAndThePreview) {
  ReadySession r;
  r.s.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  const int before = r.s.Project().m_mesh.m_nPoints;
  const SessionChange c = r.Click(0, 100, 50);
  ASSERT_EQ(r.s.Project().m_mesh.m_nPoints, before + 1);
  EXPECT_TRUE(c.bPane[0] && c.bPane[1]);
  // The new mesh is drawn at once, at the frame the read-outs show.
  EXPECT_TRUE(c.bPreview);
  EXPECT_TRUE(c.bFrame);
  EXPECT_TRUE(c.bMenus);  // undo is live, the title shows the unsaved edit
  EXPECT_TRUE(Enabled(r.s, ids::kUndo));
  EXPECT_EQ(r.s.Title("Kestrelle").rfind("*", 0), 0u);
}

TEST(ProjectSession, DeletingAPairShowsTheLastFrameEverywhere) {
  ReadySession r;
  r.s.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  r.Click(0, 100, 50);
  ASSERT_EQ(r.s.Frame(), 15);
  r.s.SelectToolButton(ids::kToolFirst + ToolDeletePoint);
  const SessionChange c = r.Click(0, 100, 50);
  EXPECT_EQ(r.s.Project().m_mesh.m_nPoints, 5);
  EXPECT_EQ(r.s.Project().m_nCurFrame, 30);
  EXPECT_EQ(r.s.Frame(), 30);  // what the preview, the slider and the read-out show
  EXPECT_TRUE(c.bPreview && c.bFrame && c.bPane[0] && c.bPane[1]);
}

TEST(ProjectSession, AFrameCountBelowTheFrameBringsTheFrameInside) {
  ReadySession r;
  r.s.LastFrame();
  ASSERT_EQ(r.s.Frame(), 30);
  const SessionChange c = r.s.FewerFrames();
  EXPECT_EQ(r.s.FrameCount(), 29);
  EXPECT_EQ(r.s.Frame(), 29);
  EXPECT_EQ(r.s.Project().m_nCurFrame, 29);
  EXPECT_TRUE(c.bFrameCount && c.bFrame && c.bPreview);
  // Inside the count nothing moves.
  r.s.FirstFrame();
  const SessionChange more = r.s.MoreFrames();
  EXPECT_TRUE(more.bFrameCount);
  EXPECT_FALSE(more.bPreview);
  // A typed count below the frame, committed by Return, brings the frame inside too.
  r.s.LastFrame();
  r.s.OpenFrameCountEntry();
  EXPECT_EQ(r.s.EntryText(), "30");
  const SessionChange typed = r.s.ReturnPressed("12");
  EXPECT_EQ(typed.entry, SessionChange::Entry::Hide);
  EXPECT_EQ(r.s.FrameCount(), 12);
  EXPECT_EQ(r.s.Frame(), 12);
  EXPECT_TRUE(typed.bPreview);
}

TEST(ProjectSession, EachTickShowsItsFrameThenSteps) {
  ReadySession r;
  r.s.SetFrameCount(5);
  r.s.ToggleLoopPlay();
  r.s.ToggleLoopBack();
  ASSERT_FALSE(r.s.Project().m_bLoopPlay || r.s.Project().m_bLoopBack);
  const SessionChange play = r.s.PlayPause();
  EXPECT_TRUE(play.playTimer.bStart);
  EXPECT_TRUE(play.bControls);  // the pause face
  std::vector<int> shown;
  SessionChange tick;
  while (r.s.IsPlaying() && shown.size() < 20) {
    tick = r.s.PlayTick();
    EXPECT_TRUE(tick.bPreview && tick.bFrame);
    shown.push_back(r.s.Frame());
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(tick.playTimer.bStop);
  EXPECT_EQ(r.s.Project().m_nCurFrame, 5);  // the frame it stopped on is not drawn
}

TEST(ProjectSession, FailedOperationsChangeNothing) {
  ReadySession r;
  const std::string path1 = r.s.Project().GetImagePath(1);
  const float zoom = r.s.Panes().View(0).fZoom;
  const SessionChange open = r.s.OpenProject(r.dir.File("missing.fmph"));
  EXPECT_TRUE(open.bRefused);
  EXPECT_EQ(open.szMessage, "open project error!");
  EXPECT_FALSE(open.bLayout || open.bPane[0] || open.bPreview);
  WriteFileBytes(r.dir.File("broken.bmp"), {'B', 'M', 1, 2, 3});
  const SessionChange load = r.s.LoadPicture(1, r.dir.File("broken.bmp"));
  EXPECT_TRUE(load.bRefused);
  EXPECT_FALSE(load.szMessage.empty());
  EXPECT_EQ(r.s.Project().GetImagePath(1), path1);
  EXPECT_EQ(r.s.Panes().View(0).fZoom, zoom);
  const SessionChange size = r.s.ApplyOutputSize(0, 40);
  EXPECT_TRUE(size.bRefused);
  EXPECT_EQ(r.s.Project().m_nOutputWidth, 400);
  const SessionChange save = r.s.SaveProject("/proc/kestrelle-no-such-dir/x.fmph");
  EXPECT_TRUE(save.bRefused);
  EXPECT_TRUE(r.s.ProjectPath().empty());
}

TEST(ProjectSession, ClosingHidesThePreviewAndStopsPlayback) {
  ReadySession r;
  r.s.PlayPause();
  const SessionChange c = r.s.CloseProject();
  EXPECT_TRUE(c.playTimer.bStop);
  EXPECT_TRUE(c.bLayout && c.bPane[0] && c.bPane[1]);
  EXPECT_FALSE(r.s.IsPlaying());
  EXPECT_FALSE(r.s.Sizes().Has(pane::Preview));
  EXPECT_TRUE(r.s.Panes().PreviewRect().IsEmpty());
  EXPECT_TRUE(r.s.Panes().VisibleRect(0, r.s.Sizes()).IsEmpty());
  // The buttons stay as they were; the history is gone.
  EXPECT_TRUE(r.s.ButtonsEnabled());
  EXPECT_FALSE(r.s.History().CanUndo());
}

TEST(ProjectSession, OutputSizeFitsThePreviewAndItsBarsScroll) {
  ReadySession r;
  const SessionChange c = r.s.ApplyOutputSize(720, 480);
  EXPECT_TRUE(c.bLayout && c.bPreview);
  EXPECT_FLOAT_EQ(r.s.Panes().PreviewZoom(), pane::BestFitZoom(720, 480, 426, 268));
  r.s.SetPaneZoom(pane::Preview, 8.0f);
  ASSERT_TRUE(r.s.Panes().View(pane::Preview).bHScroll);
  const SessionChange scrolled = r.s.Scroll(ids::kHScroll3, pane::ScrollThumbTrack, 40);
  EXPECT_TRUE(scrolled.bPreview);
  EXPECT_FALSE(scrolled.bPane[0] || scrolled.bPane[1]);
  EXPECT_EQ(r.s.Panes().PreviewPanX(), 40);
  EXPECT_EQ(r.s.Panes().Bar(4).nPos, 40);
  // A bar of an image pane repaints that pane only.
  r.s.SetPaneZoom(0, 4.0f);
  const SessionChange pane1 = r.s.Scroll(ids::kHScroll1, pane::ScrollLineDown, 0);
  EXPECT_TRUE(pane1.bPane[0]);
  EXPECT_FALSE(pane1.bPane[1] || pane1.bPreview);
}

TEST(ProjectSession, ADragIsCapturedAndBecomesOneUndoStep) {
  ReadySession r;
  r.s.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  r.Click(1, 200, 100);
  r.s.LeftUp();
  const int x0 = r.s.Project().m_mesh.Point2(5).x;
  r.s.SelectToolButton(ids::kToolFirst + ToolSelect);
  const SessionChange down = r.Click(1, 200, 100);
  EXPECT_TRUE(down.bCaptureMouse);
  const auto [x, y] = r.At(1, 230, 120);
  const SessionChange move = r.s.PointerMoved(x, y);
  EXPECT_TRUE(move.bPane[1] && move.bPreview);
  EXPECT_FALSE(move.bPane[0]);  // only the image2 side moved
  const SessionChange up = r.s.LeftUp();
  EXPECT_TRUE(up.bReleaseMouse && up.bMenus);
  const SessionChange undo = r.s.Undo();
  EXPECT_TRUE(undo.bPane[0] && undo.bPane[1] && undo.bPreview);
  EXPECT_EQ(r.s.Project().m_mesh.Point2(5).x, x0);
}

TEST(ProjectSession, MenuStateFollowsTheProject) {
  ReadySession r(400, 300, 600, 200);
  auto state = [&r](int nId) {
    for (const menus::ItemState& s : menus::ComputeMenuState(r.s))
      if (s.nId == nId) return s;
    return menus::ItemState{};
  };
  EXPECT_TRUE(state(ids::kMorphType1).bChecked);
  EXPECT_TRUE(state(ids::kLoopPlay).bChecked && state(ids::kLoopBack).bChecked);
  EXPECT_FALSE(state(ids::kShowTriangles).bChecked);
  EXPECT_EQ(state(ids::kSizeAverage).szLabel, "500x250 size as pre image");
  EXPECT_FALSE(state(ids::kPaste).bEnabled);
  EXPECT_TRUE(state(ids::kAutoKeyPoints).bEnabled);
  const SessionChange t = r.s.ToggleTriangles();
  EXPECT_TRUE(t.bMenus && t.bPreview && t.bPane[0] && t.bPane[1]);
  EXPECT_TRUE(state(ids::kShowTriangles).bChecked);
  r.s.ChooseMorphType(3);
  EXPECT_TRUE(state(ids::kMorphType3).bChecked);
  EXPECT_FALSE(state(ids::kMorphType1).bChecked);
  r.s.AutoKeyStarted();
  EXPECT_FALSE(state(ids::kAutoKeyPoints).bEnabled);
  EXPECT_TRUE(r.s.LeftDown(10, 10).Empty());  // no edits meanwhile
  r.s.AutoKeyFinished(nullptr);
  EXPECT_TRUE(state(ids::kAutoKeyPoints).bEnabled);
  EXPECT_EQ(r.s.Project().m_nToolMode, ToolSelect);
}

// The cursor of each tool over each image pane, as the editing Part gives it: over a key
// point the select and add tools show the move cursor; off a point and with every other tool
// the tool's own. The busy tool waits everywhere; outside the panes the desktop chooses,
// except over the open frame-count entry, which shows the hand.
TEST(ProjectSession, CursorOfEachToolOverEachPane) {
  ReadySession r(400, 300, 600, 450);
  using editor::Cursor;
  struct Row {
    int tool;
    Cursor overPoint, offPoint;
  };
  const Row table[] = {{ToolSelect, Cursor::MovePoint, Cursor::Arrow},
                       {ToolAddPoint, Cursor::MovePoint, Cursor::AddPoint},
                       {ToolDeletePoint, Cursor::DeletePoint, Cursor::DeletePoint},
                       {ToolHand, Cursor::Hand, Cursor::Hand},
                       {ToolZoomIn, Cursor::ZoomIn, Cursor::ZoomIn},
                       {ToolZoomOut, Cursor::ZoomOut, Cursor::ZoomOut}};
  const MeshPoint centre1 = r.s.Project().m_mesh.Point1(4), centre2 = r.s.Project().m_mesh.Point2(4);
  for (const Row& row : table) {
    r.s.SelectToolButton(ids::kToolFirst + row.tool);
    for (int pane = 0; pane < 2; ++pane) {
      const MeshPoint& c = pane == 0 ? centre1 : centre2;
      const auto [px, py] = r.At(pane, c.x, c.y);
      EXPECT_EQ(r.s.CursorAt(px, py, false), row.overPoint) << "tool " << row.tool << " pane " << pane;
      const auto [ox, oy] = r.At(pane, c.x / 2, c.y / 2);
      EXPECT_EQ(r.s.CursorAt(ox, oy, false), row.offPoint) << "tool " << row.tool << " pane " << pane;
    }
    EXPECT_EQ(r.s.CursorAt(2, 2, false), Cursor::Default);
    EXPECT_EQ(r.s.CursorAt(2, 2, true), Cursor::Hand);
  }
  r.s.AutoKeyStarted();  // the busy tool
  const auto [bx, by] = r.At(0, 10, 10);
  EXPECT_EQ(r.s.CursorAt(bx, by, false), Cursor::Wait);
  EXPECT_EQ(r.s.CursorAt(2, 2, false), Cursor::Wait);
}

// Deleting a pair renumbers those after it, every surviving coordinate becomes a whole
// number, and nothing else moves.
TEST(ProjectSession, DeletingRenumbersTheRemainingPairs) {
  ReadySession r;
  r.s.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  for (const auto& [x, y] : {std::pair<int, int>{60, 40}, {300, 60}, {120, 230}, {330, 250}}) r.Click(0, x, y);
  ASSERT_EQ(r.s.Project().m_mesh.m_nPoints, 9);
  std::vector<std::array<int, 4>> before;
  for (int i = 0; i < 9; ++i) {
    const MeshPoint a = r.s.Project().m_mesh.Point1(i), b = r.s.Project().m_mesh.Point2(i);
    before.push_back({a.x, a.y, b.x, b.y});
  }
  r.s.SelectToolButton(ids::kToolFirst + ToolDeletePoint);
  const MeshPoint gone = r.s.Project().m_mesh.Point1(6);
  r.Click(0, gone.x, gone.y);
  const CKeyPointMesh& mesh = r.s.Project().m_mesh;
  ASSERT_EQ(mesh.m_nPoints, 8);
  for (int i = 0; i < 8; ++i) {
    const std::array<int, 4>& was = before[static_cast<size_t>(i < 6 ? i : i + 1)];
    EXPECT_EQ(mesh.Point1(i).x, was[0]) << i;
    EXPECT_EQ(mesh.Point1(i).y, was[1]) << i;
    EXPECT_EQ(mesh.Point2(i).x, was[2]) << i;
    EXPECT_EQ(mesh.Point2(i).y, was[3]) << i;
    const MeshVertex* v = r.s.Project().FindPoint({1, i});
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->x, static_cast<int>(v->x));
  }
}

// The position read-outs show 0,0 for a loaded picture after a load or a replacement and at
// every layout, and follow the pointer between layouts.
TEST(ProjectSession, PositionReadoutsStartAtTheOriginAtEveryLayout) {
  ReadySession r(300, 200, 300, 200);  // at 100 %
  EXPECT_EQ(r.s.PositionText(0), "0,0");
  const auto [x, y] = r.At(0, 100, 50);
  const SessionChange moved = r.s.PointerMoved(x, y);
  EXPECT_TRUE(moved.bPosition[0]);
  EXPECT_EQ(r.s.PositionText(0), "100,50");
  const SessionChange zoomed = r.s.SetPaneZoom(1, 2.0f);
  EXPECT_TRUE(zoomed.bPosition[0] && zoomed.bPosition[1]);
  EXPECT_EQ(r.s.PositionText(0), "0,0");
  r.s.PointerMoved(x, y);
  r.s.LoadPicture(1, r.p2);  // replaced
  EXPECT_EQ(r.s.PositionText(0), "0,0");
}

TEST(ProjectSession, SampleSaveRedoStepsAndAWizardCancel) {
  ProjectSession s;
  s.Resize(kCw, kCh);
  EXPECT_STREQ(menus::SampleOfCommand(ids::kSampleFirst + 3)->szFileName, "cattotirger.fmph");
  EXPECT_EQ(menus::SampleOfCommand(ids::kSampleLast + 1), nullptr);
  EXPECT_TRUE(s.OpenSample(ids::kSampleLast + 1, BinDir() + "/samples").bRefused);
  const SessionChange sample = s.OpenSample(ids::kSampleFirst, BinDir() + "/samples");
  ASSERT_FALSE(sample.bRefused) << sample.szMessage;
  EXPECT_EQ(sample.nSetupTimer, ids::kTimerOpenSetup);
  EXPECT_NE(s.ProjectPath().find("samples/"), std::string::npos);
  s.PreviewSetup();
  // Frame steps show the frame they reach; at the ends they show it again.
  EXPECT_TRUE(s.LastFrame().bPreview);
  EXPECT_EQ(s.Frame(), 30);
  EXPECT_TRUE(s.NextFrame().bFrame);
  EXPECT_EQ(s.Frame(), 30);
  s.PreviousFrame();
  EXPECT_EQ(s.Frame(), 29);
  s.FirstFrame();
  s.PreviousFrame();
  EXPECT_EQ(s.Frame(), 0);
  s.SliderScrolled(pane::ScrollThumbTrack, 12);
  EXPECT_EQ(s.Frame(), 12);
  // An edit, undone and redone, then saved: the title loses its mark.
  s.ChooseMorphType(2);
  s.Undo();
  EXPECT_EQ(s.Project().m_nMorphType, 1);
  const SessionChange redo = s.Redo();
  EXPECT_TRUE(redo.bMenus && redo.bPreview);
  EXPECT_EQ(s.Project().m_nMorphType, 2);
  TempDir dir;
  const SessionChange saved = s.SaveProject(dir.File("copy.fmph"));
  EXPECT_FALSE(saved.bRefused);
  EXPECT_TRUE(saved.bMenus);
  EXPECT_EQ(s.Title("Kestrelle"), "copy.fmph - Kestrelle");
  // A wizard cancelled at start-up: morph type 1 and nothing open.
  const SessionChange reset = s.ResetProject();
  EXPECT_TRUE(reset.bMenus && reset.bLayout);
  EXPECT_EQ(s.Project().m_nMorphType, 1);
  EXPECT_FALSE(s.IsReady());
  EXPECT_EQ(s.Title("Kestrelle"), "Kestrelle");
}

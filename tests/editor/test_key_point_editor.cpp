// Key-point editing through client coordinates: adding on panes of different sizes and
// zooms, refusals that change nothing, drags, hover across deletions, and undo/redo that
// restores pairs and triangles exactly.
#include <gtest/gtest.h>

#include <random>

#include "editor/KeyPointEditor.h"
#include "support/EditFixtures.h"

using namespace editor;

namespace {

class KeyPointEditing : public testing::Test {
 protected:
  void SetUp() override {
    MakeReadyProject(project, dir, 400, 300, 800, 600);
    SetZoom(0, 1.0f);
    SetZoom(1, 1.0f);
  }
  void SetZoom(int i, float z) {
    EditPane& p = panes[i];
    p.left = i == 0 ? 10 : 500;
    p.top = 20;
    p.zoom = z;
    p.right = p.left + 400;
    p.bottom = p.top + 300;
  }
  // Client position of a picture position in pane 1 or 2.
  int X(int pane, double ix) const { return static_cast<int>(panes[pane - 1].left + ix * panes[pane - 1].zoom); }
  int Y(int pane, double iy) const { return static_cast<int>(panes[pane - 1].top + iy * panes[pane - 1].zoom); }
  EditOutcome Click(int pane, double ix, double iy) {
    EditOutcome o = editor.LeftDown(panes, X(pane, ix), Y(pane, iy));
    editor.LeftUp();
    return o;
  }
  std::array<double, 4> Pair(int vnum) const {
    const MeshVertex* a = project.m_mesh.FindVertex(1, vnum);
    const MeshVertex* b = project.m_mesh.FindVertex(2, vnum);
    return {a->x, a->y, b->x, b->y};
  }

  TempDir dir;
  MorphProject project;
  CommandHistory history;
  KeyPointEditor editor{project, history};
  EditPanes panes;
};

}  // namespace

TEST_F(KeyPointEditing, AddPutsThePartnerAtTheSameRelativeIntegerPlace) {
  project.m_nToolMode = ToolAddPoint;
  EditOutcome o = Click(1, 100, 50);
  EXPECT_TRUE(o.szMessage.empty()) << o.szMessage;
  EXPECT_EQ(o.repaint, EditOutcome::Repaint::PointsOnly);
  EXPECT_EQ(Pair(5), (std::array<double, 4>{100, 50, 200, 100}));
  // Pane 2 at zoom 0.5: client offset 166.5 maps to picture x 333.
  SetZoom(1, 0.5f);
  o = editor.LeftDown(panes, panes[1].left + 167, panes[1].top + 101);
  EXPECT_TRUE(o.szMessage.empty()) << o.szMessage;
  EXPECT_EQ(Pair(6), (std::array<double, 4>{167, 101, 334, 202}));
  EXPECT_TRUE(history.CanUndo());
  EXPECT_EQ(history.UndoName(), "add pair");
  // The pane test excludes the rectangle's edges.
  EXPECT_EQ(editor.LeftDown(panes, panes[0].left, panes[0].top + 10).bInvalidatePane[0], false);
  EXPECT_EQ(project.m_mesh.m_nPoints, 7);
}

TEST_F(KeyPointEditing, RefusedEditsChangeNothing) {
  const auto refused = [&](const EditOutcome& o, const MeshState& before) {
    EXPECT_FALSE(o.szMessage.empty());
    EXPECT_EQ(CaptureMeshState(project), before);
    EXPECT_EQ(o.repaint, EditOutcome::Repaint::Keep);
  };
  // Deleting the centre of a fresh project leaves the four corners on one circle.
  project.m_nToolMode = ToolDeletePoint;
  MeshState before = CaptureMeshState(project);
  refused(Click(1, 200, 150), before);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(editor.IsDragging());

  // The 129th pair.
  project.m_nToolMode = ToolAddPoint;
  for (int i = 0; project.m_mesh.m_nPoints < kMaxKeyPoints; ++i)
    ASSERT_TRUE(Click(1, 13 + (i % 12) * 31, 11 + (i / 12) * 27).szMessage.empty()) << i;
  before = CaptureMeshState(project);
  refused(Click(1, 390, 295), before);

  // An add with the partner picture missing: only image1 loaded.
  MorphProject single;
  ASSERT_TRUE(MakePatternPicture(400, 300).Save(dir.File("only.bmp"), PICTURE_BMP));
  ASSERT_TRUE(single.LoadImage1(dir.File("only.bmp")).ok());
  single.m_nToolMode = ToolAddPoint;
  CommandHistory h;
  KeyPointEditor e(single, h);
  before = CaptureMeshState(single);
  const EditOutcome o = e.LeftDown(panes, X(1, 50), Y(1, 50));
  EXPECT_EQ(o.szMessage, EditText::kPartnerMissing);
  EXPECT_EQ(CaptureMeshState(single), before);
  EXPECT_FALSE(h.CanUndo());
}

TEST_F(KeyPointEditing, DragMovesOneSideUnroundedAndIsOneUndoStep) {
  SetZoom(1, 0.5f);
  const auto triangles = project.m_mesh.TriangleList();
  // Grab image2's centre (400, 300) within the 4-pixel click tolerance.
  EditOutcome o = editor.LeftDown(panes, X(2, 402), Y(2, 302));
  EXPECT_TRUE(o.bCaptureMouse);
  ASSERT_TRUE(editor.IsDragging());
  o = editor.PointerMoved(panes, panes[1].left + 101, panes[1].top + 51);
  EXPECT_TRUE(o.bInvalidatePane[1]);
  EXPECT_FALSE(o.bInvalidatePane[0]);
  EXPECT_TRUE(o.bDrawPreview);
  // Far outside every pane the point still follows.
  editor.PointerMoved(panes, panes[1].left + 2001, panes[1].top - 99);
  EXPECT_EQ(Pair(4), (std::array<double, 4>{200, 150, 4002, -198}));
  EXPECT_EQ(project.m_mesh.Point2(4).y, -198);
  EXPECT_EQ(project.m_mesh.TriangleList(), triangles);
  o = editor.LeftUp();
  EXPECT_TRUE(o.bReleaseMouse);
  EXPECT_EQ(o.repaint, EditOutcome::Repaint::Full);
  EXPECT_EQ(history.UndoName(), "move pair");
  editor.Undo();
  EXPECT_EQ(Pair(4), (std::array<double, 4>{200, 150, 400, 300}));
  EXPECT_FALSE(history.CanUndo());
  // A click without a move records nothing.
  editor.LeftDown(panes, X(1, 200), Y(1, 150));
  editor.LeftUp();
  EXPECT_FALSE(history.CanUndo());
}

TEST_F(KeyPointEditing, HoverAndClickTolerancesDifferAwayFromZoomOne) {
  SetZoom(0, 8.0f);
  // 2 image pixels from the centre: 16 screen pixels, outside the hover's 4.
  const int x = panes[0].left + (202 * 8) - panes[0].scrollX;
  panes[0].right = panes[0].left + 4000;
  panes[0].bottom = panes[0].top + 4000;
  const int y = Y(1, 150) + 1;
  EXPECT_EQ(editor.CursorAt(panes, x, y, false), Cursor::Arrow);
  project.m_nToolMode = ToolAddPoint;
  EXPECT_EQ(editor.CursorAt(panes, x, y, false), Cursor::AddPoint);
  EXPECT_EQ(editor.CursorAt(panes, X(1, 200) + 3, y, false), Cursor::MovePoint);
  // ...but the click grabs it instead of adding.
  editor.LeftDown(panes, x, y);
  EXPECT_TRUE(editor.IsDragging());
  EXPECT_EQ(project.m_mesh.m_nPoints, 5);
  editor.LeftUp();
  project.m_nToolMode = ToolBusy;
  EXPECT_EQ(editor.CursorAt(panes, x, y, false), Cursor::Wait);
  project.m_nToolMode = ToolZoomOut;
  EXPECT_EQ(editor.CursorAt(panes, 0, 0, true), Cursor::Hand);
  EXPECT_EQ(editor.CursorAt(panes, 0, 0, false), Cursor::Default);
  const EditOutcome o = editor.LeftDown(panes, x, y);
  EXPECT_EQ(o.nZoomPane, 1);
  EXPECT_FALSE(o.bZoomIn);
}

TEST_F(KeyPointEditing, HoverBlinkSurvivesDeletionOfAnotherPair) {
  project.m_nToolMode = ToolAddPoint;
  Click(1, 100, 100);  // pair 5
  Click(1, 300, 200);  // pair 6
  EditOutcome o = editor.PointerMoved(panes, X(1, 301), Y(1, 199));
  EXPECT_EQ(o.szPosition[0], "301,199");
  EXPECT_TRUE(o.blinkTimer.bStart);
  EXPECT_TRUE(editor.Blink().ShowsHot());
  EXPECT_TRUE(editor.Markers(1, 0, 0, 1.0)[2].bHot);  // markers start at pair 4

  project.m_nToolMode = ToolDeletePoint;
  ASSERT_TRUE(Click(1, 100, 100).szMessage.empty());
  EXPECT_EQ(project.GetHoverPoint().vnum, 5);
  o = editor.BlinkTimer(panes);
  ASSERT_EQ(o.invalidateRects.size(), 2u);
  EXPECT_EQ(o.invalidateRects[0], (PixelRect{panes[0].left + 300 - 3, panes[0].top + 200 - 3, 6, 6}));
  EXPECT_EQ(o.invalidateRects[1], (PixelRect{panes[1].left + 600 - 3, panes[1].top + 400 - 3, 6, 6}));
  EXPECT_FALSE(editor.Blink().ShowsHot());
  editor.BlinkTimer(panes);
  EXPECT_TRUE(editor.Markers(2, 0, 0, 1.0)[1].bHot);

  // Leaving the point inside the pane ends the blink; the end timer repaints it once.
  o = editor.PointerMoved(panes, X(1, 50), Y(1, 250));
  EXPECT_TRUE(o.blinkTimer.bStop);
  EXPECT_TRUE(o.blinkEndTimer.bStart);
  EXPECT_EQ(o.repaint, EditOutcome::Repaint::Full);
  o = editor.BlinkEndTimer(panes);
  EXPECT_TRUE(o.blinkEndTimer.bStop);
  EXPECT_EQ(o.invalidateRects.size(), 2u);

  // Deleting the hovered pair itself leaves nothing to blink.
  editor.PointerMoved(panes, X(1, 300), Y(1, 200));
  Click(1, 300, 200);
  o = editor.BlinkTimer(panes);
  EXPECT_TRUE(o.invalidateRects.empty());
  EXPECT_TRUE(o.blinkTimer.bStop);
}

TEST_F(KeyPointEditing, UndoingAnyEditSequenceRestoresEveryStateExactly) {
  std::mt19937 rng(7);
  std::vector<MeshState> states{CaptureMeshState(project)};
  for (int step = 0; step < 60; ++step) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
    const int pane = 1 + std::uniform_int_distribution<int>(0, 1)(rng);
    const int x = std::uniform_int_distribution<int>(1, 398)(rng);
    const int y = std::uniform_int_distribution<int>(1, 298)(rng);
    EditOutcome o;
    if (kind < 5) {
      project.m_nToolMode = ToolAddPoint;
      o = editor.LeftDown(panes, panes[pane - 1].left + x, panes[pane - 1].top + y);
      editor.LeftUp();
    } else if (kind < 7 && project.m_mesh.m_nPoints > 5) {
      project.m_nToolMode = ToolDeletePoint;
      const int d = std::uniform_int_distribution<int>(4, project.m_mesh.m_nPoints - 1)(rng);
      const MeshVertex* v = project.m_mesh.FindVertex(1, d);
      o = Click(1, v->x, v->y);
    } else if (kind < 9) {
      project.m_nToolMode = ToolSelect;
      const int d = std::uniform_int_distribution<int>(4, project.m_mesh.m_nPoints - 1)(rng);
      const MeshVertex* v = project.m_mesh.FindVertex(pane, d);
      editor.LeftDown(panes, X(pane, v->x), Y(pane, v->y));
      panes[pane - 1].zoom = 0.75f;  // fractions in the unrounded coordinates
      editor.PointerMoved(panes, panes[pane - 1].left + x, panes[pane - 1].top + y);
      panes[pane - 1].zoom = 1.0f;
      editor.LeftUp();
    } else {
      o = editor.ChooseMorphType(1 + step % 3);
    }
    if (o.szMessage.empty() && CaptureMeshState(project) != states.back()) states.push_back(CaptureMeshState(project));
    else EXPECT_EQ(CaptureMeshState(project), states.back()) << "refused step " << step << " changed the mesh";
  }
  ASSERT_GT(states.size(), 30u);
  for (size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(history.CanUndo());
    editor.Undo();
    ASSERT_EQ(CaptureMeshState(project), states[i - 1]) << "after undoing to state " << i - 1;
  }
  EXPECT_FALSE(history.CanUndo());
  for (size_t i = 1; i < states.size(); ++i) {
    editor.Redo();
    ASSERT_EQ(CaptureMeshState(project), states[i]) << "after redoing to state " << i;
  }
  EXPECT_FALSE(history.CanRedo());
  EXPECT_TRUE(project.m_mesh.IsConsistent());
}

TEST(EditHistory, DirtyStateAndTitle) {
  TempDir dir;
  MorphProject project;
  MakeReadyProject(project, dir, 40, 30, 40, 30);
  CommandHistory history;
  history.Clear(true);
  EXPECT_FALSE(history.IsDirty());
  ASSERT_TRUE(history.Execute(MakeMorphTypeCommand(2), project).ok());
  EXPECT_TRUE(history.IsDirty());
  history.Undo(project);
  EXPECT_FALSE(history.IsDirty());
  history.Redo(project);
  history.MarkSaved();
  EXPECT_FALSE(history.IsDirty());
  history.Undo(project);
  // A new step after an undo drops the saved state's step for good.
  ASSERT_TRUE(history.Execute(MakeMorphTypeCommand(3), project).ok());
  history.Undo(project);
  EXPECT_TRUE(history.IsDirty());
  EXPECT_FALSE(history.Execute(MakeMorphTypeCommand(7), project).ok());
  EXPECT_TRUE(history.CanRedo());

  EXPECT_EQ(ProjectTitleText("Kestrelle", "/a/b/face.fmph", true, true), "*face.fmph - Kestrelle");
  EXPECT_EQ(ProjectTitleText("Kestrelle", "/a/b/face.fmph", true, false), "face.fmph - Kestrelle");
  EXPECT_EQ(ProjectTitleText("Kestrelle", "", true, true), "*Untitled - Kestrelle");
  EXPECT_EQ(ProjectTitleText("Kestrelle", "", false, false), "Kestrelle");
}

TEST_F(KeyPointEditing, ProposalsAreOneStepAndStayMarkedUntilTouched) {
  project.m_nToolMode = ToolAddPoint;
  Click(1, 300, 200);  // a pair of the user's own, kept through everything below
  const int before = project.m_mesh.m_nPoints;
  const std::array<double, 4> own = Pair(before - 1);
  EditOutcome o = editor.AddProposals(MakeMeshEditCommand("automatic key points", [](MorphProject& p) {
    for (int x : {60, 120, 180}) {
      Result r = p.AddPairAt(1, x, 70);
      if (!r) return r;
    }
    return Result::Success();
  }));
  ASSERT_TRUE(o.szMessage.empty()) << o.szMessage;
  EXPECT_TRUE(o.bHistoryChanged);
  ASSERT_EQ(project.m_mesh.m_nPoints, before + 3);
  for (int v = 0; v < project.m_mesh.m_nPoints; ++v) EXPECT_EQ(editor.Proposals().IsMarked(v), v >= before) << v;
  const auto proposed = [&] {
    int n = 0;
    for (const MarkerPlacement& m : editor.Markers(1, 0, 0, 1.0)) n += m.bProposed;
    return n;
  };
  EXPECT_EQ(proposed(), 3);

  // Dragging one makes it the user's; deleting another renumbers the marks after it.
  project.m_nToolMode = ToolSelect;
  editor.LeftDown(panes, X(1, 120), Y(1, 70));
  editor.PointerMoved(panes, X(1, 125), Y(1, 75));
  editor.LeftUp();
  EXPECT_FALSE(editor.Proposals().IsMarked(before + 1));
  project.m_nToolMode = ToolDeletePoint;
  Click(1, 60, 70);
  ASSERT_EQ(project.m_mesh.m_nPoints, before + 2);
  EXPECT_FALSE(editor.Proposals().IsMarked(before));      // the dragged pair, moved down
  EXPECT_TRUE(editor.Proposals().IsMarked(before + 1));   // x = 180, moved down
  EXPECT_EQ(proposed(), 1);

  // Undo of the three edits leaves the pairs as before the proposals, exactly.
  editor.Undo();
  editor.Undo();
  editor.Undo();
  EXPECT_EQ(project.m_mesh.m_nPoints, before);
  EXPECT_EQ(Pair(before - 1), own);
  EXPECT_TRUE(editor.Proposals().IsEmpty());
  // A batch that fails changes nothing and is no step.
  o = editor.AddProposals(MakeMeshEditCommand("automatic key points", [](MorphProject&) {
    return Result::Fail("nothing reliable found");
  }));
  EXPECT_EQ(o.szMessage, "nothing reliable found");
  EXPECT_EQ(project.m_mesh.m_nPoints, before);
  EXPECT_EQ(history.UndoName(), "add pair");
}

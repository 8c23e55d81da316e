#include "editor/KeyPointEditor.h"

#include <cstdio>

namespace editor {

namespace {

int TruncF(float v) { return static_cast<int>(v); }

std::string PositionText(int ix, int iy) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d,%d", ix, iy);
  return buf;
}

}  // namespace

void KeyPointEditor::WindowToImage(const EditPane& pane, int x, int y, int* pIx, int* pIy) {
  const float k = 1.0f / pane.zoom;
  *pIx = TruncF(k * static_cast<float>(pane.scrollX + x - pane.left));
  *pIy = TruncF(k * static_cast<float>(pane.scrollY + y - pane.top));
}

int KeyPointEditor::PaneAt(const EditPanes& panes, int x, int y) {
  for (int i = 0; i < 2; ++i)
    if (panes[i].StrictlyInside(x, y)) return i + 1;
  return 0;
}

PointHandle KeyPointEditor::HoverTest(const EditPane& pane, int paneNo, int x, int y) const {
  int ix = 0, iy = 0;
  WindowToImage(pane, x, y, &ix, &iy);
  const float t = kHoverTolerance / pane.zoom;  // single precision, as the read-out's zoom
  return m_project.HitTest(paneNo, ix, iy, static_cast<double>(t));
}

// ---------------------------------------------------------------- mouse

EditOutcome KeyPointEditor::LeftDown(const EditPanes& panes, int x, int y) {
  EditOutcome out;
  // A release that never arrived (capture lost without notice) ends the old drag first.
  if (IsDragging()) EndDrag(&out);
  const int p = PaneAt(panes, x, y);
  if (p == 0) return out;
  const int tool = m_project.m_nToolMode;
  if (tool == ToolZoomIn || tool == ToolZoomOut) {
    out.nZoomPane = p;
    out.bZoomIn = tool == ToolZoomIn;
    return out;
  }
  if (tool == ToolHand) return out;

  int ix = 0, iy = 0;
  WindowToImage(panes[p - 1], x, y, &ix, &iy);
  const PointHandle hit = m_project.HitTest(p, ix, iy, kClickTolerance);
  if (hit) {
    m_project.SetHitPoint(hit);
    if (tool == ToolDeletePoint) {
      // No drag follows a delete: the point it would move is gone.
      const Result r = m_history.Execute(MakeDeletePairCommand(hit.vnum), m_project);
      if (!r) {
        out.szMessage = r.message;
        return out;
      }
      m_proposals.Deleted(hit.vnum);
      out.repaint = EditOutcome::Repaint::PointsOnly;
      out.bInvalidatePane = {true, true};
      out.bDrawPreview = true;
      out.bHistoryChanged = true;
      return out;
    }
    const MeshVertex* v = m_project.FindPoint(hit);
    m_nDragPane = p;
    m_bPointMoved = false;
    m_fromX = v->x;
    m_fromY = v->y;
    out.bCaptureMouse = true;
    return out;
  }
  if (tool != ToolAddPoint) return out;
  if (!m_project.IsReady()) {
    out.szMessage = EditText::kPartnerMissing;
    return out;
  }
  const Result r = m_history.Execute(MakeAddPairCommand(p, ix, iy), m_project);
  if (!r) {
    out.szMessage = r.message;
    return out;
  }
  out.repaint = EditOutcome::Repaint::PointsOnly;
  out.bInvalidatePane = {true, true};
  // The new mesh shows in the preview at once, not only after the panes' repaint.
  out.bDrawPreview = true;
  out.bHistoryChanged = true;
  return out;
}

EditOutcome KeyPointEditor::PointerMoved(const EditPanes& panes, int x, int y) {
  EditOutcome out;
  if (IsDragging()) {
    const EditPane& pane = panes[m_nDragPane - 1];
    const double z = static_cast<double>(pane.zoom);
    const double px = (pane.scrollX + x - pane.left) / z;
    const double py = (pane.scrollY + y - pane.top) / z;
    if (m_project.MovePoint(m_project.GetHitPoint(), px, py)) {
      m_bPointMoved = true;
      out.repaint = EditOutcome::Repaint::PointsOnly;
      out.bInvalidatePane[m_nDragPane - 1] = true;
      out.bDrawPreview = true;
    }
  }

  const int p = PaneAt(panes, x, y);
  if (p == 0) return out;  // the read-outs keep their last text
  const EditPane& pane = panes[p - 1];
  int ix = 0, iy = 0;
  WindowToImage(pane, x, y, &ix, &iy);
  out.bPositionChanged[p - 1] = true;
  out.szPosition[p - 1] = PositionText(ix, iy);
  const PointHandle hover = HoverTest(pane, p, x, y);
  if (hover) {
    m_project.SetHoverPoint(hover);
    m_blink.PointHovered(&out.blinkTimer);
  } else if (m_blink.NothingHovered(&out.blinkTimer, &out.blinkEndTimer)) {
    if (out.repaint == EditOutcome::Repaint::Keep) out.repaint = EditOutcome::Repaint::Full;
  }
  return out;
}

void KeyPointEditor::EndDrag(EditOutcome* pOut) {
  const PointHandle hit = m_project.GetHitPoint();
  if (m_bPointMoved) {
    if (const MeshVertex* v = m_project.FindPoint(hit)) {
      if (v->x != m_fromX || v->y != m_fromY) {
        m_history.Record(MakeMovePairCommand(hit.pane, hit.vnum, m_fromX, m_fromY, v->x, v->y));
        m_proposals.Touched(hit.vnum);
        pOut->bHistoryChanged = true;
      }
    }
  }
  m_nDragPane = 0;
  m_bPointMoved = false;
  pOut->bReleaseMouse = true;
}

EditOutcome KeyPointEditor::LeftUp() {
  EditOutcome out;
  if (IsDragging()) EndDrag(&out);
  out.repaint = EditOutcome::Repaint::Full;
  return out;
}

// ---------------------------------------------------------------- blinking

void KeyPointEditor::AddBlinkRects(const EditPanes& panes, EditOutcome* pOut) const {
  const int vnum = m_project.GetHoverPoint().vnum;
  for (int i = 0; i < 2; ++i) {
    const EditPane& pane = panes[i];
    const MeshPoint& pt = i == 0 ? m_project.m_mesh.Point1(vnum) : m_project.m_mesh.Point2(vnum);
    const int left = TruncF(pane.left - pane.scrollX + pt.x * pane.zoom - 3);
    const int top = TruncF(pane.top - pane.scrollY + pt.y * pane.zoom - 3);
    pOut->invalidateRects.push_back({left, top, kMarkerSize, kMarkerSize});
  }
}

EditOutcome KeyPointEditor::BlinkTimer(const EditPanes& panes) {
  EditOutcome out;
  const bool known = m_project.FindPoint(m_project.GetHoverPoint()) != nullptr;
  if (!m_blink.BlinkTick(known, &out.blinkTimer)) return out;
  out.repaint = EditOutcome::Repaint::PointsOnly;
  AddBlinkRects(panes, &out);
  return out;
}

EditOutcome KeyPointEditor::BlinkEndTimer(const EditPanes& panes) {
  EditOutcome out;
  const bool known = m_project.FindPoint(m_project.GetHoverPoint()) != nullptr;
  if (m_blink.EndTick(known, &out.blinkEndTimer)) AddBlinkRects(panes, &out);
  return out;
}

// ---------------------------------------------------------------- cursor

Cursor KeyPointEditor::CursorAt(const EditPanes& panes, int x, int y, bool bInFrameCountEdit) const {
  const int tool = m_project.m_nToolMode;
  if (tool == ToolBusy) return Cursor::Wait;
  for (int i = 0; i < 2; ++i) {
    if (!panes[i].Inside(x, y)) continue;
    const bool needsHover = tool == ToolSelect || tool == ToolAddPoint;
    const bool over = needsHover && static_cast<bool>(HoverTest(panes[i], i + 1, x, y));
    return ToolCursor(tool, over);
  }
  return bInFrameCountEdit ? Cursor::Hand : Cursor::Default;
}

// ---------------------------------------------------------------- commands

EditOutcome KeyPointEditor::ToggleTriangles() {
  m_project.m_bShowTriangles = m_project.m_bShowTriangles ? 0 : 1;
  EditOutcome out;
  out.bInvalidatePane = {true, true};
  out.bDrawPreview = true;
  return out;
}

void KeyPointEditor::AfterHistoryStep(EditOutcome* pOut) {
  m_blink.Reset(&pOut->blinkTimer, &pOut->blinkEndTimer);
  pOut->repaint = EditOutcome::Repaint::PointsOnly;
  pOut->bInvalidatePane = {true, true};
  pOut->bDrawPreview = true;
  pOut->bHistoryChanged = true;
}

EditOutcome KeyPointEditor::ChooseMorphType(int type) {
  EditOutcome out;
  if (type == m_project.m_nMorphType) {
    out.bDrawPreview = true;
    return out;
  }
  const Result r = m_history.Execute(MakeMorphTypeCommand(type), m_project);
  if (!r) {
    out.szMessage = r.message;
    return out;
  }
  out.bDrawPreview = true;
  out.bHistoryChanged = true;
  return out;
}

EditOutcome KeyPointEditor::Undo() {
  EditOutcome out;
  if (IsDragging()) EndDrag(&out);  // the drag becomes the step undone
  if (m_history.Undo(m_project)) {
    m_proposals.Clear();
    AfterHistoryStep(&out);
  }
  return out;
}

EditOutcome KeyPointEditor::Redo() {
  EditOutcome out;
  if (IsDragging()) EndDrag(&out);
  if (m_history.Redo(m_project)) {
    m_proposals.Clear();
    AfterHistoryStep(&out);
  }
  return out;
}

EditOutcome KeyPointEditor::AddProposals(std::unique_ptr<EditCommand> command) {
  EditOutcome out;
  if (IsDragging()) EndDrag(&out);
  const int before = m_project.m_mesh.m_nPoints;
  const Result r = m_history.Execute(std::move(command), m_project);
  if (!r) {
    out.szMessage = r.message;
    return out;
  }
  // The project appends new pairs (deletions among them keep the rest at the end).
  m_proposals.Mark(before, m_project.m_mesh.m_nPoints - before);
  AfterHistoryStep(&out);
  return out;
}

EditOutcome KeyPointEditor::ProjectReplaced(bool bSaved) {
  EditOutcome out;
  if (IsDragging()) {
    m_nDragPane = 0;
    m_bPointMoved = false;
    out.bReleaseMouse = true;
  }
  m_blink.Reset(&out.blinkTimer, &out.blinkEndTimer);
  m_proposals.Clear();
  m_history.Clear(bSaved);
  out.bHistoryChanged = true;
  return out;
}

// ---------------------------------------------------------------- drawing

std::vector<MarkerPlacement> KeyPointEditor::Markers(int pane, int originX, int originY, double zoom) const {
  std::vector<MarkerPlacement> out;
  const CKeyPointMesh& mesh = m_project.m_mesh;
  const int hot = m_blink.ShowsHot() ? m_project.GetHoverPoint().vnum : -1;
  // The four corner pairs get no marker.
  for (int i = 4; i < mesh.m_nPoints && i < kMaxKeyPoints; ++i) {
    const MeshPoint& pt = pane == 1 ? mesh.Point1(i) : mesh.Point2(i);
    MarkerPlacement m;
    m.rect = {static_cast<int>(zoom * pt.x + originX - 3), static_cast<int>(zoom * pt.y + originY - 3), kMarkerSize,
              kMarkerSize};
    m.bHot = i == hot;
    m.bProposed = m_proposals.IsMarked(i);
    out.push_back(m);
  }
  return out;
}

std::vector<EdgeLine> KeyPointEditor::TriangleEdges(int pane, const EditPane& view) const {
  std::vector<EdgeLine> out;
  const CKeyPointMesh& mesh = m_project.m_mesh;
  const MeshEdge* head = mesh.m_pEdges;
  if (!head) return out;
  const float z = view.zoom;
  const auto end = [&](const MeshVertex* v, int* px, int* py) {
    if (pane == 1) {
      *px = static_cast<int>(z * v->x - view.scrollX);
      *py = static_cast<int>(z * v->y - view.scrollY);
    } else {
      const MeshPoint& pt = mesh.Point2(v->vnum);
      *px = TruncF(pt.x * z - view.scrollX);
      *py = TruncF(pt.y * z - view.scrollY);
    }
  };
  const MeshEdge* e = head;
  do {
    // Hull edges with one lower face are the outline of the point set, not drawn.
    if (e->adj[0] && e->adj[1] && e->adj[0]->lower && e->adj[1]->lower && e->endpts[0] && e->endpts[1]) {
      EdgeLine line;
      end(e->endpts[0], &line.x1, &line.y1);
      end(e->endpts[1], &line.x2, &line.y2);
      out.push_back(line);
    }
    e = e->next;
  } while (e != head);
  return out;
}

}  // namespace editor

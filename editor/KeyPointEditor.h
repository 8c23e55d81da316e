// Key-point editing in the two image panes as pure logic: the window hands over each mouse
// event, timer and command with the panes' current geometry and applies the returned
// outcome (repaint flags, invalidations, preview redraw, timers, capture, texts, messages).
// The points kept between events are the project's handles (pane and pair number), so a
// deletion, an undo or a replaced project never leaves a dangling record.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/TextMarks.h"
#include "core/MorphProject.h"
#include "editor/EditHistory.h"
#include "editor/EditTools.h"
#include "editor/HoverBlink.h"
#include "editor/ProposalMarks.h"

namespace editor {

// Texts of refusals the model does not word itself.
namespace EditText {
inline constexpr const char* kPartnerMissing = N_("Both pictures are needed to place a key point pair.");
}

// One image pane as the window lays it out.
struct EditPane {
  // Visible picture rectangle in client pixels (right and bottom exclusive); empty when the
  // pane shows no picture.
  int left = 0, top = 0, right = 0, bottom = 0;
  int scrollX = 0, scrollY = 0;  // in zoomed pixels
  float zoom = 1.0f;

  bool IsEmpty() const { return right <= left || bottom <= top; }
  // Clicks and hover: all four edges excluded.
  bool StrictlyInside(int x, int y) const { return left < x && x < right && top < y && y < bottom; }
  // Cursor: left and top edges included.
  bool Inside(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
};
using EditPanes = std::array<EditPane, 2>;  // image1, image2

struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const PixelRect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

struct EditOutcome {
  // How the window sets its two repaint flags (background and layout redraw, full repaint):
  // PointsOnly clears both (pane contents only), Full sets both, Keep leaves them.
  enum class Repaint { Keep, PointsOnly, Full };
  Repaint repaint = Repaint::Keep;
  std::array<bool, 2> bInvalidatePane{};  // image1 pane, image2 pane, with erase
  std::vector<PixelRect> invalidateRects;  // marker rectangles of a blink
  bool bDrawPreview = false;               // draw the preview at its current frame now
  int nZoomPane = 0;                       // 1 or 2: a zoom tool click steps that pane
  bool bZoomIn = false;
  bool bCaptureMouse = false;  // a drag began: the window captures the pointer
  bool bReleaseMouse = false;  // the drag ended
  std::array<bool, 2> bPositionChanged{};  // position read-outs of image1 / image2
  std::array<std::string, 2> szPosition;   // "%d,%d"
  TimerChange blinkTimer;     // HoverBlink::kBlinkTimerId, kBlinkPeriodMs
  TimerChange blinkEndTimer;  // HoverBlink::kEndTimerId, kEndDelayMs
  bool bHistoryChanged = false;  // undo/redo items and the window title follow
  std::string szMessage;         // a refused edit; nothing was changed
};

// A key-point marker to draw (6 x 6, the picture stretched into it).
struct MarkerPlacement {
  PixelRect rect;
  bool bHot = false;
  bool bProposed = false;  // placed by the automatic command, not touched since
};
struct EdgeLine {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class KeyPointEditor {
 public:
  static constexpr int kClickTolerance = 4;    // image pixels, at every zoom
  static constexpr float kHoverTolerance = 4;  // screen pixels
  static constexpr int kMarkerSize = 6;
  static constexpr unsigned kEdgeColour = 0xFFFFC864;  // ARGB

  KeyPointEditor(MorphProject& project, CommandHistory& history) : m_project(project), m_history(history) {}

  // ---- mouse (client coordinates) ----
  EditOutcome LeftDown(const EditPanes& panes, int x, int y);
  // Every pointer move: the drag step while dragging, then the hover test and read-outs.
  EditOutcome PointerMoved(const EditPanes& panes, int x, int y);
  // Button release anywhere, and a lost capture: the drag ends (one undo step if it moved).
  EditOutcome LeftUp();
  bool IsDragging() const { return m_nDragPane != 0; }

  // ---- timers ----
  EditOutcome BlinkTimer(const EditPanes& panes);
  EditOutcome BlinkEndTimer(const EditPanes& panes);

  // ---- cursor over the client area ----
  // `bInFrameCountEdit`: the position lies in the shown frame-count entry.
  Cursor CursorAt(const EditPanes& panes, int x, int y, bool bInFrameCountEdit) const;

  // ---- commands ----
  EditOutcome ToggleTriangles();
  EditOutcome ChooseMorphType(int type);
  EditOutcome Undo();
  EditOutcome Redo();
  // A batch of proposed pairs as one undo step; the pairs it appends are marked as proposals
  // until the user moves or deletes them (an undo or redo forgets the marks).
  EditOutcome AddProposals(std::unique_ptr<EditCommand> command);
  // A project opened or closed, or a picture replaced: drag and hover end, the history goes.
  // `bSaved`: the project is as its file holds it (opened, or nothing left to save).
  EditOutcome ProjectReplaced(bool bSaved);

  // ---- drawing, for the pane painter ----
  // Markers of pairs 4.. in pane 1 or 2; origin (-scroll x, -scroll y) inside the pane bitmap.
  std::vector<MarkerPlacement> Markers(int pane, int originX, int originY, double zoom) const;
  // Edges with a triangle on both sides, in the pane bitmap's pixels.
  std::vector<EdgeLine> TriangleEdges(int pane, const EditPane& view) const;
  const HoverBlink& Blink() const { return m_blink; }
  const ProposalMarks& Proposals() const { return m_proposals; }

  // Integer picture position of a client position in a pane (truncated toward zero).
  static void WindowToImage(const EditPane& pane, int x, int y, int* pIx, int* pIy);

 private:
  // Pane 1 or 2 whose rectangle strictly holds the position, else 0.
  static int PaneAt(const EditPanes& panes, int x, int y);
  PointHandle HoverTest(const EditPane& pane, int paneNo, int x, int y) const;
  void EndDrag(EditOutcome* pOut);
  void AddBlinkRects(const EditPanes& panes, EditOutcome* pOut) const;
  void AfterHistoryStep(EditOutcome* pOut);

  MorphProject& m_project;
  CommandHistory& m_history;
  HoverBlink m_blink;
  ProposalMarks m_proposals;
  int m_nDragPane = 0;  // 1 or 2 while dragging
  bool m_bPointMoved = false;
  double m_fromX = 0, m_fromY = 0;  // the dragged point where the drag began
};

}  // namespace editor

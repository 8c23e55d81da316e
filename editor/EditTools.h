// The six editing tools: their buttons and faces, choosing one, and the cursor each tool
// shows over an image pane.
#pragma once

#include "core/MorphProject.h"

namespace editor {

inline constexpr int kToolButtonFirst = 1007;  // 1007..1012 choose ToolSelect..ToolZoomOut
inline constexpr int kToolCount = 6;

// Tool of a tool button, or -1.
int ToolOfButton(int buttonId);
// Button showing the chosen tool as selected (ToolBusy shows the select tool), or -1.
int SelectedToolButton(int toolMode);

// Picture ids of a tool button's faces.
struct ToolFaces {
  int hover = 0, normal = 0, selected = 0, disabled = 0;
};
ToolFaces ToolButtonFaces(int tool);

// Chooses a tool from its button; false (nothing changed) for another id.
bool SelectTool(MorphProject& project, int buttonId);

// Cursors. The project's own carry a picture id; the others are the system's.
enum class Cursor {
  Leave,    // set no cursor
  Default,  // let the window system choose
  Arrow,
  Wait,
  Hand,
  AddPoint,
  DeletePoint,
  MovePoint,
  ZoomIn,
  ZoomOut,
};
// Picture id of a project cursor, 0 for the system ones.
int CursorPictureId(Cursor cursor);
// Cursor of a tool inside an image pane; `bOverPoint` is the hover test's answer there.
Cursor ToolCursor(int toolMode, bool bOverPoint);

}  // namespace editor

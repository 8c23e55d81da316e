#include "editor/EditTools.h"

#include "art/ArtworkIds.h"

namespace editor {

int ToolOfButton(int buttonId) {
  const int tool = buttonId - kToolButtonFirst;
  return tool >= 0 && tool < kToolCount ? tool : -1;
}

int SelectedToolButton(int toolMode) {
  if (toolMode == ToolBusy) return kToolButtonFirst;
  return toolMode >= 0 && toolMode < kToolCount ? kToolButtonFirst + toolMode : -1;
}

ToolFaces ToolButtonFaces(int tool) {
  switch (tool) {
    case ToolSelect: return {kArtSelectHot, kArtSelect, kArtSelectHot, kArtSelectDisabled};
    case ToolAddPoint: return {kArtAddPointHot, kArtAddPoint, kArtAddPointHot, kArtAddPointDisabled};
    case ToolDeletePoint: return {kArtDeletePointHot, kArtDeletePoint, kArtDeletePointHot, kArtDeletePointDisabled};
    case ToolHand: return {kArtHandHot, kArtHand, kArtHandHot, kArtHandDisabled};
    case ToolZoomIn: return {kArtZoomInHot, kArtZoomIn, kArtZoomInHot, kArtZoomInDisabled};
    case ToolZoomOut: return {kArtZoomOutHot, kArtZoomOut, kArtZoomOutHot, kArtZoomOutDisabled};
    default: return {};
  }
}

bool SelectTool(MorphProject& project, int buttonId) {
  const int tool = ToolOfButton(buttonId);
  if (tool < 0) return false;
  project.m_nToolMode = tool;
  return true;
}

int CursorPictureId(Cursor cursor) {
  switch (cursor) {
    case Cursor::AddPoint: return kArtCursorAddPoint;
    case Cursor::DeletePoint: return kArtCursorDeletePoint;
    case Cursor::MovePoint: return kArtCursorMovePoint;
    case Cursor::ZoomIn: return kArtCursorZoomIn;
    case Cursor::ZoomOut: return kArtCursorZoomOut;
    default: return 0;
  }
}

Cursor ToolCursor(int toolMode, bool bOverPoint) {
  switch (toolMode) {
    case ToolBusy: return Cursor::Wait;
    case ToolSelect: return bOverPoint ? Cursor::MovePoint : Cursor::Arrow;
    case ToolAddPoint: return bOverPoint ? Cursor::MovePoint : Cursor::AddPoint;
    case ToolDeletePoint: return Cursor::DeletePoint;
    case ToolHand: return Cursor::Hand;
    case ToolZoomIn: return Cursor::ZoomIn;
    case ToolZoomOut: return Cursor::ZoomOut;
    default: return Cursor::Leave;
  }
}

}  // namespace editor

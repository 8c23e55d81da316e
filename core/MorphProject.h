// MorphProject: the one open morph project (two pictures, their paths, the key-point mesh,
// the animation settings) and the model side of every operation that changes it. The window
// code chooses files, converts pane coordinates and shows the returned message text; the
// command-line tool and the tests drive the same operations.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Limits.h"
#include "base/PathParts.h"
#include "base/Result.h"
#include "base/TextMarks.h"
#include "core/KeyPointMesh.h"
#include "image/Picture.h"

// Editing tool held in m_nToolMode.
enum EditTool : int {
  ToolSelect = 0,
  ToolAddPoint = 1,
  ToolDeletePoint = 2,
  ToolHand = 3,
  ToolZoomIn = 4,
  ToolZoomOut = 5,
  ToolBusy = 9,
};

// A key point that a window keeps between events (the hit point of a drag, the point under
// the mouse): its pane and pair number, never a record's address, since deleting a pair or
// rolling back an add replaces the mesh. The project renumbers or clears the handles it
// keeps after every add, delete, roll-back, open and close, so a kept handle names the same
// pair or none.
struct PointHandle {
  int pane = 0;   // 1 or 2; 0 for none
  int vnum = -1;  // pair number; -1 for none
  explicit operator bool() const { return vnum >= 0; }
  bool operator==(const PointHandle& o) const { return pane == o.pane && vnum == o.vnum; }
  bool operator!=(const PointHandle& o) const { return !(*this == o); }
};

// Texts of the operations below (those the window shows as they are).
namespace ProjectText {
inline constexpr const char* kError = N_("error!");
inline constexpr const char* kKeyPointError1 = N_("取关键点错误！");
inline constexpr const char* kKeyPointError2 = N_("Get Key Point Error!");
inline constexpr const char* kPathTooLong = N_("The path is longer than 255 bytes.");
inline constexpr const char* kTooManyPoints = N_("At most 128 key points can be placed.");
inline constexpr const char* kPointNotInsertable =
    N_("A key point cannot be placed here: it coincides with an existing key point.");
inline constexpr const char* kPointOutside = N_("The key point lies outside the picture.");
inline constexpr const char* kPictureTooSmall = N_("The picture is too small for key points.");
inline constexpr const char* kDeleteNotTriangulable =
    N_("This key point cannot be deleted: the remaining key points cannot be triangulated.");
inline constexpr const char* kDeleteWouldMerge =
    N_("This key point cannot be deleted: two remaining key points would fall on the same pixel "
       "of image1.");
}  // namespace ProjectText

class MorphProject {
 public:

  MorphProject() = default;
  MorphProject(const MorphProject&) = delete;
  MorphProject& operator=(const MorphProject&) = delete;

  // ---- pictures ----
  // Loads the file into slot 1 or 2 and updates the points (fresh mesh, rescale of a
  // replaced picture, or the frame points of a slot filled beside the other picture).
  Result LoadImage1(const std::string& path) { return LoadImage(1, path); }
  Result LoadImage2(const std::string& path) { return LoadImage(2, path); }
  Result LoadImage(int slot, const std::string& path);
  // One picture into both slots as two independent pictures; morph type 2.
  Result LoadWarpImage(const std::string& path);
  // Destroys both pictures; points, paths and settings stay.
  void CloseProject();

  CPicture* GetImage(int slot) const { return slot == 1 ? m_pImage1.get() : m_pImage2.get(); }
  const std::string& GetImagePath(int slot) const { return slot == 1 ? m_szImagePath1 : m_szImagePath2; }
  bool IsReady() const { return m_pImage1 && m_pImage2; }

  // ---- key-point pairs (picture coordinates of the pane's picture) ----
  // Adds a pair at (cx, cy) on pane 1 or 2 with the partner at the same relative position.
  Result AddPairAt(int pane, int cx, int cy, int* pNewVnum = nullptr);
  // First record of list `pane` within `tolerance` pixels (inclusive) of (cx, cy), walking
  // from the head; an empty handle when none is. Clicks use 4, hover tests 4 screen pixels.
  PointHandle HitTest(int pane, int cx, int cy, double tolerance = 4) const;
  // Removes pair d, renumbers the rest and rebuilds the triangulation.
  Result DeletePair(int vnum);
  // Moves one side of a pair; the triangulation keeps its triangles.
  Result MovePoint(int pane, int vnum, double x, double y);
  Result MovePoint(const PointHandle& point, double x, double y) {
    return MovePoint(point.pane, point.vnum, x, y);
  }

  // ---- the points a window keeps between events ----
  // Kept only when they name a pair (else emptied); renumbered or emptied by every change.
  void SetHitPoint(const PointHandle& point) { m_hitPoint = FindPoint(point) ? point : PointHandle{}; }
  void SetHoverPoint(const PointHandle& point) { m_hoverPoint = FindPoint(point) ? point : PointHandle{}; }
  const PointHandle& GetHitPoint() const { return m_hitPoint; }
  const PointHandle& GetHoverPoint() const { return m_hoverPoint; }
  // The record a handle names now (looked up afresh, not to be kept), or null.
  const MeshVertex* FindPoint(const PointHandle& point) const;

  // ---- settings ----
  Result ChooseMorphType(int type);
  // Assigns N and its output mirror together; the current frame is not changed.
  void SetFrameCount(int n);
  bool IncreaseFrameCount();  // the "more frames" button: up to 1000
  bool DecreaseFrameCount();  // the "fewer frames" button: down to 5
  bool CommitTypedFrameCount(int n);  // a typed value is taken only when greater than 3
  // W and H of the output; refused (kError, nothing changed) unless both are at least 1.
  Result SetOutputSize(int nWidth, int nHeight);
  // The one-shot preview set-up after a project became ready: middle frame, output size of
  // image1, select tool.
  void FinishPreviewSetup();
  // Texts of the three output-size menu items once both pictures are present.
  std::array<std::string, 3> SizeItemTexts() const;

  // Replaces the whole project content after a successful open (project files).
  void ReplaceContent(std::unique_ptr<CPicture> pImage1, std::unique_ptr<CPicture> pImage2,
                      const std::string& path1, const std::string& path2, CKeyPointMesh&& mesh);
  // The state both pictures present enters: loop options on, tool busy until the set-up.
  void EnterReady();

  // ---- state ----
  std::unique_ptr<CPicture> m_pImage1;
  std::unique_ptr<CPicture> m_pImage2;
  std::string m_szImagePath1;  // at most kMaxPathBytes bytes
  std::string m_szImagePath2;
  CKeyPointMesh m_mesh;
  int m_nMorphType = 1;  // 1 morph image1 to image2, 2 warp image1, 3 warp image2
  int m_nFrameCount = 30;
  int m_nCurFrame = 0;
  int m_nOutputFrames = 30;
  int m_nOutputWidth = 0;
  int m_nOutputHeight = 0;
  uint8_t m_bLoopPlay = 0;
  uint8_t m_bLoopBack = 0;
  uint8_t m_bShowTriangles = 0;
  int m_nToolMode = ToolSelect;

 private:
  // Empties the kept handles that no longer name a pair; after a delete of pair d the
  // higher numbers move down by one first.
  void RevalidatePoints(int nDeleted = -1);
  void ClearPoints() { m_hitPoint = m_hoverPoint = PointHandle{}; }

  PointHandle m_hitPoint;
  PointHandle m_hoverPoint;
};

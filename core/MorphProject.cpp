#include "core/MorphProject.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

// ---------------------------------------------------------------- pictures

Result MorphProject::LoadImage(int slot, const std::string& path) {
  if (slot != 1 && slot != 2) return Result::Fail(ProjectText::kError);
  // The path must fit the project file's 255-byte field; a failed load keeps the slot and
  // its path as they were, so a later save never names a picture that is not loaded.
  if (path.size() > kMaxPathBytes) return Result::Fail(ProjectText::kPathTooLong);
  if (PathExtension(path).empty()) return Result::Fail(ProjectText::kError);
  const int type = ImageTypeFromExtension(path);

  auto pNew = std::make_unique<CPicture>(path, type);
  if (!pNew->IsValid()) {
    std::string text = pNew->GetLastError();
    return Result::Fail(text.empty() ? std::string(ProjectText::kError) : text);
  }
  const int w = pNew->GetWidth();
  const int h = pNew->GetHeight();

  std::unique_ptr<CPicture>& pSlot = slot == 1 ? m_pImage1 : m_pImage2;
  std::string& szPath = slot == 1 ? m_szImagePath1 : m_szImagePath2;
  const std::unique_ptr<CPicture>& pOther = slot == 1 ? m_pImage2 : m_pImage1;

  if (!pSlot && !pOther) {
    // First picture of an empty pair: a fresh mesh of the five frame points.
    CKeyPointMesh mesh;
    mesh.m_bDebug = m_mesh.m_bDebug;
    mesh.m_bCheck = m_mesh.m_bCheck;
    mesh.AddFramePoints(w, h);
    if (!mesh.RebuildTriangulation() || !mesh.IsConsistent())
      return Result::Fail(ProjectText::kPictureTooSmall);
    m_mesh = std::move(mesh);
    ClearPoints();
  } else if (pSlot) {
    // Replacing the slot's picture: the points of that side follow the new size.
    const int wOld = pSlot->GetWidth();
    const int hOld = pSlot->GetHeight();
    pSlot = std::move(pNew);
    szPath = path;
    MeshVertex* head = m_mesh.ListHead(slot);
    if (!head)
      return Result::Fail(slot == 1 ? ProjectText::kKeyPointError1 : ProjectText::kKeyPointError2);
    for (MeshVertex* v : m_mesh.Vertices(slot)) {
      const double x = wOld != 0 ? v->x * w / wOld : v->x;
      const double y = hOld != 0 ? v->y * h / hOld : v->y;
      m_mesh.SetVertexPosition(slot, v, x, y);
    }
    if (slot == 1 && m_pImage2) {
      m_mesh.ConstructHull();
      m_mesh.MarkLowerFaces();
    }
  } else {
    // Filling the empty slot beside the other picture: only the frame points of this side
    // move to the new picture's corners and centre.
    const double frame[5][2] = {{0, 0}, {0, double(h)}, {double(w), 0}, {double(w), double(h)},
                                {double(w >> 1), double(h >> 1)}};
    for (int i = 0; i < 5; ++i) {
      if (MeshVertex* v = m_mesh.FindVertex(slot, i)) m_mesh.SetVertexPosition(slot, v, frame[i][0], frame[i][1]);
    }
  }
  if (pNew) {
    pSlot = std::move(pNew);
    szPath = path;
  }
  RevalidatePoints();
  if (IsReady()) EnterReady();
  return Result::Success();
}

Result MorphProject::LoadWarpImage(const std::string& path) {
  m_nMorphType = 2;
  Result r = LoadImage(1, path);
  if (!r) return r;
  return LoadImage(2, path);
}

void MorphProject::CloseProject() {
  m_pImage1.reset();
  m_pImage2.reset();
  if (m_mesh.m_pVertices1 || m_mesh.m_pVertices2) m_mesh.SettleHull();
  ClearPoints();
}

void MorphProject::EnterReady() {
  m_bLoopPlay = 1;
  m_bLoopBack = 1;
  m_nToolMode = ToolBusy;
}

void MorphProject::FinishPreviewSetup() {
  m_nCurFrame = m_nFrameCount / 2;
  if (m_pImage1) {
    m_nOutputWidth = m_pImage1->GetWidth();
    m_nOutputHeight = m_pImage1->GetHeight();
  }
  m_nToolMode = ToolSelect;
}

std::array<std::string, 3> MorphProject::SizeItemTexts() const {
  std::array<std::string, 3> texts;
  if (!IsReady()) return texts;
  const int w1 = m_pImage1->GetWidth(), h1 = m_pImage1->GetHeight();
  const int w2 = m_pImage2->GetWidth(), h2 = m_pImage2->GetHeight();
  char buf[96];
  std::snprintf(buf, sizeof buf, "%dx%d size as source image", w1, h1);
  texts[0] = buf;
  std::snprintf(buf, sizeof buf, "%dx%d size as second image", w2, h2);
  texts[1] = buf;
  std::snprintf(buf, sizeof buf, "%dx%d size as pre image", (w1 + w2) >> 1, (h1 + h2) >> 1);
  texts[2] = buf;
  return texts;
}

void MorphProject::ReplaceContent(std::unique_ptr<CPicture> pImage1, std::unique_ptr<CPicture> pImage2,
                                  const std::string& path1, const std::string& path2,
                                  CKeyPointMesh&& mesh) {
  m_pImage1 = std::move(pImage1);
  m_pImage2 = std::move(pImage2);
  m_szImagePath1 = path1;
  m_szImagePath2 = path2;
  mesh.m_bDebug = m_mesh.m_bDebug;
  mesh.m_bCheck = m_mesh.m_bCheck;
  m_mesh = std::move(mesh);
  ClearPoints();
  if (IsReady()) EnterReady();
}

// ---------------------------------------------------------------- key-point pairs

PointHandle MorphProject::HitTest(int pane, int cx, int cy, double t) const {
  PointHandle hit;
  if (pane != 1 && pane != 2) return hit;
  for (const MeshVertex* v : m_mesh.Vertices(pane)) {
    if (v->x - t <= cx && cx <= v->x + t && v->y - t <= cy && cy <= v->y + t) {
      hit.pane = pane;
      hit.vnum = v->vnum;
      return hit;
    }
  }
  return hit;
}

const MeshVertex* MorphProject::FindPoint(const PointHandle& point) const {
  if (!point || (point.pane != 1 && point.pane != 2)) return nullptr;
  return m_mesh.FindVertex(point.pane, point.vnum);
}

void MorphProject::RevalidatePoints(int nDeleted) {
  for (PointHandle* p : {&m_hitPoint, &m_hoverPoint}) {
    if (nDeleted >= 0 && p->vnum == nDeleted) *p = PointHandle{};
    if (nDeleted >= 0 && p->vnum > nDeleted) --p->vnum;
    if (!FindPoint(*p)) *p = PointHandle{};
  }
}

Result MorphProject::AddPairAt(int pane, int cx, int cy, int* pNewVnum) {
  if (pNewVnum) *pNewVnum = -1;
  if ((pane != 1 && pane != 2) || !IsReady()) return Result::Fail(ProjectText::kError);
  const CPicture& own = pane == 1 ? *m_pImage1 : *m_pImage2;
  const CPicture& other = pane == 1 ? *m_pImage2 : *m_pImage1;
  if (cx < 0 || cy < 0 || cx > own.GetWidth() || cy > own.GetHeight() || own.GetWidth() <= 0 ||
      own.GetHeight() <= 0)
    return Result::Fail(ProjectText::kPointOutside);
  // The tables hold 128 pairs; a further pair would be written past them.
  if (m_mesh.IsFull()) return Result::Fail(ProjectText::kTooManyPoints);

  // Partner at the same relative position, in 32-bit unsigned integer arithmetic.
  const uint32_t px = static_cast<uint32_t>(cx) * static_cast<uint32_t>(other.GetWidth()) /
                      static_cast<uint32_t>(own.GetWidth());
  const uint32_t py = static_cast<uint32_t>(cy) * static_cast<uint32_t>(other.GetHeight()) /
                      static_cast<uint32_t>(own.GetHeight());
  const double x1 = pane == 1 ? cx : double(px);
  const double y1 = pane == 1 ? cy : double(py);
  const double x2 = pane == 1 ? double(px) : cx;
  const double y2 = pane == 1 ? double(py) : cy;

  // A point the hull cannot take (a repeat of an image1 point, or one on the hull within the
  // volume tolerance) would vanish from list 1 only, leaving the two lists disagreeing.
  if (!m_mesh.HasTriangulation() || !m_mesh.IsVisibleFromHull(x1, y1))
    return Result::Fail(ProjectText::kPointNotInsertable);

  // Insert in place (records the window holds stay valid); should the hull still drop a
  // point, the copy taken here puts the project back as it was.
  CKeyPointMesh backup;
  backup.CopyFrom(m_mesh);
  const int n = m_mesh.AddPointPair(x1, y1, x2, y2);
  if (n < 0) return Result::Fail(ProjectText::kTooManyPoints);
  m_mesh.ConstructHull();
  m_mesh.MarkLowerFaces();
  if (!m_mesh.IsConsistent()) {
    m_mesh = std::move(backup);
    RevalidatePoints();
    return Result::Fail(ProjectText::kPointNotInsertable);
  }
  if (pNewVnum) *pNewVnum = n - 1;
  return Result::Success();
}

Result MorphProject::DeletePair(int d) {
  const int n = m_mesh.CountList2();
  if (d < 0 || d >= n || !m_mesh.IsConsistent()) return Result::Fail(ProjectText::kError);

  // The remaining pairs, renumbered in their old order, with whole-pixel coordinates.
  std::vector<MeshPoint> t1(static_cast<size_t>(n)), t2(static_cast<size_t>(n));
  for (int list = 1; list <= 2; ++list) {
    auto& t = list == 1 ? t1 : t2;
    for (const MeshVertex* v : m_mesh.Vertices(list))
      t[static_cast<size_t>(v->vnum)] =
          MeshPoint{CKeyPointMesh::TruncCoord(v->x), CKeyPointMesh::TruncCoord(v->y)};
  }
  CKeyPointMesh mesh;
  mesh.m_bDebug = m_mesh.m_bDebug;
  mesh.m_bCheck = m_mesh.m_bCheck;
  for (int i = 0; i < n; ++i) {
    if (i == d) continue;
    const MeshPoint& a = t1[static_cast<size_t>(i)];
    const MeshPoint& b = t2[static_cast<size_t>(i)];
    mesh.AddPointPair(a.x, a.y, b.x, b.y);
  }
  // Deleting the centre of a fresh project, or going down to three points, leaves points on
  // one circle: no triangulation. The project then stays as it was.
  if (!mesh.RebuildTriangulation()) return Result::Fail(ProjectText::kDeleteNotTriangulable);
  // Whole-pixel coordinates can make two points coincide; the hull would drop one of them
  // from list 1 only.
  if (!mesh.IsConsistent()) return Result::Fail(ProjectText::kDeleteWouldMerge);

  m_mesh = std::move(mesh);
  RevalidatePoints(d);
  m_nCurFrame = m_nFrameCount;
  return Result::Success();
}

Result MorphProject::MovePoint(int pane, int vnum, double x, double y) {
  if ((pane != 1 && pane != 2) || !std::isfinite(x) || !std::isfinite(y))
    return Result::Fail(ProjectText::kError);
  MeshVertex* v = m_mesh.FindVertex(pane, vnum);
  if (!v) return Result::Fail(ProjectText::kError);
  m_mesh.SetVertexPosition(pane, v, x, y);
  return Result::Success();
}

// ---------------------------------------------------------------- settings

Result MorphProject::ChooseMorphType(int type) {
  if (type < 1 || type > 3) return Result::Fail(ProjectText::kError);
  m_nMorphType = type;
  return Result::Success();
}

void MorphProject::SetFrameCount(int n) {
  m_nFrameCount = n;
  m_nOutputFrames = n;
}

Result MorphProject::SetOutputSize(int nWidth, int nHeight) {
  if (nWidth < 1 || nHeight < 1) return Result::Fail(ProjectText::kError);
  m_nOutputWidth = nWidth;
  m_nOutputHeight = nHeight;
  return Result::Success();
}

bool MorphProject::IncreaseFrameCount() {
  if (m_nFrameCount >= kMaxFrameCount) return false;
  SetFrameCount(m_nFrameCount + 1);
  return true;
}

bool MorphProject::DecreaseFrameCount() {
  if (m_nFrameCount <= kMinFrameCount) return false;
  SetFrameCount(m_nFrameCount - 1);
  return true;
}

bool MorphProject::CommitTypedFrameCount(int n) {
  if (n <= 3) return false;
  SetFrameCount(n);
  return true;
}

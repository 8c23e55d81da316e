// CKeyPointMesh: the key-point lists and tables, whole rebuilds and what the renderer reads.
// The hull construction lives in KeyPointHull.cpp, the self-checks in KeyPointMeshChecks.cpp
// and the deep copy in KeyPointMeshCopy.cpp.
#include "core/KeyPointMesh.h"

#include <vector>

namespace {

int32_t Trunc(double v) { return CKeyPointMesh::TruncCoord(v); }

}  // namespace

// ---------------------------------------------------------------- key points

int32_t CKeyPointMesh::TruncCoord(double v) {
  // Conversion toward zero; values beyond int32 are clamped instead of being undefined.
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

void CKeyPointMesh::ResetMesh() {
  m_pVertices1 = nullptr;
  m_pVertices2 = nullptr;
  m_pEdges = nullptr;
  m_pFaces = nullptr;
  m_nPoints = 0;
  m_aPoints1.fill(MeshPoint{});
  m_aPoints2.fill(MeshPoint{});
  m_vertexPool.clear();
  m_edgePool.clear();
  m_facePool.clear();
}

MeshVertex* CKeyPointMesh::NewVertex(MeshVertex*& head, double x, double y, int vnum) {
  m_vertexPool.push_back(std::make_unique<MeshVertex>());
  MeshVertex* v = m_vertexPool.back().get();
  v->x = x;
  v->y = y;
  v->z = x * x + y * y;
  v->vnum = vnum;
  MeshRingLink(head, v);
  return v;
}

MeshEdge* CKeyPointMesh::NewEdge() {
  m_edgePool.push_back(std::make_unique<MeshEdge>());
  MeshEdge* e = m_edgePool.back().get();
  MeshRingLink(m_pEdges, e);
  return e;
}

MeshFace* CKeyPointMesh::NewFaceRecord() {
  m_facePool.push_back(std::make_unique<MeshFace>());
  MeshFace* f = m_facePool.back().get();
  MeshRingLink(m_pFaces, f);
  return f;
}

bool CKeyPointMesh::AddSharedPoint(double x, double y) {
  return AddPointPair(x, y, x, y) >= 0;
}

int CKeyPointMesh::AddPointPair(double x1, double y1, double x2, double y2) {
  // The tables have room for kMaxKeyPoints pairs; a further pair would write past them.
  if (m_nPoints < 0 || m_nPoints >= kMaxKeyPoints) return -1;
  NewVertex(m_pVertices1, x1, y1, m_nPoints);
  NewVertex(m_pVertices2, x2, y2, m_nPoints);
  m_aPoints1[static_cast<size_t>(m_nPoints)] = MeshPoint{Trunc(x1), Trunc(y1)};
  m_aPoints2[static_cast<size_t>(m_nPoints)] = MeshPoint{Trunc(x2), Trunc(y2)};
  return ++m_nPoints;
}

void CKeyPointMesh::AddFramePoints(int w, int h) {
  if (w <= 0 || h <= 0) return;
  AddSharedPoint(0, 0);
  AddSharedPoint(0, h);
  AddSharedPoint(w, 0);
  AddSharedPoint(w, h);
  AddSharedPoint(w / 2, h / 2);
}

MeshVertex* CKeyPointMesh::FindVertex(int list, int vnum) const {
  for (MeshVertex* v : Vertices(list))
    if (v->vnum == vnum) return v;
  return nullptr;
}

bool CKeyPointMesh::ContainsVertex(int list, const MeshVertex* p) const {
  if (!p) return false;
  for (const MeshVertex* v : Vertices(list))
    if (v == p) return true;
  return false;
}

void CKeyPointMesh::SetVertexPosition(int list, MeshVertex* v, double x, double y) {
  if (!v) return;
  v->x = x;
  v->y = y;
  v->z = x * x + y * y;
  if (v->vnum < 0 || v->vnum >= kMaxKeyPoints) return;
  auto& table = list == 1 ? m_aPoints1 : m_aPoints2;
  table[static_cast<size_t>(v->vnum)] = MeshPoint{Trunc(x), Trunc(y)};
}

bool CKeyPointMesh::IsConsistent() const {
  if (m_nPoints < 0 || m_nPoints > kMaxKeyPoints) return false;
  for (int list = 1; list <= 2; ++list) {
    if (CountRing(ListHead(list)) != m_nPoints) return false;
    std::vector<bool> seen(static_cast<size_t>(m_nPoints), false);
    for (const MeshVertex* v : Vertices(list)) {
      if (v->vnum < 0 || v->vnum >= m_nPoints || seen[static_cast<size_t>(v->vnum)]) return false;
      seen[static_cast<size_t>(v->vnum)] = true;
      const MeshPoint& t = list == 1 ? Point1(v->vnum) : Point2(v->vnum);
      if (t.x != Trunc(v->x) || t.y != Trunc(v->y)) return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- whole builds

void CKeyPointMesh::ClearHull() {
  m_pEdges = nullptr;
  m_pFaces = nullptr;
  m_edgePool.clear();
  m_facePool.clear();
  for (MeshVertex* v : Vertices(1)) {
    v->mark = 0;
    v->active = 0;
    v->dup = nullptr;
  }
}

bool CKeyPointMesh::RebuildTriangulation() {
  ClearHull();
  if (!DoubleTriangle()) return false;
  ConstructHull();
  MarkLowerFaces();
  return true;
}

// ---------------------------------------------------------------- consumers

MorphTriangles CKeyPointMesh::GetMorphTriangles() const {
  MorphTriangles out;
  if (!m_pFaces) return out;
  std::vector<const MeshVertex*> partner(kMaxKeyPoints, nullptr);
  for (const MeshVertex* v : Vertices(2))
    if (v->vnum >= 0 && v->vnum < kMaxKeyPoints) partner[static_cast<size_t>(v->vnum)] = v;
  for (const MeshFace* f : Faces()) {
    if (!f->lower) continue;
    MorphTriangle tri;
    bool complete = true;
    for (int i = 0; i < 3; ++i) {
      const MeshVertex* v1 = f->vert[i];
      const MeshVertex* v2 =
          (v1->vnum >= 0 && v1->vnum < kMaxKeyPoints) ? partner[static_cast<size_t>(v1->vnum)] : nullptr;
      if (!v2) {
        complete = false;
        break;
      }
      tri[static_cast<size_t>(i)] = MorphVertex{v1->vnum, v1->x, v1->y, v2->x, v2->y};
    }
    if (complete) out.push_back(tri);
  }
  return out;
}

std::vector<std::array<int, 3>> CKeyPointMesh::TriangleList() const {
  std::vector<std::array<int, 3>> out;
  for (const MeshFace* f : Faces())
    if (f->lower) out.push_back({f->vert[0]->vnum, f->vert[1]->vnum, f->vert[2]->vnum});
  return out;
}

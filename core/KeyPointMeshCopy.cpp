// CKeyPointMesh's moves and its deep copy (for roll-back): the copy rebuilds every list in
// the same order with the same heads, flags and links, mapped onto the new records.
#include <unordered_map>
#include <utility>

#include "core/KeyPointMesh.h"

CKeyPointMesh& CKeyPointMesh::operator=(CKeyPointMesh&& other) noexcept {
  if (this != &other) {
    CKeyPointMesh empty;
    Swap(empty);
    Swap(other);
  }
  return *this;
}

void CKeyPointMesh::Swap(CKeyPointMesh& o) noexcept {
  std::swap(m_pVertices1, o.m_pVertices1);
  std::swap(m_pVertices2, o.m_pVertices2);
  std::swap(m_pEdges, o.m_pEdges);
  std::swap(m_pFaces, o.m_pFaces);
  std::swap(m_aPoints1, o.m_aPoints1);
  std::swap(m_aPoints2, o.m_aPoints2);
  std::swap(m_nPoints, o.m_nPoints);
  std::swap(m_bDebug, o.m_bDebug);
  std::swap(m_bCheck, o.m_bCheck);
  m_vertexPool.swap(o.m_vertexPool);
  m_edgePool.swap(o.m_edgePool);
  m_facePool.swap(o.m_facePool);
}

void CKeyPointMesh::CopyFrom(const CKeyPointMesh& o) {
  if (this == &o) return;
  ResetMesh();
  m_aPoints1 = o.m_aPoints1;
  m_aPoints2 = o.m_aPoints2;
  m_nPoints = o.m_nPoints;
  m_bDebug = o.m_bDebug;
  m_bCheck = o.m_bCheck;

  std::unordered_map<const MeshVertex*, MeshVertex*> vmap;
  std::unordered_map<const MeshEdge*, MeshEdge*> emap;
  std::unordered_map<const MeshFace*, MeshFace*> fmap;
  vmap[nullptr] = nullptr;
  emap[nullptr] = nullptr;
  fmap[nullptr] = nullptr;

  auto copyVertices = [&](int list, MeshVertex*& newHead) {
    for (const MeshVertex* v : o.Vertices(list)) {
      MeshVertex* n = NewVertex(newHead, v->x, v->y, v->vnum);
      n->z = v->z;
      n->active = v->active;
      n->mark = v->mark;
      vmap[v] = n;
    }
  };
  copyVertices(1, m_pVertices1);
  copyVertices(2, m_pVertices2);
  for (const MeshEdge* e : o.Edges()) emap[e] = NewEdge();
  for (const MeshFace* f : o.Faces()) fmap[f] = NewFaceRecord();
  // Links to records that are no longer in any list cannot occur between calls; map them
  // to null rather than to freed memory should they ever appear.
  auto V = [&](const MeshVertex* p) { auto it = vmap.find(p); return it == vmap.end() ? nullptr : it->second; };
  auto E = [&](const MeshEdge* p) { auto it = emap.find(p); return it == emap.end() ? nullptr : it->second; };
  auto F = [&](const MeshFace* p) { auto it = fmap.find(p); return it == fmap.end() ? nullptr : it->second; };
  for (const MeshVertex* v : o.Vertices(1)) V(v)->dup = E(v->dup);
  for (const MeshEdge* e : o.Edges()) {
    MeshEdge* n = E(e);
    for (int i = 0; i < 2; ++i) {
      n->adj[i] = F(e->adj[i]);
      n->endpts[i] = V(e->endpts[i]);
    }
    n->coneFace = F(e->coneFace);
    n->del = e->del;
  }
  for (const MeshFace* f : o.Faces()) {
    MeshFace* n = F(f);
    for (int i = 0; i < 3; ++i) {
      n->edges[i] = E(f->edges[i]);
      n->vert[i] = V(f->vert[i]);
    }
    n->vis = f->vis;
    n->lower = f->lower;
  }
}

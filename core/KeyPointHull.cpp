// CKeyPointMesh's incremental three-dimensional convex hull: the start double triangle,
// adding one point at a time with its cone of new faces, the purges that follow, and the
// choice of the lower faces that make the triangulation.
#include <cmath>
#include <iostream>
#include <utility>

#include "core/KeyPointMesh.h"

int CKeyPointMesh::FaceVolumeSign(const MeshFace* f, const MeshVertex* p) const {
  const MeshVertex* v0 = f->vert[0];
  const MeshVertex* v1 = f->vert[1];
  const MeshVertex* v2 = f->vert[2];
  const double ax = v0->x - p->x, ay = v0->y - p->y, az = v0->z - p->z;
  const double bx = v1->x - p->x, by = v1->y - p->y, bz = v1->z - p->z;
  const double cx = v2->x - p->x, cy = v2->y - p->y, cz = v2->z - p->z;
  const double vol =
      ax * (by * cz - bz * cy) + ay * (bz * cx - bx * cz) + az * (bx * cy - by * cx);
  if (m_bDebug) {
    const double clamped = std::fmax(-2147483648.0, std::fmin(2147483647.0, vol));
    std::cerr << "Face=" << static_cast<const void*>(f) << "; Vertex=" << p->vnum
              << ": vol(int) = " << static_cast<long long>(clamped) << ", vol(double) = " << vol
              << "\n";
  }
  // The volume is an integer for integer coordinates; the half-unit band absorbs rounding.
  if (vol > 0.5) return 1;
  if (vol < -0.5) return -1;
  return 0;
}

bool CKeyPointMesh::IsCollinear(const MeshVertex* a, const MeshVertex* b, const MeshVertex* c) {
  return (c->z - a->z) * (b->y - a->y) - (b->z - a->z) * (c->y - a->y) == 0 &&
         (b->z - a->z) * (c->x - a->x) - (b->x - a->x) * (c->z - a->z) == 0 &&
         (b->x - a->x) * (c->y - a->y) - (b->y - a->y) * (c->x - a->x) == 0;
}

MeshFace* CKeyPointMesh::NewFace(MeshVertex* a, MeshVertex* b, MeshVertex* c, MeshFace* twin) {
  MeshEdge *e0, *e1, *e2;
  if (!twin) {
    e0 = NewEdge();
    e1 = NewEdge();
    e2 = NewEdge();
  } else {
    // The twin's edges, traversed the other way.
    e0 = twin->edges[2];
    e1 = twin->edges[1];
    e2 = twin->edges[0];
  }
  e0->endpts[0] = a;
  e0->endpts[1] = b;
  e1->endpts[0] = b;
  e1->endpts[1] = c;
  e2->endpts[0] = c;
  e2->endpts[1] = a;

  MeshFace* f = NewFaceRecord();
  f->edges[0] = e0;
  f->edges[1] = e1;
  f->edges[2] = e2;
  f->vert[0] = a;
  f->vert[1] = b;
  f->vert[2] = c;
  f->vis = 0;
  e0->adj[0] = e1->adj[0] = e2->adj[0] = f;
  return f;
}

bool CKeyPointMesh::DoubleTriangle() {
  if (!m_pVertices1) return false;  // no points: simply no triangulation
  MeshVertex* a = m_pVertices1;
  while (IsCollinear(a, a->next, a->next->next)) {
    a = a->next;
    if (a == m_pVertices1) {
      std::cout << "DoubleTriangle:  All points are Collinear!\n" << std::flush;
      return false;
    }
  }
  MeshVertex* b = a->next;
  MeshVertex* c = b->next;
  a->mark = b->mark = c->mark = 1;

  MeshFace* f0 = NewFace(a, b, c, nullptr);
  MeshFace* f1 = NewFace(c, b, a, f0);
  for (MeshEdge* e : f0->edges) e->adj[1] = f1;
  for (MeshEdge* e : f1->edges) e->adj[1] = f0;

  MeshVertex* d = c->next;
  while (FaceVolumeSign(f0, d) == 0) {
    d = d->next;
    if (d == a) {
      std::cout << "DoubleTriangle:  All points are coplanar!\n" << std::flush;
      ClearHull();
      return false;
    }
  }
  m_pVertices1 = d;

  if (m_bDebug) {
    std::cerr << "DoubleTriangle: finished. Head repositioned at v3.\n";
    PrintLists();
  }
  return true;
}

void CKeyPointMesh::ConstructHull() {
  // Without a start triangle every point would count as "inside" and be purged.
  if (!m_pVertices1 || !m_pFaces) return;
  for (MeshVertex* v : MeshRingSafe<MeshVertex>(m_pVertices1)) {
    if (v->mark) continue;
    v->mark = 1;
    AddOne(v);
    Cleanup();
    if (m_bCheck) {
      std::cout << "ConstructHull: After Add of " << v->vnum << " & Cleanup:\n";
      CheckHull();
    }
    if (m_bDebug) PrintLists();
  }
}

bool CKeyPointMesh::AddOne(MeshVertex* p) {
  if (m_bDebug) {
    std::cerr << "AddOne: starting to add v" << p->vnum << ".\n";
    PrintLists();
  }
  bool bVisible = false;
  for (MeshFace* f : Faces()) {
    const int vol = FaceVolumeSign(f, p);
    if (m_bDebug) {
      std::cerr << "faddr: " << static_cast<const void*>(f)
                << "   paddr: " << static_cast<const void*>(p) << "   Vol = " << vol << "\n";
    }
    if (vol < 0) {
      f->vis = 1;
      bVisible = true;
    }
  }
  if (!bVisible) {
    // Inside or on the hull: the next PurgeVertices takes p off list 1.
    p->active = 0;
    return false;
  }

  // Edges created below are appended at the tail, so the walk reaches them only after every
  // old edge; by then each has both cone faces and neither is visible.
  for (MeshEdge* e : MeshRingSafe<MeshEdge>(m_pEdges)) {
    const bool vis0 = e->adj[0] && e->adj[0]->vis;
    const bool vis1 = e->adj[1] && e->adj[1]->vis;
    if (vis0 && vis1)
      e->del = 1;
    else if (vis0 || vis1)
      e->coneFace = AddConeFace(e, p);
  }
  return true;
}

MeshFace* CKeyPointMesh::AddConeFace(MeshEdge* e, MeshVertex* p) {
  MeshEdge* side[2];
  for (int i = 0; i < 2; ++i) {
    side[i] = e->endpts[i]->dup;
    if (!side[i]) {
      side[i] = NewEdge();
      side[i]->endpts[0] = e->endpts[i];
      side[i]->endpts[1] = p;
      e->endpts[i]->dup = side[i];
    }
  }
  MeshFace* f = NewFaceRecord();
  f->edges[0] = e;
  f->edges[1] = side[0];
  f->edges[2] = side[1];
  f->vis = 0;
  MakeCcw(f, e, p);
  for (MeshEdge* s : side) {
    for (int j = 0; j < 2; ++j) {
      if (!s->adj[j]) {
        s->adj[j] = f;
        break;
      }
    }
  }
  return f;
}

void CKeyPointMesh::MakeCcw(MeshFace* f, MeshEdge* e, MeshVertex* p) {
  MeshFace* fv = (e->adj[0] && e->adj[0]->vis) ? e->adj[0] : e->adj[1];
  int i = 0;
  while (i < 3 && fv->vert[i] != e->endpts[0]) ++i;
  if (i < 3 && fv->vert[(i + 1) % 3] == e->endpts[1]) {
    f->vert[0] = e->endpts[0];
    f->vert[1] = e->endpts[1];
    std::swap(f->edges[1], f->edges[2]);
  } else {
    f->vert[0] = e->endpts[1];
    f->vert[1] = e->endpts[0];
  }
  f->vert[2] = p;
}

void CKeyPointMesh::Cleanup() {
  PurgeEdges();
  PurgeFaces();
  PurgeVertices();
}

void CKeyPointMesh::PurgeEdges() {
  for (MeshEdge* e : Edges()) {
    if (!e->coneFace) continue;
    if (e->adj[0] && e->adj[0]->vis)
      e->adj[0] = e->coneFace;
    else
      e->adj[1] = e->coneFace;
    e->coneFace = nullptr;
  }
  MeshRingUnlinkIf(m_pEdges, [](const MeshEdge* e) { return e->del != 0; });
}

void CKeyPointMesh::PurgeFaces() {
  MeshRingUnlinkIf(m_pFaces, [](const MeshFace* f) { return f->vis != 0; });
}

void CKeyPointMesh::PurgeVertices() {
  for (MeshEdge* e : Edges()) e->endpts[0]->active = e->endpts[1]->active = 1;
  MeshRingUnlinkIf(m_pVertices1, [](const MeshVertex* v) { return v->mark && !v->active; });
  for (MeshVertex* v : Vertices(1)) {
    v->dup = nullptr;
    v->active = 0;
  }
}

void CKeyPointMesh::SettleHull() {
  // Without a hull no vertex is an edge end, and Cleanup would empty list 1.
  if (!m_pVertices1 || !m_pEdges) return;
  for (MeshVertex* v : MeshRingSafe<MeshVertex>(m_pVertices1)) {
    if (v->mark) continue;
    v->mark = 1;
    Cleanup();
  }
}

void CKeyPointMesh::MarkLowerFaces() {
  for (MeshFace* f : Faces()) {
    const MeshVertex* a = f->vert[0];
    const MeshVertex* b = f->vert[1];
    const MeshVertex* c = f->vert[2];
    const double cross = (c->y - a->y) * (b->x - a->x) - (b->y - a->y) * (c->x - a->x);
    f->lower = cross < 0 ? 1 : 0;
  }
}

bool CKeyPointMesh::IsVisibleFromHull(double x, double y) const {
  MeshVertex p;
  p.x = x;
  p.y = y;
  p.z = x * x + y * y;
  p.vnum = m_nPoints;
  for (const MeshFace* f : Faces())
    if (FaceVolumeSign(f, &p) < 0) return true;
  return false;
}

#include "core/KeyPointMesh.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <unordered_map>
#include <utility>

namespace {

// New records go just before the head; an empty list gets the record as its head.
template <class T>
void LinkBeforeHead(T*& head, T* p) {
  if (head) {
    p->next = head;
    p->prev = head->prev;
    head->prev = p;
    p->prev->next = p;
  } else {
    head = p;
    p->next = p->prev = p;
  }
}

// Unlinks p; a head that is removed passes to its successor (or null). The record's
// memory stays with the mesh's pool until the next reset, and its own links keep pointing
// at its former neighbours, so a walk that had already stepped onto it still reaches the
// rest of the ring.
template <class T>
void Unlink(T*& head, T* p) {
  if (!head) return;
  if (head == head->next)
    head = nullptr;
  else if (p == head)
    head = head->next;
  p->next->prev = p->prev;
  p->prev->next = p->next;
}

int32_t Trunc(double v) { return CKeyPointMesh::TruncCoord(v); }

}  // namespace

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
  LinkBeforeHead(head, v);
  return v;
}

MeshEdge* CKeyPointMesh::NewEdge() {
  m_edgePool.push_back(std::make_unique<MeshEdge>());
  MeshEdge* e = m_edgePool.back().get();
  LinkBeforeHead(m_pEdges, e);
  return e;
}

MeshFace* CKeyPointMesh::NewFaceRecord() {
  m_facePool.push_back(std::make_unique<MeshFace>());
  MeshFace* f = m_facePool.back().get();
  LinkBeforeHead(m_pFaces, f);
  return f;
}

bool CKeyPointMesh::AddSharedPoint(double x, double y) {
  return AddPointPair(x, y, x, y) >= 0;
}

int CKeyPointMesh::AddPointPair(double x1, double y1, double x2, double y2) {
  // The tables have room for kMaxPoints pairs; a further pair would write past them.
  if (m_nPoints < 0 || m_nPoints >= kMaxPoints) return -1;
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
  MeshVertex* head = ListHead(list);
  if (!head) return nullptr;
  MeshVertex* v = head;
  do {
    if (v->vnum == vnum) return v;
    v = v->next;
  } while (v != head);
  return nullptr;
}

bool CKeyPointMesh::ContainsVertex(int list, const MeshVertex* p) const {
  const MeshVertex* head = ListHead(list);
  if (!head || !p) return false;
  const MeshVertex* v = head;
  do {
    if (v == p) return true;
    v = v->next;
  } while (v != head);
  return false;
}

void CKeyPointMesh::SetVertexPosition(int list, MeshVertex* v, double x, double y) {
  if (!v) return;
  v->x = x;
  v->y = y;
  v->z = x * x + y * y;
  if (v->vnum < 0 || v->vnum >= kMaxPoints) return;
  auto& table = list == 1 ? m_aPoints1 : m_aPoints2;
  table[static_cast<size_t>(v->vnum)] = MeshPoint{Trunc(x), Trunc(y)};
}

bool CKeyPointMesh::IsConsistent() const {
  if (m_nPoints < 0 || m_nPoints > kMaxPoints) return false;
  for (int list = 1; list <= 2; ++list) {
    if (CountRing(ListHead(list)) != m_nPoints) return false;
    std::vector<bool> seen(static_cast<size_t>(m_nPoints), false);
    const MeshVertex* head = ListHead(list);
    if (!head) continue;
    const MeshVertex* v = head;
    do {
      if (v->vnum < 0 || v->vnum >= m_nPoints || seen[static_cast<size_t>(v->vnum)]) return false;
      seen[static_cast<size_t>(v->vnum)] = true;
      const MeshPoint& t = list == 1 ? Point1(v->vnum) : Point2(v->vnum);
      if (t.x != Trunc(v->x) || t.y != Trunc(v->y)) return false;
      v = v->next;
    } while (v != head);
  }
  return true;
}

// ---------------------------------------------------------------- whole builds

void CKeyPointMesh::ClearHull() {
  m_pEdges = nullptr;
  m_pFaces = nullptr;
  m_edgePool.clear();
  m_facePool.clear();
  if (!m_pVertices1) return;
  MeshVertex* v = m_pVertices1;
  do {
    v->mark = 0;
    v->active = 0;
    v->dup = nullptr;
    v = v->next;
  } while (v != m_pVertices1);
}

bool CKeyPointMesh::RebuildTriangulation() {
  ClearHull();
  if (!DoubleTriangle()) return false;
  ConstructHull();
  MarkLowerFaces();
  return true;
}

// ---------------------------------------------------------------- the hull

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
  MeshVertex* v = m_pVertices1;
  do {
    MeshVertex* vnext = v->next;
    if (!v->mark) {
      v->mark = 1;
      AddOne(v);
      Cleanup();
      if (m_bCheck) {
        std::cout << "ConstructHull: After Add of " << v->vnum << " & Cleanup:\n";
        CheckHull();
      }
      if (m_bDebug) PrintLists();
    }
    v = vnext;
  } while (m_pVertices1 && v != m_pVertices1);
}

bool CKeyPointMesh::AddOne(MeshVertex* p) {
  if (m_bDebug) {
    std::cerr << "AddOne: starting to add v" << p->vnum << ".\n";
    PrintLists();
  }
  bool bVisible = false;
  MeshFace* f = m_pFaces;
  if (f) {
    do {
      const int vol = FaceVolumeSign(f, p);
      if (m_bDebug) {
        std::cerr << "faddr: " << static_cast<const void*>(f)
                  << "   paddr: " << static_cast<const void*>(p) << "   Vol = " << vol << "\n";
      }
      if (vol < 0) {
        f->vis = 1;
        bVisible = true;
      }
      f = f->next;
    } while (f != m_pFaces);
  }
  if (!bVisible) {
    // Inside or on the hull: the next PurgeVertices takes p off list 1.
    p->active = 0;
    return false;
  }

  // Edges created below are appended at the tail, so the walk reaches them only after every
  // old edge; by then each has both cone faces and neither is visible.
  MeshEdge* e = m_pEdges;
  do {
    MeshEdge* temp = e->next;
    const bool vis0 = e->adj[0] && e->adj[0]->vis;
    const bool vis1 = e->adj[1] && e->adj[1]->vis;
    if (vis0 && vis1)
      e->del = 1;
    else if (vis0 || vis1)
      e->coneFace = AddConeFace(e, p);
    e = temp;
  } while (e != m_pEdges);
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
  if (!m_pEdges) return;
  MeshEdge* e = m_pEdges;
  do {
    if (e->coneFace) {
      if (e->adj[0] && e->adj[0]->vis)
        e->adj[0] = e->coneFace;
      else
        e->adj[1] = e->coneFace;
      e->coneFace = nullptr;
    }
    e = e->next;
  } while (e != m_pEdges);

  while (m_pEdges && m_pEdges->del) Unlink(m_pEdges, m_pEdges);
  if (!m_pEdges) return;
  e = m_pEdges->next;
  do {
    if (e->del) {
      MeshEdge* t = e;
      e = e->next;
      Unlink(m_pEdges, t);
    } else {
      e = e->next;
    }
  } while (e != m_pEdges);
}

void CKeyPointMesh::PurgeFaces() {
  while (m_pFaces && m_pFaces->vis) Unlink(m_pFaces, m_pFaces);
  if (!m_pFaces) return;
  MeshFace* f = m_pFaces->next;
  do {
    if (f->vis) {
      MeshFace* t = f;
      f = f->next;
      Unlink(m_pFaces, t);
    } else {
      f = f->next;
    }
  } while (f != m_pFaces);
}

void CKeyPointMesh::PurgeVertices() {
  if (MeshEdge* e = m_pEdges) {
    do {
      e->endpts[0]->active = e->endpts[1]->active = 1;
      e = e->next;
    } while (e != m_pEdges);
  }
  while (m_pVertices1 && m_pVertices1->mark && !m_pVertices1->active)
    Unlink(m_pVertices1, m_pVertices1);
  if (!m_pVertices1) return;
  MeshVertex* v = m_pVertices1->next;
  do {
    if (v->mark && !v->active) {
      MeshVertex* t = v;
      v = v->next;
      Unlink(m_pVertices1, t);
    } else {
      v = v->next;
    }
  } while (v != m_pVertices1);

  v = m_pVertices1;
  do {
    v->dup = nullptr;
    v->active = 0;
    v = v->next;
  } while (v != m_pVertices1);
}

void CKeyPointMesh::SettleHull() {
  // Without a hull no vertex is an edge end, and Cleanup would empty list 1.
  if (!m_pVertices1 || !m_pEdges) return;
  MeshVertex* v = m_pVertices1;
  do {
    MeshVertex* vnext = v->next;
    if (!v->mark) {
      v->mark = 1;
      Cleanup();
    }
    v = vnext;
  } while (m_pVertices1 && v != m_pVertices1);
}

void CKeyPointMesh::MarkLowerFaces() {
  MeshFace* f = m_pFaces;
  if (!f) return;
  do {
    const MeshVertex* a = f->vert[0];
    const MeshVertex* b = f->vert[1];
    const MeshVertex* c = f->vert[2];
    const double cross = (c->y - a->y) * (b->x - a->x) - (b->y - a->y) * (c->x - a->x);
    f->lower = cross < 0 ? 1 : 0;
    f = f->next;
  } while (f != m_pFaces);
}

bool CKeyPointMesh::IsVisibleFromHull(double x, double y) const {
  if (!m_pFaces) return false;
  MeshVertex p;
  p.x = x;
  p.y = y;
  p.z = x * x + y * y;
  p.vnum = m_nPoints;
  const MeshFace* f = m_pFaces;
  do {
    if (FaceVolumeSign(f, &p) < 0) return true;
    f = f->next;
  } while (f != m_pFaces);
  return false;
}

// ---------------------------------------------------------------- diagnostics

bool CKeyPointMesh::CheckConsistency() const {
  bool ok = true;
  if (const MeshEdge* e = m_pEdges) {
    do {
      int dir[2] = {0, 0};
      for (int k = 0; k < 2; ++k) {
        const MeshFace* f = e->adj[k];
        if (!f) {
          ok = false;
          continue;
        }
        int i = 0;
        while (i < 3 && f->vert[i] != e->endpts[0]) ++i;
        if (i == 3) {
          ok = false;
          continue;
        }
        dir[k] = f->vert[(i + 1) % 3] == e->endpts[1] ? 1 : -1;
      }
      if (dir[0] == 0 || dir[0] == dir[1]) ok = false;
      e = e->next;
    } while (e != m_pEdges);
  }
  std::cout << (ok ? "Checks: edges consistent.\n" : "Checks: edges are NOT consistent.\n");
  return ok;
}

bool CKeyPointMesh::CheckConvexity() const {
  bool ok = true;
  if (const MeshFace* f = m_pFaces) {
    do {
      if (const MeshVertex* v = m_pVertices1) {
        do {
          if (v->mark && FaceVolumeSign(f, v) < 0) ok = false;
          v = v->next;
        } while (v != m_pVertices1);
      }
      f = f->next;
    } while (f != m_pFaces);
  }
  std::cout << (ok ? "Checks: convex.\n" : "Checks: NOT convex.\n");
  return ok;
}

bool CKeyPointMesh::CheckEuler() const {
  int V = 0;
  if (const MeshVertex* v = m_pVertices1) {
    do {
      if (v->mark) ++V;
      v = v->next;
    } while (v != m_pVertices1);
  }
  const int E = CountEdges();
  const int F = CountFaces();
  bool ok = true;
  std::cout << "Checks: V, E, F = " << V << " " << E << " " << F << ":\t";
  if (V - E + F != 2) {
    std::cout << "Checks: V-E+F != 2\n";
    ok = false;
  } else {
    std::cout << "V-E+F = 2\t";
  }
  if (F != 2 * V - 4) {
    std::cout << "Checks: F=" << F << " != 2V-4=" << 2 * V - 4 << "; V=" << V << "\n";
    ok = false;
  } else {
    std::cout << "F = 2V-4\t";
  }
  if (2 * E != 3 * F) {
    std::cout << "Checks: 2E=" << 2 * E << " != 3F=" << 3 * F << "; E=" << E << ", F=" << F
              << "\n";
    ok = false;
  } else {
    std::cout << "2E = 3F\n";
  }
  return ok;
}

bool CKeyPointMesh::CheckHull() const {
  const bool consistent = CheckConsistency();
  const bool convex = CheckConvexity();
  const bool euler = CheckEuler();
  std::cout << std::flush;
  return consistent && convex && euler;
}

void CKeyPointMesh::PrintLists() const {
  std::cerr << "\nHead vertex " << (m_pVertices1 ? m_pVertices1->vnum : -1) << " = "
            << static_cast<const void*>(m_pVertices1) << "\n";
  std::cerr << "Vertex List\n";
  if (const MeshVertex* v = m_pVertices1) {
    do {
      std::cerr << "  addr " << static_cast<const void*>(v) << "\tvnum " << v->vnum << "\t("
                << v->x << ", " << v->y << ", " << v->z << ")\tactive " << int(v->active)
                << "\tdup " << static_cast<const void*>(v->dup) << "\tmark " << int(v->mark)
                << "\n";
      v = v->next;
    } while (v != m_pVertices1);
  }
  std::cerr << "Edge List\n";
  if (const MeshEdge* e = m_pEdges) {
    do {
      std::cerr << "  addr " << static_cast<const void*>(e) << "\tadj "
                << static_cast<const void*>(e->adj[0]) << " " << static_cast<const void*>(e->adj[1])
                << "\tendpts " << e->endpts[0]->vnum << " " << e->endpts[1]->vnum << "\tdel "
                << int(e->del) << "\n";
      e = e->next;
    } while (e != m_pEdges);
  }
  std::cerr << "Face List\n";
  if (const MeshFace* f = m_pFaces) {
    do {
      std::cerr << "  addr " << static_cast<const void*>(f) << "\tvert " << f->vert[0]->vnum << " "
                << f->vert[1]->vnum << " " << f->vert[2]->vnum << "\tvis " << int(f->vis)
                << "\tlower " << int(f->lower) << "\n";
      f = f->next;
    } while (f != m_pFaces);
  }
}

// ---------------------------------------------------------------- consumers

MorphTriangles CKeyPointMesh::GetMorphTriangles() const {
  MorphTriangles out;
  if (!m_pFaces) return out;
  std::vector<const MeshVertex*> partner(kMaxPoints, nullptr);
  if (const MeshVertex* v = m_pVertices2) {
    do {
      if (v->vnum >= 0 && v->vnum < kMaxPoints) partner[static_cast<size_t>(v->vnum)] = v;
      v = v->next;
    } while (v != m_pVertices2);
  }
  const MeshFace* f = m_pFaces;
  do {
    if (f->lower) {
      MorphTriangle tri;
      bool complete = true;
      for (int i = 0; i < 3; ++i) {
        const MeshVertex* v1 = f->vert[i];
        const MeshVertex* v2 =
            (v1->vnum >= 0 && v1->vnum < kMaxPoints) ? partner[static_cast<size_t>(v1->vnum)] : nullptr;
        if (!v2) {
          complete = false;
          break;
        }
        tri[static_cast<size_t>(i)] = MorphVertex{v1->vnum, v1->x, v1->y, v2->x, v2->y};
      }
      if (complete) out.push_back(tri);
    }
    f = f->next;
  } while (f != m_pFaces);
  return out;
}

std::vector<std::array<int, 3>> CKeyPointMesh::TriangleList() const {
  std::vector<std::array<int, 3>> out;
  const MeshFace* f = m_pFaces;
  if (!f) return out;
  do {
    if (f->lower) out.push_back({f->vert[0]->vnum, f->vert[1]->vnum, f->vert[2]->vnum});
    f = f->next;
  } while (f != m_pFaces);
  return out;
}

// ---------------------------------------------------------------- copying

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

  auto copyVertices = [&](const MeshVertex* head, MeshVertex*& newHead) {
    if (!head) return;
    const MeshVertex* v = head;
    do {
      MeshVertex* n = NewVertex(newHead, v->x, v->y, v->vnum);
      n->z = v->z;
      n->active = v->active;
      n->mark = v->mark;
      vmap[v] = n;
      v = v->next;
    } while (v != head);
  };
  copyVertices(o.m_pVertices1, m_pVertices1);
  copyVertices(o.m_pVertices2, m_pVertices2);
  if (const MeshEdge* e = o.m_pEdges) {
    do {
      emap[e] = NewEdge();
      e = e->next;
    } while (e != o.m_pEdges);
  }
  if (const MeshFace* f = o.m_pFaces) {
    do {
      fmap[f] = NewFaceRecord();
      f = f->next;
    } while (f != o.m_pFaces);
  }
  // Links to records that are no longer in any list cannot occur between calls; map them
  // to null rather than to freed memory should they ever appear.
  auto V = [&](const MeshVertex* p) { auto it = vmap.find(p); return it == vmap.end() ? nullptr : it->second; };
  auto E = [&](const MeshEdge* p) { auto it = emap.find(p); return it == emap.end() ? nullptr : it->second; };
  auto F = [&](const MeshFace* p) { auto it = fmap.find(p); return it == fmap.end() ? nullptr : it->second; };
  if (const MeshVertex* v = o.m_pVertices1) {
    do {
      V(v)->dup = E(v->dup);
      v = v->next;
    } while (v != o.m_pVertices1);
  }
  if (const MeshEdge* e = o.m_pEdges) {
    do {
      MeshEdge* n = E(e);
      for (int i = 0; i < 2; ++i) {
        n->adj[i] = F(e->adj[i]);
        n->endpts[i] = V(e->endpts[i]);
      }
      n->coneFace = F(e->coneFace);
      n->del = e->del;
      e = e->next;
    } while (e != o.m_pEdges);
  }
  if (const MeshFace* f = o.m_pFaces) {
    do {
      MeshFace* n = F(f);
      for (int i = 0; i < 3; ++i) {
        n->edges[i] = E(f->edges[i]);
        n->vert[i] = V(f->vert[i]);
      }
      n->vis = f->vis;
      n->lower = f->lower;
      f = f->next;
    } while (f != o.m_pFaces);
  }
}

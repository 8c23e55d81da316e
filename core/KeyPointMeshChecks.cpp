// CKeyPointMesh's self-checks and list dump, written while debugging the hull (m_bCheck,
// m_bDebug) and by the tests: edge consistency, convexity, Euler's formula.
#include <iostream>

#include "core/KeyPointMesh.h"

bool CKeyPointMesh::CheckConsistency() const {
  bool ok = true;
  for (const MeshEdge* e : Edges()) {
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
  }
  std::cout << (ok ? "Checks: edges consistent.\n" : "Checks: edges are NOT consistent.\n");
  return ok;
}

bool CKeyPointMesh::CheckConvexity() const {
  bool ok = true;
  for (const MeshFace* f : Faces())
    for (const MeshVertex* v : Vertices(1))
      if (v->mark && FaceVolumeSign(f, v) < 0) ok = false;
  std::cout << (ok ? "Checks: convex.\n" : "Checks: NOT convex.\n");
  return ok;
}

bool CKeyPointMesh::CheckEuler() const {
  int V = 0;
  for (const MeshVertex* v : Vertices(1))
    if (v->mark) ++V;
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
  for (const MeshVertex* v : Vertices(1)) {
    std::cerr << "  addr " << static_cast<const void*>(v) << "\tvnum " << v->vnum << "\t(" << v->x
              << ", " << v->y << ", " << v->z << ")\tactive " << int(v->active) << "\tdup "
              << static_cast<const void*>(v->dup) << "\tmark " << int(v->mark) << "\n";
  }
  std::cerr << "Edge List\n";
  for (const MeshEdge* e : Edges()) {
    std::cerr << "  addr " << static_cast<const void*>(e) << "\tadj "
              << static_cast<const void*>(e->adj[0]) << " " << static_cast<const void*>(e->adj[1])
              << "\tendpts " << e->endpts[0]->vnum << " " << e->endpts[1]->vnum << "\tdel "
              << int(e->del) << "\n";
  }
  std::cerr << "Face List\n";
  for (const MeshFace* f : Faces()) {
    std::cerr << "  addr " << static_cast<const void*>(f) << "\tvert " << f->vert[0]->vnum << " "
              << f->vert[1]->vnum << " " << f->vert[2]->vnum << "\tvis " << int(f->vis)
              << "\tlower " << int(f->lower) << "\n";
  }
}

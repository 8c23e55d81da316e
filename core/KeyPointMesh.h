// CKeyPointMesh: the key points of both pictures as two parallel circular lists, their
// integer copies, and the Delaunay triangulation of the image1 points, computed as the
// lower convex hull of the points lifted onto the paraboloid z = x*x + y*y with an
// incremental three-dimensional hull.
//
// The hull's records stay pointer-linked circular lists (their order decides list heads,
// hit-test tie-breaks and the triangle order), but the mesh owns every record in pools
// that are freed when the mesh is reset, so records unlinked by the purges never leak.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Limits.h"
#include "core/MeshRing.h"
#include "core/MorphGeometry.h"

struct MeshEdge;
struct MeshFace;

struct MeshVertex {
  double x = 0, y = 0, z = 0;  // z = x*x + y*y
  int32_t vnum = 0;            // key-point number
  MeshEdge* dup = nullptr;     // while adding p: the new edge from this vertex to p
  uint8_t active = 0;          // an end of some remaining edge (purge only)
  uint8_t mark = 0;            // processed by the hull
  MeshVertex* next = nullptr;
  MeshVertex* prev = nullptr;
};

struct MeshEdge {
  MeshFace* adj[2] = {nullptr, nullptr};
  MeshVertex* endpts[2] = {nullptr, nullptr};
  MeshFace* coneFace = nullptr;  // cone face built on this edge by the current AddOne
  uint8_t del = 0;
  MeshEdge* next = nullptr;
  MeshEdge* prev = nullptr;
};

struct MeshFace {
  MeshEdge* edges[3] = {nullptr, nullptr, nullptr};
  MeshVertex* vert[3] = {nullptr, nullptr, nullptr};  // counter-clockwise seen from outside
  uint8_t vis = 0;    // visible from the point being added
  uint8_t lower = 0;  // a triangle of the morph
  MeshFace* next = nullptr;
  MeshFace* prev = nullptr;
};

struct MeshPoint {
  int32_t x = 0;
  int32_t y = 0;
};

class CKeyPointMesh {
 public:

  CKeyPointMesh() = default;
  ~CKeyPointMesh() = default;
  CKeyPointMesh(const CKeyPointMesh&) = delete;
  CKeyPointMesh& operator=(const CKeyPointMesh&) = delete;
  CKeyPointMesh(CKeyPointMesh&& other) noexcept { Swap(other); }
  CKeyPointMesh& operator=(CKeyPointMesh&& other) noexcept;
  void Swap(CKeyPointMesh& other) noexcept;
  // Deep copy with the same list orders, heads, flags and links (for roll-back).
  void CopyFrom(const CKeyPointMesh& other);

  // ---- key points ----
  // Empties all lists and frees every record; m_nPoints becomes 0.
  void ResetMesh();
  // Both return false (and change nothing) when the tables are full.
  bool AddSharedPoint(double x, double y);
  // Returns the new m_nPoints, or -1 when the tables are full.
  int AddPointPair(double x1, double y1, double x2, double y2);
  // Corners (0,0), (0,h), (w,0), (w,h) and the centre (w/2,h/2); nothing when w or h <= 0.
  void AddFramePoints(int w, int h);
  // DoubleTriangle, ConstructHull, MarkLowerFaces. False when no triangulation exists
  // (the hull's report is on the standard output); the hull is then empty.
  bool RebuildTriangulation();

  bool IsFull() const { return m_nPoints >= kMaxKeyPoints; }
  int GetPointCount() const { return m_nPoints; }
  // Records counted around each ring from its head.
  int CountList1() const { return CountRing(m_pVertices1); }
  int CountList2() const { return CountRing(m_pVertices2); }
  // Record of list 1 or 2 (pane 1 or 2) with the given number, or null.
  MeshVertex* FindVertex(int list, int vnum) const;
  // Whether the record is in list 1 or 2 (compared by address only).
  bool ContainsVertex(int list, const MeshVertex* v) const;
  MeshVertex* ListHead(int list) const { return list == 1 ? m_pVertices1 : m_pVertices2; }
  // The records of list 1 or 2, of the hull's edges and of its faces, in list order:
  //   for (MeshVertex* v : mesh.Vertices(1)) ...
  MeshRing<MeshVertex> Vertices(int list) const { return MeshRing<MeshVertex>(ListHead(list)); }
  MeshRing<MeshEdge> Edges() const { return MeshRing<MeshEdge>(m_pEdges); }
  MeshRing<MeshFace> Faces() const { return MeshRing<MeshFace>(m_pFaces); }
  // A coordinate as int32, truncated toward zero (clamped to the int32 range).
  static int32_t TruncCoord(double v);
  // Sets one record's coordinates, z and its table entry (truncated toward zero).
  void SetVertexPosition(int list, MeshVertex* v, double x, double y);
  const MeshPoint& Point1(int vnum) const { return m_aPoints1[static_cast<size_t>(vnum)]; }
  const MeshPoint& Point2(int vnum) const { return m_aPoints2[static_cast<size_t>(vnum)]; }
  // Both lists hold exactly the numbers 0..m_nPoints-1 once each, and the tables match.
  bool IsConsistent() const;
  bool HasTriangulation() const { return m_pFaces != nullptr; }

  // ---- triangulation ----
  bool DoubleTriangle();
  void ConstructHull();
  bool AddOne(MeshVertex* p);
  void Cleanup();
  void PurgeEdges();
  void PurgeFaces();
  void PurgeVertices();
  void SettleHull();
  void MarkLowerFaces();
  int FaceVolumeSign(const MeshFace* f, const MeshVertex* p) const;
  static bool IsCollinear(const MeshVertex* a, const MeshVertex* b, const MeshVertex* c);
  MeshFace* NewFace(MeshVertex* a, MeshVertex* b, MeshVertex* c, MeshFace* twin);
  MeshFace* AddConeFace(MeshEdge* e, MeshVertex* p);
  void MakeCcw(MeshFace* f, MeshEdge* e, MeshVertex* p);
  // Whether p would be inserted by AddOne: some face sees it beyond the volume tolerance.
  bool IsVisibleFromHull(double x, double y) const;
  // Self-checks written to the standard output; true when all hold.
  bool CheckHull() const;
  bool CheckConsistency() const;
  bool CheckConvexity() const;
  bool CheckEuler() const;
  void PrintLists() const;

  // ---- what the renderer and the overlay read ----
  // Lower faces in face-list order; each face's list-1 vertices in stored order with the
  // list-2 coordinates of the same number.
  MorphTriangles GetMorphTriangles() const;
  // Same faces as key-point numbers.
  std::vector<std::array<int, 3>> TriangleList() const;
  int CountEdges() const { return CountRing(m_pEdges); }
  int CountFaces() const { return CountRing(m_pFaces); }

  // List heads (circular, doubly linked) and the integer tables.
  MeshVertex* m_pVertices1 = nullptr;
  MeshVertex* m_pVertices2 = nullptr;
  MeshEdge* m_pEdges = nullptr;
  MeshFace* m_pFaces = nullptr;
  std::array<MeshPoint, kMaxKeyPoints> m_aPoints1{};
  std::array<MeshPoint, kMaxKeyPoints> m_aPoints2{};
  int32_t m_nPoints = 0;
  uint8_t m_bDebug = 0;
  uint8_t m_bCheck = 0;

 private:
  template <class T>
  static int CountRing(const T* head) {
    return MeshRingCount(head);
  }
  MeshVertex* NewVertex(MeshVertex*& head, double x, double y, int vnum);
  MeshEdge* NewEdge();
  MeshFace* NewFaceRecord();
  void ClearHull();

  std::vector<std::unique_ptr<MeshVertex>> m_vertexPool;
  std::vector<std::unique_ptr<MeshEdge>> m_edgePool;
  std::vector<std::unique_ptr<MeshFace>> m_facePool;
};

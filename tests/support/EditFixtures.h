// Projects and mesh comparisons shared by the editing tests (header-only: the test
// executables that use it link the project core themselves).
#pragma once

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/MorphProject.h"
#include "support/TestSupport.h"

// Loads two pattern pictures of the given sizes, so the project is ready for editing.
inline void MakeReadyProject(MorphProject& project, TempDir& dir, int w1, int h1, int w2, int h2) {
  const std::string p1 = dir.File("one.bmp"), p2 = dir.File("two.bmp");
  ASSERT_TRUE(MakePatternPicture(w1, h1, 1).Save(p1, PICTURE_BMP));
  ASSERT_TRUE(MakePatternPicture(w2, h2, 2).Save(p2, PICTURE_BMP));
  ASSERT_TRUE(project.LoadImage1(p1).ok());
  ASSERT_TRUE(project.LoadImage2(p2).ok());
  project.FinishPreviewSetup();
}

// Everything of a mesh that an edit may change, in list order, compared exactly.
struct MeshState {
  std::vector<std::array<double, 3>> list1, list2;  // vnum, x, y from each head
  std::vector<std::array<int, 4>> tables;           // both integer tables
  std::vector<std::array<int, 3>> triangles;        // in face-list order
  int morphType = 0;
  bool operator==(const MeshState& o) const {
    return list1 == o.list1 && list2 == o.list2 && tables == o.tables && triangles == o.triangles &&
           morphType == o.morphType;
  }
  bool operator!=(const MeshState& o) const { return !(*this == o); }
};

inline MeshState CaptureMeshState(const MorphProject& project) {
  MeshState s;
  const CKeyPointMesh& mesh = project.m_mesh;
  for (int list = 1; list <= 2; ++list) {
    const MeshVertex* head = mesh.ListHead(list);
    const MeshVertex* v = head;
    if (!v) continue;
    do {
      (list == 1 ? s.list1 : s.list2).push_back({double(v->vnum), v->x, v->y});
      v = v->next;
    } while (v != head);
  }
  for (int i = 0; i < mesh.m_nPoints; ++i)
    s.tables.push_back({mesh.Point1(i).x, mesh.Point1(i).y, mesh.Point2(i).x, mesh.Point2(i).y});
  s.triangles = mesh.TriangleList();
  s.morphType = project.m_nMorphType;
  return s;
}

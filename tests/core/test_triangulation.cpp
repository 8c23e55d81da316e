// The lifted-hull Delaunay triangulation of the key-point mesh.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "MeshTestUtil.h"
#include "core/KeyPointMesh.h"

namespace {

void FillFrame(CKeyPointMesh& mesh, int w, int h) {
  mesh.ResetMesh();
  mesh.AddFramePoints(w, h);
}

std::vector<IntPoint> TablePoints(const CKeyPointMesh& mesh) {
  std::vector<IntPoint> pts;
  for (int i = 0; i < mesh.m_nPoints; ++i) pts.push_back({mesh.Point1(i).x, mesh.Point1(i).y});
  return pts;
}

// Brute-force checks of a finished triangulation of points inside a w x h rectangle whose
// corners are key points: every triangle non-degenerate, empty circumcircles, and the
// triangles tile the rectangle (area sum equals w*h).
void ExpectDelaunayCover(const CKeyPointMesh& mesh, long long w, long long h) {
  const auto tris = mesh.TriangleList();
  const auto pts = TablePoints(mesh);
  long long twiceArea = 0;
  for (const Triangle& t : tris) {
    const IntPoint& a = pts[t[0]];
    const IntPoint& b = pts[t[1]];
    const IntPoint& c = pts[t[2]];
    const long long cr = Cross(a, b, c);
    ASSERT_NE(cr, 0) << "degenerate triangle " << t[0] << "," << t[1] << "," << t[2];
    twiceArea += cr > 0 ? cr : -cr;
    for (size_t i = 0; i < pts.size(); ++i) {
      if (int(i) == t[0] || int(i) == t[1] || int(i) == t[2]) continue;
      EXPECT_LE(InCircle(a, b, c, pts[i]), 0)
          << "point " << i << " inside circumcircle of " << t[0] << "," << t[1] << "," << t[2];
    }
  }
  EXPECT_EQ(twiceArea, 2 * w * h);
}

// Random distinct points strictly inside the rectangle; false when some point lies exactly on
// the circumcircle of a triangle (the Delaunay triangulation is then not unique).
std::vector<IntPoint> RandomInterior(std::mt19937& rng, int w, int h, int n) {
  std::uniform_int_distribution<int> dx(1, w - 1), dy(1, h - 1);
  std::set<std::pair<int, int>> seen = {{w / 2, h / 2}};
  std::vector<IntPoint> out;
  while (int(out.size()) < n) {
    const int x = dx(rng), y = dy(rng);
    if (seen.insert({x, y}).second) out.push_back({x, y});
  }
  return out;
}

bool HasCocircularTriangle(const CKeyPointMesh& mesh) {
  const auto pts = TablePoints(mesh);
  for (const Triangle& t : mesh.TriangleList())
    for (size_t i = 0; i < pts.size(); ++i)
      if (int(i) != t[0] && int(i) != t[1] && int(i) != t[2] &&
          InCircle(pts[t[0]], pts[t[1]], pts[t[2]], pts[i]) == 0)
        return true;
  return false;
}

void ExpectSettledBetweenCalls(const CKeyPointMesh& mesh) {
  ASSERT_NE(mesh.m_pVertices1, nullptr);
  ASSERT_NE(mesh.m_pEdges, nullptr);
  ASSERT_NE(mesh.m_pFaces, nullptr);
  for (const MeshVertex* v : mesh.Vertices(1)) {
    EXPECT_EQ(v->mark, 1);
    EXPECT_EQ(v->active, 0);
    EXPECT_EQ(v->dup, nullptr);
  }
  for (const MeshEdge* e : mesh.Edges()) {
    EXPECT_EQ(e->del, 0);
    EXPECT_EQ(e->coneFace, nullptr);
  }
  for (const MeshFace* f : mesh.Faces()) EXPECT_EQ(f->vis, 0);
}

}  // namespace

TEST(Triangulation, FramePointsOf200x100FollowTheWorkedExample) {
  CKeyPointMesh mesh;
  FillFrame(mesh, 200, 100);
  ASSERT_TRUE(mesh.DoubleTriangle());
  EXPECT_EQ(mesh.m_pVertices1->vnum, 4) << "head moves to the first point off the start plane";
  mesh.ConstructHull();
  mesh.MarkLowerFaces();

  EXPECT_EQ(mesh.CountList1(), 5);
  EXPECT_EQ(mesh.CountEdges(), 9);
  EXPECT_EQ(mesh.CountFaces(), 6);
  EXPECT_EQ(SortedTriangles(mesh.TriangleList()),
            (std::set<Triangle>{{0, 1, 4}, {0, 2, 4}, {1, 3, 4}, {2, 3, 4}}));
  EXPECT_EQ(List1Order(mesh), (std::vector<int>{4, 0, 1, 2, 3}));
  ExpectSettledBetweenCalls(mesh);

  // A sixth point lands before the head: between 3 and 4.
  mesh.AddPointPair(60, 30, 60, 30);
  mesh.ConstructHull();
  mesh.MarkLowerFaces();
  EXPECT_EQ(List1Order(mesh), (std::vector<int>{4, 0, 1, 2, 3, 5}));
  // List 2 keeps ascending order from its head.
  std::vector<int> order2;
  for (const MeshVertex* v : mesh.Vertices(2)) order2.push_back(v->vnum);
  EXPECT_EQ(order2, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  ExpectSettledBetweenCalls(mesh);
}

TEST(Triangulation, FramePointsGiveFourTrianglesAroundTheCentreForAnySize) {
  const std::pair<int, int> sizes[] = {{200, 100}, {3, 2}, {2, 2}, {640, 480}, {7, 7}, {4001, 3}, {2, 999}};
  for (auto [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    CKeyPointMesh mesh;
    FillFrame(mesh, w, h);
    ASSERT_TRUE(mesh.RebuildTriangulation());
    const auto tris = mesh.TriangleList();
    ASSERT_EQ(tris.size(), 4u);
    for (const Triangle& t : tris) EXPECT_TRUE(t[0] == 4 || t[1] == 4 || t[2] == 4);
    ExpectDelaunayCover(mesh, w, h);
  }
  // One pixel wide or high: the centre falls on an edge (w/2 or h/2 is 0), which leaves three
  // triangles that still tile the picture.
  for (auto [w, h] : {std::pair<int, int>{1, 5}, {1000, 1}}) {
    CKeyPointMesh mesh;
    FillFrame(mesh, w, h);
    ASSERT_TRUE(mesh.RebuildTriangulation());
    EXPECT_EQ(mesh.TriangleList().size(), 3u);
    ExpectDelaunayCover(mesh, w, h);
  }
}

TEST(Triangulation, RandomInteriorPointsGiveDelaunayTilingOfTheRectangle) {
  std::mt19937 rng(1234);
  int checked = 0;
  for (int round = 0; round < 40; ++round) {
    const int w = 50 + int(rng() % 900), h = 50 + int(rng() % 700);
    const int n = 1 + int(rng() % 60);
    CKeyPointMesh mesh;
    FillFrame(mesh, w, h);
    for (const IntPoint& p : RandomInterior(rng, w, h, n)) mesh.AddPointPair(p.x, p.y, p.x, p.y);
    ASSERT_TRUE(mesh.RebuildTriangulation());
    SCOPED_TRACE("round " + std::to_string(round));
    EXPECT_EQ(mesh.CountList1(), n + 5);
    ExpectDelaunayCover(mesh, w, h);
    if (!HasCocircularTriangle(mesh)) {
      EXPECT_EQ(int(mesh.TriangleList().size()), 2 * (n + 5) - 6);
      ++checked;
    }
    testing::internal::CaptureStdout();
    EXPECT_TRUE(mesh.CheckHull());
    testing::internal::GetCapturedStdout();
  }
  EXPECT_GT(checked, 20);
}

TEST(Triangulation, TwentyOneInteriorPointsGiveFortySixTriangles) {
  CKeyPointMesh mesh;
  FillFrame(mesh, 300, 200);
  // Points on a skewed lattice: no four on one circle.
  for (int i = 0; i < 21; ++i) {
    const int x = 13 + (i * 37) % 271, y = 7 + (i * i * 11 + i * 3) % 187;
    mesh.AddPointPair(x, y, x, y);
  }
  ASSERT_TRUE(mesh.RebuildTriangulation());
  ASSERT_FALSE(HasCocircularTriangle(mesh));
  EXPECT_EQ(mesh.TriangleList().size(), 46u);
  ExpectDelaunayCover(mesh, 300, 200);
}

TEST(Triangulation, IncrementalInsertionMatchesFullRebuild) {
  std::mt19937 rng(99);
  int compared = 0;
  for (int round = 0; round < 30; ++round) {
    const int w = 100 + int(rng() % 500), h = 100 + int(rng() % 500);
    const auto pts = RandomInterior(rng, w, h, 1 + int(rng() % 40));
    CKeyPointMesh incremental;
    FillFrame(incremental, w, h);
    ASSERT_TRUE(incremental.RebuildTriangulation());
    for (const IntPoint& p : pts) {
      incremental.AddPointPair(p.x, p.y, p.x, p.y);
      incremental.ConstructHull();
      incremental.MarkLowerFaces();
    }
    CKeyPointMesh full;
    FillFrame(full, w, h);
    for (const IntPoint& p : pts) full.AddPointPair(p.x, p.y, p.x, p.y);
    ASSERT_TRUE(full.RebuildTriangulation());
    if (HasCocircularTriangle(full)) continue;  // not unique: both are valid, may differ
    EXPECT_EQ(SortedTriangles(incremental.TriangleList()), SortedTriangles(full.TriangleList()));
    ExpectDelaunayCover(incremental, w, h);
    ++compared;
  }
  EXPECT_GT(compared, 15);
}

TEST(Triangulation, PointOnACircumcircleIsInsertedThroughANeighbouringFace) {
  CKeyPointMesh mesh;
  FillFrame(mesh, 200, 200);
  ASSERT_TRUE(mesh.RebuildTriangulation());
  // Triangle {0,1,4} = (0,0), (0,200), (100,100) has its circumcircle centred at (0,100), radius
  // 100; (60,180) lies on that circle, outside the triangle, inside triangle {1,3,4}.
  MeshVertex p;
  p.x = 60;
  p.y = 180;
  p.z = 60 * 60 + 180 * 180;
  const MeshFace* f014 = nullptr;
  for (const MeshFace* f : mesh.Faces()) {
    std::set<int> vs = {f->vert[0]->vnum, f->vert[1]->vnum, f->vert[2]->vnum};
    if (f->lower && vs == std::set<int>{0, 1, 4}) f014 = f;
  }
  ASSERT_NE(f014, nullptr);
  EXPECT_EQ(mesh.FaceVolumeSign(f014, &p), 0);

  mesh.AddPointPair(60, 180, 60, 180);
  mesh.ConstructHull();
  mesh.MarkLowerFaces();
  EXPECT_EQ(mesh.CountList1(), 6);
  const auto tris = SortedTriangles(mesh.TriangleList());
  EXPECT_TRUE(tris.count({0, 1, 4})) << "the triangle whose circle holds the point stays";
  EXPECT_EQ(tris.size(), 6u);
  ExpectDelaunayCover(mesh, 200, 200);
}

TEST(Triangulation, RepeatedPointChangesNothingAndLeavesListOne) {
  CKeyPointMesh mesh;
  FillFrame(mesh, 120, 80);
  mesh.AddPointPair(30, 20, 30, 20);
  ASSERT_TRUE(mesh.RebuildTriangulation());
  const auto before = mesh.TriangleList();
  const int faces = mesh.CountFaces();

  mesh.AddPointPair(30, 20, 90, 60);  // same image1 point as pair 5
  mesh.ConstructHull();
  mesh.MarkLowerFaces();
  EXPECT_EQ(mesh.TriangleList(), before);
  EXPECT_EQ(mesh.CountFaces(), faces);
  EXPECT_EQ(mesh.CountList1(), 6);
  EXPECT_EQ(mesh.FindVertex(1, 6), nullptr);
  // The raw mesh leaves the partner behind; the project refuses such adds beforehand.
  EXPECT_EQ(mesh.CountList2(), 7);
  EXPECT_FALSE(mesh.IsConsistent());
  EXPECT_FALSE(mesh.IsVisibleFromHull(30, 20));
  EXPECT_TRUE(mesh.IsVisibleFromHull(31, 20));
}

TEST(Triangulation, StartFailuresReportAndLeaveNoTriangulation) {
  struct Case {
    std::vector<std::pair<int, int>> pts;
    const char* text;
  };
  const Case cases[] = {
      {{{0, 0}, {0, 100}, {200, 0}, {200, 100}}, "DoubleTriangle:  All points are coplanar!\n"},
      {{{0, 0}, {0, 100}, {200, 0}}, "DoubleTriangle:  All points are coplanar!\n"},
      {{{5, 5}, {5, 5}, {5, 5}, {5, 5}}, "DoubleTriangle:  All points are Collinear!\n"},
      {{{1, 2}, {3, 4}}, "DoubleTriangle:  All points are Collinear!\n"},
      {{{7, 7}}, "DoubleTriangle:  All points are Collinear!\n"},
  };
  for (const Case& c : cases) {
    CKeyPointMesh mesh;
    for (auto [x, y] : c.pts) mesh.AddSharedPoint(x, y);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(mesh.RebuildTriangulation());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
    EXPECT_FALSE(mesh.HasTriangulation());
    EXPECT_EQ(mesh.m_pEdges, nullptr);
    EXPECT_TRUE(mesh.TriangleList().empty());
    EXPECT_TRUE(mesh.IsConsistent()) << "points stay in both lists";
    // Further hull calls on a mesh without triangulation keep the points.
    mesh.ConstructHull();
    mesh.SettleHull();
    EXPECT_EQ(mesh.CountList1(), int(c.pts.size()));
  }
  CKeyPointMesh empty;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(empty.RebuildTriangulation());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Triangulation, SettleHullDropsUnprocessedPointsFromListOne) {
  CKeyPointMesh mesh;
  FillFrame(mesh, 100, 100);
  ASSERT_TRUE(mesh.RebuildTriangulation());
  const auto before = mesh.TriangleList();
  mesh.AddPointPair(10, 20, 10, 20);  // appended, never inserted into the hull
  mesh.SettleHull();
  EXPECT_EQ(mesh.CountList1(), 5);
  EXPECT_EQ(mesh.TriangleList(), before);
  ExpectSettledBetweenCalls(mesh);
  // A settled hull is left alone.
  mesh.SettleHull();
  EXPECT_EQ(mesh.CountList1(), 5);
}

TEST(Triangulation, SelfChecksReportOnTheStandardOutput) {
  CKeyPointMesh mesh;
  mesh.m_bCheck = 1;
  FillFrame(mesh, 64, 48);
  mesh.AddSharedPoint(10, 11);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(mesh.RebuildTriangulation());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("ConstructHull: After Add of 4 & Cleanup:\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Checks: edges consistent.\n"), std::string::npos);
  EXPECT_NE(out.find("Checks: convex.\n"), std::string::npos);
  EXPECT_NE(out.find("V-E+F = 2\tF = 2V-4\t2E = 3F\n"), std::string::npos);
  EXPECT_EQ(out.find("NOT"), std::string::npos);

  // A face turned inside out is caught.
  mesh.m_bCheck = 0;
  std::swap(mesh.m_pFaces->vert[0], mesh.m_pFaces->vert[1]);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(mesh.CheckHull());
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Checks: edges are NOT consistent.\n"),
            std::string::npos);
}

TEST(Triangulation, DebugTraceGoesToTheErrorStream) {
  CKeyPointMesh mesh;
  mesh.m_bDebug = 1;
  FillFrame(mesh, 20, 10);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(mesh.RebuildTriangulation());
  const std::string err = testing::internal::GetCapturedStderr();
  for (const char* text : {"Vertex List\n", "Edge List\n", "Face List\n", "\nHead vertex ",
                           "DoubleTriangle: finished. Head repositioned at v3.\n",
                           "AddOne: starting to add v4", "faddr: ", "   paddr: ", "   Vol = ", "Face=",
                           "; Vertex=", ": vol(int) = ", ", vol(double) = "})
    EXPECT_NE(err.find(text), std::string::npos) << text;
}

TEST(Triangulation, UpperFacesAndZeroAreaFacesAreNotTriangles) {
  CKeyPointMesh mesh;
  FillFrame(mesh, 100, 60);
  // A point on the left edge makes a vertical face over the edge.
  mesh.AddSharedPoint(0, 25);
  ASSERT_TRUE(mesh.RebuildTriangulation());
  int lower = 0, upperOrFlat = 0;
  for (const MeshFace* f : mesh.Faces()) (f->lower ? lower : upperOrFlat)++;
  EXPECT_EQ(lower, 5);
  EXPECT_EQ(lower + upperOrFlat, 2 * 6 - 4);
  ExpectDelaunayCover(mesh, 100, 60);
}

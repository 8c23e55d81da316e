// Frame requests of an open project: each triangle vertex must carry the image2 position of
// the key point with the same number, and the request the project's animation settings.
#include <gtest/gtest.h>

#include "core/MorphProject.h"
#include "render/ProjectFrame.h"
#include "support/TestSupport.h"

namespace {

TEST(ProjectFrame, TrianglesPairKeyPointsByNumberAndRequestFollowsTheProject) {
  TempDir dir;
  ASSERT_TRUE(MakePatternPicture(80, 60, 1).Save(dir.File("a.png"), PICTURE_PNG));
  ASSERT_TRUE(MakePatternPicture(40, 90, 2).Save(dir.File("b.png"), PICTURE_PNG));
  MorphProject project;
  ASSERT_TRUE(project.LoadImage1(dir.File("a.png")));
  ASSERT_TRUE(project.LoadImage2(dir.File("b.png")));
  int vnum1 = -1, vnum2 = -1;
  ASSERT_TRUE(project.AddPairAt(1, 20, 15, &vnum1));
  ASSERT_TRUE(project.AddPairAt(1, 61, 40, &vnum2));
  // Move the image2 partners away from their relative places.
  ASSERT_TRUE(project.MovePoint(2, vnum1, 5.0, 80.0));
  ASSERT_TRUE(project.MovePoint(2, vnum2, 33.0, 7.0));
  project.SetFrameCount(12);
  EXPECT_TRUE(project.ChooseMorphType(3));
  EXPECT_TRUE(project.SetOutputSize(90, 70));

  const MorphTriangles tris = ProjectTriangles(project);
  const auto faces = project.m_mesh.TriangleList();
  ASSERT_EQ(tris.size(), faces.size());
  ASSERT_GE(tris.size(), 4u);
  bool bSeenMoved = false;
  for (size_t t = 0; t < tris.size(); ++t) {
    for (size_t i = 0; i < 3; ++i) {
      const MorphVertex& v = tris[t][i];
      EXPECT_EQ(v.vnum, faces[t][i]);
      const MeshVertex* p1 = project.m_mesh.FindVertex(1, v.vnum);
      const MeshVertex* p2 = project.m_mesh.FindVertex(2, v.vnum);
      ASSERT_TRUE(p1 && p2);
      EXPECT_EQ(v.x1, p1->x);
      EXPECT_EQ(v.y1, p1->y);
      EXPECT_EQ(v.x2, p2->x);
      EXPECT_EQ(v.y2, p2->y);
      if (v.vnum == vnum1) {
        bSeenMoved = true;
        EXPECT_EQ(v.x2, 5.0);
        EXPECT_EQ(v.y2, 80.0);
      }
    }
  }
  EXPECT_TRUE(bSeenMoved);

  const MorphFrameRequest r = MakeProjectFrameRequest(project, tris, 5);
  EXPECT_EQ(r.pImage1, project.m_pImage1.get());
  EXPECT_EQ(r.pImage2, project.m_pImage2.get());
  EXPECT_EQ(r.pTriangles, &tris);
  EXPECT_EQ(r.nMorphType, 3);
  EXPECT_EQ(r.nCurFrame, 5);
  EXPECT_EQ(r.nFrameCount, 12);
  EXPECT_EQ(r.nOutputWidth, 90);
  EXPECT_EQ(r.nOutputHeight, 70);
  EXPECT_FALSE(r.bRoundToFour);
}

}  // namespace

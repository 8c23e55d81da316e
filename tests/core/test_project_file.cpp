// Project files: byte layout, round trips, damaged files and sample projects.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "MeshTestUtil.h"
#include "base/ExecutableFolder.h"
#include "core/ProjectFile.h"
#include "support/HostileFiles.h"
#include "support/TestSupport.h"

namespace {

// Everything a failed open must leave as it was.
struct Snapshot {
  const CPicture* p1;
  const CPicture* p2;
  std::string path1, path2;
  int points, morphType, toolMode;
  std::vector<std::array<int, 4>> table;
  std::vector<Triangle> tris;
  std::vector<int> order1;

  explicit Snapshot(const MorphProject& p)
      : p1(p.m_pImage1.get()), p2(p.m_pImage2.get()), path1(p.m_szImagePath1), path2(p.m_szImagePath2),
        points(p.m_mesh.m_nPoints), morphType(p.m_nMorphType), toolMode(p.m_nToolMode),
        tris(p.m_mesh.TriangleList()), order1(List1Order(p.m_mesh)) {
    for (int i = 0; i < points; ++i)
      table.push_back({p.m_mesh.Point1(i).x, p.m_mesh.Point1(i).y, p.m_mesh.Point2(i).x, p.m_mesh.Point2(i).y});
  }
  bool operator==(const Snapshot& o) const {
    return p1 == o.p1 && p2 == o.p2 && path1 == o.path1 && path2 == o.path2 && points == o.points &&
           morphType == o.morphType && toolMode == o.toolMode && table == o.table && tris == o.tris &&
           order1 == o.order1;
  }
};

class ProjectFile : public testing::Test {
 protected:
  std::string Picture(const std::string& name, int w, int h) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(MakePatternPicture(w, h, w).Save(path, PICTURE_BMP));
    return path;
  }
  // Bytes of a project file as the layout describes it.
  static std::vector<uint8_t> Build(const std::string& path1, const std::string& path2,
                                    const std::vector<std::array<int32_t, 4>>& pairs, int32_t count1,
                                    int32_t count2) {
    return ProjectFileBytesOf(path1, path2, pairs, count1, count2);
  }
  TempDir dir;
  MorphProject project;
};

}  // namespace

TEST_F(ProjectFile, FreshProjectSavesAsSixHundredBytesExactly) {
  const std::string a = Picture("a.bmp", 200, 100);
  const std::string b = Picture("b.bmp", 300, 150);
  ASSERT_TRUE(project.LoadImage1(a).ok());
  ASSERT_TRUE(project.LoadImage2(b).ok());
  const std::string file = dir.File("p.fmph");
  ASSERT_TRUE(SaveProject(project, file).ok());
  const auto bytes = ReadFileBytes(file);
  ASSERT_EQ(bytes.size(), 600u);
  EXPECT_EQ(bytes[256], 4);
  EXPECT_EQ(bytes[516], 4);
  const auto expected = Build(a, b,
                              {{0, 0, 0, 0}, {0, 100, 0, 150}, {200, 0, 300, 0}, {200, 100, 300, 150},
                               {100, 50, 150, 75}},
                              4, 4);
  EXPECT_EQ(bytes, expected);
}

TEST_F(ProjectFile, RoundTripKeepsNumbersAndTruncatesFractions) {
  ASSERT_TRUE(project.LoadImage1(Picture("a.bmp", 200, 100)).ok());
  ASSERT_TRUE(project.LoadImage2(Picture("b.bmp", 200, 100)).ok());
  ASSERT_TRUE(project.AddPairAt(1, 40, 30).ok());
  ASSERT_TRUE(project.AddPairAt(2, 150, 80).ok());
  ASSERT_TRUE(project.MovePoint(2, 5, 41.9, 33.7).ok());
  ASSERT_TRUE(project.MovePoint(1, 6, 149.5, 79.99).ok());
  const std::string file = dir.File("p.fmph");
  ASSERT_TRUE(SaveProject(project, file).ok());
  ASSERT_TRUE(project.ChooseMorphType(3));

  MorphProject reopened;
  ASSERT_TRUE(reopened.ChooseMorphType(3));
  const auto r = OpenProject(reopened, file);
  ASSERT_TRUE(r.ok()) << r.message;
  ASSERT_EQ(reopened.m_mesh.m_nPoints, 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(reopened.m_mesh.Point1(i).x, project.m_mesh.Point1(i).x);
    EXPECT_EQ(reopened.m_mesh.Point1(i).y, project.m_mesh.Point1(i).y);
    EXPECT_EQ(reopened.m_mesh.Point2(i).x, project.m_mesh.Point2(i).x);
    EXPECT_EQ(reopened.m_mesh.Point2(i).y, project.m_mesh.Point2(i).y);
  }
  EXPECT_DOUBLE_EQ(reopened.m_mesh.FindVertex(2, 5)->x, 41);
  EXPECT_DOUBLE_EQ(reopened.m_mesh.FindVertex(1, 6)->y, 79);
  EXPECT_EQ(reopened.m_szImagePath1, project.m_szImagePath1);
  EXPECT_EQ(reopened.m_nMorphType, 3) << "the morph type is not stored";
  EXPECT_TRUE(reopened.IsReady());
  EXPECT_EQ(reopened.m_nToolMode, ToolBusy);
  EXPECT_TRUE(reopened.m_mesh.IsConsistent());
  EXPECT_EQ(reopened.m_mesh.TriangleList().size(), 2u * 7 - 6);
}

TEST_F(ProjectFile, ReaderUsesTheSecondCount) {
  const std::string a = Picture("a.bmp", 100, 100);
  const std::vector<std::array<int32_t, 4>> pairs = {
      {0, 0, 0, 0}, {0, 100, 0, 100}, {100, 0, 100, 0}, {100, 100, 100, 100}, {50, 50, 50, 50}, {20, 70, 25, 75}};
  const std::string file = dir.File("p.fmph");
  WriteFileBytes(file, Build(a, a, pairs, 99, 5));
  ASSERT_TRUE(OpenProject(project, file).ok());
  EXPECT_EQ(project.m_mesh.m_nPoints, 6);
  WriteFileBytes(file, Build(a, a, pairs, 5, 4));
  ASSERT_TRUE(OpenProject(project, file).ok());
  EXPECT_EQ(project.m_mesh.m_nPoints, 5) << "a longer file is read up to its count";
}

TEST_F(ProjectFile, EveryTruncationIsRefusedAndLeavesTheProject) {
  const std::string a = Picture("a.bmp", 120, 90);
  const std::string b = Picture("b.bmp", 60, 45);
  ASSERT_TRUE(project.LoadImage1(a).ok());
  ASSERT_TRUE(project.LoadImage2(b).ok());
  ASSERT_TRUE(project.AddPairAt(1, 30, 20).ok());
  const std::string file = dir.File("full.fmph");
  ASSERT_TRUE(SaveProject(project, file).ok());
  const auto bytes = ReadFileBytes(file);
  ASSERT_EQ(bytes.size(), 616u);

  // The project that is open while the damaged files are tried.
  MorphProject open;
  ASSERT_TRUE(open.LoadImage1(Picture("c.bmp", 80, 80)).ok());
  ASSERT_TRUE(open.LoadImage2(Picture("d.bmp", 80, 80)).ok());
  ASSERT_TRUE(open.AddPairAt(1, 11, 12).ok());
  const Snapshot before(open);
  const std::string cut = dir.File("cut.fmph");
  for (size_t len = 0; len < bytes.size(); ++len) {
    WriteFileBytes(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(len)));
    const auto r = OpenProject(open, cut);
    EXPECT_EQ(r.kind, ErrorKind::Truncated) << len;
    EXPECT_EQ(r.message, "error!") << len;
    ASSERT_TRUE(Snapshot(open) == before) << "length " << len;
  }
  WriteFileBytes(cut, bytes);
  EXPECT_TRUE(OpenProject(open, cut).ok());
  EXPECT_EQ(open.m_mesh.m_nPoints, 6);
}

TEST_F(ProjectFile, ImpossibleCountsAndPathsAreRefused) {
  const std::string a = Picture("a.bmp", 100, 100);
  std::vector<std::array<int32_t, 4>> many(130, {1, 1, 1, 1});
  ASSERT_TRUE(project.LoadImage1(a).ok());
  const Snapshot before(project);
  const std::string file = dir.File("bad.fmph");
  for (int32_t count : {-1, -2, -1000, INT_MIN, 128, 129, 1000000, INT_MAX}) {
    WriteFileBytes(file, Build(a, a, many, count, count));
    const Result r = OpenProject(project, file);
    EXPECT_EQ(r.message, "error!") << count;
    EXPECT_EQ(r.kind, ErrorKind::InvalidInput) << count;
    EXPECT_TRUE(Snapshot(project) == before) << count;
  }
  // A path field without its terminating zero.
  auto bytes = Build(a, a, {{0, 0, 0, 0}}, 0, 0);
  std::memset(bytes.data(), 'x', 256);
  WriteFileBytes(file, bytes);
  EXPECT_EQ(OpenProject(project, file).message, "error!");
  // Stored paths without an extension.
  WriteFileBytes(file, Build(dir.File("noext"), a, {{0, 0, 0, 0}}, 0, 0));
  EXPECT_EQ(OpenProject(project, file).message, "error!");
  WriteFileBytes(file, Build(a, dir.File("noext"), {{0, 0, 0, 0}}, 0, 0));
  EXPECT_EQ(OpenProject(project, file).message, "error!");
  EXPECT_TRUE(Snapshot(project) == before);
}

TEST_F(ProjectFile, PairsWithoutTriangulationAreRefused) {
  const std::string a = Picture("a.bmp", 100, 100);
  ASSERT_TRUE(project.LoadImage1(a).ok());
  const Snapshot before(project);
  const std::string file = dir.File("p.fmph");
  // Only the four corners: all on one circle.
  WriteFileBytes(file, Build(a, a, {{0, 0, 0, 0}, {0, 100, 0, 100}, {100, 0, 100, 0}, {100, 100, 100, 100}}, 3, 3));
  testing::internal::CaptureStdout();
  EXPECT_EQ(OpenProject(project, file).message, "error!");
  EXPECT_NE(testing::internal::GetCapturedStdout().find("coplanar"), std::string::npos);
  EXPECT_TRUE(Snapshot(project) == before);
}

TEST_F(ProjectFile, RepeatedImageOnePointsKeepTheFirstOfEach) {
  const std::string a = Picture("a.bmp", 100, 100);
  const std::string file = dir.File("p.fmph");
  WriteFileBytes(file, Build(a, a,
                             {{0, 0, 0, 0}, {0, 100, 0, 100}, {100, 0, 100, 0}, {100, 100, 100, 100},
                              {50, 50, 50, 50}, {20, 30, 21, 31}, {20, 30, 60, 60}, {70, 20, 71, 21}},
                             7, 7));
  ASSERT_TRUE(OpenProject(project, file).ok());
  EXPECT_EQ(project.m_mesh.m_nPoints, 7);
  EXPECT_TRUE(project.m_mesh.IsConsistent());
  EXPECT_EQ(project.m_mesh.Point2(5).x, 21);
  EXPECT_EQ(project.m_mesh.Point1(6).x, 70);
}

TEST_F(ProjectFile, MissingAndUndecodablePicturesLeaveTheProject) {
  const std::string a = Picture("a.bmp", 100, 100);
  ASSERT_TRUE(project.LoadImage1(a).ok());
  ASSERT_TRUE(project.LoadImage2(a).ok());
  const Snapshot before(project);
  const std::vector<std::array<int32_t, 4>> frame = {
      {0, 0, 0, 0}, {0, 100, 0, 100}, {100, 0, 100, 0}, {100, 100, 100, 100}, {50, 50, 50, 50}};
  const std::string file = dir.File("p.fmph");
  const std::string missing = dir.File("gone.png");
  WriteFileBytes(file, Build(missing, a, frame, 4, 4));
  const Result gone = OpenProject(project, file);
  EXPECT_EQ(gone.message, "open image [" + missing + "] error");
  EXPECT_EQ(gone.kind, ErrorKind::Io);
  WriteFileBytes(file, Build(a, missing, frame, 4, 4));
  EXPECT_EQ(OpenProject(project, file).message, "open image [" + missing + "] error");
  const std::string broken = dir.File("broken.bmp");
  WriteFileBytes(broken, {'B', 'M', 0, 0});
  WriteFileBytes(file, Build(a, broken, frame, 4, 4));
  const auto r = OpenProject(project, file);
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(r.message.empty());
  const Result nothing = OpenProject(project, dir.File("nothing.fmph"));
  EXPECT_EQ(nothing.message, "open project error!");
  EXPECT_EQ(nothing.kind, ErrorKind::Io);
  EXPECT_TRUE(Snapshot(project) == before);
}

TEST_F(ProjectFile, MovedProjectFindsItsPicturesBesideTheFile) {
  const std::string a = Picture("a.bmp", 100, 100);
  const std::string b = Picture("b.bmp", 100, 100);
  const std::vector<std::array<int32_t, 4>> frame = {
      {0, 0, 0, 0}, {0, 100, 0, 100}, {100, 0, 100, 0}, {100, 100, 100, 100}, {50, 50, 50, 50}};
  const std::string file = dir.File("p.fmph");
  // A folder of another computer: only the file names beside the project match.
  WriteFileBytes(file, Build("/nowhere/else/a.bmp", "C:\\pics\\b.bmp", frame, 4, 4));
  ASSERT_TRUE(OpenProject(project, file).ok());
  EXPECT_EQ(project.m_szImagePath1, a);
  EXPECT_EQ(project.m_szImagePath2, b);
  // A relative path is taken from the project's folder, whatever the current folder is.
  ASSERT_EQ(::mkdir(dir.File("pics").c_str(), 0700), 0);
  const std::string c = Picture("pics/c.bmp", 100, 100);
  WriteFileBytes(file, Build("pics/c.bmp", "b.bmp", frame, 4, 4));
  ASSERT_TRUE(OpenProject(project, file).ok());
  EXPECT_EQ(project.m_szImagePath1, c);
  // Nothing matching anywhere: the message names the stored path.
  WriteFileBytes(file, Build("/nowhere/else/z.bmp", "b.bmp", frame, 4, 4));
  EXPECT_EQ(OpenProject(project, file).message, "open image [/nowhere/else/z.bmp] error");
}

TEST_F(ProjectFile, SaveRefusesLongPathsAndReportsUnwritableFiles) {
  ASSERT_TRUE(project.LoadImage1(Picture("a.bmp", 50, 50)).ok());
  const std::string file = dir.File("p.fmph");
  const Result unwritable = SaveProject(project, dir.File("no/such/folder/p.fmph"));
  EXPECT_EQ(unwritable.message, ProjectFileText::kSaveProjectError);
  EXPECT_EQ(unwritable.kind, ErrorKind::Io);
  project.m_szImagePath2 = std::string(256, 'x');
  EXPECT_EQ(SaveProject(project, file).message, ProjectFileText::kSavePathTooLong);
  struct stat st;
  EXPECT_NE(::stat(file.c_str(), &st), 0) << "nothing written";
  project.m_szImagePath2 = std::string(255, 'x');
  ASSERT_TRUE(SaveProject(project, file).ok());
  const auto bytes = ReadFileBytes(file);
  EXPECT_EQ(bytes[260 + 254], 'x');
  EXPECT_EQ(bytes[260 + 255], 0);
}

TEST_F(ProjectFile, SamplesFindTheirPicturesByFileName) {
  const std::string samples = dir.File("samples");
  ASSERT_EQ(::mkdir(samples.c_str(), 0755), 0);
  ASSERT_TRUE(MakePatternPicture(120, 80).Save(samples + "/girl.bmp", PICTURE_BMP));
  ASSERT_TRUE(MakePatternPicture(120, 80, 3).Save(samples + "/boy.bmp", PICTURE_BMP));
  const std::vector<std::array<int32_t, 4>> frame = {
      {0, 0, 0, 0}, {0, 80, 0, 80}, {120, 0, 120, 0}, {120, 80, 120, 80}, {60, 40, 60, 40}, {30, 30, 35, 33}};
  WriteFileBytes(samples + "/girl.fmph",
                 Build("C:\\Documents and Settings\\someone\\My Pictures\\girl.bmp", "D:\\pics\\girl.bmp", frame, 5, 5));
  WriteFileBytes(samples + "/griltoboy.fmph", Build("/home/other/girl.bmp", "/home/other/boy.bmp", frame, 5, 5));

  ASSERT_TRUE(project.ChooseMorphType(3));
  auto r = OpenShippedSample(project, kSampleProjects[5], samples);  // girl.fmph, a warp
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(project.m_szImagePath1, samples + "/girl.bmp");
  EXPECT_EQ(project.m_szImagePath2, samples + "/girl.bmp");
  EXPECT_EQ(project.m_nMorphType, 2);
  EXPECT_EQ(project.m_mesh.m_nPoints, 6);

  r = OpenShippedSample(project, kSampleProjects[4], samples);  // griltoboy.fmph
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(project.m_szImagePath2, samples + "/boy.bmp");
  EXPECT_EQ(project.m_nMorphType, 2) << "other samples keep the type";

  EXPECT_EQ(OpenShippedSample(project, kSampleProjects[0], samples).message, "open project error!");
}

TEST(ProjectFolder, SamplesLieBesideTheExecutable) {
  const std::string folder = ExecutableFolder();
  EXPECT_EQ(folder, BinDir());
  EXPECT_EQ(DefaultSamplesDir(), BinDir() + "/samples");
}

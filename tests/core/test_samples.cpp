// The seven sample projects as shipped beside the executable: each opens from the samples
// folder, its key points give a triangulation that covers both pictures without any
// triangle folding over, and every picture it uses has its source recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/ProjectFile.h"
#include "base/PathParts.h"
#include "support/TestSupport.h"

namespace {

std::string SamplesDir() { return BinDir() + "/samples"; }

std::string FileNameOf(const std::string& path) { return SplitPath(path, kAnySystemPathSeparators).fileName; }

double SignedArea(double ax, double ay, double bx, double by, double cx, double cy) {
  return 0.5 * ((bx - ax) * (cy - ay) - (cx - ax) * (by - ay));
}

}  // namespace

// Readable test parameters: the sample's file name.
void PrintTo(const SampleProject& sample, std::ostream* os) { *os << sample.szFileName; }

namespace {

class SampleProjectTest : public ::testing::TestWithParam<SampleProject> {};

TEST_P(SampleProjectTest, OpensFromTheSamplesFolderWithItsMorphType) {
  const SampleProject& sample = GetParam();
  MorphProject project;
  const Result result = OpenShippedSample(project, sample, SamplesDir());
  ASSERT_TRUE(result.ok()) << sample.szFileName << ": " << result.message;
  ASSERT_TRUE(project.IsReady());
  EXPECT_EQ(project.m_nMorphType, sample.bWarp ? 2 : 1);

  // The picture paths are rebuilt inside the samples folder.
  for (int slot = 1; slot <= 2; ++slot) {
    EXPECT_EQ(project.GetImagePath(slot).rfind(SamplesDir() + "/", 0), 0u) << project.GetImagePath(slot);
    const CPicture* picture = project.GetImage(slot);
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->IsValid());
    // Small enough to ship and to preview at once.
    EXPECT_LE(std::max(picture->GetWidth(), picture->GetHeight()), 800);
    EXPECT_GE(std::min(picture->GetWidth(), picture->GetHeight()), 200);
  }
  if (sample.bWarp) {
    EXPECT_EQ(FileNameOf(project.m_szImagePath1), FileNameOf(project.m_szImagePath2));
  } else {
    EXPECT_NE(FileNameOf(project.m_szImagePath1), FileNameOf(project.m_szImagePath2));
  }
  // Hand-placed features on top of the five frame points.
  EXPECT_GE(project.m_mesh.GetPointCount(), 5 + 20) << sample.szFileName;
  EXPECT_LE(project.m_mesh.GetPointCount(), 128);
}

TEST_P(SampleProjectTest, TrianglesTileBothPicturesWithoutFolding) {
  const SampleProject& sample = GetParam();
  MorphProject project;
  ASSERT_TRUE(OpenShippedSample(project, sample, SamplesDir()).ok());
  const MorphTriangles triangles = project.m_mesh.GetMorphTriangles();
  ASSERT_FALSE(triangles.empty());

  const double w1 = project.m_pImage1->GetWidth(), h1 = project.m_pImage1->GetHeight();
  const double w2 = project.m_pImage2->GetWidth(), h2 = project.m_pImage2->GetHeight();
  double area1 = 0, area2 = 0;
  int folded = 0;
  for (const MorphTriangle& t : triangles) {
    const double a1 = SignedArea(t[0].x1, t[0].y1, t[1].x1, t[1].y1, t[2].x1, t[2].y1);
    const double a2 = SignedArea(t[0].x2, t[0].y2, t[1].x2, t[1].y2, t[2].x2, t[2].y2);
    area1 += std::fabs(a1);
    area2 += std::fabs(a2);
    // A triangle whose corners run the other way round on image2 turns inside out
    // during the morph and shows as a torn sliver.
    if (a1 * a2 <= 0) {
      ++folded;
      ADD_FAILURE() << sample.szFileName << ": triangle " << t[0].vnum << "," << t[1].vnum << ","
                    << t[2].vnum << " folds over (areas " << a1 << ", " << a2 << ")";
    }
    for (const MorphVertex& v : t) {
      EXPECT_TRUE(v.x1 >= 0 && v.x1 <= w1 && v.y1 >= 0 && v.y1 <= h1) << sample.szFileName;
      EXPECT_TRUE(v.x2 >= 0 && v.x2 <= w2 && v.y2 >= 0 && v.y2 <= h2) << sample.szFileName;
    }
  }
  EXPECT_EQ(folded, 0);
  // Without folds or gaps the triangles cover each picture exactly once.
  EXPECT_NEAR(area1, w1 * h1, 1.0) << sample.szFileName;
  EXPECT_NEAR(area2, w2 * h2, 1.0) << sample.szFileName;
}

TEST_P(SampleProjectTest, EveryPictureHasItsSourceRecorded) {
  const SampleProject& sample = GetParam();
  MorphProject project;
  ASSERT_TRUE(OpenShippedSample(project, sample, SamplesDir()).ok());
  std::ifstream in(SamplesDir() + "/LICENSES.md");
  ASSERT_TRUE(in.good());
  std::stringstream text;
  text << in.rdbuf();
  for (int slot = 1; slot <= 2; ++slot) {
    const std::string name = FileNameOf(project.GetImagePath(slot));
    EXPECT_NE(text.str().find("`" + name + "`"), std::string::npos) << name << " has no licence entry";
  }
}

INSTANTIATE_TEST_SUITE_P(AllSamples, SampleProjectTest, ::testing::ValuesIn(kSampleProjects),
                         [](const ::testing::TestParamInfo<SampleProject>& info) {
                           std::string name = info.param.szFileName;
                           return name.substr(0, name.find('.'));
                         });

TEST(SampleProjects, EveryShippedPictureBelongsToASample) {
  // A picture in the folder that no sample uses would ship without a reason (or a licence).
  std::set<std::string> used;
  for (const SampleProject& sample : kSampleProjects) {
    MorphProject project;
    ASSERT_TRUE(OpenShippedSample(project, sample, SamplesDir()).ok());
    used.insert(FileNameOf(project.m_szImagePath1));
    used.insert(FileNameOf(project.m_szImagePath2));
  }
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SamplesDir())) {
    const std::string name = entry.path().filename().string();
    const std::string ext = PathExtension(name);
    if (ext == "fmph" || ext == "md") continue;
    ++pictures;
    EXPECT_EQ(used.count(name), 1u) << name << " is not used by any sample";
  }
  EXPECT_EQ(pictures, static_cast<int>(used.size()));
}

// The help pages beside the executable: an index, and no link or stylesheet that leads nowhere.
TEST(HelpPages, EveryLocalLinkResolves) {
  const std::filesystem::path help = BinDir() + "/help";
  ASSERT_TRUE(std::filesystem::exists(help / "index.html"));
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(help)) {
    if (entry.path().extension() != ".html") continue;
    ++pages;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string page = text.str();
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << entry.path();
    for (const std::string attr : {"href=\"", "src=\""}) {
      for (size_t at = page.find(attr); at != std::string::npos; at = page.find(attr, at + 1)) {
        const size_t begin = at + attr.size();
        std::string target = page.substr(begin, page.find('"', begin) - begin);
        if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
        target = target.substr(0, target.find('#'));
        if (target.empty()) continue;
        EXPECT_TRUE(std::filesystem::exists(help / target)) << entry.path().filename() << " -> " << target;
      }
    }
  }
  EXPECT_GE(pages, 5);
}

}  // namespace

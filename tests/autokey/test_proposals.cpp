// The automatic key-point engine on generated pictures with a known correspondence and on the
// drawn sample faces: where the pairs land, that the mesh stays free of folds, that pairs
// placed by hand and the 128-pair limit are respected, and the clean refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "autokey/ApplyProposals.h"
#include "autokey/FoldRemover.h"
#include "autokey/ProposalEngine.h"
#include "core/MorphProject.h"
#include "core/ProjectFile.h"
#include "support/SyntheticScenes.h"
#include "support/TestSupport.h"

namespace {

using autokey::KeyPair;
using autokey::ProposalOptions;
using autokey::ProposalResult;
using autokey::ProposalSource;
using autokey::ProposalStatus;

// Folded triangles of the project as stored: orientation of each triangle's whole-pixel
// points on image1 against image2, computed here without the engine's own code.
std::vector<std::array<int, 3>> FoldedTriangles(const CKeyPointMesh& mesh) {
  std::vector<std::array<int, 3>> folded;
  for (const auto& t : mesh.TriangleList()) {
    auto orient = [&](const MeshPoint& a, const MeshPoint& b, const MeshPoint& c) {
      return double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x);
    };
    const double o1 = orient(mesh.Point1(t[0]), mesh.Point1(t[1]), mesh.Point1(t[2]));
    const double o2 = orient(mesh.Point2(t[0]), mesh.Point2(t[1]), mesh.Point2(t[2]));
    if (o1 * o2 <= 0) folded.push_back(t);
  }
  return folded;
}

bool HasMessage(const ProposalResult& r, const std::string& part) {
  return std::any_of(r.messages.begin(), r.messages.end(),
                     [&](const std::string& m) { return m.find(part) != std::string::npos; });
}

std::string Messages(const ProposalResult& r) {
  std::string all;
  for (const std::string& m : r.messages) all += m + "\n";
  return all;
}

class AutoKeyProject : public testing::Test {
 protected:
  void Load(const CPicture& a, const CPicture& b) {
    ASSERT_TRUE(a.Save(dir.File("a.bmp"), PICTURE_BMP));
    ASSERT_TRUE(b.Save(dir.File("b.bmp"), PICTURE_BMP));
    LoadFiles(dir.File("a.bmp"), dir.File("b.bmp"));
  }
  void LoadFiles(const std::string& a, const std::string& b) {
    ASSERT_TRUE(project.LoadImage1(a).ok());
    ASSERT_TRUE(project.LoadImage2(b).ok());
  }
  ProposalResult Propose(ProposalOptions options = {}) {
    return autokey::ProposeKeyPairs(autokey::SnapshotPicture(*project.GetImage(1)),
                                    autokey::SnapshotPicture(*project.GetImage(2)),
                                    autokey::PairsFromMesh(project.m_mesh), options);
  }
  // Every pair lies inside both pictures, as whole pixels.
  void ExpectInside(const ProposalResult& r) {
    for (const KeyPair& p : r.pairs) {
      EXPECT_TRUE(p.x1 >= 0 && p.y1 >= 0 && p.x1 <= r.width1 && p.y1 <= r.height1) << p.x1 << "," << p.y1;
      EXPECT_TRUE(p.x2 >= 0 && p.y2 >= 0 && p.x2 <= r.width2 && p.y2 <= r.height2) << p.x2 << "," << p.y2;
    }
  }
  void AddHandPair(int x1, int y1, double x2, double y2) {
    int vnum = -1;
    ASSERT_TRUE(project.AddPairAt(1, x1, y1, &vnum).ok()) << x1 << "," << y1;
    ASSERT_TRUE(project.MovePoint(2, vnum, x2, y2).ok());
  }
  TempDir dir;
  MorphProject project;
};

std::string Sample(const std::string& name) { return SourceDir() + "/resources/samples/" + name; }

ProposalOptions Source(ProposalSource s) {
  ProposalOptions o;
  o.source = s;
  return o;
}

// ------------------------------------------------------------ local features

// A scene and its copy rotated, scaled and shifted onto a picture of another size.
class FeatureProposals : public AutoKeyProject {
 protected:
  void SetUp() override {
    map = AffineMap::Similarity(4, 1.08, 320, 240, 25, -15);
    Load(MakeTexturedScene(640, 480, 3), WarpPicture(MakeTexturedScene(640, 480, 3), map, 700, 520));
  }
  AffineMap map;
};

TEST_F(FeatureProposals, PairsFollowTheKnownMapAndApplyWithoutFolds) {
  const ProposalResult r = Propose(Source(ProposalSource::Features));
  ASSERT_EQ(r.status, ProposalStatus::Placed) << Messages(r);
  EXPECT_EQ(r.usedSource, ProposalSource::Features);
  EXPECT_GE(r.kept, 20);
  EXPECT_LE(r.kept, 60);
  EXPECT_GE(r.inliers, 20);
  ExpectInside(r);
  for (const KeyPair& p : r.pairs) {
    double x = 0, y = 0;
    map.Apply(p.x1, p.y1, x, y);
    // Whole pixels on both sides: up to about 1.5 px from truncation alone.
    EXPECT_LT(std::hypot(x - p.x2, y - p.y2), 3.0) << p.x1 << "," << p.y1 << " -> " << p.x2 << "," << p.y2;
  }

  const int before = project.m_mesh.GetPointCount();
  const autokey::ApplyReport applied = autokey::ApplyProposals(project, r);
  ASSERT_TRUE(applied.ok()) << applied.message;
  EXPECT_EQ(applied.added, project.m_mesh.GetPointCount() - before);
  EXPECT_GE(applied.added, 20);
  EXPECT_TRUE(project.m_mesh.IsConsistent());
  EXPECT_TRUE(FoldedTriangles(project.m_mesh).empty());
  // The centre pair follows the subject instead of staying at image2's centre.
  double cx = 0, cy = 0;
  map.Apply(320, 240, cx, cy);
  EXPECT_LT(std::hypot(project.m_mesh.Point2(4).x - cx, project.m_mesh.Point2(4).y - cy), 4.0);

  // Opening the saved project rebuilds the triangulation in full: still no fold.
  ASSERT_TRUE(SaveProject(project, dir.File("p.fmph")).ok());
  MorphProject reopened;
  ASSERT_TRUE(OpenProject(reopened, dir.File("p.fmph")).ok());
  EXPECT_EQ(reopened.m_mesh.GetPointCount(), project.m_mesh.GetPointCount());
  EXPECT_TRUE(FoldedTriangles(reopened.m_mesh).empty());
}

TEST_F(FeatureProposals, HandPairsAndThe128LimitAreKept) {
  // 115 hand pairs on a grid, placed where the map takes them: 120 pairs with the frame.
  for (int i = 0; i < 115; ++i) {
    const int x = 30 + (i % 12) * 50 + (i / 12) % 2 * 7, y = 25 + (i / 12) * 46;
    double x2 = 0, y2 = 0;
    map.Apply(x, y, x2, y2);
    AddHandPair(x, y, x2, y2);
  }
  ASSERT_EQ(project.m_mesh.GetPointCount(), 120);
  const std::vector<KeyPair> hand = autokey::PairsFromMesh(project.m_mesh);

  const ProposalResult r = Propose(Source(ProposalSource::Features));
  ASSERT_EQ(r.status, ProposalStatus::Placed) << Messages(r);
  EXPECT_LE(r.kept, 8);
  ASSERT_TRUE(autokey::ApplyProposals(project, r).ok());
  EXPECT_LE(project.m_mesh.GetPointCount(), kMaxKeyPoints);
  const std::vector<KeyPair> after = autokey::PairsFromMesh(project.m_mesh);
  ASSERT_GE(after.size(), hand.size());
  for (size_t i = 0; i < hand.size(); ++i) {
    if (i == 4) continue;  // the centre pair's image2 side may follow the subject
    EXPECT_EQ(after[i].x1, hand[i].x1) << i;
    EXPECT_EQ(after[i].y1, hand[i].y1) << i;
    EXPECT_EQ(after[i].x2, hand[i].x2) << i;
    EXPECT_EQ(after[i].y2, hand[i].y2) << i;
  }

  // A full project gets nothing, with a clear reason.
  while (project.m_mesh.GetPointCount() < kMaxKeyPoints)
    AddHandPair(5 + project.m_mesh.GetPointCount(), 470, 40 + project.m_mesh.GetPointCount(), 480);
  const ProposalResult full = Propose(Source(ProposalSource::Features));
  EXPECT_EQ(full.status, ProposalStatus::NoRoom);
  EXPECT_TRUE(full.pairs.empty());
}

TEST_F(FeatureProposals, MaxPairsCapsTheProposal) {
  ProposalOptions o = Source(ProposalSource::Features);
  o.maxPairs = 10;
  const ProposalResult r = Propose(o);
  ASSERT_EQ(r.status, ProposalStatus::Placed) << Messages(r);
  EXPECT_GT(r.kept, 0);
  EXPECT_LE(r.kept, 10);
}

TEST_F(FeatureProposals, AFoldingHandPairStaysAndNoProposalJoinsItsFold) {
  // Image1 left of image2 on image1, right of it on image2: a deliberate fold.
  AddHandPair(200, 200, 420, 190);
  AddHandPair(300, 205, 260, 200);
  const int firstAdded = project.m_mesh.GetPointCount();
  ASSERT_FALSE(FoldedTriangles(project.m_mesh).empty());

  const ProposalResult r = Propose(Source(ProposalSource::Features));
  ASSERT_EQ(r.status, ProposalStatus::Placed) << Messages(r);
  EXPECT_GT(r.foldsLeft, 0);
  ASSERT_TRUE(autokey::ApplyProposals(project, r).ok());
  EXPECT_EQ(project.m_mesh.Point1(5).x, 200);
  EXPECT_EQ(project.m_mesh.Point2(5).x, 420);
  for (const auto& t : FoldedTriangles(project.m_mesh))
    for (int v : t) EXPECT_LT(v, firstAdded) << "proposed pair " << v << " on a folded triangle";
}

TEST_F(AutoKeyProject, PicturesWithoutCommonFeaturesAreTooDifferent) {
  Load(MakeTexturedScene(500, 400, 1), MakeLandscape(600, 400));
  const ProposalResult r = Propose(Source(ProposalSource::Features));
  EXPECT_EQ(r.status, ProposalStatus::TooDifferent);
  EXPECT_TRUE(r.pairs.empty());
  EXPECT_TRUE(HasMessage(r, "too different")) << Messages(r);

  // Flat pictures hold no features at all.
  MorphProject flat;
  ASSERT_TRUE(MakeSolidPicture(300, 200, 90, 90, 90).Save(dir.File("s1.bmp"), PICTURE_BMP));
  ASSERT_TRUE(MakeSolidPicture(200, 300, 10, 200, 10).Save(dir.File("s2.bmp"), PICTURE_BMP));
  ASSERT_TRUE(flat.LoadImage1(dir.File("s1.bmp")).ok());
  ASSERT_TRUE(flat.LoadImage2(dir.File("s2.bmp")).ok());
  const ProposalResult none = autokey::ProposeKeyPairs(autokey::SnapshotPicture(*flat.GetImage(1)),
                                                       autokey::SnapshotPicture(*flat.GetImage(2)),
                                                       autokey::PairsFromMesh(flat.m_mesh), {});
  EXPECT_EQ(none.status, ProposalStatus::TooDifferent) << Messages(none);
  EXPECT_TRUE(HasMessage(none, "No face found in either picture.")) << Messages(none);
}

TEST(AutoKeyInput, MissingPicturesOrFramePairsAreRefused) {
  autokey::PictureSnapshot empty, small;
  small.width = 4;
  small.height = 4;
  small.bgr.assign(48, 0);
  const std::vector<KeyPair> frame = {{0, 0, 0, 0}, {0, 4, 0, 4}, {4, 0, 4, 0}, {4, 4, 4, 4}, {2, 2, 2, 2}};
  EXPECT_EQ(autokey::ProposeKeyPairs(empty, small, frame).status, ProposalStatus::InvalidInput);
  EXPECT_EQ(autokey::ProposeKeyPairs(small, small, {}).status, ProposalStatus::InvalidInput);
}

// ------------------------------------------------------------ faces

TEST_F(AutoKeyProject, TwoDrawnFacesPairTheirLandmarks) {
  LoadFiles(Sample("girl.png"), Sample("boy.png"));
  const ProposalResult r = Propose();
  ASSERT_EQ(r.status, ProposalStatus::Placed) << Messages(r);
  EXPECT_EQ(r.usedSource, ProposalSource::Faces);
  EXPECT_EQ(r.faces1.size(), 1u);
  EXPECT_EQ(r.faces2.size(), 1u);
  EXPECT_GE(r.kept, 55) << Messages(r);
  ExpectInside(r);
  ASSERT_TRUE(autokey::ApplyProposals(project, r).ok());
  EXPECT_TRUE(FoldedTriangles(project.m_mesh).empty());
}

TEST_F(AutoKeyProject, LandmarksFollowAFaceMovedOnALargerPicture) {
  const CPicture girl(Sample("girl.png"), PICTURE_PNG);
  ASSERT_TRUE(girl.IsValid());
  Load(girl, PasteOnCanvas(girl, 600, 700, 70, 45));
  const ProposalResult r = Propose(Source(ProposalSource::Faces));
  ASSERT_EQ(r.status, ProposalStatus::Placed) << Messages(r);
  ASSERT_GE(r.kept, 55);
  std::vector<double> error;
  for (const KeyPair& p : r.pairs) error.push_back(std::hypot(p.x2 - p.x1 - 70, p.y2 - p.y1 - 45));
  std::sort(error.begin(), error.end());
  EXPECT_LT(error[error.size() / 2], 3.0);
  EXPECT_LT(error.back(), 10.0);
}

TEST_F(AutoKeyProject, AFaceAndALandscapeGiveNoPairsAndSayWhy) {
  const CPicture girl(Sample("girl.png"), PICTURE_PNG);
  Load(girl, MakeLandscape(640, 480));
  const ProposalResult faces = Propose(Source(ProposalSource::Faces));
  EXPECT_EQ(faces.status, ProposalStatus::NoFace);
  EXPECT_EQ(faces.faces1.size(), 1u);
  EXPECT_TRUE(faces.faces2.empty());
  EXPECT_TRUE(HasMessage(faces, "No face found in image2.")) << Messages(faces);
  EXPECT_TRUE(faces.pairs.empty());

  // Faces first, then features: neither is there.
  const ProposalResult any = Propose();
  EXPECT_EQ(any.status, ProposalStatus::TooDifferent) << Messages(any);
  EXPECT_TRUE(HasMessage(any, "No face found in image2."));
  EXPECT_TRUE(any.pairs.empty());
}

TEST_F(FeatureProposals, AMissingModelFallsBackToFeaturesOrSaysSo) {
  ProposalOptions o = Source(ProposalSource::Faces);
  o.modelPath = dir.File("no-such-model.dat");
  const ProposalResult faces = Propose(o);
  EXPECT_EQ(faces.status, ProposalStatus::ModelMissing);
  EXPECT_TRUE(HasMessage(faces, "libdlib-data")) << Messages(faces);
  EXPECT_TRUE(faces.pairs.empty());

  o.source = ProposalSource::Auto;
  const ProposalResult any = Propose(o);
  EXPECT_EQ(any.status, ProposalStatus::Placed) << Messages(any);
  EXPECT_EQ(any.usedSource, ProposalSource::Features);

  // A damaged file is refused the same way.
  WriteFileBytes(dir.File("damaged.dat"), std::vector<uint8_t>(1000, 7));
  o.source = ProposalSource::Faces;
  o.modelPath = dir.File("damaged.dat");
  EXPECT_EQ(Propose(o).status, ProposalStatus::ModelMissing);

  // So is a folder given as the model, with the reason rather than "damaged".
  o.modelPath = dir.Path();
  const ProposalResult folder = Propose(o);
  EXPECT_EQ(folder.status, ProposalStatus::ModelMissing);
  EXPECT_TRUE(HasMessage(folder, "folder")) << Messages(folder);
}

// ------------------------------------------------------------ folds

TEST(FoldRemoval, DropsTheOneCrossedProposalAndKeepsTheRest) {
  // Frame pairs of 400 x 300 and a 5 x 4 grid shifted by (12, 8); one proposal crosses over.
  std::vector<KeyPair> pairs = {{0, 0, 0, 0}, {0, 300, 0, 300}, {400, 0, 400, 0}, {400, 300, 400, 300}, {200, 150, 212, 158}};
  for (int gy = 0; gy < 4; ++gy)
    for (int gx = 0; gx < 5; ++gx) {
      const double x = 50 + gx * 70 + (gy % 2) * 9, y = 45 + gy * 65;
      pairs.push_back({x, y, x + 12, y + 8});
    }
  const KeyPair crossed = {155, 120, 330, 230};
  pairs.push_back(crossed);
  std::vector<autokey::PairTriangle> triangles;
  ASSERT_TRUE(autokey::TriangulatePairs(pairs, triangles));
  ASSERT_GT(autokey::CountFolds(pairs, triangles), 0);

  const size_t before = pairs.size();
  const autokey::FoldOutcome out = autokey::RemoveFolds(pairs, 5);
  EXPECT_EQ(out.dropped, 1);
  EXPECT_EQ(out.foldsLeft, 0);
  ASSERT_EQ(pairs.size(), before - 1);
  EXPECT_TRUE(std::none_of(pairs.begin(), pairs.end(), [&](const KeyPair& p) { return p.x1 == crossed.x1 && p.y1 == crossed.y1; }));
}

}  // namespace

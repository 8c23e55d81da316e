#include "autokey/ApplyProposals.h"

#include "autokey/FoldRemover.h"
#include "core/MorphProject.h"

namespace autokey {

namespace {

std::vector<PairTriangle> ProjectTriangles(const MorphProject& project) {
  std::vector<PairTriangle> out;
  for (const auto& t : project.m_mesh.TriangleList()) out.push_back({t[0], t[1], t[2]});
  return out;
}

// An added pair on a folded triangle of the live triangulation, or -1.
int FoldedAddedPair(const MorphProject& project, int firstAdded) {
  const std::vector<KeyPair> pairs = PairsFromMesh(project.m_mesh);
  if (pairs.empty()) return -1;
  int worst = -1;
  for (const PairTriangle& t : ProjectTriangles(project)) {
    if (!IsFolded(pairs, t)) continue;
    for (int v : t)
      if (v >= firstAdded && v > worst) worst = v;
  }
  return worst;
}

}  // namespace

int CountProjectFolds(const MorphProject& project) {
  const std::vector<KeyPair> pairs = PairsFromMesh(project.m_mesh);
  if (pairs.empty()) return 0;
  return CountFolds(pairs, ProjectTriangles(project));
}

ApplyReport ApplyProposals(MorphProject& project, const ProposalResult& result) {
  ApplyReport report;
  const CPicture* p1 = project.GetImage(1);
  const CPicture* p2 = project.GetImage(2);
  if (!p1 || !p2 || p1->GetWidth() != result.width1 || p1->GetHeight() != result.height1 ||
      p2->GetWidth() != result.width2 || p2->GetHeight() != result.height2 ||
      project.m_mesh.GetPointCount() != result.existingPairs) {
    report.message = "The project changed while the key points were being found: nothing was added.";
    return report;
  }
  report.matched = true;
  if (!result.ok()) {
    report.message = result.messages.empty() ? std::string() : result.messages.back();
    return report;
  }
  const int firstAdded = project.m_mesh.GetPointCount();
  if (result.moveCentre) project.MovePoint(2, 4, result.centreX2, result.centreY2);
  for (const KeyPair& p : result.pairs) {
    int vnum = -1;
    Result r = project.AddPairAt(1, int(p.x1), int(p.y1), &vnum);
    if (r) r = project.MovePoint(2, vnum, p.x2, p.y2);
    if (!r) {
      if (vnum >= 0) project.DeletePair(vnum);
      ++report.refused;
      continue;
    }
    ++report.added;
  }
  // The live triangulation grows point by point; where that leaves a different (equally
  // Delaunay) choice among cocircular points than the full build the proposal was checked
  // on, drop the added pairs that fold. Deleting rebuilds in full, as opening does.
  for (int guard = 0; guard < kMaxKeyPoints; ++guard) {
    const int v = FoldedAddedPair(project, firstAdded);
    if (v < 0 || !project.DeletePair(v)) break;
    --report.added;
    ++report.droppedFolds;
  }
  report.message = std::to_string(report.added) + " key-point pairs placed.";
  if (report.refused > 0) report.message += " " + std::to_string(report.refused) + " refused by the project.";
  return report;
}

}  // namespace autokey

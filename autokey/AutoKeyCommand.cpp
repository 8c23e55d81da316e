#include "autokey/AutoKeyCommand.h"

#include "autokey/ApplyProposals.h"
#include "autokey/ProposalEngine.h"
#include "core/MorphProject.h"

namespace autokey {

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

AutoKeyJob PrepareAutoKey(const MorphProject& project, const ProposalOptions& options) {
  AutoKeyJob job;
  job.options = options;
  // Without both pictures the snapshots stay empty and the engine says what is missing.
  if (project.IsReady()) {
    job.image1 = SnapshotPicture(*project.GetImage(1));
    job.image2 = SnapshotPicture(*project.GetImage(2));
    job.existing = PairsFromMesh(project.m_mesh);
  }
  return job;
}

AutoKeyOutcome RunAutoKey(const AutoKeyJob& job) {
  AutoKeyOutcome outcome;
  outcome.proposals = ProposeKeyPairs(job.image1, job.image2, job.existing, job.options);
  outcome.message = Lines(outcome.proposals.messages);
  return outcome;
}

AutoKeyApplied FinishAutoKey(MorphProject& project, const AutoKeyOutcome& outcome) {
  AutoKeyApplied applied;
  if (!outcome.proposals.ok()) {
    applied.message = outcome.message;
    return applied;
  }
  const int before = project.m_mesh.GetPointCount();
  const ApplyReport report = ApplyProposals(project, outcome.proposals);
  if (!report.ok()) {
    applied.message = report.message;
    return applied;
  }
  applied.changed = report.added > 0 || outcome.proposals.moveCentre;
  applied.firstAdded = before;
  applied.added = report.added;
  // The engine's notes (several faces, counts), then what the project took.
  applied.message = outcome.message + "\n" + report.message;
  return applied;
}

}  // namespace autokey

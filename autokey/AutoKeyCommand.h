// The automatic key-point command without its window. The window calls PrepareAutoKey on
// its own thread (a snapshot of the pictures and pairs), RunAutoKey on a worker thread (the
// slow part), and FinishAutoKey back on its own thread, which adds the pairs (the window
// records that as one undo step) and gives the text to show. The command-line tool uses the
// same three steps.
#pragma once

#include <string>
#include <vector>

#include "autokey/AutoKeyTypes.h"

class MorphProject;

namespace autokey {

struct AutoKeyJob {
  PictureSnapshot image1, image2;
  std::vector<KeyPair> existing;
  ProposalOptions options;
};

// Copies what the engine needs; the project may change afterwards (FinishAutoKey notices).
AutoKeyJob PrepareAutoKey(const MorphProject& project, const ProposalOptions& options = {});

struct AutoKeyOutcome {
  ProposalResult proposals;  // the pairs to add
  std::string message;       // what the engine found, one sentence a line
};

// Thread-safe; touches no project.
AutoKeyOutcome RunAutoKey(const AutoKeyJob& job);

struct AutoKeyApplied {
  bool changed = false;  // pairs were added or the centre pair moved
  // The added pairs are key points firstAdded .. firstAdded + added - 1 (a window marks
  // them as proposals until the user touches them).
  int firstAdded = -1;
  int added = 0;
  std::string message;  // the text to show the user
};

AutoKeyApplied FinishAutoKey(MorphProject& project, const AutoKeyOutcome& outcome);

}  // namespace autokey

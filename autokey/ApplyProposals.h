// Puts a proposal into the project through the project's own operations, so the 128-pair
// limit and every refusal of a hand-placed pair apply as well.
#pragma once

#include <string>

#include "autokey/AutoKeyTypes.h"

class MorphProject;

namespace autokey {

struct ApplyReport {
  bool matched = false; // false: the project does not match the proposal (nothing changed)
  int added = 0;        // pairs added
  int refused = 0;      // pairs the project refused
  int droppedFolds = 0; // added pairs removed again because the live triangulation folded
  std::string message;  // what happened, for the user

  bool ok() const { return matched; }
};

// Adds the proposed pairs (and moves the centre pair's image2 side when proposed). The
// project must still have the pictures' sizes and the number of pairs the proposal was
// made for.
ApplyReport ApplyProposals(MorphProject& project, const ProposalResult& result);

// Number of folded triangles in the project's current triangulation.
int CountProjectFolds(const MorphProject& project);

}  // namespace autokey

// The automatic key-point options of the command-line tool (`new --auto`, `autopoints`,
// `chain --auto`) and the one way they place pairs on a project.
#pragma once

#include <string>

#include "core/KeyPointMesh.h"
#include "core/MorphProject.h"

namespace CLI {
class App;
}

struct CliAutoOptions {
  std::string mode;  // empty: not asked for
  int maxPairs = kMaxKeyPoints;
  int face1 = 0, face2 = 0;  // 1-based from the left; 0: the largest
};

// --auto (a flag with an optional =faces or =features when bModeOptional, else an option),
// --max-pairs, --face1, --face2.
void AddCliAutoOptions(CLI::App& cmd, CliAutoOptions& opt, bool bModeOptional);

// Proposes and applies pairs (mode "auto" when none is set). Ok when at least one pair was
// placed; otherwise the engine's report as the reason. pReport: what was found, dropped, kept.
Result PlaceCliAutoPairs(MorphProject& project, const CliAutoOptions& opt, std::string* pReport = nullptr);

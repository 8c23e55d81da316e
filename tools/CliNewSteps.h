// Steps other files add to `kestrelle-cli new`: their options on the command, and work on
// the built project before it is saved (a non-zero status stops the command; nothing is
// written).
#pragma once

#include <functional>
#include <vector>

class MorphProject;
namespace CLI {
class App;
}

struct CliNewStep {
  std::function<void(CLI::App& cmd)> addOptions;
  std::function<int(MorphProject& project)> beforeSave;
};

std::vector<CliNewStep>& CliNewSteps();

struct CliNewStepRegistrar {
  explicit CliNewStepRegistrar(CliNewStep step) { CliNewSteps().push_back(std::move(step)); }
};

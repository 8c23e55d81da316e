// Automatic key points from the command line: `new ... --auto[=faces|features] [--max-pairs N]`
// adds proposals before the new project is saved, and
// `autopoints PROJECT [--auto=...] [--max-pairs N] [-o OUT]` adds them to an existing project.
// Both report on stderr how many pairs were found, dropped and kept; when nothing reliable is
// found they exit non-zero and write nothing.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "autokey/AutoKeyCommand.h"
#include "base/FileChecks.h"
#include "core/MorphProject.h"
#include "core/ProjectFile.h"
#include "tools/CliAutoKey.h"
#include "tools/CliNewSteps.h"
#include "tools/CliRegistry.h"

void AddCliAutoOptions(CLI::App& cmd, CliAutoOptions& opt, bool bModeOptional) {
  if (bModeOptional) {
    cmd.add_flag("--auto{auto}", opt.mode,
                 "propose key-point pairs: faces first, else matching features (=faces or =features for one)")
        ->check(CLI::IsMember({"auto", "faces", "features"}));
  } else {
    cmd.add_option("--auto", opt.mode, "where the pairs come from: auto (faces first), faces or features")
        ->check(CLI::IsMember({"auto", "faces", "features"}));
  }
  cmd.add_option("--max-pairs", opt.maxPairs, "propose at most N pairs")->check(CLI::Range(1, 1000000));
  cmd.add_option("--face1", opt.face1, "face of image1 to use, counted from the left (default: the largest)")
      ->check(CLI::PositiveNumber);
  cmd.add_option("--face2", opt.face2, "face of image2 to use, counted from the left (default: the largest)")
      ->check(CLI::PositiveNumber);
}

Result PlaceCliAutoPairs(MorphProject& project, const CliAutoOptions& opt, std::string* pReport) {
  autokey::ProposalOptions options;
  options.source = opt.mode == "faces"      ? autokey::ProposalSource::Faces
                   : opt.mode == "features" ? autokey::ProposalSource::Features
                                            : autokey::ProposalSource::Auto;
  options.maxPairs = opt.maxPairs;
  options.face1 = opt.face1 - 1;
  options.face2 = opt.face2 - 1;
  const autokey::AutoKeyOutcome outcome = autokey::RunAutoKey(autokey::PrepareAutoKey(project, options));
  const autokey::AutoKeyApplied applied = autokey::FinishAutoKey(project, outcome);
  if (pReport) *pReport = applied.message;
  if (applied.added == 0) return Result::Fail("no key points were found: " + applied.message);
  return Result::Success();
}

namespace {

// Proposes and applies pairs; 0 when at least one pair was placed.
int AddAutoPairs(MorphProject& project, const CliAutoOptions& opt) {
  std::string report;
  const Result placed = PlaceCliAutoPairs(project, opt, &report);
  std::cerr << report << '\n';
  if (!placed) {
    std::cerr << "no key points were added; nothing was written\n";
    return 2;
  }
  return 0;
}

auto g_newOptions = std::make_shared<CliAutoOptions>();

const CliNewStepRegistrar kNewAutoStep(CliNewStep{
    [](CLI::App& cmd) { AddCliAutoOptions(cmd, *g_newOptions, true); },
    [](MorphProject& project) { return g_newOptions->mode.empty() ? 0 : AddAutoPairs(project, *g_newOptions); }});

struct AutoPointsOptions {
  std::string project, output;
  CliAutoOptions autoOptions;
};

int RunAutoPoints(const AutoPointsOptions& opt) {
  MorphProject project;
  Result r = OpenProject(project, opt.project);
  if (!r) {
    std::cerr << r.FullText() << '\n';
    return 1;
  }
  const std::string output = opt.output.empty() ? opt.project : opt.output;
  for (int slot : {1, 2}) {
    if (IsSameFile(output, project.GetImagePath(slot))) {
      std::cerr << output << " is one of the project's pictures; choose another project file name\n";
      return 1;
    }
  }
  CliAutoOptions autoOptions = opt.autoOptions;
  if (autoOptions.mode.empty()) autoOptions.mode = "auto";
  if (const int status = AddAutoPairs(project, autoOptions)) return status;
  r = SaveProject(project, output);
  if (!r) {
    std::cerr << r.FullText() << '\n';
    return 1;
  }
  return 0;
}

const CliCommandRegistrar kAutoPointsCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("autopoints", "Add automatically found key-point pairs to a project");
  auto opt = std::make_shared<AutoPointsOptions>();
  cmd->add_option("PROJECT", opt->project, "project file (.fmph)")->required();
  cmd->add_option("-o,--output", opt->output, "project file to write (default: PROJECT itself)");
  AddCliAutoOptions(*cmd, opt->autoOptions, false);
  cmd->callback([opt] { CliExitCode() = RunAutoPoints(*opt); });
});

}  // namespace

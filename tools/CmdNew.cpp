// `kestrelle-cli new IMAGE1 IMAGE2 -o PROJECT.fmph [--pair X1,Y1:X2,Y2]...`: builds a project the
// way the editor does (image1, then image2, then each pair added on pane 1 and its image2 side
// moved into place) and saves it. The same picture twice makes a warp project.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/MorphProject.h"
#include "core/ProjectFile.h"
#include "tools/CliNewSteps.h"
#include "tools/CliRegistry.h"

std::vector<CliNewStep>& CliNewSteps() {
  static std::vector<CliNewStep> steps;
  return steps;
}

namespace {

struct PairSpec {
  int x1 = 0, y1 = 0;
  double x2 = 0, y2 = 0;
};

bool ParseInt(const std::string& text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < -2147483647L || v > 2147483647L) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

// "X1,Y1:X2,Y2"
bool ParsePair(const std::string& text, PairSpec& pair) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string a = text.substr(0, colon), b = text.substr(colon + 1);
  const size_t ca = a.find(','), cb = b.find(',');
  if (ca == std::string::npos || cb == std::string::npos) return false;
  return ParseInt(a.substr(0, ca), pair.x1) && ParseInt(a.substr(ca + 1), pair.y1) &&
         ParseDouble(b.substr(0, cb), pair.x2) && ParseDouble(b.substr(cb + 1), pair.y2);
}

struct NewOptions {
  std::string image1, image2, output;
  std::vector<std::string> pairs;
};

int RunNew(const NewOptions& opt) {
  std::vector<PairSpec> pairs;
  for (const std::string& text : opt.pairs) {
    PairSpec p;
    if (!ParsePair(text, p)) {
      std::cerr << "invalid pair \"" << text << "\": expected X1,Y1:X2,Y2\n";
      return 1;
    }
    pairs.push_back(p);
  }

  MorphProject project;
  CommandResult r;
  if (opt.image1 == opt.image2) {
    r = project.LoadWarpImage(opt.image1);
  } else {
    r = project.LoadImage1(opt.image1);
    if (r) r = project.LoadImage2(opt.image2);
  }
  if (!r) {
    std::cerr << r.message << '\n';
    return 1;
  }
  for (const PairSpec& p : pairs) {
    int vnum = -1;
    r = project.AddPairAt(1, p.x1, p.y1, &vnum);
    if (r) r = project.MovePoint(2, vnum, p.x2, p.y2);
    if (!r) {
      std::cerr << r.message << '\n';
      return 1;
    }
  }
  for (const CliNewStep& step : CliNewSteps())
    if (const int status = step.beforeSave(project)) return status;
  r = SaveProject(project, opt.output);
  if (!r) {
    std::cerr << r.message << '\n';
    return 1;
  }
  return 0;
}

const CliCommandRegistrar kNewCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("new", "Create a project file from two pictures and key-point pairs");
  auto opt = std::make_shared<NewOptions>();
  cmd->add_option("IMAGE1", opt->image1, "start picture")->required();
  cmd->add_option("IMAGE2", opt->image2, "target picture (the same path makes a warp project)")->required();
  cmd->add_option("-o,--output", opt->output, "project file to write (.fmph)")->required();
  cmd->add_option("--pair", opt->pairs, "key-point pair X1,Y1:X2,Y2 (image1 and image2 pixels); repeatable")
      ->allow_extra_args(false);
  for (const CliNewStep& step : CliNewSteps()) step.addOptions(*cmd);
  cmd->callback([opt] { CliExitCode() = RunNew(*opt); });
});

}  // namespace

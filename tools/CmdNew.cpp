// `kestrelle-cli new IMAGE1 IMAGE2 -o PROJECT.fmph [--pair X1,Y1:X2,Y2]...`: builds a project the
// way the editor does (image1, then image2, then each pair added on pane 1 and its image2 side
// moved into place) and saves it. The same picture twice makes a warp project.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/FileChecks.h"
#include "core/MorphProject.h"
#include "core/ProjectFile.h"
#include "tools/CliNewSteps.h"
#include "tools/CliRegistry.h"

std::vector<CliNewStep>& CliNewSteps() {
  static std::vector<CliNewStep> steps;
  return steps;
}

namespace {

// Decimal coordinates, as a drag produces and other tools print them.
struct PairSpec {
  double x1 = 0, y1 = 0;
  double x2 = 0, y2 = 0;
};

// A finite decimal number (strtod alone would also take "nan", "inf" and hex).
bool ParseDouble(const std::string& text, double& out) {
  if (text.empty() || text.find_first_not_of("+-0123456789.eE") != std::string::npos) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(out) && std::fabs(out) < 2147483647.0;
}

// "X1,Y1:X2,Y2"
bool ParsePair(const std::string& text, PairSpec& pair) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string a = text.substr(0, colon), b = text.substr(colon + 1);
  const size_t ca = a.find(','), cb = b.find(',');
  if (ca == std::string::npos || cb == std::string::npos) return false;
  return ParseDouble(a.substr(0, ca), pair.x1) && ParseDouble(a.substr(ca + 1), pair.y1) &&
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

  // The project file must not land on one of its own pictures.
  for (const std::string& image : {opt.image1, opt.image2}) {
    if (IsSameFile(opt.output, image)) {
      std::cerr << opt.output << " is one of the project's pictures; choose another project file name\n";
      return 1;
    }
  }

  MorphProject project;
  Result r;
  if (opt.image1 == opt.image2) {
    r = project.LoadWarpImage(opt.image1);
  } else {
    r = project.LoadImage1(opt.image1);
    if (r) r = project.LoadImage2(opt.image2);
  }
  if (!r) {
    std::cerr << r.FullText() << '\n';
    return 1;
  }
  for (const PairSpec& p : pairs) {
    int vnum = -1;
    // The image1 side is placed as a click at the whole pixel; the file keeps whole pixels.
    r = project.AddPairAt(1, static_cast<int>(std::trunc(p.x1)), static_cast<int>(std::trunc(p.y1)), &vnum);
    // The image2 side obeys the same bounds as the image1 side.
    const CPicture& image2 = *project.m_pImage2;
    if (r && (p.x2 < 0 || p.y2 < 0 || p.x2 > image2.GetWidth() || p.y2 > image2.GetHeight()))
      r = Result::Fail(ProjectText::kPointOutside);
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
    std::cerr << r.FullText() << '\n';
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
  cmd->add_option("--pair", opt->pairs, "key-point pair X1,Y1:X2,Y2 (image1 and image2 pixels, decimals allowed, "
                  "e.g. 368.25,89.5:330,778; the project file keeps whole pixels, so they are truncated); repeatable")
      ->allow_extra_args(false);
  for (const CliNewStep& step : CliNewSteps()) step.addOptions(*cmd);
  cmd->callback([opt] { CliExitCode() = RunNew(*opt); });
});

}  // namespace

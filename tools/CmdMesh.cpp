// `kestrelle-cli mesh PROJECT.fmph [--sample]`: the project's key-point pairs and triangles as JSON.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "core/MorphProject.h"
#include "base/PathParts.h"
#include "core/ProjectFile.h"
#include "tools/CliRegistry.h"

namespace {

int RunMesh(const std::string& path, bool bSample) {
  MorphProject project;
  Result r;
  if (bSample) {
    // As the sample projects open: pictures by file name from the project file's folder.
    const PathParts parts = SplitPath(path);
    r = OpenSampleProject(project, parts.folder, parts.fileName);
  } else {
    r = OpenProject(project, path);
  }
  if (!r) {
    std::cerr << r.message << '\n';
    return 1;
  }
  const CKeyPointMesh& mesh = project.m_mesh;
  nlohmann::ordered_json out;
  nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
  for (int i = 0; i < mesh.m_nPoints; ++i) {
    // A project file holds whole pixels: the integer tables are the pairs as stored.
    nlohmann::ordered_json p;
    p["vnum"] = i;
    p["x1"] = mesh.Point1(i).x;
    p["y1"] = mesh.Point1(i).y;
    p["x2"] = mesh.Point2(i).x;
    p["y2"] = mesh.Point2(i).y;
    pairs.push_back(p);
  }
  out["pairs"] = pairs;
  nlohmann::ordered_json tris = nlohmann::ordered_json::array();
  for (const auto& t : mesh.TriangleList()) tris.push_back({t[0], t[1], t[2]});
  out["triangles"] = tris;
  out["morphType"] = project.m_nMorphType;
  out["frames"] = project.m_nFrameCount;
  std::cout << out.dump() << '\n';
  return 0;
}

const CliCommandRegistrar kMeshCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("mesh", "Print a project's key-point pairs and triangles as JSON");
  auto path = std::make_shared<std::string>();
  auto sample = std::make_shared<bool>(false);
  cmd->add_option("PROJECT", *path, "project file (.fmph)")->required();
  cmd->add_flag("--sample", *sample, "find the pictures by file name beside the project file, as sample projects do");
  cmd->callback([path, sample] { CliExitCode() = RunMesh(*path, *sample); });
});

}  // namespace

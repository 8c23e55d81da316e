// `kestrelle-cli info FILE`: type code, size and depth of a picture file as one JSON line.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "image/Picture.h"
#include "tools/CliRegistry.h"

namespace {

int RunInfo(const std::string& path) {
  CPicture pic;
  if (!pic.Load(path, ImageTypeFromExtension(path)) || !pic.IsValid()) {
    const std::string& err = pic.GetLastError();
    std::cerr << path << ": " << (err.empty() ? std::string("cannot load the picture") : err) << '\n';
    return 1;
  }
  nlohmann::ordered_json out;
  out["type"] = pic.GetType();
  out["width"] = pic.GetWidth();
  out["height"] = pic.GetHeight();
  out["bpp"] = pic.GetBpp();
  std::cout << out.dump() << '\n';
  return 0;
}

const CliCommandRegistrar kInfoCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("info", "Print a picture's type code, size and bits per pixel as JSON");
  auto path = std::make_shared<std::string>();
  cmd->add_option("FILE", *path, "picture file")->required();
  cmd->callback([path] { CliExitCode() = RunInfo(*path); });
});

}  // namespace

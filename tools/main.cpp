// kestrelle-cli: the program's command-line tool.
#include <CLI/CLI.hpp>

#include "Version.h"
#include "tools/CliRegistry.h"

std::vector<CliCommandSetup>& CliCommands() {
  static std::vector<CliCommandSetup> commands;
  return commands;
}

int& CliExitCode() {
  static int code = 0;
  return code;
}

int main(int argc, char** argv) {
  CLI::App app{"Kestrelle command-line tool: inspect and convert pictures, build projects, render morphs"};
  app.set_version_flag("--version", "kestrelle-cli " KESTRELLE_VERSION);
  app.require_subcommand(1);
  for (auto& setup : CliCommands()) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return CliExitCode();
}

// Every subcommand of kestrelle-cli registers itself from its own source file.
// A subcommand's callback does its work, prints its own errors to stderr and stores
// its exit status in CliExitCode().
#pragma once

#include <functional>
#include <vector>

namespace CLI {
class App;
}

using CliCommandSetup = std::function<void(CLI::App& app)>;

std::vector<CliCommandSetup>& CliCommands();
int& CliExitCode();

struct CliCommandRegistrar {
  explicit CliCommandRegistrar(CliCommandSetup setup) { CliCommands().push_back(std::move(setup)); }
};

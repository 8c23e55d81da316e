// kestrelle-cli: the program's command-line tool.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "base/AtomicFile.h"
#include "base/DecodeBudget.h"
#include "output/MovieCodecs.h"
#include "output/OutputRun.h"
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

namespace {

// A signal only records itself; the work in progress notices it at its next safe point
// (after the frame in progress), removes its temporaries and keeps the old files.
extern "C" void OnCancelSignal(int nSignal) { CancelRequest::Set(nSignal); }

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnCancelSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) sigaction(nSignal, &action, nullptr);
  // A file-size limit or a closed pipe becomes a write error with a message, not a death
  // that leaves a temporary file behind.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

std::string LimitsText() {
  return "Limits: " + DecodeBudgetText() + "; frame count N from 1 to " + std::to_string(kMaxOutputFrameCount) +
         "; output frames up to " + std::to_string(kMaxOutputSide) + " pixels a side. Every file is written "
         "beside its target and takes its name only when complete; an export that cannot fit the free space "
         "of its file system is refused before it starts. SIGINT, SIGTERM and SIGHUP cancel after the frame "
         "in progress, keep existing files, remove temporary ones and exit with 130, 143 or 129.";
}

// Standard output that could not be written (a full device, a closed pipe) is a failure.
bool FlushStandardOutput() {
  std::cout.flush();
  const bool bStreamOk = !std::cout.fail();
  errno = 0;
  const bool bFlushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
  const int nFlushError = errno;
  const bool bClosed = std::fclose(stdout) == 0;
  const int nError = !bFlushed ? nFlushError : errno;
  if (bStreamOk && bFlushed && bClosed) return true;
  std::fprintf(stderr, "kestrelle-cli: the output could not be written: %s\n",
               nError ? std::strerror(nError) : "write error");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  InstallSignalHandlers();
  bool bVerbose = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--verbose") == 0) bVerbose = true;
  SetMovieLibraryLogging(bVerbose);

  int nCode = 0;
  try {
    CLI::App app{"Kestrelle command-line tool: inspect and convert pictures, build projects, render morphs"};
    app.set_version_flag("--version", "kestrelle-cli " KESTRELLE_VERSION);
    app.add_flag("--verbose", bVerbose, "show the movie libraries' own log lines");
    app.footer(LimitsText());
    app.require_subcommand(1);
    for (auto& setup : CliCommands()) setup(app);
    try {
      app.parse(argc, argv);
      nCode = CliExitCode();
    } catch (const CLI::ParseError& e) {
      nCode = app.exit(e);
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kestrelle-cli: not enough memory; nothing was written\n");
    nCode = 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestrelle-cli: %s; nothing was written\n", e.what());
    nCode = 1;
  }
  // Whatever is still half-written goes; finished files are already in place.
  LiveTemporaries::RemoveAll();
  if (const int nSignal = CancelRequest::Signal()) nCode = 128 + nSignal;
  if (!FlushStandardOutput() && nCode == 0) nCode = 1;
  return nCode;
}

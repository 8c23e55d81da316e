// The command-line tool under test, run under resource limits or in the background (for
// signals and races); CliProject.h holds the project to drive it with.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/CliProject.h"
#include "support/TestSupport.h"

// Limits and surroundings of one kestrelle-cli process.
struct CliLimits {
  long long nFileSize = -1;     // RLIMIT_FSIZE in bytes; -1: unchanged
  long long nAddressSpace = -1; // RLIMIT_AS in bytes; -1: unchanged
  std::string szTempDir;        // $TMPDIR of the process; empty: inherited
  std::string szProgram;        // another built program of BinDir() ("kestrelle"); empty: kestrelle-cli
  std::vector<std::string> env; // "NAME=value" set on top of the inherited environment
};

// True when this build runs under the address sanitizer, which cannot start under an
// address-space limit.
bool BuiltWithAddressSanitizer();

// One kestrelle-cli (or another built program) started in the background. Its output is collected in files, so a
// process that writes much never blocks on a pipe. A process still running when the object
// goes is killed.
class CCliProcess {
 public:
  CCliProcess() = default;
  ~CCliProcess();
  CCliProcess(const CCliProcess&) = delete;
  CCliProcess& operator=(const CCliProcess&) = delete;

  bool Start(const std::vector<std::string>& args, const CliLimits& limits = {});
  pid_t Pid() const { return m_pid; }
  bool IsRunning();
  void Signal(int nSignal);
  // Waits at most nSeconds; a process still running then is killed and the result says so.
  CliResult Wait(double nSeconds = 120);

 private:
  bool Reap(bool bBlock);

  TempDir m_capture;
  pid_t m_pid = -1;
  int m_nStatus = 0;
  bool m_bReaped = false;
};

// Runs kestrelle-cli to its end under the given limits.
CliResult RunCliLimited(const std::vector<std::string>& args, const CliLimits& limits, double nSeconds = 120);

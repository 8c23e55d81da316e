// The command-line tool under test: a saved project to drive it with, and a way to run it
// under resource limits or in the background (for signals and races).
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

// Limits and surroundings of one kestrelle-cli process.
struct CliLimits {
  long long nFileSize = -1;     // RLIMIT_FSIZE in bytes; -1: unchanged
  long long nAddressSpace = -1; // RLIMIT_AS in bytes; -1: unchanged
  std::string szTempDir;        // $TMPDIR of the process; empty: inherited
};

// True when this build runs under the address sanitizer, which cannot start under an
// address-space limit.
bool BuiltWithAddressSanitizer();

// One kestrelle-cli started in the background. Its output is collected in files, so a
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

// Names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& szFolder);

// A project of two pattern pictures with one point pair, saved in its own temporary folder,
// for the tests that drive kestrelle-cli. The default is two 48 x 36 pictures.
class CliProjectTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeProject(48, 36, 48, 36, 30.0, 20.0); }
  // Saves image1 (w1 x h1) and image2 (w2 x h2) as PNG and a project joining them, with the
  // pair at (20, 12) in image1 and (x2, y2) in image2.
  void MakeProject(int w1, int h1, int w2, int h2, double x2, double y2);
  // `render PROJECT -o OUT EXTRA...` (EXTRA is shell text).
  CliResult Render(const std::string& szOut, const std::string& szExtra = "--frames 3 --size 40x30");

  TempDir m_dir;
  std::string m_szImage1, m_szImage2, m_szProject;
};

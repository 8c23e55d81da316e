// Helpers shared by the test folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/TempFolder.h"
#include "image/Picture.h"

// A fresh folder under the system temporary folder, removed with everything in it; a test
// that cannot have one stops at once.
class TempDir : public CTempFolder {
 public:
  TempDir();
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Names in a folder, sorted; none when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);
// The names in a folder that the program's temporaries take: ".NAME.kestrelle-tmp-XXXXXX"
// beside a target, "kestrelle-*" folders in $TMPDIR.
std::vector<std::string> Temporaries(const std::string& folder);

// 24-bit picture with a smooth, position-dependent pattern (no two neighbours equal),
// so warps and scaling show up in comparisons.
CPicture MakePatternPicture(int width, int height, int seed = 0);
// 24-bit picture of one colour.
CPicture MakeSolidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b);

// Runs the built kestrelle-cli with no standard input and collects what it printed.
struct CliResult {
  int nExitCode = -1;    // -1 when it did not exit normally
  int nSignal = 0;       // the signal that ended it, 0 when none (background runs only)
  bool bTimedOut = false;  // killed because it ran too long (background runs only)
  std::string szOut;     // standard output
  std::string szErr;     // standard error
  std::string szOutput;  // both, output first
};
// `args` is shell text (quote paths with ShellQuote).
CliResult RunCli(const std::string& args);
CliResult RunCli(const std::vector<std::string>& args);
std::string ShellQuote(const std::string& text);
// Any shell command line, with no standard input; the same result record.
CliResult RunCommand(const std::string& commandLine);

// Decodes the bytes in a child process whose address space may grow by only nHeadroom bytes,
// so a decoder that allocates what a header claims before checking the body gets no memory.
// Returns "" when the picture decoded, else its error text, or "signal N" when the child died.
// Under the address sanitizer (which cannot start under such a limit) it decodes in process.
std::string DecodeErrorWithLittleMemory(const std::vector<uint8_t>& bytes, int type, size_t nHeadroom = 48u << 20);

// A process number that no process holds now: a child that has ended and been reaped.
int EndedProcessId();

// Folder of the built executables and the data beside them.
std::string BinDir();
std::string SourceDir();

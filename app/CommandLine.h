// The desktop program's arguments: `kestrelle [--version | --help | FILE.fmph]`. The file
// manager passes one project file (the menu entry's %f).
#pragma once

#include <string>
#include <vector>

struct ProgramArguments {
  bool bVersion = false;
  bool bHelp = false;
  std::string szOpenFile;  // project to open at start-up
  std::string szError;     // not empty: the arguments are refused with this text
};

ProgramArguments ParseProgramArguments(const std::vector<std::string>& args);  // args without argv[0]

// The text --help prints.
std::string ProgramUsage();

#include "app/CommandLine.h"

ProgramArguments ParseProgramArguments(const std::vector<std::string>& args) {
  ProgramArguments out;
  bool bOptionsDone = false;
  for (const std::string& a : args) {
    if (!bOptionsDone && a == "--") {
      bOptionsDone = true;
    } else if (!bOptionsDone && (a == "--version" || a == "-v")) {
      out.bVersion = true;
    } else if (!bOptionsDone && (a == "--help" || a == "-h")) {
      out.bHelp = true;
    } else if (!bOptionsDone && a.size() > 1 && a[0] == '-') {
      out.szError = "unknown option: " + a;
      return out;
    } else if (a.empty()) {
      out.szError = "empty file name";
      return out;
    } else if (!out.szOpenFile.empty()) {
      out.szError = "only one project file can be opened";
      return out;
    } else {
      out.szOpenFile = a;
    }
  }
  return out;
}

std::string ProgramUsage() {
  return "Usage: kestrelle [--version] [--help] [PROJECT.fmph]\n"
         "Opens the morphing window, with PROJECT.fmph when one is given.\n";
}

// The desktop program's entry point. --version and --help answer without a display.
#include <cstdio>
#include <string>
#include <vector>

#include <wx/app.h>

#include "Version.h"
#include "app/CommandLine.h"
#include "app/wx/MorphApp.h"

wxIMPLEMENT_APP_NO_MAIN(CMorphApp);

int main(int argc, char** argv) {
  const ProgramArguments parsed = ParseProgramArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.szError.empty()) {
    std::fprintf(stderr, "kestrelle: %s\n%s", parsed.szError.c_str(), ProgramUsage().c_str());
    return 2;
  }
  if (parsed.bVersion) {
    std::printf("kestrelle %s\n", KESTRELLE_VERSION);
    return 0;
  }
  if (parsed.bHelp) {
    std::printf("%s", ProgramUsage().c_str());
    return 0;
  }
  CMorphApp::SetOpenFile(parsed.szOpenFile);
  int wxArgc = 1;  // the arguments are handled; the toolkit gets none to misread
  char* wxArgv[] = {argv[0], nullptr};
  return wxEntry(wxArgc, wxArgv);
}

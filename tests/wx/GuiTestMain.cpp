// Window tests run against a private Xvfb that this program starts and stops itself, so
// they need no display and never touch the user's. A wx assertion fails the test instead
// of opening its dialog.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/app.h>
#include <wx/init.h>

#include "app/wx/MorphApp.h"

namespace {

class CGuiTestApp : public wxApp {
 public:
  bool OnInit() override {
    InitialiseWindowSystem();
    return true;
  }
  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                       const wxChar* msg) override {
    ADD_FAILURE() << "wx assertion at " << wxString(file) << ":" << line << " in " << wxString(func) << ": "
                  << wxString(cond) << " " << wxString(msg ? msg : wxT(""));
  }
};

// Starts Xvfb on the first free display and returns its pid (0 on failure).
pid_t StartXvfb(std::string* pDisplay) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (pid < 0 || number.empty()) return 0;
  *pDisplay = ":" + number;
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  std::string display;
  const pid_t server = StartXvfb(&display);
  if (!server) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    return 1;
  }
  setenv("DISPLAY", display.c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  setenv("NO_AT_BRIDGE", "1", 1);
  unsetenv("WAYLAND_DISPLAY");
  wxApp::SetInstance(new CGuiTestApp);
  int wxArgc = 1;
  char* wxArgv[] = {argv[0], nullptr};
  int rc = 1;
  if (wxEntryStart(wxArgc, wxArgv) && wxTheApp->CallOnInit()) {
    rc = RUN_ALL_TESTS();
    wxTheApp->OnExit();
  } else {
    std::fprintf(stderr, "cannot start the window system on %s\n", display.c_str());
  }
  wxEntryCleanup();
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  return rc;
}

// Window tests run against a private Xvfb that this program starts and stops itself, so
// they need no display and never touch the user's. A wx assertion fails the test instead
// of opening its dialog.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <wx/app.h>
#include <wx/init.h>

#include "app/wx/MorphApp.h"
#include "tests/wx/PrivateXServer.h"

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

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  CPrivateXServer server;
  if (!server.IsRunning()) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    return 1;
  }
  // A run asked to have a window manager must have one: otherwise it would pass untested.
  if (const char* wm = std::getenv("KESTRELLE_TEST_WM"); wm && *wm && server.WindowManager().empty()) return 1;
  wxApp::SetInstance(new CGuiTestApp);
  int wxArgc = 1;
  char* wxArgv[] = {argv[0], nullptr};
  int rc = 1;
  if (wxEntryStart(wxArgc, wxArgv) && wxTheApp->CallOnInit()) {
    rc = RUN_ALL_TESTS();
    wxTheApp->OnExit();
  } else {
    std::fprintf(stderr, "cannot start the window system on %s\n", server.Display().c_str());
  }
  wxEntryCleanup();
  return rc;
}

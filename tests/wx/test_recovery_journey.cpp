// The built program as a user meets it after a crash: started on a project, pairs added with
// real clicks (XTEST) on the private X server, killed with SIGKILL, started again, the
// recovery question answered with Return, then ended by SIGTERM (a logout). Every pair must
// come back exactly, an edit made just before the logout too, the user's project file must be
// untouched, and the copy must always be the one of the process that holds the edits.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/RecoveryCopy.h"
#include "core/ProjectFile.h"
#include "support/CliFixture.h"
#include "support/EditFixtures.h"
#include "support/SessionFixtures.h"

// Last: Xlib defines macros (None, Bool, Status) that the project's headers use as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using json = nlohmann::json;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

json ReadReport(const std::string& path) {
  std::ifstream in(path);
  return json::parse(in, nullptr, false);
}

// The main window's record in the report (the one holding the tool buttons), or null.
const json* MainWindow(const json& report) {
  if (!report.is_object() || !report.contains("windows")) return nullptr;
  for (const json& w : report["windows"])
    for (const json& c : w["controls"])
      if (c["id"] == ids::kToolFirst) return &w;
  return nullptr;
}

const json* Control(const json& window, int id) {
  for (const json& c : window["controls"])
    if (c["id"] == id) return &c;
  return nullptr;
}

// Pointer and keys through the XTEST extension, as a user's hand.
class CTestHand {
 public:
  CTestHand() : m_pDisplay(XOpenDisplay(nullptr)) {}
  ~CTestHand() {
    if (m_pDisplay) XCloseDisplay(m_pDisplay);
  }
  bool IsOk() const {
    int ev, err, major, minor;
    return m_pDisplay && XTestQueryExtension(m_pDisplay, &ev, &err, &major, &minor);
  }
  void Click(int x, int y) {
    XTestFakeMotionEvent(m_pDisplay, -1, x, y, CurrentTime);
    XSync(m_pDisplay, False);
    Sleep(60);
    XTestFakeButtonEvent(m_pDisplay, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_pDisplay, 1, False, CurrentTime);
    XSync(m_pDisplay, False);
    Sleep(150);
  }
  void MoveTo(int x, int y) {
    XTestFakeMotionEvent(m_pDisplay, -1, x, y, CurrentTime);
    XSync(m_pDisplay, False);
  }
  void Press(KeySym key) {
    const KeyCode code = XKeysymToKeycode(m_pDisplay, key);
    XTestFakeKeyEvent(m_pDisplay, code, True, CurrentTime);
    XTestFakeKeyEvent(m_pDisplay, code, False, CurrentTime);
    XSync(m_pDisplay, False);
  }
  // A viewable window titled `title` narrower than `maxWidth` (a message box, not the main
  // window): its centre on the screen.
  bool FindSmallWindow(const std::string& title, int maxWidth, int* x, int* y) {
    return Search(DefaultRootWindow(m_pDisplay), title, maxWidth, x, y);
  }

 private:
  bool Search(Window w, const std::string& title, int maxWidth, int* x, int* y) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(m_pDisplay, w, &a) || a.map_state != IsViewable) return false;
    char* name = nullptr;
    if (XFetchName(m_pDisplay, w, &name) && name) {
      const bool match = title == name && a.width < maxWidth;
      XFree(name);
      if (match) {
        Window child;
        XTranslateCoordinates(m_pDisplay, w, DefaultRootWindow(m_pDisplay), a.width / 2, a.height / 2, x, y, &child);
        return true;
      }
    }
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(m_pDisplay, w, &root, &parent, &children, &n)) return false;
    bool found = false;
    for (unsigned int i = n; i-- > 0 && !found;) found = Search(children[i], title, maxWidth, x, y);
    if (children) XFree(children);
    return found;
  }

  Display* m_pDisplay;
};

std::vector<std::string> CopiesIn(const std::string& folder) {
  std::vector<std::string> found;
  for (const std::string& name : FolderEntries(folder))
    if (name.rfind("recovery-", 0) == 0 && name.size() > 5 && name.substr(name.size() - 5) == ".fmph")
      found.push_back(name);
  return found;
}

}  // namespace

TEST(RecoveryJourney, AKilledProgramGivesEveryPairBack) {
  CTestHand hand;
  ASSERT_TRUE(hand.IsOk()) << "no XTEST on the test display";
  TempDir home;
  MorphProject project;
  MakeReadyProject(project, home, 400, 300, 400, 300);
  const std::string projectFile = home.File("journey.fmph");
  ASSERT_TRUE(SaveProject(project, projectFile).ok());
  const std::vector<uint8_t> projectBytes = ReadFileBytes(projectFile);
  const std::string state = home.File("state/kestrelle"), report = home.File("report.json");
  CliLimits run;
  run.szProgram = "kestrelle";
  run.env = {"HOME=" + home.Path(), "XDG_STATE_HOME=" + home.File("state"), "XDG_CONFIG_HOME=" + home.File("cfg"),
             "KESTRELLE_WINDOW_REPORT=" + report};

  // ---- first run: the project from the command line, three pairs added by clicks
  CCliProcess first;
  ASSERT_TRUE(first.Start({projectFile}, run));
  json window;
  int nSame = 0;
  // A window manager maximises the window; the panes are laid out for that size.
  const char* wm = std::getenv("KESTRELLE_TEST_WM");
  const bool bMaximised = wm && *wm;
  ASSERT_TRUE(WaitFor([&] {
    const json r = ReadReport(report);
    const json* w = MainWindow(r);
    const json* tool = w ? Control(*w, ids::kToolFirst + ToolAddPoint) : nullptr;
    if (!tool || !(*tool)["enabled"].get<bool>() || !(*tool)["shown"].get<bool>()) return false;
    if (bMaximised && !(*w)["maximized"].get<bool>()) return false;
    // A loaded desktop may report the frame before its size is given (a client of 2 x 1).
    if ((*w)["client"][2].get<int>() < 800 || (*w)["client"][3].get<int>() < 500) return false;
    // Placed for good: the same client area for half a second.
    nSame = window.is_object() && window["client"] == (*w)["client"] ? nSame + 1 : 0;
    window = *w;
    Sleep(100);
    return nSame >= 5;
  }, 20000)) << "the window never became ready";
  const json client = window["client"];
  const int ox = client[0], oy = client[1], cw = client[2], ch = client[3];
  const json add = *Control(window, ids::kToolFirst + ToolAddPoint);
  hand.Click(add["rect"][0].get<int>() + add["rect"][2].get<int>() / 2, add["rect"][1].get<int>() + add["rect"][3].get<int>() / 2);

  // The same clicks on a session of the same size say what the program must hold.
  ProjectSession oracle;
  ASSERT_FALSE(oracle.OpenProject(projectFile).bRefused);
  oracle.Resize(cw, ch);
  oracle.PreviewSetup();
  oracle.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  for (auto [x, y] : {std::pair{60, 50}, {330, 240}, {200, 90}}) {
    const auto [cx, cy] = ClientPoint(oracle, 0, x, y);
    hand.Click(ox + cx, oy + cy);
    oracle.LeftDown(cx, cy);
    oracle.LeftUp();
  }
  const std::vector<uint8_t> expected = oracle.RecoveryState().project;
  ASSERT_EQ(expected.size(), static_cast<size_t>(kProjectHeaderSize + 8 * kProjectPairSize))
      << "client " << client.dump() << ", " << oracle.Project().m_mesh.m_nPoints << " points";
  const std::string firstCopy = state + "/recovery-" + std::to_string(first.Pid()) + "-" +
                                recovery::ProcessStartToken(first.Pid()) + ".fmph";
  EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(firstCopy) == expected; }, 10000))
      << "the copy does not hold the three pairs the clicks added";
  first.Signal(SIGKILL);
  EXPECT_EQ(first.Wait(20).nSignal, SIGKILL);
  ASSERT_TRUE(ReadFileBytes(firstCopy) == expected);

  // ---- second run: the question answered Return (restore), then a logout
  std::filesystem::remove(report);
  CCliProcess second;
  ASSERT_TRUE(second.Start({}, run));
  // Every message box on the way (the question, and any other) is answered with Return.
  auto nextAnswer = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  bool bAsked = false;
  ASSERT_TRUE(WaitFor([&] {
    const json r = ReadReport(report);
    const json* w = MainWindow(r);
    if (w && (*w)["title"] == "*journey.fmph - Kestrelle") return true;
    int qx = 0, qy = 0;
    if (std::chrono::steady_clock::now() > nextAnswer && hand.FindSmallWindow("Kestrelle", 700, &qx, &qy)) {
      bAsked = true;
      hand.MoveTo(qx, qy);
      Sleep(200);
      hand.Press(XK_Return);
      nextAnswer = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    }
    return false;
  }, 30000)) << (bAsked ? "the project was not restored unsaved under its own name" : "no recovery question");
  // One more pair, and the logout follows at once: sooner than the writer may write again
  // after the restore, so only the signal's own write can keep it.
  const json restored = *MainWindow(ReadReport(report));
  const json add2 = *Control(restored, ids::kToolFirst + ToolAddPoint);
  hand.Click(add2["rect"][0].get<int>() + add2["rect"][2].get<int>() / 2,
             add2["rect"][1].get<int>() + add2["rect"][3].get<int>() / 2);
  const auto [lx, ly] = ClientPoint(oracle, 0, 120, 160);
  hand.Click(restored["client"][0].get<int>() + lx, restored["client"][1].get<int>() + ly);
  second.Signal(SIGTERM);
  oracle.LeftDown(lx, ly);
  oracle.LeftUp();
  const std::vector<uint8_t> expectedAfter = oracle.RecoveryState().project;
  ASSERT_EQ(expectedAfter.size(), expected.size() + kProjectPairSize);
  EXPECT_EQ(second.Wait(20).nSignal, SIGTERM);
  const std::vector<std::string> left = CopiesIn(state);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].rfind("recovery-" + std::to_string(second.Pid()) + "-", 0), 0u) << left[0];
  EXPECT_FALSE(std::filesystem::exists(firstCopy));
  // The restored project with the last pair, written by the second program: exactly the
  // clicked pairs.
  const std::vector<uint8_t> written = ReadFileBytes(state + "/" + left[0]);
  EXPECT_TRUE(written == expectedAfter) << "the copy holds " << (written.size() - kProjectHeaderSize) / kProjectPairSize
                                        << " pairs, not the " << (expectedAfter.size() - kProjectHeaderSize) / kProjectPairSize
                                        << " the clicks made";
  EXPECT_EQ(ReadFileBytes(projectFile), projectBytes);
}

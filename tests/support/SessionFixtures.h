// A main-window session with a ready project, for the tests of what the window's operations
// change (header-only: the test executables that use it link the application core).
#pragma once

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "app/ProjectSession.h"
#include "support/TestSupport.h"

constexpr int kCw = 1016, kCh = 700;  // panes of 426 x 268

// Client position of picture position (x, y) in pane 0 or 1, as the session lays the panes out.
inline std::pair<int, int> ClientPoint(const ProjectSession& s, int nPane, double x, double y) {
  const pane::Bounds r = s.Panes().VisibleRect(nPane, s.Sizes());
  const pane::PaneView& v = s.Panes().View(nPane);
  return {static_cast<int>(r.left - v.nScrollX + x * v.fZoom), static_cast<int>(r.top - v.nScrollY + y * v.fZoom)};
}

// A session with two pattern pictures, laid out, past the preview set-up.
struct ReadySession {
  TempDir dir;
  ProjectSession s;
  std::string p1, p2;

  explicit ReadySession(int w1 = 400, int h1 = 300, int w2 = 400, int h2 = 300) {
    p1 = dir.File("one.bmp");
    p2 = dir.File("two.bmp");
    EXPECT_TRUE(MakePatternPicture(w1, h1, 1).Save(p1, PICTURE_BMP));
    EXPECT_TRUE(MakePatternPicture(w2, h2, 2).Save(p2, PICTURE_BMP));
    s.Resize(kCw, kCh);
    EXPECT_FALSE(s.LoadPicture(1, p1).bRefused);
    EXPECT_EQ(s.LoadPicture(2, p2).nSetupTimer, ids::kTimerLoadSetup);
    s.PreviewSetup();
  }

  // Client position of picture position (x, y) in pane 0 or 1.
  std::pair<int, int> At(int nPane, double x, double y) const { return ClientPoint(s, nPane, x, y); }
  SessionChange Click(int nPane, double x, double y) {
    const auto [cx, cy] = At(nPane, x, y);
    return s.LeftDown(cx, cy);
  }
};

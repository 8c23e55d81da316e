#include "tests/wx/PrivateXServer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// Whether a window manager has announced itself on the display's root window.
bool ManagerAnnounced(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  bool found = false;
  const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
  if (check != None) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    found = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                               &data) == Success &&
            type == XA_WINDOW && count == 1;
    if (data) XFree(data);
  }
  XCloseDisplay(d);
  return found;
}

}  // namespace

CPrivateXServer::CPrivateXServer() {
  int fds[2];
  if (pipe(fds) != 0) return;
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
  while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (pid < 0) return;
  m_pid = pid;
  if (number.empty()) {  // the server did not come up
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
    return;
  }
  m_szDisplay = ":" + number;
  setenv("DISPLAY", m_szDisplay.c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  setenv("NO_AT_BRIDGE", "1", 1);
  unsetenv("WAYLAND_DISPLAY");
  if (const char* wm = std::getenv("KESTRELLE_TEST_WM"); wm && *wm) StartWindowManager(wm);
}

void CPrivateXServer::StartWindowManager(const std::string& name) {
  const pid_t pid = fork();
  if (pid == 0) {
    execlp(name.c_str(), name.c_str(), "--sm-disable", static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return;
  m_wmPid = pid;
  for (int i = 0; i < 250; ++i) {
    if (ManagerAnnounced(m_szDisplay)) {
      m_szWindowManager = name;
      return;
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) break;  // it could not start
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::fprintf(stderr, "the window manager %s did not start on %s\n", name.c_str(), m_szDisplay.c_str());
}

CPrivateXServer::~CPrivateXServer() {
  if (m_wmPid > 0) {
    kill(m_wmPid, SIGTERM);
    waitpid(m_wmPid, nullptr, 0);
  }
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  waitpid(m_pid, nullptr, 0);
}

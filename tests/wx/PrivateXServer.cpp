#include "tests/wx/PrivateXServer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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
}

CPrivateXServer::~CPrivateXServer() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  waitpid(m_pid, nullptr, 0);
}

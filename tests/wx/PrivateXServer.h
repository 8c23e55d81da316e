// A private Xvfb for window tests and benchmarks: they need no display and never touch the user's.
// With KESTRELLE_TEST_WM=openbox in the environment a window manager runs on it too, so the
// windows are placed, stacked, focused and maximised as on a user's desktop.
#pragma once

#include <sys/types.h>

#include <string>

class CPrivateXServer {
 public:
  // Starts Xvfb on the first free display and points DISPLAY (and GTK) at it.
  CPrivateXServer();
  ~CPrivateXServer();
  CPrivateXServer(const CPrivateXServer&) = delete;
  CPrivateXServer& operator=(const CPrivateXServer&) = delete;

  bool IsRunning() const { return m_pid > 0; }
  const std::string& Display() const { return m_szDisplay; }
  // The window manager running on the display ("" when none).
  const std::string& WindowManager() const { return m_szWindowManager; }

 private:
  void StartWindowManager(const std::string& name);

  pid_t m_pid = 0;
  pid_t m_wmPid = 0;
  std::string m_szWindowManager;
  std::string m_szDisplay;
};

// A private Xvfb for window tests and benchmarks: they need no display and never touch the user's.
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

 private:
  pid_t m_pid = 0;
  std::string m_szDisplay;
};

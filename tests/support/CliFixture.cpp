#include "support/CliFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>


bool BuiltWithAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

CCliProcess::~CCliProcess() {
  if (m_pid > 0 && !m_bReaped) {
    ::kill(m_pid, SIGKILL);
    Reap(true);
  }
}

bool CCliProcess::Start(const std::vector<std::string>& args, const CliLimits& limits) {
  const std::string exe = BinDir() + "/" + (limits.szProgram.empty() ? "kestrelle-cli" : limits.szProgram);
  const std::string out = m_capture.File("stdout"), err = m_capture.File("stderr");
  std::vector<std::string> argv = {exe};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  // The environment is made before fork: the test process may run threads (the renderer's),
  // so the child keeps to async-signal-safe calls until exec.
  std::vector<std::string> env;
  std::vector<std::string> set = limits.env;
  if (!limits.szTempDir.empty()) set.push_back("TMPDIR=" + limits.szTempDir);
  auto replaced = [&set](const char* e) {
    for (const std::string& s : set)
      if (std::strncmp(e, s.c_str(), s.find('=') + 1) == 0) return true;
    return false;
  };
  for (char** e = environ; *e; ++e)
    if (!replaced(*e)) env.emplace_back(*e);
  env.insert(env.end(), set.begin(), set.end());
  std::vector<char*> cenv;
  for (std::string& e : env) cenv.push_back(e.data());
  cenv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || o < 0 || e < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    if (limits.nFileSize >= 0) {
      const rlimit r{rlim_t(limits.nFileSize), rlim_t(limits.nFileSize)};
      if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(126);
    }
    if (limits.nAddressSpace >= 0) {
      const rlimit r{rlim_t(limits.nAddressSpace), rlim_t(limits.nAddressSpace)};
      if (::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(126);
    }
    ::execve(cargv[0], cargv.data(), cenv.data());
    ::_exit(127);
  }
  m_pid = pid;
  m_bReaped = false;
  return true;
}

bool CCliProcess::Reap(bool bBlock) {
  if (m_pid <= 0 || m_bReaped) return m_bReaped;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(m_pid, &status, bBlock ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == m_pid) {
    m_nStatus = status;
    m_bReaped = true;
  }
  return m_bReaped;
}

bool CCliProcess::IsRunning() { return m_pid > 0 && !Reap(false); }

void CCliProcess::Signal(int nSignal) {
  if (IsRunning()) ::kill(m_pid, nSignal);
}

CliResult CCliProcess::Wait(double nSeconds) {
  CliResult result;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(nSeconds);
  while (IsRunning() && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (IsRunning()) {
    result.bTimedOut = true;
    ::kill(m_pid, SIGKILL);
  }
  Reap(true);
  if (m_bReaped) {
    if (WIFEXITED(m_nStatus)) result.nExitCode = WEXITSTATUS(m_nStatus);
    if (WIFSIGNALED(m_nStatus)) result.nSignal = WTERMSIG(m_nStatus);
  }
  const auto out = ReadFileBytes(m_capture.File("stdout")), err = ReadFileBytes(m_capture.File("stderr"));
  result.szOut.assign(out.begin(), out.end());
  result.szErr.assign(err.begin(), err.end());
  result.szOutput = result.szOut + result.szErr;
  return result;
}

CliResult RunCliLimited(const std::vector<std::string>& args, const CliLimits& limits, double nSeconds) {
  CCliProcess process;
  if (!process.Start(args, limits)) return CliResult{};
  return process.Wait(nSeconds);
}

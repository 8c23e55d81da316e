#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/CliFixture.h"

TempDir::TempDir() : CTempFolder("kestrelle-test") {
  if (!IsCreated()) throw std::runtime_error(Error());
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> found;
  for (const std::string& name : FolderEntries(folder))
    if (name.find("kestrelle") != std::string::npos) found.push_back(name);
  return found;
}

CPicture MakePatternPicture(int width, int height, int seed) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, 24, PICTURE_BMP);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      RgbQuad c;
      c.rgbRed = static_cast<uint8_t>((x * 255) / (width > 1 ? width - 1 : 1));
      c.rgbGreen = static_cast<uint8_t>((y * 255) / (height > 1 ? height - 1 : 1));
      c.rgbBlue = static_cast<uint8_t>((x * 7 + y * 13 + seed * 31) & 0xFF);
      pic.SetPixelColor(x, y, c);
    }
  }
  return pic;
}

CPicture MakeSolidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  CPicture pic(PICTURE_BMP);
  pic.Create(width, height, 24, PICTURE_BMP);
  RgbQuad c;
  c.rgbRed = r;
  c.rgbGreen = g;
  c.rgbBlue = b;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pic.SetPixelColor(x, y, c);
  return pic;
}

std::string BinDir() { return KESTRELLE_BIN_DIR; }
std::string SourceDir() { return KESTRELLE_SOURCE_DIR; }

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

CliResult RunCommand(const std::string& commandLine) {
  TempDir capture;
  const std::string outFile = capture.File("stdout"), errFile = capture.File("stderr");
  const std::string command = "(" + commandLine + ") </dev/null >" + ShellQuote(outFile) + " 2>" + ShellQuote(errFile);
  const int status = std::system(command.c_str());
  CliResult result;
  result.nExitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto out = ReadFileBytes(outFile), err = ReadFileBytes(errFile);
  result.szOut.assign(out.begin(), out.end());
  result.szErr.assign(err.begin(), err.end());
  result.szOutput = result.szOut + result.szErr;
  return result;
}

CliResult RunCli(const std::string& args) { return RunCommand(ShellQuote(BinDir() + "/kestrelle-cli") + " " + args); }

CliResult RunCli(const std::vector<std::string>& args) {
  std::string text;
  for (const auto& arg : args) text += (text.empty() ? "" : " ") + ShellQuote(arg);
  return RunCli(text);
}

std::string DecodeErrorWithLittleMemory(const std::vector<uint8_t>& bytes, int type, size_t nHeadroom) {
  auto decode = [&] {
    CPicture pic;
    return pic.Decode(bytes.data(), bytes.size(), type) ? std::string() : pic.GetLastError();
  };
  if (BuiltWithAddressSanitizer()) return decode();
  long pages = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  int fds[2];
  if (pages <= 0 || ::pipe(fds) != 0) return "no child process";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + nHeadroom;
    const rlimit r{limit, limit};
    ::setrlimit(RLIMIT_AS, &r);
    const std::string text = decode();
    if (::write(fds[1], text.data(), text.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string text;
  char buf[256];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) text.append(buf, size_t(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return text;
}

int EndedProcessId() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  return static_cast<int>(pid);
}

#include "app/RecoveryCopy.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/AtomicFile.h"

namespace {

constexpr const char* kPrefix = "recovery-";
constexpr const char* kCopyExt = ".fmph";
constexpr const char* kInfoExt = ".info";
constexpr const char* kInfoHeader = "kestrelle recovery 1";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "recovery-PID-TOKEN.fmph" → pid and token; false for any other name.
bool ParseCopyName(const std::string& name, pid_t& pid, std::string& token) {
  if (name.rfind(kPrefix, 0) != 0 || !EndsWith(name, kCopyExt)) return false;
  const std::string core = name.substr(std::char_traits<char>::length(kPrefix),
                                       name.size() - std::char_traits<char>::length(kPrefix) -
                                           std::char_traits<char>::length(kCopyExt));
  const size_t dash = core.find('-');
  if (dash == std::string::npos) return false;
  const std::string szPid = core.substr(0, dash);
  token = core.substr(dash + 1);
  if (!AllDigits(szPid) || szPid.size() > 9 || !AllDigits(token)) return false;
  pid = static_cast<pid_t>(std::strtol(szPid.c_str(), nullptr, 10));
  return pid > 0;
}

// The text beside a copy: a header line, the morph type, then the project path to the end.
std::string InfoText(const RecoveryContent& content) {
  std::ostringstream out;
  out << kInfoHeader << "\nmorph-type " << content.nMorphType << "\nproject " << content.szProjectPath;
  return out.str();
}

void ReadInfo(const std::string& path, RecoveryCopy& copy) {
  std::ifstream in(path, std::ios::binary);
  std::string header, line;
  if (!std::getline(in, header) || header != kInfoHeader) return;
  if (std::getline(in, line) && line.rfind("morph-type ", 0) == 0) {
    const int type = std::atoi(line.c_str() + 11);
    if (type >= 1 && type <= 3) copy.nMorphType = type;
  }
  std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (rest.rfind("project ", 0) == 0) copy.szProjectPath = rest.substr(8);
}

}  // namespace

namespace recovery {

std::string ProcessStartToken(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name may hold spaces and brackets: the fields start after the last ')'.
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return std::string();
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  // Field 3 (the state) comes first; the start time is field 22.
  for (int n = 3; n <= 22; ++n)
    if (!(fields >> field)) return std::string();
  return AllDigits(field) ? field : std::string();
}

bool IsProcessRunning(pid_t pid, const std::string& szStartToken) {
  if (pid <= 0) return false;
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  const std::string now = ProcessStartToken(pid);
  // Without /proc the number alone decides.
  return now.empty() || szStartToken.empty() || now == szStartToken;
}

std::string OwnCopyPath(const std::string& szFolder) {
  const pid_t pid = ::getpid();
  std::string token = ProcessStartToken(pid);
  if (token.empty()) token = "0";
  return szFolder + "/" + kPrefix + std::to_string(pid) + "-" + token + kCopyExt;
}

std::string InfoPath(const std::string& szCopyPath) {
  std::string path = szCopyPath;
  if (EndsWith(path, kCopyExt)) path.resize(path.size() - std::char_traits<char>::length(kCopyExt));
  return path + kInfoExt;
}

bool WriteCopy(const std::string& szCopyPath, const RecoveryContent& content, std::string* pError) {
  const std::string folder = std::filesystem::path(szCopyPath).parent_path().string();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      if (pError) *pError = folder + ": " + ec.message();
      return false;
    }
    // Unsaved work is the user's own business.
    ::chmod(folder.c_str(), 0700);
  }
  // Not synced: a copy rewritten every second must not wait on the disk each time, and it is
  // the process dying (a crash, a kill, a logout) that it guards against; a rename still
  // leaves each file whole.
  const std::string info = InfoText(content);
  return WriteFileAtomically(InfoPath(szCopyPath), info.data(), info.size(), pError, false) &&
         WriteFileAtomically(szCopyPath, content.project.data(), content.project.size(), pError, false);
}

void RemoveCopy(const std::string& szCopyPath) {
  ::unlink(szCopyPath.c_str());
  ::unlink(InfoPath(szCopyPath).c_str());
}

std::vector<RecoveryCopy> LeftBehind(const std::string& szFolder) {
  std::vector<RecoveryCopy> found;
  std::error_code ec;
  if (szFolder.empty() || !std::filesystem::is_directory(szFolder, ec)) return found;
  for (const auto& entry : std::filesystem::directory_iterator(szFolder, ec)) {
    RecoveryCopy copy;
    if (!ParseCopyName(entry.path().filename().string(), copy.pid, copy.szStartToken)) continue;
    struct stat st;
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (IsProcessRunning(copy.pid, copy.szStartToken)) continue;
    copy.szPath = entry.path().string();
    copy.written = st.st_mtime;
    ReadInfo(InfoPath(copy.szPath), copy);
    found.push_back(std::move(copy));
  }
  std::sort(found.begin(), found.end(), [](const RecoveryCopy& a, const RecoveryCopy& b) {
    return a.written != b.written ? a.written > b.written : a.szPath < b.szPath;
  });
  return found;
}

}  // namespace recovery

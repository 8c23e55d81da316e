#include "core/AppFolders.h"

#include "base/ExecutableFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <unistd.h>

// The build passes the install layout; a build without it only looks beside the executable.
#ifndef KESTRELLE_INSTALL_DATADIR
#define KESTRELLE_INSTALL_DATADIR ""
#endif
#ifndef KESTRELLE_DATADIR_FROM_BINDIR
#define KESTRELLE_DATADIR_FROM_BINDIR ""
#endif

namespace {

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool Exists(const std::string& path) { return !path.empty() && ::access(path.c_str(), F_OK) == 0; }

bool Readable(const std::string& path) { return !path.empty() && ::access(path.c_str(), R_OK) == 0; }

// A file can be (re)written there: the folder takes new files and an existing file may be replaced.
bool WritableFileIn(const std::string& folder, const std::string& file) {
  if (folder.empty() || ::access(folder.c_str(), W_OK | X_OK) != 0) return false;
  return !Exists(file) || ::access(file.c_str(), W_OK) == 0;
}

std::string BesideExe(const AppFolderInputs& in) {
  return in.szExeFolder.empty() ? std::string() : Join(in.szExeFolder, kConfigFileName);
}

std::string InUserFolder(const AppFolderInputs& in) {
  const std::string folder = UserConfigFolder(in);
  return folder.empty() ? std::string() : Join(folder, kConfigFileName);
}

}  // namespace

AppFolderInputs CurrentAppFolders() {
  AppFolderInputs in;
  in.szExeFolder = ExecutableFolder();
  in.szInstalledData = KESTRELLE_INSTALL_DATADIR;
  in.szDataFromExe = KESTRELLE_DATADIR_FROM_BINDIR;
  in.szXdgConfigHome = EnvOrEmpty("XDG_CONFIG_HOME");
  in.szXdgStateHome = EnvOrEmpty("XDG_STATE_HOME");
  in.szHome = EnvOrEmpty("HOME");
  return in;
}

std::vector<std::string> DataFolders(const AppFolderInputs& in) {
  std::vector<std::string> folders;
  // A build configured with the executable inside the data folder's parent names one folder twice.
  auto same = [](const std::string& a, const std::string& b) {
    std::error_code ea, eb;
    return a == b || std::filesystem::weakly_canonical(a, ea) == std::filesystem::weakly_canonical(b, eb);
  };
  auto add = [&](const std::string& folder) {
    if (folder.empty()) return;
    for (const std::string& f : folders)
      if (same(f, folder)) return;
    folders.push_back(folder);
  };
  add(in.szExeFolder);
  if (!in.szExeFolder.empty() && !in.szDataFromExe.empty()) add(Join(in.szExeFolder, in.szDataFromExe));
  add(in.szInstalledData);
  return folders;
}

std::string FindDataPath(const std::string& szRelative, const AppFolderInputs& in) {
  for (const std::string& folder : DataFolders(in)) {
    const std::string path = Join(folder, szRelative);
    if (Exists(path)) return path;
  }
  return std::string();
}

std::string FindDataPath(const std::string& szRelative) { return FindDataPath(szRelative, CurrentAppFolders()); }

std::vector<std::string> LocaleFolders(const AppFolderInputs& in) {
  std::vector<std::string> out;
  for (const std::string& folder : DataFolders(in))
    out.push_back(folder == in.szExeFolder ? Join(folder, "locale")
                                           : std::filesystem::path(Join(folder, "../locale")).lexically_normal().string());
  return out;
}

std::string UserConfigFolder(const AppFolderInputs& in) {
  // Relative values are invalid by the base-directory rules and are ignored.
  if (!in.szXdgConfigHome.empty() && in.szXdgConfigHome[0] == '/') return Join(in.szXdgConfigHome, "kestrelle");
  if (!in.szHome.empty() && in.szHome[0] == '/') return Join(Join(in.szHome, ".config"), "kestrelle");
  return std::string();
}

std::string UserStateFolder(const AppFolderInputs& in) {
  if (!in.szXdgStateHome.empty() && in.szXdgStateHome[0] == '/') return Join(in.szXdgStateHome, "kestrelle");
  if (!in.szHome.empty() && in.szHome[0] == '/') return Join(Join(Join(in.szHome, ".local"), "state"), "kestrelle");
  return std::string();
}

std::string ConfigPathForWrite(const AppFolderInputs& in, std::string* pError) {
  const std::string beside = BesideExe(in);
  if (!beside.empty() && WritableFileIn(in.szExeFolder, beside)) return beside;

  const std::string folder = UserConfigFolder(in);
  if (folder.empty()) {
    if (pError) *pError = "No folder for config.ini: the program's folder is read-only and HOME is not set";
    return std::string();
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string file = Join(folder, kConfigFileName);
  if (ec || !WritableFileIn(folder, file)) {
    if (pError) *pError = "Cannot write config.ini in " + folder + ": " + (ec ? ec.message() : std::strerror(EACCES));
    return std::string();
  }
  return file;
}

std::string ConfigPathForRead(const AppFolderInputs& in) {
  const std::string beside = BesideExe(in);
  const std::string user = InUserFolder(in);
  const bool bBesideFirst = !beside.empty() && WritableFileIn(in.szExeFolder, beside);
  const std::string first = bBesideFirst ? beside : user;
  const std::string second = bBesideFirst ? user : beside;
  if (Readable(first)) return first;
  if (Readable(second)) return second;
  // Nothing saved yet: the settings the program ships with (an installed program's first
  // start shows the wizard).
  for (const std::string& folder : DataFolders(in)) {
    const std::string shipped = Join(folder, kConfigFileName);
    if (Readable(shipped)) return shipped;
  }
  return std::string();
}

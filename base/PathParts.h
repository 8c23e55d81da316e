// The parts of a file path: its folder, its file name and the file name's extension.
// One parser for all of them, so that "a.b/c" has no extension wherever it is asked.
#pragma once

#include <string>

struct PathParts {
  std::string folder;     // before the last separator; "." without one, "/" for a file in the root
  std::string fileName;   // after the last separator (the whole path without one)
  std::string extension;  // lower-case text after the file name's last '.'; "" when it has none
};

// Separators for the paths of this system, and for paths written on either kind of system
// (a project file made elsewhere may hold "C:\\pics\\cat.bmp").
constexpr const char* kPathSeparators = "/";
constexpr const char* kAnySystemPathSeparators = "\\/";

PathParts SplitPath(const std::string& path, const char* separators = kPathSeparators);

inline std::string PathFolder(const std::string& path) { return SplitPath(path).folder; }
inline std::string PathFileName(const std::string& path) { return SplitPath(path).fileName; }
inline std::string PathExtension(const std::string& path) { return SplitPath(path).extension; }

#include "base/PathParts.h"

PathParts SplitPath(const std::string& path, const char* separators) {
  PathParts parts;
  const size_t sep = path.find_last_of(separators);
  if (sep == std::string::npos) {
    parts.folder = ".";
    parts.fileName = path;
  } else {
    parts.folder = sep == 0 ? path.substr(0, 1) : path.substr(0, sep);
    parts.fileName = path.substr(sep + 1);
  }
  const size_t dot = parts.fileName.rfind('.');
  if (dot != std::string::npos) {
    parts.extension = parts.fileName.substr(dot + 1);
    for (char& c : parts.extension)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return parts;
}

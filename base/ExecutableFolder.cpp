#include "base/ExecutableFolder.h"

#include <vector>

#include <unistd.h>

#include "base/PathParts.h"

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  // A full buffer may be a cut-off name.
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size() - 1) return std::string();
  const std::string path(buffer.data(), static_cast<size_t>(n));
  if (path.find('/') == std::string::npos) return std::string();
  return PathFolder(path);
}

#include "base/TempFolder.h"

#include "base/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <stdlib.h>

std::string TempFolderRoot() {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) base = "/tmp";
  return base.string();
}

CTempFolder::CTempFolder(const std::string& szPrefix) {
  const std::filesystem::path base = TempFolderRoot();
  const std::string pattern = (base / (szPrefix + "-XXXXXX")).string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) {
    m_szError = "Cannot create a temporary folder in " + base.string() + ": " + std::strerror(errno);
    return;
  }
  m_szPath = buffer.data();
  // A process stopped by a signal removes it on its way out.
  LiveTemporaries::AddFolder(m_szPath);
}

void CTempFolder::Remove() {
  if (m_szPath.empty()) return;
  std::error_code ec;
  // The folder is ours alone (mkdtemp, mode 0700), so everything in it goes.
  std::filesystem::remove_all(m_szPath, ec);
  LiveTemporaries::Forget(m_szPath);
  m_szPath.clear();
}

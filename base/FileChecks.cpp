#include "base/FileChecks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISREG(mode)) return "";
  return "not a regular file";
}

}  // namespace

int OpenRegularFile(const std::string& szPath, std::string* pReason) {
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
  const int fd = ::open(szPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (pReason) *pReason = std::strerror(errno);
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    if (pReason) *pReason = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    if (pReason) *pReason = "not a regular file (" + KindOf(st.st_mode) + ")";
    ::close(fd);
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool IsReadableRegularFile(const std::string& szPath, std::string* pReason) {
  const int fd = OpenRegularFile(szPath, pReason);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::string NonRegularKind(const std::string& szPath) {
  struct stat st;
  if (::stat(szPath.c_str(), &st) != 0) return "";
  return KindOf(st.st_mode);
}

bool IsSameFile(const std::string& szA, const std::string& szB) {
  struct stat a, b;
  if (::stat(szA.c_str(), &a) != 0 || ::stat(szB.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsFolder(const std::string& szPath) {
  struct stat st;
  return ::stat(szPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

long long FreeBytesFor(const std::string& szPath) {
  struct statvfs vfs;
  std::string szWhere = szPath;
  if (::statvfs(szWhere.c_str(), &vfs) != 0) {
    const size_t slash = szPath.rfind('/');
    szWhere = slash == std::string::npos ? "." : (slash == 0 ? "/" : szPath.substr(0, slash));
    if (::statvfs(szWhere.c_str(), &vfs) != 0) return -1;
  }
  return static_cast<long long>(vfs.f_bavail) * static_cast<long long>(vfs.f_frsize);
}

std::string ByteSizeText(long long nBytes) {
  char buf[64];
  const double v = static_cast<double>(nBytes);
  if (nBytes >= 1000LL * 1000 * 1000) std::snprintf(buf, sizeof buf, "%.1f GB", v / 1e9);
  else if (nBytes >= 1000LL * 1000) std::snprintf(buf, sizeof buf, "%.1f MB", v / 1e6);
  else if (nBytes >= 1000) std::snprintf(buf, sizeof buf, "%.1f KB", v / 1e3);
  else std::snprintf(buf, sizeof buf, "%lld bytes", nBytes);
  return buf;
}

size_t ReadFully(int fd, void* pBuffer, size_t nSize) {
  uint8_t* p = static_cast<uint8_t*>(pBuffer);
  size_t got = 0;
  while (got < nSize) {
    const ssize_t n = ::read(fd, p + got, nSize - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

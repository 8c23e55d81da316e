#include "base/AtomicFile.h"

#include "base/PathParts.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr const char* kTempMarker = ".kestrelle-tmp-";
// File names longer than this are cut in the temporary's name so it still fits NAME_MAX.
constexpr size_t kMaxNameInTemp = 200;

std::string KindText(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISFIFO(mode)) return "it is a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
  if (S_ISSOCK(mode)) return "it is a socket";
  return "it is not a regular file";
}

struct Registry {
  std::mutex mutex;
  std::set<std::string> files;
  std::set<std::string> folders;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: used until the very end
  return *registry;
}

volatile std::sig_atomic_t g_nCancelSignal = 0;

// Holds off the cancel signals while files take their names, so a run is committed
// wholly or not at all.
class CSignalHold {
 public:
  CSignalHold() {
    sigset_t set;
    sigemptyset(&set);
    for (int n : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, n);
    pthread_sigmask(SIG_BLOCK, &set, &m_old);
  }
  ~CSignalHold() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
  CSignalHold(const CSignalHold&) = delete;
  CSignalHold& operator=(const CSignalHold&) = delete;

 private:
  sigset_t m_old;
};

// Data written by another handle reach the disk before the rename.
int SyncByPath(const std::string& szPath) {
  const int fd = ::open(szPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int e = 0;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) e = errno;
  ::close(fd);
  return e;
}

}  // namespace

const char* const kCancelledWriteText = "the run was cancelled, so the file was not replaced";

CAtomicFile::CAtomicFile(CAtomicFile&& other) noexcept { *this = std::move(other); }

CAtomicFile& CAtomicFile::operator=(CAtomicFile&& other) noexcept {
  if (this != &other) {
    Discard();
    m_szTarget = std::move(other.m_szTarget);
    m_szTempPath = std::move(other.m_szTempPath);
    m_fd = std::exchange(other.m_fd, -1);
    m_pStream = std::exchange(other.m_pStream, nullptr);
    m_bFinished = std::exchange(other.m_bFinished, false);
    m_bHandedOver = std::exchange(other.m_bHandedOver, false);
    m_szReal = std::move(other.m_szReal);
    other.m_szTempPath.clear();
  }
  return *this;
}

bool CAtomicFile::Fail(const std::string& szReason, std::string* pError) {
  const int e = errno;  // left for callers that map it to their own codes
  if (pError) *pError = m_szTarget + ": " + szReason;
  Discard();
  errno = e;
  return false;
}

bool CAtomicFile::Create(const std::string& szTarget, std::string* pError) {
  Discard();
  m_szTarget = szTarget;
  if (szTarget.empty()) return Fail("no file name", pError);
  std::string szReal = szTarget;
  mode_t mode = 0;
  bool bHasMode = false;
  struct stat st;
  if (::lstat(szTarget.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // Replace the file the link names, not the link.
    char buf[PATH_MAX];
    if (::realpath(szTarget.c_str(), buf)) szReal = buf;
  }
  if (::stat(szReal.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return Fail(KindText(st.st_mode), pError);
    }
    mode = st.st_mode & 07777;
    bHasMode = true;
  } else if (errno != ENOENT) {
    return Fail(std::strerror(errno), pError);
  }
  std::string szName = PathFileName(szReal);
  if (szName.size() > kMaxNameInTemp) szName.resize(kMaxNameInTemp);
  std::string szPattern = PathFolder(szReal) + "/." + szName + kTempMarker + "XXXXXX";
  std::vector<char> buf(szPattern.begin(), szPattern.end());
  buf.push_back('\0');
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) return Fail(std::strerror(errno), pError);
  m_fd = fd;
  m_szTempPath = buf.data();
  LiveTemporaries::AddFile(m_szTempPath);
  if (!bHasMode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  m_szTarget = szTarget;
  m_szReal = szReal;
  return true;
}

std::FILE* CAtomicFile::Stream() {
  if (!m_pStream && m_fd >= 0 && !m_bFinished) {
    m_pStream = ::fdopen(m_fd, "wb");
    if (m_pStream) m_fd = -1;  // the stream owns it now
  }
  return m_pStream;
}

void CAtomicFile::CloseHandles() {
  if (m_pStream) std::fclose(m_pStream);
  if (m_fd >= 0) ::close(m_fd);
  m_pStream = nullptr;
  m_fd = -1;
}

void CAtomicFile::HandOver() {
  CloseHandles();
  m_bHandedOver = true;
}

bool CAtomicFile::Finish(std::string* pError) {
  if (m_szTempPath.empty()) return Fail("nothing was written", pError);
  if (m_bFinished) return true;
  if (m_bHandedOver) {
    const int e = m_bSync ? SyncByPath(m_szTempPath) : 0;
    if (e != 0) return Fail(std::strerror(e), pError);
    m_bFinished = true;
    return true;
  }
  int e = 0;
  int fd = m_fd;
  if (m_pStream) {
    if (std::fflush(m_pStream) != 0 || std::ferror(m_pStream)) e = errno ? errno : EIO;
    fd = ::fileno(m_pStream);
  }
  if (e == 0 && m_bSync && fd >= 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) e = errno;
  if (m_pStream) {
    if (std::fclose(m_pStream) != 0 && e == 0) e = errno;
    m_pStream = nullptr;
  } else if (m_fd >= 0) {
    if (::close(m_fd) != 0 && e == 0) e = errno;
  }
  m_fd = -1;
  if (e != 0) return Fail(std::strerror(e), pError);
  m_bFinished = true;
  return true;
}

bool CAtomicFile::Commit(std::string* pError) { return CommitAll(this, 1, pError); }

bool CAtomicFile::CommitAll(CAtomicFile* pFiles, size_t nCount, std::string* pError) {
  for (size_t i = 0; i < nCount; ++i) {
    if (!pFiles[i].Finish(pError)) {
      for (size_t j = 0; j < nCount; ++j) pFiles[j].Discard();
      return false;
    }
  }
  CSignalHold hold;
  if (CancelRequest::IsSet()) {
    if (pError) *pError = nCount == 1 ? pFiles[0].m_szTarget + ": " + kCancelledWriteText : kCancelledWriteText;
    for (size_t j = 0; j < nCount; ++j) pFiles[j].Discard();
    return false;
  }
  for (size_t i = 0; i < nCount; ++i) {
    CAtomicFile& f = pFiles[i];
    if (::rename(f.m_szTempPath.c_str(), f.m_szReal.c_str()) != 0) {
      const int e = errno;
      if (pError) *pError = f.m_szTarget + ": " + std::strerror(e);
      for (size_t j = i; j < nCount; ++j) pFiles[j].Discard();
      return false;
    }
    LiveTemporaries::Forget(f.m_szTempPath);
    f.m_szTempPath.clear();
    f.m_bFinished = false;
    f.m_bHandedOver = false;
  }
  return true;
}

bool CAtomicFile::CommitNoReplace(bool& bExisted, std::string* pError) {
  bExisted = false;
  if (!Finish(pError)) return false;
  CSignalHold hold;
  if (CancelRequest::IsSet()) return Fail(kCancelledWriteText, pError);
  // A hard link fails when the name is taken, so an existing file is never replaced, not
  // even by a file that appears meanwhile.
  if (::link(m_szTempPath.c_str(), m_szReal.c_str()) != 0) {
    const int e = errno;
    if (e == EEXIST) {
      bExisted = true;
      Discard();
      return false;
    }
    if (e != EPERM && e != ENOTSUP && e != EOPNOTSUPP) return Fail(std::strerror(e), pError);
    // A file system without hard links: check, then rename (a narrow race is left).
    struct stat st;
    if (::lstat(m_szReal.c_str(), &st) == 0) {
      bExisted = true;
      Discard();
      return false;
    }
    if (::rename(m_szTempPath.c_str(), m_szReal.c_str()) != 0) return Fail(std::strerror(errno), pError);
  } else {
    ::unlink(m_szTempPath.c_str());
  }
  LiveTemporaries::Forget(m_szTempPath);
  m_szTempPath.clear();
  m_bFinished = false;
  return true;
}

void CAtomicFile::Discard() {
  CloseHandles();
  m_bHandedOver = false;
  if (!m_szTempPath.empty()) {
    ::unlink(m_szTempPath.c_str());
    LiveTemporaries::Forget(m_szTempPath);
    m_szTempPath.clear();
  }
  m_bFinished = false;
}

bool WriteFileAtomically(const std::string& szTarget, const void* pData, size_t nSize, std::string* pError,
                         bool bSync) {
  CAtomicFile file;
  file.SetSync(bSync);
  if (!file.Create(szTarget, pError)) return false;
  const char* p = static_cast<const char*>(pData);
  size_t nDone = 0;
  while (nDone < nSize) {
    const ssize_t n = ::write(file.Fd(), p + nDone, nSize - nDone);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int e = n < 0 ? errno : EIO;
      if (pError) *pError = szTarget + ": " + std::strerror(e);
      return false;
    }
    nDone += static_cast<size_t>(n);
  }
  return file.Commit(pError);
}

namespace LiveTemporaries {

void AddFile(const std::string& szPath) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.files.insert(szPath);
}

void AddFolder(const std::string& szPath) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.folders.insert(szPath);
}

void Forget(const std::string& szPath) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.files.erase(szPath);
  r.folders.erase(szPath);
}

int RemoveAll() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const int n = static_cast<int>(r.files.size() + r.folders.size());
  for (const std::string& f : r.files) ::unlink(f.c_str());
  for (const std::string& d : r.folders) {
    std::error_code ec;
    std::filesystem::remove_all(d, ec);
  }
  r.files.clear();
  r.folders.clear();
  return n;
}

int Count() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return static_cast<int>(r.files.size() + r.folders.size());
}

}  // namespace LiveTemporaries

namespace CancelRequest {
void Set(int nSignal) { g_nCancelSignal = nSignal; }
int Signal() { return g_nCancelSignal; }
void Clear() { g_nCancelSignal = 0; }
}  // namespace CancelRequest

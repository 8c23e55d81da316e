#include "output/GifStreamWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <atomic>
#include <random>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace {
constexpr uint8_t kGifTrailer = 0x3B;
}

bool CGifStreamWriter::Fail(const std::string& text) {
  m_szLastError = text;
  return false;
}

bool CGifStreamWriter::EncodeToMemory(CPicture** ppImages, int nCount, std::vector<uint8_t>& out) {
  char* pBuffer = nullptr;
  size_t nSize = 0;
  UniqueFile memory(open_memstream(&pBuffer, &nSize));
  if (!memory) return Fail(std::string("GIF encoding: ") + std::strerror(errno));
  CPictureGIF gif;
  gif.SetLoops(m_nLoops);
  const bool bOk = gif.Encode(memory.get(), ppImages, nCount, true);
  const bool bClosed = CloseFile(memory);
  if (bOk && bClosed) out.assign(pBuffer, pBuffer + nSize);
  std::free(pBuffer);
  if (!bOk) return Fail("GIF encoding: " + gif.GetLastError());
  if (!bClosed || out.empty() || out.back() != kGifTrailer) return Fail("GIF encoding: incomplete output");
  return true;
}

bool CGifStreamWriter::WriteBytes(const uint8_t* p, size_t n) {
  if (n && std::fwrite(p, 1, n, m_file.get()) != n)
    return Fail("Cannot write " + m_szTempPath + ": " + std::strerror(errno));
  return true;
}

bool CGifStreamWriter::Open(const std::string& szTargetPath) {
  Abandon();
  m_szLastError.clear();
  m_nFrames = 0;
  m_szTargetPath = szTargetPath;
  // A fresh name beside the target, created exclusively; the file gets the permissions
  // of any new file (unlike mkstemp's private ones), since it becomes the GIF.
  static std::atomic<unsigned> s_nCounter{0};
  std::random_device random;
  int fd = -1;
  int nError = 0;
  for (int nTry = 0; nTry < 100 && fd < 0; ++nTry) {
    char suffix[64];
    std::snprintf(suffix, sizeof(suffix), ".part-%d-%u-%08x", static_cast<int>(::getpid()), ++s_nCounter,
                  static_cast<unsigned>(random()));
    m_szTempPath = szTargetPath + suffix;
    fd = ::open(m_szTempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    nError = errno;
    if (fd < 0 && nError != EEXIST) break;
  }
  if (fd < 0) {
    m_szTempPath.clear();
    return Fail("Cannot create " + szTargetPath + ": " + std::strerror(nError));
  }
  m_file.reset(fdopen(fd, "wb"));
  if (!m_file) {
    ::close(fd);
    std::remove(m_szTempPath.c_str());
    m_szTempPath.clear();
    return Fail("Cannot create " + szTargetPath + ": " + std::strerror(errno));
  }
  return true;
}

bool CGifStreamWriter::AddFrame(CPicture& frame) {
  if (!m_file) return Fail("GIF output is not open");
  if (!frame.IsValid() || frame.GetBpp() > 8) return Fail("GIF frames must be palette pictures");
  std::vector<uint8_t> bytes;
  if (m_nFrames == 0) {
    // The first frame's encoding is the whole file up to its trailer: header with the
    // global table, loop extension, first image.
    CPicture* apImages[1] = {&frame};
    if (!EncodeToMemory(apImages, 1, bytes)) return false;
    if (!WriteBytes(bytes.data(), bytes.size() - 1)) return false;
    // The stand-in first image for the later frames; its own bytes are cut away.
    if (!m_stub.Create(1, 1, 8, PICTURE_GIF)) return Fail("GIF encoding: " + m_stub.GetLastError());
    CPicture* apStub[1] = {&m_stub};
    if (!EncodeToMemory(apStub, 1, m_stubPrefix)) return false;
    m_stubPrefix.pop_back();
  } else {
    CPicture* apImages[2] = {&m_stub, &frame};
    if (!EncodeToMemory(apImages, 2, bytes)) return false;
    if (bytes.size() < m_stubPrefix.size() + 1 ||
        std::memcmp(bytes.data(), m_stubPrefix.data(), m_stubPrefix.size()) != 0)
      return Fail("GIF encoding: unexpected encoder output");
    if (!WriteBytes(bytes.data() + m_stubPrefix.size(), bytes.size() - m_stubPrefix.size() - 1)) return false;
  }
  ++m_nFrames;
  return true;
}

bool CGifStreamWriter::Finish() {
  if (!m_file) return Fail("GIF output is not open");
  if (m_nFrames == 0) {
    Abandon();
    return Fail("multipage GIF, no images!");
  }
  const uint8_t trailer = kGifTrailer;
  if (!WriteBytes(&trailer, 1)) {
    Abandon();
    return false;
  }
  const bool bFlushed = std::fflush(m_file.get()) == 0;
  const bool bClosed = CloseFile(m_file);
  if (!bFlushed || !bClosed) {
    const std::string text = "Cannot write " + m_szTempPath + ": " + std::strerror(errno);
    Abandon();
    return Fail(text);
  }
  if (std::rename(m_szTempPath.c_str(), m_szTargetPath.c_str()) != 0) {
    const std::string text = "Cannot create " + m_szTargetPath + ": " + std::strerror(errno);
    Abandon();
    return Fail(text);
  }
  m_szTempPath.clear();
  return true;
}

void CGifStreamWriter::Abandon() {
  m_file.reset();
  if (!m_szTempPath.empty()) {
    std::remove(m_szTempPath.c_str());
    m_szTempPath.clear();
  }
  m_stubPrefix.clear();
}

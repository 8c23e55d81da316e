#include "output/GifStreamWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <stdio.h>

namespace {
constexpr uint8_t kGifTrailer = 0x3B;
}

bool CGifStreamWriter::Fail(ErrorKind kind, const std::string& text) {
  m_result = Result::Fail(kind, text);
  return false;
}

bool CGifStreamWriter::EncodeToMemory(CPicture** ppImages, int nCount, std::vector<uint8_t>& out) {
  char* pBuffer = nullptr;
  size_t nSize = 0;
  UniqueFile memory(open_memstream(&pBuffer, &nSize));
  if (!memory) return Fail(ErrorKind::TooLarge, std::string("GIF encoding: ") + std::strerror(errno));
  CPictureGIF gif;
  gif.SetLoops(m_nLoops);
  const bool bOk = gif.Encode(memory.get(), ppImages, nCount, true);
  const bool bClosed = CloseFile(memory);
  if (bOk && bClosed) out.assign(pBuffer, pBuffer + nSize);
  std::free(pBuffer);
  if (!bOk) return Fail(ErrorKind::InvalidInput, "GIF encoding: " + gif.GetLastError());
  if (!bClosed || out.empty() || out.back() != kGifTrailer)
    return Fail(ErrorKind::InvalidInput, "GIF encoding: incomplete output");
  return true;
}

bool CGifStreamWriter::WriteBytes(const uint8_t* p, size_t n) {
  if (n && std::fwrite(p, 1, n, m_pFile) != n)
    return Fail(ErrorKind::Io, "Cannot write " + m_szTargetPath + ": " + std::strerror(errno));
  return true;
}

bool CGifStreamWriter::Open(const std::string& szTargetPath) {
  Abandon();
  m_result = Result::Success();
  m_nFrames = 0;
  m_szTargetPath = szTargetPath;
  std::string szError;
  if (!m_file.Create(szTargetPath, &szError)) return Fail(ErrorKind::Io, "Cannot create " + szError);
  m_pFile = m_file.Stream();
  if (!m_pFile) {
    const std::string text = "Cannot create " + szTargetPath + ": " + std::strerror(errno);
    m_file.Discard();
    return Fail(ErrorKind::Io, text);
  }
  return true;
}

bool CGifStreamWriter::AddFrame(CPicture& frame) {
  if (!m_pFile) return Fail(ErrorKind::InvalidInput, "GIF output is not open");
  if (!frame.IsValid() || frame.GetBpp() > 8)
    return Fail(ErrorKind::InvalidInput, "GIF frames must be palette pictures");
  std::vector<uint8_t> bytes;
  if (m_nFrames == 0) {
    // The first frame's encoding is the whole file up to its trailer: header with the
    // global table, loop extension, first image.
    CPicture* apImages[1] = {&frame};
    if (!EncodeToMemory(apImages, 1, bytes)) return false;
    if (!WriteBytes(bytes.data(), bytes.size() - 1)) return false;
    // The stand-in first image for the later frames; its own bytes are cut away.
    if (!m_stub.Create(1, 1, 8, PICTURE_GIF))
      return Fail(ErrorKind::TooLarge, "GIF encoding: " + m_stub.GetLastError());
    CPicture* apStub[1] = {&m_stub};
    if (!EncodeToMemory(apStub, 1, m_stubPrefix)) return false;
    m_stubPrefix.pop_back();
  } else {
    CPicture* apImages[2] = {&m_stub, &frame};
    if (!EncodeToMemory(apImages, 2, bytes)) return false;
    if (bytes.size() < m_stubPrefix.size() + 1 ||
        std::memcmp(bytes.data(), m_stubPrefix.data(), m_stubPrefix.size()) != 0)
      return Fail(ErrorKind::InvalidInput, "GIF encoding: unexpected encoder output");
    if (!WriteBytes(bytes.data() + m_stubPrefix.size(), bytes.size() - m_stubPrefix.size() - 1)) return false;
  }
  ++m_nFrames;
  return true;
}

bool CGifStreamWriter::Finish() {
  if (!m_pFile) return Fail(ErrorKind::InvalidInput, "GIF output is not open");
  if (m_nFrames == 0) {
    Abandon();
    return Fail(ErrorKind::InvalidInput, "multipage GIF, no images!");
  }
  const uint8_t trailer = kGifTrailer;
  if (!WriteBytes(&trailer, 1)) {
    Abandon();
    return false;
  }
  m_pFile = nullptr;
  std::string szError;
  if (!m_file.Commit(&szError)) {
    Abandon();
    return Fail(ErrorKind::Io, "Cannot write " + szError);
  }
  return true;
}

void CGifStreamWriter::Abandon() {
  m_pFile = nullptr;
  m_file.Discard();
  m_stubPrefix.clear();
}

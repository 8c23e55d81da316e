#include "output/ApngWriter.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Where the frame count stands: after the signature and the 25-byte header chunk come the
// animation chunk's length and type, then its data.
constexpr off_t kFrameCountAt = 8 + 25 + 8;
constexpr int kDeflateLevel = 1;

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}
void PutBe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

int WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return w < 0 ? errno : EIO;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return 0;
}

}  // namespace

bool CApngWriter::Fail(ErrorKind kind, const std::string& text) {
  m_result = Result::Fail(kind, text);
  return false;
}

bool CApngWriter::Open(const std::string& szPath, int nWidth, int nHeight, int nRate, int nPlays) {
  m_szPath = szPath;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  m_nRate = nRate;
  m_nPlays = nPlays;
  m_nFrames = 0;
  m_nSequence = 0;
  if (nWidth < 1 || nHeight < 1 || nRate < 1 || nRate > 65535 || nPlays < 0)
    return Fail(ErrorKind::InvalidInput, "APNG: impossible size, rate or play count");
  std::string szError;
  if (!m_file.Create(szPath, &szError)) return Fail(ErrorKind::Io, "Cannot create " + szError);
  if (const int e = WriteAll(m_file.Fd(), kSignature, sizeof kSignature))
    return Fail(ErrorKind::Io, "Cannot write " + szPath + ": " + std::strerror(e));
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(nWidth));
  PutBe32(header, static_cast<uint32_t>(nHeight));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a sample, RGB, deflate, no interlace
  std::vector<uint8_t> animation;
  PutBe32(animation, 0);  // the frame count, written at Close
  PutBe32(animation, static_cast<uint32_t>(nPlays));
  return WriteChunk("IHDR", header) && WriteChunk("acTL", animation);
}

bool CApngWriter::WriteChunk(const char* szType, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk;
  chunk.reserve(data.size() + 12);
  PutBe32(chunk, static_cast<uint32_t>(data.size()));
  chunk.insert(chunk.end(), szType, szType + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  PutBe32(chunk, static_cast<uint32_t>(crc));
  if (const int e = WriteAll(m_file.Fd(), chunk.data(), chunk.size()))
    return Fail(ErrorKind::Io, "Cannot write " + m_szPath + ": " + std::strerror(e));
  return true;
}

Result CApngWriter::CompressFrame(const CPicture& picture, std::vector<uint8_t>& out) {
  const int w = picture.GetWidth(), h = picture.GetHeight();
  const size_t nRow = static_cast<size_t>(w) * 3;
  // Each row as RGB behind filter 2 ("up", the difference to the row above), which suits
  // smooth pictures and costs one subtraction a byte.
  std::vector<uint8_t> rows((nRow + 1) * static_cast<size_t>(h));
  std::vector<uint8_t> above(nRow, 0), rgb(nRow);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = picture.GetBits() + static_cast<size_t>(h - 1 - y) * picture.GetEffWidth();
    for (size_t x = 0; x < nRow; x += 3) {
      rgb[x] = s[x + 2];
      rgb[x + 1] = s[x + 1];
      rgb[x + 2] = s[x];
    }
    uint8_t* d = rows.data() + static_cast<size_t>(y) * (nRow + 1);
    d[0] = 2;
    for (size_t i = 0; i < nRow; ++i) d[i + 1] = static_cast<uint8_t>(rgb[i] - above[i]);
    above.swap(rgb);
  }
  uLongf nOut = compressBound(static_cast<uLong>(rows.size()));
  out.resize(nOut);
  if (compress2(out.data(), &nOut, rows.data(), static_cast<uLong>(rows.size()), kDeflateLevel) != Z_OK)
    return Result::Fail(ErrorKind::TooLarge, "APNG: a frame could not be compressed");
  out.resize(nOut);
  return Result::Success();
}

bool CApngWriter::AddFrame(const CPicture& picture) {
  if (!m_file.IsCreated()) return Fail(ErrorKind::InvalidInput, "APNG: the file is not open");
  if (picture.GetBpp() != 24 || picture.GetWidth() != m_nWidth || picture.GetHeight() != m_nHeight)
    return Fail(ErrorKind::InvalidInput, "APNG: the frame does not match the animation's size");
  std::vector<uint8_t> data;
  Result compressed = CompressFrame(picture, data);
  if (!compressed) return Fail(compressed.kind, compressed.message);
  std::vector<uint8_t> control;
  PutBe32(control, m_nSequence++);
  PutBe32(control, static_cast<uint32_t>(m_nWidth));
  PutBe32(control, static_cast<uint32_t>(m_nHeight));
  PutBe32(control, 0);
  PutBe32(control, 0);
  PutBe16(control, 1);  // shown 1 / rate seconds
  PutBe16(control, static_cast<uint32_t>(m_nRate));
  control.push_back(0);  // nothing to dispose: the next frame covers it whole
  control.push_back(0);  // replaces what was there
  if (!WriteChunk("fcTL", control)) return false;
  if (m_nFrames == 0) {
    // The first frame is the picture a plain PNG viewer shows.
    if (!WriteChunk("IDAT", data)) return false;
  } else {
    std::vector<uint8_t> frame;
    frame.reserve(data.size() + 4);
    PutBe32(frame, m_nSequence++);
    frame.insert(frame.end(), data.begin(), data.end());
    if (!WriteChunk("fdAT", frame)) return false;
  }
  ++m_nFrames;
  return true;
}

bool CApngWriter::Close() {
  if (!m_file.IsCreated()) return Fail(ErrorKind::InvalidInput, "APNG: the file is not open");
  if (m_nFrames == 0) {
    Abandon();
    return Fail(ErrorKind::InvalidInput, "APNG: no frames");
  }
  if (!WriteChunk("IEND", {})) {
    Abandon();
    return false;
  }
  // The frame count and the animation chunk's checksum, now that the count is known.
  std::vector<uint8_t> animation = {'a', 'c', 'T', 'L'};
  PutBe32(animation, static_cast<uint32_t>(m_nFrames));
  PutBe32(animation, static_cast<uint32_t>(m_nPlays));
  std::vector<uint8_t> patch(animation.begin() + 4, animation.end());
  PutBe32(patch, static_cast<uint32_t>(crc32(0, animation.data(), static_cast<uInt>(animation.size()))));
  int e = 0;
  if (::pwrite(m_file.Fd(), patch.data(), patch.size(), kFrameCountAt) != static_cast<ssize_t>(patch.size()))
    e = errno ? errno : EIO;
  std::string szError;
  if (e != 0 || !m_file.Commit(&szError)) {
    Abandon();
    return Fail(ErrorKind::Io,
                e != 0 ? "Cannot write " + m_szPath + ": " + std::strerror(e) : "Cannot write " + szError);
  }
  return true;
}

void CApngWriter::Abandon() { m_file.Discard(); }

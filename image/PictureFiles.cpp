// CPicture and files: reading whole files, dispatching to the codec of a type (or trying
// each in turn), saving through an atomic file, and the embedded resources.
#include "image/Picture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <array>
#include <cstring>
#include <new>

#include "base/Limits.h"
#include "base/AtomicFile.h"
#include "base/FileChecks.h"
#include "base/PathParts.h"
#include "image/Codecs.h"
#include "image/Resources.h"

namespace {

const char* const kUnknownFormat = "Decode: Unknown or wrong format";

// Windows metafiles: a placeable metafile's key, or an enhanced metafile's first record with
// its " EMF" signature. Nothing reads them; the signature names what the file is.
bool SniffWmf(const uint8_t* data, size_t size) {
  static const uint8_t kPlaceable[4] = {0xD7, 0xCD, 0xC6, 0x9A};
  if (size >= 4 && std::memcmp(data, kPlaceable, 4) == 0) return true;
  return size >= 44 && data[0] == 1 && data[1] == 0 && data[2] == 0 && data[3] == 0 &&
         std::memcmp(data + 40, " EMF", 4) == 0;
}

Result ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  // Only a regular file is read, and opening never blocks (a FIFO named x.png would).
  std::string reason;
  const int fd = OpenRegularFile(path, &reason);
  if (fd < 0) return Result::Fail(ErrorKind::Io, "Unable to open file: " + path + ": " + reason);
  struct stat st;
  Result r;
  if (::fstat(fd, &st) != 0) {
    r = Result::Fail(ErrorKind::Io, "Unable to read file: " + path + ": " + std::strerror(errno));
  } else if (st.st_size > kMaxPictureFileBytes) {
    r = Result::Fail(ErrorKind::TooLarge, "File too large: " + path);
  } else {
    try {
      out.resize(static_cast<size_t>(st.st_size));
      if (ReadFully(fd, out.data(), out.size()) != out.size())
        r = Result::Fail(ErrorKind::Io, "Unable to read file: " + path);
    } catch (const std::bad_alloc&) {
      r = Result::Fail(ErrorKind::TooLarge, "Not enough memory to read: " + path);
    }
  }
  ::close(fd);
  return r;
}

}  // namespace

// Detection tries the rows in this order and keeps the first reader that succeeds.
const std::array<PictureCodec, 15> kPictureCodecs = {{
    {PICTURE_BMP, "BMP", {"bmp"}, SniffBmp, DecodeBmp, EncodeBmp},
    {PICTURE_JPEG, "JPEG", {"jpg", "jpeg"}, SniffJpeg, DecodeJpeg, EncodeJpeg},
    {PICTURE_ICO, "ICO", {"ico"}, SniffIco, DecodeIco, nullptr},
    {PICTURE_GIF, "GIF", {"gif"}, SniffGif, DecodeGif, EncodeGif},
    {PICTURE_PNG, "PNG", {"png"}, SniffPng, DecodePng, EncodePng},
    {PICTURE_TIFF, "TIFF", {"tiff", "tif"}, SniffTiff, DecodeTiff, EncodeTiff},
    {PICTURE_TGA, "TGA", {"tga"}, nullptr, DecodeTga, EncodeTga},
    {PICTURE_PCX, "PCX", {"pcx"}, SniffPcx, DecodePcx, EncodePcx},
    {PICTURE_WBMP, "WBMP", {"wbmp"}, nullptr, DecodeWbmp, nullptr},
    {PICTURE_WMF, "WMF", {"wmf", "emf"}, SniffWmf, nullptr, nullptr},
    {PICTURE_JP2, "JPEG 2000", {"jp2", "j2k"}, SniffJp2, DecodeJpeg2000, nullptr},
    {PICTURE_JPC, "JPEG 2000 code stream", {"jpc", "j2c"}, SniffJpc, DecodeJpeg2000, nullptr},
    {PICTURE_PGX, "PGX", {"pgx"}, SniffPgx, DecodePgx, nullptr},
    {PICTURE_PNM, "PNM", {"pnm", "pgm", "ppm"}, SniffPnm, DecodePnm, nullptr},
    {PICTURE_RAS, "RAS", {"ras"}, SniffRas, DecodeRas, nullptr},
}};

const PictureCodec* FindPictureCodec(int type) {
  for (const PictureCodec& c : kPictureCodecs)
    if (c.nType == type) return &c;
  return nullptr;
}

bool IsPictureType(int type) { return FindPictureCodec(type) != nullptr; }

int ImageTypeFromExtension(const std::string& path) {
  const std::string ext = PathExtension(path);
  for (const PictureCodec& c : kPictureCodecs)
    for (const char* e : c.aszExtensions)
      if (e && ext == e) return c.nType;
  return PICTURE_UNKNOWN;
}

Result CPicture::DecodeWith(const PictureCodec& codec, const uint8_t* pData, size_t nSize) {
  if (!codec.pfnDecode) {
    return Result::Fail(ErrorKind::Unsupported,
                        codec.nType == PICTURE_WMF ? "WMF/EMF pictures are not supported" : kUnknownFormat);
  }
  // Each attempt decodes into a scratch picture, so a failure leaves this picture as it was.
  CPicture tmp(codec.nType);
  tmp.m_info.nJpegQuality = m_info.nJpegQuality;
  tmp.m_info.bEnabled = m_info.bEnabled;
  Result r;
  try {
    r = codec.pfnDecode(tmp, pData, nSize);
  } catch (const std::bad_alloc&) {
    // Within the budget but more than this process can get now.
    return Result::Fail(ErrorKind::TooLarge, "Not enough memory to decode the picture");
  }
  if (!r) return r.message.empty() ? Result::Fail(r.kind, kUnknownFormat) : r;
  if (!tmp.IsValid()) return Result::Fail(kUnknownFormat);
  tmp.m_info.nType = codec.nType;
  tmp.ClearLastError();
  Adopt(std::move(tmp));
  return r;
}

Result CPicture::DecodeDetected(const uint8_t* pData, size_t nSize, bool& bRecognised) {
  // A reader whose signature matches but which fails has found its format broken (a cut PNG
  // named .jpg): its reason says more than "unknown format". Formats without a signature
  // only ever answer "not mine".
  Result broken;
  bRecognised = false;
  for (const PictureCodec& codec : kPictureCodecs) {
    const bool bSigned = codec.pfnSniff && codec.pfnSniff(pData, nSize);
    if (codec.pfnSniff && !bSigned) continue;
    Result r = DecodeWith(codec, pData, nSize);
    if (r) return r;
    if (bSigned && !bRecognised) {
      broken = std::move(r);
      bRecognised = true;
    }
  }
  return bRecognised ? broken : Result::Fail(kUnknownFormat);
}

bool CPicture::Load(const std::string& fileName, int type) {
  std::vector<uint8_t> bytes;
  const Result read = ReadWholeFile(fileName, bytes);
  if (!read) {
    SetLastError(read);
    return false;
  }
  const PictureCodec* typed = FindPictureCodec(type);
  Result expected = Result::Fail(kUnknownFormat);
  if (typed && !bytes.empty()) {
    expected = DecodeWith(*typed, bytes.data(), bytes.size());
    if (expected) return true;
  }
  // The content may be another format than the name says.
  bool bRecognised = false;
  const Result detected = bytes.empty() ? Result::Fail(kUnknownFormat)
                                        : DecodeDetected(bytes.data(), bytes.size(), bRecognised);
  if (detected) return true;
  // When no signature matches either, the expected format's failure is the more useful message.
  SetLastError(typed && !bRecognised ? expected : detected);
  return false;
}

bool CPicture::Decode(const uint8_t* pData, size_t nSize, int type) {
  Result r;
  bool bRecognised = false;
  if (!pData || nSize == 0)
    r = Result::Fail(kUnknownFormat);
  else if (IsPictureType(type))
    r = DecodeWith(*FindPictureCodec(type), pData, nSize);
  else
    r = DecodeDetected(pData, nSize, bRecognised);
  if (!r) SetLastError(r);
  return r.ok();
}

bool CPicture::Save(const std::string& fileName, int type) const {
  if (!IsPictureType(type)) {
    SetLastError("Encode: Unknown format");
    return false;
  }
  // The picture grows beside the file and replaces it only when complete: a failed save
  // leaves an existing file as it was.
  CAtomicFile file;
  std::string err;
  if (!file.Create(fileName, &err) || !file.Stream()) {
    SetLastError("Unable to open file for writing: " + (err.empty() ? fileName : err), ErrorKind::Io);
    return false;
  }
  if (!Encode(file.Stream(), type)) return false;
  if (!file.Commit(&err)) {
    SetLastError("Unable to write file: " + err, ErrorKind::Io);
    return false;
  }
  return true;
}

bool CPicture::Encode(FILE* fp, int type) const {
  const PictureCodec* codec = FindPictureCodec(type);
  if (!codec) {
    SetLastError("Encode: Unknown format");
    return false;
  }
  if (!fp) {
    SetLastError("Encode: invalid file pointer");
    return false;
  }
  if (!IsValid()) {
    SetLastError("Encode: the picture is empty");
    return false;
  }
  if (!codec->pfnEncode) {
    SetLastError("Encode: this format can only be read", ErrorKind::Unsupported);
    return false;
  }
  errno = 0;
  Result r = codec->pfnEncode(*this, fp);
  const int nWriteError = std::ferror(fp) ? errno : 0;
  if (r && std::ferror(fp)) r = Result::Fail(ErrorKind::Io, "Encode: write error");
  if (r) return true;
  if (r.message.empty()) r.message = "Encode: write error";
  // The system's reason (no space, file too large) says more than the encoder's own text.
  if (nWriteError) {
    r.message += std::string(": ") + std::strerror(nWriteError);
    r.kind = ErrorKind::Io;
  }
  SetLastError(r);
  return false;
}

bool CPicture::LoadResource(int resourceId, int type) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!FindPictureResource(resourceId, &data, &size) || !data || size == 0) {
    SetLastError("Unable to load resource!", ErrorKind::Io);
    return false;
  }
  return Decode(data, size, type);
}

// CPicture and files: reading whole files, dispatching to the codec of a type (or trying
// each in turn), saving through an atomic file, and the embedded resources.
#include "image/Picture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& err) {
  // Only a regular file is read, and opening never blocks (a FIFO named x.png would).
  std::string reason;
  const int fd = OpenRegularFile(path, &reason);
  if (fd < 0) {
    err = "Unable to open file: " + path + ": " + reason;
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    err = "Unable to read file: " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  if (st.st_size > kMaxPictureFileBytes) {
    err = "File too large: " + path;
    ::close(fd);
    return false;
  }
  try {
    out.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    err = "Not enough memory to read: " + path;
    ::close(fd);
    return false;
  }
  const size_t got = ReadFully(fd, out.data(), out.size());
  ::close(fd);
  if (got != out.size()) {
    err = "Unable to read file: " + path;
    return false;
  }
  return true;
}

using DecodeFn = bool (*)(CPicture&, const uint8_t*, size_t);

DecodeFn DecoderFor(int type) {
  switch (type) {
    case PICTURE_BMP: return DecodeBmp;
    case PICTURE_GIF: return DecodeGif;
    case PICTURE_JPEG: return DecodeJpeg;
    case PICTURE_PNG: return DecodePng;
    case PICTURE_ICO: return DecodeIco;
    case PICTURE_TIFF: return DecodeTiff;
    case PICTURE_TGA: return DecodeTga;
    case PICTURE_PCX: return DecodePcx;
    case PICTURE_WBMP: return DecodeWbmp;
    case PICTURE_JP2:
    case PICTURE_JPC: return DecodeJpeg2000;
    case PICTURE_PGX: return DecodePgx;
    case PICTURE_PNM: return DecodePnm;
    case PICTURE_RAS: return DecodeRas;
    default: return nullptr;  // WMF/EMF: no reader
  }
}

}  // namespace

int ImageTypeFromExtension(const std::string& path) {
  const std::string ext = PathExtension(path);
  struct Entry {
    const char* ext;
    int type;
  };
  static const Entry kTable[] = {
      {"bmp", PICTURE_BMP},  {"gif", PICTURE_GIF},  {"jpg", PICTURE_JPEG}, {"jpeg", PICTURE_JPEG},
      {"png", PICTURE_PNG},  {"ico", PICTURE_ICO},  {"tiff", PICTURE_TIFF}, {"tif", PICTURE_TIFF},
      {"tga", PICTURE_TGA},  {"pcx", PICTURE_PCX},  {"wbmp", PICTURE_WBMP}, {"wmf", PICTURE_WMF},
      {"emf", PICTURE_WMF},  {"jp2", PICTURE_JP2},  {"j2k", PICTURE_JP2},  {"jpc", PICTURE_JPC},
      {"j2c", PICTURE_JPC},  {"pgx", PICTURE_PGX},  {"pnm", PICTURE_PNM},  {"pgm", PICTURE_PNM},
      {"ppm", PICTURE_PNM},  {"ras", PICTURE_RAS},
  };
  for (const Entry& e : kTable)
    if (ext == e.ext) return e.type;
  return PICTURE_UNKNOWN;
}
bool CPicture::Load(const std::string& fileName, int type) {
  const bool typed = type >= 1 && type <= 15;
  std::vector<uint8_t> bytes;
  std::string err;
  if (!ReadWholeFile(fileName, bytes, err)) {
    SetLastError(err);
    return false;
  }
  if (typed && Decode(bytes.data(), bytes.size(), type)) return true;
  // The content may be another format than the name says; the expected format's failure is
  // the more useful message when detection finds nothing either.
  const std::string kept = GetLastError();
  bool ok = Decode(bytes.data(), bytes.size(), PICTURE_UNKNOWN);
  if (!ok && typed) SetLastError(kept);
  return ok;
}

bool CPicture::Decode(const uint8_t* pData, size_t nSize, int type) {
  if (!pData || nSize == 0) {
    SetLastError(kUnknownFormat);
    return false;
  }
  // Each attempt decodes into a scratch picture, so a failure leaves this picture as it was.
  auto attempt = [&](DecodeFn fn, int code, std::string& err) {
    CPicture tmp(code);
    tmp.m_info.nJpegQuality = m_info.nJpegQuality;
    tmp.m_info.bEnabled = m_info.bEnabled;
    bool bDecoded = false;
    try {
      bDecoded = fn(tmp, pData, nSize);
    } catch (const std::bad_alloc&) {
      // Within the budget but more than this process can get now.
      err = "Not enough memory to decode the picture";
      return false;
    }
    if (bDecoded && tmp.IsValid()) {
      tmp.m_info.nType = code;
      tmp.m_info.szLastError.clear();
      Adopt(std::move(tmp));
      return true;
    }
    err = tmp.GetLastError().empty() ? kUnknownFormat : tmp.GetLastError();
    return false;
  };

  std::string err;
  if (type >= 1 && type <= 15) {
    DecodeFn fn = DecoderFor(type);
    if (!fn) {
      SetLastError(type == PICTURE_WMF ? "WMF/EMF pictures are not supported" : kUnknownFormat);
      return false;
    }
    if (attempt(fn, type, err)) return true;
    SetLastError(err);
    return false;
  }
  static const int kOrder[] = {PICTURE_BMP, PICTURE_JPEG, PICTURE_ICO,  PICTURE_GIF, PICTURE_PNG,
                               PICTURE_TIFF, PICTURE_TGA, PICTURE_PCX, PICTURE_WBMP, PICTURE_JP2,
                               PICTURE_PGX, PICTURE_PNM, PICTURE_RAS};
  for (int code : kOrder) {
    if (attempt(DecoderFor(code), code, err)) {
      // The JPEG 2000 reader tells file from code stream itself.
      if (code == PICTURE_JP2 && nSize >= 2 && pData[0] == 0xFF && pData[1] == 0x4F) m_info.nType = PICTURE_JPC;
      return true;
    }
  }
  SetLastError(kUnknownFormat);
  return false;
}

bool CPicture::Save(const std::string& fileName, int type) const {
  if (type < 1 || type > 15) {
    SetLastError("Encode: Unknown format");
    return false;
  }
  // The picture grows beside the file and replaces it only when complete: a failed save
  // leaves an existing file as it was.
  CAtomicFile file;
  std::string err;
  if (!file.Create(fileName, &err) || !file.Stream()) {
    SetLastError("Unable to open file for writing: " + (err.empty() ? fileName : err));
    return false;
  }
  if (!Encode(file.Stream(), type)) return false;
  if (!file.Commit(&err)) {
    SetLastError("Unable to write file: " + err);
    return false;
  }
  return true;
}

bool CPicture::Encode(FILE* fp, int type) const {
  if (type < 1 || type > 15) {
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
  std::string err;
  bool ok = false;
  errno = 0;
  switch (type) {
    case PICTURE_BMP: ok = EncodeBmp(*this, fp, err); break;
    case PICTURE_GIF: ok = EncodeGif(*this, fp, err); break;
    case PICTURE_JPEG: ok = EncodeJpeg(*this, fp, err); break;
    case PICTURE_PNG: ok = EncodePng(*this, fp, err); break;
    case PICTURE_TIFF: ok = EncodeTiff(*this, fp, err); break;
    case PICTURE_TGA: ok = EncodeTga(*this, fp, err); break;
    case PICTURE_PCX: ok = EncodePcx(*this, fp, err); break;
    default: err = "Encode: this format can only be read"; break;
  }
  const int nWriteError = std::ferror(fp) ? errno : 0;
  if (ok && std::ferror(fp)) {
    ok = false;
    err = "Encode: write error";
  }
  if (ok) return true;
  if (err.empty()) err = "Encode: write error";
  // The system's reason (no space, file too large) says more than the encoder's own text.
  if (nWriteError) err += std::string(": ") + std::strerror(nWriteError);
  SetLastError(err);
  return false;
}

bool CPicture::LoadResource(int resourceId, int type) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!FindPictureResource(resourceId, &data, &size) || !data || size == 0) {
    SetLastError("Unable to load resource!");
    return false;
  }
  return Decode(data, size, type);
}

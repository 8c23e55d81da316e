// CPicture: the in-memory picture, its planes, palette and pixel access, the codec
// dispatch, drawing into a 32-bit target and the depth conversions.
#include "image/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "base/PathParts.h"
#include "base/UniqueFile.h"
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/FileChecks.h"

#include "image/Codecs.h"
#include "image/PaletteLookup.h"
#include "image/Resources.h"

namespace {

constexpr size_t kHeaderSize = sizeof(BitmapInfoHeader);
// Files larger than this are refused before reading; no picture we accept needs more.
constexpr long long kMaxFileSize = 1LL << 30;

const char* const kUnknownFormat = "Decode: Unknown or wrong format";

int RoundBits(int bits) {
  if (bits <= 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  return 24;
}

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
  if (st.st_size > kMaxFileSize) {
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

uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

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

// ---------------------------------------------------------------------------------------------
// Construction and copies

CPicture::CPicture(int type) {
  m_info.nType = type;
  m_header.biWidth = 0;
  m_header.biHeight = 0;
}

CPicture::CPicture(const std::string& fileName, int type) : CPicture(type) { Load(fileName, type); }

CPicture::CPicture(const uint8_t* pData, size_t nSize, int type) : CPicture(type) {
  Decode(pData, nSize, type);
}

CPicture::CPicture(const CPicture& src, bool bCopyPixels, bool bCopySelection, bool bCopyAlpha)
    : CPicture(src.GetType()) {
  CopyInfoFrom(src);
  m_info.szLastError.clear();
  if (!src.IsValid()) return;
  if (bCopyPixels) {
    m_dib = src.m_dib;
  } else {
    size_t keep = kHeaderSize + src.GetPaletteSize();
    m_dib.assign(src.m_dib.size(), 0);
    std::memcpy(m_dib.data(), src.m_dib.data(), keep);
  }
  m_header = src.m_header;
  if (bCopySelection) m_selection = src.m_selection;
  if (bCopyAlpha) m_alpha = src.m_alpha;
}

CPicture::CPicture(const CPicture& src)
    : m_info(src.m_info),
      m_header(src.m_header),
      m_dib(src.m_dib),
      m_alpha(src.m_alpha),
      m_selection(src.m_selection) {}

CPicture& CPicture::operator=(const CPicture& src) {
  if (this == &src) return *this;
  m_info = src.m_info;
  m_header = src.m_header;
  m_dib = src.m_dib;
  m_alpha = src.m_alpha;
  m_selection = src.m_selection;
  ForgetLookup();
  return *this;
}

void CPicture::CopyInfoFrom(const CPicture& src) { m_info = src.m_info; }

void CPicture::SyncHeader() {
  if (m_dib.size() >= kHeaderSize) std::memcpy(m_dib.data(), &m_header, kHeaderSize);
}

void CPicture::Adopt(CPicture&& other) {
  m_info = std::move(other.m_info);
  m_header = other.m_header;
  m_dib = std::move(other.m_dib);
  m_alpha = std::move(other.m_alpha);
  m_selection = std::move(other.m_selection);
  ForgetLookup();
}

bool CPicture::Create(int width, int height, int bits, int type) {
  if (width <= 0 || height <= 0) {
    SetLastError("CPicture::Create : width and height must be greater than zero");
    return false;
  }
  bits = RoundBits(bits);
  const char* const kNoMemory = "CPicture::Create can't allocate memory";
  if (width > kMaxPictureSide || height > kMaxPictureSide ||
      int64_t(width) * int64_t(height) > kMaxPicturePixels) {
    SetLastError(kNoMemory);
    return false;
  }
  const uint64_t effWidth = ((uint64_t(width) * uint64_t(bits) + 31) / 32) * 4;
  const uint64_t nColors = bits <= 8 ? (1u << bits) : 0;
  const uint64_t imageSize = effWidth * uint64_t(height);
  const uint64_t total = kHeaderSize + nColors * sizeof(RgbQuad) + imageSize;
  if (imageSize > std::numeric_limits<uint32_t>::max() || total > std::numeric_limits<size_t>::max() ||
      total > uint64_t(kDecodeByteBudget)) {
    SetLastError(kNoMemory);
    return false;
  }
  std::vector<uint8_t> dib;
  try {
    dib.assign(static_cast<size_t>(total), 0);
  } catch (const std::bad_alloc&) {
    SetLastError(kNoMemory);
    return false;
  }
  BitmapInfoHeader head;
  head.biWidth = width;
  head.biHeight = height;
  head.biBitCount = static_cast<uint16_t>(bits);
  head.biSizeImage = static_cast<uint32_t>(imageSize);
  head.biClrUsed = static_cast<uint32_t>(nColors);
  head.biXPelsPerMeter = m_dib.empty() ? 3780 : m_header.biXPelsPerMeter;
  head.biYPelsPerMeter = m_dib.empty() ? 3780 : m_header.biYPelsPerMeter;
  m_dib.swap(dib);
  m_alpha.clear();
  m_selection.clear();
  m_header = head;
  m_info.nType = type;
  SyncHeader();
  ForgetLookup();
  return true;
}

void CPicture::Destroy() {
  m_dib.clear();
  m_dib.shrink_to_fit();
  m_alpha.clear();
  m_selection.clear();
  m_header = BitmapInfoHeader();
  ForgetLookup();
}

void CPicture::SetLastError(const std::string& text) const { m_info.szLastError = text.substr(0, 255); }

// ---------------------------------------------------------------------------------------------
// Sizes, rows, palette

uint32_t CPicture::GetEffWidth() const {
  return static_cast<uint32_t>(((uint64_t(std::max(0, m_header.biWidth)) * m_header.biBitCount + 31) / 32) * 4);
}

uint32_t CPicture::GetNumColors() const {
  return (IsValid() && m_header.biBitCount <= 8) ? (1u << m_header.biBitCount) : 0;
}

uint32_t CPicture::GetPaletteSize() const { return GetNumColors() * sizeof(RgbQuad); }

uint8_t* CPicture::GetBits(int row) {
  return const_cast<uint8_t*>(static_cast<const CPicture*>(this)->GetBits(row));
}

const uint8_t* CPicture::GetBits(int row) const {
  if (!IsValid()) return nullptr;
  const uint8_t* start = m_dib.data() + kHeaderSize + GetPaletteSize();
  if (row == 0) return start;
  if (row > 0 && row < m_header.biHeight) return start + size_t(row) * GetEffWidth();
  return nullptr;
}

RgbQuad* CPicture::GetPalette() {
  return GetNumColors() ? reinterpret_cast<RgbQuad*>(m_dib.data() + kHeaderSize) : nullptr;
}

const RgbQuad* CPicture::GetPalette() const {
  return GetNumColors() ? reinterpret_cast<const RgbQuad*>(m_dib.data() + kHeaderSize) : nullptr;
}

void CPicture::SetPalette(const RgbQuad* pPal, int nColors) {
  RgbQuad* pal = GetPalette();
  if (!pal || !pPal || nColors <= 0) return;
  int n = std::min<int>(nColors, static_cast<int>(GetNumColors()));
  std::memcpy(pal, pPal, size_t(n) * sizeof(RgbQuad));
  ForgetLookup();
}

RgbQuad CPicture::GetPaletteColor(uint8_t idx) const {
  const RgbQuad* pal = GetPalette();
  if (!pal || idx >= GetNumColors()) return RgbQuad();
  return pal[idx];
}

void CPicture::SetPaletteColor(uint8_t idx, RgbQuad c) {
  RgbQuad* pal = GetPalette();
  if (!pal || idx >= GetNumColors()) return;
  pal[idx] = c;
  ForgetLookup();
}

void CPicture::SetGrayPalette() {
  RgbQuad* pal = GetPalette();
  if (!pal) return;
  uint32_t n = GetNumColors();
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t v = static_cast<uint8_t>(i * 255 / (n - 1));
    pal[i].rgbBlue = pal[i].rgbGreen = pal[i].rgbRed = v;
    pal[i].rgbReserved = 0;
  }
  ForgetLookup();
}

void CPicture::SetStdPalette() {
  RgbQuad* pal = GetPalette();
  if (!pal) return;
  uint32_t n = GetNumColors();
  if (n == 2) {
    pal[0] = RgbQuad();
    pal[1].rgbBlue = pal[1].rgbGreen = pal[1].rgbRed = 255;
  } else if (n == 16) {
    // The sixteen colours of the classic VGA palette (red, green, blue).
    static const uint8_t kVga[16][3] = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) {
      pal[i].rgbRed = kVga[i][0];
      pal[i].rgbGreen = kVga[i][1];
      pal[i].rgbBlue = kVga[i][2];
      pal[i].rgbReserved = 0;
    }
  } else {
    // 8 levels of red and green, 4 of blue.
    for (uint32_t i = 0; i < n; ++i) {
      pal[i].rgbRed = static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7);
      pal[i].rgbGreen = static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7);
      pal[i].rgbBlue = static_cast<uint8_t>((i & 3) * 255 / 3);
      pal[i].rgbReserved = 0;
    }
  }
  ForgetLookup();
}

void CPicture::SetClrImportant(uint32_t n) {
  m_header.biClrImportant = n;
  SyncHeader();
  ForgetLookup();
}

int CPicture::GetXDPI() const { return static_cast<int>(m_header.biXPelsPerMeter * 254LL / 10000 + (m_header.biXPelsPerMeter * 254LL % 10000 >= 5000 ? 1 : 0)); }
int CPicture::GetYDPI() const { return static_cast<int>(m_header.biYPelsPerMeter * 254LL / 10000 + (m_header.biYPelsPerMeter * 254LL % 10000 >= 5000 ? 1 : 0)); }

void CPicture::SetXDPI(int dpi) {
  if (dpi <= 0) dpi = 96;
  m_header.biXPelsPerMeter = static_cast<int32_t>((dpi * 10000LL + 127) / 254);
  SyncHeader();
}

void CPicture::SetYDPI(int dpi) {
  if (dpi <= 0) dpi = 96;
  m_header.biYPelsPerMeter = static_cast<int32_t>((dpi * 10000LL + 127) / 254);
  SyncHeader();
}

// ---------------------------------------------------------------------------------------------
// Pixels and planes

uint8_t CPicture::GetPixelIndex(int x, int y) const {
  if (!IsValid() || GetBpp() > 8 || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return 0;
  const uint8_t* row = GetBits() + size_t(y) * GetEffWidth();
  switch (GetBpp()) {
    case 8: return row[x];
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void CPicture::SetPixelIndex(int x, int y, uint8_t idx) {
  if (!IsValid() || GetBpp() > 8 || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return;
  uint8_t* row = GetBits() + size_t(y) * GetEffWidth();
  switch (GetBpp()) {
    case 8: row[x] = idx; break;
    case 4: {
      uint8_t& b = row[x >> 1];
      if (x & 1)
        b = static_cast<uint8_t>((b & 0xF0) | (idx & 0x0F));
      else
        b = static_cast<uint8_t>((b & 0x0F) | ((idx & 0x0F) << 4));
      break;
    }
    default: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      uint8_t& b = row[x >> 3];
      b = (idx & 1) ? (b | mask) : (b & ~mask);
      break;
    }
  }
}

RgbQuad CPicture::GetPixelColor(int x, int y) const {
  RgbQuad c;
  if (!IsValid() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return c;
  if (GetBpp() <= 8) {
    c = GetPaletteColor(GetPixelIndex(x, y));
  } else {
    const uint8_t* p = GetBits() + size_t(y) * GetEffWidth() + size_t(x) * 3;
    c.rgbBlue = p[0];
    c.rgbGreen = p[1];
    c.rgbRed = p[2];
  }
  c.rgbReserved = HasAlpha() ? m_alpha[size_t(y) * size_t(GetWidth()) + size_t(x)] : 0;
  return c;
}

void CPicture::SetPixelColor(int x, int y, RgbQuad c) {
  if (!IsValid() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return;
  if (GetBpp() <= 8) {
    SetPixelIndex(x, y, GetNearestIndex(c));
  } else {
    uint8_t* p = GetBits() + size_t(y) * GetEffWidth() + size_t(x) * 3;
    p[0] = c.rgbBlue;
    p[1] = c.rgbGreen;
    p[2] = c.rgbRed;
  }
}

bool CPicture::AlphaCreate() {
  if (!IsValid()) return false;
  if (HasAlpha()) return true;
  try {
    m_alpha.assign(size_t(GetWidth()) * size_t(GetHeight()), 255);
  } catch (const std::bad_alloc&) {
    SetLastError("CPicture::AlphaCreate can't allocate memory");
    return false;
  }
  return true;
}

uint8_t* CPicture::AlphaGetPointer(int x, int y) {
  return const_cast<uint8_t*>(static_cast<const CPicture*>(this)->AlphaGetPointer(x, y));
}

const uint8_t* CPicture::AlphaGetPointer(int x, int y) const {
  if (!HasAlpha() || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return nullptr;
  return m_alpha.data() + size_t(y) * size_t(GetWidth()) + size_t(x);
}

bool CPicture::SelectionCreate() {
  if (!IsValid()) return false;
  if (HasSelection()) return true;
  try {
    m_selection.assign(size_t(GetWidth()) * size_t(GetHeight()), 0);
  } catch (const std::bad_alloc&) {
    SetLastError("CPicture::SelectionCreate can't allocate memory");
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Files and memory blocks

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

// ---------------------------------------------------------------------------------------------
// Drawing into a 32-bit target

void CPicture::Draw(DrawTarget& target, const PictureRect& rc, const PictureRect* pClip, bool bSmooth) const {
  Draw(target, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, pClip, bSmooth);
}

void CPicture::Draw(DrawTarget& target, int x, int y, int cx, int cy, const PictureRect* pClip,
                    bool bSmooth) const {
  if (!IsValid() || !target.pPixels || target.nWidth <= 0 || target.nHeight <= 0 || !m_info.bEnabled) return;
  // A stride shorter than a row would make rows overlap: refuse rather than write past them.
  if (int64_t(target.nStride) < int64_t(target.nWidth) * 4) return;
  const int w = GetWidth(), h = GetHeight();
  if (cx < 0) cx = w;
  if (cy < 0) cy = h;
  if (cx == 0 || cy == 0) return;

  // Visible part: destination rectangle cut to the clip rectangle and the target.
  int64_t left = x, top = y, right = int64_t(x) + cx, bottom = int64_t(y) + cy;
  if (pClip) {
    left = std::max<int64_t>(left, pClip->left);
    top = std::max<int64_t>(top, pClip->top);
    right = std::min<int64_t>(right, pClip->right);
    bottom = std::min<int64_t>(bottom, pClip->bottom);
  }
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, target.nWidth);
  bottom = std::min<int64_t>(bottom, target.nHeight);
  if (left >= right || top >= bottom) return;

  const float fx = static_cast<float>(w) / static_cast<float>(cx);
  const float fy = static_cast<float>(h) / static_cast<float>(cy);
  const bool palette = GetBpp() <= 8;
  const int transIndex = m_info.nBkgndIndex;
  const bool hasTrans = transIndex >= 0;
  const RgbQuad transColor = m_info.nBkgndColor;
  const uint32_t eff = GetEffWidth();
  const uint8_t* bits = GetBits();

  // Source colour of picture pixel (sx, row counted from the top).
  auto fetch = [&](int sx, int syTop, int& b, int& g, int& r, int& a) {
    int sy = h - 1 - syTop;
    if (palette) {
      RgbQuad c = GetPaletteColor(GetPixelIndex(sx, sy));
      b = c.rgbBlue;
      g = c.rgbGreen;
      r = c.rgbRed;
    } else {
      const uint8_t* p = bits + size_t(sy) * eff + size_t(sx) * 3;
      b = p[0];
      g = p[1];
      r = p[2];
    }
    a = HasAlpha() ? m_alpha[size_t(sy) * size_t(w) + size_t(sx)] : 255;
  };
  auto isTransparent = [&](int sx, int syTop) {
    if (!hasTrans) return false;
    int sy = h - 1 - syTop;
    if (palette) return GetPixelIndex(sx, sy) == transIndex;
    const uint8_t* p = bits + size_t(sy) * eff + size_t(sx) * 3;
    return p[0] == transColor.rgbBlue && p[1] == transColor.rgbGreen && p[2] == transColor.rgbRed;
  };

  for (int64_t dy = top; dy < bottom; ++dy) {
    uint8_t* out = target.pPixels + size_t(dy) * size_t(target.nStride);
    const int j = static_cast<int>(dy - y);
    int syTop = std::min(h - 1, static_cast<int>(static_cast<float>(j) * fy));
    for (int64_t dx = left; dx < right; ++dx) {
      const int i = static_cast<int>(dx - x);
      int sx = std::min(w - 1, static_cast<int>(static_cast<float>(i) * fx));
      if (isTransparent(sx, syTop)) continue;
      int b, g, r, a;
      if (bSmooth) {
        float px = (static_cast<float>(i) + 0.5f) * fx - 0.5f;
        float py = (static_cast<float>(j) + 0.5f) * fy - 0.5f;
        px = std::min(std::max(px, 0.0f), static_cast<float>(w - 1));
        py = std::min(std::max(py, 0.0f), static_cast<float>(h - 1));
        int x0 = static_cast<int>(px), y0 = static_cast<int>(py);
        int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
        float tx = px - static_cast<float>(x0), ty = py - static_cast<float>(y0);
        int c[4][4];
        fetch(x0, y0, c[0][0], c[0][1], c[0][2], c[0][3]);
        fetch(x1, y0, c[1][0], c[1][1], c[1][2], c[1][3]);
        fetch(x0, y1, c[2][0], c[2][1], c[2][2], c[2][3]);
        fetch(x1, y1, c[3][0], c[3][1], c[3][2], c[3][3]);
        int v[4];
        for (int k = 0; k < 4; ++k) {
          float top2 = c[0][k] + (c[1][k] - c[0][k]) * tx;
          float bot2 = c[2][k] + (c[3][k] - c[2][k]) * tx;
          v[k] = static_cast<int>(top2 + (bot2 - top2) * ty + 0.5f);
        }
        b = v[0];
        g = v[1];
        r = v[2];
        a = v[3];
      } else {
        fetch(sx, syTop, b, g, r, a);
      }
      uint8_t* p = out + size_t(dx) * 4;
      if (a >= 255) {
        p[0] = static_cast<uint8_t>(b);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(r);
      } else if (a > 0) {
        p[0] = static_cast<uint8_t>((b * a + p[0] * (255 - a)) / 255);
        p[1] = static_cast<uint8_t>((g * a + p[1] * (255 - a)) / 255);
        p[2] = static_cast<uint8_t>((r * a + p[2] * (255 - a)) / 255);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Depth conversions

uint8_t CPicture::GetNearestIndex(RgbQuad c) const {
  const RgbQuad* pal = GetPalette();
  if (!pal) return 0;
  if (m_bLastLookup && m_lastColor.rgbBlue == c.rgbBlue && m_lastColor.rgbGreen == c.rgbGreen &&
      m_lastColor.rgbRed == c.rgbRed)
    return m_lastIndex;

  uint32_t count = GetNumColors();
  if (m_header.biClrImportant > 0 && m_header.biClrImportant < count) count = m_header.biClrImportant;

  uint32_t best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (uint32_t i = 0; i < count; ++i) {
    long db = long(pal[i].rgbBlue) - c.rgbBlue;
    long dg = long(pal[i].rgbGreen) - c.rgbGreen;
    long dr = long(pal[i].rgbRed) - c.rgbRed;
    long distance = db * db + dg * dg + dr * dr;
    if (distance == 0) {
      best = i;
      break;
    }
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  m_bLastLookup = true;
  m_lastColor = c;
  m_lastIndex = static_cast<uint8_t>(best);
  return m_lastIndex;
}

bool CPicture::DecreaseBpp(int nBits, bool bErrorDiffusion, const RgbQuad* pPalette, uint32_t nClrImportant) {
  if (!IsValid()) {
    SetLastError("DecreaseBpp: the picture is empty");
    return false;
  }
  if (nBits != 1 && nBits != 4 && nBits != 8) {
    SetLastError("DecreaseBpp: bits must be 1, 4 or 8");
    return false;
  }
  if (GetBpp() < nBits) {
    SetLastError("DecreaseBpp: the picture has fewer bits than asked");
    return false;
  }
  if (GetBpp() == nBits &&
      (nClrImportant == 0 || (GetClrImportant() != 0 && GetClrImportant() < nClrImportant)))
    return true;

  CPicture result(GetType());
  result.CopyInfoFrom(*this);
  if (!result.Create(GetWidth(), GetHeight(), nBits, GetType())) {
    SetLastError(result.GetLastError());
    return false;
  }
  result.m_header.biXPelsPerMeter = m_header.biXPelsPerMeter;
  result.m_header.biYPelsPerMeter = m_header.biYPelsPerMeter;
  result.SyncHeader();
  if (pPalette)
    result.SetPalette(pPalette, static_cast<int>(result.GetNumColors()));
  else
    result.SetStdPalette();
  result.SetClrImportant(nClrImportant);
  result.m_selection = m_selection;
  result.m_alpha = m_alpha;
  if (m_info.nBkgndIndex >= 0) {
    // The transparent colour keeps its meaning in the new palette.
    RgbQuad trans = GetBpp() <= 8 ? GetPaletteColor(static_cast<uint8_t>(m_info.nBkgndIndex)) : m_info.nBkgndColor;
    result.m_info.nBkgndIndex = result.GetNearestIndex(trans);
    result.m_info.nBkgndColor = trans;
  }

  // The errors are spread over true-colour rows: a 24-bit picture's own (the result
  // replaces it below), else a true-colour copy, so that palette sources keep the full
  // precision of the diffused values too.
  CPicture copy;
  if (GetBpp() != 24) {
    copy = *this;
    if (bErrorDiffusion && copy.GetBpp() <= 8 && !copy.IncreaseBpp24()) {
      SetLastError(copy.GetLastError());
      return false;
    }
  }
  CPicture& source = GetBpp() != 24 ? copy : *this;

  const int w = GetWidth(), h = GetHeight();
  const RgbQuad* pal = result.GetPalette();
  uint8_t* srcBits = source.GetBits();
  const uint32_t srcEff = source.GetEffWidth();
  auto diffuse = [&](int px, int py, int eb, int eg, int er, int share) {
    if (px < 0 || px >= w || py >= h) return;
    uint8_t* p = srcBits + size_t(py) * srcEff + size_t(px) * 3;
    p[0] = ClampByte(p[0] + eb * share / 16);
    p[1] = ClampByte(p[1] + eg * share / 16);
    p[2] = ClampByte(p[2] + er * share / 16);
  };

  if (source.GetBpp() == 24) {
    // The same indices as the loop below, with an exact nearest-entry accelerator and row
    // access (tests/image/test_fast_paths.cpp holds the two to each other).
    uint32_t nCount = result.GetNumColors();
    if (result.m_header.biClrImportant > 0 && result.m_header.biClrImportant < nCount)
      nCount = result.m_header.biClrImportant;
    if (nBits == 8) {
      ReduceRowsToPalette(srcBits, srcEff, w, h, pal, nCount, bErrorDiffusion, result.GetBits(), result.GetEffWidth());
    } else {
      std::vector<uint8_t> indices(size_t(w) * size_t(h));
      ReduceRowsToPalette(srcBits, srcEff, w, h, pal, nCount, bErrorDiffusion, indices.data(), size_t(w));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) result.SetPixelIndex(x, y, indices[size_t(y) * size_t(w) + size_t(x)]);
    }
    Adopt(std::move(result));
    return true;
  }

  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      RgbQuad c = source.GetPixelColor(x, y);
      uint8_t idx = result.GetNearestIndex(c);
      result.SetPixelIndex(x, y, idx);
      if (!bErrorDiffusion) continue;
      int eb = int(c.rgbBlue) - pal[idx].rgbBlue;
      int eg = int(c.rgbGreen) - pal[idx].rgbGreen;
      int er = int(c.rgbRed) - pal[idx].rgbRed;
      diffuse(x + 1, y, eb, eg, er, 7);
      diffuse(x - 1, y + 1, eb, eg, er, 2);
      diffuse(x, y + 1, eb, eg, er, 4);
      diffuse(x + 1, y + 1, eb, eg, er, 1);
    }
  }
  Adopt(std::move(result));
  return true;
}

bool CPicture::IncreaseBpp24() {
  if (!IsValid()) {
    SetLastError("IncreaseBpp24: the picture is empty");
    return false;
  }
  if (GetBpp() == 24) return true;
  CPicture result(GetType());
  result.CopyInfoFrom(*this);
  if (!result.Create(GetWidth(), GetHeight(), 24, GetType())) {
    SetLastError(result.GetLastError());
    return false;
  }
  result.m_header.biXPelsPerMeter = m_header.biXPelsPerMeter;
  result.m_header.biYPelsPerMeter = m_header.biYPelsPerMeter;
  result.SyncHeader();
  const int w = GetWidth(), h = GetHeight();
  for (int y = 0; y < h; ++y) {
    uint8_t* out = result.GetBits() + size_t(y) * result.GetEffWidth();
    for (int x = 0; x < w; ++x) {
      RgbQuad c = GetPaletteColor(GetPixelIndex(x, y));
      out[x * 3] = c.rgbBlue;
      out[x * 3 + 1] = c.rgbGreen;
      out[x * 3 + 2] = c.rgbRed;
    }
  }
  // A transparent index becomes a transparent colour.
  if (m_info.nBkgndIndex >= 0 && uint32_t(m_info.nBkgndIndex) < GetNumColors()) {
    result.m_info.nBkgndColor = GetPaletteColor(static_cast<uint8_t>(m_info.nBkgndIndex));
  }
  result.m_selection = m_selection;
  result.m_alpha = m_alpha;
  Adopt(std::move(result));
  return true;
}

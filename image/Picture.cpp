// CPicture, the container: construction and copies, allocation, sizes, rows, palette,
// pixel access and the optional alpha and selection planes. The codec dispatch lives in
// PictureFiles.cpp, drawing in PictureDraw.cpp, the depth conversions in PictureDepth.cpp.
#include "image/Picture.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "image/Codecs.h"

namespace {

constexpr size_t kHeaderSize = sizeof(BitmapInfoHeader);

int RoundBits(int bits) {
  if (bits <= 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  return 24;
}

}  // namespace

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
  ClearLastError();
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
    SetLastError("CPicture::Create : width and height must be greater than zero", ErrorKind::InvalidInput);
    return false;
  }
  bits = RoundBits(bits);
  const char* const kNoMemory = "CPicture::Create can't allocate memory";
  if (width > kDecodeSideBudget || height > kDecodeSideBudget ||
      int64_t(width) * int64_t(height) > kDecodePixelBudget) {
    SetLastError(kNoMemory, ErrorKind::TooLarge);
    return false;
  }
  const uint64_t effWidth = ((uint64_t(width) * uint64_t(bits) + 31) / 32) * 4;
  const uint64_t nColors = bits <= 8 ? (1u << bits) : 0;
  const uint64_t imageSize = effWidth * uint64_t(height);
  const uint64_t total = kHeaderSize + nColors * sizeof(RgbQuad) + imageSize;
  if (imageSize > std::numeric_limits<uint32_t>::max() || total > std::numeric_limits<size_t>::max() ||
      total > uint64_t(kDecodeByteBudget)) {
    SetLastError(kNoMemory, ErrorKind::TooLarge);
    return false;
  }
  std::vector<uint8_t> dib;
  try {
    dib.assign(static_cast<size_t>(total), 0);
  } catch (const std::bad_alloc&) {
    SetLastError(kNoMemory, ErrorKind::TooLarge);
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

void CPicture::SetLastError(const std::string& text, ErrorKind kind) const {
  m_info.szLastError = text.substr(0, 255);
  m_info.nLastErrorKind = kind == ErrorKind::None ? ErrorKind::InvalidInput : kind;
}

void CPicture::ClearLastError() const {
  m_info.szLastError.clear();
  m_info.nLastErrorKind = ErrorKind::None;
}

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
    SetLastError("CPicture::AlphaCreate can't allocate memory", ErrorKind::TooLarge);
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
    SetLastError("CPicture::SelectionCreate can't allocate memory", ErrorKind::TooLarge);
    return false;
  }
  return true;
}

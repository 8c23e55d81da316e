// CPicture: one picture held as a device-independent bitmap (header, palette,
// bottom-up rows padded to 4 bytes), with the file formats the program reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Result.h"

struct PictureCodec;

// Picture type codes (file formats).
enum PictureType : int {
  PICTURE_UNKNOWN = 0,
  PICTURE_BMP = 1,
  PICTURE_GIF = 2,
  PICTURE_JPEG = 3,
  PICTURE_PNG = 4,
  PICTURE_ICO = 5,
  PICTURE_TIFF = 6,
  PICTURE_TGA = 7,
  PICTURE_PCX = 8,
  PICTURE_WBMP = 9,
  PICTURE_WMF = 10,
  PICTURE_JP2 = 11,
  PICTURE_JPC = 12,
  PICTURE_PGX = 13,
  PICTURE_PNM = 14,
  PICTURE_RAS = 15,
};

// Type code from the text after the last '.' of a path, lower-cased; 0 when unknown.
int ImageTypeFromExtension(const std::string& path);
// True for the codes 1..15 of a known format (readable, writable or neither).
bool IsPictureType(int type);

#pragma pack(push, 1)
struct BitmapInfoHeader {  // the 40-byte Windows bitmap information header
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 3780;  // 96 dpi
  int32_t biYPelsPerMeter = 3780;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
struct RgbQuad {
  uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40, "bitmap header must be 40 bytes");

// Clip rectangle / destination rectangle for Draw (right and bottom exclusive).
struct PictureRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// A 32-bit drawing target (blue, green, red, unused per pixel; rows top-down,
// stride in bytes). The window code turns it into a bitmap and blits it.
struct DrawTarget {
  uint8_t* pPixels = nullptr;
  int nWidth = 0;
  int nHeight = 0;
  int nStride = 0;
};

struct PictureInfo {
  int nType = 0;               // format type code
  std::string szLastError;     // at most 255 characters
  ErrorKind nLastErrorKind = ErrorKind::None;  // what kind of failure szLastError reports
  int nJpegQuality = 90;
  int nFrameDelay = 0;         // hundredths of a second
  int nBkgndIndex = -1;        // transparent palette index, -1 = none
  RgbQuad nBkgndColor;         // transparent colour
  int xOffset = 0, yOffset = 0;  // image position (GIF frames)
  bool bEnabled = true;
};

class CPicture {
 public:
  explicit CPicture(int type = 0);
  CPicture(const std::string& fileName, int type);
  CPicture(const uint8_t* pData, size_t nSize, int type);
  CPicture(const CPicture& src, bool bCopyPixels, bool bCopySelection, bool bCopyAlpha);
  CPicture(const CPicture& src);
  CPicture& operator=(const CPicture& src);
  CPicture(CPicture&&) noexcept = default;
  CPicture& operator=(CPicture&&) noexcept = default;
  virtual ~CPicture() = default;

  // Allocation: bits rounded up to 1, 4, 8 or 24; palette all zero.
  bool Create(int width, int height, int bits, int type);
  void Destroy();
  bool IsValid() const { return !m_dib.empty(); }

  int GetWidth() const { return m_header.biWidth; }
  int GetHeight() const { return m_header.biHeight; }
  int GetBpp() const { return m_header.biBitCount; }
  int GetType() const { return m_info.nType; }
  // Bytes of one stored row: ((width * bits + 31) / 32) * 4.
  uint32_t GetEffWidth() const;
  uint32_t GetPaletteSize() const;  // bytes
  uint32_t GetNumColors() const;    // palette entries (0 for 24-bit)

  // Row 0: start of the pixel data; 0 < r < height: stored row r (row 0 is the bottom row
  // of the picture); anything else, or an empty picture: null.
  uint8_t* GetBits(int row = 0);
  const uint8_t* GetBits(int row = 0) const;

  RgbQuad* GetPalette();
  const RgbQuad* GetPalette() const;
  void SetPalette(const RgbQuad* pPal, int nColors);
  RgbQuad GetPaletteColor(uint8_t idx) const;
  void SetPaletteColor(uint8_t idx, RgbQuad c);
  void SetGrayPalette();
  void SetStdPalette();

  // Pixel access in picture coordinates (x right, y counted from the bottom stored row).
  uint8_t GetPixelIndex(int x, int y) const;
  void SetPixelIndex(int x, int y, uint8_t idx);
  RgbQuad GetPixelColor(int x, int y) const;
  void SetPixelColor(int x, int y, RgbQuad c);

  // Optional planes (width * height bytes each, same row order as the pixels).
  bool HasAlpha() const { return !m_alpha.empty(); }
  bool AlphaCreate();
  void AlphaDelete() { m_alpha.clear(); }
  uint8_t* AlphaGetPointer(int x = 0, int y = 0);
  const uint8_t* AlphaGetPointer(int x = 0, int y = 0) const;
  bool HasSelection() const { return !m_selection.empty(); }
  bool SelectionCreate();
  void SelectionDelete() { m_selection.clear(); }

  const BitmapInfoHeader& GetHeader() const { return m_header; }
  PictureInfo& Info() { return m_info; }
  const PictureInfo& Info() const { return m_info; }

  const std::string& GetLastError() const { return m_info.szLastError; }
  // The last error's kind: Truncated, TooLarge, Unsupported... (None when there is none).
  ErrorKind GetLastErrorKind() const { return m_info.nLastErrorKind; }

  int GetJpegQuality() const { return m_info.nJpegQuality; }
  void SetJpegQuality(int q) { m_info.nJpegQuality = q; }
  int GetFrameDelay() const { return m_info.nFrameDelay; }
  void SetFrameDelay(int d) { m_info.nFrameDelay = d; }
  // Palette pictures: the transparent palette index (-1 = none). True-colour pictures: any
  // value >= 0 turns on the transparent colour (GetTransColor).
  int GetTransIndex() const { return m_info.nBkgndIndex; }
  void SetTransIndex(int idx) { m_info.nBkgndIndex = idx; }
  void SetOffset(int x, int y) { m_info.xOffset = x; m_info.yOffset = y; }
  RgbQuad GetTransColor() const { return m_info.nBkgndColor; }
  void SetTransColor(RgbQuad c) { m_info.nBkgndColor = c; }
  void Enable(bool b) { m_info.bEnabled = b; }
  int GetXDPI() const;
  int GetYDPI() const;
  void SetXDPI(int dpi);
  void SetYDPI(int dpi);
  uint32_t GetClrImportant() const { return m_header.biClrImportant; }
  void SetClrImportant(uint32_t n);

  // Whole DIB: header, palette, rows (what a BMP file holds after its 14-byte file header).
  const uint8_t* GetDib() const { return m_dib.empty() ? nullptr : m_dib.data(); }
  size_t GetDibSize() const { return m_dib.size(); }

  bool Load(const std::string& fileName, int type);
  bool Decode(const uint8_t* pData, size_t nSize, int type);
  bool Save(const std::string& fileName, int type) const;
  bool Encode(FILE* fp, int type) const;
  // Embedded PNG resources of the program, by numeric id.
  bool LoadResource(int resourceId, int type);

  // Draw into a 32-bit target; cx or cy < 0 means the natural size.
  void Draw(DrawTarget& target, int x, int y, int cx, int cy, const PictureRect* pClip = nullptr,
            bool bSmooth = false) const;
  void Draw(DrawTarget& target, const PictureRect& rc, const PictureRect* pClip = nullptr,
            bool bSmooth = false) const;

  // Converts to a palette picture (error diffusion optional); see the implementation notes.
  bool DecreaseBpp(int nBits, bool bErrorDiffusion, const RgbQuad* pPalette = nullptr,
                   uint32_t nClrImportant = 0);
  // Converts any picture to 24 bits (palette expanded).
  bool IncreaseBpp24();
  // Nearest palette index (squared BGR distance over the important entries; first smallest wins).
  uint8_t GetNearestIndex(RgbQuad c) const;

 protected:
  // The last error, as the codecs and the operations above report it (cut to 255 characters).
  void SetLastError(const std::string& text, ErrorKind kind = ErrorKind::InvalidInput) const;
  void SetLastError(const Result& failure) const { SetLastError(failure.FullText(), failure.kind); }
  void ClearLastError() const;
  void CopyInfoFrom(const CPicture& src);
  // Keeps the header copy at the start of the DIB in step with m_header.
  void SyncHeader();
  void ForgetLookup() const { m_bLastLookup = false; }
  // Takes over a decoded picture's buffers and information.
  void Adopt(CPicture&& other);
  // Decodes with one codec, or with the first whose signature matches (bRecognised: some
  // signature matched, so a failure is that format's reason); this picture changes only on success.
  Result DecodeWith(const PictureCodec& codec, const uint8_t* pData, size_t nSize);
  Result DecodeDetected(const uint8_t* pData, size_t nSize, bool& bRecognised);
  // Mutable: the last error (Save and Encode are const) and the nearest-index memo change
  // inside const operations.
  mutable PictureInfo m_info;
  BitmapInfoHeader m_header;
  std::vector<uint8_t> m_dib;        // header + palette + rows
  std::vector<uint8_t> m_alpha;      // optional
  std::vector<uint8_t> m_selection;  // optional
  mutable bool m_bLastLookup = false;
  mutable RgbQuad m_lastColor;
  mutable uint8_t m_lastIndex = 0;
  friend class CPictureCodecAccess;
};

// Animated GIF writer (multi-image encoder).
class CPictureGIF : public CPicture {
 public:
  CPictureGIF() : CPicture(PICTURE_GIF) {}
  using CPicture::Encode;
  void SetLoops(int n) { m_nLoops = n; }
  int GetLoops() const { return m_nLoops; }
  void SetDisposalMethod(int d) { m_nDisposal = d; }
  int GetDisposalMethod() const { return m_nDisposal; }
  void SetComment(const std::string& c) { m_szComment = c.substr(0, 255); }
  const std::string& GetComment() const { return m_szComment; }
  // Writes `count` palette images as one GIF89a; false with the last error on failure.
  bool Encode(FILE* fp, CPicture** ppImages, int count, bool bLocalColorMap);

 private:
  int m_nLoops = 0;
  int m_nDisposal = 0;
  std::string m_szComment;
};

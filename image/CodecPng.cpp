// PNG through libpng: every colour type is read, 16-bit samples are cut to 8; palette and
// 24-bit pictures are written with the library's defaults.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Picture.h"

namespace {

struct PngReadState {
  CPicture* pPic = nullptr;
  const uint8_t* pData = nullptr;
  size_t nSize = 0;
  size_t nPos = 0;
  std::vector<uint8_t> pixels;  // decoded rows, top row first
  std::vector<png_bytep> rows;
  std::string szError;
  ErrorKind nKind = ErrorKind::InvalidInput;
  bool bCreated = false;
};

struct PngWriteState {
  const CPicture* pPic = nullptr;
  FILE* fp = nullptr;
  std::vector<uint8_t> row;
  std::vector<png_color> palette;
  std::vector<png_byte> trans;
  std::string szError;
};

// libpng must not return from its error callback: record the text and jump back.
void PngErrorFn(png_structp png, png_const_charp msg) {
  auto* err = static_cast<std::string*>(png_get_error_ptr(png));
  if (err && err->empty()) *err = msg ? msg : "unknown error";
  png_longjmp(png, 1);
}

void PngWarningFn(png_structp, png_const_charp) {}

void PngReadFn(png_structp png, png_bytep out, png_size_t len) {
  auto* st = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (len > st->nSize - st->nPos) {
    st->nKind = ErrorKind::Truncated;
    png_error(png, "PNG file truncated");
  }
  memcpy(out, st->pData + st->nPos, len);
  st->nPos += len;
}

// Deflate turns at most 258 bytes into 2 bits, so compressed data shorter than a 1032nd of
// the rows (plus a margin for block headers) cannot hold them. Checked before the rows are
// allocated: a tiny file that declares a huge picture is refused at once.
bool PngBodyCanHold(const uint8_t* data, size_t size, png_uint_32 width, png_uint_32 height, int bitDepth,
                    int colorType) {
  int channels = 1;
  if (colorType == PNG_COLOR_TYPE_RGB) channels = 3;
  else if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  const uint64_t rowBytes = (uint64_t(width) * uint64_t(channels) * uint64_t(bitDepth) + 7) / 8;
  const uint64_t raw = uint64_t(height) * (rowBytes + 1);
  uint64_t idat = 0;
  size_t pos = 8;
  while (pos + 12 <= size) {
    const uint32_t len = uint32_t(data[pos]) << 24 | uint32_t(data[pos + 1]) << 16 | uint32_t(data[pos + 2]) << 8 |
                         uint32_t(data[pos + 3]);
    if (std::memcmp(data + pos + 4, "IDAT", 4) == 0) idat += std::min<uint64_t>(len, size - pos - 12);
    if (len > size - pos - 12) break;
    pos += 12 + size_t(len);
  }
  return idat * 1032 + 4096 >= raw;
}

int PpmToDpi(png_uint_32 ppm) { return static_cast<int>(ppm * 0.0254 + 0.5); }

// Sets the picture from rows of one 8-bit index per pixel (any palette depth).
void StoreIndices(CPicture& pic, const PngReadState& st, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const png_bytep src = st.rows[size_t(y)];
    for (int x = 0; x < width; ++x) pic.SetPixelIndex(x, height - 1 - y, src[x]);
  }
}

bool DecodeInner(PngReadState& st) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &st.szError, PngErrorFn,
                                           PngWarningFn);
  if (!png) {
    st.szError = "cannot initialise the PNG decoder";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    st.szError = "cannot initialise the PNG decoder";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &st, PngReadFn);
  png_set_user_limits(png, static_cast<png_uint_32>(kDecodeSideBudget),
                      static_cast<png_uint_32>(kDecodeSideBudget));
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  {
    // In a block of its own: the library's longjmp must not skip a live destructor.
    const Result budget = CheckDecodeBudget("PNG: picture too large", width, height, 4);
    if (!budget) {
      st.szError = budget.message;
      st.nKind = budget.kind;
    } else if (!PngBodyCanHold(st.pData, st.nSize, width, height, bitDepth, colorType)) {
      st.szError = "PNG: the file is too short for a " + std::to_string(width) + " x " + std::to_string(height) +
                   " picture";
      st.nKind = ErrorKind::Truncated;
    }
  }
  if (!st.szError.empty()) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }

  // Palette transparency: one fully transparent entry becomes the transparent index;
  // anything subtler needs the alpha plane.
  int transIndex = -1;
  bool expandPalette = false;
  bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE && hasTrns) {
    png_bytep trans = nullptr;
    int nTrans = 0;
    png_get_tRNS(png, info, &trans, &nTrans, nullptr);
    int nClear = 0, nPartial = 0;
    for (int i = 0; i < nTrans; ++i) {
      if (trans[i] == 0) {
        ++nClear;
        transIndex = i;
      } else if (trans[i] != 255) {
        ++nPartial;
      }
    }
    if (nPartial > 0 || nClear > 1) {
      expandPalette = true;
      transIndex = -1;
    }
  }
  int greyTrans = -1;  // grey value marked transparent in a grey picture
  if (colorType == PNG_COLOR_TYPE_GRAY && hasTrns) {
    png_color_16p tc = nullptr;
    png_get_tRNS(png, info, nullptr, nullptr, &tc);
    if (tc) greyTrans = bitDepth == 16 ? tc->gray >> 8 : tc->gray;
  }

  if (bitDepth == 16) png_set_strip_16(png);
  enum { kIndexed, kGrey, kColour } layout;
  bool alpha = false;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expandPalette) {
    layout = kIndexed;
    png_set_packing(png);  // one byte per index
  } else if (colorType == PNG_COLOR_TYPE_GRAY) {
    layout = kGrey;
    png_set_packing(png);  // one byte per sample, values still 0..2^depth-1
  } else {
    layout = kColour;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (hasTrns) png_set_tRNS_to_alpha(png);
    alpha = hasTrns || (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    png_set_bgr(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const size_t rowBytes = png_get_rowbytes(png, info);
  try {
    st.pixels.resize(rowBytes * height);
    st.rows.resize(height);
  } catch (const std::bad_alloc&) {
    st.szError = "PNG: not enough memory for the picture";
    st.nKind = ErrorKind::TooLarge;
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  for (png_uint_32 y = 0; y < height; ++y) st.rows[y] = st.pixels.data() + size_t(y) * rowBytes;
  png_read_image(png, st.rows.data());
  png_read_end(png, nullptr);

  CPicture& pic = *st.pPic;
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  int bits = 24;
  if (layout == kIndexed || layout == kGrey) bits = bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
  if (!pic.Create(w, h, bits, PICTURE_PNG)) {
    st.szError = pic.GetLastError();
    st.nKind = pic.GetLastErrorKind();
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  st.bCreated = true;

  if (layout == kIndexed) {
    png_colorp pal = nullptr;
    int nPal = 0;
    png_get_PLTE(png, info, &pal, &nPal);
    std::vector<RgbQuad> quads(size_t(1) << bits);
    for (int i = 0; i < nPal && i < static_cast<int>(quads.size()); ++i) {
      quads[size_t(i)].rgbRed = pal[i].red;
      quads[size_t(i)].rgbGreen = pal[i].green;
      quads[size_t(i)].rgbBlue = pal[i].blue;
    }
    pic.SetPalette(quads.data(), static_cast<int>(quads.size()));
    StoreIndices(pic, st, w, h);
    if (transIndex >= 0) pic.SetTransIndex(transIndex);
  } else if (layout == kGrey) {
    const int levels = 1 << std::min(bitDepth, 8);
    std::vector<RgbQuad> quads(size_t(1) << bits);
    for (int i = 0; i < levels; ++i) {
      const auto v = static_cast<uint8_t>(i * 255 / (levels - 1));
      quads[size_t(i)].rgbRed = quads[size_t(i)].rgbGreen = quads[size_t(i)].rgbBlue = v;
    }
    pic.SetPalette(quads.data(), static_cast<int>(quads.size()));
    StoreIndices(pic, st, w, h);
    if (greyTrans >= 0 && greyTrans < levels) pic.SetTransIndex(greyTrans);
  } else {
    if (alpha && !pic.AlphaCreate()) {
      st.szError = pic.GetLastError();
      st.nKind = pic.GetLastErrorKind();
      png_destroy_read_struct(&png, &info, nullptr);
      return false;
    }
    const int channels = png_get_channels(png, info);
    const size_t eff = pic.GetEffWidth();
    for (int y = 0; y < h; ++y) {
      const png_bytep src = st.rows[size_t(y)];
      uint8_t* dst = pic.GetBits() + size_t(h - 1 - y) * eff;
      uint8_t* a = alpha ? pic.AlphaGetPointer(0, h - 1 - y) : nullptr;
      for (int x = 0; x < w; ++x) {
        const png_bytep p = src + size_t(x) * size_t(channels);
        dst[3 * x] = p[0];
        dst[3 * x + 1] = p[1];
        dst[3 * x + 2] = p[2];
        if (a) a[x] = channels == 4 ? p[3] : 255;
      }
    }
  }

  png_uint_32 xppm = 0, yppm = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &xppm, &yppm, &unit) && unit == PNG_RESOLUTION_METER) {
    if (PpmToDpi(xppm) > 0) pic.SetXDPI(PpmToDpi(xppm));
    if (PpmToDpi(yppm) > 0) pic.SetYDPI(PpmToDpi(yppm));
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool EncodeInner(PngWriteState& st) {
  const CPicture& pic = *st.pPic;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &st.szError, PngErrorFn,
                                            PngWarningFn);
  if (!png) {
    st.szError = "cannot initialise the PNG encoder";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    st.szError = "cannot initialise the PNG encoder";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, st.fp);

  const int w = pic.GetWidth(), h = pic.GetHeight(), bpp = pic.GetBpp();
  const bool rgba = pic.HasAlpha();
  const bool indexed = bpp <= 8 && !rgba;
  if (indexed) {
    const uint32_t nColors = pic.GetNumColors();
    const RgbQuad* pal = pic.GetPalette();
    st.palette.resize(nColors);
    for (uint32_t i = 0; i < nColors; ++i) {
      st.palette[i].red = pal[i].rgbRed;
      st.palette[i].green = pal[i].rgbGreen;
      st.palette[i].blue = pal[i].rgbBlue;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), bpp,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, st.palette.data(), static_cast<int>(nColors));
    const int ti = pic.GetTransIndex();
    if (ti >= 0 && ti < static_cast<int>(nColors)) {
      st.trans.assign(size_t(ti) + 1, 255);
      st.trans[size_t(ti)] = 0;
      png_set_tRNS(png, info, st.trans.data(), ti + 1, nullptr);
    }
  } else {
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  }
  const auto dpiToPpm = [](int dpi) { return static_cast<png_uint_32>(dpi / 0.0254 + 0.5); };
  if (pic.GetXDPI() > 0 && pic.GetYDPI() > 0)
    png_set_pHYs(png, info, dpiToPpm(pic.GetXDPI()), dpiToPpm(pic.GetYDPI()),
                 PNG_RESOLUTION_METER);
  png_write_info(png, info);

  const size_t eff = pic.GetEffWidth();
  if (!indexed) st.row.resize(size_t(w) * (rgba ? 4 : 3));
  for (int y = 0; y < h; ++y) {
    const int stored = h - 1 - y;
    const uint8_t* src = pic.GetBits() + size_t(stored) * eff;
    if (indexed) {
      png_write_row(png, const_cast<png_bytep>(src));  // packed indices as stored
      continue;
    }
    const uint8_t* a = rgba ? pic.AlphaGetPointer(0, stored) : nullptr;
    uint8_t* out = st.row.data();
    for (int x = 0; x < w; ++x) {
      RgbQuad c;
      if (bpp == 24) {
        c.rgbBlue = src[3 * x];
        c.rgbGreen = src[3 * x + 1];
        c.rgbRed = src[3 * x + 2];
      } else {
        c = pic.GetPixelColor(x, stored);
      }
      *out++ = c.rgbRed;
      *out++ = c.rgbGreen;
      *out++ = c.rgbBlue;
      if (rgba) *out++ = a[x];
    }
    png_write_row(png, st.row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool SniffPng(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return data && size >= 8 && memcmp(data, kSignature, 8) == 0;
}

Result DecodePng(CPicture& pic, const uint8_t* data, size_t size) {
  if (!SniffPng(data, size)) return Result::Fail("Not a PNG file");
  PngReadState st;
  st.pPic = &pic;
  st.pData = data;
  st.nSize = size;
  if (DecodeInner(st)) return Result::Success();
  if (st.bCreated) pic.Destroy();
  return Result::Fail(st.nKind, st.szError.rfind("PNG", 0) == 0 ? st.szError : "PNG: " + st.szError);
}

Result EncodePng(const CPicture& pic, FILE* fp) {
  if (!fp) return Result::Fail("PNG: invalid file pointer");
  if (!pic.IsValid()) return Result::Fail("PNG: no picture to save");
  PngWriteState st;
  st.pPic = &pic;
  st.fp = fp;
  if (EncodeInner(st) && fflush(fp) == 0) return Result::Success();
  return Result::Fail(ErrorKind::Io, st.szError.empty() ? "PNG: cannot write the file" : "PNG: " + st.szError);
}

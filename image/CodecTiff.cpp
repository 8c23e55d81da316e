// TIFF through libtiff: the first page of a file is read from memory; one page is written.
#include <tiffio.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Picture.h"

namespace {

constexpr const char* kOpenError = "Error encountered while opening TIFF file";

// Library messages go into the codec's own text instead of standard error.
int RecordError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto* text = static_cast<std::string*>(user);
  if (text && text->empty()) {
    char buf[512];
    vsnprintf(buf, sizeof buf, fmt, ap);
    *text = (module && *module) ? std::string(module) + ": " + buf : std::string(buf);
  }
  return 1;  // handled: nothing reaches the process-wide handlers
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Options that route messages to `text` and cap single allocations.
struct CTiffOptions {
  explicit CTiffOptions(std::string& text) : m_pOpts(TIFFOpenOptionsAlloc()) {
    if (!m_pOpts) return;
    TIFFOpenOptionsSetErrorHandlerExtR(m_pOpts, RecordError, &text);
    TIFFOpenOptionsSetWarningHandlerExtR(m_pOpts, IgnoreWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(m_pOpts, static_cast<tmsize_t>(kDecodePixelBudget) * 4);
  }
  ~CTiffOptions() {
    if (m_pOpts) TIFFOpenOptionsFree(m_pOpts);
  }
  CTiffOptions(const CTiffOptions&) = delete;
  CTiffOptions& operator=(const CTiffOptions&) = delete;
  TIFFOpenOptions* m_pOpts;
};

// Closes the handle however the function is left.
struct CTiffHandle {
  explicit CTiffHandle(TIFF* t) : m_pTif(t) {}
  ~CTiffHandle() {
    if (m_pTif) TIFFClose(m_pTif);
  }
  CTiffHandle(const CTiffHandle&) = delete;
  CTiffHandle& operator=(const CTiffHandle&) = delete;
  TIFF* m_pTif;
};

// ---- reading from memory ----

struct MemSource {
  const uint8_t* pData;
  toff_t nSize;
  toff_t nPos;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
  auto* src = static_cast<MemSource*>(h);
  if (n <= 0 || src->nPos >= src->nSize) return 0;
  const toff_t count = std::min<toff_t>(toff_t(n), src->nSize - src->nPos);
  memcpy(buf, src->pData + src->nPos, size_t(count));
  src->nPos += count;
  return tmsize_t(count);
}

tmsize_t MemWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* src = static_cast<MemSource*>(h);
  toff_t base = whence == SEEK_CUR ? src->nPos : whence == SEEK_END ? src->nSize : 0;
  // Offsets are unsigned; a backwards seek arrives as a wrapped value.
  const toff_t pos = base + off;
  if (whence == SEEK_SET) {
    if (off > src->nSize) return toff_t(-1);
    src->nPos = off;
    return src->nPos;
  }
  if (pos > src->nSize) return toff_t(-1);
  src->nPos = pos;
  return src->nPos;
}

int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemSource*>(h)->nSize; }
// The block is handed to the library as a read-only mapping, as a file mapped with
// PROT_READ would be: this version of the library reads tiles through the general reader
// only from mapped files.
int MemMap(thandle_t h, void** base, toff_t* size) {
  auto* src = static_cast<MemSource*>(h);
  *base = const_cast<uint8_t*>(src->pData);
  *size = src->nSize;
  return 1;
}

int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

// Sample i of a packed row of `bps`-bit samples (1, 2, 4 or 8), most significant bits first.
inline int PackedSample(const uint8_t* row, uint32_t i, int bps) {
  if (bps == 8) return row[i];
  const uint32_t bit = i * uint32_t(bps);
  const int shift = 8 - bps - int(bit & 7);
  return (row[bit >> 3] >> shift) & ((1 << bps) - 1);
}

bool ReadIndexedScanlines(TIFF* tif, CPicture& pic, int bps, std::string& err) {
  const int w = pic.GetWidth(), h = pic.GetHeight();
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize <= 0 || int64_t(lineSize) * 8 < int64_t(w) * bps) {
    err = "TIFF: bad scanline size";
    return false;
  }
  std::vector<uint8_t> line(static_cast<size_t>(lineSize));
  for (int y = 0; y < h; ++y) {
    if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0) return false;
    for (int x = 0; x < w; ++x)
      pic.SetPixelIndex(x, h - 1 - y, uint8_t(PackedSample(line.data(), uint32_t(x), bps)));
  }
  return true;
}

// 8-bit RGB or RGBA, contiguous: read exactly (the general reader premultiplies alpha).
bool ReadRgbScanlines(TIFF* tif, CPicture& pic, int spp, bool associated, std::string& err) {
  const int w = pic.GetWidth(), h = pic.GetHeight();
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize <= 0 || int64_t(lineSize) < int64_t(w) * spp) {
    err = "TIFF: bad scanline size";
    return false;
  }
  std::vector<uint8_t> line(static_cast<size_t>(lineSize));
  const size_t eff = pic.GetEffWidth();
  for (int y = 0; y < h; ++y) {
    if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0) return false;
    uint8_t* dst = pic.GetBits() + size_t(h - 1 - y) * eff;
    uint8_t* alpha = spp >= 4 ? pic.AlphaGetPointer(0, h - 1 - y) : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = line.data() + size_t(x) * size_t(spp);
      uint8_t r = p[0], g = p[1], b = p[2];
      if (alpha) {
        const uint8_t a = p[3];
        alpha[x] = a;
        if (associated && a > 0 && a < 255) {
          r = uint8_t(std::min(255, r * 255 / a));
          g = uint8_t(std::min(255, g * 255 / a));
          b = uint8_t(std::min(255, b * 255 / a));
        }
      }
      dst[3 * x] = b;
      dst[3 * x + 1] = g;
      dst[3 * x + 2] = r;
    }
  }
  return true;
}

// Any other layout through the library's RGBA reader (premultiplied alpha undone).
bool ReadRgbaImage(TIFF* tif, CPicture& pic, bool hasAlpha) {
  const int w = pic.GetWidth(), h = pic.GetHeight();
  std::vector<uint32_t> raster(size_t(w) * size_t(h));
  if (!TIFFReadRGBAImageOriented(tif, uint32_t(w), uint32_t(h), raster.data(), ORIENTATION_BOTLEFT,
                                 0))
    return false;
  const size_t eff = pic.GetEffWidth();
  for (int y = 0; y < h; ++y) {
    const uint32_t* src = raster.data() + size_t(y) * size_t(w);
    uint8_t* dst = pic.GetBits() + size_t(y) * eff;
    uint8_t* alpha = hasAlpha ? pic.AlphaGetPointer(0, y) : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint32_t p = src[x];
      int r = int(TIFFGetR(p)), g = int(TIFFGetG(p)), b = int(TIFFGetB(p));
      if (alpha) {
        const int a = int(TIFFGetA(p));
        alpha[x] = uint8_t(a);
        if (a > 0 && a < 255) {
          r = std::min(255, r * 255 / a);
          g = std::min(255, g * 255 / a);
          b = std::min(255, b * 255 / a);
        }
      }
      dst[3 * x] = uint8_t(b);
      dst[3 * x + 1] = uint8_t(g);
      dst[3 * x + 2] = uint8_t(r);
    }
  }
  return true;
}

void ReadResolution(TIFF* tif, CPicture& pic) {
  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1.0 : 0.0;
  if (scale > 0 && TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) && xres > 0 && xres < 1e6)
    pic.SetXDPI(int(xres * scale + 0.5));
  if (scale > 0 && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) && yres > 0 && yres < 1e6)
    pic.SetYDPI(int(yres * scale + 0.5));
}

// Failures without a text of their own take the library's (see DecodeTiff).
Result DecodeOpened(TIFF* tif, CPicture& pic, bool& created) {
  std::string err;
  uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0) {
    return Result::Fail("TIFF: missing or zero picture size");
  }
  // The RGBA path holds four bytes a pixel besides the picture.
  Result budget = CheckDecodeBudget("TIFF: picture too large", width, height, 4);
  if (!budget) return budget;
  uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
    photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  uint16_t nExtra = 0;
  uint16_t* extra = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &nExtra, &extra);
  const bool hasAlpha = nExtra > 0 && extra &&
                        (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);

  // Simple layouts are read row by row so that palettes and exact values survive.
  const bool simple = !TIFFIsTiled(tif) && planar == PLANARCONFIG_CONTIG &&
                      orientation == ORIENTATION_TOPLEFT;
  const bool smallSamples = bps == 1 || bps == 2 || bps == 4 || bps == 8;
  const int w = int(width), h = int(height);

  if (simple && spp == 1 && smallSamples &&
      (photometric == PHOTOMETRIC_PALETTE || photometric == PHOTOMETRIC_MINISBLACK ||
       photometric == PHOTOMETRIC_MINISWHITE)) {
    const int bits = bps == 1 ? 1 : bps <= 4 ? 4 : 8;
    if (!pic.Create(w, h, bits, PICTURE_TIFF)) {
      return FailureOf(pic);
    }
    created = true;
    std::vector<RgbQuad> pal(size_t(1) << bits);
    const int levels = 1 << bps;
    if (photometric == PHOTOMETRIC_PALETTE) {
      uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
      if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
        return Result::Fail("TIFF: palette picture without a colour map");
      }
      // Some writers store 8-bit values in the 16-bit map.
      bool eightBit = true;
      for (int i = 0; i < levels; ++i)
        if (red[i] > 255 || green[i] > 255 || blue[i] > 255) eightBit = false;
      for (int i = 0; i < levels; ++i) {
        pal[size_t(i)].rgbRed = uint8_t(eightBit ? red[i] : red[i] >> 8);
        pal[size_t(i)].rgbGreen = uint8_t(eightBit ? green[i] : green[i] >> 8);
        pal[size_t(i)].rgbBlue = uint8_t(eightBit ? blue[i] : blue[i] >> 8);
      }
    } else {
      for (int i = 0; i < levels; ++i) {
        int v = i * 255 / (levels - 1);
        if (photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
        pal[size_t(i)].rgbRed = pal[size_t(i)].rgbGreen = pal[size_t(i)].rgbBlue = uint8_t(v);
      }
    }
    pic.SetPalette(pal.data(), int(pal.size()));
    if (!ReadIndexedScanlines(tif, pic, bps, err)) return Result::Fail(err);
  } else if (simple && photometric == PHOTOMETRIC_RGB && bps == 8 &&
             (spp == 3 || (spp == 4 && hasAlpha))) {
    created = true;
    if (!pic.Create(w, h, 24, PICTURE_TIFF) || (spp == 4 && !pic.AlphaCreate())) {
      return FailureOf(pic);
    }
    if (!ReadRgbScanlines(tif, pic, spp, extra && extra[0] == EXTRASAMPLE_ASSOCALPHA, err))
      return Result::Fail(err);
  } else {
    char why[1024] = "";
    if (!TIFFRGBAImageOK(tif, why)) {
      return Result::Fail(ErrorKind::Unsupported, std::string("TIFF: ") + why);
    }
    created = true;
    if (!pic.Create(w, h, 24, PICTURE_TIFF) || (hasAlpha && !pic.AlphaCreate())) {
      return FailureOf(pic);
    }
    if (!ReadRgbaImage(tif, pic, hasAlpha)) return Result::Fail(std::string());
  }
  ReadResolution(tif, pic);
  return Result::Success();
}

// ---- writing to an open FILE* ----

// Offsets in the file are relative to where the TIFF starts in the stream.
struct FileSink {
  FILE* fp;
  off_t nBase;
};

tmsize_t FileRead(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<FileSink*>(h);
  return n <= 0 ? 0 : tmsize_t(fread(buf, 1, size_t(n), s->fp));
}

tmsize_t FileWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<FileSink*>(h);
  if (n <= 0) return 0;
  const size_t done = fwrite(buf, 1, size_t(n), s->fp);
  return done == size_t(n) ? n : -1;
}

toff_t FileSeek(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<FileSink*>(h);
  int rc;
  if (whence == SEEK_SET)
    rc = fseeko(s->fp, s->nBase + off_t(off), SEEK_SET);
  else
    rc = fseeko(s->fp, off_t(off), whence);
  if (rc != 0) return toff_t(-1);
  const off_t pos = ftello(s->fp);
  return pos < s->nBase ? toff_t(-1) : toff_t(pos - s->nBase);
}

int FileClose(thandle_t h) { return fflush(static_cast<FileSink*>(h)->fp); }

toff_t FileSize(thandle_t h) {
  auto* s = static_cast<FileSink*>(h);
  struct stat st {};
  if (fflush(s->fp) != 0 || fstat(fileno(s->fp), &st) != 0 || st.st_size < s->nBase) return 0;
  return toff_t(st.st_size - s->nBase);
}

bool WriteOpened(TIFF* tif, const CPicture& pic, std::string& err) {
  const int w = pic.GetWidth(), h = pic.GetHeight(), bpp = pic.GetBpp();
  const bool indexed = bpp <= 8;
  const bool alpha = !indexed && pic.HasAlpha();
  const int spp = indexed ? 1 : alpha ? 4 : 3;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(indexed ? bpp : 8));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(spp));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
  if (alpha) {
    uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(pic.GetXDPI()));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(pic.GetYDPI()));
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));

  std::vector<uint16_t> red, green, blue;
  if (indexed) {
    const size_t n = size_t(1) << bpp;
    red.assign(n, 0);
    green.assign(n, 0);
    blue.assign(n, 0);
    const RgbQuad* pal = pic.GetPalette();
    const size_t nColors = std::min<size_t>(n, pic.GetNumColors());
    for (size_t i = 0; pal && i < nColors; ++i) {
      red[i] = uint16_t(pal[i].rgbRed * 257);
      green[i] = uint16_t(pal[i].rgbGreen * 257);
      blue[i] = uint16_t(pal[i].rgbBlue * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }

  const size_t eff = pic.GetEffWidth();
  const size_t lineBytes = indexed ? (size_t(w) * size_t(bpp) + 7) / 8 : size_t(w) * size_t(spp);
  std::vector<uint8_t> line(std::max<size_t>(lineBytes, size_t(TIFFScanlineSize(tif))));
  for (int y = 0; y < h; ++y) {
    const int stored = h - 1 - y;
    const uint8_t* src = pic.GetBits() + size_t(stored) * eff;
    if (indexed) {
      memcpy(line.data(), src, lineBytes);
    } else {
      const uint8_t* a = alpha ? pic.AlphaGetPointer(0, stored) : nullptr;
      uint8_t* out = line.data();
      for (int x = 0; x < w; ++x) {
        *out++ = src[3 * x + 2];
        *out++ = src[3 * x + 1];
        *out++ = src[3 * x];
        if (a) *out++ = a[x];
      }
    }
    if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0) {
      if (err.empty()) err = "cannot write the picture data";
      return false;
    }
  }
  if (!TIFFWriteDirectory(tif)) {
    if (err.empty()) err = "cannot write the directory";
    return false;
  }
  return true;
}

}  // namespace

bool SniffTiff(const uint8_t* data, size_t size) {
  if (!data || size < 4) return false;
  // Classic (42) and big (43) files, either byte order.
  return (data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
         (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43));
}

Result DecodeTiff(CPicture& pic, const uint8_t* data, size_t size) {
  if (!data || size < 8) return Result::Fail(kOpenError);
  std::string libText;
  CTiffOptions opts(libText);
  MemSource src{data, toff_t(size), 0};
  CTiffHandle tif(TIFFClientOpenExt("memory", "r", &src, MemRead, MemWrite, MemSeek, MemClose,
                                    MemSize, MemMap, NoUnmap, opts.m_pOpts));
  if (!tif.m_pTif) return Result::Fail(kOpenError);
  Result r;
  bool created = false;
  try {
    r = DecodeOpened(tif.m_pTif, pic, created);
    if (r) return r;
  } catch (const std::bad_alloc&) {
    r = Result::Fail(ErrorKind::TooLarge, "TIFF: not enough memory for the picture");
  }
  if (created) pic.Destroy();
  if (r.message.empty())
    r.message = libText.empty() ? "TIFF: cannot read the picture data" : "TIFF: " + libText;
  return r;
}

Result EncodeTiff(const CPicture& pic, FILE* fp) {
  if (!fp) return Result::Fail("TIFF: invalid file pointer");
  if (!pic.IsValid()) return Result::Fail("TIFF: no picture to save");
  const Result cannotWrite = Result::Fail(ErrorKind::Io, "TIFF: cannot write the file");
  if (fflush(fp) != 0) return cannotWrite;
  const off_t base = ftello(fp);
  FileSink sink{fp, base < 0 ? 0 : base};
  std::string libText;
  CTiffOptions opts(libText);
  bool ok;
  std::string werr;
  {
    CTiffHandle tif(TIFFClientOpenExt("file", "w", &sink, FileRead, FileWrite, FileSeek, FileClose,
                                      FileSize, NoMap, NoUnmap, opts.m_pOpts));
    if (!tif.m_pTif)
      return Result::Fail(ErrorKind::Io, libText.empty() ? "TIFF: cannot start the file" : "TIFF: " + libText);
    ok = WriteOpened(tif.m_pTif, pic, werr) && TIFFFlush(tif.m_pTif);
  }
  // The library leaves the position wherever its last patch went; continue after the file.
  if (ok && fflush(fp) == 0 && fseeko(fp, 0, SEEK_END) == 0) return Result::Success();
  if (libText.empty() && werr.empty()) return cannotWrite;
  return Result::Fail(ErrorKind::Io, "TIFF: " + (libText.empty() ? werr : libText));
}

// JPEG through libjpeg: decoding from memory, encoding of 24-bit and grey pictures.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <jerror.h>

#include "image/Codecs.h"
#include "image/JpegGlue.h"
#include "image/Picture.h"

namespace {

struct JpegDecodeState {
  CPicture* pPic = nullptr;
  std::vector<uint8_t> row;  // one decoded row when it needs converting
  std::string szError;
  ErrorKind nKind = ErrorKind::InvalidInput;
  bool bCreated = false;  // the picture holds our half-filled rows
};

int DensityToDpi(int unit, int density) {
  if (density <= 0) return 0;
  if (unit == 1) return density;
  if (unit == 2) return static_cast<int>(density * 2.54 + 0.5);  // dots per centimetre
  return 0;
}

// Adobe writes CMYK inverted (0 = full ink); other writers do not.
void CmykRowToBgr(const uint8_t* src, uint8_t* dst, int width, bool inverted) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    int c = src[0], m = src[1], y = src[2], k = src[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    dst[0] = static_cast<uint8_t>(y * k / 255);
    dst[1] = static_cast<uint8_t>(m * k / 255);
    dst[2] = static_cast<uint8_t>(c * k / 255);
  }
}

// Runs the decompressor; the caller owns everything with a destructor (see JpegGlue.h).
bool DecodeInner(JpegDecodeState& st, const uint8_t* data, size_t size) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager jerr;
  cinfo.err = JpegErrorManagerInit(jerr);
  if (setjmp(jerr.jump)) {
    if (st.szError.empty()) {
      st.szError = jerr.szMessage;
      if (jerr.pub.msg_code == JWRN_JPEG_EOF) st.nKind = ErrorKind::Truncated;
      if (jerr.pub.msg_code == JERR_OUT_OF_MEMORY) st.nKind = ErrorKind::TooLarge;
    }
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jerr.bTruncationIsError = true;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);

  {
    // In a block of its own: the library's longjmp must not skip a live destructor.
    const Result budget = CheckDecodeBudget("JPEG: picture too large", cinfo.image_width, cinfo.image_height,
                                            cinfo.num_components > 3 ? 4 : 3);
    if (!budget) {
      st.szError = budget.message;
      st.nKind = budget.kind;
    }
  }
  if (!st.szError.empty()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  // Every 8 x 8 block of the first component costs at least one bit in some scan, so a file
  // with fewer bytes cannot hold the picture its header declares (a progressive file would
  // otherwise get its whole coefficient buffer before it is found empty).
  if (cinfo.num_components > 0) {
    const uint64_t blocks =
        uint64_t(cinfo.comp_info[0].width_in_blocks) * uint64_t(cinfo.comp_info[0].height_in_blocks);
    if (blocks / 8 > size) {
      st.szError = "JPEG: the file is too short for a " + std::to_string(cinfo.image_width) + " x " +
                   std::to_string(cinfo.image_height) + " picture";
      st.nKind = ErrorKind::Truncated;
      jpeg_destroy_decompress(&cinfo);
      return false;
    }
  }
  cinfo.mem->max_memory_to_use = static_cast<long>(kDecodeByteBudget);

  bool cmyk = false;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      cmyk = true;
      break;
    default:
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
  }
  jpeg_start_decompress(&cinfo);

  CPicture& pic = *st.pPic;
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const bool grey = cinfo.out_color_space == JCS_GRAYSCALE;
  if (!pic.Create(width, height, grey ? 8 : 24, PICTURE_JPEG)) {
    st.szError = pic.GetLastError();
    st.nKind = pic.GetLastErrorKind();
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  st.bCreated = true;
  if (grey) pic.SetGrayPalette();
  if (cmyk) st.row.resize(size_t(width) * 4);

  uint8_t* bits = pic.GetBits();
  const size_t eff = pic.GetEffWidth();
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* dst = bits + size_t(height - 1 - static_cast<int>(cinfo.output_scanline)) * eff;
    JSAMPROW row = cmyk ? st.row.data() : dst;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    if (cmyk) CmykRowToBgr(st.row.data(), dst, width, cinfo.saw_Adobe_marker);
  }
  // Every row is in: a missing end marker after them does no harm.
  jerr.bTruncationIsError = false;

  if (cinfo.saw_JFIF_marker) {
    const int xdpi = DensityToDpi(cinfo.density_unit, cinfo.X_density);
    const int ydpi = DensityToDpi(cinfo.density_unit, cinfo.Y_density);
    if (xdpi > 0) pic.SetXDPI(xdpi);
    if (ydpi > 0) pic.SetYDPI(ydpi);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool SniffJpeg(const uint8_t* data, size_t size) { return data && size >= 2 && data[0] == 0xFF && data[1] == 0xD8; }

Result DecodeJpeg(CPicture& pic, const uint8_t* data, size_t size) {
  JpegDecodeState st;
  st.pPic = &pic;
  if (!data || size == 0) return Result::Fail("JPEG: empty input");
  if (DecodeInner(st, data, size)) return Result::Success();
  if (st.bCreated) pic.Destroy();
  return Result::Fail(st.nKind, st.szError.rfind("JPEG", 0) == 0 ? st.szError : "JPEG: " + st.szError);
}

Result EncodeJpeg(const CPicture& pic, FILE* fp) {
  if (!fp) return Result::Fail("JPEG: invalid file pointer");
  if (!pic.IsValid()) return Result::Fail("JPEG: no picture to save");
  JpegSourceImage src;
  src.nWidth = pic.GetWidth();
  src.nHeight = pic.GetHeight();
  src.nXDpi = pic.GetXDPI();
  src.nYDpi = pic.GetYDPI();
  std::vector<uint8_t> grey;
  if (pic.GetBpp() == 24) {
    src.pBits = pic.GetBits();
    src.nStride = pic.GetEffWidth();
    src.nComponents = 3;
  } else if (IsGreyScalePicture(pic)) {
    // Palette indices become grey levels through the palette, whatever its order.
    const RgbQuad* pal = pic.GetPalette();
    const uint32_t nColors = pic.GetNumColors();
    const size_t w = size_t(src.nWidth);
    try {
      grey.resize(w * size_t(src.nHeight));
    } catch (const std::bad_alloc&) {
      return Result::Fail(ErrorKind::TooLarge, "JPEG: not enough memory");
    }
    for (int y = 0; y < src.nHeight; ++y) {
      const uint8_t* row = pic.GetBits() + size_t(y) * pic.GetEffWidth();
      uint8_t* out = grey.data() + size_t(y) * w;
      for (size_t x = 0; x < w; ++x) out[x] = row[x] < nColors ? pal[row[x]].rgbRed : 0;
    }
    src.pBits = grey.data();
    src.nStride = w;
    src.nComponents = 1;
  } else {
    return Result::Fail(ErrorKind::Unsupported, "JPEG can save only RGB or GreyScale images");
  }

  std::vector<uint8_t> out;
  std::string err;
  if (!JpegEncodeToMemory(src, pic.GetJpegQuality(), out, err)) return Result::Fail(err);
  if (fwrite(out.data(), 1, out.size(), fp) != out.size() || fflush(fp) != 0)
    return Result::Fail(ErrorKind::Io, "JPEG: cannot write the file");
  return Result::Success();
}

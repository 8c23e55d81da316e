#include "image/JpegGlue.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <jerror.h>

#include "image/Picture.h"

namespace {

void JpegErrorExit(j_common_ptr cinfo) {
  auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, mgr->szMessage);
  longjmp(mgr->jump, 1);
}

// Warnings are counted, never printed; a premature end of data is fatal while the caller
// still expects pixel rows.
void JpegEmitMessage(j_common_ptr cinfo, int msgLevel) {
  auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  if (msgLevel >= 0) return;  // trace messages
  ++mgr->nWarnings;
  ++cinfo->err->num_warnings;
  if (mgr->bTruncationIsError && cinfo->err->msg_code == JWRN_JPEG_EOF) {
    (*cinfo->err->format_message)(cinfo, mgr->szMessage);
    longjmp(mgr->jump, 1);
  }
}

void JpegOutputMessage(j_common_ptr cinfo) {
  auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, mgr->szMessage);
}

// Destination that grows a vector, so no buffer can leak or dangle when compression fails
// half-way (the library's own memory destination hands back a stale pointer then).
struct VectorDestination {
  jpeg_destination_mgr pub;  // first member: the library sees only this part
  std::vector<uint8_t>* pOut;
};

constexpr size_t kDestChunk = 64 * 1024;

// No exception may cross the library's C frames: running out of memory becomes its own error.
// The jump happens after the handler has finished, never from inside it.
void GrowOrFail(j_compress_ptr cinfo, std::vector<uint8_t>& out, size_t size) {
  bool grown = true;
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    cinfo->err->msg_parm.i[0] = 0;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
  }
}

void DestInit(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  GrowOrFail(cinfo, *dest->pOut, kDestChunk);
  dest->pub.next_output_byte = dest->pOut->data();
  dest->pub.free_in_buffer = dest->pOut->size();
}

boolean DestEmpty(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  const size_t used = dest->pOut->size();  // the library calls this only when the buffer is full
  GrowOrFail(cinfo, *dest->pOut, used * 2);
  dest->pub.next_output_byte = dest->pOut->data() + used;
  dest->pub.free_in_buffer = dest->pOut->size() - used;
  return TRUE;
}

void DestTerm(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->pOut->resize(dest->pOut->size() - dest->pub.free_in_buffer);
}

struct JpegEncodeState {
  std::vector<uint8_t>* pOut = nullptr;
  VectorDestination dest{};
  std::string szError;
};

// Runs the compressor; the caller owns everything with a destructor (see JpegGlue.h).
bool CompressInner(const JpegSourceImage& src, int nQuality, JpegEncodeState& st) {
  jpeg_compress_struct cinfo;
  JpegErrorManager jerr;
  cinfo.err = JpegErrorManagerInit(jerr);
  if (setjmp(jerr.jump)) {
    st.szError = jerr.szMessage;
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  st.dest.pub.init_destination = DestInit;
  st.dest.pub.empty_output_buffer = DestEmpty;
  st.dest.pub.term_destination = DestTerm;
  st.dest.pOut = st.pOut;
  cinfo.dest = &st.dest.pub;
  cinfo.image_width = static_cast<JDIMENSION>(src.nWidth);
  cinfo.image_height = static_cast<JDIMENSION>(src.nHeight);
  cinfo.input_components = src.nComponents;
  cinfo.in_color_space = src.nComponents == 1   ? JCS_GRAYSCALE
                         : src.nComponents == 4 ? JCS_EXT_BGRX
                                                : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, std::clamp(nQuality, 1, 100), TRUE);
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = static_cast<UINT16>(std::clamp(src.nXDpi, 1, 65535));
  cinfo.Y_density = static_cast<UINT16>(std::clamp(src.nYDpi, 1, 65535));
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const size_t stored = src.bBottomUp ? size_t(src.nHeight) - 1 - cinfo.next_scanline
                                        : size_t(cinfo.next_scanline);
    JSAMPROW row = const_cast<JSAMPROW>(src.pBits + stored * src.nStride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

jpeg_error_mgr* JpegErrorManagerInit(JpegErrorManager& mgr) {
  jpeg_std_error(&mgr.pub);
  mgr.pub.error_exit = JpegErrorExit;
  mgr.pub.emit_message = JpegEmitMessage;
  mgr.pub.output_message = JpegOutputMessage;
  mgr.szMessage[0] = '\0';
  mgr.bTruncationIsError = false;
  mgr.nWarnings = 0;
  return &mgr.pub;
}

bool JpegEncodeToMemory(const JpegSourceImage& src, int nQuality, std::vector<uint8_t>& out,
                        std::string& err) {
  out.clear();
  if (!src.pBits || src.nWidth <= 0 || src.nHeight <= 0) {
    err = "JPEG: nothing to compress";
    return false;
  }
  if (src.nWidth > JPEG_MAX_DIMENSION || src.nHeight > JPEG_MAX_DIMENSION) {
    err = "JPEG: picture too large (at most " + std::to_string(JPEG_MAX_DIMENSION) +
          " pixels a side)";
    return false;
  }
  if (src.nComponents != 1 && src.nComponents != 3 && src.nComponents != 4) {
    err = "JPEG: unsupported pixel layout";
    return false;
  }
  if (src.nStride < size_t(src.nWidth) * size_t(src.nComponents)) {
    err = "JPEG: row stride shorter than a row";
    return false;
  }
  JpegEncodeState st;
  st.pOut = &out;
  if (CompressInner(src, nQuality, st)) return true;
  out.clear();
  err = "JPEG: " + st.szError;
  return false;
}

bool IsGreyScalePicture(const CPicture& pic) {
  if (!pic.IsValid() || pic.GetBpp() != 8) return false;
  const RgbQuad* pal = pic.GetPalette();
  const uint32_t n = pic.GetNumColors();
  if (!pal || n == 0) return false;
  for (uint32_t i = 0; i < n; ++i)
    if (pal[i].rgbRed != pal[i].rgbGreen || pal[i].rgbGreen != pal[i].rgbBlue) return false;
  return true;
}

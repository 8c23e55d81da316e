// JPEG 2000 files and code streams through OpenJPEG, decoded from memory.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "image/Codecs.h"
#include "image/Picture.h"

namespace {

const uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                   0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
const uint8_t kCodeStreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

struct MemStream {
  const uint8_t* pData;
  OPJ_SIZE_T nSize;
  OPJ_SIZE_T nPos;
};

OPJ_SIZE_T StreamRead(void* buf, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<MemStream*>(user);
  if (s->nPos >= s->nSize) return static_cast<OPJ_SIZE_T>(-1);  // end of data
  const OPJ_SIZE_T count = std::min(n, s->nSize - s->nPos);
  memcpy(buf, s->pData + s->nPos, count);
  s->nPos += count;
  return count;
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<MemStream*>(user);
  if (n < 0) {
    if (OPJ_SIZE_T(-n) > s->nPos) return -1;
    s->nPos -= OPJ_SIZE_T(-n);
    return n;
  }
  if (OPJ_SIZE_T(n) > s->nSize - s->nPos) {
    s->nPos = s->nSize;
    return -1;
  }
  s->nPos += OPJ_SIZE_T(n);
  return n;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T pos, void* user) {
  auto* s = static_cast<MemStream*>(user);
  if (pos < 0 || OPJ_SIZE_T(pos) > s->nSize) return OPJ_FALSE;
  s->nPos = OPJ_SIZE_T(pos);
  return OPJ_TRUE;
}

void RecordError(const char* msg, void* user) {
  auto* text = static_cast<std::string*>(user);
  if (!text->empty() || !msg) return;  // the first message names the cause
  *text = msg;
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
}

void IgnoreMessage(const char*, void*) {}

// Releases the library's objects however the decoder is left.
struct CJ2kSession {
  opj_codec_t* pCodec = nullptr;
  opj_stream_t* pStream = nullptr;
  opj_image_t* pImage = nullptr;
  CJ2kSession() = default;
  CJ2kSession(const CJ2kSession&) = delete;
  CJ2kSession& operator=(const CJ2kSession&) = delete;
  ~CJ2kSession() {
    if (pImage) opj_image_destroy(pImage);
    if (pStream) opj_stream_destroy(pStream);
    if (pCodec) opj_destroy_codec(pCodec);
  }
};

// One component resampled onto the picture grid as 8-bit samples (nearest sample for
// subsampled components, precision scaled to 8 bits).
std::vector<uint8_t> ComponentPlane(const opj_image_t& img, const opj_image_comp_t& c, int width,
                                    int height) {
  std::vector<uint8_t> plane(size_t(width) * size_t(height));
  const int64_t offset = c.sgnd ? (int64_t(1) << (c.prec - 1)) : 0;
  const int64_t maxIn = (int64_t(1) << c.prec) - 1;
  std::vector<int> column(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) {
    int64_t i = int64_t((img.x0 + uint32_t(x)) / c.dx) - int64_t(c.x0);
    column[size_t(x)] = int(std::clamp<int64_t>(i, 0, int64_t(c.w) - 1));
  }
  for (int y = 0; y < height; ++y) {
    int64_t j = int64_t((img.y0 + uint32_t(y)) / c.dy) - int64_t(c.y0);
    j = std::clamp<int64_t>(j, 0, int64_t(c.h) - 1);
    const OPJ_INT32* src = c.data + size_t(j) * c.w;
    uint8_t* dst = plane.data() + size_t(y) * size_t(width);
    for (int x = 0; x < width; ++x) {
      int64_t v = std::clamp<int64_t>(int64_t(src[column[size_t(x)]]) + offset, 0, maxIn);
      if (c.prec > 8)
        v >>= (c.prec - 8);
      else if (c.prec < 8)
        v = v * 255 / maxIn;
      dst[x] = uint8_t(v);
    }
  }
  return plane;
}

inline uint8_t Clamp255(double v) { return uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

Result FillPicture(CPicture& pic, const opj_image_t& img, int type) {
  const int width = int(img.x1 - img.x0), height = int(img.y1 - img.y0);
  const int n = int(img.numcomps);
  std::vector<std::vector<uint8_t>> planes;
  for (int i = 0; i < n; ++i) planes.push_back(ComponentPlane(img, img.comps[i], width, height));

  if (n == 1) {
    if (!pic.Create(width, height, 8, type)) {
      return FailureOf(pic);
    }
    pic.SetGrayPalette();
    for (int y = 0; y < height; ++y)
      memcpy(pic.GetBits() + size_t(height - 1 - y) * pic.GetEffWidth(),
             planes[0].data() + size_t(y) * size_t(width), size_t(width));
    return Result::Success();
  }

  const bool alpha = n == 2 || (n == 4 && img.color_space != OPJ_CLRSPC_CMYK);
  if (!pic.Create(width, height, 24, type) || (alpha && !pic.AlphaCreate())) {
    return FailureOf(pic);
  }
  const bool subsampled = n >= 3 && (img.comps[1].dx != img.comps[0].dx ||
                                     img.comps[1].dy != img.comps[0].dy);
  const bool ycc = n >= 3 && (img.color_space == OPJ_CLRSPC_SYCC ||
                              (subsampled && img.color_space != OPJ_CLRSPC_SRGB &&
                               img.color_space != OPJ_CLRSPC_CMYK));
  const bool cmyk = n == 4 && img.color_space == OPJ_CLRSPC_CMYK;
  const size_t eff24 = pic.GetEffWidth();
  for (int y = 0; y < height; ++y) {
    uint8_t* dst = pic.GetBits() + size_t(height - 1 - y) * eff24;
    uint8_t* a = alpha ? pic.AlphaGetPointer(0, height - 1 - y) : nullptr;
    const size_t row = size_t(y) * size_t(width);
    for (int x = 0; x < width; ++x) {
      const size_t k = row + size_t(x);
      uint8_t r, g, b;
      if (n == 2) {
        r = g = b = planes[0][k];
      } else if (ycc) {
        const double yy = planes[0][k], cb = planes[1][k] - 128.0, cr = planes[2][k] - 128.0;
        r = Clamp255(yy + 1.402 * cr);
        g = Clamp255(yy - 0.344136 * cb - 0.714136 * cr);
        b = Clamp255(yy + 1.772 * cb);
      } else if (cmyk) {
        const int kk = 255 - planes[3][k];
        r = uint8_t((255 - planes[0][k]) * kk / 255);
        g = uint8_t((255 - planes[1][k]) * kk / 255);
        b = uint8_t((255 - planes[2][k]) * kk / 255);
      } else {
        r = planes[0][k];
        g = planes[1][k];
        b = planes[2][k];
      }
      dst[3 * x] = b;
      dst[3 * x + 1] = g;
      dst[3 * x + 2] = r;
      if (a) a[x] = planes[size_t(n - 1)][k];
    }
  }
  return Result::Success();
}

Result CheckImage(const opj_image_t* img) {
  if (!img || img->x1 <= img->x0 || img->y1 <= img->y0) return Result::Fail("JPEG 2000: empty picture");
  const int64_t w = int64_t(img->x1) - img->x0, h = int64_t(img->y1) - img->y0;
  if (img->numcomps < 1 || img->numcomps > 4 || !img->comps)
    return Result::Fail(ErrorKind::Unsupported,
                        "JPEG 2000: " + std::to_string(img->numcomps) + " components (only 1 to 4 can be shown)");
  for (OPJ_UINT32 i = 0; i < img->numcomps; ++i) {
    const opj_image_comp_t& c = img->comps[i];
    if (c.prec < 1 || c.prec > 31 || c.dx == 0 || c.dy == 0)
      return Result::Fail(ErrorKind::Unsupported, "JPEG 2000: unsupported component layout");
  }
  // The library holds every sample as a 32-bit value for the whole picture, and an empty
  // tile decodes as well as a full one: only the budget bounds what a small file costs.
  return CheckDecodeBudget("JPEG 2000: picture too large", w, h, 4 * int64_t(img->numcomps));
}

}  // namespace

bool SniffJp2(const uint8_t* data, size_t size) {
  return data && size >= sizeof kJp2Signature && memcmp(data, kJp2Signature, sizeof kJp2Signature) == 0;
}

bool SniffJpc(const uint8_t* data, size_t size) {
  return data && size >= sizeof kCodeStreamStart && memcmp(data, kCodeStreamStart, sizeof kCodeStreamStart) == 0;
}

Result DecodeJpeg2000(CPicture& pic, const uint8_t* data, size_t size) {
  OPJ_CODEC_FORMAT format;
  if (SniffJp2(data, size))
    format = OPJ_CODEC_JP2;
  else if (SniffJpc(data, size))
    format = OPJ_CODEC_J2K;
  else
    return Result::Fail("Not a JPEG 2000 file");

  const Result noDecoder = Result::Fail(ErrorKind::Unavailable, "cannot initialize the JPEG 2000 decoder");
  std::string libText;
  CJ2kSession s;
  s.pCodec = opj_create_decompress(format);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!s.pCodec || !opj_setup_decoder(s.pCodec, &params)) return noDecoder;
  opj_set_error_handler(s.pCodec, RecordError, &libText);
  opj_set_warning_handler(s.pCodec, IgnoreMessage, nullptr);
  opj_set_info_handler(s.pCodec, IgnoreMessage, nullptr);

  MemStream mem{data, size, 0};
  s.pStream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
  if (!s.pStream) return noDecoder;
  opj_stream_set_user_data(s.pStream, &mem, nullptr);
  opj_stream_set_user_data_length(s.pStream, size);
  opj_stream_set_read_function(s.pStream, StreamRead);
  opj_stream_set_skip_function(s.pStream, StreamSkip);
  opj_stream_set_seek_function(s.pStream, StreamSeek);

  Result r;
  if (!opj_read_header(s.pStream, s.pCodec, &s.pImage)) {
    r = Result::Fail("JPEG 2000: cannot read the header");
  } else if ((r = CheckImage(s.pImage))) {
    if (!opj_decode(s.pCodec, s.pStream, s.pImage) || !opj_end_decompress(s.pCodec, s.pStream)) {
      r = Result::Fail("JPEG 2000: cannot decode the picture");
    } else {
      for (OPJ_UINT32 i = 0; i < s.pImage->numcomps && r; ++i)
        if (!s.pImage->comps[i].data || s.pImage->comps[i].w == 0 || s.pImage->comps[i].h == 0)
          r = Result::Fail(ErrorKind::Truncated, "JPEG 2000: picture data missing");
      if (r) {
        const int type = format == OPJ_CODEC_JP2 ? PICTURE_JP2 : PICTURE_JPC;
        try {
          r = FillPicture(pic, *s.pImage, type);
          if (r) return r;
        } catch (const std::bad_alloc&) {
          r = Result::Fail(ErrorKind::TooLarge, "JPEG 2000: not enough memory for the picture");
        }
        if (pic.IsValid()) pic.Destroy();  // half-filled
      }
    }
  }
  // The library's first message says what was wrong with the data.
  if (!libText.empty() && r.message.rfind("JPEG 2000: cannot", 0) == 0) r.message += ": " + libText;
  return r;
}

// JPEG 2000 test data made with OpenJPEG's own encoder, in memory.
#pragma once

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace j2ktest {

// In-memory output for OpenJPEG's encoder, which seeks back to patch lengths.
struct MemSink {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
};

inline OPJ_SIZE_T SinkWrite(void* buf, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<MemSink*>(user);
  if (s->pos + n > s->bytes.size()) s->bytes.resize(s->pos + n);
  std::memcpy(s->bytes.data() + s->pos, buf, n);
  s->pos += n;
  return n;
}
inline OPJ_OFF_T SinkSkip(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<MemSink*>(user);
  s->pos = size_t(OPJ_OFF_T(s->pos) + n);
  if (s->pos > s->bytes.size()) s->bytes.resize(s->pos);
  return n;
}
inline OPJ_BOOL SinkSeek(OPJ_OFF_T pos, void* user) {
  auto* s = static_cast<MemSink*>(user);
  s->pos = size_t(pos);
  if (s->pos > s->bytes.size()) s->bytes.resize(s->pos);
  return OPJ_TRUE;
}

struct CompSpec {
  uint32_t dx = 1, dy = 1, prec = 8;
  bool sgnd = false;
};

// Losslessly encodes components filled by `sample(component, x, y)` (component grid
// coordinates) with OpenJPEG's own encoder.
inline std::vector<uint8_t> MakeJ2k(OPJ_CODEC_FORMAT format, int width, int height,
                             const std::vector<CompSpec>& comps, OPJ_COLOR_SPACE space,
                             const std::function<int(int, int, int)>& sample) {
  std::vector<opj_image_cmptparm_t> parms(comps.size());
  for (size_t i = 0; i < comps.size(); ++i) {
    std::memset(&parms[i], 0, sizeof parms[i]);
    parms[i].dx = comps[i].dx;
    parms[i].dy = comps[i].dy;
    parms[i].w = (uint32_t(width) + comps[i].dx - 1) / comps[i].dx;
    parms[i].h = (uint32_t(height) + comps[i].dy - 1) / comps[i].dy;
    parms[i].prec = comps[i].prec;
    parms[i].sgnd = comps[i].sgnd;
  }
  opj_image_t* image = opj_image_create(OPJ_UINT32(comps.size()), parms.data(), space);
  image->x0 = 0;
  image->y0 = 0;
  image->x1 = OPJ_UINT32(width);
  image->y1 = OPJ_UINT32(height);
  for (size_t i = 0; i < comps.size(); ++i) {
    opj_image_comp_t& c = image->comps[i];
    for (uint32_t y = 0; y < c.h; ++y)
      for (uint32_t x = 0; x < c.w; ++x) c.data[y * c.w + x] = sample(int(i), int(x), int(y));
  }
  opj_cparameters_t p;
  opj_set_default_encoder_parameters(&p);
  p.tcp_numlayers = 1;
  p.tcp_rates[0] = 0;
  p.cp_disto_alloc = 1;
  p.numresolution = 2;
  p.tcp_mct = comps.size() >= 3 && comps[1].dx == 1 ? 1 : 0;
  opj_codec_t* codec = opj_create_compress(format);
  MemSink sink;
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
  opj_stream_set_user_data(stream, &sink, nullptr);
  opj_stream_set_write_function(stream, SinkWrite);
  opj_stream_set_skip_function(stream, SinkSkip);
  opj_stream_set_seek_function(stream, SinkSeek);
  const bool ok = opj_setup_encoder(codec, &p, image) && opj_start_compress(codec, image, stream) &&
                  opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  EXPECT_TRUE(ok) << "test JPEG 2000 data could not be made";
  return ok ? sink.bytes : std::vector<uint8_t>();
}

}  // namespace j2ktest

using j2ktest::CompSpec;
using j2ktest::MakeJ2k;

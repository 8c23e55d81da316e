#include "output/AviCodecs.h"

#include <strings.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace {

struct KnownCodec {
  const char* szName;
  const char* szEncoder;  // FFmpeg encoder name
  const char* szLabel;
};

// Intra-frame encoders the AVI muxer can store; uncompressed first.
const KnownCodec kKnownCodecs[] = {
    {"raw", "rawvideo", "Full frames (uncompressed)"},
    {"mjpeg", "mjpeg", "Motion JPEG"},
    {"ffv1", "ffv1", "FFV1 (lossless)"},
    {"huffyuv", "huffyuv", "HuffYUV (lossless)"},
    {"ffvhuff", "ffvhuff", "HuffYUV FFmpeg variant (lossless)"},
    {"utvideo", "utvideo", "Ut Video (lossless)"},
    {"magicyuv", "magicyuv", "MagicYUV (lossless)"},
    {"png", "png", "PNG frames (lossless)"},
    {"zlib", "zlib", "LCL ZLIB (lossless)"},
};

}  // namespace

std::vector<AviCodecEntry> AvailableAviCodecs() {
  std::vector<AviCodecEntry> entries;
  for (const KnownCodec& c : kKnownCodecs) {
    if (avcodec_find_encoder_by_name(c.szEncoder) != nullptr) {
      entries.push_back({c.szLabel, c.szName});
    }
  }
  return entries;
}

// FFmpeg encoder name of a short name, or null.
const char* AviEncoderName(const std::string& szName) {
  for (const KnownCodec& c : kKnownCodecs) {
    if (szName == c.szName) return c.szEncoder;
  }
  return nullptr;
}

int FindAviCodec(const std::vector<AviCodecEntry>& entries, const std::string& szName) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (strcasecmp(entries[i].szName.c_str(), szName.c_str()) == 0) return static_cast<int>(i);
  }
  return -1;
}

AviCodecChooser AviCodecChooserByName(const std::string& szName) {
  return [szName](const std::vector<AviCodecEntry>& entries) {
    int n = FindAviCodec(entries, szName);
    return n < 0 ? kAviCodecCancelled : n;
  };
}

void SetMovieLibraryLogging(bool bVerbose) { av_log_set_level(bVerbose ? AV_LOG_INFO : AV_LOG_QUIET); }

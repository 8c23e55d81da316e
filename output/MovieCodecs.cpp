#include "output/MovieCodecs.h"

#include <strings.h>

#include "base/PathParts.h"
#include "output/OutputFormats.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace {

struct KnownCodec {
  MovieContainer container;
  const char* szName;
  const char* szEncoder;  // FFmpeg encoder name
  const char* szLabel;
};

// Intra-frame encoders the AVI muxer can store, uncompressed first; then the one encoder
// of each web container.
const KnownCodec kKnownCodecs[] = {
    {MovieContainer::Avi, "raw", "rawvideo", "Full frames (uncompressed)"},
    {MovieContainer::Avi, "mjpeg", "mjpeg", "Motion JPEG"},
    {MovieContainer::Avi, "ffv1", "ffv1", "FFV1 (lossless)"},
    {MovieContainer::Avi, "huffyuv", "huffyuv", "HuffYUV (lossless)"},
    {MovieContainer::Avi, "ffvhuff", "ffvhuff", "HuffYUV FFmpeg variant (lossless)"},
    {MovieContainer::Avi, "utvideo", "utvideo", "Ut Video (lossless)"},
    {MovieContainer::Avi, "magicyuv", "magicyuv", "MagicYUV (lossless)"},
    {MovieContainer::Avi, "png", "png", "PNG frames (lossless)"},
    {MovieContainer::Avi, "zlib", "zlib", "LCL ZLIB (lossless)"},
    {MovieContainer::Mp4, "h264", "libx264", "H.264 (x264)"},
    {MovieContainer::WebM, "vp9", "libvpx-vp9", "VP9 (libvpx)"},
    {MovieContainer::WebP, "webp", "libwebp", "WebP (libwebp)"},
};

// The rows of the output table written through a container.
bool IsContainerRow(const OutputFormatRow& row) {
  return row.writer == OutputWriterKind::Movie || row.writer == OutputWriterKind::Animation;
}

}  // namespace

MovieContainer MovieContainerForPath(const std::string& szPath) {
  const OutputFormatRow* pRow = OutputFormatForExtension(PathExtension(szPath));
  return pRow && IsContainerRow(*pRow) ? pRow->container : MovieContainer::Avi;
}

const char* MovieContainerExtension(MovieContainer container) {
  for (const OutputFormatRow& row : OutputFormatRows())
    if (IsContainerRow(row) && row.container == container) return row.szExtension;
  return "avi";
}

std::vector<MovieCodecEntry> AvailableMovieCodecs(MovieContainer container) {
  std::vector<MovieCodecEntry> entries;
  for (const KnownCodec& c : kKnownCodecs) {
    if (c.container == container && avcodec_find_encoder_by_name(c.szEncoder) != nullptr) {
      entries.push_back({c.szLabel, c.szName});
    }
  }
  return entries;
}

// FFmpeg encoder name of a short name, or null.
const char* MovieEncoderName(const std::string& szName, MovieContainer container) {
  for (const KnownCodec& c : kKnownCodecs) {
    if (c.container == container && szName == c.szName) return c.szEncoder;
  }
  return nullptr;
}

int FindMovieCodec(const std::vector<MovieCodecEntry>& entries, const std::string& szName) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (strcasecmp(entries[i].szName.c_str(), szName.c_str()) == 0) return static_cast<int>(i);
  }
  return -1;
}

MovieCodecChooser MovieCodecChooserByName(const std::string& szName) {
  return [szName](const std::vector<MovieCodecEntry>& entries) {
    int n = FindMovieCodec(entries, szName);
    return n < 0 ? kMovieCodecCancelled : n;
  };
}

void SetMovieLibraryLogging(bool bVerbose) { av_log_set_level(bVerbose ? AV_LOG_INFO : AV_LOG_QUIET); }

#include "output/AviWriter.h"

#include "base/PathParts.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

const char kStatusOk[] = "Ok";
const char kStatusTooOld[] =
    "Version of Video for Windows too old. Come on, join the 21th century!";
const char kStatusEngine[] = "AVI Engine failed to initialize. Check filename %s.";
const char kStatusStream[] = "AVI Stream creation failed. Check Bitmap info.";
const char kStatusCompressed[] = "AVI Compressed Stream creation failed.";
const char kStatusFormat[] = "AVI Compressed Stream format setting failed.";
const char kStatusWrite[] = "AVI Stream write failed.";
const char kStatusFrameSize[] = "AVI frame does not match the declared frame format.";

bool IsFileOpenError(int e) {
  switch (e) {
    case AVERROR(ENOENT):
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR(EROFS):
    case AVERROR(EISDIR):
    case AVERROR(ENOTDIR):
    case AVERROR(ENAMETOOLONG):
    case AVERROR(ENOSPC):
    case AVERROR(EEXIST):
    case AVERROR(ELOOP):
    case AVERROR(EIO):
      return true;
    default:
      return false;
  }
}

// What is appended to the engine text for a failure to set up the muxer or its file.
const char* EngineErrorText(int e) {
  if (e == AVERROR_MUXER_NOT_FOUND || e == AVERROR_PROTOCOL_NOT_FOUND) {
    return "According to the registry, the type of file specified in AVIFileOpen does not have "
           "a handler to process it";
  }
  if (e == AVERROR_INVALIDDATA) {
    return "The file couldn't be read, indicating a corrupt file or an unrecognized format.";
  }
  if (e == AVERROR(ENOMEM)) return "The file could not be opened because of insufficient memory.";
  if (IsFileOpenError(e)) return "A disk error occurred while opening the file.";
  return "";
}

// What is appended to the compressed-stream text for a failure to set up the encoder.
const char* CompressedErrorText(int e) {
  if (e == AVERROR(EINVAL) || e == AVERROR_PATCHWELCOME || e == AVERROR(ENOSYS)) {
    return "Compression is not supported for this type of data. This error might be returned if "
           "you try to compress data that is not audio or video.";
  }
  if (e == AVERROR(ENOMEM)) return " There is not enough memory to complete the operation.";
  if (e == AVERROR_ENCODER_NOT_FOUND) return " A suitable compressor cannot be found.";
  return "";
}

// What kind of failure an FFmpeg error code is.
ErrorKind KindOfCode(int e) {
  if (e == AVERROR(ENOMEM)) return ErrorKind::TooLarge;
  if (e == AVERROR_ENCODER_NOT_FOUND || e == AVERROR_MUXER_NOT_FOUND || e == AVERROR_PROTOCOL_NOT_FOUND)
    return ErrorKind::Unavailable;
  if (e == AVERROR(EINVAL)) return ErrorKind::InvalidInput;
  if (e == AVERROR_PATCHWELCOME || e == AVERROR(ENOSYS)) return ErrorKind::Unsupported;
  return ErrorKind::Io;
}

std::string FfmpegErrorText(int e) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
  av_strerror(e, buf, sizeof buf);
  return buf;
}

AVPixelFormat EncoderPixelFormat(const AVCodec* pCodec) {
  if (pCodec->id == AV_CODEC_ID_RAWVIDEO) return AV_PIX_FMT_BGR24;
  // 4:2:0 full-range is what every Motion JPEG decoder reads.
  if (pCodec->id == AV_CODEC_ID_MJPEG) return AV_PIX_FMT_YUVJ420P;
  if (pCodec->pix_fmts == nullptr) return AV_PIX_FMT_BGR24;
  return avcodec_find_best_pix_fmt_of_list(pCodec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
}

// The frame format before SetFrameFormat: every field zero.
BitmapInfoHeader ZeroedBitmapHeader() {
  BitmapInfoHeader h;
  h.biSize = 0;
  h.biPlanes = 0;
  h.biXPelsPerMeter = 0;
  h.biYPelsPerMeter = 0;
  return h;
}

// libswscale wants the plain YUV formats with the range given separately.
AVPixelFormat ScalerFormat(AVPixelFormat f, bool* pFullRange) {
  *pFullRange = true;
  switch (f) {
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    default:
      *pFullRange = false;
      return f;
  }
}

}  // namespace

CAviWriter::CAviWriter()
    : m_strFileName("Untitled.avi"),
      m_nRate(30),
      m_nFrame(0),
      m_pFile(nullptr),
      m_pStream(nullptr),
      m_pCompressed(nullptr),
      m_bRaw(false),
      m_bFileOpened(false),
      m_bHeaderWritten(false),
      m_pFrame(nullptr),
      m_pPacket(nullptr),
      m_pScale(nullptr),
      m_nScaleSource(-1) {
  m_bih = ZeroedBitmapHeader();
}

CAviWriter::~CAviWriter() { Close(); }

void CAviWriter::SetFrameFormat(int nWidth, int nHeight) {
  m_bih = ZeroedBitmapHeader();
  const int nStep = IsIntraOnly() ? 4 : IsAnimationContainer(m_container) ? 1 : 2;
  const int w = nWidth / nStep * nStep;
  const int h = nHeight / nStep * nStep;
  m_bih.biSize = 40;
  m_bih.biWidth = w;
  m_bih.biHeight = h;
  m_bih.biPlanes = 1;
  m_bih.biBitCount = 24;
  m_bih.biCompression = 0;
  // Negative or absurd sizes give no frame at all; Open reports them.
  const int64_t size = (w > 0 && h > 0) ? (static_cast<int64_t>(w) * 24 + 31) / 32 * 4 * h : 0;
  m_bih.biSizeImage = size <= 0xFFFFFFFFLL ? static_cast<uint32_t>(size) : 0;
}

void CAviWriter::EnsureAviExtension() {
  // UTF-8 continuation bytes never equal ASCII letters, so a byte search is multibyte-safe.
  if (m_strFileName.find("avi") == std::string::npos) m_strFileName += ".avi";
}

void CAviWriter::EnsureMovieExtension() {
  if (m_container == MovieContainer::Avi) return EnsureAviExtension();
  const char* szExtension = MovieContainerExtension(m_container);
  if (PathExtension(m_strFileName) != szExtension) m_strFileName += std::string(".") + szExtension;
}

std::string CAviWriter::WriteStatus() const {
  // The movies keep the AVI writer's own text; an animated picture says what it is.
  return m_container == MovieContainer::WebP ? "The animated WebP could not be written:" : kStatusWrite;
}

void CAviWriter::FailWrite(int nCode) {
  m_status = Result::Fail(KindOfCode(nCode), WriteStatus(), FfmpegErrorText(nCode));
}

std::string CAviWriter::GetLastErrorText() const {
  if (!m_status.ok()) return m_status.FullText();
  return m_bOpenStarted ? kStatusOk : "";
}

Result CAviWriter::GetFailure() const {
  // A failure that left no status of its own (a frame without an open movie) shows the status.
  return m_status.ok() ? Result::Fail(ErrorKind::Io, GetLastErrorText()) : m_status;
}

int CAviWriter::FailOpen(int nCode, const std::string& szText) {
  m_status = Result::Fail(KindOfCode(nCode), szText);
  return nCode;
}

int CAviWriter::Open() {
  Close();  // a second Open starts over instead of leaking the first movie
  m_status = Result::Success();
  m_bOpenStarted = true;
  m_szCodecName.clear();

  // Libraries older than the headers we were built against cannot be trusted.
  if (avformat_version() < LIBAVFORMAT_VERSION_INT || avcodec_version() < LIBAVCODEC_VERSION_INT) {
    m_status = Result::Fail(ErrorKind::Unavailable, kStatusTooOld);
    return 1;
  }

  char szEngine[1024];
  std::snprintf(szEngine, sizeof szEngine, kStatusEngine, m_strFileName.c_str());
  int e = avformat_alloc_output_context2(&m_pFile, nullptr, MovieContainerExtension(m_container),
                                         m_strFileName.c_str());
  if (e < 0 || m_pFile == nullptr) {
    if (e >= 0) e = AVERROR(ENOMEM);
    return FailOpen(e, std::string(szEngine) + EngineErrorText(e));
  }

  // The stream: one video stream of the declared format at m_nRate / 1 frames per second.
  const int w = m_bih.biWidth, h = m_bih.biHeight;
  if (w <= 0 || h <= 0 || m_bih.biSizeImage == 0 || m_nRate <= 0) {
    return FailOpen(AVERROR(EINVAL), kStatusStream);
  }
  m_pStream = avformat_new_stream(m_pFile, nullptr);
  if (m_pStream == nullptr) return FailOpen(AVERROR(ENOMEM), kStatusStream);
  m_pStream->time_base = AVRational{1, m_nRate};
  m_pStream->avg_frame_rate = AVRational{m_nRate, 1};

  // The encoder choice comes before the file is created, so backing out leaves any existing
  // file untouched.
  const std::vector<MovieCodecEntry> entries = AvailableMovieCodecs(m_container);
  int nChoice = 0;
  if (m_chooser) nChoice = entries.empty() ? kMovieCodecCancelled : m_chooser(entries);
  if (!entries.empty() && (nChoice < 0 || nChoice >= static_cast<int>(entries.size()))) return 1;
  const AVCodec* pCodec = nullptr;
  if (!entries.empty()) {
    m_szCodecName = entries[nChoice].szName;
    const char* szEncoder = MovieEncoderName(m_szCodecName, m_container);
    if (szEncoder != nullptr) pCodec = avcodec_find_encoder_by_name(szEncoder);
  }
  if (pCodec == nullptr) {
    e = AVERROR_ENCODER_NOT_FOUND;
    return FailOpen(e, std::string(kStatusCompressed) + CompressedErrorText(e));
  }

  m_pCompressed = avcodec_alloc_context3(pCodec);
  m_pFrame = av_frame_alloc();
  m_pPacket = av_packet_alloc();
  if (m_pCompressed == nullptr || m_pFrame == nullptr || m_pPacket == nullptr) {
    e = AVERROR(ENOMEM);
    return FailOpen(e, std::string(kStatusCompressed) + CompressedErrorText(e));
  }
  m_bRaw = pCodec->id == AV_CODEC_ID_RAWVIDEO;
  AVCodecContext* c = m_pCompressed;
  c->width = w;
  c->height = h;
  c->time_base = AVRational{1, m_nRate};
  c->framerate = AVRational{m_nRate, 1};
  c->sample_aspect_ratio = AVRational{1, 1};
  AVDictionary* pEncoderOptions = nullptr;
  if (IsIntraOnly()) {
    c->gop_size = 1;  // every frame a key frame
    c->max_b_frames = 0;
    c->pix_fmt = EncoderPixelFormat(pCodec);
  } else if (IsAnimationContainer(m_container)) {
    // True colour at the frame's own size, as BGRA: libwebp converts it itself, as its
    // decoder converts back.
    c->pix_fmt = AV_PIX_FMT_BGRA;
    av_dict_set(&pEncoderOptions, "quality", "90", 0);
    c->compression_level = 2;  // libwebp's method: quick, a little larger than its default 4
  } else {
    c->gop_size = 2 * m_nRate;  // players can seek to every second second
    c->pix_fmt = AV_PIX_FMT_YUV420P;  // the only layout every browser decodes
    c->color_range = AVCOL_RANGE_MPEG;
    // libswscale converts with the BT.601 matrix; saying so lets players convert back alike.
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_primaries = AVCOL_PRI_SMPTE170M;
    c->color_trc = AVCOL_TRC_SMPTE170M;
    // As many encoder threads as cores (the library's default is one): the render waits on
    // the encoder otherwise. Both encoders give the same bytes for the same thread count.
    c->thread_count = 0;
    if (m_container == MovieContainer::Mp4) {
      av_dict_set(&pEncoderOptions, "preset", "medium", 0);
      av_dict_set(&pEncoderOptions, "crf", "18", 0);  // visually lossless for morph frames
    } else {
      // Constant quality; "good" with cpu-used 4 keeps the export time near the H.264 one.
      av_dict_set(&pEncoderOptions, "crf", "30", 0);
      av_dict_set(&pEncoderOptions, "b", "0", 0);
      av_dict_set(&pEncoderOptions, "deadline", "good", 0);
      av_dict_set(&pEncoderOptions, "cpu-used", "4", 0);
      av_dict_set(&pEncoderOptions, "row-mt", "1", 0);
    }
  }
  if (pCodec->id == AV_CODEC_ID_MJPEG) {
    c->color_range = AVCOL_RANGE_JPEG;
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 2;  // near-lossless; the default bit rate is far too low
  }
  if (m_pFile->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  e = avcodec_open2(c, pCodec, &pEncoderOptions);
  av_dict_free(&pEncoderOptions);
  if (e >= 0) e = avcodec_parameters_from_context(m_pStream->codecpar, c);
  if (e >= 0) {
    m_pFrame->format = c->pix_fmt;
    m_pFrame->width = w;
    m_pFrame->height = h;
    e = av_frame_get_buffer(m_pFrame, 0);
  }
  if (e < 0) return FailOpen(e, std::string(kStatusCompressed) + CompressedErrorText(e));

  // Now the file: a temporary beside the target, which takes its name at Close.
  if (!m_file.Create(m_strFileName)) {
    e = AVERROR(errno ? errno : EIO);
    return FailOpen(e, std::string(szEngine) + EngineErrorText(e));
  }
  m_file.HandOver();
  e = avio_open(&m_pFile->pb, m_file.TempPath().c_str(), AVIO_FLAG_WRITE);
  if (e < 0) return FailOpen(e, std::string(szEngine) + EngineErrorText(e));
  m_bFileOpened = true;
  // The MP4 muxer reads the file back by this name when it moves its index to the front.
  av_free(m_pFile->url);
  m_pFile->url = av_strdup(m_file.TempPath().c_str());
  if (m_pFile->url == nullptr) return FailOpen(AVERROR(ENOMEM), kStatusFormat);

  AVDictionary* pOptions = nullptr;
  // Uncompressed rows go in bottom-up, exactly as they are read back.
  if (m_bRaw) av_dict_set(&pOptions, "flipped_raw_rgb", "1", 0);
  if (m_container == MovieContainer::Mp4) av_dict_set(&pOptions, "movflags", "+faststart", 0);
  if (m_container == MovieContainer::WebP) av_dict_set_int(&pOptions, "loop", m_nLoops, 0);
  e = avformat_write_header(m_pFile, &pOptions);
  av_dict_free(&pOptions);
  if (e < 0) return FailOpen(e, kStatusFormat);
  m_bHeaderWritten = true;

  m_nFrame = 0;
  return 0;
}

int CAviWriter::AddFrame(const uint8_t* pRows) {
  return AddFrame(pRows, static_cast<int>((static_cast<int64_t>(m_bih.biWidth) * 24 + 31) / 32 * 4));
}

int CAviWriter::AddFrame(const uint8_t* pRows, int nStride) {
  if (nStride < m_bih.biWidth * 3) {
    if (!m_bHeaderWritten) return AVERROR(EINVAL);
    m_status = Result::Fail(ErrorKind::InvalidInput, kStatusFrameSize);
    return AVERROR(EINVAL);
  }
  return AddFrameFrom(pRows, nStride, PixelSource::Bgr24);
}

int CAviWriter::AddFrame(const FrameBitmap& bitmap) {
  if (!m_bHeaderWritten) return AVERROR(EINVAL);
  if (bitmap.nWidth != m_bih.biWidth || bitmap.nHeight != m_bih.biHeight ||
      bitmap.bits.size() < static_cast<size_t>(bitmap.Stride()) * bitmap.nHeight) {
    m_status = Result::Fail(ErrorKind::InvalidInput, kStatusFrameSize);
    return AVERROR(EINVAL);
  }
  return AddFrameFrom(bitmap.bits.data(), bitmap.Stride(), PixelSource::Bgr32);
}

int CAviWriter::AddFrame(const CPicture& picture) {
  if (!m_bHeaderWritten) return AVERROR(EINVAL);
  if (picture.GetBpp() != 24 || picture.GetWidth() != m_bih.biWidth ||
      picture.GetHeight() != m_bih.biHeight || picture.GetBits() == nullptr) {
    m_status = Result::Fail(ErrorKind::InvalidInput, kStatusFrameSize);
    return AVERROR(EINVAL);
  }
  return AddFrameFrom(picture.GetBits(), static_cast<int>(picture.GetEffWidth()),
                      PixelSource::Bgr24);
}

int CAviWriter::AddFrameFrom(const uint8_t* pRows, int nStride, PixelSource source) {
  // Without a finished Open there is nothing to write to; the status still says why.
  if (!m_bHeaderWritten) return AVERROR(EINVAL);
  if (pRows == nullptr) {
    m_status = Result::Fail(ErrorKind::InvalidInput, kStatusFrameSize);
    return AVERROR(EINVAL);
  }
  const int w = m_bih.biWidth, h = m_bih.biHeight;
  int e = av_frame_make_writable(m_pFrame);
  if (e < 0) {
    FailWrite(e);
    ++m_nFrame;
    return e;
  }

  if (IsAnimationContainer(m_container)) {
    CopyTopDown(pRows, nStride, source);
  } else if (m_bRaw) {
    // Stored order in, stored order out: the stream is declared bottom-up.
    for (int r = 0; r < h; ++r) {
      const uint8_t* s = pRows + static_cast<ptrdiff_t>(r) * nStride;
      uint8_t* d = m_pFrame->data[0] + static_cast<ptrdiff_t>(r) * m_pFrame->linesize[0];
      if (source == PixelSource::Bgr24) {
        std::memcpy(d, s, static_cast<size_t>(w) * 3);
      } else {
        for (int x = 0; x < w; ++x, s += 4, d += 3) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
        }
      }
    }
  } else {
    const AVPixelFormat srcFormat =
        source == PixelSource::Bgr24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0;
    if (m_pScale == nullptr || srcFormat != m_nScaleSource) {
      bool bFullRange = false;
      const AVPixelFormat dstFormat = ScalerFormat(m_pCompressed->pix_fmt, &bFullRange);
      sws_freeContext(m_pScale);
      m_pScale = sws_getContext(w, h, srcFormat, w, h, dstFormat, SWS_BICUBIC | SWS_ACCURATE_RND,
                                nullptr, nullptr, nullptr);
      if (m_pScale == nullptr) {
        FailWrite(AVERROR(ENOMEM));
        ++m_nFrame;
        return AVERROR(ENOMEM);
      }
      if (bFullRange) {
        int* invTable = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(m_pScale, &invTable, &srcRange, &table, &dstRange, &brightness,
                                 &contrast, &saturation);
        sws_setColorspaceDetails(m_pScale, invTable, srcRange, table, 1, brightness, contrast,
                                 saturation);
      }
      m_nScaleSource = srcFormat;
    }
    // Start at the top row and step backwards: the encoders expect top-down pictures.
    const uint8_t* src[4] = {pRows + static_cast<ptrdiff_t>(h - 1) * nStride, nullptr, nullptr,
                             nullptr};
    const int srcStride[4] = {-nStride, 0, 0, 0};
    sws_scale(m_pScale, src, srcStride, 0, h, m_pFrame->data, m_pFrame->linesize);
  }

  m_pFrame->pts = m_nFrame;
  if (IsIntraOnly()) {
    m_pFrame->pict_type = AV_PICTURE_TYPE_I;
    m_pFrame->key_frame = 1;
  }
  m_pFrame->quality = m_pCompressed->global_quality;
  if (!IsIntraOnly() && m_nKeepBytes > 0) {
    // A reference to the picture: the next frame's av_frame_make_writable gives m_pFrame
    // fresh buffers while this one is kept.
    Keep(m_nFrame, av_frame_clone(m_pFrame),
         av_image_get_buffer_size(static_cast<AVPixelFormat>(m_pFrame->format), w, h, 1));
  }
  ++m_nFrame;
  return EncodeAndWrite(m_pFrame);
}

void CAviWriter::CopyTopDown(const uint8_t* pRows, int nStride, PixelSource source) {
  // Top-down BGRA, no colour conversion: libwebp does its own.
  const int w = m_bih.biWidth, h = m_bih.biHeight;
  const int nIn = source == PixelSource::Bgr24 ? 3 : 4;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = pRows + static_cast<ptrdiff_t>(h - 1 - y) * nStride;
    uint8_t* d = m_pFrame->data[0] + static_cast<ptrdiff_t>(y) * m_pFrame->linesize[0];
    for (int x = 0; x < w; ++x, s += nIn, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 255;  // opaque: the read-back's fourth byte is no alpha
    }
  }
}

int CAviWriter::EncodeAndWrite(AVFrame* pFrame) {
  int e = avcodec_send_frame(m_pCompressed, pFrame);
  while (e >= 0) {
    e = avcodec_receive_packet(m_pCompressed, m_pPacket);
    if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) {
      e = 0;
      break;
    }
    if (e < 0) break;
    const int64_t nFrame = m_pPacket->pts, nDuration = m_pPacket->duration;
    const int nSize = m_pPacket->size;
    e = WritePacket();
    if (e == 0 && IsIntraOnly() && m_nKeepBytes > 0) KeepWritten(nFrame, nSize, nDuration);
  }
  if (e == 0 && m_pFile->pb != nullptr && m_pFile->pb->error < 0) e = m_pFile->pb->error;
  if (e < 0) FailWrite(e);
  return e;
}

int CAviWriter::WritePacket() {
  av_packet_rescale_ts(m_pPacket, m_pCompressed->time_base, m_pStream->time_base);
  m_pPacket->stream_index = m_pStream->index;
  if (IsIntraOnly()) m_pPacket->flags |= AV_PKT_FLAG_KEY;  // AVI encoders code each frame on its own
  const int e = av_write_frame(m_pFile, m_pPacket);
  av_packet_unref(m_pPacket);
  return e;
}

void CAviWriter::Keep(int64_t nFrame, AVFrame* pFrame, long long nBytes) {
  if (pFrame == nullptr || nBytes > m_nKeepBytes) {
    // Out of memory or larger than the budget: the frame is drawn again instead.
    av_frame_free(&pFrame);
    return;
  }
  // The latest frames are the ones asked for first: the oldest make room.
  while (!m_kept.empty() && m_nKeptBytes + nBytes > m_nKeepBytes) {
    KeptFrame& oldest = m_kept.begin()->second;
    m_nKeptBytes -= oldest.nBytes;
    av_frame_free(&oldest.pFrame);
    m_kept.erase(m_kept.begin());
  }
  KeptFrame kept;
  kept.pFrame = pFrame;
  kept.nBytes = nBytes;
  m_kept[nFrame] = kept;
  m_nKeptBytes += nBytes;
}

void CAviWriter::KeepWritten(int64_t nFrame, int nSize, int64_t nDuration) {
  // The muxer has just written the chunk: its data ends here, before a pad byte when odd.
  KeptFrame kept;
  kept.nOffset = avio_tell(m_pFile->pb) - (nSize & 1) - nSize;
  kept.nSize = nSize;
  kept.nDuration = nDuration;
  m_kept[nFrame] = kept;
}

bool CAviWriter::ReadWritten(long long nOffset, int nSize) {
  // A chunk is its four-letter tag, its size and the data.
  if (nOffset < 8 || nSize < 0) return false;
  avio_flush(m_pFile->pb);
  if (m_pFile->pb->error < 0) return false;
  if (m_nReadBack < 0) m_nReadBack = ::open(m_file.TempPath().c_str(), O_RDONLY | O_CLOEXEC);
  if (m_nReadBack < 0 || av_new_packet(m_pPacket, nSize + 8) < 0) return false;
  const size_t nWant = static_cast<size_t>(nSize) + 8;
  size_t nDone = 0;
  while (nDone < nWant) {
    const ssize_t n = ::pread(m_nReadBack, m_pPacket->data + nDone, nWant - nDone, nOffset - 8 + static_cast<long long>(nDone));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    nDone += static_cast<size_t>(n);
  }
  // The chunk must say it holds exactly this packet, else the place was not the packet's.
  const uint8_t* h = m_pPacket->data;
  const uint32_t nChunkSize = h[4] | (h[5] << 8) | (h[6] << 16) | (static_cast<uint32_t>(h[7]) << 24);
  if (nDone != nWant || nChunkSize != static_cast<uint32_t>(nSize)) {
    av_packet_unref(m_pPacket);
    return false;
  }
  // The data alone: the packet's start moves past the chunk header.
  m_pPacket->data += 8;
  m_pPacket->size = nSize;
  return true;
}

int CAviWriter::AddFrameAgain(int nFrame) {
  if (!m_bHeaderWritten) return AVERROR(EINVAL);
  const auto it = m_kept.find(nFrame);
  if (it == m_kept.end()) return 1;
  KeptFrame kept = it->second;
  m_kept.erase(it);
  m_nKeptBytes -= kept.nBytes;
  int e = 0;
  if (kept.nOffset >= 0) {
    if (!ReadWritten(kept.nOffset, kept.nSize)) return 1;  // drawn again instead
    // The same bytes, at this frame's place in the stream.
    m_pPacket->duration = kept.nDuration;
    m_pPacket->pts = m_pPacket->dts = m_nFrame++;
    e = WritePacket();
    if (e == 0 && m_pFile->pb != nullptr && m_pFile->pb->error < 0) e = m_pFile->pb->error;
    if (e < 0) FailWrite(e);
  } else {
    kept.pFrame->pts = m_nFrame++;
    e = EncodeAndWrite(kept.pFrame);
    av_frame_free(&kept.pFrame);
  }
  return e;
}

void CAviWriter::ReleaseKept() {
  for (auto& kept : m_kept) av_frame_free(&kept.second.pFrame);
  m_kept.clear();
  m_nKeptBytes = 0;
  if (m_nReadBack >= 0) ::close(m_nReadBack);
  m_nReadBack = -1;
}

int CAviWriter::Close() { return CloseKeeping(true); }

void CAviWriter::Abandon() { CloseKeeping(false); }

int CAviWriter::CloseKeeping(bool bKeep) {
  int rc = 0;
  const bool bComplete = m_bHeaderWritten;
  if (m_bHeaderWritten) {
    rc = EncodeAndWrite(nullptr);  // drain the encoder
    const int e = av_write_trailer(m_pFile);
    if (rc == 0 && e < 0) rc = e;
    if (rc == 0 && m_pFile->pb->error < 0) rc = m_pFile->pb->error;
    m_bHeaderWritten = false;
  }
  if (m_bFileOpened) {
    avio_flush(m_pFile->pb);
    if (rc == 0 && m_pFile->pb->error < 0) rc = m_pFile->pb->error;
    const int e = avio_closep(&m_pFile->pb);
    if (rc == 0 && e < 0) rc = e;
    m_bFileOpened = false;
  }
  if (rc < 0) FailWrite(rc);
  if (bKeep && bComplete && rc == 0) {
    std::string szError;
    if (!m_file.Commit(&szError)) {
      rc = AVERROR(EIO);
      m_status = Result::Fail(ErrorKind::Io, WriteStatus(), szError);
    }
  } else {
    m_file.Discard();
  }

  sws_freeContext(m_pScale);
  m_pScale = nullptr;
  m_nScaleSource = -1;
  ReleaseKept();
  av_packet_free(&m_pPacket);
  av_frame_free(&m_pFrame);
  avcodec_free_context(&m_pCompressed);
  m_pStream = nullptr;  // owned by the format context
  avformat_free_context(m_pFile);
  m_pFile = nullptr;
  m_bRaw = false;
  return rc;
}

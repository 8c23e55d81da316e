#include "support/MovieReadBack.h"

#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

// Every frame the decoder has ready: counted, and converted when it is one to keep.
void TakeFrames(AVCodecContext* ctx, AVFrame* frame, SwsContext*& sws, int nKeep, MovieReadBack& out) {
  while (avcodec_receive_frame(ctx, frame) == 0) {
    ++out.nFrames;
    if (nKeep >= 0 && static_cast<int>(out.frames.size()) >= nKeep) continue;
    sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                               frame->width, frame->height, AV_PIX_FMT_BGR24, SWS_POINT | SWS_ACCURATE_RND,
                               nullptr, nullptr, nullptr);
    std::vector<uint8_t> pixels(static_cast<size_t>(frame->width) * 3 * frame->height);
    uint8_t* dst[4] = {pixels.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {frame->width * 3, 0, 0, 0};
    if (sws != nullptr) sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    out.frames.push_back(std::move(pixels));
  }
}

}  // namespace

MovieReadBack ReadMovieBack(const std::string& szPath, int nKeep) {
  av_log_set_level(AV_LOG_ERROR);
  MovieReadBack out;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, szPath.c_str(), nullptr, nullptr) < 0) return out;
  out.bOpened = true;
  avformat_find_stream_info(fmt, nullptr);
  const int nStream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (nStream < 0) {
    avformat_close_input(&fmt);
    return out;
  }
  const AVCodecParameters* par = fmt->streams[nStream]->codecpar;
  out.nWidth = par->width;
  out.nHeight = par->height;
  out.fFps = av_q2d(fmt->streams[nStream]->avg_frame_rate);
  const char* szFormat = av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format));
  out.szPixelFormat = szFormat ? szFormat : "";
  const AVCodec* dec = avcodec_find_decoder(par->codec_id);
  AVCodecContext* ctx = dec ? avcodec_alloc_context3(dec) : nullptr;
  if (ctx == nullptr || avcodec_parameters_to_context(ctx, par) < 0 || avcodec_open2(ctx, dec, nullptr) < 0) {
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return out;
  }
  out.szCodec = dec->name;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* sws = nullptr;
  while (av_read_frame(fmt, pkt) >= 0) {
    if (pkt->stream_index == nStream && avcodec_send_packet(ctx, pkt) >= 0) TakeFrames(ctx, frame, sws, nKeep, out);
    av_packet_unref(pkt);
  }
  avcodec_send_packet(ctx, nullptr);
  TakeFrames(ctx, frame, sws, nKeep, out);
  sws_freeContext(sws);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return out;
}

bool Mp4IndexComesFirst(const std::vector<uint8_t>& bytes) {
  // Top-level boxes: a 32-bit big-endian size (1: a 64-bit size follows) and a 4-letter type.
  size_t pos = 0;
  while (pos + 8 <= bytes.size()) {
    uint64_t size = (uint64_t{bytes[pos]} << 24) | (uint64_t{bytes[pos + 1]} << 16) |
                    (uint64_t{bytes[pos + 2]} << 8) | bytes[pos + 3];
    const std::string type(bytes.begin() + static_cast<long>(pos) + 4, bytes.begin() + static_cast<long>(pos) + 8);
    if (type == "moov") return true;
    if (type == "mdat") return false;
    if (size == 1 && pos + 16 <= bytes.size()) {
      size = 0;
      for (int i = 0; i < 8; ++i) size = (size << 8) | bytes[pos + 8 + i];
    }
    if (size < 8) return false;
    pos += size;
  }
  return false;
}

double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / static_cast<double>(a.size());
}

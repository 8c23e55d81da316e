#include "AviProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

AviProbe ProbeAvi(const std::string& path, bool bDecodeFrames) {
  av_log_set_level(AV_LOG_ERROR);  // the decoders' notes about old pixel formats are noise here
  AviProbe info;
  info.nPackets = -1;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return info;
  info.bOpened = true;
  info.nPackets = 0;
  avformat_find_stream_info(fmt, nullptr);
  info.nStreams = fmt->nb_streams;
  const int video = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVCodecContext* ctx = nullptr;
  if (video >= 0) {
    const AVStream* st = fmt->streams[video];
    info.bHasVideo = true;
    info.szCodec = avcodec_get_name(st->codecpar->codec_id);
    info.nWidth = st->codecpar->width;
    info.nHeight = st->codecpar->height;
    info.fps = av_q2d(st->avg_frame_rate);
    const char* szPixelFormat = av_get_pix_fmt_name(static_cast<AVPixelFormat>(st->codecpar->format));
    if (szPixelFormat) info.szPixelFormat = szPixelFormat;
    if (bDecodeFrames) {
      const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
      ctx = avcodec_alloc_context3(dec);
      avcodec_parameters_to_context(ctx, st->codecpar);
      if (avcodec_open2(ctx, dec, nullptr) < 0) avcodec_free_context(&ctx);
    }
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* sws = nullptr;
  auto drain = [&]() {
    while (avcodec_receive_frame(ctx, frame) == 0) {
      sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                 frame->width, frame->height, AV_PIX_FMT_BGR24, SWS_POINT | SWS_ACCURATE_RND,
                                 nullptr, nullptr, nullptr);
      std::vector<uint8_t> out(static_cast<size_t>(frame->width) * 3 * static_cast<size_t>(frame->height));
      uint8_t* dst[4] = {out.data(), nullptr, nullptr, nullptr};
      int dstStride[4] = {frame->width * 3, 0, 0, 0};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
      info.frames.push_back(std::move(out));
    }
  };
  while (av_read_frame(fmt, pkt) >= 0) {
    if (pkt->stream_index == video) {
      ++info.nPackets;
      if (!(pkt->flags & AV_PKT_FLAG_KEY)) info.bAllKey = false;
      if (ctx) {
        avcodec_send_packet(ctx, pkt);
        drain();
      }
    }
    av_packet_unref(pkt);
  }
  if (ctx) {
    avcodec_send_packet(ctx, nullptr);
    drain();
  }
  sws_freeContext(sws);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return info;
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

// The tests' movie reader: opens an AVI, MP4 or WebM file with libavformat and reports its
// video stream, optionally decoding every frame to top-down BGR24 rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AviProbe {
  bool bOpened = false;
  unsigned nStreams = 0;
  bool bHasVideo = false;
  std::string szCodec;  // libavcodec's name, e.g. "rawvideo", "mjpeg"
  std::string szPixelFormat;  // the stream's pixel format, e.g. "yuv420p"
  int nWidth = 0, nHeight = 0;
  double fps = 0;
  int nPackets = 0;  // video packets, -1 when the file cannot be opened
  bool bAllKey = true;
  std::vector<std::vector<uint8_t>> frames;  // decoded when asked for, top-down BGR24
};

AviProbe ProbeAvi(const std::string& path, bool bDecodeFrames = false);

// True when an MP4's "moov" box (its index) comes before its "mdat" box (the frames), so that
// a browser can start playing before the whole file is loaded.
bool Mp4IndexComesFirst(const std::vector<uint8_t>& bytes);

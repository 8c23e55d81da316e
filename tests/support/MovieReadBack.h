// Reads a movie back with FFmpeg's own demuxers and decoders, for the tests of every movie
// writer: what the container says, how many frames decode, and chosen frames as pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MovieReadBack {
  bool bOpened = false;
  std::string szCodec;       // decoder name of the first video stream, e.g. "h264"
  std::string szPixelFormat; // its pixel format, e.g. "yuv420p"
  int nWidth = 0, nHeight = 0;
  double fFps = 0;           // the stream's average frame rate
  int nFrames = 0;           // frames decoded
  std::vector<std::vector<uint8_t>> frames;  // the kept frames, top-down packed BGR24
};

// nKeep: how many frames, from the first, to keep as pixels (-1 all).
MovieReadBack ReadMovieBack(const std::string& szPath, int nKeep = -1);

// True when an MP4's "moov" box (its index) comes before its "mdat" box (the frames), so that
// a browser can start playing before the whole file is loaded.
bool Mp4IndexComesFirst(const std::vector<uint8_t>& bytes);

// Mean absolute difference of two equally long byte arrays (a huge value when they differ
// in length or are empty).
double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

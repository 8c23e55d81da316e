// The containers a movie can be written in and the video encoders each offers: for AVI the
// intra-frame encoders of the linked FFmpeg that the AVI muxer accepts, uncompressed frames
// first; for MP4 H.264 (libx264) and for WebM VP9 (libvpx), the encoders every browser plays;
// for animated WebP, libwebp (APNG has a writer of its own, CApngWriter).
#pragma once

#include <functional>
#include <string>
#include <vector>

struct MovieCodecEntry {
  std::string szLabel;  // shown to the user, e.g. "Full frames (uncompressed)"
  std::string szName;   // short name for scripts, e.g. "raw", "mjpeg", "ffv1"
};

enum class MovieContainer { Avi, Mp4, WebM, WebP, Apng };

// The container a file name asks for: ".mp4" MP4, ".webm" WebM, ".webp" animated WebP,
// ".apng" APNG (any case), anything else AVI.
MovieContainer MovieContainerForPath(const std::string& szPath);
// "avi", "mp4", "webm", "webp", "apng": the muxer name and the file extension.
const char* MovieContainerExtension(MovieContainer container);
// WebP and APNG: animated pictures, played through once with a loop count like a GIF
// (movies play there and back).
inline bool IsAnimationContainer(MovieContainer container) {
  return container == MovieContainer::WebP || container == MovieContainer::Apng;
}

// Index returned by a chooser when the user backs out.
constexpr int kMovieCodecCancelled = -1;

// Asked once per Open: gets the available entries, returns the chosen index or
// kMovieCodecCancelled. The window code answers with a dialog, kestrelle-cli with --codec.
using MovieCodecChooser = std::function<int(const std::vector<MovieCodecEntry>& entries)>;

// Entries whose encoder the linked FFmpeg provides, in a fixed order. AVI: "raw" (always
// first when present), "mjpeg", "ffv1", "huffyuv", "ffvhuff", "utvideo", "magicyuv",
// "png", "zlib"; MP4: "h264"; WebM: "vp9"; WebP: "webp".
std::vector<MovieCodecEntry> AvailableMovieCodecs(MovieContainer container = MovieContainer::Avi);

// FFmpeg encoder name behind a short name of the container's list, or null when the name is
// not one of them.
const char* MovieEncoderName(const std::string& szName, MovieContainer container = MovieContainer::Avi);

// Index of the entry with the given short name (case-insensitive), or -1.
int FindMovieCodec(const std::vector<MovieCodecEntry>& entries, const std::string& szName);

// A chooser that picks the entry named szName, or cancels when there is none.
MovieCodecChooser MovieCodecChooserByName(const std::string& szName);

// The movie libraries' own log lines on the error stream: off unless asked for.
void SetMovieLibraryLogging(bool bVerbose);

// The video encoders an AVI movie can be written with: the intra-frame encoders of the
// linked FFmpeg that the AVI muxer accepts, uncompressed frames first.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct AviCodecEntry {
  std::string szLabel;  // shown to the user, e.g. "Full frames (uncompressed)"
  std::string szName;   // short name for scripts, e.g. "raw", "mjpeg", "ffv1"
};

// Index returned by a chooser when the user backs out.
constexpr int kAviCodecCancelled = -1;

// Asked once per Open: gets the available entries, returns the chosen index or
// kAviCodecCancelled. The window code answers with a dialog, kestrelle-cli with --codec.
using AviCodecChooser = std::function<int(const std::vector<AviCodecEntry>& entries)>;

// Entries whose encoder the linked FFmpeg provides, in a fixed order: "raw" (always
// first when present), "mjpeg", "ffv1", "huffyuv", "ffvhuff", "utvideo", "magicyuv",
// "png", "zlib".
std::vector<AviCodecEntry> AvailableAviCodecs();

// FFmpeg encoder name behind a short name, or null when the name is not one of ours.
const char* AviEncoderName(const std::string& szName);

// Index of the entry with the given short name (case-insensitive), or -1.
int FindAviCodec(const std::vector<AviCodecEntry>& entries, const std::string& szName);

// A chooser that picks the entry named szName, or cancels when there is none.
AviCodecChooser AviCodecChooserByName(const std::string& szName);

// The movie libraries' own log lines on the error stream: off unless asked for.
void SetMovieLibraryLogging(bool bVerbose);

// What `render` and `chain` share: the output options (-o, --format, --codec, --fps, --loop),
// the choice of what to write from them, the output size option, and running an animation
// through the output run with a progress bar and the closing report.
#pragma once

#include <functional>
#include <string>

#include "output/MovieCodecs.h"
#include "output/OutputRun.h"

namespace CLI {
class App;
}

struct CliOutputOptions {
  std::string szOutput;
  std::string szFormat;  // empty: from OUT's extension
  std::string szCodec;   // movie encoder short name; empty: the container's first
  int nFps = 0;          // 0: the format's own rate
  int nLoop = -1;        // -1: the format's own loop setting
};

// bSingleFrame: the command can write one frame ("frame", and --frame decides the default).
void AddCliOutputOptions(CLI::App& cmd, CliOutputOptions& o, bool bSingleFrame);

// The kind of output: the --format word, or one chosen from OUT's extension ("frame" for a
// picture extension when bFrameGiven). Refuses options the kind does not take.
bool ChooseCliFormat(const CliOutputOptions& o, bool bFrameGiven, std::string& szFormat, std::string& szError);
// The output table's row of a format word (the picture sequence's for an unknown word).
const OutputFormatRow& CliFormatRow(const std::string& szFormat);
// The encoder chooser for --codec (the container's first entry by default); an empty chooser
// for kinds that have no encoder to choose.
bool MakeCliCodecChooser(const CliOutputOptions& o, const std::string& szFormat, MovieCodecChooser& chooser,
                         std::string& szError);
// "WxH" with both sides at least 1.
bool ParseCliSize(const std::string& text, int& nWidth, int& nHeight);

// Runs the animation with a progress bar on a terminal; onFrame hears every frame the run
// reports. Prints what was written, or the error prefixed with szCommand; the exit status.
int RunCliAnimation(const std::string& szCommand, const OutputRunRequest& request, const MovieCodecChooser& chooser,
                    const std::function<void(int nFrame)>& onFrame = {});

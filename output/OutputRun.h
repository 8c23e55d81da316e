// The output run: renders frames 0..N of a morph off screen, one at a time, hands each
// to the frame writer of the chosen format and finishes the file (animated GIF, AVI or
// SWF movie, HTML page beside its movie, picture sequence or single picture). No window
// code: the caller supplies progress, frame display, event pumping and the cancel flag.
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "base/Limits.h"
#include "base/Result.h"
#include "output/MovieCodecs.h"
#include "output/OutputFormats.h"
#include "output/OutputSettings.h"
#include "render/OffscreenRenderer.h"

class CAviWriter;
class CSwfWriter;

// A run is the frame request (pictures, triangles, morph type, N, output size; nCurFrame is
// the frame a SingleFrame run renders) plus where and how to write. Made by
// MakeOutputRunRequest (output/OutputRequest.h), checked by CheckOutputRunRequest.
struct OutputRunRequest : MorphFrameRequest {
  int nFormat = ImageSequence;
  // What an AviMovie run writes (AVI, MP4, WebM); an AnimatedGif run writes an animated WebP
  // or APNG when it names one, else the GIF.
  MovieContainer movieContainer = MovieContainer::Avi;
  int nFrameRate = 0;  // frames per second of GIF, movies and SWF; 0: the format's own
  int nLoops = -1;     // plays of a GIF, WebP, APNG (0 endless) or SWF (0 endless, 1 once); -1: the format's own
  std::string szOutputPath;
  std::string szTemplateDir; // folder holding "exsample.html"; empty: the executable's folder
  // The project file and its pictures: a run never writes over one of them.
  std::vector<std::string> inputFiles;
  // A chain: morphs played one after another in place of the request's own (see
  // RunFrameAt); they share N and are drawn at the request's output size. The request's
  // nFrameCount is then the chain's last frame, its pictures and triangles the first morph's.
  std::vector<MorphFrameRequest> chain;
  int nHoldFrames = 0;  // frames a chain shows each of its pictures beyond the first
  bool bOneWay = false;  // movies and SWF play the frames once, without the way back
  // Bytes a movie may keep from its way there for its way back; -1: kMovieReuseBytes (0
  // draws and encodes the way back again, the plain run the reuse is compared with).
  long long nReuseBytes = -1;
};

// Where frame g of a run comes from: frame k of morph nMorph (an index into the chain; 0 for
// a request without one). A chain shows its first picture 1 + hold times, then for each morph
// its frames 1..N, its last one (the next picture) hold times more.
struct RunFrameSource {
  int nMorph = 0;
  int k = 0;
  bool operator==(const RunFrameSource& o) const { return nMorph == o.nMorph && k == o.k; }
};
RunFrameSource RunFrameAt(const OutputRunRequest& request, int g);
// Index of the last frame of a chain of nMorphs morphs with N frames each: nMorphs * N +
// (nMorphs + 1) * nHold (the animation has one frame more).
int ChainLastFrame(int nMorphs, int N, int nHold);

struct OutputRunCallbacks {
  std::function<void(int nPercent)> onProgress;
  std::function<void(int nFrame)> onShowFrame;    // show frame i in the preview
  std::function<void(int nFrame)> onReportFrame;  // move the frame slider / counter
  std::function<void()> pump;                     // let pending events through
  std::function<bool()> isRunning;                // false once the user cancelled
  MovieCodecChooser chooseCodec;                  // the movie encoder (uncompressed without one)
};

// Figures shown after a finished run: the frame figure is N whatever the format.
struct OutputStatistics {
  int nFrames = 0;
  int nElapsedMs = 0;
  float fSeconds = 0.0f;
  float fSpeed = 0.0f;  // N / seconds
  std::string FramesText() const;   // "%d frames"
  std::string SecondsText() const;  // "%1.2f seconds"
  std::string SpeedText() const;    // "%1.2f  frame/s"
};
OutputStatistics MakeOutputStatistics(int nFrames, int nElapsedMs);

struct OutputRunResult {
  // Success for a finished run, ErrorKind::Interrupted for one the user cancelled, otherwise
  // why it failed (FullText is the text to show). A result of no run is a failure.
  Result outcome = Result::Fail(ErrorKind::Unavailable, std::string());
  std::string szNotice;     // something the user should know about a finished run
  std::string szOutputFile; // the file written (the AVI name after ".avi" is added)
  std::string szMoviePath;  // SWF movie of a Flash or HTML run
  int nFramesRendered = 0;  // off-screen renders
  int nFramesWritten = 0;   // frames handed to the output (movies count both passes)
  OutputStatistics stats;
  bool ok() const { return outcome.ok(); }
  bool Cancelled() const { return outcome.kind == ErrorKind::Interrupted; }
  bool Failed() const { return !ok() && !Cancelled(); }
};

// Name of the page template beside the executable, and of the movie beside the page.
constexpr const char* kHtmlTemplateName = "exsample.html";
constexpr const char* kHtmlMovieName = "output.swf";
// The row of the output table a request writes.
inline const OutputFormatRow& OutputFormatOf(const OutputRunRequest& request) {
  return OutputFormatFor(request.nFormat, request.movieContainer);
}
// An AnimatedGif run that writes an animated WebP or APNG instead of the GIF.
inline bool WritesAnimation(const OutputRunRequest& request) {
  return OutputFormatOf(request).writer == OutputWriterKind::Animation;
}

// Frames per second of movies unless the request names a rate (the settings' speed is only
// shown).
constexpr int kMovieFrameRate = 15;

// What an output run writes at least: beside its target, and in the temporary folder.
struct OutputSpaceNeed {
  long long nOutputBytes = 0;
  long long nTempBytes = 0;
};
// bRawMovie: the movie's encoder is the uncompressed one.
OutputSpaceNeed EstimateOutputSpace(const OutputRunRequest& request, bool bRawMovie);

class COutputRun {
 public:
  COutputRun();
  ~COutputRun();
  COutputRun(const COutputRun&) = delete;
  COutputRun& operator=(const COutputRun&) = delete;

  OutputRunResult Run(const OutputRunRequest& request, const OutputRunCallbacks& callbacks);

 private:
  struct Context;
  bool RenderStep(Context& ctx, int nFrame, int nPercent);
  bool RunSinglePass(Context& ctx);
  bool RunSingleFrame(Context& ctx);
  bool RunMovie(Context& ctx);
  bool RunSwf(Context& ctx);
  bool RenderFrame(Context& ctx, int nFrame);
  // Starts making the renderer ready for the run's first frame on another thread;
  // TakeRenderer waits for it (false when it could not be made).
  void StartRenderer(const OutputRunRequest& rq, const OutputFormatRow& row);
  bool TakeRenderer();
  bool CheckRunning(Context& ctx);
  // Refuses a run that cannot fit the free space of its file systems.
  bool CheckSpace(Context& ctx, bool bRawMovie);

  std::unique_ptr<COffscreenRenderer> m_pRenderer;
  std::future<std::unique_ptr<COffscreenRenderer>> m_renderer;  // being made for the run
  std::unique_ptr<CAviWriter> m_pMovieWriter;
  std::unique_ptr<CSwfWriter> m_pSwfWriter;
  // The last frame rendered, written again while a chain holds a picture.
  FrameBitmap m_lastFrame;
  RunFrameSource m_lastSource;
  bool m_bLastFrameKept = false;
};

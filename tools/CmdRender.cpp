// `kestrelle-cli render PROJECT.fmph -o OUT [--format sequence|gif|swf|html|avi|mp4|webm|frame]
// [--frames N] [--frame K] [--type morph|warp1|warp2] [--size WxH] [--codec NAME] [--fps F]
// [--loop L]`: renders a project off screen into an animation (picture sequence, animated
// GIF, SWF movie, HTML page with its movie, AVI, MP4 or WebM movie) or one frame as a
// picture. Without --format the kind follows OUT's extension: .gif, .avi, .mp4, .webm, .swf,
// .html; any other picture extension gives the sequence, or the single frame when --frame is
// given.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/PathParts.h"
#include "base/AtomicFile.h"
#include "base/FileChecks.h"
#include "core/ProjectFile.h"
#include "image/Picture.h"
#include "output/AviCodecs.h"
#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "output/OutputRequest.h"
#include "output/OutputRun.h"
#include "render/OffscreenRenderer.h"
#include "render/ProjectFrame.h"
#include "tools/CliRegistry.h"

namespace {

// Every option of the command, as parsed.
struct RenderOptions {
  std::string szProject;
  std::string szOutput;
  int nFrame = -1;     // -1: the middle frame N / 2
  int nFrames = 30;    // N, index of the last frame
  std::string szType = "morph";
  std::string szSize;  // "WxH"; empty: image1's size
  std::string szFormat;  // empty: from OUT's extension
  std::string szCodec;   // movie encoder short name; empty: the container's first
  int nFps = 0;          // 0: the format's own rate
  int nLoop = -1;        // -1: the format's own loop setting
};

bool IsMovieFormat(const std::string& szFormat) {
  return szFormat == "avi" || szFormat == "mp4" || szFormat == "webm";
}

MovieContainer ContainerOf(const std::string& szFormat) {
  return szFormat == "mp4" ? MovieContainer::Mp4 : szFormat == "webm" ? MovieContainer::WebM : MovieContainer::Avi;
}

void AddRenderOptions(CLI::App& cmd, RenderOptions& o) {
  cmd.add_option("PROJECT", o.szProject, "project file (.fmph)")->required();
  cmd.add_option("-o,--output", o.szOutput, "picture to write; the extension chooses the format")
      ->required();
  cmd.add_option("--frame", o.nFrame, "frame to render, 0..N (default N/2)")
      ->check(CLI::NonNegativeNumber);
  cmd.add_option("--frames", o.nFrames, "index N of the last frame (default 30)")
      ->check(CLI::Range(1, 1000000));
  cmd.add_option("--type", o.szType, "morph type (default morph)")
      ->check(CLI::IsMember({"morph", "warp1", "warp2"}));
  cmd.add_option("--size", o.szSize, "output size WxH (default image1's size)");
  cmd.add_option("--format", o.szFormat,
                 "what to write (default from OUT's extension: .gif gif, .avi avi, .mp4 mp4, .webm webm, "
                 ".swf swf, .html html, another picture extension: sequence, or frame when --frame is given)")
      ->check(CLI::IsMember({"sequence", "gif", "swf", "html", "avi", "mp4", "webm", "frame"}));
  cmd.add_option("--codec", o.szCodec,
                 "movie encoder: AVI rawvideo (default, uncompressed frames), mjpeg, ffv1, ...; MP4 h264; "
                 "WebM vp9");
  cmd.add_option("--fps", o.nFps,
                 "frames per second, 1 to 100 (default: movies and SWF 15; GIF 100, one frame per "
                 "hundredth of a second; GIF rounds to whole hundredths)")
      ->check(CLI::Range(1, kMaxOutputFrameRate));
  cmd.add_option("--loop", o.nLoop,
                 "how often the animation plays, 0 endlessly: GIF 0 to 65535 (default 90), SWF and HTML "
                 "0 or 1 (default 0)")
      ->check(CLI::Range(0, 65535));
}

int Fail(const std::string& text) {
  std::cerr << text << '\n';
  return 1;
}

bool ParseSize(const std::string& text, int& nWidth, int& nHeight) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  const std::string w = text.substr(0, x), h = text.substr(x + 1);
  if (w.find_first_not_of("0123456789") != std::string::npos ||
      h.find_first_not_of("0123456789") != std::string::npos || w.size() > 6 || h.size() > 6)
    return false;
  nWidth = std::stoi(w);
  nHeight = std::stoi(h);
  return nWidth > 0 && nHeight > 0;
}

// Opens the project and applies the options that every kind of output shares.
bool PrepareProject(const RenderOptions& o, MorphProject& project, std::string& szError) {
  const CommandResult opened = OpenProject(project, o.szProject);
  if (!opened) {
    szError = o.szProject + ": " + opened.FullText();
    return false;
  }
  if (!project.IsReady()) {
    szError = o.szProject + ": the project does not have both pictures";
    return false;
  }
  project.SetFrameCount(o.nFrames);
  project.ChooseMorphType(o.szType == "warp1" ? 2 : o.szType == "warp2" ? 3 : 1);
  int nWidth = project.m_pImage1->GetWidth(), nHeight = project.m_pImage1->GetHeight();
  if (!o.szSize.empty() && !ParseSize(o.szSize, nWidth, nHeight)) {
    szError = "--size: '" + o.szSize + "' is not a size like 640x480";
    return false;
  }
  project.SetOutputSize(nWidth, nHeight);
  return true;
}

// One frame into one picture file.
int RenderSingleFrame(const OutputRunRequest& request) {
  const int nType = ImageTypeFromExtension(request.szOutputPath);
  if (nType == PICTURE_UNKNOWN)
    return Fail(request.szOutputPath + ": unknown picture format (use an extension such as .png, .bmp or .jpg)");
  COffscreenRenderer renderer;
  FrameBitmap bitmap;
  if (!renderer.RenderFrame(request, bitmap)) return Fail("render: " + renderer.GetLastError());

  CPicture picture(nType);
  std::string szError;
  if (!GrabFrameImage(bitmap, picture, &szError)) return Fail("render: " + szError);
  if (!picture.Save(request.szOutputPath, nType)) {
    const std::string& text = picture.GetLastError();
    return Fail(request.szOutputPath + ": " +
                (text.empty() ? std::string("the picture could not be written") : text));
  }
  return 0;
}

// The kind of output: the --format word, or one chosen from OUT's extension.
bool ChooseFormat(const RenderOptions& o, std::string& szFormat, std::string& szError) {
  szFormat = o.szFormat;
  if (szFormat.empty()) {
    const std::string ext = PathExtension(o.szOutput);
    if (ext == "gif") szFormat = "gif";
    else if (ext == "avi") szFormat = "avi";
    else if (ext == "mp4") szFormat = "mp4";
    else if (ext == "webm") szFormat = "webm";
    else if (ext == "swf") szFormat = "swf";
    else if (ext == "html") szFormat = "html";
    else if (ImageTypeFromExtension(o.szOutput) != PICTURE_UNKNOWN) szFormat = o.nFrame >= 0 ? "frame" : "sequence";
    else {
      szError = o.szOutput + ": unknown picture format (use an extension such as .png, .bmp, .jpg, .gif, "
                             ".avi, .mp4, .webm, .swf or .html, or --format)";
      return false;
    }
  }
  if (o.nFrame >= 0 && szFormat != "frame") {
    szError = "--frame: renders one picture, which --format " + szFormat + " does not write";
    return false;
  }
  if (!o.szCodec.empty() && !IsMovieFormat(szFormat)) {
    szError = "--codec: only AVI, MP4 and WebM movies have an encoder to choose";
    return false;
  }
  if (o.nFps != 0 && (szFormat == "sequence" || szFormat == "frame")) {
    szError = "--fps: pictures and picture sequences have no frame rate";
    return false;
  }
  if (o.nLoop >= 0) {
    if (IsMovieFormat(szFormat)) {
      szError = "--loop: AVI, MP4 and WebM movies have no loop setting; players decide themselves";
      return false;
    }
    if (szFormat == "sequence" || szFormat == "frame") {
      szError = "--loop: pictures and picture sequences do not play";
      return false;
    }
    if ((szFormat == "swf" || szFormat == "html") && o.nLoop > 1) {
      szError = "--loop: a SWF movie plays once (1) or endlessly (0), not " + std::to_string(o.nLoop) + " times";
      return false;
    }
  }
  return true;
}

int FormatCode(const std::string& szFormat) {
  if (szFormat == "frame") return SingleFrame;
  if (szFormat == "gif") return AnimatedGif;
  if (szFormat == "swf") return FlashMovie;
  if (szFormat == "html") return HtmlPage;
  if (IsMovieFormat(szFormat)) return AviMovie;
  return ImageSequence;
}

// A bar on stderr, drawn only for a terminal.
class CProgressBar {
 public:
  CProgressBar() : m_bShown(::isatty(STDERR_FILENO) != 0) {}
  ~CProgressBar() { Done(); }
  void Set(int nPercent) {
    if (!m_bShown || nPercent == m_nLast) return;
    m_nLast = nPercent;
    const int nFilled = nPercent < 0 ? 0 : nPercent > 100 ? 40 : nPercent * 40 / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(nFilled, '#').c_str(), std::string(40 - nFilled, ' ').c_str(),
                 nPercent);
    std::fflush(stderr);
    m_bDrawn = true;
  }
  void Done() {
    if (m_bDrawn) std::fputc('\n', stderr);
    m_bDrawn = false;
  }

 private:
  bool m_bShown;
  bool m_bDrawn = false;
  int m_nLast = -1;
};

// The encoder chooser for --codec: the container's first entry by default (for AVI "raw",
// which "rawvideo" names too).
bool MakeCodecChooser(const RenderOptions& o, MovieContainer container, AviCodecChooser& chooser,
                      std::string& szError) {
  const std::vector<AviCodecEntry> entries = AvailableAviCodecs(container);
  if (entries.empty()) {
    szError = std::string("render: the FFmpeg libraries here have no ") + MovieContainerExtension(container) +
              " encoder";
    return false;
  }
  const std::string szCodec = o.szCodec.empty() ? entries.front().szName
                              : o.szCodec == "rawvideo" ? std::string("raw")
                                                        : o.szCodec;
  if (FindAviCodec(entries, szCodec) < 0) {
    std::string names;
    for (const AviCodecEntry& e : entries)
      names += (names.empty() ? "" : ", ") + (e.szName == "raw" ? std::string("rawvideo") : e.szName);
    szError = "--codec: unknown encoder '" + o.szCodec + "' (available: " + names + ")";
    return false;
  }
  chooser = AviCodecChooserByName(szCodec);
  return true;
}

// A whole animation through the output run.
int RenderAnimation(const OutputRunRequest& request, const AviCodecChooser& chooser) {
  CProgressBar bar;
  OutputRunCallbacks callbacks;
  callbacks.onProgress = [&bar](int nPercent) { bar.Set(nPercent); };
  // SIGINT, SIGTERM and SIGHUP stop the run after the frame in progress.
  callbacks.isRunning = [] { return !CancelRequest::IsSet(); };
  callbacks.chooseCodec = chooser;
  COutputRun run;
  const OutputRunResult result = run.Run(request, callbacks);
  bar.Done();

  // A stop request fails every commit, so an interrupted run has replaced nothing.
  if (result.status == OutputRunStatus::Cancelled || (!result.Ok() && CancelRequest::IsSet()))
    return Fail("render: interrupted; the unfinished output was removed and existing files were kept as they were");
  if (!result.Ok()) return Fail("render: " + result.szError);
  if (!result.szNotice.empty()) std::cerr << "note: " << result.szNotice << '\n';
  std::string szWritten = result.szOutputFile;
  if (request.nFormat == ImageSequence)
    szWritten = SequenceFrameName(request.szOutputPath, 0) + " to " +
                SequenceFrameName(request.szOutputPath, request.nFrameCount);
  else if (!result.szMoviePath.empty() && result.szMoviePath != result.szOutputFile)
    szWritten += " and " + result.szMoviePath;
  std::cout << szWritten << ": " << result.nFramesWritten << " frames written, " << result.stats.SecondsText() << ", "
            << result.stats.SpeedText() << '\n';
  return 0;
}

int RunRender(const RenderOptions& o) {
  std::string szFormat, szError;
  if (!ChooseFormat(o, szFormat, szError)) return Fail(szError);
  AviCodecChooser chooser;
  if (IsMovieFormat(szFormat) && !MakeCodecChooser(o, ContainerOf(szFormat), chooser, szError)) return Fail(szError);
  MorphProject project;
  if (!PrepareProject(o, project, szError)) return Fail(szError);
  const MorphTriangles triangles = ProjectTriangles(project);
  OutputRunRequest request = MakeOutputRunRequest(project, triangles, FormatCode(szFormat), o.szOutput);
  request.nCurFrame = o.nFrame < 0 ? request.nFrameCount / 2 : o.nFrame;
  request.movieContainer = ContainerOf(szFormat);
  request.nFrameRate = o.nFps;
  request.nLoops = o.nLoop;
  request.inputFiles.push_back(o.szProject);
  const CommandResult checked = CheckOutputRunRequest(request);
  if (!checked) return Fail("render: " + checked.message);
  if (request.nFormat == SingleFrame) return RenderSingleFrame(request);
  return RenderAnimation(request, chooser);
}

const CliCommandRegistrar kRenderCommand([](CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "render", "Render a morph project off screen: picture sequence, animated GIF, SWF movie, HTML page, AVI, MP4 or WebM movie or one frame");
  auto options = std::make_shared<RenderOptions>();
  AddRenderOptions(*cmd, *options);
  cmd->callback([options] { CliExitCode() = RunRender(*options); });
});

}  // namespace

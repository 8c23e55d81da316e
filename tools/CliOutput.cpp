#include "tools/CliOutput.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/AtomicFile.h"
#include "base/PathParts.h"
#include "image/Picture.h"
#include "output/FrameWriters.h"

namespace {

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

bool IsMovieFormat(const std::string& szFormat) {
  const MovieContainer container = CliFormatContainer(szFormat);
  return szFormat == "avi" || (container != MovieContainer::Avi && !IsAnimationContainer(container));
}

}  // namespace

MovieContainer CliFormatContainer(const std::string& szFormat) {
  // The words of the formats written through a container are its extensions.
  return MovieContainerForPath("x." + szFormat);
}

void AddCliOutputOptions(CLI::App& cmd, CliOutputOptions& o, bool bSingleFrame) {
  cmd.add_option("-o,--output", o.szOutput, "file to write; the extension chooses the format")->required();
  std::vector<std::string> formats = {"sequence", "gif", "webp", "apng", "swf", "html", "avi", "mp4", "webm"};
  if (bSingleFrame) formats.push_back("frame");
  cmd.add_option("--format", o.szFormat,
                 std::string("what to write (default from OUT's extension: .gif gif, .webp webp (animated WebP), "
                             ".apng apng, .avi avi, .mp4 mp4, .webm webm, .swf swf, .html html, another picture "
                             "extension: sequence") +
                     (bSingleFrame ? ", or frame when --frame is given)" : ")"))
      ->check(CLI::IsMember(formats));
  cmd.add_option("--codec", o.szCodec,
                 "movie encoder: AVI rawvideo (default, uncompressed frames), mjpeg, ffv1, ...; MP4 h264; "
                 "WebM vp9");
  cmd.add_option("--fps", o.nFps,
                 "frames per second, 1 to 100 (default: movies, WebP, APNG and SWF 15; GIF 100, one frame "
                 "per hundredth of a second; GIF rounds to whole hundredths)")
      ->check(CLI::Range(1, kMaxOutputFrameRate));
  cmd.add_option("--loop", o.nLoop,
                 "how often the animation plays, 0 endlessly: GIF 0 to 65535 (default 90), WebP and APNG "
                 "0 to 65535 (default 0), SWF and HTML 0 or 1 (default 0); written into the file")
      ->check(CLI::Range(0, 65535));
}

bool ChooseCliFormat(const CliOutputOptions& o, bool bFrameGiven, std::string& szFormat, std::string& szError) {
  szFormat = o.szFormat;
  if (szFormat.empty()) {
    const std::string ext = PathExtension(o.szOutput);
    if (ext == "gif" || ext == "swf" || ext == "html" || ext == "avi" || CliFormatContainer(ext) != MovieContainer::Avi)
      szFormat = ext;
    else if (ImageTypeFromExtension(o.szOutput) != PICTURE_UNKNOWN) szFormat = bFrameGiven ? "frame" : "sequence";
    else {
      szError = o.szOutput + ": unknown picture format (use an extension such as .png, .bmp, .jpg, .gif, "
                             ".webp, .apng, .avi, .mp4, .webm, .swf or .html, or --format)";
      return false;
    }
  }
  if (bFrameGiven && szFormat != "frame") {
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

int CliFormatCode(const std::string& szFormat) {
  if (szFormat == "frame") return SingleFrame;
  if (szFormat == "gif" || IsAnimationContainer(CliFormatContainer(szFormat))) return AnimatedGif;
  if (szFormat == "swf") return FlashMovie;
  if (szFormat == "html") return HtmlPage;
  if (IsMovieFormat(szFormat)) return AviMovie;
  return ImageSequence;
}

bool MakeCliCodecChooser(const CliOutputOptions& o, const std::string& szFormat, AviCodecChooser& chooser,
                         std::string& szError) {
  chooser = nullptr;
  if (!IsMovieFormat(szFormat)) return true;
  const MovieContainer container = CliFormatContainer(szFormat);
  const std::vector<AviCodecEntry> entries = AvailableAviCodecs(container);
  if (entries.empty()) {
    szError = std::string("the FFmpeg libraries here have no ") + MovieContainerExtension(container) + " encoder";
    return false;
  }
  // "rawvideo" names the uncompressed entry too.
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

bool ParseCliSize(const std::string& text, int& nWidth, int& nHeight) {
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

int RunCliAnimation(const std::string& szCommand, const OutputRunRequest& request, const AviCodecChooser& chooser,
                    const std::function<void(int nFrame)>& onFrame) {
  CProgressBar bar;
  OutputRunCallbacks callbacks;
  callbacks.onProgress = [&bar](int nPercent) { bar.Set(nPercent); };
  if (onFrame) callbacks.onReportFrame = onFrame;
  // SIGINT, SIGTERM and SIGHUP stop the run after the frame in progress.
  callbacks.isRunning = [] { return !CancelRequest::IsSet(); };
  callbacks.chooseCodec = chooser;
  COutputRun run;
  const OutputRunResult result = run.Run(request, callbacks);
  bar.Done();

  // A stop request fails every commit, so an interrupted run has replaced nothing.
  if (result.status == OutputRunStatus::Cancelled || (!result.ok() && CancelRequest::IsSet())) {
    std::cerr << szCommand
              << ": interrupted; the unfinished output was removed and existing files were kept as they were\n";
    return 1;
  }
  if (!result.ok()) {
    std::cerr << szCommand << ": " << result.szError << '\n';
    return 1;
  }
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

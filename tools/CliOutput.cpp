#include "tools/CliOutput.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/AtomicFile.h"
#include "base/PathParts.h"
#include "image/Picture.h"
#include "output/FrameWriters.h"
#include "output/OutputFormats.h"

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
  const OutputFormatRow* pRow = OutputFormatForWord(szFormat);
  return pRow && pRow->writer == OutputWriterKind::Movie;
}

bool IsPictureFormat(const std::string& szFormat) {
  const OutputFormatRow* pRow = OutputFormatForWord(szFormat);
  return pRow && !pRow->bTimed;
}

// What --format offers, by format code (the order the window's buttons have); "frame" only
// for commands that write one frame.
std::vector<std::string> FormatWords(bool bSingleFrame) {
  std::vector<const OutputFormatRow*> rows;
  for (const OutputFormatRow& row : OutputFormatRows())
    if (bSingleFrame || row.writer != OutputWriterKind::Single) rows.push_back(&row);
  std::stable_sort(rows.begin(), rows.end(),
                   [](const OutputFormatRow* a, const OutputFormatRow* b) { return a->nFormat < b->nFormat; });
  std::vector<std::string> words;
  for (const OutputFormatRow* pRow : rows) words.push_back(pRow->szWord);
  return words;
}

// ".gif gif, .webp webp (animated WebP), ...": what each extension writes.
std::string ExtensionHelp() {
  std::string s;
  for (const OutputFormatRow& row : OutputFormatRows()) {
    if (!row.szExtension) continue;
    s += std::string(s.empty() ? "" : ", ") + "." + row.szExtension + " " + row.szWord;
    if (*row.szCliNote) s += std::string(" ") + row.szCliNote;
  }
  return s;
}

}  // namespace

const OutputFormatRow& CliFormatRow(const std::string& szFormat) {
  const OutputFormatRow* pRow = OutputFormatForWord(szFormat);
  return pRow ? *pRow : OutputFormatFor(ImageSequence, MovieContainer::Avi);
}

void AddCliOutputOptions(CLI::App& cmd, CliOutputOptions& o, bool bSingleFrame) {
  cmd.add_option("-o,--output", o.szOutput, "file to write; the extension chooses the format")->required();
  cmd.add_option("--format", o.szFormat,
                 "what to write (default from OUT's extension: " + ExtensionHelp() +
                     ", another picture extension: sequence" +
                     (bSingleFrame ? ", or frame when --frame is given)" : ")"))
      ->check(CLI::IsMember(FormatWords(bSingleFrame)));
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
      ->check(CLI::Range(0, kMaxOutputPlays));
}

bool ChooseCliFormat(const CliOutputOptions& o, bool bFrameGiven, std::string& szFormat, std::string& szError) {
  szFormat = o.szFormat;
  if (szFormat.empty()) {
    const OutputFormatRow* pRow = OutputFormatForExtension(PathExtension(o.szOutput));
    if (pRow) szFormat = pRow->szWord;
    else if (ImageTypeFromExtension(o.szOutput) != PICTURE_UNKNOWN) szFormat = bFrameGiven ? "frame" : "sequence";
    else {
      std::vector<std::string> exts = {".png", ".bmp", ".jpg"};
      for (const std::string& ext : OutputExtensions()) exts.push_back(ext);
      szError = o.szOutput + ": unknown picture format (use an extension such as " + JoinedList(exts, " or ") +
                ", or --format)";
      return false;
    }
  }
  if (bFrameGiven && szFormat != "frame") {
    szError = "--frame: renders one picture, which --format " + szFormat + " does not write";
    return false;
  }
  const std::string szMovies = JoinedList(OutputShortNames(OutputWriterKind::Movie), " and ");
  if (!o.szCodec.empty() && !IsMovieFormat(szFormat)) {
    szError = "--codec: only " + szMovies + " movies have an encoder to choose";
    return false;
  }
  if (o.nFps != 0 && IsPictureFormat(szFormat)) {
    szError = "--fps: pictures and picture sequences have no frame rate";
    return false;
  }
  if (o.nLoop >= 0) {
    if (IsMovieFormat(szFormat)) {
      szError = "--loop: " + szMovies + " movies have no loop setting; players decide themselves";
      return false;
    }
    if (IsPictureFormat(szFormat)) {
      szError = "--loop: pictures and picture sequences do not play";
      return false;
    }
    const OutputFormatRow* pRow = OutputFormatForWord(szFormat);
    if (pRow && pRow->loops == OutputLoopKind::OnceOrEndless && o.nLoop > 1) {
      szError = "--loop: a SWF movie plays once (1) or endlessly (0), not " + std::to_string(o.nLoop) + " times";
      return false;
    }
  }
  return true;
}

bool MakeCliCodecChooser(const CliOutputOptions& o, const std::string& szFormat, MovieCodecChooser& chooser,
                         std::string& szError) {
  chooser = nullptr;
  if (!IsMovieFormat(szFormat)) return true;
  const MovieContainer container = CliFormatRow(szFormat).container;
  const std::vector<MovieCodecEntry> entries = AvailableMovieCodecs(container);
  if (entries.empty()) {
    szError = std::string("the FFmpeg libraries here have no ") + MovieContainerExtension(container) + " encoder";
    return false;
  }
  // "rawvideo" names the uncompressed entry too.
  const std::string szCodec = o.szCodec.empty() ? entries.front().szName
                              : o.szCodec == "rawvideo" ? std::string("raw")
                                                        : o.szCodec;
  if (FindMovieCodec(entries, szCodec) < 0) {
    std::string names;
    for (const MovieCodecEntry& e : entries)
      names += (names.empty() ? "" : ", ") + (e.szName == "raw" ? std::string("rawvideo") : e.szName);
    szError = "--codec: unknown encoder '" + o.szCodec + "' (available: " + names + ")";
    return false;
  }
  chooser = MovieCodecChooserByName(szCodec);
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

int RunCliAnimation(const std::string& szCommand, const OutputRunRequest& request, const MovieCodecChooser& chooser,
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
  if (result.Cancelled() || (!result.ok() && CancelRequest::IsSet())) {
    std::cerr << szCommand
              << ": interrupted; the unfinished output was removed and existing files were kept as they were\n";
    return 1;
  }
  if (!result.ok()) {
    std::cerr << szCommand << ": " << result.outcome.FullText() << '\n';
    return 1;
  }
  if (!result.szNotice.empty()) std::cerr << "note: " << result.szNotice << '\n';
  std::string szWritten = result.szOutputFile;
  if (OutputFormatOf(request).writer == OutputWriterKind::Sequence)
    szWritten = SequenceFrameName(request.szOutputPath, 0) + " to " +
                SequenceFrameName(request.szOutputPath, request.nFrameCount);
  else if (!result.szMoviePath.empty() && result.szMoviePath != result.szOutputFile)
    szWritten += " and " + result.szMoviePath;
  std::cout << szWritten << ": " << result.nFramesWritten << " frames written, " << result.stats.SecondsText() << ", "
            << result.stats.SpeedText() << '\n';
  return 0;
}

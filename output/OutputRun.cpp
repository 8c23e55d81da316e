#include "output/OutputRun.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "base/ExecutableFolder.h"
#include "base/PathParts.h"
#include "base/TempFolder.h"
#include "base/AtomicFile.h"
#include "base/FileChecks.h"
#include "core/AppFolders.h"
#include "image/Picture.h"
#include "output/AviWriter.h"
#include "output/FrameWriters.h"
#include "output/OutputRequest.h"
#include "output/SwfWriter.h"
#include "render/OffscreenRenderer.h"

namespace {

std::string Format(const char* szFormat, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), szFormat, value);
  return buffer;
}

// Copies szFrom to szTo unless szTo exists; the copy takes its name only when complete.
// 1 copied, 0 target exists, -1 failure.
int CopyFileNoReplace(const std::string& szFrom, const std::string& szTo, std::string& szError) {
  std::string szReason;
  const int in = OpenRegularFile(szFrom, &szReason);
  if (in < 0) {
    szError = "Cannot read the page template " + szFrom + ": " + szReason;
    return -1;
  }
  CAtomicFile out;
  if (!out.Create(szTo, &szReason)) {
    ::close(in);
    szError = "Cannot create " + szReason;
    return -1;
  }
  std::vector<char> buffer(1 << 16);
  bool bOk = true;
  int nError = 0;
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      bOk = n == 0;
      nError = errno;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out.Fd(), buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        bOk = false;
        nError = w < 0 ? errno : EIO;
        break;
      }
      done += w;
    }
    if (!bOk) break;
  }
  ::close(in);
  if (!bOk) {
    szError = "Cannot write " + szTo + ": " + std::strerror(nError ? nError : EIO);
    return -1;
  }
  bool bExisted = false;
  if (!out.CommitNoReplace(bExisted, &szReason)) {
    if (bExisted) return 0;
    szError = "Cannot write " + szReason;
    return -1;
  }
  return 1;
}

// A lower bound of what an output of W x H frames takes on disk: exact for uncompressed
// data, a small share of it for compressed formats, so only a run that surely cannot fit
// is refused.
long long FrameBytesAtLeast(const OutputFormatRow& row, int nPictureType, long long nWidth, long long nHeight,
                            bool bRawMovie) {
  const long long nRaw = nWidth * nHeight * 3;
  switch (row.writer) {
    case OutputWriterKind::Animation: return 0;
    case OutputWriterKind::Movie:
      // A frame that repeats the one before takes a few bytes in H.264 or VP9.
      if (row.frame != OutputFrameKind::CropFour) return 0;
      return bRawMovie ? ((nWidth & ~3LL) * 3 * (nHeight & ~3LL) + 8) : nRaw / 50;
    case OutputWriterKind::Sequence:
    case OutputWriterKind::Single:
      return nPictureType == PICTURE_BMP ? nRaw + 54 : nPictureType == PICTURE_TGA ? nRaw / 3 : nRaw / 50;
    case OutputWriterKind::Gif: return nWidth * nHeight / 20;
    default: return nRaw / 50;  // JPEG frames of a movie
  }
}

bool IsSwf(OutputWriterKind writer) {
  return writer == OutputWriterKind::Swf || writer == OutputWriterKind::SwfPage;
}

// The data folder holding the page template; the executable's folder when none does, so that
// the failure names the place a build keeps it.
std::string TemplateFolder() {
  const std::string found = FindDataPath(kHtmlTemplateName);
  return found.empty() ? ExecutableFolder() : PathFolder(found);
}

}  // namespace

RunFrameSource RunFrameAt(const OutputRunRequest& request, int g) {
  if (request.chain.empty()) return {0, g};
  const int N = request.chain.front().nFrameCount, nHold = request.nHoldFrames;
  if (g <= nHold) return {0, 0};
  const int nStep = g - nHold - 1, nPerMorph = N + nHold;
  const int nMorph = nStep / nPerMorph, r = nStep % nPerMorph;
  return {nMorph, r < N ? r + 1 : N};
}

int ChainLastFrame(int nMorphs, int N, int nHold) { return nMorphs * N + (nMorphs + 1) * nHold; }

OutputSpaceNeed EstimateOutputSpace(const OutputRunRequest& rq, bool bRawMovie) {
  OutputSpaceNeed need;
  const OutputFormatRow& row = OutputFormatOf(rq);
  const long long nFrames = row.writer == OutputWriterKind::Single ? 1 : rq.nFrameCount + 1;
  const long long nFrame = FrameBytesAtLeast(row, SequencePictureType(rq.szOutputPath), rq.nOutputWidth,
                                             rq.nOutputHeight, bRawMovie);
  // Movies hold the way there and back.
  const long long nPasses = rq.bOneWay ? 1 : row.nPasses;
  need.nOutputBytes = nFrame * nFrames * nPasses;
  if (IsSwf(row.writer)) need.nTempBytes = nFrame * nFrames;
  return need;
}

std::string OutputStatistics::FramesText() const { return std::to_string(nFrames) + " frames"; }
std::string OutputStatistics::SecondsText() const { return Format("%1.2f seconds", fSeconds); }
std::string OutputStatistics::SpeedText() const { return Format("%1.2f  frame/s", fSpeed); }

OutputStatistics MakeOutputStatistics(int nFrames, int nElapsedMs) {
  OutputStatistics stats;
  stats.nFrames = nFrames;
  stats.nElapsedMs = nElapsedMs;
  stats.fSeconds = static_cast<float>(nElapsedMs) * 0.001f;
  // A run too quick for the clock shows no speed rather than an infinite one.
  stats.fSpeed = stats.fSeconds > 0.0f ? static_cast<float>(nFrames) / stats.fSeconds : 0.0f;
  return stats;
}

struct COutputRun::Context {
  const OutputRunRequest& request;
  const OutputRunCallbacks& callbacks;
  OutputRunResult& result;
  COutputFrameWriter* pWriter = nullptr;
  std::unique_ptr<CTempFolder> pTempFolder;
  bool bCancelled = false;
  CMovieFrameWriter* pMovieFrames = nullptr;  // a movie's frames N..0: what the way there kept

  const OutputFormatRow& row;

  Context(const OutputRunRequest& rq, const OutputRunCallbacks& cb, OutputRunResult& res)
      : request(rq), callbacks(cb), result(res), row(OutputFormatOf(rq)) {}
  int N() const { return request.nFrameCount; }
  void ShowFrame(int i) const {
    if (callbacks.onShowFrame) callbacks.onShowFrame(i);
  }
  void Pump() const {
    if (callbacks.pump) callbacks.pump();
  }
  void Progress(int nPercent) const {
    if (callbacks.onProgress) callbacks.onProgress(nPercent);
  }
  void Report(int i) const {
    if (callbacks.onReportFrame) callbacks.onReportFrame(i);
  }
  bool Fail(Result failure) {
    result.outcome = std::move(failure);
    return false;
  }
  bool Fail(ErrorKind kind, const std::string& text) { return Fail(Result::Fail(kind, text)); }
  // A movie's failure: "Avi Output Error!" followed by the writer's status.
  bool FailMovie(const Result& status) {
    return Fail(Result::Fail(status.kind, "Avi Output Error!", status.FullText()));
  }
};

COutputRun::COutputRun() = default;
COutputRun::~COutputRun() = default;

bool COutputRun::CheckSpace(Context& ctx, bool bRawMovie) {
  const OutputRunRequest& rq = ctx.request;
  const OutputSpaceNeed need = EstimateOutputSpace(rq, bRawMovie);
  const bool bMovie = ctx.row.writer == OutputWriterKind::Movie;
  const std::string szTarget = bMovie && !ctx.result.szOutputFile.empty() ? ctx.result.szOutputFile : rq.szOutputPath;
  const long long nFree = FreeBytesFor(szTarget);
  if (nFree >= 0 && need.nOutputBytes > nFree)
    return ctx.Fail(ErrorKind::Io, "Not enough free space for " + szTarget + ": the output needs at least " +
                    ByteSizeText(need.nOutputBytes) + ", the file system has " + ByteSizeText(nFree) + " free");
  if (need.nTempBytes > 0) {
    const long long nTempFree = FreeBytesFor(ctx.pTempFolder && ctx.pTempFolder->IsCreated() ? ctx.pTempFolder->Path() : TempFolderRoot());
    if (nTempFree >= 0 && need.nTempBytes > nTempFree)
      return ctx.Fail(ErrorKind::Io, "Not enough free space for the temporary frames: they need at least " +
                      ByteSizeText(need.nTempBytes) + ", the temporary folder has " + ByteSizeText(nTempFree) +
                      " free");
  }
  return true;
}

bool COutputRun::CheckRunning(Context& ctx) {
  if (ctx.callbacks.isRunning && !ctx.callbacks.isRunning()) ctx.bCancelled = true;
  return !ctx.bCancelled;
}

namespace {

// What the renderer draws for frame g of the run.
MorphFrameRequest RunFrameRequest(const OutputRunRequest& rq, const OutputFormatRow& row, const RunFrameSource& source) {
  MorphFrameRequest frame = rq.chain.empty() ? static_cast<const MorphFrameRequest&>(rq) : rq.chain[source.nMorph];
  frame.nCurFrame = source.k;
  frame.nOutputWidth = rq.nOutputWidth;
  frame.nOutputHeight = rq.nOutputHeight;
  frame.bRoundToFour = row.frame == OutputFrameKind::CropFour;
  if (row.frame == OutputFrameKind::Even) {
    // 4:2:0 frames need even sides: the whole picture is drawn at the size below, never padded
    // with made-up pixels or cropped.
    frame.nOutputWidth = rq.nOutputWidth / 2 * 2;
    frame.nOutputHeight = rq.nOutputHeight / 2 * 2;
  }
  return frame;
}

}  // namespace

void COutputRun::StartRenderer(const OutputRunRequest& rq, const OutputFormatRow& row) {
  if (m_pRenderer) {
    m_pRenderer->SetPicturesHeldConstant(true);
    return;
  }
  const MorphFrameRequest first = RunFrameRequest(rq, row, RunFrameAt(rq, 0));
  auto make = [first] {
    auto pRenderer = std::make_unique<COffscreenRenderer>();
    // The run holds its pictures constant until it ends.
    pRenderer->SetPicturesHeldConstant(true);
    pRenderer->Prepare(first);
    return pRenderer;
  };
  // The context and textures are made on another thread while this one opens the output.
  try {
    m_renderer = std::async(std::launch::async, make);
  } catch (const std::system_error&) {
    m_pRenderer = make();
  }
}

bool COutputRun::TakeRenderer() {
  try {
    if (m_renderer.valid()) m_pRenderer = m_renderer.get();
    if (!m_pRenderer) m_pRenderer = std::make_unique<COffscreenRenderer>();
  } catch (const std::exception&) {  // out of memory, or no thread or lock to be had
    m_pRenderer.reset();
  }
  return m_pRenderer != nullptr;
}

bool COutputRun::RenderFrame(Context& ctx, int nFrame) {
  const OutputRunRequest& rq = ctx.request;
  const RunFrameSource source = RunFrameAt(rq, nFrame);
  const MorphFrameRequest frame = RunFrameRequest(rq, ctx.row, source);

  if (ctx.pMovieFrames) {
    // The way back: a frame the movie kept goes in again without being drawn.
    const int e = ctx.pMovieFrames->WriteFrameAgain(nFrame);
    if (e < 0) return ctx.FailMovie(ctx.pMovieFrames->GetLastResult());
    if (e == 0) {
      ++ctx.result.nFramesWritten;
      return true;
    }
  }
  // A held picture is the frame just rendered: it is written again, not drawn again.
  const bool bReuse = m_bLastFrameKept && !rq.chain.empty() && source == m_lastSource;
  bool bOk = bReuse;
  if (!bReuse) {
    m_bLastFrameKept = false;
    if (!TakeRenderer()) return ctx.Fail(ErrorKind::TooLarge, "The frame could not be rendered: out of memory");
    bOk = m_pRenderer->RenderFrame(frame, m_lastFrame);
    ++ctx.result.nFramesRendered;
    m_bLastFrameKept = bOk;
    m_lastSource = source;
  }
  COutputFrameWriter* pWriter = ctx.pWriter;
  const bool bWriterFailed = bOk && !pWriter->WriteFrame(m_lastFrame, nFrame);
  if (bWriterFailed) {
    // An AVI frame that cannot be written names the writer's status, as the movie
    // writer reports it.
    if (ctx.row.writer == OutputWriterKind::Movie) return ctx.FailMovie(pWriter->GetLastResult());
    return ctx.Fail(pWriter->GetLastResult());
  }
  if (!bOk) {
    const std::string& text = m_pRenderer->GetLastError();
    return ctx.Fail(ErrorKind::Unavailable, text.empty() ? std::string("The frame could not be rendered") : text);
  }
  ++ctx.result.nFramesWritten;
  return true;
}

// One frame of a pass as the user sees it: shown, rendered between two pumps, reported.
bool COutputRun::RenderStep(Context& ctx, int nFrame, int nPercent) {
  ctx.ShowFrame(nFrame);
  ctx.Pump();
  if (!RenderFrame(ctx, nFrame)) return false;
  ctx.Pump();
  ctx.Progress(nPercent);
  ctx.Report(nFrame);
  return true;
}

bool COutputRun::RunSinglePass(Context& ctx) {
  const int N = ctx.N();
  for (int i = 0; i <= N; ++i) {
    if (!RenderStep(ctx, i, 100 * i / N)) return false;
    if (!CheckRunning(ctx)) break;
  }
  return true;
}

bool COutputRun::RunSingleFrame(Context& ctx) {
  const int k = ctx.request.nCurFrame;
  if (!RenderFrame(ctx, k)) return false;
  ctx.Progress(100);
  CheckRunning(ctx);
  return true;
}

bool COutputRun::RunMovie(Context& ctx) {
  const OutputRunRequest& rq = ctx.request;
  CAviWriter& avi = *m_pMovieWriter;
  avi.SetRate(rq.nFrameRate > 0 ? rq.nFrameRate : kMovieFrameRate);
  avi.SetContainer(rq.movieContainer);
  avi.SetFrameFormat(rq.nOutputWidth, rq.nOutputHeight);
  avi.SetFileName(rq.szOutputPath);
  avi.EnsureMovieExtension();
  avi.SetCodecChooser(ctx.callbacks.chooseCodec);
  ctx.result.szOutputFile = avi.GetFileName();
  const int nOpen = avi.Open();
  if (nOpen != 0) {
    // The writer's status says why (unless the user merely backed out of the choice).
    const Result status = avi.GetStatus();
    avi.Abandon();
    if (status.ok()) return ctx.Fail(ErrorKind::Unavailable, "Avi Output Error!");
    return ctx.FailMovie(status);
  }
  if (!CheckSpace(ctx, avi.GetCodecName() == "raw")) {
    avi.Abandon();
    return false;
  }
  CMovieFrameWriter writer(avi);
  ctx.pWriter = &writer;

  // Each frame is drawn once: the way back reuses what the way there made.
  const bool bWayBack = !rq.bOneWay && ctx.row.nPasses == 2;
  avi.KeepFrames(!bWayBack ? 0 : rq.nReuseBytes < 0 ? kMovieReuseBytes : rq.nReuseBytes);
  const int N = ctx.N();
  for (int i = 0; i <= N; ++i) {
    if (!RenderStep(ctx, i, (bWayBack ? 50 : 100) * i / N)) return false;
    if (!CheckRunning(ctx)) break;
  }
  // The movie is the second thread's until every frame handed over is in.
  if (!writer.Finish()) return ctx.FailMovie(writer.GetLastResult());
  avi.KeepFrames(0);
  if (!ctx.bCancelled && bWayBack) {
    ctx.pMovieFrames = &writer;
    for (int n = N; n >= 0; --n) {
      if (!RenderStep(ctx, n, (N - n) * 50 / N + 50)) return false;
      if (!CheckRunning(ctx)) break;
    }
    ctx.pMovieFrames = nullptr;
    if (!writer.Finish()) return ctx.FailMovie(writer.GetLastResult());
  }
  ctx.pWriter = nullptr;
  return true;
}

bool COutputRun::RunSwf(Context& ctx) {
  const OutputRunRequest& rq = ctx.request;
  ctx.pTempFolder = std::make_unique<CTempFolder>("kestrelle-frames");
  if (!ctx.pTempFolder->IsCreated()) return ctx.Fail(ErrorKind::Io, ctx.pTempFolder->Error());
  const CTempFolder& frames = *ctx.pTempFolder;
  const bool bPage = ctx.row.writer == OutputWriterKind::SwfPage;
  const std::string szMovie = bPage ? PathFolder(rq.szOutputPath) + "/" + kHtmlMovieName : rq.szOutputPath;
  ctx.result.szMoviePath = szMovie;
  ctx.result.szOutputFile = bPage ? rq.szOutputPath : szMovie;

  CSwfWriter& swf = *m_pSwfWriter;
  swf.SetFrameRate(rq.nFrameRate > 0 ? static_cast<float>(rq.nFrameRate) : kSwfFrameRate);
  swf.SetPlayOnce(rq.nLoops == 1);
  swf.Begin(rq.nOutputWidth, rq.nOutputHeight);
  const int W = rq.nOutputWidth, H = rq.nOutputHeight;
  CJpegFrameWriter writer(frames, [&swf, &frames, W, H](int n) { swf.AddJpegFrame(JpegFramePath(frames, n), W, H); });
  ctx.pWriter = &writer;

  const int N = ctx.N();
  const bool bWayBack = !rq.bOneWay && ctx.row.nPasses == 2;
  for (int i = 0; i <= N; ++i) {
    if (!RenderStep(ctx, i, (bWayBack ? 50 : 100) * i / N)) return false;
    if (!CheckRunning(ctx)) break;
  }
  // The movie is the second thread's until every frame handed over is in.
  if (!writer.Finish()) return ctx.Fail(writer.GetLastResult());
  if (!ctx.bCancelled && bWayBack) {
    // The way back reuses the JPEG files of the way there.
    for (int n = N; n >= 0; --n) {
      ctx.ShowFrame(n);
      ctx.Pump();
      ctx.Progress((N - n) * 50 / N + 50);
      ctx.Report(n);
      swf.AddJpegFrame(JpegFramePath(frames, n), W, H);
      ++ctx.result.nFramesWritten;
      if (!CheckRunning(ctx)) break;
    }
  }
  ctx.pWriter = nullptr;
  // A cancelled movie is written too, with the frames done so far (unless the process is
  // being stopped, which keeps the old file).
  if (swf.Write(szMovie) != 0 && !ctx.bCancelled) {
    const Result& written = swf.GetLastResult();
    return ctx.Fail(Result::Fail(written.kind, "Cannot write the movie", written.FullText()));
  }
  return true;
}

OutputRunResult COutputRun::Run(const OutputRunRequest& request, const OutputRunCallbacks& callbacks) {
  OutputRunResult result;
  Context ctx(request, callbacks, result);
  const auto start = std::chrono::steady_clock::now();

  // Requests the windows never make but a script can.
  const Result checked = CheckOutputRunRequest(request);
  if (!checked) return ctx.Fail(checked), result;

  StartRenderer(request, ctx.row);
  // However the run ends, the renderer is taken back from its thread and lets go of the
  // pictures it was told stay constant.
  struct CRendererBack {
    COutputRun& run;
    ~CRendererBack() {
      if (run.TakeRenderer()) run.m_pRenderer->SetPicturesHeldConstant(false);
    }
  } rendererBack{*this};
  m_bLastFrameKept = false;
  if (!m_pMovieWriter) m_pMovieWriter = std::make_unique<CAviWriter>();
  if (!m_pSwfWriter) m_pSwfWriter = std::make_unique<CSwfWriter>();

  std::unique_ptr<COutputFrameWriter> pWriter;
  std::string szWrittenFile = request.szOutputPath;  // with an added extension where one is added
  const OutputWriterKind writer = ctx.row.writer;
  switch (writer) {
    case OutputWriterKind::Animation: {
      auto pAnimation = std::make_unique<CAnimationFrameWriter>(
          request.szOutputPath, request.movieContainer, request.nOutputWidth, request.nOutputHeight,
          request.nFrameRate > 0 ? request.nFrameRate : kAnimationFrameRate,
          request.nLoops >= 0 ? request.nLoops : kAnimationLoopSetting);
      szWrittenFile = pAnimation->GetFileName();
      pWriter = std::move(pAnimation);
      break;
    }
    case OutputWriterKind::Gif:
      pWriter = std::make_unique<CGifFrameWriter>(request.szOutputPath,
                                                  request.nLoops >= 0 ? request.nLoops : kGifLoopSetting,
                                                  GifFrameDelayForRate(request.nFrameRate));
      break;
    case OutputWriterKind::Single: pWriter = std::make_unique<CSingleFrameWriter>(request.szOutputPath); break;
    case OutputWriterKind::Sequence: pWriter = std::make_unique<CSequenceFrameWriter>(request.szOutputPath); break;
    case OutputWriterKind::Movie:
    case OutputWriterKind::Swf:
    case OutputWriterKind::SwfPage: break;  // writers made by their passes
  }
  if (writer != OutputWriterKind::Movie && !CheckSpace(ctx, false)) return result;
  if (pWriter) {
    result.szOutputFile = szWrittenFile;
    if (!pWriter->Begin()) return ctx.Fail(pWriter->GetLastResult()), result;
    ctx.pWriter = pWriter.get();
  }

  bool bOk = true;
  if (CheckRunning(ctx)) {
    switch (writer) {
      case OutputWriterKind::Movie: bOk = RunMovie(ctx); break;
      case OutputWriterKind::Swf:
      case OutputWriterKind::SwfPage: bOk = RunSwf(ctx); break;
      case OutputWriterKind::Single: bOk = RunSingleFrame(ctx); break;
      default: bOk = RunSinglePass(ctx); break;
    }
  }
  // The flag is read once more: a cancel during the last frame still counts.
  if (bOk) CheckRunning(ctx);
  const int nElapsedMs = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());

  if (!bOk || ctx.bCancelled) {
    // Nothing half-done stays behind: no GIF, no frames, no temporary frames. A movie the
    // user cancelled keeps the frames done so far; a failed one is removed.
    if (writer == OutputWriterKind::Movie) {
      if (bOk) m_pMovieWriter->Close();
      else m_pMovieWriter->Abandon();
    }
    if (pWriter) pWriter->Abandon();
    ctx.pTempFolder.reset();
    if (bOk) result.outcome = Result::Fail(ErrorKind::Interrupted, "The output was cancelled");
    return result;
  }

  if (pWriter && !pWriter->Finish()) return ctx.Fail(pWriter->GetLastResult()), result;
  if (writer == OutputWriterKind::Movie) {
    if (m_pMovieWriter->Close() != 0) return ctx.FailMovie(m_pMovieWriter->GetFailure()), result;
  }
  result.stats = MakeOutputStatistics(request.nFrameCount, nElapsedMs);
  result.outcome = Result::Success();

  if (writer == OutputWriterKind::SwfPage) {
    const std::string szFolder = request.szTemplateDir.empty() ? TemplateFolder() : request.szTemplateDir;
    if (szFolder.empty()) {
      ctx.Fail(ErrorKind::Unavailable, "The folder of the program (and its page template) cannot be found");
    } else {
      std::string szError;
      const int nCopied = CopyFileNoReplace(szFolder + "/" + kHtmlTemplateName, request.szOutputPath, szError);
      if (nCopied < 0) ctx.Fail(ErrorKind::Io, szError);
      if (nCopied == 0) result.szNotice = "The page " + request.szOutputPath + " exists already and was kept as it is";
    }
  }
  ctx.pTempFolder.reset();
  return result;
}

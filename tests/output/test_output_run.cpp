// The output run end to end on a small synthetic project, rendered off screen: frame
// order, progress, the files of every format, cancelling and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <filesystem>
#include <functional>

#include "base/ExecutableFolder.h"
#include "base/PathParts.h"
#include "support/AnimationProbe.h"
#include "support/AviProbe.h"
#include "support/GifReference.h"
#include "support/OutputRequests.h"
#include "support/PictureChecks.h"
#include "support/SwfReference.h"
#include "support/SmallMorph.h"
#include "support/TestSupport.h"
#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "output/OutputRequest.h"
#include "output/OutputRun.h"
#include "render/OffscreenRenderer.h"

namespace {

// Points the system temporary folder at a folder of the test while it lives, so that
// the run's private frame folder can be seen (and seen gone).
class ScopedTmpDir {
 public:
  ScopedTmpDir() {
    const char* old = std::getenv("TMPDIR");
    if (old) m_old = old, m_bHadOld = true;
    setenv("TMPDIR", m_dir.Path().c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (m_bHadOld)
      setenv("TMPDIR", m_old.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  const std::string& Path() const { return m_dir.Path(); }

 private:
  TempDir m_dir;
  std::string m_old;
  bool m_bHadOld = false;
};

using Project = SmallMorph;

struct Recorder {
  std::vector<int> progress, shown, reported;
  int pumps = 0;
  int stopAfterReports = -1;  // the user cancels once this many frames are reported
  OutputRunCallbacks Callbacks() {
    OutputRunCallbacks cb;
    cb.onProgress = [this](int p) { progress.push_back(p); };
    cb.onShowFrame = [this](int i) { shown.push_back(i); };
    cb.onReportFrame = [this](int i) { reported.push_back(i); };
    cb.pump = [this] { ++pumps; };
    cb.isRunning = [this] { return stopAfterReports < 0 || static_cast<int>(reported.size()) < stopAfterReports; };
    cb.chooseCodec = MovieCodecChooserByName("raw");
    return cb;
  }
};

OutputRunRequest MakeRequest(const Project& project, int format, const std::string& path, int N = 3) {
  return MakeRunRequest(project.image1, project.image2, project.triangles, format, path, N, 42, 30);
}

FrameBitmap RenderDirect(const OutputRunRequest& rq, int frame) {
  COffscreenRenderer renderer;
  MorphFrameRequest fr = rq;
  fr.nCurFrame = frame;
  FrameBitmap out;
  EXPECT_TRUE(renderer.RenderFrame(fr, out)) << renderer.GetLastError();
  return out;
}

int CountAviVideoFrames(const std::string& path, int* pWidth = nullptr) {
  const AviProbe avi = ProbeAvi(path);
  if (pWidth && avi.bHasVideo) *pWidth = avi.nWidth;
  return avi.nPackets;
}

}  // namespace

TEST(OutputStatisticsTest, TextsOfAFinishedRun) {
  const OutputStatistics stats = MakeOutputStatistics(30, 2000);
  EXPECT_EQ(stats.FramesText(), "30 frames");
  EXPECT_EQ(stats.SecondsText(), "2.00 seconds");
  EXPECT_EQ(stats.SpeedText(), "15.00  frame/s");
  EXPECT_EQ(MakeOutputStatistics(5, 0).SpeedText(), "0.00  frame/s");
}

TEST(OutputRunTest, SequenceRunWritesEveryFrameInOrder) {
  Project project;
  TempDir dir;
  Recorder rec;
  COutputRun run;
  const OutputRunResult result = run.Run(MakeRequest(project, ImageSequence, dir.File("face.bmp"), 4), rec.Callbacks());
  ASSERT_TRUE(result.ok()) << result.outcome.FullText();
  EXPECT_EQ(rec.progress, (std::vector<int>{0, 25, 50, 75, 100}));
  EXPECT_EQ(rec.shown, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(rec.reported, rec.shown);
  EXPECT_EQ(rec.pumps, 10);
  EXPECT_EQ(FolderEntries(dir.Path()),
            (std::vector<std::string>{"face0.bmp", "face1.bmp", "face2.bmp", "face3.bmp", "face4.bmp"}));
  EXPECT_EQ(result.stats.nFrames, 4);
  EXPECT_EQ(result.nFramesRendered, 5);

  // Each picture is the frame as the renderer draws it.
  CPicture saved(dir.File("face2.bmp"), PICTURE_BMP);
  CPicture expected;
  ASSERT_TRUE(GrabFrameImage(RenderDirect(MakeRequest(project, ImageSequence, "", 4), 2), expected));
  ASSERT_EQ(saved.GetDibSize(), expected.GetDibSize());
  EXPECT_EQ(std::memcmp(saved.GetBits(), expected.GetBits(), expected.GetEffWidth() * expected.GetHeight()), 0);
}

TEST(OutputRunTest, SingleFrameRunWritesTheCurrentFrameWithoutNumber) {
  Project project;
  TempDir dir;
  Recorder rec;
  COutputRun run;
  OutputRunRequest rq = MakeRequest(project, SingleFrame, dir.File("still.png"), 4);
  rq.nCurFrame = 3;
  const OutputRunResult result = run.Run(rq, rec.Callbacks());
  ASSERT_TRUE(result.ok()) << result.outcome.FullText();
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"still.png"});
  CPicture saved(dir.File("still.png"), PICTURE_PNG);
  CPicture frame3, frame0;
  ASSERT_TRUE(GrabFrameImage(RenderDirect(rq, 3), frame3));
  ASSERT_TRUE(GrabFrameImage(RenderDirect(rq, 0), frame0));
  int diff3 = 0, diff0 = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 42; ++x) {
      const RgbQuad s = saved.GetPixelColor(x, y), a = frame3.GetPixelColor(x, y), b = frame0.GetPixelColor(x, y);
      diff3 += std::abs(s.rgbRed - a.rgbRed) + std::abs(s.rgbBlue - a.rgbBlue);
      diff0 += std::abs(s.rgbRed - b.rgbRed) + std::abs(s.rgbBlue - b.rgbBlue);
    }
  EXPECT_EQ(diff3, 0);
  EXPECT_GT(diff0, 0);
}

// A run takes its pictures as constant only while it runs: used again, it draws what they
// hold now, at the same addresses.
TEST(OutputRunTest, ARunUsedAgainDrawsThePicturesAsTheyAreNow) {
  Project project;
  TempDir dir;
  Recorder rec;
  COutputRun run;
  OutputRunRequest rq = MakeRequest(project, SingleFrame, dir.File("first.bmp"), 4);
  rq.nCurFrame = 2;
  ASSERT_TRUE(run.Run(rq, rec.Callbacks()).ok());
  project.image1 = MakePatternPicture(64, 48, 3);
  project.image2 = MakePatternPicture(64, 48, 5);
  rq.szOutputPath = dir.File("second.bmp");
  ASSERT_TRUE(run.Run(rq, rec.Callbacks()).ok());
  CPicture second(dir.File("second.bmp"), PICTURE_BMP), expected;
  ASSERT_TRUE(GrabFrameImage(RenderDirect(rq, 2), expected));
  EXPECT_TRUE(SamePixels(second, expected));
}

TEST(OutputRunTest, GifRunDecodesFrameByFrame) {
  Project project;
  TempDir dir;
  Recorder rec;
  COutputRun run;
  const OutputRunRequest rq = MakeRequest(project, AnimatedGif, dir.File("morph.gif"), 3);
  const OutputRunResult result = run.Run(rq, rec.Callbacks());
  ASSERT_TRUE(result.ok()) << result.outcome.FullText();
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"morph.gif"});

  GifRefFile gif;
  std::string why;
  ASSERT_TRUE(DecodeGifReference(ReadFileBytes(dir.File("morph.gif")), gif, why)) << why;
  ASSERT_EQ(gif.frames.size(), 4u);
  EXPECT_EQ(gif.nLoopCount, 89);
  for (int i = 0; i <= 3; ++i) {
    const FrameBitmap frame = RenderDirect(rq, i);
    CPicture reduced;
    ASSERT_TRUE(GrabFrameImage(frame, reduced));
    ASSERT_TRUE(ReduceGifFrame(reduced));
    double total = 0;
    int mismatches = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 42; ++x) {
        const GifRefColor c = gif.frames[i].Color(gif.globalTable, x, y);
        const RgbQuad q = reduced.GetPixelColor(x, 29 - y);
        if (c.r != q.rgbRed || c.g != q.rgbGreen || c.b != q.rgbBlue) ++mismatches;
        const uint8_t* p = frame.Row(29 - y) + x * 4;
        total += std::abs(c.b - p[0]) + std::abs(c.g - p[1]) + std::abs(c.r - p[2]);
      }
    EXPECT_EQ(mismatches, 0) << "frame " << i;
    EXPECT_LT(total / (30 * 42), 30.0) << "frame " << i;
    EXPECT_EQ(gif.frames[i].nDelay, 1);
  }
}

TEST(OutputRunTest, CancelledGifRunLeavesNoFiles) {
  Project project;
  TempDir dir;
  Recorder rec;
  rec.stopAfterReports = 2;
  COutputRun run;
  const OutputRunResult result = run.Run(MakeRequest(project, AnimatedGif, dir.File("morph.gif"), 5), rec.Callbacks());
  EXPECT_TRUE(result.Cancelled());
  EXPECT_EQ(rec.reported, (std::vector<int>{0, 1}));
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  // Cancelled before the first frame: nothing is rendered.
  Recorder early;
  early.stopAfterReports = 0;
  const OutputRunResult none = run.Run(MakeRequest(project, AnimatedGif, dir.File("morph.gif"), 5), early.Callbacks());
  EXPECT_TRUE(none.Cancelled());
  EXPECT_EQ(none.nFramesRendered, 0);
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

// The GIF output's other animations: frames 0..N once as the renderer draws them (APNG
// exactly), at their own rate and loop unless asked, the extension added; a cancelled one
// leaves nothing.
TEST(OutputRunTest, WebPAndApngRunsWriteEveryFrameOnce) {
  Project project;
  for (const std::string ext : {"apng", "webp"}) {
    SCOPED_TRACE(ext);
    TempDir dir;
    Recorder rec;
    COutputRun run;
    OutputRunRequest rq = MakeRequest(project, AnimatedGif, dir.File("morph." + ext), 3);
    const OutputRunResult result = run.Run(rq, rec.Callbacks());
    ASSERT_TRUE(result.ok()) << result.outcome.FullText();
    EXPECT_EQ(rec.shown, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(result.nFramesWritten, 4);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"morph." + ext});
    const AnimationProbe back = ProbeAnimation(dir.File("morph." + ext));
    ASSERT_TRUE(back.bOpened) << back.szError;
    EXPECT_EQ(back.nLoop, kAnimationLoopSetting);
    ASSERT_EQ(back.durations.size(), 4u);
    for (int ms : back.durations) EXPECT_NEAR(ms, 1000.0 / kAnimationFrameRate, 1.0);  // whole milliseconds
    ASSERT_EQ(back.frames.size(), 4u);
    for (int i = 0; i <= 3; ++i) {
      CPicture rendered;
      ASSERT_TRUE(GrabFrameImage(RenderDirect(rq, i), rendered));
      const double fDiff = MeanAbsoluteDifference(back.frames[static_cast<size_t>(i)], TopDownRgb(rendered));
      if (ext == "apng") EXPECT_EQ(fDiff, 0.0) << "frame " << i;
      else EXPECT_LT(fDiff, 10.0) << "frame " << i;
    }

    // A rate and a loop count asked for; a name without the extension gets it.
    rq.szOutputPath = dir.File("named");
    rq.movieContainer = ext == "apng" ? MovieContainer::Apng : MovieContainer::WebP;
    rq.nFrameRate = 25;
    rq.nLoops = 2;
    Recorder rec2;
    const OutputRunResult named = run.Run(rq, rec2.Callbacks());
    ASSERT_TRUE(named.ok()) << named.outcome.FullText();
    EXPECT_EQ(named.szOutputFile, dir.File("named." + ext));
    const AnimationProbe timed = ProbeAnimation(named.szOutputFile);
    EXPECT_EQ(timed.nLoop, 2);
    EXPECT_EQ(timed.durations, std::vector<int>(4, 40));

    Recorder cancel;
    cancel.stopAfterReports = 2;
    rq.szOutputPath = dir.File("cancelled." + ext);
    EXPECT_TRUE(run.Run(rq, cancel.Callbacks()).Cancelled());
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"morph." + ext, "named." + ext}));
  }
}

TEST(OutputRunTest, AviRunHoldsForwardAndBackwardFrames) {
  Project project;
  TempDir dir;
  Recorder rec;
  COutputRun run;
  const OutputRunResult result = run.Run(MakeRequest(project, AviMovie, dir.File("morph.avi"), 3), rec.Callbacks());
  ASSERT_TRUE(result.ok()) << result.outcome.FullText();
  EXPECT_EQ(rec.shown, (std::vector<int>{0, 1, 2, 3, 3, 2, 1, 0}));
  EXPECT_EQ(rec.progress, (std::vector<int>{0, 16, 33, 50, 50, 66, 83, 100}));
  EXPECT_EQ(result.nFramesRendered, 4);  // the way back writes the kept frames again
  int width = 0;
  EXPECT_EQ(CountAviVideoFrames(dir.File("morph.avi"), &width), 8);
  EXPECT_EQ(width, 40);  // 42 rounded down to a multiple of 4

  // A name without "avi" gets the extension added.
  Recorder rec2;
  const OutputRunResult named = run.Run(MakeRequest(project, AviMovie, dir.File("clip"), 1), rec2.Callbacks());
  ASSERT_TRUE(named.ok()) << named.outcome.FullText();
  EXPECT_EQ(named.szOutputFile, dir.File("clip.avi"));
  EXPECT_EQ(CountAviVideoFrames(dir.File("clip.avi")), 4);
}

TEST(OutputRunTest, AviFailuresAreReported) {
  Project project;
  TempDir dir;
  COutputRun run;
  Recorder rec;
  OutputRunCallbacks cb = rec.Callbacks();
  cb.chooseCodec = [](const std::vector<MovieCodecEntry>&) { return kMovieCodecCancelled; };
  const OutputRunResult cancelled = run.Run(MakeRequest(project, AviMovie, dir.File("a.avi")), cb);
  EXPECT_TRUE(cancelled.Failed());
  EXPECT_EQ(cancelled.outcome.FullText().rfind("Avi Output Error!", 0), 0u);
  EXPECT_TRUE(rec.shown.empty());

  Recorder rec2;
  const OutputRunResult missing = run.Run(MakeRequest(project, AviMovie, dir.File("no/dir/a.avi")), rec2.Callbacks());
  EXPECT_TRUE(missing.Failed());
  EXPECT_EQ(missing.outcome.FullText().rfind("Avi Output Error!", 0), 0u);
  EXPECT_GT(missing.outcome.FullText().size(), std::string("Avi Output Error!").size());
}

TEST(OutputRunTest, FlashRunReusesItsJpegFramesAndRemovesThem) {
  Project project;
  TempDir dir;
  ScopedTmpDir tmp;
  Recorder rec;
  COutputRun run;
  const OutputRunResult result = run.Run(MakeRequest(project, FlashMovie, dir.File("m.swf"), 3), rec.Callbacks());
  ASSERT_TRUE(result.ok()) << result.outcome.FullText();
  EXPECT_EQ(result.nFramesRendered, 4);  // the way back renders nothing
  EXPECT_EQ(rec.reported, (std::vector<int>{0, 1, 2, 3, 3, 2, 1, 0}));
  EXPECT_EQ(rec.progress, (std::vector<int>{0, 16, 33, 50, 50, 66, 83, 100}));
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(dir.File("m.swf"))), 8);
  for (const std::string& name : FolderEntries(tmp.Path())) ADD_FAILURE() << "left behind: " << name;

  // A cancelled movie keeps the frames done so far; the temporary frames still go.
  Recorder cancel;
  cancel.stopAfterReports = 2;
  const OutputRunResult partial = run.Run(MakeRequest(project, FlashMovie, dir.File("p.swf"), 3), cancel.Callbacks());
  EXPECT_TRUE(partial.Cancelled());
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(dir.File("p.swf"))), 2);
  EXPECT_TRUE(FolderEntries(tmp.Path()).empty());
}

TEST(OutputRunTest, HtmlRunCopiesTheTemplateButKeepsAnExistingPage) {
  Project project;
  TempDir templates, dir;
  WriteFileBytes(templates.File("exsample.html"), {'<', 'p', '>'});
  Recorder rec;
  COutputRun run;
  OutputRunRequest rq = MakeRequest(project, HtmlPage, dir.File("page.html"), 2);
  rq.szTemplateDir = templates.Path();
  const OutputRunResult first = run.Run(rq, rec.Callbacks());
  ASSERT_TRUE(first.ok()) << first.outcome.FullText();
  EXPECT_EQ(first.szMoviePath, dir.File("output.swf"));
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"output.swf", "page.html"}));
  EXPECT_EQ(ReadFileBytes(dir.File("page.html")), (std::vector<uint8_t>{'<', 'p', '>'}));
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(dir.File("output.swf"))), 6);

  WriteFileBytes(dir.File("page.html"), {'m', 'i', 'n', 'e'});
  std::filesystem::remove(dir.File("output.swf"));
  Recorder rec2;
  const OutputRunResult second = run.Run(rq, rec2.Callbacks());
  ASSERT_TRUE(second.ok()) << second.outcome.FullText();
  EXPECT_FALSE(second.szNotice.empty());
  EXPECT_EQ(ReadFileBytes(dir.File("page.html")), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  EXPECT_TRUE(std::filesystem::exists(dir.File("output.swf")));

  // Without a template the movie is written and the missing page is reported.
  TempDir empty, dir3;
  rq.szTemplateDir = empty.Path();
  rq.szOutputPath = dir3.File("page.html");
  Recorder rec3;
  const OutputRunResult third = run.Run(rq, rec3.Callbacks());
  EXPECT_TRUE(third.Failed());
  EXPECT_NE(third.outcome.FullText().find("exsample.html"), std::string::npos);
  EXPECT_EQ(FolderEntries(dir3.Path()), std::vector<std::string>{"output.swf"});
}

TEST(OutputRunTest, PageTemplateIsLookedUpBesideTheExecutable) {
  EXPECT_EQ(std::filesystem::canonical(ExecutableFolder()), std::filesystem::canonical(BinDir()));
  EXPECT_EQ(PathFolder("/web/page.html"), "/web");
  EXPECT_EQ(PathFolder("/page.html"), "/");
  EXPECT_EQ(PathFolder("page.html"), ".");
}

TEST(OutputRunTest, BadRequestsAndUnwritablePathsGiveMessages) {
  Project project;
  TempDir dir;
  COutputRun run;
  struct Case {
    int format;
    std::string path;
    std::string mention;
  };
  const Case cases[] = {
      {AnimatedGif, dir.File("none/a.gif"), "none/a.gif"},
      {ImageSequence, dir.File("none/a.png"), "none/a.png"},
      {ImageSequence, dir.File("A.PNG"), "A.PNG"},
      {FlashMovie, dir.File("none/a.swf"), "none/a.swf"},
  };
  for (const Case& c : cases) {
    Recorder rec;
    const OutputRunResult result = run.Run(MakeRequest(project, c.format, c.path), rec.Callbacks());
    EXPECT_TRUE(result.Failed()) << c.path;
    EXPECT_NE(result.outcome.FullText().find(c.mention), std::string::npos) << result.outcome.FullText();
  }
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  Recorder rec;
  OutputRunRequest rq = MakeRequest(project, AnimatedGif, dir.File("a.gif"), 0);
  EXPECT_FALSE(run.Run(rq, rec.Callbacks()).outcome.FullText().empty());
  rq = MakeRequest(project, AnimatedGif, dir.File("a.gif"));
  rq.nOutputWidth = 0;
  EXPECT_TRUE(run.Run(rq, rec.Callbacks()).Failed());
  rq = MakeRequest(project, AnimatedGif, dir.File("a.gif"));
  rq.pImage2 = nullptr;
  EXPECT_TRUE(run.Run(rq, rec.Callbacks()).Failed());
  EXPECT_TRUE(rec.shown.empty());
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

// The output dialog checks a request before it starts a run; the run must refuse exactly
// what that check refuses, with the same text, before any frame is shown.
TEST(OutputRequestTest, TheCheckBeforeARunIsTheRunsOwnCheck) {
  Project project;
  TempDir dir;
  struct Case {
    const char* name;
    std::function<void(OutputRunRequest&)> change;
    const char* mention;
  };
  const Case cases[] = {
      {"no frames", [](OutputRunRequest& r) { r.nFrameCount = 0; }, "frame count"},
      {"too wide", [](OutputRunRequest& r) { r.nOutputWidth = kMaxOutputSide + 1; }, "not possible"},
      {"tiny movie", [](OutputRunRequest& r) { r.nFormat = AviMovie; r.nOutputWidth = 3; }, "4x4"},
      {"frame past N", [](OutputRunRequest& r) { r.nFormat = SingleFrame; r.nCurFrame = r.nFrameCount + 1; },
       "past the last frame"},
      {"no path", [](OutputRunRequest& r) { r.szOutputPath.clear(); }, "No output file"},
      {"missing folder", [&](OutputRunRequest& r) { r.szOutputPath = dir.File("none/a.gif"); }, "Cannot write"},
      {"no image2", [](OutputRunRequest& r) { r.pImage2 = nullptr; }, "both pictures"},
  };
  EXPECT_TRUE(CheckOutputRunRequest(MakeRequest(project, AnimatedGif, dir.File("a.gif"))));
  COutputRun run;
  for (const Case& c : cases) {
    OutputRunRequest rq = MakeRequest(project, AnimatedGif, dir.File("a.gif"));
    c.change(rq);
    const Result checked = CheckOutputRunRequest(rq);
    ASSERT_FALSE(checked) << c.name;
    EXPECT_NE(checked.message.find(c.mention), std::string::npos) << c.name << ": " << checked.message;
    Recorder rec;
    const OutputRunResult result = run.Run(rq, rec.Callbacks());
    EXPECT_TRUE(result.Failed()) << c.name;
    EXPECT_EQ(result.outcome.FullText(), checked.message) << c.name;
    EXPECT_TRUE(rec.shown.empty()) << c.name;
  }
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

namespace {

struct ReuseCase {
  const char* szFile;
  const char* szCodec;
  long long nPartialBytes;  // keeps some of the 7 frames, not all
  bool bReadBack;           // AVI: the way back reads its frames back from the movie, in any budget
};

class MovieReuseTest : public testing::TestWithParam<ReuseCase> {};

// A WebM file names its segment and its track with random numbers (elements 73 A4, 73 C5 and
// 63 C5): two runs compare equal with those bytes blanked.
std::vector<uint8_t> MovieBytes(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  const std::vector<std::vector<uint8_t>> ids = {{0x73, 0xA4, 0x90}, {0x73, 0xC5, 0x88}, {0x63, 0xC5, 0x88}};
  for (const std::vector<uint8_t>& id : ids) {
    const size_t n = id.back() & 0x7F;
    for (auto it = bytes.begin(); (it = std::search(it, bytes.end(), id.begin(), id.end())) != bytes.end();) {
      it += id.size();
      if (size_t(bytes.end() - it) < n) break;
      std::fill(it, it + n, uint8_t(0));
    }
  }
  return bytes;
}

}  // namespace

// The way back of a movie reuses the way there and writes exactly the bytes of a run that
// draws and encodes every frame again, within any budget.
TEST_P(MovieReuseTest, WayBackReusesFramesWithTheSameBytes) {
  Project project;
  TempDir dir;
  const int N = 6;
  const auto run = [&](const std::string& name, long long nReuseBytes, int stopAfterReports = -1) {
    OutputRunRequest rq = MakeRequest(project, AviMovie, dir.File(name + GetParam().szFile), N);
    rq.nReuseBytes = nReuseBytes;
    Recorder rec;
    rec.stopAfterReports = stopAfterReports;
    OutputRunCallbacks cb = rec.Callbacks();
    cb.chooseCodec = MovieCodecChooserByName(GetParam().szCodec);
    COutputRun outputRun;
    const OutputRunResult result = outputRun.Run(rq, cb);
    EXPECT_EQ(rec.shown.size(), static_cast<size_t>(result.nFramesWritten)) << name;
    return result;
  };
  const OutputRunResult plain = run("plain", 0);
  ASSERT_TRUE(plain.ok()) << plain.outcome.FullText();
  EXPECT_EQ(plain.nFramesRendered, 2 * (N + 1));
  const std::vector<uint8_t> expected = MovieBytes(plain.szOutputFile);
  ASSERT_FALSE(expected.empty());

  const OutputRunResult reused = run("reused", -1);
  ASSERT_TRUE(reused.ok()) << reused.outcome.FullText();
  EXPECT_EQ(reused.nFramesRendered, N + 1);  // each frame drawn once
  EXPECT_EQ(reused.nFramesWritten, 2 * (N + 1));
  EXPECT_TRUE(MovieBytes(reused.szOutputFile) == expected);

  const OutputRunResult partial = run("partial", GetParam().nPartialBytes);
  ASSERT_TRUE(partial.ok()) << partial.outcome.FullText();
  if (GetParam().bReadBack) {
    EXPECT_EQ(partial.nFramesRendered, N + 1);
  } else {
    EXPECT_GT(partial.nFramesRendered, N + 1);
    EXPECT_LT(partial.nFramesRendered, 2 * (N + 1));
  }
  EXPECT_TRUE(MovieBytes(partial.szOutputFile) == expected);

  // Cancelled two frames into the way back: nothing more is drawn or written.
  const OutputRunResult cancelled = run("cancelled", -1, N + 3);
  EXPECT_TRUE(cancelled.Cancelled());
  EXPECT_EQ(cancelled.nFramesWritten, N + 3);
  EXPECT_EQ(cancelled.nFramesRendered, N + 1);
}

// Partial budgets at 42 x 30: a 4:2:0 picture is 1890 bytes; an AVI keeps no frame in memory.
INSTANTIATE_TEST_SUITE_P(Movies, MovieReuseTest,
                         testing::Values(ReuseCase{".avi", "raw", 1, true}, ReuseCase{".avi", "mjpeg", 1, true},
                                         ReuseCase{".mp4", "h264", 4000, false},
                                         ReuseCase{".webm", "vp9", 4000, false}),
                         [](const testing::TestParamInfo<ReuseCase>& info) {
                           return std::string(info.param.szCodec);
                         });

// `kestrelle-cli render` writing animations: the kind follows the extension or --format,
// every kind lands with the right frame count, and failures exit non-zero with a message.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/AviProbe.h"
#include "support/CliProject.h"
#include "support/GifReference.h"
#include "support/PictureChecks.h"
#include "support/SwfReference.h"
#include "core/ProjectFile.h"
#include "support/TestSupport.h"

namespace {

// Video packets and codec of an AVI file's video stream.
std::pair<int, std::string> AviFramesAndCodec(const std::string& path) {
  const AviProbe avi = ProbeAvi(path);
  return {avi.nPackets, avi.szCodec};
}

class CliExportTest : public CliProjectTest {
 protected:
  void SetUp() override { MakeProject(CliProjectLayout()); }
  CliResult Render(const std::string& out, const std::string& extra = "--frames 3 --size 40x30") {
    return CliProjectTest::Render(out, extra);
  }

  TempDir m_out;
};

}  // namespace

TEST_F(CliExportTest, ExtensionChoosesTheKindOfOutput) {
  CliResult r = Render(m_out.File("a.gif"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  GifRefFile gif;
  std::string why;
  ASSERT_TRUE(DecodeGifReference(ReadFileBytes(m_out.File("a.gif")), gif, why)) << why;
  EXPECT_EQ(gif.frames.size(), 4u);
  EXPECT_EQ(gif.nWidth, 40);

  r = Render(m_out.File("a.avi"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(AviFramesAndCodec(m_out.File("a.avi")), std::make_pair(8, std::string("rawvideo")));

  r = Render(m_out.File("a.swf"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(m_out.File("a.swf"))), 8);

  r = Render(m_out.File("s.png"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  r = Render(m_out.File("one.bmp"), "--frames 3 --frame 2 --size 40x30");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(FolderEntries(m_out.Path()), (std::vector<std::string>{"a.avi", "a.gif", "a.swf", "one.bmp", "s0.png",
                                                              "s1.png", "s2.png", "s3.png"}));
}

TEST_F(CliExportTest, HtmlPageGetsTheShippedTemplateAndItsMovie) {
  const CliResult r = Render(m_out.File("page.html"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(FolderEntries(m_out.Path()), (std::vector<std::string>{"output.swf", "page.html"}));
  EXPECT_EQ(ReadFileBytes(m_out.File("page.html")), ReadFileBytes(BinDir() + "/exsample.html"));
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(m_out.File("output.swf"))), 8);
}

TEST_F(CliExportTest, FormatAndCodecOptions) {
  CliResult r = Render(m_out.File("anim.dat"), "--frames 2 --size 40x30 --format gif");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  const std::vector<uint8_t> bytes = ReadFileBytes(m_out.File("anim.dat"));
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");

  r = Render(m_out.File("m.avi"), "--frames 2 --size 40x30 --codec mjpeg");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(AviFramesAndCodec(m_out.File("m.avi")), std::make_pair(6, std::string("mjpeg")));
}

TEST_F(CliExportTest, FailuresExitNonZeroWithAMessage) {
  struct Case {
    std::string out, extra, expected;
  };
  const Case cases[] = {
      {m_out.File("m.avi"), "--codec nosuchcodec", "nosuchcodec"},
      {m_out.File("m.gif"), "--codec mjpeg", "--codec"},
      {m_out.File("m.gif"), "--frame 2", "--frame"},
      {m_out.File("missing/m.gif"), "--frames 3", "missing/m.gif"},
      {m_out.File("missing/m.avi"), "--frames 3", "Avi Output Error!"},
      {m_out.File("FACE.PNG"), "--frames 3", "FACE.PNG"},
      {m_out.File("m.xyz"), "--frames 3", "unknown picture format"},
      {m_out.File("m.gif"), "--format mov", "mov"},
      {m_out.File("m.gif"), "--fps 0", "--fps"},
      {m_out.File("m.gif"), "--fps 101", "--fps"},
      {m_out.File("m.gif"), "--loop -1", "--loop"},
      {m_out.File("m.png"), "--fps 10", "--fps"},
      {m_out.File("m.mp4"), "--loop 0", "--loop"},
      {m_out.File("m.avi"), "--loop 1", "--loop"},
      {m_out.File("m.swf"), "--loop 2", "--loop"},
      {m_out.File("m.mp4"), "--codec mjpeg", "mjpeg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out + " " + c.extra);
    const CliResult r = Render(c.out, c.extra);
    EXPECT_NE(r.nExitCode, 0);
    EXPECT_NE(r.szOutput.find(c.expected), std::string::npos) << r.szOutput;
  }
  const CliResult bad = RunCli("render '" + m_out.File("none.fmph") + "' -o '" + m_out.File("x.gif") + "'");
  EXPECT_NE(bad.nExitCode, 0);
  EXPECT_FALSE(bad.szOutput.empty());
  EXPECT_TRUE(FolderEntries(m_out.Path()).empty());
}

// Without --fps and --loop every kind is written exactly as with its own values named, and
// other values reach the file.
TEST_F(CliExportTest, FpsAndLoopDefaultsKeepTheFilesAndOtherValuesReachThem) {
  struct Case {
    std::string name, defaults, changed;
  };
  const Case cases[] = {
      {"g.gif", "--fps 100 --loop 90", "--fps 20 --loop 0"},
      {"a.avi", "--fps 15", "--fps 24"},
      {"s.swf", "--fps 15 --loop 0", "--fps 24 --loop 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string plain = m_out.File("plain-" + c.name), named = m_out.File("named-" + c.name),
                      changed = m_out.File("changed-" + c.name);
    ASSERT_EQ(Render(plain).nExitCode, 0);
    ASSERT_EQ(Render(named, "--frames 3 --size 40x30 " + c.defaults).nExitCode, 0);
    ASSERT_EQ(Render(changed, "--frames 3 --size 40x30 " + c.changed).nExitCode, 0);
    EXPECT_EQ(ReadFileBytes(plain), ReadFileBytes(named));
    EXPECT_NE(ReadFileBytes(plain), ReadFileBytes(changed));
  }
  GifRefFile gif;
  std::string why;
  ASSERT_TRUE(DecodeGifReference(ReadFileBytes(m_out.File("changed-g.gif")), gif, why)) << why;
  EXPECT_EQ(gif.frames.at(1).nDelay, 5);
  EXPECT_TRUE(gif.bHasLoop);
  EXPECT_EQ(gif.nLoopCount, 0);
  EXPECT_DOUBLE_EQ(ProbeAvi(m_out.File("changed-a.avi")).fps, 24.0);
  const std::vector<uint8_t> swf = ReadFileBytes(m_out.File("changed-s.swf"));
  const size_t rate = 8 + (5 + 4 * (swf.at(8) >> 3) + 7) / 8;
  EXPECT_EQ(swf.at(rate + 1), 24);  // 8.8 fixed point: the whole part
  // The stop action (DoAction: ActionStop, end) sits in the last frame.
  const uint8_t stop[] = {0x02, 0x03, 0x07, 0x00};  // header: type 12 * 64 + length 2
  EXPECT_NE(std::search(swf.begin(), swf.end(), std::begin(stop), std::end(stop)), swf.end());
  EXPECT_EQ(SwfFrameCount(swf), 8);
}

// MP4 and WebM: chosen by extension or --format, odd sizes drawn one pixel smaller, both passes,
// the asked rate, the index of the MP4 at the front, and the pixels of the uncompressed AVI.
TEST_F(CliExportTest, WebMoviesHoldBothPassesAtAnEvenSize) {
  CliResult r = Render(m_out.File("w.mp4"), "--frames 3 --size 41x31 --fps 25");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  AviProbe mp4 = ProbeAvi(m_out.File("w.mp4"));
  EXPECT_EQ(mp4.szCodec, "h264");
  EXPECT_EQ(mp4.szPixelFormat, "yuv420p");
  EXPECT_EQ(mp4.nWidth, 40);
  EXPECT_EQ(mp4.nHeight, 30);
  EXPECT_EQ(mp4.nPackets, 8);
  EXPECT_DOUBLE_EQ(mp4.fps, 25.0);
  EXPECT_TRUE(Mp4IndexComesFirst(ReadFileBytes(m_out.File("w.mp4"))));

  r = Render(m_out.File("clip"), "--frames 2 --size 40x32 --format webm");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  const AviProbe webm = ProbeAvi(m_out.File("clip.webm"), true);
  EXPECT_EQ(webm.szCodec.rfind("vp9", 0), 0u) << webm.szCodec;  // "vp9" or "libvpx-vp9"
  EXPECT_EQ(webm.nPackets, 6);
  EXPECT_DOUBLE_EQ(webm.fps, 15.0);

  ASSERT_EQ(Render(m_out.File("same.mp4"), "--frames 2 --size 40x32").nExitCode, 0);
  ASSERT_EQ(Render(m_out.File("raw.avi"), "--frames 2 --size 40x32").nExitCode, 0);
  mp4 = ProbeAvi(m_out.File("same.mp4"), true);
  const AviProbe raw = ProbeAvi(m_out.File("raw.avi"), true);
  ASSERT_EQ(raw.frames.size(), 6u);
  ASSERT_EQ(mp4.frames.size(), 6u);
  ASSERT_EQ(webm.frames.size(), 6u);
  // The fine pattern loses most to 4:2:0 colour; the other end of the morph is much further.
  for (const AviProbe* movie : std::vector<const AviProbe*>{&mp4, &webm}) {
    const double fDiff = MeanAbsoluteDifference(movie->frames[2], raw.frames[2]);
    EXPECT_LT(fDiff, 12.0);
    EXPECT_LT(2 * fDiff, MeanAbsoluteDifference(movie->frames[2], raw.frames[0]));
  }
  EXPECT_EQ(FolderEntries(m_out.Path()), (std::vector<std::string>{"clip.webm", "raw.avi", "same.mp4", "w.mp4"}));
}

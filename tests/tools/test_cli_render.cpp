// `kestrelle-cli render`: a project saved in a temporary folder is rendered by the command.
// A single frame holds the pixels the library renders; animations are of the kind the
// extension or --format names, with the frame count, rate and loop asked; failures exit
// non-zero with a message and write nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/ProjectFile.h"
#include "output/FrameImage.h"
#include "render/ProjectFrame.h"
#include "support/AnimationProbe.h"
#include "support/AviProbe.h"
#include "support/CliProject.h"
#include "support/GifReference.h"
#include "support/PictureChecks.h"
#include "support/SwfReference.h"
#include "support/TestSupport.h"

namespace {

// Video packets and codec of an AVI file's video stream.
std::pair<int, std::string> AviFramesAndCodec(const std::string& path) {
  const AviProbe avi = ProbeAvi(path);
  return {avi.nPackets, avi.szCodec};
}

class CliRenderTest : public CliProjectTest {
 protected:
  void SetUp() override {
    CliProjectLayout layout;
    layout.nWidth1 = 60;
    layout.nHeight1 = 40;
    layout.nWidth2 = 48;
    layout.nHeight2 = 64;
    layout.nSeed2 = 2;
    layout.y2 = 40;
    layout.szName = "pair.fmph";
    MakeProject(layout);
  }
  CliResult Render(const std::string& out, const std::string& extra = "--frames 3 --size 40x30") {
    return CliProjectTest::Render(out, extra);
  }

  // What the library renders for the saved project with the given settings.
  CPicture Expected(int nType, int nFrameCount, int nFrame, int nWidth, int nHeight) {
    MorphProject project;
    EXPECT_TRUE(OpenProject(project, m_szProject));
    project.SetFrameCount(nFrameCount);
    EXPECT_TRUE(project.ChooseMorphType(nType));
    EXPECT_TRUE(project.SetOutputSize(nWidth, nHeight));
    const MorphTriangles triangles = ProjectTriangles(project);
    EXPECT_EQ(triangles.size(), project.m_mesh.TriangleList().size());
    COffscreenRenderer renderer;
    FrameBitmap bitmap;
    EXPECT_TRUE(renderer.RenderFrame(MakeProjectFrameRequest(project, triangles, nFrame), bitmap))
        << renderer.GetLastError();
    CPicture pic;
    EXPECT_TRUE(GrabFrameImage(bitmap, pic));
    return pic;
  }

  static void ExpectPngOf(const std::string& path, const CPicture& expected) {
    CPicture written;
    ASSERT_TRUE(written.Load(path, PICTURE_PNG)) << written.GetLastError();
    EXPECT_TRUE(SamePixels(written, expected));
  }

  TempDir m_out;
};

}  // namespace

TEST_F(CliRenderTest, DefaultsRenderTheMiddleFrameAtImage1Size) {
  const std::string out = m_out.File("middle.png");
  const CliResult r = Render(out, "--format frame");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  ExpectPngOf(out, Expected(1, 30, 15, 60, 40));
}

TEST_F(CliRenderTest, OptionsChooseFrameCountTypeAndSize) {
  const std::string out = m_out.File("warp.png");
  CliResult r = Render(out, "--frame 2 --frames 9 --type warp2 --size 50x70");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  ExpectPngOf(out, Expected(3, 9, 2, 50, 70));

  r = Render(out, "--frame 9 --frames 9 --type warp1");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  ExpectPngOf(out, Expected(2, 9, 9, 60, 40));
}

TEST_F(CliRenderTest, ExtensionChoosesTheKindOfOutput) {
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

TEST_F(CliRenderTest, HtmlPageGetsTheShippedTemplateAndItsMovie) {
  const CliResult r = Render(m_out.File("page.html"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(FolderEntries(m_out.Path()), (std::vector<std::string>{"output.swf", "page.html"}));
  EXPECT_EQ(ReadFileBytes(m_out.File("page.html")), ReadFileBytes(BinDir() + "/exsample.html"));
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(m_out.File("output.swf"))), 8);
}

TEST_F(CliRenderTest, FormatAndCodecOptions) {
  CliResult r = Render(m_out.File("anim.dat"), "--frames 2 --size 40x30 --format gif");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  const std::vector<uint8_t> bytes = ReadFileBytes(m_out.File("anim.dat"));
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");

  r = Render(m_out.File("m.avi"), "--frames 2 --size 40x30 --codec mjpeg");
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(AviFramesAndCodec(m_out.File("m.avi")), std::make_pair(6, std::string("mjpeg")));
}

TEST_F(CliRenderTest, FailuresExitNonZeroWithAMessageAndWriteNothing) {
  struct Case {
    std::string out, extra, expected;
  };
  const Case cases[] = {
      {"never.png", "--frame 31", "past the last frame"},
      {"never.png", "--size 40", "not a size"},
      {"never.png", "--size 99999x10", "99999"},
      {"never.png", "--type sideways", "sideways"},
      {"never.png", "--frames 0", "--frames"},
      {"m.xyz", "--frames 3", "unknown picture format"},
      {"FACE.PNG", "--frames 3", "FACE.PNG"},
      {"no/such/dir.png", "", ""},
      {"missing/m.gif", "--frames 3", "missing/m.gif"},
      {"missing/m.avi", "--frames 3", "Avi Output Error!"},
      {"m.avi", "--codec nosuchcodec", "nosuchcodec"},
      {"m.gif", "--codec mjpeg", "--codec"},
      {"m.mp4", "--codec mjpeg", "mjpeg"},
      {"m.gif", "--frame 2", "--frame"},
      {"m.gif", "--format mov", "mov"},
      {"m.gif", "--fps 0", "--fps"},
      {"m.gif", "--fps 101", "--fps"},
      {"m.png", "--fps 10", "--fps"},
      {"m.gif", "--loop -1", "--loop"},
      {"m.mp4", "--loop 0", "--loop"},
      {"m.avi", "--loop 1", "--loop"},
      {"m.swf", "--loop 2", "--loop"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out + " " + c.extra);
    const CliResult r = Render(m_out.File(c.out), c.extra);
    EXPECT_NE(r.nExitCode, 0);
    EXPECT_FALSE(r.szOutput.empty());
    EXPECT_NE(r.szOutput.find(c.expected), std::string::npos) << r.szOutput;
  }
  const CliResult missing = RunCli({"render", m_dir.File("missing.fmph"), "-o", m_out.File("x.gif")});
  EXPECT_NE(missing.nExitCode, 0);
  EXPECT_NE(missing.szOutput.find("open project error!"), std::string::npos) << missing.szOutput;
  EXPECT_TRUE(FolderEntries(m_out.Path()).empty());
}

// Without --fps and --loop every kind is written exactly as with its own values named, and
// other values reach the file.
TEST_F(CliRenderTest, FpsAndLoopDefaultsKeepTheFilesAndOtherValuesReachThem) {
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
  const SwfRefMovie swf = ParseSwf(ReadFileBytes(m_out.File("changed-s.swf")));
  ASSERT_EQ(swf.error, "");
  EXPECT_EQ(swf.rateHigh, 24);  // 8.8 fixed point: the whole part
  EXPECT_EQ(swf.frameCount, 8);
  // The stop action (DoAction: ActionStop, end) sits in the last frame: after the seventh
  // ShowFrame, before the eighth.
  int nShown = 0, nStopsInLastFrame = 0;
  for (const SwfRefTag& tag : swf.tags) {
    if (tag.type == 1) ++nShown;
    if (tag.type == 12 && tag.data == std::vector<uint8_t>{0x07, 0x00} && nShown == 7) ++nStopsInLastFrame;
  }
  EXPECT_EQ(nShown, 8);
  EXPECT_EQ(nStopsInLastFrame, 1);
}

// MP4 and WebM: chosen by extension or --format, odd sizes drawn one pixel smaller, both passes,
// the asked rate, the index of the MP4 at the front, and the pixels of the uncompressed AVI.
TEST_F(CliRenderTest, WebMoviesHoldBothPassesAtAnEvenSize) {
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

// render writes animated WebP and APNG by extension or --format, with the rate and loop asked.
TEST_F(CliRenderTest, RenderWritesWebPAndApng) {
  for (const std::string ext : {"webp", "apng"}) {
    SCOPED_TRACE(ext);
    const CliResult r = Render(m_out.File("a." + ext), "--frames 5 --fps 20 --loop 3");
    ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
    const AnimationProbe back = ProbeAnimation(m_out.File("a." + ext));
    ASSERT_TRUE(back.bOpened) << back.szError;
    EXPECT_EQ(back.nFrames, 6);
    EXPECT_EQ(back.nLoop, 3);
    EXPECT_EQ(back.durations, std::vector<int>(6, 50));
    const CliResult named = RunCli({"render", m_szProject, "--format", ext, "-o", m_out.File("b")});
    ASSERT_EQ(named.nExitCode, 0) << named.szOutput;
    EXPECT_TRUE(std::filesystem::exists(m_out.File("b." + ext)));
    EXPECT_NE(RunCli({"render", m_szProject, "--format", ext, "--codec", "h264", "-o", m_out.File("c")}).nExitCode, 0);
  }
}

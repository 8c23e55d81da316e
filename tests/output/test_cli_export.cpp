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
#include "core/ProjectFile.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Video packets and codec of an AVI file's video stream.
std::pair<int, std::string> AviFramesAndCodec(const std::string& path) {
  const AviProbe avi = ProbeAvi(path);
  return {avi.nPackets, avi.szCodec};
}

int SwfFrameCount(const std::vector<uint8_t>& b) {
  if (b.size() < 9 || b[0] != 'F' || b[1] != 'W' || b[2] != 'S') return -1;
  const size_t at = 8 + (5 + 4 * (b[8] >> 3) + 7) / 8 + 2;
  return b.size() < at + 2 ? -1 : b[at] | (b[at + 1] << 8);
}

class CliExportTest : public CliProjectTest {
 protected:
  void SetUp() override { MakeProject(CliProjectSpec()); }
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
  EXPECT_EQ(FilesIn(m_out.Path()), (std::vector<std::string>{"a.avi", "a.gif", "a.swf", "one.bmp", "s0.png",
                                                              "s1.png", "s2.png", "s3.png"}));
}

TEST_F(CliExportTest, HtmlPageGetsTheShippedTemplateAndItsMovie) {
  const CliResult r = Render(m_out.File("page.html"));
  ASSERT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(FilesIn(m_out.Path()), (std::vector<std::string>{"output.swf", "page.html"}));
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
      {m_out.File("m.gif"), "--format mp4", "mp4"},
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
  EXPECT_TRUE(FilesIn(m_out.Path()).empty());
}

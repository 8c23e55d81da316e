// The page template copied beside HTML exports: it must be shipped beside the executables,
// be self-contained, and its SWF reader must find every frame of our movies.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "output/SwfWriter.h"
#include "support/PictureChecks.h"
#include "support/SwfReference.h"
#include "support/TestSupport.h"

namespace {

std::string TemplateText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

bool HaveNode() { return std::system("node --version > /dev/null 2>&1") == 0; }

}  // namespace

TEST(HtmlTemplate, ShippedBesideTheExecutablesAndSelfContained) {
  const std::string shipped = BinDir() + "/exsample.html";
  ASSERT_TRUE(std::filesystem::exists(shipped)) << shipped;
  const std::string text = TemplateText(shipped);
  EXPECT_EQ(text, TemplateText(SourceDir() + "/resources/html/exsample.html"));
  EXPECT_NE(text.find("'output.swf'"), std::string::npos);
  // Pages are opened from disk without a network: nothing may come from elsewhere.
  EXPECT_EQ(text.find("<script src"), std::string::npos);
  EXPECT_EQ(text.find("http://"), std::string::npos);
  EXPECT_EQ(text.find("https://"), std::string::npos);
  EXPECT_EQ(text.find("<embed"), std::string::npos);
  EXPECT_EQ(text.find("<object"), std::string::npos);
}

// The page's SWF reader, run by Node, must see every frame of a movie written by CSwfWriter
// and turn each bitmap into a JPEG file the browser can decode.
TEST(HtmlTemplate, PageReaderFindsEveryFrameOfOurMovies) {
  if (!HaveNode()) GTEST_SKIP() << "node is not installed";
  TempDir dir;
  const int W = 48, H = 32;
  WriteFrameJpeg(dir.File("2-0.jpg"), SwfFramePixels(W, H, 0), W, H);
  WriteFrameJpeg(dir.File("2-1.jpg"), SwfFramePixels(W, H, 1), W, H);
  CSwfWriter swf;
  swf.Begin(W, H);
  swf.AddJpegFrame(dir.File("2-0.jpg"), W, H);
  swf.AddJpegFrame(dir.File("2-1.jpg"), W, H);
  testing::internal::CaptureStderr();
  swf.AddJpegFrame(dir.File("2-9.jpg"), W, H);  // missing: a frame with an empty bitmap
  testing::internal::GetCapturedStderr();
  swf.AddJpegFrame(dir.File("2-0.jpg"), W, H);
  ASSERT_EQ(swf.Write(dir.File("output.swf")), 0);

  const std::string out = dir.File("reader");
  const std::string cmd = "node '" + SourceDir() + "/tests/output/html_player_check.js' '" +
                          BinDir() + "/exsample.html' '" + dir.File("output.swf") + "' '" + out +
                          "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

  const std::vector<uint8_t> raw = ReadFileBytes(out + "/summary.json");
  const nlohmann::json s = nlohmann::json::parse(std::string(raw.begin(), raw.end()));
  EXPECT_EQ(s["version"], 4);
  EXPECT_EQ(s["width"], W);
  EXPECT_EQ(s["height"], H);
  EXPECT_EQ(s["rate"], 15);
  EXPECT_EQ(s["declaredFrames"], 4);
  EXPECT_EQ(s["background"], "rgb(0,0,0)");
  ASSERT_EQ(s["frames"].size(), 4u);
  for (int f = 0; f < 4; ++f) {
    SCOPED_TRACE(f);
    const auto& list = s["frames"][f];
    ASSERT_EQ(list.size(), 1u);  // the previous frame's shape was removed
    EXPECT_EQ(list[0]["depth"], 1);
    EXPECT_EQ(list[0]["id"], 2 * f + 2);
    EXPECT_EQ(list[0]["bitmap"], 2 * f + 1);
    EXPECT_EQ(list[0]["tx"], 0);
    EXPECT_EQ(list[0]["fillScale"], 20);
    EXPECT_EQ(list[0]["bounds"]["xmax"], W * 20);
    EXPECT_EQ(list[0]["bounds"]["ymax"], H * 20);
  }

  const int seeds[] = {0, 1, -1, 0};
  for (int f = 0; f < 4; ++f) {
    const std::string jpeg = out + "/bitmap-" + std::to_string(2 * f + 1) + ".jpg";
    if (seeds[f] < 0) {
      EXPECT_FALSE(std::filesystem::exists(jpeg));
      continue;
    }
    const SwfJpegImage d = DecodeReferenceJpeg(ReadFileBytes(jpeg));
    ASSERT_TRUE(d.bOk) << jpeg;
    EXPECT_EQ(d.w, W);
    EXPECT_EQ(d.h, H);
    EXPECT_LT(MeanAbsoluteDifference(d.rgb, SwfFramePixels(W, H, seeds[f])), 5.0) << jpeg;
  }
}

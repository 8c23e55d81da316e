// The page template copied beside HTML exports: it must be shipped beside the executables,
// be self-contained, and its SWF reader must find every frame of our movies.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "image/JpegGlue.h"
#include "output/SwfWriter.h"
#include "support/TestSupport.h"

namespace {

std::string TemplateText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

bool HaveNode() { return std::system("node --version > /dev/null 2>&1") == 0; }

std::vector<uint8_t> Pattern(int w, int h, int seed) {  // top-down blue-green-red
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(seed * 90);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[2] = static_cast<uint8_t>(x * 255 / w);
    }
  return bgr;
}

void WriteJpeg(const std::string& path, const std::vector<uint8_t>& bgr, int w, int h) {
  JpegSourceImage img;
  img.pBits = bgr.data();
  img.nWidth = w;
  img.nHeight = h;
  img.nStride = static_cast<size_t>(w) * 3;
  img.bBottomUp = false;
  std::vector<uint8_t> out;
  std::string err;
  ASSERT_TRUE(JpegEncodeToMemory(img, 90, out, err)) << err;
  WriteFileBytes(path, out);
}

struct Decoded {
  bool bOk = false;
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
};

Decoded DecodeJpegFile(const std::vector<uint8_t>& data) {
  Decoded d;
  jpeg_decompress_struct cinfo;
  JpegErrorManager jerr;
  cinfo.err = JpegErrorManagerInit(jerr);
  jpeg_create_decompress(&cinfo);
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    d.bOk = false;
    return d;
  }
  jpeg_mem_src(&cinfo, data.data(), data.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  d.w = static_cast<int>(cinfo.output_width);
  d.h = static_cast<int>(cinfo.output_height);
  d.rgb.resize(static_cast<size_t>(d.w) * d.h * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.rgb.data() + static_cast<size_t>(cinfo.output_scanline) * d.w * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  d.bOk = true;
  return d;
}

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
  WriteJpeg(dir.File("2-0.jpg"), Pattern(W, H, 0), W, H);
  WriteJpeg(dir.File("2-1.jpg"), Pattern(W, H, 1), W, H);
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
    Decoded d = DecodeJpegFile(ReadFileBytes(jpeg));
    ASSERT_TRUE(d.bOk) << jpeg;
    EXPECT_EQ(d.w, W);
    EXPECT_EQ(d.h, H);
    const std::vector<uint8_t> bgr = Pattern(W, H, seeds[f]);
    double sum = 0;
    for (size_t i = 0; i < d.rgb.size(); i += 3) {
      sum += std::abs(d.rgb[i] - bgr[i + 2]) + std::abs(d.rgb[i + 1] - bgr[i + 1]) +
             std::abs(d.rgb[i + 2] - bgr[i]);
    }
    EXPECT_LT(sum / d.rgb.size(), 5.0) << jpeg;
  }
}

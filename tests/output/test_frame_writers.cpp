// Frame read-back, picture-sequence naming and the per-frame writers that need no GL.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <filesystem>

#include "support/TestSupport.h"
#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "base/TempFolder.h"

namespace {

// A 32-bit read-back frame whose every pixel differs; the unused byte is noise.
FrameBitmap MakeFrame(int width, int height, int seed = 0) {
  FrameBitmap frame;
  frame.nWidth = width;
  frame.nHeight = height;
  frame.bits.resize(static_cast<size_t>(width) * height * 4);
  for (int r = 0; r < height; ++r)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = frame.Row(r) + x * 4;
      p[0] = static_cast<uint8_t>(x * 17 + seed);
      p[1] = static_cast<uint8_t>(r * 29 + seed * 3);
      p[2] = static_cast<uint8_t>((x + r) * 11 + seed * 7);
      p[3] = static_cast<uint8_t>(x * r + 5);
    }
  return frame;
}

void PutLe16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// The read-back as a BMP file: file header, 40-byte info header, 24-bit rows bottom-up.
std::vector<uint8_t> FrameAsBmpFile(const FrameBitmap& frame) {
  const uint32_t stride = ((24u * frame.nWidth + 31) / 32) * 4;
  const uint32_t size = stride * frame.nHeight;
  std::vector<uint8_t> b(54 + size, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutLe32(b, 2, size + 54);
  PutLe32(b, 10, 54);
  PutLe32(b, 14, 40);
  PutLe32(b, 18, frame.nWidth);
  PutLe32(b, 22, frame.nHeight);
  PutLe16(b, 26, 1);
  PutLe16(b, 28, 24);
  PutLe32(b, 34, size);
  for (int r = 0; r < frame.nHeight; ++r)
    for (int x = 0; x < frame.nWidth; ++x)
      std::memcpy(&b[54 + r * stride + x * 3], frame.Row(r) + x * 4, 3);
  return b;
}

bool SamePicture(const CPicture& a, const CPicture& b) {
  return a.GetType() == b.GetType() && a.GetDibSize() == b.GetDibSize() &&
         std::memcmp(a.GetDib(), b.GetDib(), a.GetDibSize()) == 0;
}

}  // namespace

TEST(GrabFrameImageTest, EqualsDecodingTheReadBackBmpFile) {
  for (int width : {1, 2, 3, 5, 8}) {
    const FrameBitmap frame = MakeFrame(width, 3, width);
    const std::vector<uint8_t> bmp = FrameAsBmpFile(frame);
    CPicture expected(bmp.data(), bmp.size(), PICTURE_BMP);
    ASSERT_TRUE(expected.IsValid()) << expected.GetLastError();

    CPicture grabbed;
    std::string error;
    ASSERT_TRUE(GrabFrameImage(frame, grabbed, &error)) << error;
    EXPECT_EQ(grabbed.GetType(), PICTURE_BMP);
    EXPECT_EQ(grabbed.GetBpp(), 24);
    EXPECT_EQ(grabbed.GetWidth(), width);
    EXPECT_EQ(grabbed.GetHeight(), 3);
    EXPECT_TRUE(SamePicture(grabbed, expected)) << "width " << width;
    // Stored row 0 is the bottom row of the frame, blue first.
    EXPECT_EQ(grabbed.GetBits(0)[0], frame.Row(0)[0]);
    EXPECT_EQ(grabbed.GetBits(2)[2], frame.Row(2)[2]);
  }
}

TEST(GrabFrameImageTest, RefusesEmptyAndShortBitmaps) {
  CPicture out;
  std::string error;
  EXPECT_FALSE(GrabFrameImage(FrameBitmap(), out, &error));
  EXPECT_FALSE(error.empty());
  FrameBitmap shortFrame = MakeFrame(4, 4);
  shortFrame.bits.resize(20);
  error.clear();
  EXPECT_FALSE(GrabFrameImage(shortFrame, out, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(out.IsValid());
}

TEST(SequenceNamingTest, ExtensionTestsAndStem) {
  EXPECT_EQ(SequencePictureType("/anim/face.bmp"), PICTURE_BMP);
  EXPECT_EQ(SequenceFrameName("/anim/face.bmp", 0), "/anim/face0.bmp");
  EXPECT_EQ(SequenceFrameName("/anim/face.bmp", 30), "/anim/face30.bmp");
  // The stem always drops four characters.
  EXPECT_EQ(SequencePictureType("x.tiff"), PICTURE_TIFF);
  EXPECT_EQ(SequenceFrameName("x.tiff", 0), "x.0.tif");
  EXPECT_EQ(SequenceFrameName("x.tiff", 1), "x.1.tif");
  // Anywhere in the path, first in the fixed order.
  EXPECT_EQ(SequenceFrameName("a.bmp.jpg", 1), "a.bmp1.bmp");
  EXPECT_EQ(SequenceFrameName("/d.jpg/f.png", 2), "/d.jpg/f2.jpg");
  EXPECT_EQ(SequencePictureType("s.gif"), PICTURE_GIF);
  EXPECT_EQ(SequencePictureType("s.tga"), PICTURE_TGA);
  EXPECT_EQ(SequencePictureType("s.pcx"), PICTURE_PCX);
  EXPECT_EQ(SequenceFrameName("s.jpg", 7), "s7.jpg");
  // Case-sensitive, and nothing for unknown extensions.
  EXPECT_EQ(SequencePictureType("FACE.BMP"), 0);
  EXPECT_EQ(SequenceFrameName("FACE.BMP", 0), "");
  EXPECT_EQ(SequenceFrameName("movie.avi", 0), "");
}

TEST(SequenceWriterTest, WritesNumberedPicturesAndReportsFailures) {
  TempDir dir;
  CSequenceFrameWriter writer(dir.File("face.png"));
  ASSERT_TRUE(writer.Begin());
  const FrameBitmap frame = MakeFrame(6, 4, 9);
  ASSERT_TRUE(writer.WriteFrame(frame, 0)) << writer.GetLastResult().FullText();
  ASSERT_TRUE(writer.WriteFrame(frame, 12)) << writer.GetLastResult().FullText();
  // The frames take their names only when the run is complete.
  EXPECT_FALSE(std::filesystem::exists(dir.File("face12.png")));
  ASSERT_TRUE(writer.Finish()) << writer.GetLastResult().FullText();
  CPicture back(dir.File("face12.png"), PICTURE_PNG);
  ASSERT_TRUE(back.IsValid());
  CPicture grabbed;
  ASSERT_TRUE(GrabFrameImage(frame, grabbed));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const RgbQuad a = back.GetPixelColor(x, y), b = grabbed.GetPixelColor(x, y);
      EXPECT_EQ(std::make_tuple(a.rgbRed, a.rgbGreen, a.rgbBlue), std::make_tuple(b.rgbRed, b.rgbGreen, b.rgbBlue));
    }
  EXPECT_TRUE(std::filesystem::exists(dir.File("face0.png")));

  CSequenceFrameWriter upper(dir.File("FACE.BMP"));
  EXPECT_FALSE(upper.Begin());
  EXPECT_NE(upper.GetLastResult().FullText().find("FACE.BMP"), std::string::npos);

  CSequenceFrameWriter missing(dir.File("no/such/folder/face.bmp"));
  ASSERT_TRUE(missing.Begin());
  // Frames are coded on a second thread: a failure shows by the next call at the latest.
  EXPECT_FALSE(missing.WriteFrame(frame, 0) && missing.Finish());
  EXPECT_NE(missing.GetLastResult().FullText().find("face0.bmp"), std::string::npos);
}

TEST(SingleFrameWriterTest, WritesThePathItself) {
  TempDir dir;
  CSingleFrameWriter writer(dir.File("still.bmp"));
  ASSERT_TRUE(writer.Begin());
  ASSERT_TRUE(writer.WriteFrame(MakeFrame(5, 5), 17));
  CPicture back(dir.File("still.bmp"), PICTURE_BMP);
  EXPECT_TRUE(back.IsValid());
  EXPECT_FALSE(std::filesystem::exists(dir.File("still17.bmp")));
}

TEST(JpegFrameWriterTest, PrivateFolderHoldsNumberedFramesUntilRemoved) {
  std::string path;
  {
    CTempFolder folder("kestrelle-frames");
    ASSERT_TRUE(folder.IsCreated());
    path = folder.Path();
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
    std::vector<int> written;
    CJpegFrameWriter writer(folder, [&written](int n) { written.push_back(n); });
    ASSERT_TRUE(writer.WriteFrame(MakeFrame(16, 8), 7));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(written, std::vector<int>{7});
    EXPECT_EQ(JpegFramePath(folder, 7), path + "/2-7.jpg");
    CPicture back(JpegFramePath(folder, 7), PICTURE_JPEG);
    EXPECT_TRUE(back.IsValid());
    CTempFolder other("kestrelle-frames");
    ASSERT_TRUE(other.IsCreated());
    EXPECT_NE(other.Path(), path);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

// Animated GIF output: frames reduced against their own octree palettes and streamed
// into the file one at a time must give exactly the bytes of the container's
// all-frames encoder, decode back to the frames, and leave nothing behind when dropped.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <filesystem>

#include "support/GifReference.h"
#include "support/TestSupport.h"
#include "output/FrameImage.h"
#include "output/FrameWriters.h"
#include "output/GifStreamWriter.h"

namespace {

FrameBitmap FrameFromPicture(const CPicture& pic) {
  FrameBitmap frame;
  frame.nWidth = pic.GetWidth();
  frame.nHeight = pic.GetHeight();
  frame.bits.assign(static_cast<size_t>(frame.nWidth) * frame.nHeight * 4, 0xAB);
  for (int r = 0; r < frame.nHeight; ++r)
    for (int x = 0; x < frame.nWidth; ++x) {
      const RgbQuad c = pic.GetPixelColor(x, r);
      uint8_t* p = frame.Row(r) + x * 4;
      p[0] = c.rgbBlue;
      p[1] = c.rgbGreen;
      p[2] = c.rgbRed;
    }
  return frame;
}

std::vector<FrameBitmap> TestFrames() {
  std::vector<FrameBitmap> frames;
  frames.push_back(FrameFromPicture(MakePatternPicture(37, 23, 0)));
  frames.push_back(FrameFromPicture(MakeSolidPicture(37, 23, 12, 200, 99)));
  frames.push_back(FrameFromPicture(MakePatternPicture(37, 23, 5)));
  return frames;
}

std::vector<CPicture> ReducedFrames(const std::vector<FrameBitmap>& frames) {
  std::vector<CPicture> reduced;
  for (const FrameBitmap& frame : frames) {
    CPicture pic;
    EXPECT_TRUE(GrabFrameImage(frame, pic));
    const Result done = ReduceGifFrame(pic);
    EXPECT_TRUE(done.ok()) << done.FullText();
    reduced.push_back(std::move(pic));
  }
  return reduced;
}

std::vector<uint8_t> EncodeAllAtOnce(std::vector<CPicture>& frames) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* fp = open_memstream(&buffer, &size);
  CPictureGIF gif;
  gif.SetLoops(kGifLoopSetting);
  std::vector<CPicture*> pointers;
  for (CPicture& f : frames) pointers.push_back(&f);
  const bool ok = gif.Encode(fp, pointers.data(), static_cast<int>(pointers.size()), true);
  std::fclose(fp);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  EXPECT_TRUE(ok) << gif.GetLastError();
  return bytes;
}

}  // namespace

TEST(GifFrameReductionTest, FramesBecomeEightBitsWithDelayOne) {
  auto reduced = ReducedFrames(TestFrames());
  ASSERT_EQ(reduced.size(), 3u);
  for (const CPicture& pic : reduced) {
    EXPECT_EQ(pic.GetBpp(), 8);
    EXPECT_EQ(pic.GetFrameDelay(), kGifFrameDelay);
  }
  // The solid frame's palette is its colour followed by zeros.
  const RgbQuad* pal = reduced[1].GetPalette();
  EXPECT_EQ(std::make_tuple(pal[0].rgbRed, pal[0].rgbGreen, pal[0].rgbBlue), std::make_tuple(12, 200, 99));
  for (int i = 1; i < 256; ++i) EXPECT_EQ(pal[i].rgbRed | pal[i].rgbGreen | pal[i].rgbBlue, 0) << i;
}

// Frames are reduced two at a time and must still enter the file in order: enough different
// frames that one out of place changes the file.
TEST(GifStreamWriterTest, StreamedFileEqualsTheAllFramesEncoding) {
  auto frames = TestFrames();
  for (int seed : {2, 3, 9, 11}) frames.push_back(FrameFromPicture(MakePatternPicture(37, 23, seed)));
  frames.push_back(FrameFromPicture(MakeSolidPicture(37, 23, 1, 2, 3)));
  auto reduced = ReducedFrames(frames);
  const std::vector<uint8_t> expected = EncodeAllAtOnce(reduced);
  ASSERT_FALSE(expected.empty());

  TempDir dir;
  CGifFrameWriter writer(dir.File("anim.gif"));
  ASSERT_TRUE(writer.Begin()) << writer.GetLastResult().FullText();
  for (size_t i = 0; i < frames.size(); ++i) ASSERT_TRUE(writer.WriteFrame(frames[i], static_cast<int>(i)));
  EXPECT_FALSE(std::filesystem::exists(dir.File("anim.gif")));  // only the part file so far
  ASSERT_TRUE(writer.Finish()) << writer.GetLastResult().FullText();
  EXPECT_EQ(ReadFileBytes(dir.File("anim.gif")), expected);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"anim.gif"});
}

TEST(GifStreamWriterTest, LayoutAndPixelsDecodeBack) {
  const auto frames = TestFrames();
  const auto reduced = ReducedFrames(frames);
  TempDir dir;
  CGifFrameWriter writer(dir.File("anim.gif"));
  ASSERT_TRUE(writer.Begin());
  for (size_t i = 0; i < frames.size(); ++i) ASSERT_TRUE(writer.WriteFrame(frames[i], static_cast<int>(i)));
  ASSERT_TRUE(writer.Finish());
  const std::vector<uint8_t> bytes = ReadFileBytes(dir.File("anim.gif"));

  GifRefFile gif;
  std::string why;
  ASSERT_TRUE(DecodeGifReference(bytes, gif, why)) << why;
  EXPECT_EQ(gif.nWidth, 37);
  EXPECT_EQ(gif.nHeight, 23);
  EXPECT_EQ(gif.nPacked, 0xE7);
  EXPECT_EQ(gif.globalTable.size(), 256u);  // entries
  EXPECT_TRUE(gif.bHasLoop);
  EXPECT_EQ(gif.nLoopCount, 89);
  EXPECT_TRUE(gif.bTrailer);
  ASSERT_EQ(gif.frames.size(), frames.size());
  for (size_t i = 0; i < gif.frames.size(); ++i) {
    const GifRefFrame& f = gif.frames[i];
    EXPECT_TRUE(f.bHasControl);
    EXPECT_EQ(f.nControlPacked, 0x00);
    EXPECT_EQ(f.nDelay, 1);
    EXPECT_EQ(f.nTransparent, 0xFF);
    EXPECT_EQ(f.nLeft, 0);
    EXPECT_EQ(f.nTop, 0);
    EXPECT_EQ(f.nMinCodeSize, 8);
    EXPECT_EQ(f.nPacked, i == 0 ? 0x00 : 0x87);
    // Each pixel is the reduced frame's colour, and near the frame's own colour.
    double total = 0;
    int mismatches = 0;
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) {
        const GifRefColor c = f.Color(gif.globalTable, x, y);
        const RgbQuad q = reduced[i].GetPixelColor(x, 22 - y);
        if (c.r != q.rgbRed || c.g != q.rgbGreen || c.b != q.rgbBlue) ++mismatches;
        const uint8_t* p = frames[i].Row(22 - y) + x * 4;
        total += std::abs(c.b - p[0]) + std::abs(c.g - p[1]) + std::abs(c.r - p[2]);
      }
    EXPECT_EQ(mismatches, 0) << "frame " << i;
    EXPECT_LT(total / (23 * 37), 30.0) << "frame " << i;
  }
  // The solid frame comes back exactly.
  EXPECT_EQ(gif.frames[1].Color(gif.globalTable, 5, 5).g, 200);

  // The container reads the first image of the file like the reference reader.
  CPicture first(bytes.data(), bytes.size(), PICTURE_GIF);
  ASSERT_TRUE(first.IsValid()) << first.GetLastError();
  ASSERT_EQ(first.GetWidth(), 37);
  for (int y = 0; y < 23; y += 4)
    for (int x = 0; x < 37; x += 3) {
      const RgbQuad a = first.GetPixelColor(x, 22 - y);
      const GifRefColor b = gif.frames[0].Color(gif.globalTable, x, y);
      EXPECT_EQ(std::make_tuple(a.rgbRed, a.rgbGreen, a.rgbBlue), std::make_tuple(b.r, b.g, b.b));
    }
}

TEST(GifStreamWriterTest, AbandonLeavesNoFileAndKeepsAnExistingTarget) {
  const auto frames = TestFrames();
  TempDir dir;
  {
    CGifFrameWriter writer(dir.File("new.gif"));
    ASSERT_TRUE(writer.Begin());
    ASSERT_TRUE(writer.WriteFrame(frames[0], 0));
    writer.Abandon();
  }
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  WriteFileBytes(dir.File("old.gif"), {1, 2, 3});
  {
    CGifFrameWriter writer(dir.File("old.gif"));
    ASSERT_TRUE(writer.Begin());
    ASSERT_TRUE(writer.WriteFrame(frames[0], 0));
    // Destroyed without Finish, as a run that stops half-way.
  }
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"old.gif"});
  EXPECT_EQ(ReadFileBytes(dir.File("old.gif")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(GifStreamWriterTest, UnwritableFolderAndEmptyMovieAreReported) {
  TempDir dir;
  CGifFrameWriter writer(dir.File("missing/anim.gif"));
  EXPECT_FALSE(writer.Begin());
  EXPECT_NE(writer.GetLastResult().FullText().find("missing/anim.gif"), std::string::npos);

  CGifStreamWriter stream;
  ASSERT_TRUE(stream.Open(dir.File("empty.gif")));
  EXPECT_FALSE(stream.Finish());
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());

  CPicture truecolour = MakeSolidPicture(4, 4, 1, 2, 3);
  ASSERT_TRUE(stream.Open(dir.File("x.gif")));
  EXPECT_FALSE(stream.AddFrame(truecolour));
  stream.Abandon();
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

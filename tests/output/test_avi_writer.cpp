// CAviWriter: movies are written, then read back with libavformat/libavcodec and compared
// with what went in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/AviProbe.h"
#include "support/PictureChecks.h"
#include "support/TestSupport.h"
#include "output/AviWriter.h"

namespace {

// A 24-bit bottom-up frame (rows padded to 4 bytes) and the same picture top-down, unpadded,
// as a decoder hands it back.
struct TestFrame {
  int w = 0, h = 0;
  std::vector<uint8_t> bottomUp;  // stored rows, bottom row first
  std::vector<uint8_t> topDown;   // tightly packed BGR, top row first
};

// Colour of picture pixel (x, y), y counted from the top.
void PatternColour(int x, int y, int seed, uint8_t* bgr) {
  bgr[0] = static_cast<uint8_t>(x * 9 + seed * 40);
  bgr[1] = static_cast<uint8_t>(y * 11 + seed * 7);
  bgr[2] = static_cast<uint8_t>((x * y + seed * 60) & 0xFF);
}

TestFrame MakeFrame(int w, int h, int seed) {
  TestFrame f;
  f.w = w;
  f.h = h;
  const int stride = (w * 24 + 31) / 32 * 4;
  f.bottomUp.assign(static_cast<size_t>(stride) * h, 0);
  f.topDown.assign(static_cast<size_t>(w) * 3 * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t c[3];
      PatternColour(x, y, seed, c);
      std::copy(c, c + 3, &f.topDown[(static_cast<size_t>(y) * w + x) * 3]);
      std::copy(c, c + 3, &f.bottomUp[static_cast<size_t>(h - 1 - y) * stride + x * 3]);
    }
  }
  return f;
}

FrameBitmap ToBitmap(const TestFrame& f) {
  FrameBitmap b;
  b.nWidth = f.w;
  b.nHeight = f.h;
  b.bits.assign(static_cast<size_t>(f.w) * 4 * f.h, 0x5A);  // "unused" byte must not matter
  for (int r = 0; r < f.h; ++r)
    for (int x = 0; x < f.w; ++x)
      for (int k = 0; k < 3; ++k) b.Row(r)[x * 4 + k] = f.bottomUp[static_cast<size_t>(r) * ((f.w * 3 + 3) & ~3) + x * 3 + k];
  return b;
}

// Writes frames with the encoder named szCodec (through the chooser) at 15 frames/s.
int WriteMovie(CAviWriter& avi, const std::string& path, const std::string& szCodec,
               const std::vector<TestFrame>& frames) {
  avi.SetRate(15);
  avi.SetFrameFormat(frames[0].w, frames[0].h);
  avi.SetFileName(path);
  avi.SetCodecChooser(MovieCodecChooserByName(szCodec));
  int rc = avi.Open();
  if (rc != 0) return rc;
  for (const TestFrame& f : frames) {
    rc = avi.AddFrame(f.bottomUp.data());
    if (rc != 0) return rc;
  }
  return avi.Close();
}

bool HasCodec(const std::string& name) { return FindMovieCodec(AvailableMovieCodecs(), name) >= 0; }

}  // namespace

TEST(AviWriterFormat, SizesRoundDownToMultiplesOfFour) {
  CAviWriter avi;
  avi.SetFrameFormat(722, 577);
  const BitmapInfoHeader& bih = avi.GetFrameFormat();
  EXPECT_EQ(bih.biSize, 40u);
  EXPECT_EQ(bih.biWidth, 720);
  EXPECT_EQ(bih.biHeight, 576);
  EXPECT_EQ(bih.biPlanes, 1);
  EXPECT_EQ(bih.biBitCount, 24);
  EXPECT_EQ(bih.biCompression, 0u);
  EXPECT_EQ(bih.biSizeImage, 1244160u);
  EXPECT_EQ(bih.biXPelsPerMeter, 0);
  EXPECT_EQ(bih.biClrUsed, 0u);

  avi.SetFrameFormat(7, 3);
  EXPECT_EQ(avi.GetFrameFormat().biWidth, 4);
  EXPECT_EQ(avi.GetFrameFormat().biHeight, 0);
  EXPECT_EQ(avi.GetFrameFormat().biSizeImage, 0u);
}

TEST(AviWriterFormat, AviExtensionIsAddedOnlyWithoutLowerCaseAvi) {
  CAviWriter avi;
  EXPECT_EQ(avi.GetFileName(), "Untitled.avi");
  EXPECT_EQ(avi.GetRate(), 30);
  const std::pair<const char*, const char*> cases[] = {
      {"movie.mov", "movie.mov.avi"},
      {"MOVIE.AVI", "MOVIE.AVI.avi"},
      {"clip.avi", "clip.avi"},
      {"/home/u/avis/clip", "/home/u/avis/clip"},
      {"电影", "电影.avi"},
  };
  for (const auto& c : cases) {
    avi.SetFileName(c.first);
    avi.EnsureAviExtension();
    EXPECT_EQ(avi.GetFileName(), c.second);
  }
}

TEST(AviCodecList, UncompressedComesFirstAndNamesResolve) {
  const std::vector<MovieCodecEntry> entries = AvailableMovieCodecs();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0].szLabel, "Full frames (uncompressed)");
  EXPECT_EQ(entries[0].szName, "raw");
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(FindMovieCodec(entries, entries[i].szName), static_cast<int>(i));
    EXPECT_NE(MovieEncoderName(entries[i].szName), nullptr);
  }
  EXPECT_EQ(FindMovieCodec(entries, "RAW"), 0);
  EXPECT_EQ(FindMovieCodec(entries, "no-such-codec"), -1);
  EXPECT_EQ(MovieCodecChooserByName("no-such-codec")(entries), kMovieCodecCancelled);
}

TEST(AviWriterMovie, UncompressedFramesComeBackExactlyAndUpright) {
  TempDir dir;
  const std::string path = dir.File("raw.avi");
  std::vector<TestFrame> frames = {MakeFrame(16, 12, 0), MakeFrame(16, 12, 1),
                                   MakeFrame(16, 12, 2)};
  CAviWriter avi;
  std::vector<MovieCodecEntry> offered;
  avi.SetCodecChooser([&](const std::vector<MovieCodecEntry>& e) {
    offered = e;
    return 0;
  });
  avi.SetRate(15);
  avi.SetFrameFormat(16, 12);
  avi.SetFileName(path);
  ASSERT_EQ(avi.Open(), 0) << avi.GetLastErrorText();
  EXPECT_EQ(avi.GetLastErrorText(), "Ok");
  EXPECT_EQ(offered.size(), AvailableMovieCodecs().size());
  EXPECT_EQ(avi.GetCodecName(), "raw");
  for (const TestFrame& f : frames) ASSERT_EQ(avi.AddFrame(f.bottomUp.data()), 0);
  EXPECT_EQ(avi.GetFrameIndex(), 3);
  ASSERT_EQ(avi.Close(), 0);

  AviProbe m = ProbeAvi(path, true);
  ASSERT_TRUE(m.bOpened);
  EXPECT_EQ(m.nStreams, 1u);
  EXPECT_EQ(m.szCodec, "rawvideo");
  EXPECT_EQ(m.nWidth, 16);
  EXPECT_EQ(m.nHeight, 12);
  EXPECT_DOUBLE_EQ(m.fps, 15.0);
  EXPECT_EQ(m.nPackets, 3);
  EXPECT_TRUE(m.bAllKey);
  ASSERT_EQ(m.frames.size(), 3u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(m.frames[i], frames[i].topDown) << "frame " << i;
  }
}

TEST(AviWriterMovie, ReadBackBitmapsAndStridedRowsGiveTheSamePixels) {
  TempDir dir;
  const std::string path = dir.File("bitmap.avi");
  const TestFrame a = MakeFrame(8, 4, 5), b = MakeFrame(8, 4, 6);
  CAviWriter avi;
  avi.SetRate(15);
  avi.SetFrameFormat(8, 4);
  avi.SetFileName(path);
  ASSERT_EQ(avi.Open(), 0);
  ASSERT_EQ(avi.AddFrame(ToBitmap(a)), 0);
  // Same picture with 8 bytes of slack after every row.
  const int stride = 8 * 3 + 8;
  std::vector<uint8_t> wide(static_cast<size_t>(stride) * 4, 0xEE);
  for (int r = 0; r < 4; ++r) std::copy_n(&b.bottomUp[r * 24], 24, &wide[r * stride]);
  ASSERT_EQ(avi.AddFrame(wide.data(), stride), 0);

  FrameBitmap wrong;
  wrong.nWidth = 12;
  wrong.nHeight = 4;
  wrong.bits.assign(12 * 4 * 4, 0);
  EXPECT_LT(avi.AddFrame(wrong), 0);
  EXPECT_NE(avi.GetLastErrorText(), "Ok");
  ASSERT_EQ(avi.Close(), 0);

  AviProbe m = ProbeAvi(path, true);
  ASSERT_EQ(m.frames.size(), 2u);
  EXPECT_EQ(m.frames[0], a.topDown);
  EXPECT_EQ(m.frames[1], b.topDown);
}

TEST(AviWriterMovie, MotionJpegFramesAreKeyFramesCloseToTheInput) {
  if (!HasCodec("mjpeg")) GTEST_SKIP() << "linked FFmpeg has no Motion JPEG encoder";
  TempDir dir;
  const std::string path = dir.File("mjpeg.avi");
  // Smooth picture with a red top half and a blue bottom half, so a flipped movie shows.
  TestFrame f = MakeFrame(32, 24, 0);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 32; ++x) {
      uint8_t c[3] = {static_cast<uint8_t>(y < 12 ? 20 : 220), 40, static_cast<uint8_t>(y < 12 ? 220 : 20)};
      std::copy(c, c + 3, &f.topDown[(y * 32 + x) * 3]);
      std::copy(c, c + 3, &f.bottomUp[(23 - y) * 96 + x * 3]);
    }
  }
  CAviWriter avi;
  ASSERT_EQ(WriteMovie(avi, path, "mjpeg", {f, f, f, f}), 0) << avi.GetLastErrorText();

  AviProbe m = ProbeAvi(path, true);
  EXPECT_EQ(m.nStreams, 1u);
  EXPECT_EQ(m.szCodec, "mjpeg");
  EXPECT_EQ(m.nWidth, 32);
  EXPECT_EQ(m.nHeight, 24);
  EXPECT_DOUBLE_EQ(m.fps, 15.0);
  EXPECT_EQ(m.nPackets, 4);
  EXPECT_TRUE(m.bAllKey);
  ASSERT_EQ(m.frames.size(), 4u);
  EXPECT_LT(MeanAbsoluteDifference(m.frames[0], f.topDown), 6.0);
  // Top-left pixel is red (BGR 20, 40, 220), bottom-left blue.
  EXPECT_GT(m.frames[0][2], 180);
  EXPECT_LT(m.frames[0][0], 60);
  const size_t last = static_cast<size_t>(23) * 96;
  EXPECT_GT(m.frames[0][last + 0], 180);
  EXPECT_LT(m.frames[0][last + 2], 60);
}

// Every lossless encoder must give the input back bit for bit, whatever pixel format it uses.
TEST(AviWriterMovie, LosslessEncodersGiveTheInputBack) {
  const char* lossless[] = {"ffv1", "huffyuv", "ffvhuff", "utvideo", "magicyuv", "png", "zlib"};
  const std::vector<TestFrame> frames = {MakeFrame(16, 8, 3), MakeFrame(16, 8, 4)};
  int nTried = 0;
  for (const char* name : lossless) {
    if (!HasCodec(name)) continue;
    ++nTried;
    TempDir dir;
    const std::string path = dir.File(std::string(name) + ".avi");
    CAviWriter avi;
    ASSERT_EQ(WriteMovie(avi, path, name, frames), 0) << name << ": " << avi.GetLastErrorText();
    AviProbe m = ProbeAvi(path, true);
    EXPECT_EQ(m.nPackets, 2) << name;
    EXPECT_TRUE(m.bAllKey) << name;
    ASSERT_EQ(m.frames.size(), 2u) << name;
    EXPECT_EQ(m.frames[0], frames[0].topDown) << name;
    EXPECT_EQ(m.frames[1], frames[1].topDown) << name;
  }
  EXPECT_GT(nTried, 0);
}

TEST(AviWriterFailures, CancelledChoiceReturnsOneAndLeavesNoFile) {
  TempDir dir;
  const std::string path = dir.File("cancelled.avi");
  CAviWriter avi;
  avi.SetFrameFormat(16, 12);
  avi.SetFileName(path);
  avi.SetCodecChooser([](const std::vector<MovieCodecEntry>&) { return kMovieCodecCancelled; });
  EXPECT_EQ(avi.Open(), 1);
  EXPECT_FALSE(avi.IsOpen());
  const TestFrame f = MakeFrame(16, 12, 0);
  EXPECT_LT(avi.AddFrame(f.bottomUp.data()), 0);
  EXPECT_EQ(avi.Close(), 0);
  EXPECT_FALSE(std::filesystem::exists(path));

  // An existing file survives a cancelled choice.
  WriteFileBytes(path, {1, 2, 3});
  avi.SetCodecChooser([](const std::vector<MovieCodecEntry>& e) { return static_cast<int>(e.size()); });
  EXPECT_EQ(avi.Open(), 1);
  avi.Close();
  EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(AviWriterFailures, UnwritablePathReportsTheFileName) {
  TempDir dir;
  const std::string path = dir.File("missing-folder/movie.avi");
  CAviWriter avi;
  avi.SetFrameFormat(16, 12);
  avi.SetFileName(path);
  const int rc = avi.Open();
  EXPECT_LT(rc, 0);
  const std::string expected = "AVI Engine failed to initialize. Check filename " + path +
                               ".A disk error occurred while opening the file.";
  EXPECT_EQ(avi.GetLastErrorText(), expected);
  // The run goes on and fails at the first frame, still showing why.
  const TestFrame f = MakeFrame(16, 12, 0);
  EXPECT_LT(avi.AddFrame(f.bottomUp.data()), 0);
  EXPECT_EQ(avi.GetLastErrorText(), expected);
  avi.Close();
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(AviWriterFailures, EmptyFrameFormatFailsAtStreamCreation) {
  TempDir dir;
  CAviWriter avi;
  avi.SetFrameFormat(3, 100);  // rounds to a width of 0
  avi.SetFileName(dir.File("empty.avi"));
  EXPECT_LT(avi.Open(), 0);
  EXPECT_EQ(avi.GetLastErrorText(), "AVI Stream creation failed. Check Bitmap info.");
  avi.Close();
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.avi")));
}

TEST(AviWriterFailures, FullDiskIsReportedNotIgnored) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  CAviWriter avi;
  avi.SetFrameFormat(64, 64);
  avi.SetFileName("/dev/full");
  int rc = avi.Open();
  const TestFrame f = MakeFrame(64, 64, 1);
  for (int i = 0; i < 20 && rc == 0; ++i) rc = avi.AddFrame(f.bottomUp.data());
  if (rc == 0) rc = avi.Close();
  avi.Close();
  EXPECT_LT(rc, 0);
  EXPECT_NE(avi.GetLastErrorText(), "Ok");
  EXPECT_FALSE(avi.GetLastErrorText().empty());
}

TEST(AviWriterLifecycle, DestructionFinishesTheMovieAndWritersAreReusable) {
  TempDir dir;
  const TestFrame f = MakeFrame(8, 8, 2);
  {
    CAviWriter avi;
    avi.SetRate(15);
    avi.SetFrameFormat(8, 8);
    avi.SetFileName(dir.File("first.avi"));
    ASSERT_EQ(avi.Open(), 0);
    ASSERT_EQ(avi.AddFrame(f.bottomUp.data()), 0);
    ASSERT_EQ(avi.Close(), 0);
    // Second movie with the same writer, left for the destructor to finish.
    avi.SetRate(10);
    avi.SetFileName(dir.File("second.avi"));
    ASSERT_EQ(avi.Open(), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(avi.AddFrame(f.bottomUp.data()), 0);
  }
  AviProbe first = ProbeAvi(dir.File("first.avi"), true);
  AviProbe second = ProbeAvi(dir.File("second.avi"), true);
  EXPECT_EQ(first.nPackets, 1);
  EXPECT_EQ(second.nPackets, 5);
  EXPECT_DOUBLE_EQ(second.fps, 10.0);
  ASSERT_EQ(second.frames.size(), 5u);
  EXPECT_EQ(second.frames[4], f.topDown);
}

// MP4 and WebM through CAviWriter: read back with FFmpeg's decoders (size, rate, frame count,
// pixels within a tolerance), and written all-or-nothing like every other output. Animated
// WebP and APNG: read back by Pillow (frames, loop count, delays) and, for APNG, by FFmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "output/AviWriter.h"
#include "output/FrameWriters.h"
#include "support/AnimationProbe.h"
#include "support/AviProbe.h"
#include "support/PictureChecks.h"
#include "support/TestSupport.h"

namespace {

// A 24-bit picture's pixels top-down and packed, as ReadMovieBack gives them.
std::vector<uint8_t> TopDownPixels(const CPicture& picture) {
  const int w = static_cast<int>(picture.GetWidth()), h = static_cast<int>(picture.GetHeight());
  std::vector<uint8_t> out(static_cast<size_t>(w) * 3 * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = picture.GetBits() + static_cast<size_t>(h - 1 - y) * picture.GetEffWidth();
    std::copy(row, row + w * 3, out.begin() + static_cast<long>(y) * w * 3);
  }
  return out;
}

class WebMovieTest : public testing::TestWithParam<MovieContainer> {
 protected:
  // Opens a movie of the container at 24 frames/s for a requested size of nWidth x nHeight.
  bool OpenMovie(CAviWriter& movie, const std::string& szName, int nWidth, int nHeight) {
    movie.SetContainer(GetParam());
    movie.SetRate(24);
    movie.SetFrameFormat(nWidth, nHeight);
    movie.SetFileName(m_dir.File(szName));
    movie.EnsureMovieExtension();
    return movie.Open() == 0;
  }
  const char* Extension() const { return MovieContainerExtension(GetParam()); }
  TempDir m_dir;
};

TEST_P(WebMovieTest, FramesComeBackAtTheEvenSizeAndRate) {
  CAviWriter movie;
  ASSERT_TRUE(OpenMovie(movie, "clip", 33, 25)) << movie.GetLastErrorText();
  EXPECT_EQ(movie.GetFileName(), m_dir.File(std::string("clip.") + Extension()));
  EXPECT_EQ(movie.GetCodecName(), GetParam() == MovieContainer::Mp4 ? "h264" : "vp9");
  ASSERT_EQ(movie.GetFrameFormat().biWidth, 32);
  ASSERT_EQ(movie.GetFrameFormat().biHeight, 24);
  std::vector<CPicture> frames;
  for (int i = 0; i < 10; ++i) {
    frames.push_back(MakePatternPicture(32, 24, i));
    ASSERT_EQ(movie.AddFrame(frames.back()), 0) << movie.GetLastErrorText();
  }
  ASSERT_EQ(movie.Close(), 0) << movie.GetLastErrorText();

  const AviProbe back = ProbeAvi(movie.GetFileName(), true);
  ASSERT_TRUE(back.bOpened);
  EXPECT_EQ(back.szPixelFormat, "yuv420p");
  EXPECT_EQ(back.nWidth, 32);
  EXPECT_EQ(back.nHeight, 24);
  EXPECT_DOUBLE_EQ(back.fps, 24.0);
  EXPECT_EQ(back.nPackets, 10);
  ASSERT_EQ(back.frames.size(), 10u);  // every packet decodes to a frame
  const double fDiff = MeanAbsoluteDifference(back.frames[4], TopDownPixels(frames[4]));
  EXPECT_LT(fDiff, 10.0);
  // A different frame is much further away: the frames are in order and not all alike.
  EXPECT_GT(MeanAbsoluteDifference(back.frames[4], TopDownPixels(frames[0])), fDiff);
  if (GetParam() == MovieContainer::Mp4) {
    EXPECT_TRUE(Mp4IndexComesFirst(ReadFileBytes(movie.GetFileName())));
  }
  EXPECT_EQ(FolderEntries(m_dir.Path()).size(), 1u);  // no temporary left beside it
}

TEST_P(WebMovieTest, AnAbandonedMovieKeepsTheOldFile) {
  const std::string szOld = m_dir.File(std::string("keep.") + Extension());
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  WriteFileBytes(szOld, old);
  CAviWriter movie;
  ASSERT_TRUE(OpenMovie(movie, std::string("keep.") + Extension(), 16, 16)) << movie.GetLastErrorText();
  EXPECT_EQ(movie.GetFileName(), szOld);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(movie.AddFrame(MakePatternPicture(16, 16, i)), 0);
  movie.Abandon();
  EXPECT_EQ(ReadFileBytes(szOld), old);
  EXPECT_EQ(FolderEntries(m_dir.Path()).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Containers, WebMovieTest, testing::Values(MovieContainer::Mp4, MovieContainer::WebM),
                         [](const testing::TestParamInfo<MovieContainer>& info) {
                           return std::string(MovieContainerExtension(info.param));
                         });

// A 24-bit picture as the off-screen renderer hands frames over (32-bit, bottom-up).
FrameBitmap BitmapOf(const CPicture& picture) {
  FrameBitmap bitmap;
  bitmap.nWidth = static_cast<int>(picture.GetWidth());
  bitmap.nHeight = static_cast<int>(picture.GetHeight());
  bitmap.bits.resize(static_cast<size_t>(bitmap.Stride()) * bitmap.nHeight);
  for (int r = 0; r < bitmap.nHeight; ++r)
    for (int x = 0; x < bitmap.nWidth; ++x) {
      std::copy_n(picture.GetBits() + static_cast<size_t>(r) * picture.GetEffWidth() + 3 * x, 3, bitmap.Row(r) + 4 * x);
      bitmap.Row(r)[4 * x + 3] = 0;  // the read-back's unused byte
    }
  return bitmap;
}

class AnimationWriterTest : public testing::TestWithParam<MovieContainer> {
 protected:
  std::string Extension() const { return MovieContainerExtension(GetParam()); }
  TempDir m_dir;
};

// True colour at the odd size asked for, every frame once with its delay, the loop count in
// the file; APNG is lossless, WebP close to what went in.
TEST_P(AnimationWriterTest, FramesLoopCountAndDelaysComeBack) {
  const bool bPng = GetParam() == MovieContainer::Apng;
  std::vector<CPicture> frames;
  for (int nLoops : {3, 0}) {
    SCOPED_TRACE(nLoops);
    const std::string szName = m_dir.File("loops" + std::to_string(nLoops));
    CAnimationFrameWriter writer(szName, GetParam(), 33, 25, 20, nLoops);
    EXPECT_EQ(writer.GetFileName(), szName + "." + Extension());
    ASSERT_TRUE(writer.Begin()) << writer.GetLastResult().FullText();
    frames.clear();
    for (int i = 0; i < 6; ++i) {
      frames.push_back(MakePatternPicture(33, 25, 3 * i));
      ASSERT_TRUE(writer.WriteFrame(BitmapOf(frames.back()), i)) << writer.GetLastResult().FullText();
    }
    ASSERT_TRUE(writer.Finish()) << writer.GetLastResult().FullText();

    const AnimationProbe back = ProbeAnimation(writer.GetFileName());
    ASSERT_TRUE(back.bOpened) << back.szError;
    EXPECT_EQ(back.szFormat, bPng ? "PNG" : "WEBP");
    EXPECT_EQ(back.nWidth, 33);
    EXPECT_EQ(back.nHeight, 25);
    EXPECT_EQ(back.nLoop, nLoops);
    EXPECT_EQ(back.durations, std::vector<int>(6, 50));
    ASSERT_EQ(back.frames.size(), 6u);
    for (int i = 0; i < 6; ++i) {
      const std::vector<uint8_t> sent = TopDownRgb(frames[static_cast<size_t>(i)]);
      if (bPng) {
        EXPECT_EQ(back.frames[static_cast<size_t>(i)], sent) << "frame " << i;
      } else {
        const double fDiff = MeanAbsoluteDifference(back.frames[static_cast<size_t>(i)], sent);
        EXPECT_LT(fDiff, 10.0) << "frame " << i;  // a pattern with no two neighbours alike: lossy's worst case
        EXPECT_GT(MeanAbsoluteDifference(back.frames[static_cast<size_t>(i)], TopDownRgb(frames[(i + 3) % 6])), fDiff);
      }
    }
  }
  if (bPng) {
    // FFmpeg's own decoder reads the same frames.
    const AviProbe probe = ProbeAvi(m_dir.File("loops0.apng"), true);
    EXPECT_EQ(probe.nPackets, 6);
    ASSERT_EQ(probe.frames.size(), 6u);
    EXPECT_EQ(MeanAbsoluteDifference(probe.frames[5], TopDownPixels(frames[5])), 0.0);
  }
  EXPECT_EQ(FolderEntries(m_dir.Path()).size(), 2u);
}

TEST_P(AnimationWriterTest, AnAbandonedAnimationKeepsTheOldFile) {
  const std::string szOld = m_dir.File("keep." + Extension());
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  WriteFileBytes(szOld, old);
  CAnimationFrameWriter writer(szOld, GetParam(), 33, 25, 20, 0);
  ASSERT_TRUE(writer.Begin()) << writer.GetLastResult().FullText();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(writer.WriteFrame(BitmapOf(MakePatternPicture(33, 25, i)), i));
  writer.Abandon();
  EXPECT_EQ(ReadFileBytes(szOld), old);
  EXPECT_EQ(FolderEntries(m_dir.Path()).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Containers, AnimationWriterTest, testing::Values(MovieContainer::WebP, MovieContainer::Apng),
                         [](const testing::TestParamInfo<MovieContainer>& info) {
                           return std::string(MovieContainerExtension(info.param));
                         });

TEST(MovieContainerTest, ExtensionChoosesTheContainerAndItsEncoders) {
  EXPECT_EQ(MovieContainerForPath("a/b.MP4"), MovieContainer::Mp4);
  EXPECT_EQ(MovieContainerForPath("b.webm"), MovieContainer::WebM);
  EXPECT_EQ(MovieContainerForPath("b.mp4/c"), MovieContainer::Avi);
  EXPECT_EQ(MovieContainerForPath("clip.avi"), MovieContainer::Avi);
  EXPECT_EQ(MovieContainerForPath("a.WebP"), MovieContainer::WebP);
  EXPECT_EQ(MovieContainerForPath("a.apng"), MovieContainer::Apng);
  EXPECT_EQ(MovieContainerForPath("a.png"), MovieContainer::Avi);
  // Each container offers only its own encoders.
  EXPECT_EQ(FindMovieCodec(AvailableMovieCodecs(MovieContainer::Mp4), "mjpeg"), -1);
  EXPECT_EQ(FindMovieCodec(AvailableMovieCodecs(MovieContainer::Avi), "h264"), -1);
  EXPECT_EQ(MovieEncoderName("vp9", MovieContainer::Avi), nullptr);
  EXPECT_STREQ(MovieEncoderName("vp9", MovieContainer::WebM), "libvpx-vp9");
}

}  // namespace

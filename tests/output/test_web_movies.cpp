// MP4 and WebM through CAviWriter: read back with FFmpeg's decoders (size, rate, frame count,
// pixels within a tolerance), and written all-or-nothing like every other output. Animated
// WebP and APNG: read back by Pillow (frames, loop count, delays) and, for APNG, by FFmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "output/AviWriter.h"
#include "support/AnimationProbe.h"
#include "support/AviProbe.h"
#include "support/MovieChecks.h"
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

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(dir); it != std::filesystem::directory_iterator(); ++it) ++n;
  return n;
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
  EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);  // no temporary left beside it
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
  EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(Containers, WebMovieTest, testing::Values(MovieContainer::Mp4, MovieContainer::WebM),
                         [](const testing::TestParamInfo<MovieContainer>& info) {
                           return std::string(MovieContainerExtension(info.param));
                         });

class AnimationWriterTest : public testing::TestWithParam<MovieContainer> {
 protected:
  bool OpenAnimation(CAviWriter& movie, const std::string& szName, int nLoops) {
    movie.SetContainer(GetParam());
    movie.SetRate(20);
    movie.SetLoops(nLoops);
    movie.SetFrameFormat(33, 25);
    movie.SetFileName(m_dir.File(szName));
    movie.EnsureMovieExtension();
    return movie.Open() == 0;
  }
  TempDir m_dir;
};

// True colour at the odd size asked for, every frame once with its delay, the loop count in
// the file; APNG is lossless, WebP close to what went in.
TEST_P(AnimationWriterTest, FramesLoopCountAndDelaysComeBack) {
  const bool bPng = GetParam() == MovieContainer::Apng;
  std::vector<CPicture> frames;
  for (int nLoops : {3, 0}) {
    SCOPED_TRACE(nLoops);
    CAviWriter movie;
    const std::string szName = "loops" + std::to_string(nLoops);
    ASSERT_TRUE(OpenAnimation(movie, szName, nLoops)) << movie.GetLastErrorText();
    EXPECT_EQ(movie.GetFileName(), m_dir.File(szName + "." + MovieContainerExtension(GetParam())));
    ASSERT_EQ(movie.GetFrameFormat().biWidth, 33);
    ASSERT_EQ(movie.GetFrameFormat().biHeight, 25);
    frames.clear();
    for (int i = 0; i < 6; ++i) {
      frames.push_back(MakePatternPicture(33, 25, 3 * i));
      ASSERT_EQ(movie.AddFrame(frames.back()), 0) << movie.GetLastErrorText();
    }
    ASSERT_EQ(movie.Close(), 0) << movie.GetLastErrorText();

    const AnimationProbe back = ProbeAnimation(movie.GetFileName());
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
    // FFmpeg's own decoder reads the same frame count.
    const AviProbe probe = ProbeAvi(m_dir.File("loops0.apng"));
    EXPECT_EQ(probe.nPackets, 6);
  }
  EXPECT_EQ(EntriesIn(m_dir.Path()), 2u);
}

TEST_P(AnimationWriterTest, AnAbandonedAnimationKeepsTheOldFile) {
  const std::string szOld = m_dir.File(std::string("keep.") + MovieContainerExtension(GetParam()));
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  WriteFileBytes(szOld, old);
  CAviWriter movie;
  ASSERT_TRUE(OpenAnimation(movie, std::string("keep.") + MovieContainerExtension(GetParam()), 0));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(movie.AddFrame(MakePatternPicture(33, 25, i)), 0);
  movie.Abandon();
  EXPECT_EQ(ReadFileBytes(szOld), old);
  EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);
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
  EXPECT_EQ(FindAviCodec(AvailableAviCodecs(MovieContainer::Mp4), "mjpeg"), -1);
  EXPECT_EQ(FindAviCodec(AvailableAviCodecs(MovieContainer::Avi), "h264"), -1);
  EXPECT_EQ(AviEncoderName("vp9", MovieContainer::Avi), nullptr);
  EXPECT_STREQ(AviEncoderName("vp9", MovieContainer::WebM), "libvpx-vp9");
}

}  // namespace

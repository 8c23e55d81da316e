// Files written by another program: ImageMagick's `convert` writes one pattern picture in every
// format both sides know, and our decoders must read back the pixels ImageMagick itself reads
// from that file (and, for lossless full-colour formats, the original pattern exactly).
// The animated GIF writer is checked the other way round, with identify and ffprobe.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/Picture.h"
#include "support/TestSupport.h"

namespace {

constexpr int kSide = 32;  // small enough for ICO, large enough that a flip or shift shows

struct CommandOutput {
  int nExitCode = -1;
  std::string szOut;  // standard output only; binary safe
};

CommandOutput RunCommand(const std::string& command) {
  CommandOutput r;
  FILE* fp = popen(command.c_str(), "r");
  if (!fp) return r;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) r.szOut.append(buf, n);
  const int status = pclose(fp);
  r.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

bool HaveTool(const std::string& name) {
  return RunCommand("command -v " + name + " > /dev/null 2>&1").nExitCode == 0;
}

// Format names `convert -list format` marks as writable ("rw-", "rw+"), without the '*'.
const std::set<std::string>& WritableFormats() {
  static const std::set<std::string> formats = [] {
    std::set<std::string> out;
    std::istringstream lines(RunCommand("convert -list format 2>/dev/null").szOut);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      std::string name, module, mode;
      if (!(words >> name >> module >> mode) || mode.size() != 3 || mode[1] != 'w') continue;
      if (!name.empty() && name.back() == '*') name.pop_back();
      out.insert(name);
    }
    return out;
  }();
  return formats;
}

// ImageMagick's own reading of a file: RGBA bytes, rows top first.
std::vector<uint8_t> ImageMagickPixels(const std::string& path) {
  CommandOutput r = RunCommand("convert " + ShellQuote(path) + "'[0]' -depth 8 rgba:- 2>/dev/null");
  if (r.nExitCode != 0) return {};
  return std::vector<uint8_t>(r.szOut.begin(), r.szOut.end());
}

enum class Expect {
  kExact,      // lossless full colour: the pattern itself, and what ImageMagick reads
  kReference,  // reduced by convert (palette, grey, black/white): exactly what ImageMagick reads
  kFlipped,    // TGA from ImageMagick 6.9: rows stored top first although the header says bottom
               // first; we follow the header, so we see the pattern upside down
  kLossy,      // JPEG: close to what ImageMagick reads
};

struct InteropCase {
  const char* szName;
  const char* szCoder;    // must be writable by convert, else the case is skipped
  const char* szOptions;  // convert options before the output
  const char* szOutput;   // output file name, with a coder prefix where needed
  int nType;              // our type code, 0 = detect
  Expect expect;
  const char* szProbe;  // identify -format text proving what convert wrote ("" = no check)
  const char* szProbeValue;
  bool bAlpha;  // compare the alpha channel too
};

// The pattern gets a varying alpha for the RGBA case, so a decoder that drops it fails.
const InteropCase kCases[] = {
    {"bmp24", "BMP", "-type TrueColor", "BMP3:o24.bmp", PICTURE_BMP, Expect::kExact, "%z", "8", false},
    {"bmp8", "BMP3", "-colors 200 -type Palette", "BMP3:o8.bmp", PICTURE_BMP, Expect::kReference, "", "", false},
    {"bmp_rle8", "BMP3", "-colors 200 -type Palette -compress RLE", "BMP3:orle.bmp", PICTURE_BMP,
     Expect::kReference, "%C", "RLE", false},
    {"gif", "GIF", "", "o.gif", PICTURE_GIF, Expect::kReference, "", "", false},
    {"jpeg", "JPEG", "-quality 92", "o.jpg", PICTURE_JPEG, Expect::kLossy, "", "", false},
    {"png_rgb", "PNG24", "", "PNG24:orgb.png", PICTURE_PNG, Expect::kExact, "%[png:IHDR.color-type-orig]", "2",
     false},
    {"png_grey", "PNG", "-colorspace Gray", "PNG:ogrey.png", PICTURE_PNG, Expect::kReference,
     "%[png:IHDR.color-type-orig]", "0", false},
    {"png_palette", "PNG8", "", "PNG8:opal.png", PICTURE_PNG, Expect::kReference, "%[png:IHDR.color-type-orig]",
     "3", false},
    {"png_rgba", "PNG32", "-alpha set -channel A -fx '(i+j)/(w+h)' +channel", "PNG32:orgba.png", PICTURE_PNG,
     Expect::kReference, "%[png:IHDR.color-type-orig]", "6", true},
    {"tiff_none", "TIFF", "-compress None", "onone.tif", PICTURE_TIFF, Expect::kExact, "%C", "None", false},
    {"tiff_lzw", "TIFF", "-compress LZW", "olzw.tif", PICTURE_TIFF, Expect::kExact, "%C", "LZW", false},
    {"tiff_deflate", "TIFF", "-compress Zip", "ozip.tif", PICTURE_TIFF, Expect::kExact, "%C", "Zip", false},
    {"tga", "TGA", "", "o.tga", PICTURE_TGA, Expect::kFlipped, "", "", false},
    {"pcx", "PCX", "", "o.pcx", PICTURE_PCX, Expect::kExact, "", "", false},
    {"ico", "ICO", "", "o.ico", PICTURE_ICO, Expect::kExact, "", "", false},
    {"wbmp", "WBMP", "-monochrome", "o.wbmp", PICTURE_WBMP, Expect::kReference, "", "", false},
    {"ppm", "PPM", "", "o.ppm", PICTURE_PNM, Expect::kExact, "", "", false},
    {"pgm", "PGM", "-colorspace Gray", "o.pgm", PICTURE_PNM, Expect::kReference, "", "", false},
    {"pbm", "PBM", "-monochrome", "o.pbm", PICTURE_PNM, Expect::kReference, "", "", false},
    {"sun_rgb", "SUN", "-type TrueColor", "SUN:orgb.ras", PICTURE_RAS, Expect::kExact, "", "", false},
    {"sun_palette", "SUN", "-colors 64 -type Palette", "SUN:opal.ras", PICTURE_RAS, Expect::kReference, "", "",
     false},
    {"pgx", "PGX", "-colorspace Gray", "o.pgx", PICTURE_PGX, Expect::kReference, "", "", false},
    {"jp2", "JP2", "", "o.jp2", PICTURE_JP2, Expect::kExact, "", "", false},
    {"j2k", "J2K", "", "o.j2k", PICTURE_JPC, Expect::kExact, "", "", false},
    {"detect_tiff", "TIFF", "-compress LZW", "odetect.tif", PICTURE_UNKNOWN, Expect::kExact, "", "", false},
};

void PrintTo(const InteropCase& c, std::ostream* os) { *os << c.szName; }

class ImageMagickInterop : public ::testing::TestWithParam<InteropCase> {};

TEST_P(ImageMagickInterop, OurDecoderReadsWhatConvertWrote) {
  const InteropCase& c = GetParam();
  if (!HaveTool("convert") || !HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  if (!WritableFormats().count(c.szCoder)) GTEST_SKIP() << "convert cannot write " << c.szCoder << " here";

  TempDir dir;
  const CPicture pattern = MakePatternPicture(kSide, kSide, 3);
  const std::string source = dir.File("source.png");
  ASSERT_TRUE(pattern.Save(source, PICTURE_PNG)) << pattern.GetLastError();

  std::string output = c.szOutput;
  const size_t colon = output.find(':');
  const std::string prefix = colon == std::string::npos ? "" : output.substr(0, colon + 1);
  const std::string file = dir.File(output.substr(colon == std::string::npos ? 0 : colon + 1));
  const std::string command = "convert " + ShellQuote(source) + " -depth 8 " + c.szOptions + " " +
                              ShellQuote(prefix + file) + " 2>&1";
  const CommandOutput written = RunCommand(command);
  ASSERT_EQ(written.nExitCode, 0) << command << "\n" << written.szOut;
  if (*c.szProbe) {
    const std::string probe = RunCommand("identify -format '" + std::string(c.szProbe) + "' " + ShellQuote(file)).szOut;
    ASSERT_EQ(probe, c.szProbeValue) << "convert did not write the variant this case is about: " << command;
  }

  const std::vector<uint8_t> reference = ImageMagickPixels(file);
  ASSERT_EQ(reference.size(), size_t(kSide) * kSide * 4) << "ImageMagick cannot read back " << file;

  // Decode, not Load: Load falls back to detection, which would hide a failing typed decoder.
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  CPicture ours;
  ASSERT_TRUE(ours.Decode(bytes.data(), bytes.size(), c.nType)) << ours.GetLastError();
  EXPECT_EQ(ours.GetType(), c.nType == PICTURE_UNKNOWN ? PICTURE_TIFF : c.nType);
  ASSERT_EQ(ours.GetWidth(), kSide);
  ASSERT_EQ(ours.GetHeight(), kSide);
  if (c.bAlpha) {
    ASSERT_TRUE(ours.HasAlpha()) << "alpha channel dropped";
  }

  int worst = 0, mismatches = 0;
  std::string first;
  for (int row = 0; row < kSide; ++row) {  // row 0 = top; our y = 0 is the bottom row
    for (int x = 0; x < kSide; ++x) {
      const int y = kSide - 1 - row;
      const RgbQuad got = ours.GetPixelColor(x, y);
      const uint8_t* ref = &reference[(size_t(row) * kSide + x) * 4];
      int want[4] = {ref[0], ref[1], ref[2], ref[3]};
      if (c.expect == Expect::kExact || c.expect == Expect::kFlipped) {
        const RgbQuad p = pattern.GetPixelColor(x, c.expect == Expect::kFlipped ? kSide - 1 - y : y);
        if (c.expect == Expect::kExact) {
          EXPECT_TRUE(ref[0] == p.rgbRed && ref[1] == p.rgbGreen && ref[2] == p.rgbBlue)
              << "ImageMagick changed the pattern at " << x << "," << row;
        }
        want[0] = p.rgbRed;
        want[1] = p.rgbGreen;
        want[2] = p.rgbBlue;
      }
      const int have[4] = {got.rgbRed, got.rgbGreen, got.rgbBlue, got.rgbReserved};
      for (int ch = 0; ch < (c.bAlpha ? 4 : 3); ++ch) {
        const int d = std::abs(have[ch] - want[ch]);
        if (d > worst) worst = d;
        if (d != 0 && mismatches++ == 0)
          first = "first at x=" + std::to_string(x) + " row=" + std::to_string(row) + " channel " +
                  std::to_string(ch) + ": " + std::to_string(have[ch]) + " vs " + std::to_string(want[ch]);
      }
    }
  }
  if (c.expect == Expect::kLossy) {
    EXPECT_LE(worst, 8) << first;  // both sides use libjpeg; only rounding in upsampling may differ
  } else {
    EXPECT_EQ(mismatches, 0) << first;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageMagickInterop, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<InteropCase>& info) { return info.param.szName; });

// Three palette frames with their own delays and a loop count, written by our GIF writer.
TEST(ImageMagickInterop, AnimatedGifFramesDelaysAndLoopsAsOthersSeeThem) {
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  TempDir dir;
  std::vector<CPicture> frames;
  const int delays[3] = {10, 25, 40};
  for (int i = 0; i < 3; ++i) {
    CPicture f = MakePatternPicture(kSide, kSide, i * 5);
    ASSERT_TRUE(f.DecreaseBpp(8, false));
    f.SetFrameDelay(delays[i]);
    frames.push_back(std::move(f));
  }
  CPicture* list[3] = {&frames[0], &frames[1], &frames[2]};
  CPictureGIF gif;
  gif.SetLoops(90);
  const std::string path = dir.File("anim.gif");
  FILE* fp = std::fopen(path.c_str(), "wb");
  ASSERT_NE(fp, nullptr);
  const bool ok = gif.Encode(fp, list, 3, true);
  std::fclose(fp);
  ASSERT_TRUE(ok) << gif.GetLastError();

  const CommandOutput scenes = RunCommand("identify -format '%T %s %wx%h\\n' " + ShellQuote(path));
  ASSERT_EQ(scenes.nExitCode, 0);
  EXPECT_EQ(scenes.szOut, "10 0 32x32\n25 1 32x32\n40 2 32x32\n");

  // The NETSCAPE block stores the repeats after the first play (89); ImageMagick 6.9 adds the
  // first play back and reports the plays in all (90), so both readings are checked.
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  const std::string text(bytes.begin(), bytes.end());
  const size_t netscape = text.find("NETSCAPE2.0");
  ASSERT_NE(netscape, std::string::npos) << "no loop block";
  ASSERT_GE(text.size(), netscape + 16);
  EXPECT_EQ(uint8_t(text[netscape + 13]) | (uint8_t(text[netscape + 14]) << 8), 89);
  const CommandOutput verbose = RunCommand("identify -verbose " + ShellQuote(path) + " | grep Iterations");
  EXPECT_EQ(verbose.szOut, "  Iterations: 90\n  Iterations: 90\n  Iterations: 90\n");

  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed; ImageMagick checks passed";
  const CommandOutput probe = RunCommand(
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames,width,height "
      "-of default=noprint_wrappers=1 " +
      ShellQuote(path));
  ASSERT_EQ(probe.nExitCode, 0);
  EXPECT_EQ(probe.szOut, "width=32\nheight=32\nnb_read_frames=3\n");
}

}  // namespace

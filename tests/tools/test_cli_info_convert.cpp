// kestrelle-cli info and convert, run as the user runs them.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <string>

#include "image/Picture.h"
#include "support/PictureChecks.h"
#include "support/TestSupport.h"

namespace {

CPicture MakePalettePicture(int w, int h) {
  CPicture pic(PICTURE_BMP);
  pic.Create(w, h, 8, PICTURE_BMP);
  RgbQuad pal[256];
  for (int i = 0; i < 256; ++i) {
    pal[i].rgbRed = uint8_t(i);
    pal[i].rgbGreen = uint8_t(255 - i);
    pal[i].rgbBlue = uint8_t(i * 3);
  }
  pic.SetPalette(pal, 256);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pic.SetPixelIndex(x, y, uint8_t(x * 5 + y));
  return pic;
}

TEST(CliInfo, PrintsTypeSizeAndDepthAsOneJsonLine) {
  TempDir dir;
  ASSERT_TRUE(MakePatternPicture(33, 17).Save(dir.File("p.png"), PICTURE_PNG));
  const CliResult r = RunCli({"info", dir.File("p.png")});
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  EXPECT_EQ(r.szOut, "{\"type\":4,\"width\":33,\"height\":17,\"bpp\":24}\n");
}

TEST(CliInfo, DetectsTheFormatBehindAnUnknownExtension) {
  TempDir dir;
  ASSERT_TRUE(MakePalettePicture(9, 4).Save(dir.File("pic.dat"), PICTURE_TIFF));
  const CliResult r = RunCli({"info", dir.File("pic.dat")});
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  const auto j = nlohmann::json::parse(r.szOut);
  EXPECT_EQ(j["type"], PICTURE_TIFF);
  EXPECT_EQ(j["width"], 9);
  EXPECT_EQ(j["height"], 4);
  EXPECT_EQ(j["bpp"], 8);
}

TEST(CliInfo, FailuresGoToStandardErrorWithExitOne) {
  TempDir dir;
  WriteFileBytes(dir.File("junk.png"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  const CliResult junk = RunCli({"info", dir.File("junk.png")});
  EXPECT_EQ(junk.nExitCode, 1);
  EXPECT_TRUE(junk.szOut.empty());
  EXPECT_NE(junk.szErr.find("PNG"), std::string::npos) << junk.szErr;  // the expected format's failure

  const CliResult missing = RunCli({"info", dir.File("absent.bmp")});
  EXPECT_EQ(missing.nExitCode, 1);
  EXPECT_FALSE(missing.szErr.empty());
}

TEST(CliConvert, LosslessFormatsKeepEveryPixel) {
  TempDir dir;
  const CPicture src = MakePatternPicture(31, 19, 2);
  ASSERT_TRUE(src.Save(dir.File("in.png"), PICTURE_PNG));
  ASSERT_EQ(RunCli({"convert", dir.File("in.png"), dir.File("out.bmp")}).nExitCode, 0);
  ASSERT_EQ(RunCli({"convert", dir.File("out.bmp"), dir.File("again.png")}).nExitCode, 0);
  CPicture bmp(dir.File("out.bmp"), PICTURE_BMP), png(dir.File("again.png"), PICTURE_PNG);
  ASSERT_TRUE(bmp.IsValid()) << bmp.GetLastError();
  ASSERT_TRUE(png.IsValid()) << png.GetLastError();
  EXPECT_EQ(bmp.GetType(), PICTURE_BMP);
  EXPECT_EQ(png.GetType(), PICTURE_PNG);
  EXPECT_TRUE(SamePixels(src, bmp));
  EXPECT_TRUE(SamePixels(src, png));
}

TEST(CliConvert, PalettePicturesBecomeJpegThroughTrueColour) {
  TempDir dir;
  ASSERT_TRUE(MakePalettePicture(24, 12).Save(dir.File("pal.bmp"), PICTURE_BMP));
  const CliResult r = RunCli({"convert", dir.File("pal.bmp"), dir.File("pal.jpg")});
  ASSERT_EQ(r.nExitCode, 0) << r.szErr;
  CPicture jpg(dir.File("pal.jpg"), PICTURE_JPEG);
  ASSERT_TRUE(jpg.IsValid()) << jpg.GetLastError();
  EXPECT_EQ(jpg.GetType(), PICTURE_JPEG);
  EXPECT_EQ(jpg.GetBpp(), 24);
  EXPECT_EQ(jpg.GetWidth(), 24);
}

TEST(CliConvert, FailuresExitNonZeroAndLeaveExistingFilesAlone) {
  TempDir dir;
  ASSERT_TRUE(MakePatternPicture(8, 8).Save(dir.File("in.png"), PICTURE_PNG));

  const CliResult unknown = RunCli({"convert", dir.File("in.png"), dir.File("out.xyz")});
  EXPECT_NE(unknown.nExitCode, 0);
  EXPECT_NE(unknown.szErr.find("Encode: Unknown format"), std::string::npos) << unknown.szErr;
  EXPECT_TRUE(ReadFileBytes(dir.File("out.xyz")).empty());

  const CliResult unwritable =
      RunCli({"convert", dir.File("in.png"), dir.File("no-such-folder/out.png")});
  EXPECT_NE(unwritable.nExitCode, 0);
  EXPECT_FALSE(unwritable.szErr.empty());

  // An existing output survives a conversion that cannot be done.
  WriteFileBytes(dir.File("keep.png"), {'k', 'e', 'e', 'p'});
  const CliResult badInput = RunCli({"convert", dir.File("absent.png"), dir.File("keep.png")});
  EXPECT_NE(badInput.nExitCode, 0);
  WriteFileBytes(dir.File("keep.ico"), {'k', 'e', 'e', 'p'});
  const CliResult noEncoder = RunCli({"convert", dir.File("in.png"), dir.File("keep.ico")});
  EXPECT_NE(noEncoder.nExitCode, 0);
  EXPECT_EQ(ReadFileBytes(dir.File("keep.png")), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
  EXPECT_EQ(ReadFileBytes(dir.File("keep.ico")), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
  // No half-written temporary file (or anything else) is left beside the outputs.
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"in.png", "keep.ico", "keep.png"}));
}

}  // namespace

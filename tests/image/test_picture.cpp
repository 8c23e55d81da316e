// CPicture basics: allocation limits, rows, copies, pixels, file and memory loading, saving.
#include <gtest/gtest.h>

#include <cstring>

#include "image/ImageTestUtil.h"
#include "support/TestSupport.h"
#include "image/Codecs.h"
#include "image/Resources.h"

using namespace imgtest;

TEST(PictureCreate, RoundsBitsAndLaysOutRows) {
  const int cases[][2] = {{0, 1}, {1, 1}, {2, 4}, {4, 4}, {5, 8}, {8, 8}, {16, 24}, {24, 24}, {32, 24}};
  for (const auto& c : cases) {
    CPicture pic;
    ASSERT_TRUE(pic.Create(13, 7, c[0], PICTURE_PNG)) << c[0];
    EXPECT_EQ(pic.GetBpp(), c[1]);
    EXPECT_EQ(pic.GetType(), PICTURE_PNG);
    EXPECT_EQ(pic.GetEffWidth(), uint32_t(((13 * c[1] + 31) / 32) * 4));
    EXPECT_EQ(pic.GetNumColors(), c[1] <= 8 ? (1u << c[1]) : 0u);
    EXPECT_EQ(pic.GetDibSize(), 40 + pic.GetPaletteSize() + pic.GetEffWidth() * 7);
    EXPECT_EQ(pic.GetXDPI(), 96);
    // The DIB starts with a header that matches the picture.
    BitmapInfoHeader head;
    std::memcpy(&head, pic.GetDib(), sizeof head);
    EXPECT_EQ(head.biWidth, 13);
    EXPECT_EQ(head.biHeight, 7);
    EXPECT_EQ(head.biBitCount, c[1]);
    EXPECT_EQ(head.biSizeImage, pic.GetEffWidth() * 7);
    for (uint32_t i = 0; i < pic.GetNumColors(); ++i) {
      EXPECT_TRUE(SameColor(pic.GetPalette()[i], RgbQuad()));
    }
  }
}

TEST(PictureCreate, RefusesImpossibleSizesWithItsTexts) {
  const char* zero = "CPicture::Create : width and height must be greater than zero";
  const char* memory = "CPicture::Create can't allocate memory";
  struct Case {
    int w, h;
    const char* text;
  } cases[] = {{0, 5, zero},       {5, 0, zero},           {-3, 5, zero},
               {5, -1, zero},      {70000, 1, memory},     {1, 70000, memory},
               {65535, 65535, memory}, {20000, 20000, memory}};
  for (const Case& c : cases) {
    CPicture pic = MakePatternPicture(3, 3);
    EXPECT_FALSE(pic.Create(c.w, c.h, 24, PICTURE_BMP)) << c.w << "x" << c.h;
    EXPECT_EQ(pic.GetLastError(), c.text);
    // The picture it held is untouched.
    EXPECT_TRUE(pic.IsValid());
    EXPECT_EQ(pic.GetWidth(), 3);
  }
}

TEST(PictureRows, GetBitsFollowsTheRowRules) {
  CPicture empty;
  EXPECT_EQ(empty.GetBits(0), nullptr);
  EXPECT_EQ(empty.GetBits(1), nullptr);
  EXPECT_FALSE(empty.IsValid());

  CPicture pic = MakePatternPicture(5, 4);
  uint8_t* start = pic.GetBits(0);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start, pic.GetDib() + 40);
  for (int r = 1; r < 4; ++r) EXPECT_EQ(pic.GetBits(r), start + r * pic.GetEffWidth());
  EXPECT_EQ(pic.GetBits(4), nullptr);
  EXPECT_EQ(pic.GetBits(5), nullptr);
  EXPECT_EQ(pic.GetBits(-1), nullptr);
  // Row 0 is the bottom of the picture: pixel (x, 0) lives there.
  RgbQuad c = pic.GetPixelColor(2, 0);
  EXPECT_EQ(start[2 * 3], c.rgbBlue);
  EXPECT_EQ(start[2 * 3 + 2], c.rgbRed);

  CPicture pal(PICTURE_BMP);
  ASSERT_TRUE(pal.Create(3, 2, 8, PICTURE_BMP));
  EXPECT_EQ(pal.GetBits(0), pal.GetDib() + 40 + 1024);
}

TEST(PicturePixels, IndexAndColorAccessForEveryDepth) {
  for (int bits : {1, 4, 8}) {
    CPicture pic = MakeIndexedPicture(19, 5, bits, 7);
    CPicture copy = pic;
    const int n = 1 << bits;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 19; ++x) {
        uint8_t idx = static_cast<uint8_t>((x * 3 + y) % n);
        pic.SetPixelIndex(x, y, idx);
        EXPECT_EQ(pic.GetPixelIndex(x, y), idx);
        EXPECT_TRUE(SameColor(pic.GetPixelColor(x, y), pic.GetPaletteColor(idx)));
      }
    // Writing a pixel did not disturb its neighbours in the same byte.
    pic.SetPixelIndex(4, 2, static_cast<uint8_t>(n - 1));
    EXPECT_EQ(pic.GetPixelIndex(3, 2), (3 * 3 + 2) % n);
    EXPECT_EQ(pic.GetPixelIndex(5, 2), (5 * 3 + 2) % n);
    // A colour set on a palette picture takes the nearest entry.
    pic.SetPixelColor(0, 0, pic.GetPaletteColor(static_cast<uint8_t>(n - 1)));
    EXPECT_EQ(pic.GetPixelIndex(0, 0), n - 1);
    // Outside the picture: nothing written, black read.
    pic.SetPixelIndex(19, 0, 1);
    pic.SetPixelIndex(-1, 0, 1);
    EXPECT_EQ(pic.GetPixelIndex(19, 0), 0);
    EXPECT_TRUE(SameColor(pic.GetPixelColor(0, 5), RgbQuad()));
    EXPECT_FALSE(SamePixels(pic, copy));
  }
}

TEST(PicturePlanes, AlphaAndSelectionFollowCopies) {
  CPicture pic = MakePatternPicture(4, 3);
  EXPECT_EQ(pic.AlphaGetPointer(), nullptr);
  ASSERT_TRUE(pic.AlphaCreate());
  EXPECT_EQ(*pic.AlphaGetPointer(3, 2), 255);
  *pic.AlphaGetPointer(1, 2) = 40;
  EXPECT_EQ(pic.AlphaGetPointer(4, 0), nullptr);
  EXPECT_EQ(pic.GetPixelColor(1, 2).rgbReserved, 40);
  ASSERT_TRUE(pic.SelectionCreate());
  pic.SetTransIndex(5);
  pic.SetFrameDelay(7);

  CPicture all(pic, true, true, true);
  EXPECT_TRUE(SamePixels(all, pic));
  EXPECT_TRUE(all.HasAlpha());
  EXPECT_TRUE(all.HasSelection());
  EXPECT_EQ(*all.AlphaGetPointer(1, 2), 40);
  EXPECT_EQ(all.GetTransIndex(), 5);
  EXPECT_EQ(all.GetFrameDelay(), 7);

  CPicture shape(pic, false, false, false);
  EXPECT_EQ(shape.GetWidth(), 4);
  EXPECT_EQ(shape.GetBpp(), 24);
  EXPECT_FALSE(shape.HasAlpha());
  EXPECT_FALSE(shape.HasSelection());
  EXPECT_TRUE(SameColor(shape.GetPixelColor(3, 2), RgbQuad()));

  CPicture palSrc = MakeIndexedPicture(6, 2, 4);
  CPicture palShape(palSrc, false, true, true);
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(SameColor(palShape.GetPaletteColor(static_cast<uint8_t>(i)), palSrc.GetPaletteColor(static_cast<uint8_t>(i))));

  // Copies are deep.
  CPicture assigned;
  assigned = pic;
  assigned.SetPixelColor(0, 0, Rgb(1, 2, 3));
  *assigned.AlphaGetPointer(0, 0) = 9;
  EXPECT_FALSE(SameColor(pic.GetPixelColor(0, 0), Rgb(1, 2, 3)));
  EXPECT_EQ(*pic.AlphaGetPointer(0, 0), 255);
}

TEST(PictureExtensions, TableOfTypeCodes) {
  const std::pair<const char*, int> cases[] = {
      {"a.bmp", 1},  {"a.gif", 2},     {"a.jpg", 3},   {"a.JPEG", 3}, {"x/y.png", 4}, {"i.ico", 5},
      {"t.tiff", 6}, {"t.TIF", 6},     {"t.tga", 7},   {"p.pcx", 8},  {"w.wbmp", 9},  {"m.wmf", 10},
      {"m.emf", 10}, {"j.jp2", 11},    {"j.j2k", 11},  {"j.jpc", 12}, {"j.j2c", 12},  {"g.pgx", 13},
      {"n.pnm", 14}, {"n.pgm", 14},    {"n.ppm", 14},  {"r.ras", 15}, {"a.dat", 0},   {"noext", 0},
      {"a.png.bak", 0}, {"dir.png/file", 0}, {"trailing.", 0}};
  for (const auto& c : cases) EXPECT_EQ(ImageTypeFromExtension(c.first), c.second) << c.first;
}

TEST(PictureLoad, ContentDecidesWhenTheNameLies) {
  TempDir dir;
  CPicture src = MakePatternPicture(16, 12);
  // A JPEG file named .bmp: the BMP attempt fails, detection finds the JPEG.
  ASSERT_TRUE(src.Save(dir.File("photo.bmp"), PICTURE_JPEG)) << src.GetLastError();
  CPicture jpg(dir.File("photo.bmp"), ImageTypeFromExtension(dir.File("photo.bmp")));
  ASSERT_TRUE(jpg.IsValid()) << jpg.GetLastError();
  EXPECT_EQ(jpg.GetType(), PICTURE_JPEG);
  EXPECT_EQ(jpg.GetWidth(), 16);

  // Unknown extensions load whatever supported content they hold.
  const std::pair<int, const char*> formats[] = {
      {PICTURE_BMP, "a.dat"}, {PICTURE_GIF, "b.dat"}, {PICTURE_PNG, "c.dat"}, {PICTURE_TGA, "d.dat"},
      {PICTURE_PCX, "e.dat"}, {PICTURE_TIFF, "f.dat"}};
  for (const auto& f : formats) {
    ASSERT_TRUE(src.Save(dir.File(f.second), f.first)) << f.first << ": " << src.GetLastError();
    CPicture pic;
    ASSERT_TRUE(pic.Load(dir.File(f.second), ImageTypeFromExtension(f.second))) << f.first << ": " << pic.GetLastError();
    EXPECT_EQ(pic.GetType(), f.first);
    EXPECT_EQ(pic.GetWidth(), 16);
    EXPECT_EQ(pic.GetHeight(), 12);
  }
}

TEST(PictureLoad, FailuresNameTheBrokenFormatElseTheExpectedOne) {
  TempDir dir;
  WriteFileBytes(dir.File("junk.bmp"), std::vector<uint8_t>(300, 0x55));
  CPicture pic;
  EXPECT_FALSE(pic.Load(dir.File("junk.bmp"), PICTURE_BMP));
  EXPECT_EQ(pic.GetLastError(), "Not a BMP");
  EXPECT_FALSE(pic.IsValid());

  EXPECT_FALSE(pic.Load(dir.File("junk.bmp"), PICTURE_UNKNOWN));
  EXPECT_EQ(pic.GetLastError(), "Decode: Unknown or wrong format");

  // Content with another format's signature that is broken says why, whatever the name: a
  // cut PNG named .jpg is a cut PNG, not an unknown format.
  std::vector<uint8_t> png = EncodeToBytes(MakePatternPicture(40, 30), PICTURE_PNG);
  png.resize(png.size() / 2);
  WriteFileBytes(dir.File("cut.jpg"), png);
  for (int type : {PICTURE_JPEG, PICTURE_UNKNOWN}) {
    EXPECT_FALSE(pic.Load(dir.File("cut.jpg"), type));
    EXPECT_EQ(pic.GetLastErrorKind(), ErrorKind::Truncated) << type << ": " << pic.GetLastError();
    EXPECT_EQ(pic.GetLastError().rfind("PNG", 0), 0u) << pic.GetLastError();
  }

  EXPECT_FALSE(pic.Load(dir.File("missing.png"), PICTURE_PNG));
  EXPECT_FALSE(pic.GetLastError().empty());

  // A failed load leaves the picture it held.
  CPicture keep = MakePatternPicture(5, 5);
  EXPECT_FALSE(keep.Load(dir.File("junk.bmp"), PICTURE_BMP));
  EXPECT_TRUE(keep.IsValid());
  EXPECT_TRUE(SamePixels(keep, MakePatternPicture(5, 5)));
}

TEST(PictureDecode, MemoryBlocksAndUnknownData) {
  CPicture src = MakePatternPicture(9, 4);
  std::vector<uint8_t> bmp = EncodeToBytes(src, PICTURE_BMP);
  CPicture fromBlock(bmp.data(), bmp.size(), PICTURE_BMP);
  ASSERT_TRUE(fromBlock.IsValid());
  EXPECT_TRUE(SamePixels(fromBlock, src));

  CPicture detected(bmp.data(), bmp.size(), PICTURE_UNKNOWN);
  EXPECT_EQ(detected.GetType(), PICTURE_BMP);

  CPicture none;
  const uint8_t junk[] = {1, 2, 3};
  EXPECT_FALSE(none.Decode(junk, sizeof junk, PICTURE_UNKNOWN));
  EXPECT_EQ(none.GetLastError(), "Decode: Unknown or wrong format");
  EXPECT_FALSE(none.Decode(nullptr, 0, PICTURE_BMP));
  EXPECT_FALSE(none.Decode(bmp.data(), bmp.size(), PICTURE_WMF));
  EXPECT_FALSE(none.GetLastError().empty());
}

TEST(PictureSave, ErrorsAreReportedAndNothingIsLeftBehind) {
  TempDir dir;
  CPicture pic = MakePatternPicture(4, 4);
  EXPECT_FALSE(pic.Save(dir.File("x.out"), 0));
  EXPECT_EQ(pic.GetLastError(), "Encode: Unknown format");
  EXPECT_FALSE(pic.Save(dir.File("x.out"), 16));
  EXPECT_EQ(pic.GetLastError(), "Encode: Unknown format");
  FILE* fp = std::tmpfile();
  EXPECT_FALSE(pic.Encode(fp, 99));
  EXPECT_EQ(pic.GetLastError(), "Encode: Unknown format");
  std::fclose(fp);

  EXPECT_FALSE(pic.Save(dir.File("no/such/folder/x.bmp"), PICTURE_BMP));
  EXPECT_FALSE(pic.GetLastError().empty());

  // TGA takes 8 or 24 bits only; the failed file is removed.
  CPicture mono = MakeIndexedPicture(4, 4, 1);
  EXPECT_FALSE(mono.Save(dir.File("m.tga"), PICTURE_TGA));
  EXPECT_EQ(mono.GetLastError(), "Bit depth must be 8 or 24");
  EXPECT_TRUE(ReadFileBytes(dir.File("m.tga")).empty());

  CPicture empty;
  EXPECT_FALSE(empty.Save(dir.File("e.bmp"), PICTURE_BMP));
  EXPECT_FALSE(empty.GetLastError().empty());
}

TEST(PictureResource, EmbeddedPicturesByNumber) {
  CPicture pic;
  EXPECT_FALSE(pic.LoadResource(987654, PICTURE_PNG));
  EXPECT_EQ(pic.GetLastError(), "Unable to load resource!");

  static std::vector<uint8_t> png = EncodeToBytes(MakePatternPicture(6, 3), PICTURE_PNG);
  ASSERT_FALSE(png.empty());
  RegisterPictureResource(987655, png.data(), png.size());
  ASSERT_TRUE(pic.LoadResource(987655, PICTURE_PNG)) << pic.GetLastError();
  EXPECT_EQ(pic.GetWidth(), 6);
  EXPECT_EQ(pic.GetHeight(), 3);
  RegisterPictureResource(987655, nullptr, 0);
  EXPECT_FALSE(pic.LoadResource(987655, PICTURE_PNG));
}

TEST(PictureDepth, IncreaseBpp24ExpandsThePalette) {
  for (int bits : {1, 4, 8}) {
    CPicture pal = MakeIndexedPicture(11, 3, bits, 3);
    CPicture wide = pal;
    ASSERT_TRUE(wide.IncreaseBpp24());
    EXPECT_EQ(wide.GetBpp(), 24);
    EXPECT_TRUE(SamePixels(wide, pal));
  }
  CPicture empty;
  EXPECT_FALSE(empty.IncreaseBpp24());
}

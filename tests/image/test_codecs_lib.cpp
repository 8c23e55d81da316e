// The library-backed codecs and the small published formats as the picture container uses
// them: saving and loading by file name, and detection from the content.
#include <gtest/gtest.h>

#include "LibCodecTestUtil.h"
#include "support/TestSupport.h"

namespace {

TEST(LibCodecContainer, SaveAndLoadByExtension) {
  TempDir dir;
  const CPicture src = MakeSmoothPicture(30, 20);
  struct Case {
    const char* file;
    int type;
    int tolerance;
  };
  for (const Case& c : {Case{"a.png", PICTURE_PNG, 0}, Case{"a.tif", PICTURE_TIFF, 0},
                        Case{"a.tiff", PICTURE_TIFF, 0}, Case{"a.jpg", PICTURE_JPEG, 24},
                        Case{"a.jpeg", PICTURE_JPEG, 24}}) {
    const std::string path = dir.File(c.file);
    ASSERT_EQ(ImageTypeFromExtension(path), c.type) << c.file;
    ASSERT_TRUE(src.Save(path, c.type)) << c.file << ": " << src.GetLastError();
    CPicture back(path, ImageTypeFromExtension(path));
    ASSERT_TRUE(back.IsValid()) << c.file << ": " << back.GetLastError();
    EXPECT_EQ(back.GetType(), c.type) << c.file;
    EXPECT_EQ(back.GetWidth(), 30);
    EXPECT_EQ(back.GetHeight(), 20);
    EXPECT_LE(MaxChannelDiff(src, back), c.tolerance) << c.file;
  }
}

TEST(LibCodecContainer, ContentDecidesWhenTheNameDoesNot) {
  TempDir dir;
  const CPicture src = MakePatternPicture(12, 10, 8);
  // A JPEG named .bmp: the BMP attempt fails, detection finds JPEG.
  ASSERT_TRUE(src.Save(dir.File("photo.bmp"), PICTURE_JPEG));
  CPicture jpeg;
  ASSERT_TRUE(jpeg.Load(dir.File("photo.bmp"), PICTURE_BMP)) << jpeg.GetLastError();
  EXPECT_EQ(jpeg.GetType(), PICTURE_JPEG);

  for (int type : {PICTURE_PNG, PICTURE_TIFF, PICTURE_JPEG}) {
    const std::string path = dir.File("data" + std::to_string(type) + ".dat");
    ASSERT_EQ(ImageTypeFromExtension(path), PICTURE_UNKNOWN);
    ASSERT_TRUE(src.Save(path, type));
    CPicture pic;
    ASSERT_TRUE(pic.Load(path, ImageTypeFromExtension(path))) << type << ": " << pic.GetLastError();
    EXPECT_EQ(pic.GetType(), type);
  }
}

TEST(LibCodecContainer, SmallFormatsAreFoundByNameAndByContent) {
  TempDir dir;
  const std::string ppm = "P6 2 1 255\n\x10\x20\x30\x40\x50\x60";
  const std::string pgx = std::string("PG ML + 8 2 1\n") + "\x05\x06";
  std::vector<uint8_t> ras;
  for (uint32_t v : {0x59A66A95u, 1u, 1u, 24u, 4u, 1u, 0u, 0u})
    for (int s = 24; s >= 0; s -= 8) ras.push_back(uint8_t(v >> s));
  ras.insert(ras.end(), {9, 8, 7, 0});
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
    int type;
  };
  for (const Case& c : {Case{"p.ppm", {ppm.begin(), ppm.end()}, PICTURE_PNM},
                        Case{"p.pgx", {pgx.begin(), pgx.end()}, PICTURE_PGX},
                        Case{"p.ras", ras, PICTURE_RAS}}) {
    WriteFileBytes(dir.File(c.name), c.bytes);
    WriteFileBytes(dir.File(c.name + ".dat"), c.bytes);
    for (const std::string& name : {c.name, c.name + ".dat"}) {
      CPicture pic;
      const std::string path = dir.File(name);
      ASSERT_TRUE(pic.Load(path, ImageTypeFromExtension(path))) << name << ": " << pic.GetLastError();
      EXPECT_EQ(pic.GetType(), c.type) << name;
    }
  }
}

TEST(LibCodecContainer, DamagedFileKeepsTheExpectedFormatsMessage) {
  TempDir dir;
  const CPicture src = MakePatternPicture(12, 10);
  ASSERT_TRUE(src.Save(dir.File("cut.png"), PICTURE_PNG));
  auto bytes = ReadFileBytes(dir.File("cut.png"));
  bytes.resize(bytes.size() / 2);
  WriteFileBytes(dir.File("cut.png"), bytes);
  CPicture pic;
  EXPECT_FALSE(pic.Load(dir.File("cut.png"), PICTURE_PNG));
  EXPECT_EQ(pic.GetLastError().rfind("PNG", 0), 0u) << pic.GetLastError();
}

TEST(LibCodecContainer, JpegRefusalReachesTheCaller) {
  TempDir dir;
  const CPicture pal = MakeIndexedPicture(8, 8, 8);
  EXPECT_FALSE(pal.Save(dir.File("p.jpg"), PICTURE_JPEG));
  EXPECT_EQ(pal.GetLastError(), "JPEG can save only RGB or GreyScale images");
}

}  // namespace

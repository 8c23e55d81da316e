// Shared helpers: path parts, the executable's folder, private temporary folders, owned files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/ExecutableFolder.h"
#include "base/PathParts.h"
#include "base/TempFolder.h"
#include "base/UniqueFile.h"
#include "support/TestSupport.h"

TEST(PathParts, ADotInAFolderIsNoExtension) {
  struct Case {
    const char* path;
    const char* folder;
    const char* fileName;
    const char* extension;
  };
  const Case cases[] = {
      {"a.b/c", "a.b", "c", ""},
      {"/pics.d/Cat.BMP", "/pics.d", "Cat.BMP", "bmp"},
      {"/page.html", "/", "page.html", "html"},
      {"page.tar.gz", ".", "page.tar.gz", "gz"},
      {"folder/", "folder", "", ""},
      {"photo.", ".", "photo.", ""},
      {"", ".", "", ""},
  };
  for (const Case& c : cases) {
    const PathParts parts = SplitPath(c.path);
    EXPECT_EQ(parts.folder, c.folder) << c.path;
    EXPECT_EQ(parts.fileName, c.fileName) << c.path;
    EXPECT_EQ(parts.extension, c.extension) << c.path;
  }
  // A path written on another system, as project files may hold.
  EXPECT_EQ(SplitPath("C:\\pics.x\\cat.bmp", kAnySystemPathSeparators).fileName, "cat.bmp");
  EXPECT_EQ(SplitPath("C:\\pics.x\\cat", kAnySystemPathSeparators).extension, "");
}

TEST(ExecutableFolder, IsTheFolderOfTheTestProgram) {
  EXPECT_EQ(std::filesystem::canonical(ExecutableFolder()), std::filesystem::canonical(BinDir()));
}

TEST(TempFolder, PrivateAndRemovedWithItsContents) {
  std::string path;
  {
    CTempFolder folder("kestrelle-base");
    ASSERT_TRUE(folder.IsCreated()) << folder.Error();
    path = folder.Path();
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::group_all,
              std::filesystem::perms::none);
    std::filesystem::create_directory(folder.File("inner"));
    std::ofstream(folder.File("inner/x.txt")) << "x";
    CTempFolder other("kestrelle-base");
    EXPECT_NE(other.Path(), path);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(UniqueFile, CloseReportsDataThatCouldNotBeWritten) {
  UniqueFile full = OpenFile("/dev/full", "wb");
  ASSERT_TRUE(full);
  std::fputs("more than nothing", full.get());
  EXPECT_FALSE(CloseFile(full));
  EXPECT_FALSE(full);
  UniqueFile missing = OpenFile("/nonexistent-folder/x", "rb");
  EXPECT_FALSE(missing);
  EXPECT_FALSE(CloseFile(missing));
}

// Inputs that once crashed a decoder or made it allocate what a header merely claimed
// (tests/data/crashers/<family>/, kept by `make fuzz` or from the regression tests of the
// fixes): each goes through its family's decoders and through detection in a process with
// little memory, and must be refused with the format's own reason. Running this suite under
// `make asan` shows that the fixes still hold against overreads too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "image/Picture.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string CrasherRoot() { return SourceDir() + "/tests/data/crashers"; }

// The fuzz families of fuzz/CMakeLists.txt and the picture types each one feeds.
std::vector<int> TypesOfFamily(const std::string& family) {
  static const struct {
    const char* name;
    std::vector<int> types;
  } kFamilies[] = {
      {"bmp", {PICTURE_BMP}},   {"gif", {PICTURE_GIF}},   {"jpeg", {PICTURE_JPEG}},
      {"png", {PICTURE_PNG}},   {"ico", {PICTURE_ICO}},   {"tiff", {PICTURE_TIFF}},
      {"tga", {PICTURE_TGA}},   {"pcx", {PICTURE_PCX}},   {"wbmp", {PICTURE_WBMP}},
      {"jpeg2000", {PICTURE_JP2}}, {"plain", {PICTURE_PNM, PICTURE_PGX, PICTURE_RAS}},
      {"detect", {}},
  };
  for (const auto& f : kFamilies)
    if (family == f.name) return f.types;
  return {-1};
}

std::vector<std::string> KeptInputs() {
  std::vector<std::string> paths;
  std::error_code ec;
  for (const auto& family : fs::directory_iterator(CrasherRoot(), ec))
    if (family.is_directory())
      for (const auto& file : fs::directory_iterator(family.path()))
        if (file.is_regular_file() && file.path().filename() != "README.md") paths.push_back(file.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

class KeptCrasher : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST(KeptCrashers, EveryFolderIsAFuzzFamily) {
  std::error_code ec;
  for (const auto& family : fs::directory_iterator(CrasherRoot(), ec)) {
    if (!family.is_directory()) continue;
    EXPECT_NE(TypesOfFamily(family.path().filename().string()), std::vector<int>{-1})
        << family.path() << " is not the name of a fuzz target";
  }
  EXPECT_FALSE(KeptInputs().empty()) << CrasherRoot() << " holds no input";
}

// A regressed decoder shows as a signal in the child (or the sanitizer's report), as a
// picture, or as a refusal that only running out of the child's memory brought: the fixes
// refuse these inputs from what the header and the file's size say, before allocating.
TEST_P(KeptCrasher, IsRefusedWithAMessageBeforeAllocating) {
  const fs::path path(GetParam());
  const std::vector<uint8_t> bytes = ReadFileBytes(path.string());
  ASSERT_FALSE(bytes.empty()) << path;
  std::vector<int> types = TypesOfFamily(path.parent_path().filename().string());
  types.push_back(PICTURE_UNKNOWN);
  for (int type : types) {
    const std::string text = DecodeErrorWithLittleMemory(bytes, type);
    EXPECT_FALSE(text.empty()) << path << " decoded as type " << type;
    EXPECT_NE(text.rfind("signal ", 0), 0u) << path << " as type " << type << ": " << text;
    EXPECT_NE(text, "no child process") << path;
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* outOfMemory : {"enough memory", "allocate memory", "insufficient memory"})
      EXPECT_EQ(lower.find(outOfMemory), std::string::npos) << path << " as type " << type << ": " << text;
  }
}

INSTANTIATE_TEST_SUITE_P(Kept, KeptCrasher, ::testing::ValuesIn(KeptInputs()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           const fs::path p(info.param);
                           std::string name = p.parent_path().filename().string() + "_" + p.filename().string();
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(KeptCrasher);

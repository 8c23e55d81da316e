// "config.ini" beside the executable: the wizard switch and the optional web page.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "app/AppConfig.h"
#include "support/TestSupport.h"

namespace {
void WriteConfig(const TempDir& dir, const std::string& text) {
  std::ofstream(dir.File("config.ini")) << text;
}
}  // namespace

TEST(AppConfig, WizardSwitchCases) {
  TempDir dir;
  EXPECT_FALSE(ReadStartupConfig(dir.Path()).bConfigFound);  // no file
  WriteConfig(dir, "[Config]\nShowWiz=0\n");
  StartupConfig c = ReadStartupConfig(dir.Path());
  EXPECT_TRUE(c.bConfigFound);
  EXPECT_FALSE(c.bShowWizard);
  EXPECT_TRUE(c.szHomePage.empty());
  WriteConfig(dir, "[Config]\r\nShowWiz = 10\r\n");
  EXPECT_TRUE(ReadStartupConfig(dir.Path()).bShowWizard);  // any value containing 1
  WriteConfig(dir, "[Other]\nShowWiz=1\n");
  EXPECT_FALSE(ReadStartupConfig(dir.Path()).bConfigFound);  // key in another section
  WriteConfig(dir, "[config]\nshowwiz=1\nHomePage=https://example.org/kestrelle\n");
  c = ReadStartupConfig(dir.Path());
  EXPECT_TRUE(c.bShowWizard);
  EXPECT_EQ(c.szHomePage, "https://example.org/kestrelle");
}

TEST(AppConfig, ValueIsCutToTheBuffer) {
  TempDir dir;
  WriteConfig(dir, "[Config]\nShowWiz=" + std::string(100, '0') + "1\n");
  const auto value = ReadIniValue(dir.File("config.ini"), "Config", "ShowWiz");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->size(), 79u);
  EXPECT_FALSE(ReadStartupConfig(dir.Path()).bShowWizard);  // the 1 lay beyond the buffer
}

static std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(AppConfig, WizardSwitchIsWrittenInPlace) {
  TempDir dir;
  const std::string path = dir.File("config.ini");
  // No file yet: it is created with the section, and read back.
  ASSERT_TRUE(WriteShowWizard(path, false));
  StartupConfig c = ReadStartupConfigFile(path);
  EXPECT_TRUE(c.bConfigFound);
  EXPECT_FALSE(c.bShowWizard);
  // The key is replaced where it stands; other sections, comments and keys are kept, and so
  // are the line ends of the line it replaces.
  WriteConfig(dir, "; settings\r\n[Other]\r\nShowWiz=7\r\n[config]\r\nHomePage=x\r\n SHOWWIZ = 0 \r\nLast=1\r\n");
  ASSERT_TRUE(WriteShowWizard(path, true));
  EXPECT_EQ(FileText(path), "; settings\r\n[Other]\r\nShowWiz=7\r\n[config]\r\nHomePage=x\r\nShowWiz=1\r\nLast=1\r\n");
  EXPECT_TRUE(ReadStartupConfigFile(path).bShowWizard);
  // A section without the key gets it after its last entry, not after the next section.
  WriteConfig(dir, "[Config]\nHomePage=y\n\n[Later]\nk=v\n");
  ASSERT_TRUE(WriteShowWizard(path, false));
  EXPECT_EQ(FileText(path), "[Config]\nHomePage=y\nShowWiz=0\n\n[Later]\nk=v\n");
  c = ReadStartupConfigFile(path);
  EXPECT_TRUE(c.bConfigFound);
  EXPECT_EQ(c.szHomePage, "y");
}

TEST(AppConfig, UnwritableSettingsFileIsReportedAndLeftAlone) {
  TempDir dir;
  EXPECT_FALSE(WriteShowWizard(dir.File("missing-folder/config.ini"), true));
  EXPECT_FALSE(WriteShowWizard("", true));
  // A folder where the file should be: nothing is replaced, no temporary file stays.
  const std::string path = dir.File("config.ini");
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  EXPECT_FALSE(WriteShowWizard(path, true));
  std::ifstream probe(path + ".new");
  EXPECT_FALSE(probe.good());
}

#include "app/OutputSizeCommands.h"

TEST(OutputSizeCommands, EveryIdSetGivesTheSameSize) {
  for (int id : {32792, 32938, 9108}) {
    const OutputSizeCommand c = ResolveOutputSizeCommand(id, 641, 480, 320, 241);
    EXPECT_EQ(c.kind, OutputSizeKind::Fixed);
    EXPECT_EQ(c.nWidth, 480);
    EXPECT_EQ(c.nHeight, 360);
  }
  EXPECT_EQ(ResolveOutputSizeCommand(32944, 641, 480, 0, 0).nWidth, 641);
  EXPECT_EQ(ResolveOutputSizeCommand(9105, 0, 0, 0, 0).nHeight, 240);
  EXPECT_EQ(ResolveOutputSizeCommand(32942, 0, 0, 0, 0).nHeight, 288);
  EXPECT_EQ(ResolveOutputSizeCommand(4002, 0, 0, 0, 0).kind, OutputSizeKind::Custom);
  // Without the picture it needs, a picture-based size does nothing.
  EXPECT_EQ(ResolveOutputSizeCommand(32791, 641, 480, 0, 0).kind, OutputSizeKind::None);
  EXPECT_EQ(ResolveOutputSizeCommand(9102, 641, 480, 320, 241).kind, OutputSizeKind::None);
}

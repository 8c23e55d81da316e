// What a Linux desktop reads from the package: the menu entry and the file type pass
// their validators, and an installed tree (staged with DESTDIR) holds the programs, data,
// icons and manual pages where they belong and finds its data from /usr/bin.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "app/ProgramTexts.h"
#include "support/TestSupport.h"

namespace {

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::string kDesktop = SourceDir() + "/packaging/kestrelle.desktop";
const std::string kMime = SourceDir() + "/packaging/kestrelle-mime.xml";
const std::string kMetainfo = SourceDir() + "/packaging/org.kestrelle.kestrelle.metainfo.xml";

// The value of `key` in the desktop entry's text ("" when absent).
std::string DesktopValue(const std::string& text, const std::string& key) {
  const size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  const size_t from = at + key.size() + 2;
  return text.substr(from, text.find('\n', from) - from);
}

// What the built English catalog makes of a text, looked up by gettext itself.
std::string EnglishOf(const std::string& text) {
  const CliResult r = RunCommand("env -i LANGUAGE=en LANG=C.UTF-8 TEXTDOMAINDIR=" + ShellQuote(BinDir() + "/locale") +
                                 " gettext -d kestrelle " + ShellQuote(text));
  return r.nExitCode == 0 ? r.szOut : "<gettext failed: " + r.szOutput + ">";
}

TEST(DesktopIntegration, MenuEntryPassesTheValidatorAndOpensProjects) {
  const CliResult r = RunCommand("desktop-file-validate " + ShellQuote(kDesktop));
  EXPECT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(r.szOutput, "") << "warnings count too";
  const std::string text = ReadText(kDesktop);
  EXPECT_NE(text.find("\nExec=kestrelle %f\n"), std::string::npos) << "one file argument";
  EXPECT_NE(text.find("\nIcon=kestrelle\n"), std::string::npos);
  EXPECT_NE(text.find("MimeType=application/x-kestrelle-project;"), std::string::npos);
  EXPECT_NE(text.find("Comment[zh_CN]="), std::string::npos);
}

TEST(DesktopIntegration, ProjectTypeIsWellFormedAndMatchesFmphFiles) {
  const CliResult lint = RunCommand("xmllint --noout " + ShellQuote(kMime));
  EXPECT_EQ(lint.nExitCode, 0) << lint.szOutput;

  // The database builder is the real reader: it rejects what the desktop would ignore.
  TempDir data;
  const std::string mime = data.File("mime");
  ::mkdir(mime.c_str(), 0755);
  ::mkdir((mime + "/packages").c_str(), 0755);
  const CliResult copy = RunCommand("cp " + ShellQuote(kMime) + " " + ShellQuote(mime + "/packages/kestrelle.xml"));
  ASSERT_EQ(copy.nExitCode, 0) << copy.szOutput;
  const CliResult update =
      RunCommand("XDG_DATA_HOME=" + ShellQuote(data.Path()) + " update-mime-database " + ShellQuote(mime));
  EXPECT_EQ(update.nExitCode, 0) << update.szOutput;
  EXPECT_EQ(update.szErr, "") << "the builder warns about unknown elements";
  EXPECT_NE(ReadText(mime + "/globs2").find(":application/x-kestrelle-project:*.fmph"), std::string::npos);
  EXPECT_TRUE(IsFile(mime + "/application/x-kestrelle-project.xml"));
}

TEST(SoftwareCentre, ListingPassesTheValidatorWithoutRemarks) {
  const CliResult r = RunCommand("appstreamcli validate --no-net --pedantic " + ShellQuote(kMetainfo));
  EXPECT_EQ(r.nExitCode, 0) << r.szOutput;
  EXPECT_EQ(r.szOutput.find("pedantic"), std::string::npos) << r.szOutput;
  EXPECT_EQ(r.szOutput.find("warnings"), std::string::npos) << r.szOutput;
  const std::string text = ReadText(kMetainfo);
  EXPECT_NE(text.find("<launchable type=\"desktop-id\">kestrelle.desktop</launchable>"), std::string::npos);
  EXPECT_NE(text.find("<mediatype>application/x-kestrelle-project</mediatype>"), std::string::npos);
}

// The menu entry and the listing describe the program with the window's own text and its
// English translation from the catalog.
TEST(SoftwareCentre, DescriptionsInBothLanguagesAgreeWithTheCatalogs) {
  const std::string desktop = ReadText(kDesktop);
  const std::string chinese = DesktopValue(desktop, "Comment[zh_CN]");
  EXPECT_EQ(chinese, ProgramText::kSummary);
  EXPECT_EQ(DesktopValue(desktop, "Comment"), EnglishOf(chinese));
  const std::string listing = ReadText(kMetainfo);
  EXPECT_NE(listing.find("<summary>" + EnglishOf(chinese) + "</summary>"), std::string::npos);
  EXPECT_NE(listing.find("<summary xml:lang=\"zh_CN\">" + chinese + "</summary>"), std::string::npos);
}

TEST(Install, StagedTreeHoldsEverythingAndFindsItsData) {
  TempDir stage;
  const std::string build = BinDir() + "/..";
  const CliResult install = RunCommand("DESTDIR=" + ShellQuote(stage.Path()) + " cmake --install " +
                                       ShellQuote(build) + " --prefix /usr");
  ASSERT_EQ(install.nExitCode, 0) << install.szOutput;

  const std::string usr = stage.File("usr");
  for (const char* rel :
       {"bin/kestrelle-cli", "share/kestrelle/samples/girl.fmph", "share/kestrelle/samples/girl.png",
        "share/kestrelle/exsample.html", "share/kestrelle/config.ini", "share/applications/kestrelle.desktop", "share/mime/packages/kestrelle.xml",
        "share/icons/hicolor/16x16/apps/kestrelle.png", "share/icons/hicolor/48x48/apps/kestrelle.png",
        "share/icons/hicolor/256x256/apps/kestrelle.png", "share/icons/hicolor/scalable/apps/kestrelle.svg",
        "share/man/man1/kestrelle.1.gz", "share/man/man1/kestrelle-cli.1.gz",
        "share/locale/en/LC_MESSAGES/kestrelle.mo", "share/metainfo/org.kestrelle.kestrelle.metainfo.xml"})
    EXPECT_TRUE(IsFile(usr + "/" + rel)) << rel;
  const CliResult help = RunCommand("ls " + ShellQuote(usr + "/share/kestrelle/help"));
  EXPECT_EQ(help.nExitCode, 0);
  EXPECT_NE(help.szOut, "");

  // The man pages are readable roff.
  const CliResult man = RunCommand("gzip -dc " + ShellQuote(usr + "/share/man/man1/kestrelle-cli.1.gz"));
  EXPECT_NE(man.szOut.find(".TH KESTRELLE-CLI 1"), std::string::npos);

  // The installed tool has no data beside it: the page template comes from ../share/kestrelle.
  TempDir out;
  const CliResult render =
      RunCommand(ShellQuote(usr + "/bin/kestrelle-cli") + " render " + ShellQuote(usr + "/share/kestrelle/samples/girl.fmph") +
                 " -o " + ShellQuote(out.File("page.html")) + " --frames 2 --size 64x48");
  EXPECT_EQ(render.nExitCode, 0) << render.szOutput;
  EXPECT_TRUE(IsFile(out.File("page.html")));
  EXPECT_TRUE(IsFile(out.File("output.swf")));
}

}  // namespace

// Where data and config.ini are found: the build folder, an installed layout with a
// read-only program folder, and the user's configuration folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "base/UiLanguage.h"
#include "core/AppFolders.h"
#include "support/TestSupport.h"

namespace {

void Touch(const std::string& path, const std::string& text = "x") { std::ofstream(path) << text; }

// An installed tree: prefix/bin (the program) and prefix/share/kestrelle (its data).
struct InstalledTree {
  TempDir root;
  std::string bin = root.File("usr/bin");
  std::string data = root.File("usr/share/kestrelle");
  std::string home = root.File("home");
  InstalledTree() {
    for (const std::string& d : {root.File("usr"), bin, root.File("usr/share"), data, home})
      ::mkdir(d.c_str(), 0755);
  }
  AppFolderInputs Inputs() const {
    AppFolderInputs in;
    in.szExeFolder = bin;
    in.szInstalledData = "/nonexistent/share/kestrelle";
    in.szDataFromExe = "../share/kestrelle";
    in.szHome = home;
    return in;
  }
};

TEST(AppFolders, DataBesideTheExecutableComesFirstThenTheInstalledFolder) {
  InstalledTree tree;
  const AppFolderInputs in = tree.Inputs();
  ::mkdir((tree.data + "/samples").c_str(), 0755);
  EXPECT_EQ(FindDataPath("samples", in), tree.bin + "/../share/kestrelle/samples");

  ::mkdir((tree.bin + "/samples").c_str(), 0755);
  EXPECT_EQ(FindDataPath("samples", in), tree.bin + "/samples");
  EXPECT_EQ(FindDataPath("help", in), "");

  // The same folder named twice (absolute and relative) is searched once.
  AppFolderInputs twice = in;
  twice.szInstalledData = tree.data;
  EXPECT_EQ(DataFolders(twice).size(), 2u);
}

TEST(AppFolders, UserConfigFolderFollowsTheBaseDirectoryRules) {
  AppFolderInputs in;
  in.szHome = "/home/u";
  EXPECT_EQ(UserConfigFolder(in), "/home/u/.config/kestrelle");
  in.szXdgConfigHome = "/cfg";
  EXPECT_EQ(UserConfigFolder(in), "/cfg/kestrelle");
  in.szXdgConfigHome = "relative/cfg";  // invalid: ignored
  EXPECT_EQ(UserConfigFolder(in), "/home/u/.config/kestrelle");
  in.szHome.clear();
  EXPECT_EQ(UserConfigFolder(in), "");
}

TEST(AppFolders, UserStateFolderFollowsTheBaseDirectoryRules) {
  AppFolderInputs in;
  in.szHome = "/home/u";
  in.szXdgConfigHome = "/cfg";  // the configuration folder is another place
  EXPECT_EQ(UserStateFolder(in), "/home/u/.local/state/kestrelle");
  in.szXdgStateHome = "/st";
  EXPECT_EQ(UserStateFolder(in), "/st/kestrelle");
  in.szXdgStateHome = "st";
  EXPECT_EQ(UserStateFolder(in), "/home/u/.local/state/kestrelle");
  in.szHome = "home";
  EXPECT_EQ(UserStateFolder(in), "");
}

TEST(AppFolders, ConfigFallsBackToTheUserFolderWhenTheProgramFolderCannotTakeIt) {
  InstalledTree tree;
  AppFolderInputs in = tree.Inputs();
  in.szExeFolder = tree.root.File("gone/bin");  // no folder to write in, even for root
  in.szXdgConfigHome = tree.root.File("xdg");
  const std::string user = ConfigPathForWrite(in);
  EXPECT_EQ(user, tree.root.File("xdg/kestrelle/config.ini"));
  EXPECT_EQ(ConfigPathForRead(in), "");
  // The installed default is read until the user's own file exists.
  in.szInstalledData = tree.data;
  Touch(tree.data + "/config.ini");
  EXPECT_EQ(ConfigPathForRead(in), tree.data + "/config.ini");
  Touch(user);
  EXPECT_EQ(ConfigPathForRead(in), user);
}

TEST(AppFolders, ConfigGoesBesideAWritableProgramAndToTheUserFolderOtherwise) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  InstalledTree tree;
  AppFolderInputs in = tree.Inputs();
  EXPECT_EQ(ConfigPathForWrite(in), tree.bin + "/config.ini");

  ::chmod(tree.bin.c_str(), 0555);  // as /usr/bin is for a user
  std::string error;
  const std::string user = ConfigPathForWrite(in, &error);
  EXPECT_EQ(user, tree.home + "/.config/kestrelle/config.ini") << error;
  struct stat st {};
  EXPECT_EQ(::stat((tree.home + "/.config/kestrelle").c_str(), &st), 0) << "the user folder is created";

  // A read finds the user file, and an older copy beside the program loses to it.
  EXPECT_EQ(ConfigPathForRead(in), "");
  Touch(user);
  EXPECT_EQ(ConfigPathForRead(in), user);
  ::chmod(tree.bin.c_str(), 0755);
  Touch(tree.bin + "/config.ini");
  ::chmod((tree.bin + "/config.ini").c_str(), 0444);
  ::chmod(tree.bin.c_str(), 0555);
  EXPECT_EQ(ConfigPathForRead(in), user);

  // Neither place writable: an empty path and a reason, never a crash.
  ::chmod(tree.home.c_str(), 0555);
  ::chmod((tree.home + "/.config/kestrelle").c_str(), 0555);
  ::chmod(user.c_str(), 0444);
  error.clear();
  EXPECT_EQ(ConfigPathForWrite(in, &error), "");
  EXPECT_FALSE(error.empty());
  for (const std::string& d : {tree.bin, tree.home, tree.home + "/.config/kestrelle"}) ::chmod(d.c_str(), 0755);
}

}  // namespace

// The window's language as gettext programs choose it, among the catalogs of an installed
// tree: English under share/locale, British English beside the program.
TEST(UiLanguage, ChosenFromTheEnvironmentAsGettextDoesAmongTheCatalogsFound) {
  InstalledTree tree;
  for (const char* d : {"usr/share/locale", "usr/share/locale/en", "usr/share/locale/en/LC_MESSAGES", "usr/bin/locale",
                        "usr/bin/locale/en_GB", "usr/bin/locale/en_GB/LC_MESSAGES"})
    ::mkdir(tree.root.File(d).c_str(), 0755);
  const std::string en = tree.root.File("usr/share/locale/en/LC_MESSAGES/kestrelle.mo");
  const std::string enGb = tree.root.File("usr/bin/locale/en_GB/LC_MESSAGES/kestrelle.mo");
  Touch(en);
  Touch(enGb);
  const std::vector<std::string> folders = LocaleFolders(tree.Inputs());

  struct Case {
    UiLanguageEnv env;  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
    std::string szCatalog;  // "" for the program's own texts
  };
  const Case cases[] = {
      {{"en", "", "", ""}, ""},                             // no locale: the C locale ignores LANGUAGE
      {{"en", "", "", "C"}, ""},                            // so does C
      {{"en", "POSIX", "", "en_US.UTF-8"}, ""},             // LC_ALL comes first
      {{"", "", "", "en_US.UTF-8"}, en},                    // en_US falls back to en
      {{"", "", "en_GB.UTF-8", "zh_CN.UTF-8"}, enGb},       // LC_MESSAGES before LANG
      {{"en", "", "", "C.UTF-8"}, en},                      // C.UTF-8 is not C
      {{"fr:de:en", "", "", "fr_FR.UTF-8"}, en},            // the first entry with a catalog
      {{"zh_CN:en", "", "", "en_US.UTF-8"}, ""},            // the own language is an entry too
      {{"", "", "", "zh_CN.UTF-8"}, ""},
      {{"", "", "", "zh_SG"}, ""},
      {{"", "", "", "de_DE.UTF-8"}, ""},                    // no catalog: the own texts
      {{"en_GB.ISO-8859-1@euro", "", "", "de_DE"}, enGb},   // codeset and modifier dropped
  };
  for (const Case& c : cases) {
    const UiLanguageChoice choice = ChooseUiLanguage(c.env, folders);
    SCOPED_TRACE("LANGUAGE=" + c.env.szLanguage + " LC_ALL=" + c.env.szLcAll + " LC_MESSAGES=" +
                 c.env.szLcMessages + " LANG=" + c.env.szLang);
    EXPECT_EQ(choice.szCatalogPath, c.szCatalog);
    EXPECT_EQ(choice.OwnTexts(), c.szCatalog.empty());
  }
  EXPECT_EQ(ChooseUiLanguage({"", "", "", "en_AU.UTF-8"}, folders).szLanguage, "en");
}

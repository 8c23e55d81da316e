// Where data and config.ini are found: the build folder, an installed layout with a
// read-only program folder, and the user's configuration folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

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

// The window's own commands against bad input and failing writes: damaged pictures and
// projects through the open, sample and picture commands, saves to a full disk, over a
// folder and into a folder that takes no files, and pictures that vanish while their project
// is open. Each case must end with a message and the user's project and files as they were.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/CommandIds.h"
#include "core/ProjectFile.h"
#include "support/CliFixture.h"
#include "support/EditFixtures.h"
#include "support/HostileFiles.h"
#include "tests/wx/GuiTestSupport.h"
#include "wizard/wx/Wizard.h"

using guitest::MainWindowFixture;

namespace {

// What a refused command must leave as it was.
struct OpenProjectState {
  std::string szProject, szPath1, szPath2;
  const CPicture* pImage1;
  const CPicture* pImage2;
  uint64_t nGeneration;
  std::vector<std::array<int, 4>> table;
  bool bDirty;

  explicit OpenProjectState(const CMainMorphDlg& w)
      : szProject(const_cast<CMainMorphDlg&>(w).Session().ProjectPath()),
        szPath1(w.Project().m_szImagePath1),
        szPath2(w.Project().m_szImagePath2),
        pImage1(w.Project().GetImage(1)),
        pImage2(w.Project().GetImage(2)),
        nGeneration(const_cast<CMainMorphDlg&>(w).Session().PictureGeneration()),
        table(CaptureMeshState(w.Project()).tables),
        bDirty(const_cast<CMainMorphDlg&>(w).Session().History().IsDirty()) {}
  bool operator==(const OpenProjectState& o) const {
    return szProject == o.szProject && szPath1 == o.szPath1 && szPath2 == o.szPath2 && pImage1 == o.pImage1 &&
           pImage2 == o.pImage2 && nGeneration == o.nGeneration && table == o.table && bDirty == o.bDirty;
  }
};

// A sample project open, with one edit not saved.
void OpenEditedSample(MainWindowFixture& f) {
  f.Command(ids::kSampleFirst + 2);
  ASSERT_TRUE(f.WaitReady());
  f.Command(ids::kMorphType3);
  ASSERT_TRUE(f->Session().History().IsDirty());
}

// Runs `command` with the process's file-size limit at `nBytes` (a disk that fills).
template <typename F>
void WithFileSizeLimit(rlim_t nBytes, F command) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit low = old;
  low.rlim_cur = nBytes;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  command();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
}

}  // namespace

TEST(WindowFaults, HostilePicturesAndProjectsLeaveTheOpenProjectAsItWas) {
  MainWindowFixture f;
  OpenEditedSample(f);
  const OpenProjectState before(*f.Get());
  TempDir bad;
  const std::string good = guitest::WritePicture(bad, "good.bmp", 40, 30, 1);
  std::vector<std::string> pictures, projects;
  for (const HostileFile& h : HostilePictures(bad)) {
    pictures.push_back(bad.File(h.name));
    WriteFileBytes(pictures.back(), h.bytes);
  }
  for (const HostileFile& h : HostileProjects(bad, good)) {
    projects.push_back(bad.File(h.name));
    WriteFileBytes(projects.back(), h.bytes);
  }
  // Things that are no files at all.
  ASSERT_EQ(mkfifo(bad.File("pipe.png").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(bad.File("pipe.fmph").c_str(), 0600), 0);
  std::filesystem::create_directory(bad.File("folder.png"));
  std::filesystem::create_directory(bad.File("folder.fmph"));
  pictures.insert(pictures.end(), {bad.File("pipe.png"), bad.File("folder.png")});
  projects.insert(projects.end(), {bad.File("pipe.fmph"), bad.File("folder.fmph")});

  auto expectRefused = [&](int nCommand, const std::string& path) {
    SCOPED_TRACE(std::to_string(nCommand) + " " + path);
    f.m_messages.clear();
    f.m_szNextFile = path;
    f.Command(nCommand);
    ASSERT_EQ(f.m_messages.size(), 1u);
    EXPECT_FALSE(f.m_messages[0].szText.empty());
    EXPECT_TRUE(OpenProjectState(*f.Get()) == before);
  };
  for (const std::string& p : pictures)
    for (int nCommand : {ids::kLoadImage1, ids::kLoadImage2}) expectRefused(nCommand, p);
  for (const std::string& p : projects) expectRefused(ids::kOpenProject, p);

  // The same projects as a sample of the File menu.
  TempDir samples;
  unlink(f.Folder().File("samples").c_str());
  ASSERT_EQ(symlink(samples.Path().c_str(), f.Folder().File("samples").c_str()), 0);
  for (const std::string& p : projects) {
    if (std::filesystem::is_fifo(p) || std::filesystem::is_directory(p)) continue;
    WriteFileBytes(samples.File("girltoleopard.fmph"), ReadFileBytes(p));
    expectRefused(ids::kSampleFirst, "");
  }
  EXPECT_TRUE(f->Project().IsReady());
}

TEST(WindowFaults, FailedSavesKeepTheOldFileAndLeaveNoTemporary) {
  MainWindowFixture f;
  OpenEditedSample(f);
  TempDir out;
  const std::vector<uint8_t> old = {'o', 'l', 'd', '\n'};
  const std::string target = out.File("mine.fmph");
  WriteFileBytes(target, old);
  auto save = [&](int nCommand, const std::string& path) {
    f.m_messages.clear();
    f.m_szNextFile = path;
    f.Command(nCommand);
  };
  // A disk that fills: both save commands.
  for (int nCommand : {ids::kSaveProject, ids::kSaveProjectAs}) {
    WithFileSizeLimit(64, [&] { save(nCommand, target); });
    ASSERT_EQ(f.m_messages.size(), 1u);
    EXPECT_NE(f.m_messages[0].szText.find(ProjectFileText::kSaveProjectError), std::string::npos);
    EXPECT_NE(f.m_messages[0].szText.find("File too large"), std::string::npos) << f.m_messages[0].szText;
    EXPECT_EQ(ReadFileBytes(target), old);
    EXPECT_TRUE(Temporaries(out.Path()).empty());
    EXPECT_TRUE(f->Session().History().IsDirty());  // still unsaved
  }
  // A folder where the file should go.
  const std::string folder = out.File("folder.fmph");
  std::filesystem::create_directory(folder);
  save(ids::kSaveProjectAs, folder);
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find("folder"), std::string::npos) << f.m_messages[0].szText;
  EXPECT_TRUE(std::filesystem::is_directory(folder) && std::filesystem::is_empty(folder));
  // A folder that takes no new files (for a superuser, /proc is such a folder).
  const std::string closed = out.File("closed");
  std::filesystem::create_directory(closed);
  WriteFileBytes(closed + "/mine.fmph", old);
  chmod(closed.c_str(), 0555);
  const std::string inClosed = geteuid() == 0 ? "/proc/mine.fmph" : closed + "/mine.fmph";
  save(ids::kSaveProject, inClosed);
  chmod(closed.c_str(), 0755);
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find(ProjectFileText::kSaveProjectError), std::string::npos);
  EXPECT_EQ(ReadFileBytes(closed + "/mine.fmph"), old);
  EXPECT_TRUE(Temporaries(closed).empty());
  EXPECT_TRUE(f->Session().History().IsDirty());
  // The window works on: a save to a good place succeeds.
  save(ids::kSaveProject, target);
  EXPECT_TRUE(f.m_messages.empty());
  EXPECT_FALSE(f->Session().History().IsDirty());
  EXPECT_EQ(ReadFileBytes(target).size(), static_cast<size_t>(kProjectHeaderSize) +
                                              static_cast<size_t>(f->Project().m_mesh.m_nPoints) * kProjectPairSize);
}

TEST(WindowFaults, PicturesGoneWhileOpenStillSaveFromMemory) {
  MainWindowFixture f;
  TempDir dir;
  const std::string a = guitest::WritePicture(dir, "a.bmp", 200, 150, 1);
  const std::string b = guitest::WritePicture(dir, "b.bmp", 200, 150, 2);
  ASSERT_TRUE(f.Load(1, a));
  ASSERT_TRUE(f.Load(2, b));
  ASSERT_TRUE(f.WaitReady());
  const MeshState mesh = CaptureMeshState(f->Project());
  std::filesystem::remove(a);
  WriteFileBytes(b, {'g', 'o', 'n', 'e'});  // replaced by something that is no picture
  const std::string saved = dir.File("kept.fmph");
  f.m_szNextFile = saved;
  f.Command(ids::kSaveProject);
  EXPECT_TRUE(f.m_messages.empty());
  // The file names the pictures as they were loaded; the open project is untouched.
  const std::vector<uint8_t> bytes = ReadFileBytes(saved);
  ASSERT_GE(bytes.size(), static_cast<size_t>(kProjectHeaderSize));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), a);
  EXPECT_TRUE(CaptureMeshState(f->Project()) == mesh);
  EXPECT_NE(f->Project().GetImage(1), nullptr);
}

// The wizard's picture pages take the same damaged pictures: a message each, and the project
// that was open stays as it was.
TEST(WindowFaults, TheWizardRefusesHostilePicturesAndKeepsTheProject) {
  MainWindowFixture f;
  OpenEditedSample(f);
  const OpenProjectState before(*f.Get());
  TempDir bad;
  std::vector<std::string> pictures;
  for (const HostileFile& h : HostilePictures(bad)) {
    pictures.push_back(bad.File(h.name));
    WriteFileBytes(pictures.back(), h.bytes);
  }
  int nTried = 0;
  f.User().wizardScript = [&](CWizard& w) {
    guitest::ClickControl(&w, wizid::kCreateNew);
    guitest::ClickControl(&w, wizid::kNext);
    guitest::ClickControl(&w, wizid::kTwoPictures);
    guitest::ClickControl(&w, wizid::kNext);
    ASSERT_EQ(w.CurPage(), wizard::kPageTwoPictures);
    for (const std::string& p : pictures)
      for (int nBrowse : {wizid::kImage1Browse, wizid::kImage2Browse}) {
        SCOPED_TRACE(p);
        f.m_messages.clear();
        f.m_szNextFile = p;
        guitest::ClickControl(&w, nBrowse);
        EXPECT_EQ(f.m_messages.size(), 1u);
        EXPECT_TRUE(OpenProjectState(*f.Get()) == before);
        ++nTried;
      }
    guitest::ClickControl(&w, wizid::kCancel);
  };
  f.Command(ids::kNewWizard);
  f.User().wizardScript = nullptr;
  EXPECT_EQ(nTried, static_cast<int>(2 * pictures.size()));
  EXPECT_TRUE(OpenProjectState(*f.Get()) == before);
}

// Recovery copies of unsaved projects: what the session says a copy must hold, the writer that
// keeps it on disk, which copies are offered after a crash, and a restore that brings every
// pair back exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/RecoveryCopy.h"
#include "app/RecoveryKeeper.h"
#include "core/ProjectFile.h"
#include "support/EditFixtures.h"
#include "support/SessionFixtures.h"

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Adds pairs through the add tool, as clicks on pane 1 do.
void AddPairs(ReadySession& r, const std::vector<std::pair<int, int>>& at) {
  r.s.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  for (const auto& [x, y] : at) {
    ASSERT_FALSE(r.Click(0, x, y).bRefused);
    r.s.LeftUp();
  }
  r.s.SelectToolButton(ids::kToolFirst + ToolSelect);
}

std::string CopyNamed(const std::string& folder, pid_t pid, const std::string& token) {
  return folder + "/recovery-" + std::to_string(pid) + "-" + token + ".fmph";
}

}  // namespace

TEST(Recovery, ACopyIsWantedExactlyWhileEditsAreUnsaved) {
  ReadySession r;
  // Pictures loaded but never saved: a new project is unsaved work.
  RecoveryContent fresh = r.s.RecoveryState();
  ASSERT_TRUE(fresh.Wanted());
  EXPECT_EQ(fresh.szProjectPath, "");
  const std::string saved = r.dir.File("p.fmph");
  ASSERT_FALSE(r.s.SaveProject(saved).bRefused);
  EXPECT_FALSE(r.s.RecoveryState().Wanted());
  AddPairs(r, {{100, 50}});
  const RecoveryContent edited = r.s.RecoveryState();
  ASSERT_TRUE(edited.Wanted());
  EXPECT_EQ(edited.szProjectPath, saved);
  r.s.Undo();  // back to what the file holds
  EXPECT_FALSE(r.s.RecoveryState().Wanted());
  r.s.Redo();
  r.s.ChooseMorphType(3);
  EXPECT_EQ(r.s.RecoveryState().nMorphType, 3);
  r.s.CloseProject();  // closing drops the edits
  EXPECT_FALSE(r.s.RecoveryState().Wanted());
}

TEST(Recovery, PicturePathsInACopyAreAbsolute) {
  ReadySession r;
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(r.dir.Path());
  ProjectSession s;
  s.Resize(kCw, kCh);
  ASSERT_FALSE(s.LoadPicture(1, "one.bmp").bRefused);
  ASSERT_FALSE(s.LoadPicture(2, "two.bmp").bRefused);
  const RecoveryContent content = s.RecoveryState();
  std::filesystem::current_path(cwd);
  ASSERT_TRUE(content.Wanted());
  const std::string path1(reinterpret_cast<const char*>(content.project.data()));
  const std::string path2(reinterpret_cast<const char*>(content.project.data() + kProjectPathRecord));
  EXPECT_EQ(path1, r.p1);
  EXPECT_EQ(path2, r.p2);
}

TEST(Recovery, RestoredProjectHasEveryPairUnsavedUnderItsOwnName) {
  ReadySession r;
  TempDir state;
  const std::string saved = r.dir.File("mine.fmph");
  ASSERT_FALSE(r.s.SaveProject(saved).bRefused);
  const std::vector<uint8_t> savedBytes = ReadFileBytes(saved);
  AddPairs(r, {{100, 50}, {250, 200}, {40, 260}, {333, 77}});
  r.s.ChooseMorphType(2);
  const MeshState before = CaptureMeshState(r.s.Project());

  const std::string copyPath = CopyNamed(state.Path(), EndedProcessId(), "1");
  {
    CRecoveryKeeper keeper(copyPath);
    keeper.Update(r.s.RecoveryState());
    keeper.Flush();
    EXPECT_EQ(keeper.WriteCount(), 1);
  }
  // The copy outlives its writer, and the user's file is untouched.
  ASSERT_TRUE(Exists(copyPath));
  EXPECT_EQ(ReadFileBytes(saved), savedBytes);
  const std::vector<RecoveryCopy> found = recovery::LeftBehind(state.Path());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].szProjectPath, saved);
  EXPECT_EQ(found[0].nMorphType, 2);

  ProjectSession s;
  s.Resize(kCw, kCh);
  const SessionChange restored = s.RestoreRecovery(found[0]);
  ASSERT_FALSE(restored.bRefused) << restored.szMessage;
  const MeshState after = CaptureMeshState(s.Project());
  EXPECT_EQ(after.tables, before.tables);  // every pair, same numbers, whole pixels
  EXPECT_EQ(after.morphType, 2);
  EXPECT_EQ(s.ProjectPath(), saved);
  EXPECT_TRUE(s.History().IsDirty());
  EXPECT_EQ(s.Title("K"), "*mine.fmph - K");
  // Saving where the user expects ends the need for a copy.
  ASSERT_FALSE(s.SaveProject(s.ProjectPath()).bRefused);
  EXPECT_FALSE(s.RecoveryState().Wanted());
}

TEST(Recovery, ACopyWhosePicturesWentIsRefusedAndKept) {
  ReadySession r;
  TempDir state;
  AddPairs(r, {{120, 80}});
  const std::string copyPath = CopyNamed(state.Path(), EndedProcessId(), "7");
  ASSERT_TRUE(recovery::WriteCopy(copyPath, r.s.RecoveryState()));
  std::filesystem::remove(r.p2);
  const std::vector<RecoveryCopy> found = recovery::LeftBehind(state.Path());
  ASSERT_EQ(found.size(), 1u);
  ProjectSession s;
  const SessionChange c = s.RestoreRecovery(found[0]);
  EXPECT_TRUE(c.bRefused);
  EXPECT_NE(c.szMessage.find(r.p2), std::string::npos) << c.szMessage;
  EXPECT_FALSE(s.Project().IsReady());
  EXPECT_TRUE(Exists(copyPath));
  EXPECT_TRUE(Exists(recovery::InfoPath(copyPath)));
}

TEST(Recovery, OnlyCopiesOfEndedProcessesAreOffered) {
  TempDir state;
  const RecoveryContent content{{1, 2, 3}, "/p.fmph", 1};
  const pid_t self = getpid();
  const std::string token = recovery::ProcessStartToken(self);
  ASSERT_FALSE(token.empty());
  const std::string own = recovery::OwnCopyPath(state.Path());
  EXPECT_EQ(own, CopyNamed(state.Path(), self, token));
  const std::string ended = CopyNamed(state.Path(), EndedProcessId(), "5");
  // This process's number with another start time: an earlier program that had the number.
  const std::string reused = CopyNamed(state.Path(), self, token + "1");
  for (const std::string& path : {own, ended, reused}) ASSERT_TRUE(recovery::WriteCopy(path, content));
  // Not copies at all.
  WriteFileBytes(state.File("recovery-12-x.fmph"), {1});
  WriteFileBytes(state.File("notes.fmph"), {1});
  std::filesystem::create_directory(state.File("recovery-13-1.fmph"));

  std::vector<std::string> offered;
  for (const RecoveryCopy& c : recovery::LeftBehind(state.Path())) offered.push_back(c.szPath);
  std::sort(offered.begin(), offered.end());
  std::vector<std::string> expected{ended, reused};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(offered, expected);
  recovery::RemoveCopy(ended);
  EXPECT_FALSE(Exists(ended));
  EXPECT_FALSE(Exists(recovery::InfoPath(ended)));
}

TEST(Recovery, KeeperWritesAtMostOncePerIntervalAndRemovesOnSave) {
  ReadySession r;
  TempDir state;
  const std::string copyPath = state.File("sub/recovery-1-1.fmph");  // the folder is made
  CRecoveryKeeper keeper(copyPath, {std::chrono::milliseconds(20), std::chrono::milliseconds(300)});
  const auto start = std::chrono::steady_clock::now();
  r.s.SelectToolButton(ids::kToolFirst + ToolAddPoint);
  for (int i = 0; i < 12; ++i) {
    r.Click(0, 20 + 25 * i, 40 + 15 * i);
    r.s.LeftUp();
    keeper.Update(r.s.RecoveryState());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  keeper.Flush();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Twelve edits over more than half a second: one write per interval begun, plus the flush.
  EXPECT_GE(keeper.WriteCount(), 2);
  EXPECT_LE(keeper.WriteCount(), static_cast<int>(seconds / 0.3) + 2);
  // What is on disk is the last state.
  ProjectSession s;
  RecoveryCopy written;
  written.szPath = copyPath;
  ASSERT_FALSE(s.RestoreRecovery(written).bRefused);
  EXPECT_EQ(CaptureMeshState(s.Project()).tables, CaptureMeshState(r.s.Project()).tables);

  ASSERT_FALSE(r.s.SaveProject(r.dir.File("saved.fmph")).bRefused);
  keeper.Update(r.s.RecoveryState());
  keeper.Flush();
  EXPECT_FALSE(Exists(copyPath));
  EXPECT_FALSE(Exists(recovery::InfoPath(copyPath)));
}

TEST(Recovery, AFolderThatCannotTakeTheCopyIsReportedNotFatal) {
  ReadySession r;
  TempDir state;
  WriteFileBytes(state.File("blocked"), {0});  // a file where the folder should be
  CRecoveryKeeper keeper(state.File("blocked/recovery-1-1.fmph"));
  keeper.Update(r.s.RecoveryState());
  keeper.Flush();
  EXPECT_EQ(keeper.WriteCount(), 0);
  EXPECT_NE(keeper.LastError().find("blocked"), std::string::npos) << keeper.LastError();
  EXPECT_EQ(ReadFileBytes(state.File("blocked")), std::vector<uint8_t>{0});
}

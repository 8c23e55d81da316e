// Recovery copies in the real main window: edits are kept in the user's state folder until
// they are saved or dropped, and a copy left by a program that ended is offered at start-up.
#include <gtest/gtest.h>

#include <filesystem>

#include <wx/menu.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/RecoveryCopy.h"
#include "app/RecoveryKeeper.h"
#include "core/ProjectFile.h"
#include "support/EditFixtures.h"
#include "tests/wx/GuiTestSupport.h"

using guitest::InState;
using guitest::LeftCopy;
using guitest::MainWindowFixture;
using guitest::PumpUntil;

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

bool Offered(const MainWindowFixture& f, const std::string& name) {
  for (const auto& m : f.m_messages)
    if (m.szText.find("“" + name + "”") != std::string::npos && m.szText.find("是否恢复") != std::string::npos)
      return true;
  return false;
}

}  // namespace

TEST(RecoveryWindow, RestoreAtStartUpBringsTheEditsBackUnsaved) {
  LeftCopy left;
  std::string ownCopy;
  {
    MainWindowFixture f("[Config]\nShowWiz=0\n", 1016, 700, InState(left.state.Path(), wxYES));
    ASSERT_TRUE(f.WaitReady());
    EXPECT_TRUE(Offered(f, "journey.fmph"));
    EXPECT_EQ(CaptureMeshState(f->Project()).tables, left.mesh.tables);
    EXPECT_EQ(f->Project().m_nMorphType, 3);
    EXPECT_TRUE(f->GetMenuBar()->IsChecked(cmdmap::ToWx(ids::kMorphType3)));
    EXPECT_EQ(f->GetTitle().utf8_string(), "*journey.fmph - Kestrelle");
    EXPECT_EQ(f->Session().ProjectPath(), left.szProject);
    // The edits now live in this process's copy, and the old one is not offered again.
    ownCopy = f->Recovery()->CopyPath();
    EXPECT_TRUE(Exists(ownCopy));
    EXPECT_FALSE(Exists(left.szCopy));
    EXPECT_TRUE(recovery::LeftBehind(left.state.File("kestrelle")).empty());
    // Save asks for a name and writes where the user chose; the copy goes.
    const std::string saved = left.dir.File("journey-saved.fmph");
    f.m_szNextFile = saved;
    f.Command(ids::kSaveProject);
    f->Recovery()->Flush();
    EXPECT_FALSE(Exists(ownCopy));
    MorphProject reread;
    ASSERT_TRUE(OpenProject(reread, saved).ok());
    EXPECT_EQ(CaptureMeshState(reread).tables, left.mesh.tables);
  }
}

TEST(RecoveryWindow, DiscardRemovesTheCopyAndAMissingPictureKeepsIt) {
  {
    LeftCopy left;
    MainWindowFixture f("[Config]\nShowWiz=0\n", 1016, 700, InState(left.state.Path(), wxNO));
    ASSERT_TRUE(PumpUntil([&] { return Offered(f, "journey.fmph"); }, 5000));
    EXPECT_FALSE(Exists(left.szCopy));
    EXPECT_FALSE(Exists(recovery::InfoPath(left.szCopy)));
    EXPECT_FALSE(f->Project().IsReady());
  }
  {
    LeftCopy left;
    std::filesystem::remove(left.dir.File("two.bmp"));
    MainWindowFixture f("[Config]\nShowWiz=0\n", 1016, 700, InState(left.state.Path(), wxYES));
    ASSERT_TRUE(PumpUntil([&] { return f.m_messages.size() >= 2; }, 5000));
    const std::string& refusal = f.m_messages[1].szText;
    EXPECT_NE(refusal.find("无法恢复项目“journey.fmph”"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(left.dir.File("two.bmp")), std::string::npos) << refusal;
    EXPECT_TRUE(Exists(left.szCopy));  // kept for a later try
    EXPECT_FALSE(f->Project().IsReady());
  }
}

TEST(RecoveryWindow, EditsAreKeptUntilSavedAndDroppedByClosing) {
  TempDir state;
  std::string copy;
  {
    MainWindowFixture f("[Config]\nShowWiz=0\n", 1016, 700, InState(state.Path(), wxYES));
    ASSERT_NE(f->Recovery(), nullptr);
    copy = f->Recovery()->CopyPath();
    ASSERT_TRUE(f.Load(1, guitest::WritePicture(f.Folder(), "a.bmp", 300, 200, 1)));
    ASSERT_TRUE(f.Load(2, guitest::WritePicture(f.Folder(), "b.bmp", 300, 200, 2)));
    ASSERT_TRUE(f.WaitReady());
    // A new project from two pictures is unsaved work: it reaches the disk on its own.
    EXPECT_TRUE(PumpUntil([&] { return Exists(copy); }, 3000));
    f.m_szNextFile = f.Folder().File("new.fmph");
    f.Command(ids::kSaveProject);
    f->Recovery()->Flush();
    EXPECT_FALSE(Exists(copy));
    f.Command(ids::kMorphType2);  // an edit after the save
    f->Recovery()->Flush();
    EXPECT_TRUE(Exists(copy));
    f->Close(false);  // the question answered Yes: the edits are dropped
    EXPECT_TRUE(PumpUntil([&] { return !f.IsAlive(); }, 1000));
  }
  EXPECT_FALSE(Exists(copy));
}

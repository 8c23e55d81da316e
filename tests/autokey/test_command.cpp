// The command as a window runs it: snapshot, engine on another thread, apply back.
#include <gtest/gtest.h>

#include <future>
#include <string>

#include "autokey/AutoKeyCommand.h"
#include "core/MorphProject.h"
#include "support/SyntheticScenes.h"
#include "support/TestSupport.h"

namespace {

std::string Sample(const std::string& name) { return SourceDir() + "/resources/samples/" + name; }

autokey::AutoKeyOutcome RunOffThread(const MorphProject& project) {
  const autokey::AutoKeyJob job = autokey::PrepareAutoKey(project);
  return std::async(std::launch::async, [&job] { return autokey::RunAutoKey(job); }).get();
}

TEST(AutoKeyCommand, AddsTheFacePairsOnceAndRefusesAStaleOutcome) {
  MorphProject project;
  ASSERT_TRUE(project.LoadImage1(Sample("girl.png")).ok());
  ASSERT_TRUE(project.LoadImage2(Sample("boy.png")).ok());
  const autokey::AutoKeyOutcome outcome = RunOffThread(project);
  ASSERT_TRUE(outcome.proposals.ok()) << outcome.message;
  EXPECT_EQ(project.m_mesh.GetPointCount(), 5) << "the worker touches no project";

  const autokey::AutoKeyApplied applied = autokey::FinishAutoKey(project, outcome);
  EXPECT_TRUE(applied.changed);
  EXPECT_EQ(applied.firstAdded, 5);
  EXPECT_GE(applied.added, 55);
  EXPECT_EQ(project.m_mesh.GetPointCount(), applied.firstAdded + applied.added);
  EXPECT_NE(applied.message.find("from the faces"), std::string::npos) << applied.message;
  EXPECT_NE(applied.message.find(std::to_string(applied.added) + " key-point pairs placed."), std::string::npos)
      << applied.message;

  // The same outcome again: the project no longer is what it was made for.
  const autokey::AutoKeyApplied again = autokey::FinishAutoKey(project, outcome);
  EXPECT_FALSE(again.changed);
  EXPECT_EQ(again.added, 0);
  EXPECT_EQ(project.m_mesh.GetPointCount(), applied.firstAdded + applied.added);
  EXPECT_NE(again.message.find("nothing was added"), std::string::npos) << again.message;
}

TEST(AutoKeyCommand, SaysWhatIsMissingAndChangesNothing) {
  TempDir dir;
  MorphProject project;
  ASSERT_TRUE(project.LoadImage1(Sample("girl.png")).ok());
  autokey::AutoKeyApplied applied = autokey::FinishAutoKey(project, RunOffThread(project));
  EXPECT_FALSE(applied.changed);
  EXPECT_NE(applied.message.find("Both pictures"), std::string::npos) << applied.message;

  // A face and a landscape: which picture lacks a face, and that features do not match either.
  ASSERT_TRUE(MakeLandscape(640, 480).Save(dir.File("land.bmp"), PICTURE_BMP));
  ASSERT_TRUE(project.LoadImage2(dir.File("land.bmp")).ok());
  applied = autokey::FinishAutoKey(project, RunOffThread(project));
  EXPECT_FALSE(applied.changed);
  EXPECT_EQ(project.m_mesh.GetPointCount(), 5);
  EXPECT_NE(applied.message.find("No face found in image2."), std::string::npos) << applied.message;
  EXPECT_NE(applied.message.find("too different to match"), std::string::npos) << applied.message;
}

}  // namespace

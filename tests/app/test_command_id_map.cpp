// The one table between the program's menu command ids and the toolkit's menu ids.
#include <gtest/gtest.h>

#include <set>

#include "app/CommandIdMap.h"
#include "app/CommandLine.h"

namespace {

// Every command a menu or popup of the window carries, named one by one (not from the table).
std::vector<int> MenuCommands() {
  std::vector<int> v = {ids::kNewWizard,   ids::kOpenProject,  ids::kCloseProject, ids::kSaveProject,
                        ids::kSaveProjectAs, ids::kLoadImage1, ids::kLoadImage2, ids::kOutputSingleFrame,
                        ids::kOutputAviMenu, ids::kExit,       ids::kUndo,       ids::kRedo,
                        ids::kCut,         ids::kCopy,         ids::kPaste,      ids::kShowTriangles,
                        ids::kSizeImage1,  ids::kSizeImage2,   ids::kSizeAverage, ids::kSizeDvdNtsc,
                        ids::kSizeDvdPal,  ids::kSizeVcdNtsc,  ids::kSizeVcdPal, ids::kSizeCustom,
                        ids::kMorphType1,  ids::kMorphType2,   ids::kMorphType3, ids::kOutputSettings,
                        ids::kPlayPause,   ids::kLoopPlay,     ids::kLoopBack,   ids::kFirstFrame,
                        ids::kLastFrame,   ids::kNextFrame,    ids::kPrevFrame,  ids::kHelp,
                        ids::kAbout};
  for (int id = ids::kSampleFirst; id <= ids::kSampleLast; ++id) v.push_back(id);
  for (const auto* menu : {ids::kZoomMenu1, ids::kZoomMenu2, ids::kZoomMenu3})
    for (int i = 0; i < 8; ++i) v.push_back(menu[i].nId);
  for (int id = ids::kSizePopupFirst; id <= ids::kSizePopupLast; ++id) v.push_back(id);
  for (int id = ids::kSizeAltFirst; id <= ids::kSizeAltLast; ++id) v.push_back(id);
  return v;
}

}  // namespace

TEST(CommandIdMap, EveryMenuCommandRoundTripsToOneValidToolkitId) {
  const std::vector<int> commands = MenuCommands();
  std::set<int> wxIds;
  for (int cmd : commands) {
    const int wx = cmdmap::ToWx(cmd);
    ASSERT_GE(wx, cmdmap::kWxBase) << "command " << cmd << " has no toolkit id";
    EXPECT_LT(wx, cmdmap::kWxLimit) << cmd;
    EXPECT_EQ(cmdmap::FromWx(wx), cmd);
    wxIds.insert(wx);
  }
  EXPECT_EQ(wxIds.size(), std::set<int>(commands.begin(), commands.end()).size())
      << "two commands share a toolkit id";
  // The whole handed-out range maps back one to one, and nothing outside it does.
  std::set<int> back;
  for (int wx = cmdmap::kWxBase; wx < cmdmap::kWxBase + cmdmap::Count(); ++wx) {
    const int cmd = cmdmap::FromWx(wx);
    ASSERT_GE(cmd, 0) << wx;
    EXPECT_EQ(cmdmap::ToWx(cmd), wx);
    back.insert(cmd);
  }
  EXPECT_EQ(static_cast<int>(back.size()), cmdmap::Count());
  EXPECT_EQ(cmdmap::FromWx(cmdmap::kWxBase - 1), -1);
  EXPECT_EQ(cmdmap::FromWx(cmdmap::kWxBase + cmdmap::Count()), -1);
  EXPECT_EQ(cmdmap::ToWx(ids::kLoadImage1Button), -1);  // controls keep their own ids
}

TEST(CommandIdMap, EventTableRangesStayContiguous) {
  const std::pair<int, int> ranges[] = {{ids::kSampleFirst, ids::kSampleLast}, {ids::kSizeImage1, ids::kSizeVcdNtsc},
                                        {ids::kMorphType1, ids::kMorphType3},  {ids::kZoomFirst, ids::kZoomLast},
                                        {ids::kLastFrame, ids::kPrevFrame},    {ids::kSizePopupFirst, ids::kSizePopupLast},
                                        {ids::kSizeAltFirst, ids::kSizeAltLast}};
  for (const auto& [first, last] : ranges)
    for (int id = first; id <= last; ++id) EXPECT_EQ(cmdmap::ToWx(id) - cmdmap::ToWx(first), id - first) << id;
}

TEST(ProgramArguments, VersionFileAndRefusals) {
  EXPECT_TRUE(ParseProgramArguments({"--version"}).bVersion);
  EXPECT_TRUE(ParseProgramArguments({"-h"}).bHelp);
  const ProgramArguments a = ParseProgramArguments({"/tmp/a b.fmph"});
  EXPECT_TRUE(a.szError.empty());
  EXPECT_EQ(a.szOpenFile, "/tmp/a b.fmph");
  EXPECT_EQ(ParseProgramArguments({"--", "-odd.fmph"}).szOpenFile, "-odd.fmph");
  EXPECT_FALSE(ParseProgramArguments({"--frobnicate"}).szError.empty());
  EXPECT_FALSE(ParseProgramArguments({"a.fmph", "b.fmph"}).szError.empty());
  EXPECT_FALSE(ParseProgramArguments({""}).szError.empty());
  EXPECT_TRUE(ParseProgramArguments({}).szOpenFile.empty());
}

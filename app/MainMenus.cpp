#include "app/MainMenus.h"

#include <iterator>

#include "app/CommandIds.h"
#include "app/PaneGeometry.h"
#include "app/ProjectSession.h"
#include "base/TextMarks.h"
#include "core/ProjectFile.h"

namespace menus {

namespace {

// The File menu's texts of kSampleProjects, in its order.
constexpr const char* kSampleMenuTexts[] = {"gril to leopard", "bill to boy", "mona lisa", "cat to tiger",
                                            "gril to boy",     "gril warp",   "cushaw warp"};
static_assert(std::size(kSampleMenuTexts) == std::size(kSampleProjects) &&
                  ids::kSampleLast - ids::kSampleFirst + 1 == static_cast<int>(std::size(kSampleProjects)),
              "one command and one text for every sample");

MenuItem Item(int nId, const char* szText) { return {ItemKind::Normal, nId, szText}; }
MenuItem Check(int nId, const char* szText) { return {ItemKind::Check, nId, szText}; }
MenuItem Separator() { return {ItemKind::Separator, 0, ""}; }
MenuItem Begin(const char* szText) { return {ItemKind::SubmenuBegin, 0, szText}; }
MenuItem End() { return {ItemKind::SubmenuEnd, 0, ""}; }
ItemState Enabled(int nId, bool bEnabled) {
  ItemState s;
  s.nId = nId;
  s.bEnabled = bEnabled;
  return s;
}

// Items that act on a project: live once a project has been ready.
constexpr int kProjectItems[] = {
    ids::kCloseProject, ids::kSaveProject,  ids::kSaveProjectAs,  ids::kOutputSingleFrame, ids::kOutputAviMenu,
    ids::kShowTriangles, ids::kSizeImage1,  ids::kSizeImage2,     ids::kSizeAverage,       ids::kSizeDvdNtsc,
    ids::kSizeDvdPal,   ids::kSizeVcdNtsc,  ids::kSizeVcdPal,     ids::kSizeCustom,        ids::kMorphType1,
    ids::kMorphType2,   ids::kMorphType3,   ids::kOutputSettings, ids::kPlayPause,         ids::kLoopPlay,
    ids::kLoopBack,     ids::kFirstFrame,   ids::kLastFrame,      ids::kNextFrame,         ids::kPrevFrame};

}  // namespace

const SampleProject* SampleOfCommand(int nCommand) {
  const int i = nCommand - ids::kSampleFirst;
  return i >= 0 && i < static_cast<int>(std::size(kSampleProjects)) ? &kSampleProjects[i] : nullptr;
}

std::vector<Menu> MainMenuBar() {
  Menu file{N_("文件"),
            {Item(ids::kNewWizard, N_("新建项目向导...\tCtrl+N")), Item(ids::kOpenProject, N_("打开项目\tCtrl+O")),
             Begin(N_("打开示例项目")), Begin(N_("多图像混合变形"))}};
  const auto samples = [&file](bool bWarp) {
    for (size_t i = 0; i < std::size(kSampleProjects); ++i)
      if (kSampleProjects[i].bWarp == bWarp)
        file.items.push_back(Item(ids::kSampleFirst + static_cast<int>(i), kSampleMenuTexts[i]));
  };
  samples(false);
  file.items.push_back(End());
  file.items.push_back(Begin(N_("单图像变形")));
  samples(true);
  file.items.push_back(End());
  file.items.push_back(End());
  for (const MenuItem& item :
       {Item(ids::kCloseProject, N_("关闭项目")), Item(ids::kSaveProject, N_("保存项目")),
        Item(ids::kSaveProjectAs, N_("另存为 ...")), Separator(), Item(ids::kLoadImage1, N_("载入第一幅图像")),
        Item(ids::kLoadImage2, N_("载入第二幅图像")), Separator(), Item(ids::kOutputSingleFrame, N_("输出单帧图像")),
        Item(ids::kOutputAviMenu, N_("输出avi电影")), Separator(), Item(ids::kExit, N_("退出"))})
    file.items.push_back(item);

  Menu edit{N_("编辑"),
            {Item(ids::kUndo, N_("撤消\tCtrl+Z")), Item(ids::kRedo, N_("重做\tCtrl+Y")), Separator(),
             Item(ids::kCut, N_("剪切\tCtrl+X")), Item(ids::kCopy, N_("拷贝\tCtrl+C")), Item(ids::kPaste, N_("粘贴\tCtrl+V")),
             Separator(), Item(ids::kAutoKeyPoints, N_("自动关键点"))}};
  Menu show{N_("显示"), {Check(ids::kShowTriangles, N_("显示三角形边界"))}};
  Menu anim{N_("动画"),
            {Item(ids::kSizeImage1, N_("512x512 以第一幅图像大小")), Item(ids::kSizeImage2, N_("512x512 以第二幅图像大小")),
             Item(ids::kSizeAverage, N_("256x256 平均大小...")), Item(ids::kSizeDvdNtsc, N_("720x480 DVD NTSC模式")),
             Item(ids::kSizeDvdPal, N_("720x576 DVD PAL模式")), Item(ids::kSizeVcdNtsc, N_("352x240 VCD NTSC模式")),
             Item(ids::kSizeVcdPal, N_("352x288 VCD PAL模式")), Item(ids::kSizeCustom, N_("自定义大小...")), Separator(),
             Check(ids::kMorphType1, N_("Morphing image1 to image2")), Check(ids::kMorphType2, N_("warp image1")),
             Check(ids::kMorphType3, N_("warp image2")), Separator(), Item(ids::kOutputSettings, N_("设置..."))}};
  Menu play{N_("播放"),
            {Item(ids::kPlayPause, N_("播放/暂停")), Check(ids::kLoopPlay, N_("自动循环播放")),
             Check(ids::kLoopBack, N_("自动循环回放")), Separator(), Item(ids::kFirstFrame, N_("第一帧")),
             Item(ids::kLastFrame, N_("最后一帧")), Item(ids::kNextFrame, N_("下一帧")), Item(ids::kPrevFrame, N_("前一帧"))}};
  // The desktop has no system menu: its About item lives here.
  Menu help{N_("帮助"), {Item(ids::kHelp, N_("帮助")), Separator(), Item(ids::kAbout, N_("关于 Kestrelle(&A)..."))}};
  return {file, edit, show, anim, play, help};
}

std::vector<MenuItem> ZoomMenu(int nPane) {
  const ids::ZoomItem* items = nPane == 0 ? ids::kZoomMenu1 : nPane == 1 ? ids::kZoomMenu2 : ids::kZoomMenu3;
  std::vector<MenuItem> out;
  for (int i = 0; i < 7; ++i) out.push_back(Item(items[i].nId, ids::kZoomMenuTexts[i]));
  out.push_back(Item(items[7].nId, nPane == 2 ? N_("Best fit") : N_("最佳比例")));
  return out;
}

std::vector<MenuItem> OutputSizeMenu(const ProjectSession& session) {
  std::vector<MenuItem> out;
  if (!session.IsReady()) return out;
  const PaneSizes s = session.Sizes();
  for (const pane::SizeMenuItem& item : pane::OutputSizeMenu(s.w[0], s.h[0], s.w[1], s.h[1]))
    out.push_back({ItemKind::Normal, item.nId, item.szText});
  return out;
}

std::vector<ItemState> ComputeMenuState(const ProjectSession& session) {
  const MorphProject& p = session.Project();
  std::vector<ItemState> out;
  const bool live = session.CommandsEnabled();
  for (int id : kProjectItems) out.push_back(Enabled(id, live));
  auto check = [&out](int id, bool bChecked) {
    for (ItemState& s : out)
      if (s.nId == id) {
        s.bCheckable = true;
        s.bChecked = bChecked;
      }
  };
  for (int t = 1; t <= 3; ++t) check(ids::kMorphType1 + t - 1, p.m_nMorphType == t);
  check(ids::kLoopPlay, p.m_bLoopPlay != 0);
  check(ids::kLoopBack, p.m_bLoopBack != 0);
  check(ids::kShowTriangles, p.m_bShowTriangles != 0);
  // The picture-based size items name their sizes once both pictures are there.
  const std::array<std::string, 3> texts = p.SizeItemTexts();
  const int sizeIds[3] = {ids::kSizeImage1, ids::kSizeImage2, ids::kSizeAverage};
  for (int i = 0; i < 3; ++i)
    for (ItemState& s : out)
      if (s.nId == sizeIds[i]) s.szLabel = texts[i];
  out.push_back(Enabled(ids::kUndo, session.History().CanUndo()));
  out.push_back(Enabled(ids::kRedo, session.History().CanRedo()));
  for (int id : {ids::kCut, ids::kCopy, ids::kPaste}) out.push_back(Enabled(id, false));
  out.push_back(Enabled(ids::kAutoKeyPoints, session.IsReady() && !session.AutoKeyRunning()));
  return out;
}

}  // namespace menus

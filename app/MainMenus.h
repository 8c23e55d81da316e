// The main window's menus as data: the menu bar, the pane zoom popups and the output-size
// popup, and the state of every item (enabled, checked, label) derived from the session. The
// window builds its menus from these tables and sets the state from ComputeMenuState after
// every change; no handler enables or checks an item by hand.
#pragma once

#include <string>
#include <vector>

class ProjectSession;
struct SampleProject;

namespace menus {

enum class ItemKind { Normal, Check, Separator, SubmenuBegin, SubmenuEnd };

struct MenuItem {
  ItemKind kind = ItemKind::Normal;
  int nId = 0;        // command id (none for separators and submenu ends)
  std::string szText; // UTF-8, with "\t" before an accelerator
};

struct Menu {
  std::string szTitle;
  std::vector<MenuItem> items;
};

// "文件", "编辑", "显示", "动画", "播放", "帮助" with their items.
std::vector<Menu> MainMenuBar();
// The shipped sample (core's kSampleProjects) a File-menu command opens: command
// ids::kSampleFirst + i opens sample i. None for any other command.
const SampleProject* SampleOfCommand(int nCommand);
// The zoom popup of pane 0, 1 or 2 (menus 176, 178, 179).
std::vector<MenuItem> ZoomMenu(int nPane);
// The output-size popup of button 1030 for the session's pictures (empty without both).
std::vector<MenuItem> OutputSizeMenu(const ProjectSession& session);

struct ItemState {
  int nId = 0;
  bool bEnabled = true;
  bool bCheckable = false;
  bool bChecked = false;
  std::string szLabel;  // empty: the item keeps its text
};
// Every menu-bar item whose state depends on the session.
std::vector<ItemState> ComputeMenuState(const ProjectSession& session);

}  // namespace menus

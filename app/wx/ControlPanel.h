// The main window's controls over the canvas: the tool column, the playback cross, the output
// column, the load buttons, the three info bars with their read-outs and menu buttons, the
// frame slider and the frame-count entry. It places them from the window layout and shows
// what the session holds; clicks travel up to the frame as button and scroll events.
#pragma once

#include <array>
#include <functional>

class CSkinButton;
class CSkinPicButton;
class CSkinSlider;
class ISkinBackground;
class IUserInteraction;
class ProjectSession;
class wxTextCtrl;
class wxWindow;
namespace pane {
struct WindowLayout;
}

class CControlPanel {
 public:
  // Makes every control as a child of `parent`; the frame-count entry starts hidden. `ui`
  // hears of artwork that failed to load.
  CControlPanel(wxWindow* parent, IUserInteraction& ui);

  // The tool column, the playback cross and the output column at their places.
  void PlaceGroups(const pane::WindowLayout& layout);
  // The info bars: placed, and labelled from the session.
  void LayoutInfoBars(const ProjectSession& session);
  void ShowFrame(const ProjectSession& session);
  void ShowFrameCount(const ProjectSession& session);
  void ShowPosition(const ProjectSession& session, int nPane);
  // Enabled state and faces of the tool, playback, output and automatic buttons.
  void ShowControls(const ProjectSession& session);
  void OpenEntry(const ProjectSession& session);
  void CloseEntry();
  // The skinned controls paint the canvas's backdrop behind themselves.
  void UseBackground(ISkinBackground* pSource);

  // Called when the frame-count entry has lost the focus.
  std::function<void()> onEntryLostFocus;

  CSkinButton* Button(int nId) const;
  CSkinSlider* Slider() const { return m_slider; }
  wxTextCtrl* Entry() const { return m_entry; }
  bool EntryContains(int x, int y) const;

 private:
  wxWindow* m_parent;
  std::array<CSkinPicButton*, 6> m_tool{};
  CSkinPicButton* m_autoKey = nullptr;
  std::array<CSkinPicButton*, 5> m_play{};    // 1003, 1013, 1014, 1001, 1
  std::array<CSkinPicButton*, 6> m_output{};  // 1018, 1040, 1035, 1036, 1037, 1038
  std::array<CSkinButton*, 2> m_load{};
  std::array<CSkinButton*, 2> m_zoom{}, m_size{}, m_position{}, m_path{};
  CSkinButton* m_size3 = nullptr;
  CSkinButton* m_zoom3 = nullptr;
  CSkinButton* m_curFrame = nullptr;
  CSkinButton* m_frameCount = nullptr;
  CSkinButton* m_moreFrames = nullptr;
  CSkinButton* m_fewerFrames = nullptr;
  CSkinSlider* m_slider = nullptr;
  wxTextCtrl* m_entry = nullptr;  // 1056, over the frame-count read-out while open
  int m_nShownEnabled = -1;        // the button groups' state as last shown
  int m_nShownPlayFace = 0;
};

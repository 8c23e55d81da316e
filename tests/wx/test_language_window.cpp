// The window in both of its languages: a tour opens every menu, popup, dialog, settings page
// and wizard page and reads every text shown. In English no Chinese character is left; in
// either language no text is wider than its control, measured with the control's font.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choicdlg.h>
#include <wx/combobox.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/tooltip.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "output/MovieCodecs.h"
#include "output/wx/CodecChoice.h"
#include "output/wx/OutputDlg.h"
#include "output/wx/SaveConfigDlg.h"
#include "output/wx/ScaleDlg.h"
#include "tests/wx/GuiTestSupport.h"
#include "ui/wx/SkinButton.h"
#include "ui/wx/Translation.h"
#include "wizard/wx/Wizard.h"

using guitest::ClickControl;
using guitest::MainWindowFixture;

namespace {

bool IsCjk(wxUniChar c) {
  const unsigned u = c.GetValue();
  return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool HasCjk(const wxString& text) {
  for (wxUniChar c : text)
    if (IsCjk(c)) return true;
  return false;
}

// Everything the tour read, and what was wrong with it.
class CTextTour {
 public:
  explicit CTextTour(bool bEnglish) : m_bEnglish(bEnglish) {}

  // A window and every shown control below it.
  void Window(wxWindow* w, const std::string& where) {
    if (!w->IsTopLevel() && !w->IsShown()) return;
    if (w->IsTopLevel()) Text(where + " title", w->GetLabel());
    else Control(w, where);
    for (wxWindow* child : w->GetChildren())
      if (!child->IsTopLevel()) Window(child, where);
    m_seen.insert(where);
  }

  void Menu(const wxMenu& menu, const std::string& where) {
    for (const wxMenuItem* item : menu.GetMenuItems()) {
      if (item->IsSeparator()) continue;
      Text(where, item->GetItemLabel());
      if (item->GetSubMenu()) Menu(*item->GetSubMenu(), where);
    }
    m_seen.insert(where);
  }

  void Text(const std::string& where, const wxString& text) {
    ++m_nTexts;
    if (m_bEnglish && HasCjk(text)) m_cjk.push_back(where + ": " + text.utf8_string());
  }

  void Messages(std::vector<guitest::Message>& messages, const std::string& where) {
    for (const guitest::Message& m : messages) {
      Text(where + " message", wxString::FromUTF8(m.szText));
      Text(where + " message caption", wxString::FromUTF8(m.szCaption));
    }
    if (!messages.empty()) m_seen.insert(where);
    messages.clear();
  }

  const std::vector<std::string>& Cjk() const { return m_cjk; }
  const std::vector<std::string>& Clipped() const { return m_clipped; }
  const std::set<std::string>& Seen() const { return m_seen; }
  int TextCount() const { return m_nTexts; }

 private:
  void Control(wxWindow* w, const std::string& where) {
    if (auto* combo = dynamic_cast<wxComboBox*>(w)) {
      Text(where, combo->GetValue());
      for (const wxString& item : combo->GetStrings()) Text(where, item);
    } else if (auto* edit = dynamic_cast<wxTextCtrl*>(w)) {
      Text(where, edit->GetValue());
    } else {
      Text(where, w->GetLabel());
    }
    if (const wxToolTip* tip = w->GetToolTip()) Text(where + " tool tip", tip->GetTip());
    Fit(w, where);
  }

  // The text drawn in the control, measured with its font, against the room it has.
  void Fit(wxWindow* w, const std::string& where) {
    const wxString label = wxStripMenuCodes(w->GetLabel());
    if (label.empty() || dynamic_cast<CSkinButton*>(w)) return;  // skins shorten or draw pictures
    int nNeed = 0;
    const int nHave = w->GetSize().x;
    if (dynamic_cast<wxStaticBox*>(w)) {
      nNeed = w->GetTextExtent(label).x + 12;  // the frame's corner before the caption
    } else if (dynamic_cast<wxStaticText*>(w)) {
      if (w->HasFlag(wxST_ELLIPSIZE_START | wxST_ELLIPSIZE_MIDDLE | wxST_ELLIPSIZE_END)) return;
      for (const wxString& line : wxSplit(label, '\n', 0)) nNeed = std::max(nNeed, w->GetTextExtent(line).x);
    } else if (dynamic_cast<wxButton*>(w) || dynamic_cast<wxCheckBox*>(w) || dynamic_cast<wxRadioButton*>(w)) {
      // The best size holds the text with the control's own margins and indicator.
      nNeed = std::max(w->GetTextExtent(label).x, w->GetBestSize().x);
    } else {
      return;
    }
    if (nNeed > nHave)
      m_clipped.push_back(where + ": \"" + label.utf8_string() + "\" needs " + std::to_string(nNeed) + " px, has " +
                          std::to_string(nHave));
  }

  bool m_bEnglish;
  int m_nTexts = 0;
  std::vector<std::string> m_cjk, m_clipped;
  std::set<std::string> m_seen;
};

// With KESTRELLE_SCREENSHOTS naming a folder, the tour leaves a picture of each window it shows
// there, named NAME-en.png or NAME-zh.png (the README's pictures in docs/ are made this way,
// under openbox).
void Snap(wxWindow* w, const std::string& name) {
  const char* dir = std::getenv("KESTRELLE_SCREENSHOTS");
  if (!dir || !*dir || !w) return;
  w->Raise();
  w->Refresh();
  w->Update();
  guitest::Pump(200);
  const wxImage screen = guitest::GrabScreen();
  wxRect rect = w->GetScreenRect();  // with the window manager's frame
  rect.Intersect(wxRect(0, 0, screen.GetWidth(), screen.GetHeight()));
  if (screen.IsOk() && !rect.IsEmpty()) {
    const std::string language = Tr("文件") == "File" ? "-en" : "-zh";
    EXPECT_TRUE(screen.GetSubImage(rect).SaveFile(std::string(dir) + "/" + name + language + ".png", wxBITMAP_TYPE_PNG));
  }
}

// The window in one language for the life of a test.
class LanguageSwitch {
 public:
  explicit LanguageSwitch(bool bEnglish) {
    // The build's own catalogs, chosen as the program chooses from LANGUAGE=en.
    const UiLanguageChoice choice =
        bEnglish ? ChooseUiLanguage({"en", "", "", "C.UTF-8"}, {BinDir() + "/locale"}) : UiLanguageChoice{};
    if (bEnglish) {
      EXPECT_FALSE(choice.OwnTexts()) << "no English catalog under " << BinDir() << "/locale";
    }
    EXPECT_TRUE(UseUiLanguage(choice));
  }
  ~LanguageSwitch() { UseUiLanguage({}); }
};

// Opens everything the window can show and reads it.
void RunTour(CTextTour& tour) {
  MainWindowFixture f("");  // no config.ini: the start-up notice, once the window stands still
  guitest::PumpUntil([&f] { return !f.m_messages.empty(); }, 3000);
  tour.Messages(f.m_messages, "start-up");
  wxMenuBar* bar = f->GetMenuBar();
  for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
    tour.Text("menu bar", bar->GetMenuLabelText(i));
    tour.Menu(*bar->GetMenu(i), "menus");
  }
  tour.Window(f.Get(), "main window");

  // A project ready: the picture-sized menu items, the info bars and the popups.
  f.Command(ids::kSampleFirst);
  ASSERT_TRUE(f.WaitReady());
  for (size_t i = 0; i < bar->GetMenuCount(); ++i) tour.Menu(*bar->GetMenu(i), "menus of a project");
  tour.Window(f.Get(), "main window with a project");
  Snap(f.Get(), "main-window");
  f.User().menuChooser = [&tour](wxMenu& menu) {
    tour.Menu(menu, "popups");
    return wxID_NONE;
  };
  for (int id : {ids::kZoomButton1, ids::kZoomButton2, ids::kZoomButton3, ids::kOutputSizeButton}) {
    wxCommandEvent click(wxEVT_BUTTON, id);
    f->GetEventHandler()->ProcessEvent(click);
  }
  f.User().menuChooser = nullptr;

  // Every dialog as it comes up: the output dialog of each format with its settings pages,
  // the custom size, the compressor choice.
  wxTimer closeOutput;
  closeOutput.Bind(wxEVT_TIMER, [&f](wxTimerEvent&) {
    for (wxWindow* w : f->GetChildren())
      if (auto* out = dynamic_cast<COUTPUTDlg*>(w); out && out->IsModal()) guitest::QueueClick(*out, wxID_CANCEL);
  });
  f.User().onDialog = [&tour, &closeOutput](wxDialog& d, const std::string& what) {
    if (what != "shown") return;
    if (auto* settings = dynamic_cast<CDLGSAVECONFIG*>(&d)) {
      for (int page : {ImageSequence, AnimatedGif, AviMovie, FlashMovie, HtmlPage}) {
        settings->SelectPage(page);
        tour.Window(settings, "settings page " + std::to_string(page));
        if (page == AnimatedGif) Snap(settings, "settings-dialog");
      }
      guitest::QueueClick(d, wxID_CANCEL);
      // The output dialog below closes once this one has: a click handled while this
      // dialog's loop still runs would end the wrong loop.
      closeOutput.StartOnce(300);
    } else if (auto* out = dynamic_cast<COUTPUTDlg*>(&d)) {
      tour.Window(out, "output dialog");
      const bool bFirst = tour.Seen().count("settings page 0") == 0;
      if (bFirst) Snap(out, "output-dialog");
      guitest::QueueClick(d, bFirst ? static_cast<int>(COUTPUTDlg::kSettingsButton) : static_cast<int>(wxID_CANCEL));
    } else if (dynamic_cast<CDLGSCALE*>(&d) || dynamic_cast<wxSingleChoiceDialog*>(&d)) {
      const bool scale = dynamic_cast<CDLGSCALE*>(&d) != nullptr;
      tour.Window(&d, scale ? "custom size" : "compressor choice");
      Snap(&d, scale ? "custom-size" : "compressor-choice");
      d.EndModal(wxID_CANCEL);
    }
  };
  for (int id : {ids::kOutputSequence, ids::kOutputGif, ids::kOutputSwf, ids::kOutputHtml, ids::kOutputAvi}) {
    wxCommandEvent click(wxEVT_BUTTON, id);
    f->GetEventHandler()->ProcessEvent(click);
  }
  f.Command(ids::kSizeCustom);
  ChooseAviCodec(f.Get(), AvailableMovieCodecs(), f.User());
  f.User().onDialog = nullptr;

  // The wizard, every page of both branches, and its refusal of a bad length.
  const std::string a = guitest::WritePicture(f.Folder(), "a.bmp", 64, 48, 1);
  const std::string b = guitest::WritePicture(f.Folder(), "b.bmp", 80, 60, 2);
  f.User().wizardScript = [&](CWizard& w) {
    tour.Window(&w, "wizard page 1");
    Snap(&w, "wizard-page1");
    ClickControl(&w, wizid::kCreateNew);
    ClickControl(&w, wizid::kNext);
    tour.Window(&w, "wizard page 2");
    Snap(&w, "wizard-page2");
    ClickControl(&w, wizid::kOnePicture);
    ClickControl(&w, wizid::kNext);
    tour.Window(&w, "wizard page 4");
    Snap(&w, "wizard-page4");
    ClickControl(&w, wizid::kBack);
    ClickControl(&w, wizid::kTwoPictures);
    ClickControl(&w, wizid::kNext);
    tour.Window(&w, "wizard page 3");
    Snap(&w, "wizard-page3");
    f.m_szNextFile = a;
    ClickControl(&w, wizid::kImage1Browse);
    f.m_szNextFile = b;
    ClickControl(&w, wizid::kImage2Browse);
    ClickControl(&w, wizid::kNext);
    tour.Window(&w, "wizard page 5");
    Snap(&w, "wizard-page5");
    static_cast<wxTextCtrl*>(w.FindWindow(wizid::kFrameLength))->ChangeValue("2");
    ClickControl(&w, wizid::kNext);
    tour.Messages(f.m_messages, "wizard");
    ClickControl(&w, wizid::kCancel);
  };
  f.Command(ids::kNewWizard);
  f.User().wizardScript = nullptr;

  // Messages: the about box and the question before closing.
  f.Command(ids::kAbout);
  tour.Messages(f.m_messages, "about");
  f.m_nAnswer = wxNO;
  f->Close();
  tour.Messages(f.m_messages, "closing");

  // A recovery copy left behind whose picture has gone: the offer, then why it cannot be restored.
  guitest::LeftCopy left;
  std::filesystem::remove(left.dir.File("two.bmp"));
  MainWindowFixture restart("[Config]\nShowWiz=0\n", 1016, 700, guitest::InState(left.state.Path(), wxYES));
  guitest::PumpUntil([&restart] { return restart.m_messages.size() >= 2; }, 5000);
  tour.Messages(restart.m_messages, "recovery");
}

void ExpectFullTour(const CTextTour& tour) {
  for (const char* where :
       {"start-up", "menus", "menus of a project", "main window", "popups", "output dialog", "settings page 0",
        "settings page 4", "custom size", "compressor choice", "wizard page 1", "wizard page 2", "wizard page 3",
        "wizard page 4", "wizard page 5", "wizard", "about", "closing", "recovery"})
    EXPECT_EQ(tour.Seen().count(where), 1u) << "the tour never reached " << where;
  EXPECT_GT(tour.TextCount(), 200);
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "\n  " + l;
  return out;
}

}  // namespace

TEST(LanguageWindow, EnglishLeavesNoChineseAndEveryTextFits) {
  LanguageSwitch english(true);
  EXPECT_EQ(Tr("文件"), "File");
  CTextTour tour(true);
  RunTour(tour);
  ExpectFullTour(tour);
  EXPECT_TRUE(tour.Cjk().empty()) << "Chinese texts under LANGUAGE=en:" << Lines(tour.Cjk());
  EXPECT_TRUE(tour.Clipped().empty()) << "texts wider than their controls:" << Lines(tour.Clipped());
}

TEST(LanguageWindow, ChineseTextsFitTheirControls) {
  LanguageSwitch chinese(false);
  EXPECT_EQ(Tr("文件"), wxString::FromUTF8("文件"));
  CTextTour tour(false);
  RunTour(tour);
  ExpectFullTour(tour);
  EXPECT_TRUE(tour.Clipped().empty()) << "texts wider than their controls:" << Lines(tour.Clipped());
}

// The new-project wizard over the real main window: both branches down to a ready project,
// opening an existing project, and the start-up run with its cancel rule. The wizard runs
// without its modal loop; file dialogs answer from the fixture.
#include <gtest/gtest.h>

#include <functional>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include "app/AppConfig.h"
#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "render/wx/GLView.h"
#include "tests/wx/GuiTestSupport.h"
#include "wizard/wx/Wizard.h"

using guitest::ClickControl;
using guitest::MainWindowFixture;
using guitest::Pump;

namespace {

// Runs `script` on each wizard the window opens instead of its modal loop.
class ScriptedWizard {
 public:
  ScriptedWizard(MainWindowFixture& f, std::function<void(CWizard&)> script) : m_f(f) {
    f.User().wizardScript = std::move(script);
  }
  ~ScriptedWizard() { m_f.User().wizardScript = nullptr; }

 private:
  MainWindowFixture& m_f;
};

std::string NextLabel(CWizard& w) { return w.FrameButton(wizid::kNext)->GetLabel().utf8_string(); }

std::string EditText(CWizard& w, int id) {
  auto* edit = dynamic_cast<wxTextCtrl*>(w.FindWindow(id));
  return edit ? edit->GetValue().utf8_string() : "<none>";
}

bool Checked(const MainWindowFixture& f, int id) { return f->GetMenuBar()->IsChecked(cmdmap::ToWx(id)); }


}  // namespace

TEST(Wizard, TwoPicturesToAReadyProject) {
  MainWindowFixture f;
  const std::string a = guitest::WritePicture(f.Folder(), "a.bmp", 640, 480, 1);
  const std::string b = guitest::WritePicture(f.Folder(), "b.bmp", 800, 600, 2);
  int nComboItems = 0;
  ScriptedWizard script(f, [&](CWizard& w) {
    EXPECT_EQ(w.GetTitle().utf8_string(), "项目向导");
    EXPECT_FALSE(w.FrameButton(wizid::kBack)->IsEnabled());
    EXPECT_EQ(NextLabel(w), "下一步 >");
    ClickControl(&w, wizid::kCreateNew);
    ClickControl(&w, wizid::kNext);
    ASSERT_EQ(w.CurPage(), 2);
    EXPECT_TRUE(w.Page(2)->IsShown());
    EXPECT_FALSE(w.Page(1)->IsShown());
    ClickControl(&w, wizid::kNext);
    ASSERT_EQ(w.CurPage(), 3);
    ClickControl(&w, wizid::kNext);  // no pictures yet: stays, silently
    EXPECT_EQ(w.CurPage(), 3);
    f.m_szNextFile = a;
    ClickControl(&w, wizid::kImage1Browse);
    ClickControl(&w, wizid::kNext);
    EXPECT_EQ(w.CurPage(), 3);
    f.m_szNextFile = b;
    ClickControl(&w, wizid::kImage2Browse);
    EXPECT_EQ(EditText(w, wizid::kImage1Edit), a);
    EXPECT_EQ(EditText(w, wizid::kImage2Edit), b);
    // The pair is a ready project while the wizard is still open.
    ASSERT_TRUE(f.WaitReady());
    ClickControl(&w, wizid::kNext);
    ASSERT_EQ(w.CurPage(), 5);
    EXPECT_EQ(NextLabel(w), "Finish");
    auto* sizes = dynamic_cast<wxComboBox*>(w.FindWindow(wizid::kSizeList));
    ASSERT_TRUE(sizes);
    EXPECT_EQ(sizes->GetValue().utf8_string(), "640x480");
    ASSERT_EQ(sizes->GetCount(), 3u);
    EXPECT_EQ(sizes->GetString(2).utf8_string(), "720x540");
    guitest::ChooseComboItem(&w, wizid::kSizeList, 1);
    EXPECT_EQ(f->Project().m_nOutputWidth, 800);
    EXPECT_EQ(f->Project().m_nOutputHeight, 600);
    // Back and Next again: the list grows by three more items, "Next >" in between.
    ClickControl(&w, wizid::kBack);
    EXPECT_EQ(w.CurPage(), 3);
    EXPECT_EQ(NextLabel(w), "Next >");
    ClickControl(&w, wizid::kNext);
    nComboItems = static_cast<int>(sizes->GetCount());
    auto* length = dynamic_cast<wxTextCtrl*>(w.FindWindow(wizid::kFrameLength));
    ASSERT_TRUE(length);
    EXPECT_EQ(length->GetValue().utf8_string(), "30");
    length->SetValue("999");
    ClickControl(&w, wizid::kNext);  // refused with a message; the wizard stays open
    EXPECT_EQ(w.CurPage(), 5);
    EXPECT_EQ(f.m_messages.size(), 1u);
    length->SetValue("60");
    ClickControl(&w, wizid::kNext);
  });
  f.Command(ids::kNewWizard);
  EXPECT_EQ(nComboItems, 6);
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_EQ(f.m_messages[0].szText, WizardText::kFrameLengthRefused);
  const MorphProject& p = f->Project();
  ASSERT_TRUE(p.IsReady());
  EXPECT_EQ(p.GetImagePath(1), a);
  EXPECT_EQ(p.GetImagePath(2), b);
  EXPECT_EQ(p.m_nFrameCount, 60);
  EXPECT_EQ(f->Session().FrameCount(), 60);
  EXPECT_EQ(p.m_nOutputWidth, 800);  // the size chosen on page 5 is the output size
  EXPECT_EQ(p.m_nMorphType, 1);
  EXPECT_TRUE(Checked(f, ids::kMorphType1));
  EXPECT_TRUE(f.IsAlive());
}

TEST(Wizard, OnePictureWarpWithTheStartupSwitch) {
  MainWindowFixture f("[Config]\nShowWiz=1\n");
  EXPECT_TRUE(f->WizardRequested());
  const std::string pic = guitest::WritePicture(f.Folder(), "w.bmp", 320, 240, 3);
  ScriptedWizard script(f, [&](CWizard& w) {
    // Checking the box writes the switch at once, cancelling later or not.
    ClickControl(&w, wizid::kNoWizardAtStart);
    EXPECT_FALSE(ReadStartupConfigFile(f.Folder().File("config.ini")).bShowWizard);
    ClickControl(&w, wizid::kCreateNew);
    ClickControl(&w, wizid::kNext);
    ClickControl(&w, wizid::kOnePicture);
    EXPECT_EQ(f->Project().m_nMorphType, 2);
    ClickControl(&w, wizid::kNext);
    ASSERT_EQ(w.CurPage(), 4);
    ClickControl(&w, wizid::kNext);
    EXPECT_EQ(w.CurPage(), 4);
    f.m_szNextFile = pic;
    ClickControl(&w, wizid::kWarpBrowse);
    EXPECT_EQ(EditText(w, wizid::kWarpEdit), pic);
    ASSERT_TRUE(f.WaitReady());
    ClickControl(&w, wizid::kNext);
    ASSERT_EQ(w.CurPage(), 5);
    ClickControl(&w, wizid::kBack);
    EXPECT_EQ(w.CurPage(), 4);
    ClickControl(&w, wizid::kNext);
    ClickControl(&w, wizid::kNext);
  });
  f->RunWizard(true);
  EXPECT_TRUE(f.m_messages.empty());
  const MorphProject& p = f->Project();
  ASSERT_TRUE(p.IsReady());
  EXPECT_EQ(p.GetImagePath(1), pic);
  EXPECT_EQ(p.GetImagePath(2), pic);
  EXPECT_EQ(p.m_nMorphType, 2);
  EXPECT_EQ(p.m_nFrameCount, 30);
  EXPECT_TRUE(Checked(f, ids::kMorphType2));
  EXPECT_FALSE(Checked(f, ids::kMorphType1));
  // Unchecking writes it back.
  ScriptedWizard again(f, [&](CWizard& w) {
    ClickControl(&w, wizid::kNoWizardAtStart);
    ClickControl(&w, wizid::kNoWizardAtStart);
    ClickControl(&w, wizid::kCancel);
  });
  f.Command(ids::kNewWizard);
  EXPECT_TRUE(ReadStartupConfigFile(f.Folder().File("config.ini")).bShowWizard);
  EXPECT_TRUE(p.IsReady());  // cancelled from the menu: the project stays
}

TEST(Wizard, OpenExistingAndTheStartupCancel) {
  MainWindowFixture f;
  const std::string project = f.Folder().File("samples/boytobill.fmph");
  ScriptedWizard open(f, [&](CWizard& w) {
    // Help does what the window's Help command does (here: no help pages beside the program).
    ClickControl(&w, wizid::kHelp);
    EXPECT_EQ(f.m_messages.size() + f.m_launched.size(), 1u);
    f.m_szNextFile = project;  // what the project open dialog answers after the wizard
    ClickControl(&w, wizid::kNext);
  });
  f.Command(ids::kNewWizard);
  ASSERT_TRUE(f.WaitReady());
  EXPECT_NE(f->Project().GetImagePath(1).find("bill.png"), std::string::npos) << f->Project().GetImagePath(1);

  // At start-up, Cancel after a load leaves an empty project with morph type 1.
  const std::string pic = guitest::WritePicture(f.Folder(), "w.bmp", 200, 160, 4);
  ScriptedWizard cancel(f, [&](CWizard& w) {
    ClickControl(&w, wizid::kCreateNew);
    ClickControl(&w, wizid::kNext);
    ClickControl(&w, wizid::kOnePicture);
    ClickControl(&w, wizid::kNext);
    f.m_szNextFile = pic;
    ClickControl(&w, wizid::kWarpBrowse);
    EXPECT_EQ(f->Project().m_nMorphType, 2);
    // Esc is the wizard's Cancel; it must not reach the main window, where it ends the program.
    wxWindow* focus = w.FindWindow(wizid::kWarpBrowse);
    wxKeyEvent esc(wxEVT_CHAR_HOOK);
    esc.m_keyCode = WXK_ESCAPE;
    esc.SetEventObject(focus);
    focus->GetEventHandler()->ProcessEvent(esc);
    EXPECT_EQ(w.GetReturnCode(), wxID_CANCEL);
  });
  f->RunWizard(true);
  Pump(50);
  EXPECT_FALSE(f->Project().GetImage(1));
  EXPECT_FALSE(f->Project().GetImage(2));
  EXPECT_EQ(f->Project().m_nMorphType, 1);
  EXPECT_TRUE(Checked(f, ids::kMorphType1));
  EXPECT_FALSE(Checked(f, ids::kMorphType2));
  EXPECT_FALSE(Checked(f, ids::kMorphType3));
  EXPECT_TRUE(f.IsAlive());
}

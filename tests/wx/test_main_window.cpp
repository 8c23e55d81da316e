// The real main window driven by command ids and events under the private X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include <wx/menu.h>
#include <wx/scrolbar.h>

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/wx/MorphApp.h"
#include "core/ProjectFile.h"
#include "render/OffscreenRenderer.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include <sys/stat.h>
#include <wx/snglinst.h>
#include "art/ArtworkIds.h"
#include "tests/wx/GuiTestSupport.h"
#include "ui/wx/SkinSlider.h"

using guitest::MainWindowFixture;
using guitest::Pump;
using guitest::PumpUntil;

namespace {

bool HasMessage(const MainWindowFixture& f, const std::string& text) {
  for (const auto& m : f.m_messages)
    if (m.szText == text) return true;
  return false;
}

std::string Label(const MainWindowFixture& f, int id) {
  CSkinButton* b = f->Button(id);
  return b ? b->GetLabel().utf8_string() : std::string("<none>");
}

void SendScroll(MainWindowFixture& f, wxEventType type, int barId, int pos = 0) {
  wxScrollBar* bar = f->ScrollBar(barId);
  wxScrollEvent event(type, barId, pos, bar->IsVertical() ? wxVERTICAL : wxHORIZONTAL);
  event.SetEventObject(bar);
  bar->GetEventHandler()->ProcessEvent(event);
}

}  // namespace

TEST(MainWindowStartup, SecondInstanceIsRefused) {
  const wxString name = wxString::Format("kestrelle-test-%d", static_cast<int>(getpid()));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    wxSingleInstanceChecker first;
    const bool ok = first.Create(name);
    const char c = ok ? '1' : '0';
    if (write(ready[1], &c, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, '1');
  guitest::CScriptedUser user;
  wxSingleInstanceChecker second;
  EXPECT_FALSE(AcquireSingleInstance(second, name, user));
  kill(holder, SIGTERM);
  waitpid(holder, nullptr, 0);
  ASSERT_EQ(user.m_messages.size(), 1u);
  EXPECT_EQ(user.m_messages[0].szText, "Application already has run!");
  EXPECT_EQ(user.m_messages[0].szCaption, "Warning");
  // Once the first instance has gone, a new one starts.
  wxSingleInstanceChecker third;
  EXPECT_TRUE(AcquireSingleInstance(third, name, user));
}

TEST(MainWindowStartup, ConfigIniCases) {
  {
    MainWindowFixture f("[Config]\nShowWiz=0\n");
    EXPECT_TRUE(f.m_messages.empty());
    EXPECT_FALSE(f->WizardRequested());
  }
  {
    MainWindowFixture f("[Config]\nShowWiz=10\n");
    EXPECT_TRUE(f.m_messages.empty());
    EXPECT_TRUE(f->WizardRequested());
  }
  {
    MainWindowFixture f("");
    EXPECT_TRUE(HasMessage(f, "can't find Config.ini"));
    EXPECT_FALSE(f->WizardRequested());
  }
}

TEST(MainWindowStartup, MenusCarryTheirTextsAndStartDisabled) {
  MainWindowFixture f;
  wxMenuBar* bar = f->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 6u);
  EXPECT_EQ(bar->GetMenuLabelText(0).utf8_string(), "文件");
  EXPECT_EQ(bar->GetMenuLabelText(5).utf8_string(), "帮助");
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kOpenProject)).utf8_string(), "打开项目\tCtrl+O");
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kSizeImage1)).utf8_string(), "512x512 以第一幅图像大小");
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kSampleFirst)).utf8_string(), "gril to leopard");
  EXPECT_FALSE(bar->IsEnabled(cmdmap::ToWx(ids::kUndo)));
  EXPECT_FALSE(bar->IsEnabled(cmdmap::ToWx(ids::kRedo)));
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kUndo)).utf8_string(), "撤消\tCtrl+Z");
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kRedo)).utf8_string(), "重做\tCtrl+Y");
  EXPECT_FALSE(bar->IsEnabled(cmdmap::ToWx(ids::kPaste)));
  EXPECT_FALSE(bar->IsEnabled(cmdmap::ToWx(ids::kSaveProject)));
  EXPECT_FALSE(f->Button(ids::kToolFirst)->IsEnabled());
  EXPECT_EQ(f->GetMinSize(), wxSize(800, 600));
  // The pane scroll bars start hidden.
  for (int id : {ids::kHScroll1, ids::kVScroll1, ids::kHScroll2, ids::kVScroll2, ids::kHScroll3, ids::kVScroll3})
    EXPECT_FALSE(f->ScrollBar(id)->IsShown());
}

TEST(MainWindowClosing, EscClosesAtOnceCloseBoxAndExitAsk) {
  {
    MainWindowFixture f;
    f->Close(false);  // the close box
    Pump(50);
    ASSERT_TRUE(f.IsAlive());  // answered No
    EXPECT_TRUE(HasMessage(f, "你是否真的要关闭程序?"));
    f.m_messages.clear();
    f.Command(ids::kExit);
    Pump(50);
    EXPECT_TRUE(f.IsAlive());
    EXPECT_EQ(f.m_messages.size(), 1u);
    f.m_nAnswer = wxYES;
    f.Command(ids::kExit);
    EXPECT_TRUE(PumpUntil([&] { return !f.IsAlive(); }, 1000));
    EXPECT_TRUE(f.m_launched.empty());  // no web page configured
  }
  {
    MainWindowFixture f("[Config]\nShowWiz=0\nHomePage=https://example.org/kestrelle\n");
    wxKeyEvent esc(wxEVT_CHAR_HOOK);
    esc.m_keyCode = WXK_ESCAPE;
    f->GetEventHandler()->ProcessEvent(esc);
    EXPECT_TRUE(PumpUntil([&] { return !f.IsAlive(); }, 1000));
    EXPECT_TRUE(f.m_messages.empty());  // no question
    EXPECT_TRUE(f.m_launched.empty());
  }
  {
    MainWindowFixture f("[Config]\nShowWiz=0\nHomePage=https://example.org/kestrelle\n");
    f.m_nAnswer = wxYES;
    f->Close(false);
    EXPECT_TRUE(PumpUntil([&] { return !f.IsAlive(); }, 1000));
    ASSERT_EQ(f.m_launched.size(), 1u);
    EXPECT_EQ(f.m_launched[0], "https://example.org/kestrelle");
  }
}

TEST(MainWindowPictures, TwoPicturesOfDifferentSizes) {
  MainWindowFixture f;
  const std::string small = guitest::WritePicture(f.Folder(), "small.bmp", 200, 100, 1);
  const std::string large = guitest::WritePicture(f.Folder(), "large.bmp", 1024, 768, 2);
  f.m_szNextFile = small;
  f.Command(ids::kLoadImage1);
  f.m_szNextFile = large;
  f.Command(ids::kLoadImage2);
  ASSERT_TRUE(f.WaitReady());
  EXPECT_TRUE(f.m_messages.empty());
  // A small picture shows at 100 %, centred; a large one is fitted into its pane.
  EXPECT_EQ(f.View(0).fZoom, 1.0f);
  EXPECT_EQ(f.ImageRect(0), (pane::Bounds{154, 125, 353, 224}));
  EXPECT_NEAR(f.View(1).fZoom, 268.0f / 768.0f, 1e-6);
  EXPECT_EQ(Label(f, ids::kZoomButton1), "100.0%");
  EXPECT_EQ(Label(f, ids::kSizeReadout1), "200x100");
  EXPECT_EQ(Label(f, ids::kSizeReadout2), "1024x768");
  EXPECT_EQ(Label(f, ids::kPathReadout2), large);
  // The preview set-up: middle frame, output size of image1, select tool, menus enabled.
  EXPECT_EQ(f.DrawnFrame(), 15);
  EXPECT_EQ(f->Project().m_nOutputWidth, 200);
  EXPECT_EQ(Label(f, ids::kOutputSizeButton), "200x100");
  EXPECT_EQ(Label(f, ids::kCurFrameReadout), "15");
  EXPECT_EQ(f->Project().m_nToolMode, ToolSelect);
  EXPECT_TRUE(f->Button(ids::kToolFirst)->IsSelected());
  wxMenuBar* bar = f->GetMenuBar();
  EXPECT_TRUE(bar->IsEnabled(cmdmap::ToWx(ids::kSaveProject)));
  EXPECT_TRUE(bar->IsChecked(cmdmap::ToWx(ids::kMorphType1)));
  EXPECT_TRUE(bar->IsChecked(cmdmap::ToWx(ids::kLoopPlay)));
  EXPECT_EQ(bar->GetLabel(cmdmap::ToWx(ids::kSizeAverage)).utf8_string(), "612x434 size as pre image");
}

// The output-size popup is built at each click from the pictures: a layout while it is up
// (here the window resized under it) cannot pull the menu from under the popup.
TEST(MainWindowPictures, SizePopupOfPicturesOfDifferentSizes) {
  MainWindowFixture f;
  ASSERT_TRUE(f.Load(1, guitest::WritePicture(f.Folder(), "a.bmp", 200, 100, 1)));
  ASSERT_TRUE(f.Load(2, guitest::WritePicture(f.Folder(), "b.bmp", 300, 160, 2)));
  ASSERT_TRUE(f.WaitReady());
  std::vector<std::string> items;
  f.User().menuChooser = [&](wxMenu& menu) {
    f->SetClientSize(1100, 760);
    Pump(150);
    for (size_t i = 0; i < menu.GetMenuItemCount(); ++i)
      items.push_back(menu.FindItemByPosition(i)->GetItemLabelText().utf8_string());
    return menu.FindItemByPosition(1)->GetId();
  };
  f->Button(ids::kOutputSizeButton)->Click();
  f.User().menuChooser = nullptr;
  Pump(50);
  EXPECT_EQ(items, (std::vector<std::string>{"200x100", "300x160", "250x130", "720x480 DVD NTSC", "720x576 DVD PAL",
                                              "352x240 VCD NTSC", "352x288 VCD PAL", "Custom Size..."}));
  EXPECT_EQ(f->Project().m_nOutputWidth, 300);
  EXPECT_EQ(f->Project().m_nOutputHeight, 160);
  EXPECT_EQ(Label(f, ids::kOutputSizeButton), "300x160");
}

TEST(MainWindowZoom, EveryZoomCommandOfEveryPane) {
  MainWindowFixture f;
  f.m_szNextFile = guitest::WritePicture(f.Folder(), "a.bmp", 600, 400, 3);
  f.Command(ids::kLoadImage1);
  f.m_szNextFile = guitest::WritePicture(f.Folder(), "b.bmp", 640, 480, 4);
  f.Command(ids::kLoadImage2);
  ASSERT_TRUE(f.WaitReady());
  const int pw = f.Layout().pw, ph = f.Layout().ph;
  // The popup items of menus 176, 178 and 179 with the zoom each sets (0: best fit). The image2
  // pane's "25%" sets 0.3; its "12.5%" sets 0.125 like the other panes'.
  struct Item {
    int nId;
    float fZoom;
  };
  const Item menus[3][8] = {{{32890, 8}, {32889, 4}, {32900, 2}, {32901, 1}, {32902, 0.5f}, {32903, 0.25f}, {32892, 0.125f}, {32904, 0}},
                            {{32894, 8}, {32893, 4}, {32905, 2}, {32906, 1}, {32907, 0.5f}, {32908, 0.3f}, {32896, 0.125f}, {32909, 0}},
                            {{32911, 8}, {32910, 4}, {32912, 2}, {32913, 1}, {32914, 0.5f}, {32915, 0.25f}, {32916, 0.125f}, {32917, 0}}};
  const int zoomButtons[3] = {ids::kZoomButton1, ids::kZoomButton2, ids::kZoomButton3};
  const int sizes[3][2] = {{600, 400}, {640, 480}, {600, 400}};
  for (int p = 0; p < 3; ++p) {
    for (const Item& item : menus[p]) {
      f.Command(item.nId);
      // Best fit: the pane's height or width bound, whichever the picture meets first.
      const float fit = sizes[p][0] * ph < pw * sizes[p][1] ? float(ph) / sizes[p][1] : float(pw) / sizes[p][0];
      const float expected = item.fZoom > 0 ? item.fZoom : fit;
      EXPECT_FLOAT_EQ(f.View(p).fZoom, expected) << "pane " << p << " item " << item.nId;
      EXPECT_EQ(Label(f, zoomButtons[p]), wxString::Format("%2.1f%%", expected * 100.0).utf8_string());
    }
  }
  f.Command(32908);  // the image2 pane's "25%"
  EXPECT_EQ(Label(f, ids::kZoomButton2), "30.0%");
  // The zoom button's popup posts the chosen command to the window.
  f.User().menuChooser = [](wxMenu& menu) { return menu.FindItemByPosition(2)->GetId(); };
  f->Button(ids::kZoomButton1)->Click();
  f.User().menuChooser = nullptr;
  Pump(50);
  EXPECT_EQ(f.View(0).fZoom, 2.0f);
  // The zoom-in tool steps along the ladder from a click in the pane.
  f.Command(32904);
  f->Button(ids::kToolFirst + 4)->Click();
  EXPECT_EQ(f->Project().m_nToolMode, ToolZoomIn);
  Pump(100);
  const pane::Bounds r = f.ImageRect(0);
  wxMouseEvent click(wxEVT_LEFT_DOWN);
  click.m_x = (r.left + r.right) / 2;
  click.m_y = (r.top + r.bottom) / 2;
  const float before = f.View(0).fZoom;
  f->Canvas()->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(f.View(0).fZoom, pane::NextZoomStep(before, true));
}

TEST(MainWindowScroll, BarsAndMessagesOfAZoomedPicture) {
  MainWindowFixture f;
  f.m_szNextFile = guitest::WritePicture(f.Folder(), "a.bmp", 600, 400, 5);
  f.Command(ids::kLoadImage1);
  f.m_szNextFile = guitest::WritePicture(f.Folder(), "b.bmp", 300, 200, 6);
  f.Command(ids::kLoadImage2);
  ASSERT_TRUE(f.WaitReady());
  f.Command(32900);  // image1 200 %
  Pump(100);
  const pane::WindowLayout& l = f.Layout();
  ASSERT_TRUE(f.View(0).bHScroll && f.View(0).bVScroll);
  wxScrollBar* h = f->ScrollBar(ids::kHScroll1);
  ASSERT_TRUE(h->IsShown());
  const pane::Rect hr = l.HorizontalBar(pane::Image1, true);
  EXPECT_EQ(h->GetRect(), wxRect(hr.x, hr.y, hr.w, hr.h));
  EXPECT_EQ(f.ImageRect(0), (pane::Bounds{41, 41, 41 + l.pw - 17, l.ph + 24}));
  SendScroll(f, wxEVT_SCROLL_LINEUP, ids::kHScroll1);
  EXPECT_EQ(f.View(0).nScrollX, -2);  // unclamped
  SendScroll(f, wxEVT_SCROLL_PAGEDOWN, ids::kHScroll1);
  EXPECT_EQ(f.View(0).nScrollX, 4);
  SendScroll(f, wxEVT_SCROLL_BOTTOM, ids::kHScroll1);
  EXPECT_EQ(f.View(0).nScrollX, 1200 - (l.pw - 16));
  SendScroll(f, wxEVT_SCROLL_THUMBTRACK, ids::kHScroll1, 87);
  EXPECT_EQ(f.View(0).nScrollX, 87);
  SendScroll(f, wxEVT_SCROLL_THUMBTRACK, ids::kVScroll1, 1);
  SendScroll(f, wxEVT_SCROLL_LINEUP, ids::kVScroll1);
  EXPECT_EQ(f.View(0).nScrollY, 1);  // the up arrow keeps 1
  // Scrolling repaints only the pane's content; the next paint lays out again.
  const int paints = f->Canvas()->PaintCount();
  Pump(100);
  EXPECT_GT(f->Canvas()->PaintCount(), paints);
  // Down to 50 %: 300 x 200 fits the 426 x 268 pane, so both bars go and the offsets reset.
  f.Command(32902);
  Pump(50);
  EXPECT_FALSE(f.View(0).bVScroll);
  EXPECT_FALSE(f.View(0).bHScroll);
  EXPECT_EQ(f.View(0).nScrollX, 0);
  EXPECT_EQ(f.View(0).nScrollY, 0);
  EXPECT_FALSE(f->ScrollBar(ids::kVScroll1)->IsShown());
  // Preview bars move the GL view's pan.
  f.Command(32911);  // preview 800 %
  Pump(50);
  ASSERT_TRUE(f.View(2).bHScroll);
  SendScroll(f, wxEVT_SCROLL_THUMBTRACK, ids::kHScroll3, 40);
  EXPECT_EQ(f->PreviewView()->GetViewParams().nPanX, 40);
}

TEST(MainWindowSample, OpenSampleShowsBothPicturesAndMiddleFrame) {
  MainWindowFixture f;
  f.Command(ids::kSampleFirst);
  ASSERT_TRUE(f.WaitReady()) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
  Pump(300);
  const wxImage screen = guitest::GrabScreen();
  ASSERT_TRUE(screen.IsOk());
  const wxPoint origin = f->Canvas()->GetScreenPosition();
  // The panes on screen hold the pictures drawn at their zoom where the arithmetic puts them.
  for (int p = 0; p < 2; ++p) {
    const pane::Bounds r = f.ImageRect(p);
    const CPicture* pic = f->Project().GetImage(p + 1);
    PaneImage expected;
    ComposeImagePane(*pic, r, f.View(p), expected);
    // The key-point markers lie over the picture.
    const auto markers = f->Session().Editor().Markers(p + 1, -f.View(p).nScrollX, -f.View(p).nScrollY, f.View(p).fZoom);
    const auto underMarker = [&markers](int x, int y) {
      for (const editor::MarkerPlacement& m : markers)
        if (x >= m.rect.x && x < m.rect.x + m.rect.w && y >= m.rect.y && y < m.rect.y + m.rect.h) return true;
      return false;
    };
    int mismatches = 0, samples = 0, marked = 0;
    for (int y = 0; y < expected.nHeight; y += 7)
      for (int x = 0; x < expected.nWidth; x += 7) {
        if (underMarker(x, y)) {
          ++marked;
          continue;
        }
        const uint8_t* e = &expected.pixels[(static_cast<size_t>(y) * expected.nWidth + x) * 4];
        const int sx = origin.x + r.left + x, sy = origin.y + r.top + y;
        ++samples;
        if (std::abs(screen.GetRed(sx, sy) - e[2]) > 2 || std::abs(screen.GetGreen(sx, sy) - e[1]) > 2 ||
            std::abs(screen.GetBlue(sx, sy) - e[0]) > 2)
          ++mismatches;
      }
    EXPECT_GT(samples, 500);
    EXPECT_GT(marked, 0) << "pane " << p;
    EXPECT_EQ(mismatches, 0) << "pane " << p;
  }
  // The preview shows frame N/2 inside its rectangle: not the canvas's black, not uniform.
  EXPECT_EQ(f.DrawnFrame(), f->Project().m_nFrameCount / 2);
  const pane::Bounds pr = f.PreviewRect();
  ASSERT_FALSE(pr.IsEmpty());
  long sum = 0, dark = 0, n = 0;
  for (int y = pr.top + 2; y < pr.bottom - 2; y += 5)
    for (int x = pr.left + 2; x < pr.right - 2; x += 5) {
      const int v = screen.GetRed(origin.x + x, origin.y + y) + screen.GetGreen(origin.x + x, origin.y + y);
      sum += v;
      dark += v < 10;
      ++n;
    }
  ASSERT_GT(n, 100);
  EXPECT_LT(dark * 10, n);
  EXPECT_GT(sum / n, 40);
}

TEST(MainWindowBadInput, MessagesAndNothingHalfChanged) {
  MainWindowFixture f;
  std::ofstream(f.Folder().File("broken.png")) << "not a picture at all";
  f.m_szNextFile = f.Folder().File("broken.png");
  f.Command(ids::kLoadImage1);
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_FALSE(f.m_messages[0].szText.empty());
  EXPECT_EQ(f->Project().GetImage(1), nullptr);
  EXPECT_TRUE(f.ImageRect(0).IsEmpty());
  f.m_messages.clear();
  f.m_szNextFile = f.Folder().File("noextension");
  f.Command(ids::kLoadImage2);
  EXPECT_TRUE(HasMessage(f, "error!"));
  // A good project stays as it was after a failed open.
  f.Command(ids::kSampleFirst + 2);
  ASSERT_TRUE(f.WaitReady());
  const std::string path1 = f->Project().GetImagePath(1);
  f.m_messages.clear();
  f.m_szNextFile = f.Folder().File("missing.fmph");
  f.Command(ids::kOpenProject);
  EXPECT_TRUE(HasMessage(f, "open project error!"));
  EXPECT_EQ(f->Project().GetImagePath(1), path1);
  EXPECT_TRUE(f->Project().IsReady());
  // An unwritable save path is reported.
  f.m_messages.clear();
  f.m_szNextFile = "/proc/kestrelle-no-such-dir/x.fmph";
  f.Command(ids::kSaveProject);
  EXPECT_EQ(f.m_messages.size(), 1u);
  // A cancelled dialog does nothing.
  f.m_messages.clear();
  f.Command(ids::kOpenProject);
  EXPECT_TRUE(f.m_messages.empty());
  Pump(50);
  EXPECT_TRUE(f.IsAlive());
}

TEST(MainWindowBadInput, SampleWithMissingPictures) {
  MainWindowFixture f;
  // A program folder whose samples folder holds the project files but not their pictures.
  TempDir lonely;
  ASSERT_EQ(mkdir(lonely.File("samples").c_str(), 0755), 0);
  const auto bytes = ReadFileBytes(BinDir() + "/samples/girltoleopard.fmph");
  WriteFileBytes(lonely.File("samples/girltoleopard.fmph"), bytes);
  unlink(f.Folder().File("samples").c_str());
  ASSERT_EQ(symlink(lonely.File("samples").c_str(), f.Folder().File("samples").c_str()), 0);
  f.Command(ids::kSampleFirst);
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find("open image ["), std::string::npos);
  EXPECT_FALSE(f->Project().IsReady());
  Pump(50);
  EXPECT_TRUE(f.IsAlive());
}

TEST(MainWindowPreview, OffscreenRenderDoesNotDisturbTheCanvas) {
  MainWindowFixture f;
  f.Command(ids::kSampleFirst + 1);
  ASSERT_TRUE(f.WaitReady());
  CGLView* view = f->PreviewView();
  const int draws = view->GetDrawCount();
  // Preview, then an off-screen frame, then the preview again.
  CGLView::ReleaseCurrent();
  const MorphTriangles triangles = ProjectTriangles(f->Project());
  COffscreenRenderer renderer;
  FrameBitmap bitmap;
  ASSERT_TRUE(renderer.RenderFrame(MakeProjectFrameRequest(f->Project(), triangles, 10), bitmap))
      << renderer.GetLastError();
  f.Command(ids::kMorphType2);  // redraws the preview at once
  EXPECT_GT(view->GetDrawCount(), draws);
  // And an off-screen frame right after a preview draw, without any release by the caller
  // between them other than the renderer's own contract.
  CGLView::ReleaseCurrent();
  FrameBitmap second;
  ASSERT_TRUE(renderer.RenderFrame(MakeProjectFrameRequest(f->Project(), triangles, 10), second));
  EXPECT_EQ(bitmap.bits.size(), second.bits.size());
  const int before = view->GetDrawCount();
  f.Command(ids::kMorphType1);
  EXPECT_GT(view->GetDrawCount(), before);
  Pump(50);
  EXPECT_TRUE(f.IsAlive());
}

// A slider picture that cannot be loaded is reported with the image error text; the slider
// works on without it, and a second load over a held picture is refused quietly.
TEST(MainWindowControls, SliderPictureThatFailsToLoadIsReported) {
  MainWindowFixture f;
  guitest::CScriptedUser user;
  auto* slider = new CSkinSlider(f->Canvas(), wxID_ANY);
  slider->SetUser(user);
  EXPECT_FALSE(slider->SetThumbPicture(99999));
  ASSERT_EQ(user.m_messages.size(), 1u);
  EXPECT_FALSE(user.m_messages[0].szText.empty());
  EXPECT_TRUE(slider->SetChannelPicture(kArtSliderChannel));
  EXPECT_FALSE(slider->SetChannelPicture(kArtSliderChannel));
  EXPECT_EQ(user.m_messages.size(), 1u);
  slider->Destroy();
}

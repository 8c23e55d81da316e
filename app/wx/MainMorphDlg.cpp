#include "app/wx/MainMorphDlg.h"

#include <algorithm>
#include <cstdio>

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/iconbndl.h>
#include <wx/mstream.h>
#include <wx/region.h>
#include <wx/textctrl.h>

#ifdef KESTRELLE_HAVE_ART
#include "art/Artwork.h"
#else
#include "art/ArtworkIds.h"
#endif

#include "app/CommandIdMap.h"
#include "app/CommandIds.h"
#include "app/OutputSizeCommands.h"
#include "app/wx/MainWindowCommands.h"
#include "app/wx/UiHooks.h"
#include "core/ProjectFile.h"
#include "render/ProjectFrame.h"
#include "render/wx/GLView.h"
#include "ui/wx/PictureBitmap.h"
#include "ui/wx/SkinFramePainter.h"

namespace {

static_assert(cmdmap::kWxBase > wxID_HIGHEST, "menu ids must not meet the toolkit's own");
static_assert(ids::kFrameCountEdit < cmdmap::kWxBase, "control ids stay below the menu ids");

using mainwin::CommandOf;
using mainwin::SetArtFaces;
using mainwin::U8;
using mainwin::W;

constexpr int kScrollIds[6] = {ids::kHScroll1, ids::kVScroll1, ids::kHScroll2,
                               ids::kVScroll2, ids::kHScroll3, ids::kVScroll3};
constexpr int kFirstSkin = kArtBackground;

int ScrollSlot(int barId) {
  for (int i = 0; i < 6; ++i)
    if (kScrollIds[i] == barId) return i;
  return -1;
}

// Shading of the background when its skin picture is not available.
const wxColour kBackTop(43, 52, 69), kBackBottom(24, 29, 40);

// The application icon at every embedded size.
wxIconBundle AppIcons() {
  wxIconBundle bundle;
#ifdef KESTRELLE_HAVE_ART
  for (size_t i = 0; i < AppIconSizeCount(); ++i) {
    const uint8_t* data = nullptr;
    size_t bytes = 0;
    if (!FindAppIconPng(AppIconSize(i), &data, &bytes)) continue;
    wxMemoryInputStream in(data, bytes);
    wxImage image(in, wxBITMAP_TYPE_PNG);
    if (!image.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    bundle.AddIcon(icon);
  }
#endif
  return bundle;
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CMainMorphDlg, wxFrame)
  EVT_CLOSE(CMainMorphDlg::OnClose)
  EVT_CHAR_HOOK(CMainMorphDlg::OnCharHook)
  EVT_MENU(W(ids::kExit), CMainMorphDlg::OnExit)
  EVT_MENU(W(ids::kOpenProject), CMainMorphDlg::OnOpenProject)
  EVT_MENU_RANGE(W(ids::kSampleFirst), W(ids::kSampleLast), CMainMorphDlg::OnSample)
  EVT_MENU(W(ids::kCloseProject), CMainMorphDlg::OnCloseProject)
  EVT_MENU(W(ids::kSaveProject), CMainMorphDlg::OnSaveProject)
  EVT_MENU(W(ids::kSaveProjectAs), CMainMorphDlg::OnSaveProject)
  EVT_MENU(W(ids::kLoadImage1), CMainMorphDlg::OnLoadImage1)
  EVT_MENU(W(ids::kLoadImage2), CMainMorphDlg::OnLoadImage2)
  EVT_BUTTON(ids::kLoadImage1Button, CMainMorphDlg::OnLoadImage1)
  EVT_BUTTON(ids::kLoadImage2Button, CMainMorphDlg::OnLoadImage2)
  EVT_MENU(W(ids::kShowTriangles), CMainMorphDlg::OnShowTriangles)
  EVT_MENU_RANGE(W(ids::kSizeImage1), W(ids::kSizeVcdNtsc), CMainMorphDlg::OnOutputSize)
  EVT_MENU(W(ids::kSizeVcdPal), CMainMorphDlg::OnOutputSize)
  EVT_MENU(W(ids::kSizeCustom), CMainMorphDlg::OnOutputSize)
  EVT_MENU_RANGE(W(ids::kSizePopupFirst), W(ids::kSizePopupLast), CMainMorphDlg::OnOutputSize)
  EVT_MENU_RANGE(W(ids::kSizeAltFirst), W(ids::kSizeAltLast), CMainMorphDlg::OnOutputSize)
  EVT_MENU_RANGE(W(ids::kMorphType1), W(ids::kMorphType3), CMainMorphDlg::OnMorphType)
  EVT_MENU_RANGE(W(ids::kZoomFirst), W(ids::kZoomLast), CMainMorphDlg::OnZoomMenu)
  EVT_COMMAND_RANGE(ids::kToolFirst, ids::kToolFirst + 5, wxEVT_BUTTON, CMainMorphDlg::OnTool)
  EVT_MENU(W(ids::kNewWizard), CMainMorphDlg::OnNewWizard)
  EVT_MENU(W(ids::kOutputSingleFrame), CMainMorphDlg::OnOutputFrameImage)
  EVT_MENU(W(ids::kOutputAviMenu), CMainMorphDlg::OnOutputCommand)
  EVT_MENU(W(ids::kOutputSettings), CMainMorphDlg::OnOutputSettings)
  EVT_BUTTON(ids::kSingleFrameButton, CMainMorphDlg::OnOutputFrameImage)
  EVT_BUTTON(ids::kOutputSequence, CMainMorphDlg::OnOutputCommand)
  EVT_COMMAND_RANGE(ids::kOutputGif, ids::kOutputAvi, wxEVT_BUTTON, CMainMorphDlg::OnOutputCommand)
  EVT_BUTTON(ids::kOutputSizeButton, CMainMorphDlg::OnSizeButton)
  EVT_MENU(W(ids::kPlayPause), CMainMorphDlg::OnPlayback)
  EVT_MENU(W(ids::kLoopPlay), CMainMorphDlg::OnPlayback)
  EVT_MENU(W(ids::kLoopBack), CMainMorphDlg::OnPlayback)
  EVT_MENU(W(ids::kFirstFrame), CMainMorphDlg::OnPlayback)
  EVT_MENU_RANGE(W(ids::kLastFrame), W(ids::kPrevFrame), CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kPlayPauseButton, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kLastFrameButton, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kFirstFrameButton, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kPrevFrameButton, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kNextFrameButton, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kMoreFrames, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kFewerFrames, CMainMorphDlg::OnPlayback)
  EVT_BUTTON(ids::kFrameCountReadout, CMainMorphDlg::OnPlayback)
  EVT_MENU(W(ids::kAutoKeyPoints), CMainMorphDlg::OnAutoKey)
  EVT_BUTTON(ids::kAutoKeyButton, CMainMorphDlg::OnAutoKey)
  EVT_MENU(W(ids::kUndo), CMainMorphDlg::OnUndo)
  EVT_MENU(W(ids::kRedo), CMainMorphDlg::OnRedo)
  EVT_COMMAND_SCROLL(ids::kFrameSlider, CMainMorphDlg::OnScroll)
  EVT_TIMER(ids::kTimerPlay, CMainMorphDlg::OnTimerPlay)
  EVT_TIMER(editor::HoverBlink::kBlinkTimerId, CMainMorphDlg::OnTimerBlink)
  EVT_TIMER(editor::HoverBlink::kEndTimerId, CMainMorphDlg::OnTimerBlinkEnd)
  EVT_MENU(W(ids::kHelp), CMainMorphDlg::OnHelp)
  EVT_MENU(W(ids::kAbout), CMainMorphDlg::OnAbout)
  EVT_COMMAND_SCROLL(ids::kHScroll1, CMainMorphDlg::OnScroll)
  EVT_COMMAND_SCROLL(ids::kVScroll1, CMainMorphDlg::OnScroll)
  EVT_COMMAND_SCROLL(ids::kHScroll2, CMainMorphDlg::OnScroll)
  EVT_COMMAND_SCROLL(ids::kVScroll2, CMainMorphDlg::OnScroll)
  EVT_COMMAND_SCROLL(ids::kHScroll3, CMainMorphDlg::OnScroll)
  EVT_COMMAND_SCROLL(ids::kVScroll3, CMainMorphDlg::OnScroll)
  EVT_TIMER(ids::kTimerRedraw, CMainMorphDlg::OnTimerRedraw)
  EVT_TIMER(ids::kTimerOpenSetup, CMainMorphDlg::OnTimerOpenSetup)
  EVT_TIMER(ids::kTimerLoadSetup, CMainMorphDlg::OnTimerLoadSetup)
wxEND_EVENT_TABLE()
// clang-format on

CMainMorphDlg::CMainMorphDlg(const MainWindowOptions& options)
    : wxFrame(nullptr, wxID_ANY, "Kestrelle", wxDefaultPosition, wxSize(1016, 760)),
      m_options(options),
      m_timerRedraw(this, ids::kTimerRedraw),
      m_timerOpenSetup(this, ids::kTimerOpenSetup),
      m_timerLoadSetup(this, ids::kTimerLoadSetup),
      m_timerPlay(this, ids::kTimerPlay),
      m_timerBlink(this, editor::HoverBlink::kBlinkTimerId),
      m_timerBlinkEnd(this, editor::HoverBlink::kEndTimerId) {
  SetMinSize(wxSize(800, 600));
  for (int id = kFirstSkin; id < kFirstSkin + 16; ++id) {
    const wxImage image = LoadResourceImage(id);
    if (image.IsOk()) m_skin[id - kFirstSkin] = wxBitmap(image);
  }
  m_pCanvas = new wxWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE);
  m_pCanvas->SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_pCanvas->Bind(wxEVT_PAINT, &CMainMorphDlg::OnCanvasPaint, this);
  CreateMenus();
  CreateControls();
  CreateEditControls();
  m_layout = pane::ComputeLayout(0, 0);
}

CMainMorphDlg::~CMainMorphDlg() {
  m_timerRedraw.Stop();
  m_timerOpenSetup.Stop();
  m_timerLoadSetup.Stop();
  m_timerPlay.Stop();
  m_timerBlink.Stop();
  m_timerBlinkEnd.Stop();
  // The engine touches no window; its result is dropped with the window's pending calls.
  if (m_autoKeyThread.joinable()) m_autoKeyThread.join();
  if (m_bAutoKeyRunning) wxEndBusyCursor();
}

// ---------------------------------------------------------------- construction

wxMenu* CMainMorphDlg::MakeZoomMenu(int nPane) const {
  const ids::ZoomItem* items = nPane == 0 ? ids::kZoomMenu1 : nPane == 1 ? ids::kZoomMenu2 : ids::kZoomMenu3;
  auto* menu = new wxMenu;
  for (int i = 0; i < 7; ++i) menu->Append(W(items[i].nId), ids::kZoomMenuTexts[i]);
  menu->Append(W(items[7].nId), nPane == 2 ? wxString("Best fit") : U8("最佳比例"));
  return menu;
}

void CMainMorphDlg::CreateMenus() {
  auto* file = new wxMenu;
  file->Append(W(ids::kNewWizard), U8("新建项目向导...\tCtrl+N"));
  file->Append(W(ids::kOpenProject), U8("打开项目\tCtrl+O"));
  auto* samples = new wxMenu;
  auto* multi = new wxMenu;
  auto* single = new wxMenu;
  for (const SampleProject& s : kSampleProjects)
    (s.bWarp ? single : multi)->Append(W(s.nCommand), U8(s.szMenuText));
  samples->AppendSubMenu(multi, U8("多图像混合变形"));
  samples->AppendSubMenu(single, U8("单图像变形"));
  file->AppendSubMenu(samples, U8("打开示例项目"));
  file->Append(W(ids::kCloseProject), U8("关闭项目"));
  file->Append(W(ids::kSaveProject), U8("保存项目"));
  file->Append(W(ids::kSaveProjectAs), U8("另存为 ..."));
  file->AppendSeparator();
  file->Append(W(ids::kLoadImage1), U8("载入第一幅图像"));
  file->Append(W(ids::kLoadImage2), U8("载入第二幅图像"));
  file->AppendSeparator();
  file->Append(W(ids::kOutputSingleFrame), U8("输出单帧图像"));
  file->Append(W(ids::kOutputAviMenu), U8("输出avi电影"));
  file->AppendSeparator();
  file->Append(W(ids::kExit), U8("退出"));

  auto* edit = new wxMenu;
  edit->Append(W(ids::kUndo), U8("撤消\tCtrl+Z"));
  edit->Append(W(ids::kRedo), U8("重做\tCtrl+Y"));
  edit->AppendSeparator();
  edit->Append(W(ids::kCut), U8("剪切\tCtrl+X"));
  edit->Append(W(ids::kCopy), U8("拷贝\tCtrl+C"));
  edit->Append(W(ids::kPaste), U8("粘贴\tCtrl+V"));
  edit->AppendSeparator();
  edit->Append(W(ids::kAutoKeyPoints), U8("自动关键点"));

  auto* show = new wxMenu;
  show->AppendCheckItem(W(ids::kShowTriangles), U8("显示三角形边界"));

  auto* anim = new wxMenu;
  anim->Append(W(ids::kSizeImage1), U8("512x512 以第一幅图像大小"));
  anim->Append(W(ids::kSizeImage2), U8("512x512 以第二幅图像大小"));
  anim->Append(W(ids::kSizeAverage), U8("256x256 平均大小..."));
  anim->Append(W(ids::kSizeDvdNtsc), U8("720x480 DVD NTSC模式"));
  anim->Append(W(ids::kSizeDvdPal), U8("720x576 DVD PAL模式"));
  anim->Append(W(ids::kSizeVcdNtsc), U8("352x240 VCD NTSC模式"));
  anim->Append(W(ids::kSizeVcdPal), U8("352x288 VCD PAL模式"));
  anim->Append(W(ids::kSizeCustom), U8("自定义大小..."));
  anim->AppendSeparator();
  anim->AppendCheckItem(W(ids::kMorphType1), "Morphing image1 to image2");
  anim->AppendCheckItem(W(ids::kMorphType2), "warp image1");
  anim->AppendCheckItem(W(ids::kMorphType3), "warp image2");
  anim->AppendSeparator();
  anim->Append(W(ids::kOutputSettings), U8("设置..."));

  auto* play = new wxMenu;
  play->Append(W(ids::kPlayPause), U8("播放/暂停"));
  play->AppendCheckItem(W(ids::kLoopPlay), U8("自动循环播放"));
  play->AppendCheckItem(W(ids::kLoopBack), U8("自动循环回放"));
  play->AppendSeparator();
  play->Append(W(ids::kFirstFrame), U8("第一帧"));
  play->Append(W(ids::kLastFrame), U8("最后一帧"));
  play->Append(W(ids::kNextFrame), U8("下一帧"));
  play->Append(W(ids::kPrevFrame), U8("前一帧"));

  auto* help = new wxMenu;
  help->Append(W(ids::kHelp), U8("帮助"));
  help->AppendSeparator();
  // The desktop has no system menu: its About item lives here.
  help->Append(W(ids::kAbout), U8("关于 Kestrelle(&A)..."));

  auto* bar = new wxMenuBar;
  bar->Append(file, U8("文件"));
  bar->Append(edit, U8("编辑"));
  bar->Append(show, U8("显示"));
  bar->Append(anim, U8("动画"));
  bar->Append(play, U8("播放"));
  bar->Append(help, U8("帮助"));
  SetMenuBar(bar);
  for (int id : {ids::kUndo, ids::kRedo, ids::kCut, ids::kCopy, ids::kPaste}) bar->Enable(W(id), false);
  EnableProjectCommands(false);
}

void CMainMorphDlg::CreateControls() {
  wxWindow* c = m_pCanvas;
  static const char* const kToolLabels[6] = {"选择", "加点", "删点", "移动", "放大", "缩小"};
  for (int i = 0; i < 6; ++i) {
    m_btnTool[i] = new CSkinPicButton(c, ids::kToolFirst + i, wxDefaultPosition, wxSize(38, 38));
    m_btnTool[i]->SetFallbackLabel(U8(kToolLabels[i]));
  }
  static const int kPlayIds[5] = {ids::kPlayPauseButton, ids::kLastFrameButton, ids::kFirstFrameButton,
                                  ids::kPrevFrameButton, ids::kNextFrameButton};
  static const char* const kPlayLabels[5] = {"播放", "末帧", "首帧", "上帧", "下帧"};
  for (int i = 0; i < 5; ++i) {
    m_btnPlay[i] = new CSkinPicButton(c, kPlayIds[i], wxDefaultPosition, wxSize(38, 32));
    m_btnPlay[i]->SetFallbackLabel(U8(kPlayLabels[i]));
  }
  static const int kOutputIds[6] = {ids::kSingleFrameButton, ids::kOutputSequence, ids::kOutputGif,
                                    ids::kOutputSwf, ids::kOutputHtml, ids::kOutputAvi};
  static const char* const kOutputLabels[6] = {"单帧图像", "图像序列", "GIF 动画",
                                               "Flash 电影", "网页", "AVI 电影"};
  for (int i = 0; i < 6; ++i) {
    m_btnOutput[i] = new CSkinPicButton(c, kOutputIds[i], wxDefaultPosition, wxSize(90, 32));
    m_btnOutput[i]->SetFallbackLabel(U8(kOutputLabels[i]));
  }
  m_btnLoad1 = new CSkinPicButton(c, ids::kLoadImage1Button, wxDefaultPosition, wxSize(36, 38));
  m_btnLoad1->SetFallbackLabel(U8("图1"));
  m_btnLoad2 = new CSkinButton(c, ids::kLoadImage2Button, wxDefaultPosition, wxSize(36, 38));
  m_btnLoad2->SetFallbackLabel(U8("图2"));
  const int zoomIds[2] = {ids::kZoomButton1, ids::kZoomButton2};
  const int sizeIds[2] = {ids::kSizeReadout1, ids::kSizeReadout2};
  const int posIds[2] = {ids::kPositionReadout1, ids::kPositionReadout2};
  const int pathIds[2] = {ids::kPathReadout1, ids::kPathReadout2};
  for (int i = 0; i < 2; ++i) {
    m_btnZoom[i] = new CSkinButton(c, zoomIds[i]);
    m_btnZoom[i]->AttachMenu(MakeZoomMenu(i), this, false);
    m_btnSize[i] = new CSkinButton(c, sizeIds[i]);
    m_btnPosition[i] = new CSkinButton(c, posIds[i]);
    m_btnPath[i] = new CSkinButton(c, pathIds[i]);
  }
  m_btnSize3 = new CSkinButton(c, ids::kOutputSizeButton);
  m_btnZoom3 = new CSkinButton(c, ids::kZoomButton3);
  m_btnZoom3->AttachMenu(MakeZoomMenu(2), this, false);
  m_sliderFrame = new CSkinSlider(c, ids::kFrameSlider);
  m_sliderFrame->SetThumbPicture(kArtSliderThumb);
  m_sliderFrame->SetChannelPicture(kArtSliderChannel);
  m_sliderFrame->SetRange(0, m_project.m_nFrameCount);
  m_btnCurFrame = new CSkinButton(c, ids::kCurFrameReadout);
  m_btnFrameCount = new CSkinButton(c, ids::kFrameCountReadout);
  m_btnMoreFrames = new CSkinButton(c, ids::kMoreFrames);
  m_btnFewerFrames = new CSkinButton(c, ids::kFewerFrames);
  m_btnMoreFrames->SetFallbackLabel(wxString::FromUTF8("\xE2\x96\xB4"));  // small up triangle
  m_btnFewerFrames->SetFallbackLabel(wxString::FromUTF8("\xE2\x96\xBE"));
  SetArtFaces(m_btnLoad1, kArtLoadImage1, true);
  SetArtFaces(m_btnLoad2, kArtLoadImage2, true);
  m_btnMoreFrames->SetFaces(kArtFrameCountUpHot, 0, kArtFrameCountUp, 0);
  m_btnFewerFrames->SetFaces(kArtFrameCountDownHot, 0, kArtFrameCountDown, 0);
  for (CSkinButton* b : m_btnZoom) b->SetFaces(kArtPaneMenuHot, 0, kArtPaneMenu, 0);
  for (CSkinButton* b : {m_btnSize3, m_btnZoom3}) b->SetFaces(kArtPreviewMenuHot, 0, kArtPreviewMenu, 0);
  for (int i = 0; i < 6; ++i) {
    m_scroll[i] = new wxScrollBar(c, kScrollIds[i], wxDefaultPosition, wxDefaultSize,
                                  i % 2 == 0 ? wxSB_HORIZONTAL : wxSB_VERTICAL);
    m_scroll[i]->Hide();
  }
  EnableButtonGroups(false);
}

// ---------------------------------------------------------------- start-up and closing

void CMainMorphDlg::InitDialog() {
  SetIcons(AppIcons());
  for (wxScrollBar* bar : m_scroll) bar->Hide();
  m_rcImage = {};
  m_bRedrawImages = m_bFullRepaint = true;
  if (m_options.bMaximise) Maximize();
  Show();
  m_config = ReadStartupConfigFile(ConfigPathForRead(m_options.folders));
  if (!m_config.bConfigFound) {
    uihooks::ShowMessage(AppConfigText::kConfigMissing, "Kestrelle");
  } else if (m_config.bShowWizard && m_options.szOpenFile.empty()) {
    // The program runs the wizard once the window is up (RunWizard); a project named on the
    // command line is what the user asked for instead.
    m_bWizardRequested = true;
  }
  if (!m_options.szOpenFile.empty()) OpenProjectFile(m_options.szOpenFile);
}

void CMainMorphDlg::OnClose(wxCloseEvent& event) {
  if (event.CanVeto()) {
    const int answer = uihooks::ShowMessage(U8("你是否真的要关闭程序?"), "Kestrelle", wxYES_NO | wxICON_QUESTION);
    if (answer != wxYES) {
      event.Veto();
      return;
    }
  }
  const wxString page = wxString::FromUTF8(m_config.szHomePage);
  Destroy();
  if (!page.empty()) uihooks::OpenInBrowser(page);
}

void CMainMorphDlg::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE) {
    Destroy();  // Esc ends the program at once, without the question
    return;
  }
  if (event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER) {
    PlaybackUpdate update;
    const std::string text = m_editFrameCount ? m_editFrameCount->GetValue().utf8_string() : std::string();
    if (m_playback.ReturnPressed(text, &update)) {
      ApplyPlayback(update);
      return;
    }
  }
  event.Skip();
}

void CMainMorphDlg::OnExit(wxCommandEvent&) { Close(false); }

// ---------------------------------------------------------------- painting

wxBitmap CMainMorphDlg::CaptureBackground(const wxRect& rect) {
  if (!m_bmpBackdrop.IsOk()) return wxBitmap();
  const wxRect inside = rect.Intersect(wxRect(m_bmpBackdrop.GetSize()));
  if (inside.IsEmpty() || inside != rect) return wxBitmap();
  return m_bmpBackdrop.GetSubBitmap(rect);
}

void CMainMorphDlg::ComposeBackdrop() {
  const int cw = m_layout.cw, ch = m_layout.ch;
  wxBitmap bmp(std::max(1, cw), std::max(1, ch), 24);
  wxMemoryDC dc(bmp);
  const wxBitmap& back = m_skin[kArtBackground - kFirstSkin];
  if (back.IsOk()) {
    // Scaled by the DC while drawing: no image round trip, which costs more than the rest.
    wxMemoryDC src;
    src.SelectObjectAsSource(back);
    dc.StretchBlit(0, 0, cw, ch, &src, 0, 0, back.GetWidth(), back.GetHeight());
  } else {
    dc.GradientFillLinear(wxRect(0, 0, cw, ch), kBackTop, kBackBottom, wxSOUTH);
  }
  // Frames in the order image1, image2, preview; a picture that failed to load is skipped.
  const CSkinFramePainter frames([this](int id) -> const wxBitmap& {
    static const wxBitmap kNone;
    const int slot = id - kFirstSkin;
    return slot >= 0 && slot < static_cast<int>(m_skin.size()) ? m_skin[slot] : kNone;
  });
  for (int i = 0; i < 3; ++i) {
    const pane::Rect& p = m_layout.pane[i];
    frames.Draw(dc, i == pane::Preview ? skin::FrameStyle::Preview : skin::FrameStyle::ImagePane,
                {p.x, p.y, p.w, p.h});
  }
  dc.SelectObject(wxNullBitmap);
  m_bmpBackdrop = bmp;
  // Controls drawn over the skin take their background again from the new picture.
  for (wxWindow* child : m_pCanvas->GetChildren()) {
    if (auto* b = dynamic_cast<CSkinButton*>(child)) b->UseParentBackground(this, true);
  }
  m_sliderFrame->UseParentBackground(this);
}

void CMainMorphDlg::PlaceButtonGroups() {
  auto place = [](wxWindow* w, const pane::Rect& r) { w->SetSize(r.x, r.y, r.w, r.h); };
  for (int i = 0; i < 6; ++i) place(m_btnTool[i], m_layout.toolButtons[i]);
  place(m_btnAutoKey, m_layout.autoKeyButton);
  place(m_btnPlay[0], m_layout.playPause);
  place(m_btnPlay[1], m_layout.lastFrame);
  place(m_btnPlay[2], m_layout.firstFrame);
  place(m_btnPlay[3], m_layout.prevFrame);
  place(m_btnPlay[4], m_layout.nextFrame);
  for (int i = 0; i < 6; ++i) place(m_btnOutput[i], m_layout.outputButtons[i]);
}

void CMainMorphDlg::LayoutInfoBars() {
  auto place = [](wxWindow* w, const pane::Rect& r) { w->SetSize(r.x, r.y, r.w, r.h); };
  CSkinButton* load[2] = {m_btnLoad1, m_btnLoad2};
  for (int i = 0; i < 2; ++i) {
    const pane::ImageInfoBar& info = m_layout.info[i];
    const CPicture* pic = m_project.GetImage(i + 1);
    place(m_btnZoom[i], info.zoomButton);
    place(m_btnSize[i], info.sizeReadout);
    place(m_btnPosition[i], info.positionReadout);
    place(m_btnPath[i], info.pathReadout);
    place(load[i], info.loadButton);
    if (pic) {
      m_btnZoom[i]->SetLabel(wxString::Format("%2.1f%%", m_view[i].fZoom * 100.0));
      m_btnSize[i]->SetLabel(wxString::Format("%dx%d", pic->GetWidth(), pic->GetHeight()));
      // The pointer's last position stays shown across repaints; a new picture starts at 0,0.
      if (m_btnPosition[i]->GetLabel().Trim().empty()) m_btnPosition[i]->SetLabel("0,0");
      m_btnPath[i]->SetLabel(wxString::FromUTF8(m_project.GetImagePath(i + 1)));
    } else {
      for (CSkinButton* b : {m_btnZoom[i], m_btnSize[i], m_btnPosition[i], m_btnPath[i]}) b->SetLabel(" ");
    }
  }
  const pane::PreviewInfoBar& pi = m_layout.previewInfo;
  place(m_btnSize3, pi.outputSizeButton);
  place(m_btnZoom3, pi.zoomButton);
  place(m_sliderFrame, pi.frameSlider);
  place(m_btnCurFrame, pi.curFrameReadout);
  place(m_btnFrameCount, pi.frameCountReadout);
  // The entry takes the read-out's place while it is open: the entry's own 20 x 12 pixels
  // leave no room for the digits inside a toolkit entry.
  place(m_editFrameCount, pi.frameCountReadout);
  place(m_btnMoreFrames, pi.moreFrames);
  place(m_btnFewerFrames, pi.fewerFrames);
  const bool image2 = m_project.GetImage(2) != nullptr;
  if (image2) {
    m_btnSize3->SetLabel(wxString::Format("%dx%d", m_project.m_nOutputWidth, m_project.m_nOutputHeight));
    m_btnZoom3->SetLabel(wxString::Format("%2.1f%%", m_view[2].fZoom * 100.0));
    m_btnCurFrame->SetLabel(wxString::Format("%d", m_viewMorph ? m_viewMorph->m_nCurFrame : m_project.m_nCurFrame));
    m_btnFrameCount->SetLabel(wxString::Format("%d", m_project.m_nFrameCount));
  } else {
    for (CSkinButton* b : {m_btnSize3, m_btnZoom3, m_btnCurFrame, m_btnFrameCount}) b->SetLabel(" ");
  }
  // The output-size popup is rebuilt from the current pictures; it opens only with both.
  if (m_project.IsReady()) {
    auto* menu = new wxMenu;
    const CPicture* a = m_project.GetImage(1);
    const CPicture* b = m_project.GetImage(2);
    for (const pane::SizeMenuItem& item :
         pane::OutputSizeMenu(a->GetWidth(), a->GetHeight(), b->GetWidth(), b->GetHeight()))
      menu->Append(W(item.nId), wxString::FromUTF8(item.szText));
    m_btnSize3->AttachMenu(menu, this, false);
  } else {
    m_btnSize3->AttachMenu(nullptr, this, false);
  }
}

void CMainMorphDlg::PlaceScrollBar(int nBarId, const pane::Rect& rc, int pos, int page, int max) {
  wxScrollBar* bar = ScrollBar(nBarId);
  if (!bar) return;
  bar->SetSize(rc.x, rc.y, rc.w, rc.h);
  bar->SetScrollbar(pos, std::max(1, page), std::max(1, max + 1), std::max(1, page));
  bar->Show();
}

void CMainMorphDlg::LayoutPass() {
  const wxSize cs = m_pCanvas->GetClientSize();
  const bool resized = cs.x != m_layout.cw || cs.y != m_layout.ch;
  m_layout = pane::ComputeLayout(cs.x, cs.y);
  if (m_bFullRepaint) {
    if (resized || !m_bmpBackdrop.IsOk()) ComposeBackdrop();
    PlaceButtonGroups();
  }
  LayoutInfoBars();
  if (resized) {
    // A new pane size changes which bars are needed and where the preview sits.
    UpdateImagePane(0);
    UpdateImagePane(1);
    UpdatePreviewPane();
  }
}

void CMainMorphDlg::OnCanvasPaint(wxPaintEvent&) {
  wxPaintDC dc(m_pCanvas);
  ++m_nPaintCount;
  if (IsIconized()) return;
  if (m_bRedrawImages) LayoutPass();
  if (m_bmpBackdrop.IsOk()) {
    // Opaque: the backdrop under every damaged rectangle, then the panes on top.
    wxMemoryDC src;
    src.SelectObjectAsSource(m_bmpBackdrop);
    for (wxRegionIterator it(m_pCanvas->GetUpdateRegion()); it; ++it) {
      const wxRect r = it.GetRect();
      dc.Blit(r.x, r.y, r.width, r.height, &src, r.x, r.y);
    }
  }
  m_bRedrawImages = true;
  // Only what was damaged is composed again: a slider or read-out update during playback or
  // an export must not recompose both pictures and redraw the preview a second time.
  const wxRegion& damaged = m_pCanvas->GetUpdateRegion();
  auto hit = [this, &damaged](int nPane) {
    const pane::Rect& p = m_layout.pane[nPane];
    return damaged.Contains(wxRect(p.x, p.y, p.w, p.h)) != wxOutRegion;
  };
  if (m_project.GetImage(1) && hit(0)) PaintImagePane(dc, 0);
  if (m_project.GetImage(2)) {
    if (hit(1)) PaintImagePane(dc, 1);
    if (hit(pane::Preview)) m_timerRedraw.StartOnce(1);
  }
}

void CMainMorphDlg::PaintImagePane(wxDC& dc, int nPane) {
  const CPicture* pic = m_project.GetImage(nPane + 1);
  if (!pic) return;
  const pane::Bounds b =
      pane::VisibleImageRect(m_layout, nPane, m_view[nPane], pic->GetWidth(), pic->GetHeight());
  m_rcImage[nPane] = b;
  if (b.IsEmpty()) return;
  PaneImage& image = m_paneImage[nPane];
  ComposeImagePane(*pic, b, m_view[nPane], image);
  wxBitmap bmp = PixelsToBitmap(image.pixels.data(), image.nWidth, image.nHeight, image.nWidth * 4);
  if (!bmp.IsOk()) return;
  DrawPaneOverlay(nPane, bmp);
  const pane::Rect& p = m_layout.pane[nPane];
  dc.SetClippingRegion(p.x, p.y, p.w, p.h);
  dc.DrawBitmap(bmp, b.left, b.top, false);
  dc.DestroyClippingRegion();
}

wxBitmap CMainMorphDlg::RenderClientForTest() {
  if (!m_bmpBackdrop.IsOk()) return wxBitmap();
  wxBitmap out(m_bmpBackdrop.GetSize(), 24);
  wxMemoryDC dc(out);
  dc.DrawBitmap(m_bmpBackdrop, 0, 0);
  if (m_project.GetImage(1)) PaintImagePane(dc, 0);
  if (m_project.GetImage(2)) PaintImagePane(dc, 1);
  dc.SelectObject(wxNullBitmap);
  return out;
}

void CMainMorphDlg::InvalidatePane(int nPane) {
  const pane::Rect r = nPane == pane::Preview ? m_layout.pane[nPane]
                                              : pane::ImagePaneInvalidArea(m_layout, nPane, m_view[nPane]);
  m_pCanvas->RefreshRect(wxRect(r.x, r.y, r.w, r.h), false);
}

wxScrollBar* CMainMorphDlg::ScrollBar(int nBarId) const {
  const int slot = ScrollSlot(nBarId);
  return slot < 0 ? nullptr : m_scroll[slot];
}

CSkinButton* CMainMorphDlg::Button(int nId) const {
  return dynamic_cast<CSkinButton*>(m_pCanvas->FindWindow(nId));
}

// ---------------------------------------------------------------- panes

void CMainMorphDlg::UpdateImagePane(int nPane) {
  const CPicture* pic = m_project.GetImage(nPane + 1);
  if (!pic) return;
  const wxSize cs = m_pCanvas->GetClientSize();
  if (cs.x != m_layout.cw || cs.y != m_layout.ch) m_layout = pane::ComputeLayout(cs.x, cs.y);
  pane::PaneView& v = m_view[nPane];
  const pane::ScrollSetup s = pane::SetupScrollBars(pic->GetWidth() * v.fZoom, pic->GetHeight() * v.fZoom,
                                                    m_layout.pw, m_layout.ph);
  pane::ApplyScrollSetup(v, s);
  if (!v.bHScroll) v.nScrollX = 0;
  if (!v.bVScroll) v.nScrollY = 0;
  const int hId = nPane == 0 ? ids::kHScroll1 : ids::kHScroll2;
  const int vId = nPane == 0 ? ids::kVScroll1 : ids::kVScroll2;
  if (v.bHScroll) PlaceScrollBar(hId, m_layout.HorizontalBar(nPane, v.bVScroll), v.nScrollX, s.nHPage, s.nHMax);
  else ScrollBar(hId)->Hide();
  if (v.bVScroll) PlaceScrollBar(vId, m_layout.VerticalBar(nPane, v.bHScroll), v.nScrollY, s.nVPage, s.nVMax);
  else ScrollBar(vId)->Hide();
  InvalidatePane(nPane);
}

void CMainMorphDlg::UpdatePreviewPane() {
  const int w = m_project.m_nOutputWidth, h = m_project.m_nOutputHeight;
  if (w <= 0 || h <= 0) return;
  const wxSize cs = m_pCanvas->GetClientSize();
  if (cs.x != m_layout.cw || cs.y != m_layout.ch) m_layout = pane::ComputeLayout(cs.x, cs.y);
  pane::PaneView& v = m_view[pane::Preview];
  const pane::PreviewPlacement p = pane::PlacePreview(m_layout, v, w, h);
  if (v.bHScroll)
    PlaceScrollBar(ids::kHScroll3, m_layout.HorizontalBar(pane::Preview, v.bVScroll), v.nScrollX,
                   p.scroll.nHPage, p.scroll.nHMax);
  else ScrollBar(ids::kHScroll3)->Hide();
  if (v.bVScroll)
    PlaceScrollBar(ids::kVScroll3, m_layout.VerticalBar(pane::Preview, v.bHScroll), v.nScrollY,
                   p.scroll.nVPage, p.scroll.nVMax);
  else ScrollBar(ids::kVScroll3)->Hide();
  m_rcPreview = p.rcPreview;
  InvalidatePane(pane::Preview);
  if (m_viewMorph) {
    m_viewMorph->SetView(p.fZoom, p.nPanX, p.nPanY);
    const pane::Bounds& r = m_rcPreview;
    m_viewMorph->SetSize(r.left, r.top, std::max(1, r.Width()), std::max(1, r.Height()));
  }
}

void CMainMorphDlg::FitLoadedPane(int nPane) {
  const CPicture* pic = m_project.GetImage(nPane + 1);
  if (!pic) return;
  const wxSize cs = m_pCanvas->GetClientSize();
  m_layout = pane::ComputeLayout(cs.x, cs.y);
  pane::PaneView& v = m_view[nPane];
  v.fZoom = pane::LoadFitZoom(pic->GetWidth(), pic->GetHeight(), m_layout.pw, m_layout.ph);
  v.nScrollX = v.nScrollY = 0;
  m_bRedrawImages = true;
  UpdateImagePane(nPane);
}

void CMainMorphDlg::SetPaneZoomCommand(int nPane, float fZoom) {
  pane::PaneView& v = m_view[nPane];
  int W = 0, H = 0;
  if (nPane == pane::Preview) {
    W = m_project.m_nOutputWidth;
    H = m_project.m_nOutputHeight;
  } else if (const CPicture* pic = m_project.GetImage(nPane + 1)) {
    W = pic->GetWidth();
    H = pic->GetHeight();
  }
  if (W <= 0 || H <= 0) return;
  if (fZoom <= 0) pane::FitPaneZoom(v, W, H, m_layout.pw, m_layout.ph);
  else pane::SetPaneZoom(v, nPane == pane::Preview, fZoom, W, H, m_layout.pw, m_layout.ph);
  m_bRedrawImages = true;
  if (nPane == pane::Preview) {
    UpdatePreviewPane();
    RedrawPreview();
  } else {
    UpdateImagePane(nPane);
  }
  LayoutInfoBars();
}

void CMainMorphDlg::ZoomStepAt(int nPane, bool bZoomIn) {
  const CPicture* pic = m_project.GetImage(nPane + 1);
  if (!pic || nPane > 1) return;
  pane::ZoomStep(m_view[nPane], bZoomIn, pic->GetWidth(), pic->GetHeight(), m_layout.pw, m_layout.ph);
  m_bRedrawImages = true;
  UpdateImagePane(nPane);
  LayoutInfoBars();
}

void CMainMorphDlg::ScrollPane(int nBarId, int nCode, int nThumb) {
  const int slot = ScrollSlot(nBarId);
  if (slot < 0) return;
  const int nPane = slot / 2;
  const bool horizontal = slot % 2 == 0;
  pane::PaneView& v = m_view[nPane];
  int W = 0, H = 0;
  if (nPane == pane::Preview) {
    W = m_project.m_nOutputWidth;
    H = m_project.m_nOutputHeight;
  } else if (const CPicture* pic = m_project.GetImage(nPane + 1)) {
    W = pic->GetWidth();
    H = pic->GetHeight();
  }
  if (W <= 0 || H <= 0) return;
  const int pw = m_layout.pw, ph = m_layout.ph;
  if (horizontal) {
    v.nScrollX = pane::HorizontalScroll(v.nScrollX, nCode, nThumb, v.fZoom * W, pw, v.bVScroll);
    m_scroll[slot]->SetThumbPosition(v.nScrollX);
  } else {
    const float ey = v.fZoom * H;
    const int max = static_cast<int>(ey);
    const int page = v.bHScroll ? ph - 16 : ph;
    v.nScrollY = pane::VerticalScroll(v.nScrollY, nCode, nThumb, ey, ph, v.bHScroll, pane::ScrollLimit(max, page));
    m_scroll[slot]->SetThumbPosition(v.nScrollY);
  }
  if (nPane == pane::Preview) {
    int panX = 0, panY = 0;
    pane::PreviewPan(m_layout, v, H, &panX, &panY);
    if (m_viewMorph) m_viewMorph->SetView(v.fZoom, panX, panY);
    RedrawPreview();
  } else {
    m_bRedrawImages = false;  // only the pane's content changes
    InvalidatePane(nPane);
  }
}

// ---------------------------------------------------------------- project flow

void CMainMorphDlg::ShowResult(const CommandResult& result) {
  if (!result.ok) uihooks::ShowMessage(wxString::FromUTF8(result.message), "Kestrelle", wxOK | wxICON_ERROR);
}

bool CMainMorphDlg::LoadImageFile(int slot, const std::string& path) {
  const CommandResult r = m_project.LoadImage(slot, path);
  if (r) AfterProjectReplaced(false);
  if (!m_project.GetImage(slot)) m_rcImage[slot - 1] = {};
  if (m_project.GetImage(slot)) FitLoadedPane(slot - 1);
  m_bRedrawImages = m_bFullRepaint = true;
  m_sliderFrame->SetRange(0, m_project.m_nFrameCount);
  if (r && m_project.IsReady()) EnterReadyState(ids::kTimerLoadSetup);
  m_pCanvas->Refresh(false);
  LayoutInfoBars();
  ShowResult(r);
  return r.ok;
}

bool CMainMorphDlg::OpenProjectFile(const std::string& path) {
  const CommandResult r = OpenProject(m_project, path);
  if (!r) {
    ShowResult(r);
    m_pCanvas->Refresh(false);
    return false;
  }
  m_szProjectPath = path;
  AfterProjectReplaced(true);
  FitLoadedPane(0);
  FitLoadedPane(1);
  ApplyPlayback(m_playback.ProjectLoaded());
  EnterReadyState(ids::kTimerOpenSetup);
  m_pCanvas->Refresh(false);
  return true;
}

bool CMainMorphDlg::OpenSample(int nCommand) {
  const CommandResult r = OpenSampleProjectCommand(m_project, nCommand, SamplesFolder());
  if (!r) {
    ShowResult(r);
    m_pCanvas->Refresh(false);
    return false;
  }
  const SampleProject* sample = FindSampleProject(nCommand);
  m_szProjectPath = sample ? SamplesFolder() + "/" + sample->szFileName : std::string();
  AfterProjectReplaced(true);
  FitLoadedPane(0);
  FitLoadedPane(1);
  ApplyPlayback(m_playback.ProjectLoaded());
  EnterReadyState(ids::kTimerOpenSetup);
  m_pCanvas->Refresh(false);
  return true;
}

bool CMainMorphDlg::SaveProjectFile(const std::string& path) {
  const CommandResult r = SaveProject(m_project, path);
  ShowResult(r);
  if (r) {
    m_szProjectPath = path;
    m_history.MarkSaved();
    UpdateEditMenu();
  }
  return r.ok;
}

void CMainMorphDlg::CloseProject() {
  m_project.CloseProject();
  if (m_playback.IsPlaying()) ApplyPlayback(m_playback.PlayPause());
  m_szProjectPath.clear();
  AfterProjectReplaced(true);
  m_rcImage = {};
  for (int i = 0; i < 4; ++i) m_scroll[i]->Hide();
  if (m_viewMorph) m_viewMorph->Hide();  // nothing left to preview
  m_bRedrawImages = true;
  m_pCanvas->Refresh(false);
  LayoutInfoBars();
}

void CMainMorphDlg::EnterReadyState(int nTimerId) {
  const std::array<std::string, 3> texts = m_project.SizeItemTexts();
  wxMenuBar* bar = GetMenuBar();
  bar->SetLabel(W(ids::kSizeImage1), wxString::FromUTF8(texts[0]));
  bar->SetLabel(W(ids::kSizeImage2), wxString::FromUTF8(texts[1]));
  bar->SetLabel(W(ids::kSizeAverage), wxString::FromUTF8(texts[2]));
  EnableButtonGroups(true);
  EnableProjectCommands(true);
  UpdateCheckMarks();
  if (!m_viewMorph) {
    const pane::Rect& p = m_layout.pane[pane::Preview];
    m_viewMorph = CGLView::CreateView(wxRect(p.x, p.y, std::max(1, p.w), std::max(1, p.h)), m_pCanvas);
  }
  m_viewMorph->Show();
  (nTimerId == ids::kTimerOpenSetup ? m_timerOpenSetup : m_timerLoadSetup).StartOnce(1);
}

void CMainMorphDlg::PreviewSetup(bool bDrawNow) {
  if (!m_project.IsReady()) return;
  const PlaybackUpdate update = m_playback.PreviewSetupDone();
  m_view[pane::Preview].fZoom = m_view[0].fZoom;
  m_view[pane::Preview].nScrollX = m_view[pane::Preview].nScrollY = 0;
  if (m_viewMorph) {
    m_viewMorph->m_nFrameCount = m_project.m_nFrameCount;
    m_viewMorph->m_nCurFrame = m_project.m_nCurFrame;
    m_viewMorph->m_nMorphType = m_project.m_nMorphType;
    m_viewMorph->UploadTextures(m_project.GetImage(1), m_project.GetImage(2));
    m_viewMorph->SetOutputSize(m_project.m_nOutputWidth, m_project.m_nOutputHeight);
  }
  ApplyPlayback(update, false);
  UpdatePreviewPane();
  EnableButtonGroups(true);
  SelectTool(ToolSelect);
  LayoutInfoBars();
  if (bDrawNow) RedrawPreview();
  m_pCanvas->Refresh(false);
}

void CMainMorphDlg::RedrawPreview() {
  if (!m_viewMorph || !m_viewMorph->IsReady() || !m_project.IsReady()) return;
  m_viewMorph->m_nMorphType = m_project.m_nMorphType;
  m_viewMorph->SetShowEdges(m_project.m_bShowTriangles != 0);
  m_viewMorph->DrawFrame(ProjectTriangles(m_project));
}

void CMainMorphDlg::ApplyOutputSize(int w, int h) {
  if (w <= 0 || h <= 0) return;
  m_project.m_nOutputWidth = w;
  m_project.m_nOutputHeight = h;
  if (m_viewMorph) m_viewMorph->SetOutputSize(w, h);
  pane::PaneView& v = m_view[pane::Preview];
  v.fZoom = pane::BestFitZoom(w, h, m_layout.pw, m_layout.ph);
  UpdatePreviewPane();
  LayoutInfoBars();
  RedrawPreview();
}

void CMainMorphDlg::EnableProjectCommands(bool bEnable) {
  static const int kItems[] = {ids::kCloseProject, ids::kSaveProject, ids::kSaveProjectAs,
                               ids::kOutputSingleFrame, ids::kOutputAviMenu, ids::kShowTriangles,
                               ids::kSizeImage1, ids::kSizeImage2, ids::kSizeAverage, ids::kSizeDvdNtsc,
                               ids::kSizeDvdPal, ids::kSizeVcdNtsc, ids::kMorphType1, ids::kMorphType2,
                               ids::kMorphType3, ids::kSizeVcdPal, ids::kSizeCustom, ids::kOutputSettings,
                               ids::kPlayPause, ids::kLoopPlay, ids::kLoopBack, ids::kFirstFrame,
                               ids::kLastFrame, ids::kNextFrame, ids::kPrevFrame};
  wxMenuBar* bar = GetMenuBar();
  for (int id : kItems) bar->Enable(W(id), bEnable);
  EnableAutoKey();
}

void CMainMorphDlg::EnableButtonGroups(bool bEnable) {
  // Tool faces: hover, normal, selected; a disabled tool shows one picture for all three.
  static const int kFaces[6][4] = {
      {kArtSelectHot, kArtSelect, kArtSelectHot, kArtSelectDisabled},
      {kArtAddPointHot, kArtAddPoint, kArtAddPointHot, kArtAddPointDisabled},
      {kArtDeletePointHot, kArtDeletePoint, kArtDeletePointHot, kArtDeletePointDisabled},
      {kArtHandHot, kArtHand, kArtHandHot, kArtHandDisabled},
      {kArtZoomInHot, kArtZoomIn, kArtZoomInHot, kArtZoomInDisabled},
      {kArtZoomOutHot, kArtZoomOut, kArtZoomOutHot, kArtZoomOutDisabled}};
  for (int i = 0; i < 6; ++i) {
    if (bEnable) m_btnTool[i]->SetFaces(kFaces[i][0], 0, kFaces[i][1], kFaces[i][2]);
    else m_btnTool[i]->SetFaces(kFaces[i][3], 0, kFaces[i][3], kFaces[i][3]);
    m_btnTool[i]->Enable(bEnable);
  }
  EnableAutoKey();
  static const int kPlayFaces[5] = {kArtPlay, kArtLastFrame, kArtFirstFrame, kArtPrevFrame, kArtNextFrame};
  static const int kOutputFaces[6] = {kArtOutputFrame, kArtOutputSequence, kArtOutputGif,
                                      kArtOutputFlash, kArtOutputHtml, kArtOutputVideo};
  for (int i = 0; i < 5; ++i) {
    SetArtFaces(m_btnPlay[i], kPlayFaces[i], bEnable);
    m_btnPlay[i]->Enable(bEnable);
  }
  for (int i = 0; i < 6; ++i) {
    SetArtFaces(m_btnOutput[i], kOutputFaces[i], bEnable);
    m_btnOutput[i]->Enable(bEnable);
  }
}

void CMainMorphDlg::SelectTool(int nTool) {
  m_project.m_nToolMode = nTool;
  const int selected = editor::SelectedToolButton(nTool);
  for (int i = 0; i < 6; ++i) m_btnTool[i]->SetSelected(ids::kToolFirst + i == selected);
}

void CMainMorphDlg::UpdateCheckMarks() {
  wxMenuBar* bar = GetMenuBar();
  for (int t = 1; t <= 3; ++t) bar->Check(W(ids::kMorphType1 + t - 1), m_project.m_nMorphType == t);
  bar->Check(W(ids::kLoopPlay), m_project.m_bLoopPlay != 0);
  bar->Check(W(ids::kLoopBack), m_project.m_bLoopBack != 0);
  bar->Check(W(ids::kShowTriangles), m_project.m_bShowTriangles != 0);
}

std::string CMainMorphDlg::SamplesFolder() const {
  const std::string found = FindDataPath("samples", m_options.folders);
  // Not found: the sample command then names the missing file beside the program.
  return found.empty() ? m_options.folders.szExeFolder + "/samples" : found;
}

std::string CMainMorphDlg::HelpPage() const { return FindDataPath("help/index.html", m_options.folders); }

// ---------------------------------------------------------------- command handlers

void CMainMorphDlg::OnOpenProject(wxCommandEvent&) {
  uihooks::FileRequest request;
  request.szDefaultExt = "fmph";
  request.szDefaultName = "*.fmph";
  request.szWildcard = "Project File (*.fmph)|*.fmph";
  const wxString path = uihooks::ChooseFile(this, request);
  if (!path.empty()) OpenProjectFile(path.utf8_string());
}

void CMainMorphDlg::OnSample(wxCommandEvent& event) { OpenSample(CommandOf(event)); }

void CMainMorphDlg::OnCloseProject(wxCommandEvent&) { CloseProject(); }

void CMainMorphDlg::OnSaveProject(wxCommandEvent&) {
  uihooks::FileRequest request;
  request.bSave = true;
  request.szDefaultExt = "fmph";
  request.szDefaultName = "*.fmph";
  request.szWildcard = U8("项目文件 (*.fmph)|*.fmph");
  const wxString path = uihooks::ChooseFile(this, request);
  if (!path.empty()) SaveProjectFile(path.utf8_string());
}

uihooks::FileRequest CMainMorphDlg::OpenImageRequest() {
  uihooks::FileRequest request;
  request.szWildcard =
      "Surport format(*.bmp;*.png;*.jpg;*.tif;*.tiff;*.tga;*.pcx) |*.bmp;*.png;*.jpg;*.tif;*.tiff;*.tga;*.pcx|"
      "Volume Data Files (*.dat)|*.dat|BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|"
      "GIF (*.gif)|*.gif|TIF (*.tif ;*.tiff)|*.tif;*.tiff|TGA (*.tga)|*.tga|PCX (*.pcx)|*.pcx";
  return request;
}

void CMainMorphDlg::OnLoadImage1(wxCommandEvent&) {
  const wxString path = uihooks::ChooseFile(this, OpenImageRequest());
  if (path.empty()) {
    m_bRedrawImages = m_bFullRepaint = true;
    return;
  }
  LoadImageFile(1, path.utf8_string());
}

void CMainMorphDlg::OnLoadImage2(wxCommandEvent&) {
  const wxString path = uihooks::ChooseFile(this, OpenImageRequest());
  if (path.empty()) {
    m_bRedrawImages = m_bFullRepaint = true;
    return;
  }
  LoadImageFile(2, path.utf8_string());
}

void CMainMorphDlg::OnOutputSize(wxCommandEvent& event) {
  const CPicture* a = m_project.GetImage(1);
  const CPicture* b = m_project.GetImage(2);
  const OutputSizeCommand c = ResolveOutputSizeCommand(CommandOf(event), a ? a->GetWidth() : 0, a ? a->GetHeight() : 0,
                                                       b ? b->GetWidth() : 0, b ? b->GetHeight() : 0);
  ChooseOutputSize(c);
}

void CMainMorphDlg::OnZoomMenu(wxCommandEvent& event) {
  const ids::ZoomItem* menus[3] = {ids::kZoomMenu1, ids::kZoomMenu2, ids::kZoomMenu3};
  for (int p = 0; p < 3; ++p)
    for (int i = 0; i < 8; ++i)
      if (menus[p][i].nId == CommandOf(event)) {
        SetPaneZoomCommand(p, menus[p][i].fZoom);
        return;
      }
}

void CMainMorphDlg::OnHelp(wxCommandEvent&) {
  const std::string page = HelpPage();
  if (page.empty()) {
    uihooks::ShowMessage(U8("找不到帮助文件 help/index.html"), "Kestrelle", wxOK | wxICON_WARNING);
    return;
  }
  uihooks::OpenInBrowser("file://" + wxString::FromUTF8(page));
}

void CMainMorphDlg::OnAbout(wxCommandEvent&) {
  uihooks::ShowMessage(U8("Kestrelle 0.1\n\n用两幅图片制作变形动画。\nMorphing animations from still pictures."),
                       U8("关于 Kestrelle"), wxOK | wxICON_INFORMATION);
}

void CMainMorphDlg::OnScroll(wxScrollEvent& event) {
  const wxEventType t = event.GetEventType();
  int code = pane::ScrollEnd;
  if (t == wxEVT_SCROLL_LINEUP) code = pane::ScrollLineUp;
  else if (t == wxEVT_SCROLL_LINEDOWN) code = pane::ScrollLineDown;
  else if (t == wxEVT_SCROLL_PAGEUP) code = pane::ScrollPageUp;
  else if (t == wxEVT_SCROLL_PAGEDOWN) code = pane::ScrollPageDown;
  else if (t == wxEVT_SCROLL_THUMBTRACK) code = pane::ScrollThumbTrack;
  else if (t == wxEVT_SCROLL_THUMBRELEASE) code = pane::ScrollThumbPosition;
  else if (t == wxEVT_SCROLL_TOP) code = pane::ScrollTop;
  else if (t == wxEVT_SCROLL_BOTTOM) code = pane::ScrollBottom;
  if (event.GetId() == ids::kFrameSlider) ApplyPlayback(m_playback.SliderScrolled(code, event.GetPosition()));
  else ScrollPane(event.GetId(), code, event.GetPosition());
}

void CMainMorphDlg::OnTimerRedraw(wxTimerEvent&) { RedrawPreview(); }

void CMainMorphDlg::OnTimerOpenSetup(wxTimerEvent&) { PreviewSetup(false); }

void CMainMorphDlg::OnTimerLoadSetup(wxTimerEvent&) { PreviewSetup(true); }

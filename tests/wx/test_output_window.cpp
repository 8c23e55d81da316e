// Exports from the real window: the output dialog opened by the output buttons, driven through
// its own button events (the file is chosen through the test hook), the run it starts, Cancel
// in mid-run, the settings and custom-size dialogs, and the single-frame picture.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <stdlib.h>

#include <cstdio>
#include <functional>

#include <wx/choicdlg.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "app/CommandIds.h"
#include "image/Picture.h"
#include "output/MovieCodecs.h"
#include "ui/wx/NumEdit.h"
#include "output/wx/OutputDlg.h"
#include "output/wx/SaveConfigDlg.h"
#include "output/wx/ScaleDlg.h"
#include "render/wx/GLView.h"
#include "support/AnimationProbe.h"
#include "support/AviProbe.h"
#include "support/GifReference.h"
#include "support/SwfReference.h"
#include "tests/wx/GuiTestSupport.h"

using guitest::MainWindowFixture;

namespace {

constexpr int kN = 8;  // N of the exported animations
constexpr int kW = 64, kH = 48;

void Click(MainWindowFixture& f, int nId) {
  wxCommandEvent event(wxEVT_BUTTON, nId);
  f->GetEventHandler()->ProcessEvent(event);
}

// A sample open at a small output size and N = kN.
void OpenSmallSample(MainWindowFixture& f) {
  f.Command(ids::kSampleFirst);
  ASSERT_TRUE(f.WaitReady());
  // As the frame-count commands do: the preview follows N and its frame stays inside it.
  f->Apply(f->Session().SetFrameCount(kN));
  f->Apply(f->Session().SliderScrolled(pane::ScrollThumbTrack, kN / 2));
  f->Apply(f->Session().ApplyOutputSize(kW, kH));
}

// Plays the user at the output dialog: presses "输出..." once it is up, answers the compressor
// choice, optionally presses Cancel once the progress reaches a percentage, and closes the
// dialog after the results.
class ExportDriver {
 public:
  explicit ExportDriver(MainWindowFixture& f) : m_f(f) {
    f.User().onDialog = [this](wxDialog& d, const std::string& what) { OnEvent(d, what); };
    m_closer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { CloseNow(); });
    // However a run goes wrong, the dialog closes and the test goes on.
    m_watchdog.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      m_bWatchdog = true;
      CloseNow();
    });
  }
  ~ExportDriver() { m_f.User().onDialog = nullptr; }

  int nCancelAtPercent = -1;
  int nSecondCommandAt = -1;
  std::function<void(int)> onProgress;  // with the number of progress steps so far  // progress event at which the user tries another output command
  int nOutputDialogsShown = 0;
  bool bCancelCodec = false;

  std::vector<int> progress, previewFrames;
  std::vector<std::string> codecLabels;
  int nProgressAtCancel = -1;
  bool bFinished = false, bFailed = false, m_bWatchdog = false, bSpeedEnabled = true;
  wxString format, frames, speed, length, resultFrames, resultTime, resultSpeed, resultFile, cancelLabel;
  wxString formatAtEnd;  // the format static once the file was chosen

  void Run(int nButton) {
    m_watchdog.StartOnce(60000);
    Click(m_f, nButton);
    m_watchdog.Stop();
  }

 private:
  void OnEvent(wxDialog& d, const std::string& what) {
    if (auto* codec = dynamic_cast<wxSingleChoiceDialog*>(&d)) {
      if (what != "shown") return;
      for (wxWindow* child : codec->GetChildren())
        if (auto* list = dynamic_cast<wxListBox*>(child))
          for (unsigned i = 0; i < list->GetCount(); ++i) codecLabels.push_back(list->GetString(i).utf8_string());
      if (bCancelCodec) codec->EndModal(wxID_CANCEL);
      else codec->EndModal(wxID_OK);
      return;
    }
    auto* out = dynamic_cast<COUTPUTDlg*>(&d);
    if (!out) return;
    m_pDialog = out;
    if (what == "shown") {
      ++nOutputDialogsShown;
      format = out->StaticText(COUTPUTDlg::kFormatStatic);
      frames = out->StaticText(COUTPUTDlg::kFramesStatic);
      speed = out->StaticText(COUTPUTDlg::kSpeedStatic);
      length = out->StaticText(COUTPUTDlg::kLengthStatic);
      bSpeedEnabled = out->FindWindow(COUTPUTDlg::kSpeedStatic)->IsEnabled();
      guitest::QueueClick(d, COUTPUTDlg::kOutputButton);
    } else if (what == "progress") {
      progress.push_back(out->ProgressPos());
      previewFrames.push_back(m_f->Session().Frame());
      if (onProgress) onProgress(static_cast<int>(progress.size()));
      if (static_cast<int>(progress.size()) == nSecondCommandAt) {
        for (int id : {ids::kOutputAvi, ids::kSingleFrameButton}) {
          m_f.m_szNextFile = "/nonexistent/second.png";
          wxQueueEvent(m_f->GetEventHandler(), new wxCommandEvent(wxEVT_BUTTON, id));
        }
      }
      if (nCancelAtPercent >= 0 && nProgressAtCancel < 0 && out->ProgressPos() >= nCancelAtPercent) {
        nProgressAtCancel = static_cast<int>(progress.size());
        // Queued like a real click: only the run's pump can deliver it.
        guitest::QueueClick(d, wxID_CANCEL);
      }
    } else if (what == "finished" || what == "failed") {
      bFinished = what == "finished";
      bFailed = what == "failed";
      resultFrames = out->StaticText(COUTPUTDlg::kResultFrames);
      resultTime = out->StaticText(COUTPUTDlg::kResultTime);
      resultSpeed = out->StaticText(COUTPUTDlg::kResultSpeed);
      resultFile = out->StaticText(COUTPUTDlg::kResultFile);
      formatAtEnd = out->StaticText(COUTPUTDlg::kFormatStatic);
      cancelLabel = out->FindWindow(wxID_CANCEL)->GetLabel();
      m_closer.StartOnce(1);
    }
  }

  void CloseNow() {
    if (!m_pDialog || !m_pDialog->IsModal()) return;
    guitest::QueueClick(*m_pDialog, wxID_CANCEL);
  }

  MainWindowFixture& m_f;
  COUTPUTDlg* m_pDialog = nullptr;
  wxTimer m_closer, m_watchdog;
};

}  // namespace

TEST(OutputWindow, GifExportFromTheDialogFollowsThePreviewAndDecodes) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  f.m_szNextFile = out.File("anim.gif");
  ExportDriver driver(f);
  driver.Run(ids::kOutputGif);

  ASSERT_FALSE(driver.m_bWatchdog);
  ASSERT_TRUE(driver.bFinished) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
  EXPECT_EQ(driver.format, "Animated GIF");
  EXPECT_EQ(driver.frames, wxString::Format("%d frames", kN));
  EXPECT_EQ(driver.speed, "30 frames/s");
  EXPECT_EQ(driver.length, wxString::Format("%5.2f seconds", kN / 30.0));
  // One progress step per frame, 100 * i / N, with the preview on the frame being written.
  ASSERT_EQ(driver.progress.size(), static_cast<size_t>(kN + 1));
  for (int i = 0; i <= kN; ++i) {
    EXPECT_EQ(driver.progress[i], 100 * i / kN);
    EXPECT_EQ(driver.previewFrames[i], i);
  }
  EXPECT_EQ(driver.resultFrames, wxString::Format("%d frames", kN));
  EXPECT_TRUE(driver.resultSpeed.EndsWith("  frame/s")) << driver.resultSpeed;
  EXPECT_EQ(driver.resultFile, "anim.gif");
  EXPECT_EQ(driver.cancelLabel, "&Close");
  EXPECT_EQ(f->Button(ids::kCurFrameReadout)->GetLabel(), wxString::Format("%d", kN));

  GifRefFile gif;
  std::string why;
  ASSERT_TRUE(DecodeGifReference(ReadFileBytes(out.File("anim.gif")), gif, why)) << why;
  EXPECT_EQ(gif.nWidth, kW);
  EXPECT_EQ(gif.nHeight, kH);
  EXPECT_EQ(gif.frames.size(), static_cast<size_t>(kN + 1));
}

// The dialog is reused: a picture sequence after a GIF at another speed shows the template's
// speed and length (disabled), not the GIF's.
TEST(OutputWindow, AReusedDialogShowsEachFormatsOwnTexts) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  f->Session().OutputSettingsRecords()[AnimatedGif].nSpeed = 12;
  f.m_szNextFile = out.File("anim.gif");
  ExportDriver gif(f);
  gif.Run(ids::kOutputGif);
  ASSERT_TRUE(gif.bFinished);
  EXPECT_EQ(gif.speed, "12 frames/s");
  f.m_szNextFile = out.File("frame.bmp");
  ExportDriver sequence(f);
  sequence.Run(ids::kOutputSequence);
  ASSERT_TRUE(sequence.bFinished);
  EXPECT_EQ(sequence.format, "JPG Pictrue");
  EXPECT_EQ(sequence.speed, "30 frames/s");
  EXPECT_EQ(sequence.length, " 1.00 seconds");
  EXPECT_FALSE(sequence.bSpeedEnabled);
}

TEST(OutputWindow, GifCancelAtFirstMiddleAndLastFrameStopsWithinAFrameAndLeavesNoFile) {
  MainWindowFixture f;
  OpenSmallSample(f);
  // Clicked after frame 0, after the middle frame, and after frame N - 1 (so it lands while
  // the last frame is being written).
  for (int nPercent : {0, 50, 100 * (kN - 1) / kN}) {
    SCOPED_TRACE(nPercent);
    TempDir out;
    f.m_szNextFile = out.File("cut.gif");
    ExportDriver driver(f);
    driver.nCancelAtPercent = nPercent;
    driver.nSecondCommandAt = nPercent == 50 ? 2 : -1;
    driver.Run(ids::kOutputGif);

    ASSERT_FALSE(driver.m_bWatchdog);
    ASSERT_GT(driver.nProgressAtCancel, 0);
    const OutputRunResult& r = f->Export().LastRun();
    EXPECT_TRUE(r.Cancelled());
    // The click arrives at the next pump: the frame then in progress is the last one.
    EXPECT_LE(r.nFramesRendered, driver.nProgressAtCancel + 1);
    EXPECT_FALSE(driver.bFinished);
    EXPECT_TRUE(FolderEntries(out.Path()).empty());
    EXPECT_FALSE(f->Export().RunBusy());
    // The output and single-frame commands that reached the window during the run did nothing.
    EXPECT_EQ(driver.nOutputDialogsShown, 1);
    if (nPercent == 50) {
      EXPECT_EQ(f.m_szNextFile, "/nonexistent/second.png");  // no save dialog was asked for
    }
    EXPECT_TRUE(f.m_messages.empty());
  }
}

TEST(OutputWindow, NumEditTakesOnlyDigitsAndBackspace) {
  MainWindowFixture f;
  wxDialog dialog(f.Get(), wxID_ANY, "num");
  auto* edit = new CNumEdit(&dialog, wxID_ANY, "", wxPoint(10, 10), wxSize(120, -1));
  dialog.SetClientSize(200, 60);
  dialog.Show();
  edit->SetFocus();
  guitest::Pump(200);
  wxUIActionSimulator sim;
  sim.Text("4a-2x");
  sim.Char(WXK_BACK);
  sim.Text("7");
  guitest::PumpUntil([edit] { return edit->GetValue() == "47"; }, 2000);
  EXPECT_EQ(edit->GetValue(), "47");
  // Pasted (programmatic) text is not filtered.
  edit->WriteText("-9");
  EXPECT_EQ(edit->GetValue(), "47-9");
}

TEST(OutputWindow, AviExportThroughTheCompressorChoice) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  f.m_szNextFile = out.File("movie.avi");
  ExportDriver driver(f);
  driver.Run(ids::kOutputAvi);

  ASSERT_TRUE(driver.bFinished) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
  // Every encoder this FFmpeg offers, uncompressed frames first.
  const std::vector<MovieCodecEntry> entries = AvailableMovieCodecs();
  ASSERT_EQ(driver.codecLabels.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(driver.codecLabels[i], entries[i].szLabel);
  EXPECT_EQ(AvailableMovieCodecs().front().szName, "raw");
  EXPECT_EQ(driver.format, "AVI Movie");
  // Forward pass to 50 %, backward pass to 100 %.
  ASSERT_EQ(driver.progress.size(), static_cast<size_t>(2 * (kN + 1)));
  EXPECT_EQ(driver.progress[kN], 50);
  EXPECT_EQ(driver.progress.back(), 100);
  EXPECT_EQ(driver.previewFrames.back(), 0);
  const AviProbe probe = ProbeAvi(out.File("movie.avi"));
  ASSERT_TRUE(probe.bOpened);
  EXPECT_EQ(probe.szCodec, "rawvideo");
  EXPECT_EQ(probe.nWidth, kW);
  EXPECT_EQ(probe.nHeight, kH);
  EXPECT_EQ(probe.nPackets, 2 * (kN + 1));
}

// The movie button's chooser offers AVI, MP4 and WebM, the GIF button's GIF, WebP and APNG;
// the kind follows the chosen file type (a name without an extension gets the type's), and
// only an AVI asks for its compressor. Movies go there and back, animations once.
TEST(OutputWindow, EveryMovieAndAnimationKindFromItsButton) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  struct Case {
    int nButton, nFilter;
    std::string szName, szFile, szKind;
  };
  const Case cases[] = {
      {ids::kOutputAvi, 1, "clip", "clip.mp4", "MP4 Movie"},
      {ids::kOutputAvi, 0, "typed.webm", "typed.webm", "WebM Movie"},  // the typed extension wins
      {ids::kOutputGif, 1, "anim", "anim.webp", "Animated WebP"},
      {ids::kOutputGif, 2, "anim", "anim.apng", "Animated PNG"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.szFile);
    f.m_szNextFile = out.File(c.szName);
    f.User().m_nNextFilter = c.nFilter;
    ExportDriver driver(f);
    driver.Run(c.nButton);
    ASSERT_TRUE(driver.bFinished) << (f.m_messages.empty() ? "" : f.m_messages.back().szText);
    const std::string wildcard = f.User().m_fileRequests.back().szWildcard.utf8_string();
    EXPECT_EQ(wildcard, c.nButton == ids::kOutputAvi
                            ? "AVI (*.avi)|*.avi|MP4 (*.mp4)|*.mp4|WebM (*.webm)|*.webm"
                            : "GIF (*.gif)|*.gif|WebP (*.webp)|*.webp|APNG (*.apng)|*.apng");
    EXPECT_TRUE(driver.codecLabels.empty()) << "a compressor was asked for";
    EXPECT_EQ(driver.formatAtEnd.utf8_string(), c.szKind);
    EXPECT_EQ(driver.resultFrames, wxString::Format("%d frames", kN));
    EXPECT_EQ(driver.progress.back(), 100);
    if (c.nButton == ids::kOutputAvi) {
      const AviProbe probe = ProbeAvi(out.File(c.szFile));
      ASSERT_TRUE(probe.bOpened);
      EXPECT_EQ(probe.szCodec, c.szFile.find("mp4") != std::string::npos ? "h264" : "vp9");
      EXPECT_EQ(probe.nWidth, kW);
      EXPECT_EQ(probe.nPackets, 2 * (kN + 1));
    } else {
      const AnimationProbe probe = ProbeAnimation(out.File(c.szFile));
      ASSERT_TRUE(probe.bOpened) << probe.szError;
      EXPECT_EQ(probe.nWidth, kW);
      EXPECT_EQ(probe.nFrames, kN + 1);
    }
  }
  EXPECT_EQ(FolderEntries(out.Path()).size(), 4u);
}

TEST(OutputWindow, CancelledCompressorChoiceReportsAndWritesNothing) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  f.m_szNextFile = out.File("none.avi");
  ExportDriver driver(f);
  driver.bCancelCodec = true;
  driver.Run(ids::kOutputAvi);

  EXPECT_TRUE(driver.bFailed);
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_EQ(f.m_messages[0].szText, "Avi Output Error!");
  EXPECT_TRUE(driver.progress.empty());
  EXPECT_TRUE(FolderEntries(out.Path()).empty());
}

TEST(OutputWindow, SwfCancelKeepsTheMovieAndNoTemporaryJpegs) {
  TempDir tmp;
  const char* old = getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", tmp.Path().c_str(), 1);
  {
    MainWindowFixture f;
    OpenSmallSample(f);
    TempDir out;
    f.m_szNextFile = out.File("cut.swf");
    ExportDriver driver(f);
    driver.nCancelAtPercent = 25;
    driver.Run(ids::kOutputSwf);
    EXPECT_TRUE(f->Export().LastRun().Cancelled());
    // The movie is whole and holds the frames done so far.
    const int nFrames = SwfFrameCount(ReadFileBytes(out.File("cut.swf")));
    EXPECT_GT(nFrames, 0);
    EXPECT_LT(nFrames, 2 * (kN + 1));
    for (const std::string& name : FolderEntries(tmp.Path()))
      EXPECT_NE(name.find("kestrelle-frames"), 0u) << name << " left behind";
  }
  if (old) setenv("TMPDIR", saved.c_str(), 1);
  else unsetenv("TMPDIR");
}

TEST(OutputWindow, SingleFrameCommandWritesTheCurrentFrame) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  f.m_szNextFile = out.File("frame.png");
  Click(f, ids::kSingleFrameButton);
  ASSERT_TRUE(f->Export().LastRun().ok()) << f->Export().LastRun().outcome.FullText();
  CPicture picture;
  ASSERT_TRUE(picture.Load(out.File("frame.png"), PICTURE_PNG));
  EXPECT_EQ(picture.GetWidth(), kW);
  EXPECT_EQ(picture.GetHeight(), kH);
  EXPECT_EQ(f->Session().m_nOutputFormat, SingleFrame);
  EXPECT_TRUE(f.m_messages.empty());

  // A name without a picture type, and a folder that does not exist: a message each, no file.
  for (const std::string& bad : {out.File("frame.xyz"), out.File("missing/frame.png")}) {
    f.m_messages.clear();
    f.m_szNextFile = bad;
    Click(f, ids::kSingleFrameButton);
    EXPECT_FALSE(f->Export().LastRun().ok()) << bad;
    EXPECT_EQ(f.m_messages.size(), 1u) << bad;
    EXPECT_TRUE(ReadFileBytes(bad).empty()) << bad;
  }
}

// The window refuses to write a frame over a picture the open project uses, as the
// command-line tool does, and leaves the picture as it was.
TEST(OutputWindow, SingleFrameNeverOverwritesAProjectPicture) {
  MainWindowFixture f;
  const std::string a = guitest::WritePicture(f.Folder(), "a.bmp", 120, 90, 1);
  const std::string b = guitest::WritePicture(f.Folder(), "b.bmp", 120, 90, 2);
  ASSERT_TRUE(f.Load(1, a));
  ASSERT_TRUE(f.Load(2, b));
  ASSERT_TRUE(f.WaitReady());
  const std::vector<uint8_t> before = ReadFileBytes(a);
  f.m_szNextFile = a;
  Click(f, ids::kSingleFrameButton);
  EXPECT_FALSE(f->Export().LastRun().ok());
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find("is an input of the project"), std::string::npos) << f.m_messages[0].szText;
  EXPECT_EQ(ReadFileBytes(a), before);
}

TEST(OutputWindow, SettingsPagesKeepEachFormatsValues) {
  MainWindowFixture f;
  OpenSmallSample(f);
  std::string avi, gif, label;
  bool bShown = false;
  f.User().onDialog = [&](wxDialog& d, const std::string& what) {
    auto* s = dynamic_cast<CDLGSAVECONFIG*>(&d);
    if (!s || what != "shown") return;
    bShown = true;
    auto* speed = static_cast<wxTextCtrl*>(s->FindWindow(CDLGSAVECONFIG::kSpeedEdit));
    s->SelectPage(AviMovie);
    speed->SetValue("12");
    s->SelectPage(AnimatedGif);
    gif = speed->GetValue().utf8_string();
    s->SelectPage(AviMovie);
    avi = speed->GetValue().utf8_string();
    s->SelectPage(HtmlPage);
    label = s->FindWindow(CDLGSAVECONFIG::kSpeedLabel)->GetLabel().utf8_string();
    guitest::QueueClick(*s, wxID_OK);
  };
  f.Command(ids::kOutputSettings);
  f.User().onDialog = nullptr;
  ASSERT_TRUE(bShown);
  EXPECT_EQ(gif, "30");
  EXPECT_EQ(avi, "12");  // the AVI edit survived the switch to GIF and back
  EXPECT_EQ(label, "Flash (frames/s)");
  EXPECT_EQ(f->Session().OutputSettingsRecords()[AviMovie].nSpeed, 12);
}

TEST(OutputWindow, CustomSizeKeepsTheRatioAndRefusesImpossibleSizes) {
  MainWindowFixture f;
  OpenSmallSample(f);
  f.Command(ids::kSizeDvdPal);
  ASSERT_EQ(f->Project().m_nOutputWidth, 720);
  std::string synced;
  std::string typedWidth = "360";
  f.User().onDialog = [&](wxDialog& d, const std::string& what) {
    auto* s = dynamic_cast<CDLGSCALE*>(&d);
    if (!s || what != "shown") return;
    s->WidthEdit()->SetValue(wxString::FromUTF8(typedWidth));  // as typing raises the change
    synced = s->HeightEdit()->GetValue().utf8_string();
    guitest::QueueClick(*s, wxID_OK);
  };
  f.Command(ids::kSizeCustom);
  EXPECT_EQ(synced, "288");
  EXPECT_EQ(f->Project().m_nOutputWidth, 360);
  EXPECT_EQ(f->Project().m_nOutputHeight, 288);
  EXPECT_TRUE(f.m_messages.empty());

  typedWidth = "0";
  f.Command(ids::kSizeCustom);
  f.User().onDialog = nullptr;
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find("0x0"), std::string::npos) << f.m_messages[0].szText;
  EXPECT_EQ(f->Project().m_nOutputWidth, 360);  // left as it was
  EXPECT_EQ(f->Project().m_nOutputHeight, 288);
}

TEST(OutputWindow, HtmlExportWritesTheMovieBesideAndKeepsAnExistingPage) {
  MainWindowFixture f;
  // The page template beside the program, as the build and the package ship it.
  const std::vector<uint8_t> page = ReadFileBytes(BinDir() + "/exsample.html");
  ASSERT_FALSE(page.empty());
  WriteFileBytes(f.Folder().File("exsample.html"), page);
  OpenSmallSample(f);
  TempDir out;
  f.m_szNextFile = out.File("page.html");
  {
    ExportDriver driver(f);
    driver.Run(ids::kOutputHtml);
    ASSERT_TRUE(driver.bFinished) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
    EXPECT_EQ(driver.format, "Html Page");
    EXPECT_EQ(driver.progress.size(), static_cast<size_t>(2 * (kN + 1)));
  }
  EXPECT_EQ(ReadFileBytes(out.File("page.html")), page);
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(out.File("output.swf"))), 2 * (kN + 1));
  EXPECT_TRUE(f.m_messages.empty());

  // A second run to the same page keeps the page (and says so) but writes the movie again.
  WriteFileBytes(out.File("page.html"), {'m', 'i', 'n', 'e'});
  WriteFileBytes(out.File("output.swf"), {'x'});
  f.m_szNextFile = out.File("page.html");
  {
    ExportDriver driver(f);
    driver.Run(ids::kOutputHtml);
    EXPECT_TRUE(driver.bFinished);
  }
  EXPECT_EQ(ReadFileBytes(out.File("page.html")), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(SwfFrameCount(ReadFileBytes(out.File("output.swf"))), 2 * (kN + 1));
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find("page.html"), std::string::npos);
}

// A disk that fills in mid-export (a file-size limit): the message, the old file intact, no
// temporary anywhere, and the window exports again once there is room.
TEST(OutputWindow, AFullDiskInMidExportKeepsTheOldFileAndTheWindowWorks) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  const std::string target = out.File("anim.gif");
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  WriteFileBytes(target, old);
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const auto handler = signal(SIGXFSZ, SIG_IGN);
  rlimit low = limit;
  low.rlim_cur = 4096;  // smaller than the movie
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  f.m_szNextFile = target;
  {
    ExportDriver driver(f);
    driver.Run(ids::kOutputGif);
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, handler);
    EXPECT_FALSE(driver.m_bWatchdog);
    EXPECT_TRUE(driver.bFailed);
  }
  ASSERT_EQ(f.m_messages.size(), 1u);
  EXPECT_NE(f.m_messages[0].szText.find("File too large"), std::string::npos) << f.m_messages[0].szText;
  EXPECT_EQ(ReadFileBytes(target), old);
  EXPECT_EQ(FolderEntries(out.Path()), std::vector<std::string>{"anim.gif"});
  EXPECT_FALSE(f->Export().RunBusy());
  f.m_messages.clear();
  f.m_szNextFile = target;
  ExportDriver again(f);
  again.Run(ids::kOutputGif);
  EXPECT_TRUE(again.bFinished);
  GifRefFile gif;
  std::string why;
  EXPECT_TRUE(DecodeGifReference(ReadFileBytes(target), gif, why)) << why;
}

// Pictures deleted or replaced on disk while their project is open: the export renders from
// the pictures in memory.
TEST(OutputWindow, PicturesGoneFromDiskStillExportFromMemory) {
  MainWindowFixture f;
  TempDir dir;
  const std::string a = guitest::WritePicture(dir, "a.bmp", 160, 120, 1);
  const std::string b = guitest::WritePicture(dir, "b.bmp", 160, 120, 2);
  ASSERT_TRUE(f.Load(1, a));
  ASSERT_TRUE(f.Load(2, b));
  ASSERT_TRUE(f.WaitReady());
  f->Apply(f->Session().SetFrameCount(kN));
  f->Apply(f->Session().ApplyOutputSize(kW, kH));
  std::remove(a.c_str());
  WriteFileBytes(b, {'x'});
  TempDir out;
  f.m_szNextFile = out.File("anim.gif");
  ExportDriver driver(f);
  driver.Run(ids::kOutputGif);
  ASSERT_TRUE(driver.bFinished) << (f.m_messages.empty() ? "" : f.m_messages[0].szText);
  GifRefFile gif;
  std::string why;
  ASSERT_TRUE(DecodeGifReference(ReadFileBytes(out.File("anim.gif")), gif, why)) << why;
  EXPECT_EQ(gif.frames.size(), static_cast<size_t>(kN + 1));
}

// The window closed (Yes to the question) while an export runs: the run stops at its next
// frame and ends cleanly, its dialog closes, and only then does the window go.
TEST(OutputWindow, ClosingTheWindowInMidExportEndsTheRunFirst) {
  MainWindowFixture f;
  OpenSmallSample(f);
  TempDir out;
  f.m_szNextFile = out.File("anim.gif");
  f.m_nAnswer = wxYES;
  ExportDriver driver(f);
  CMainMorphDlg* window = f.Get();
  driver.onProgress = [window](int nSteps) {
    if (nSteps == 3) window->CallAfter([window] { window->Close(false); });
  };
  driver.Run(ids::kOutputGif);
  EXPECT_FALSE(driver.m_bWatchdog);
  EXPECT_FALSE(driver.bFinished);
  EXPECT_LE(driver.progress.size(), 5u);  // stopped within a frame or so of the close
  EXPECT_TRUE(guitest::PumpUntil([&] { return !f.IsAlive(); }, 3000));
  EXPECT_TRUE(FolderEntries(out.Path()).empty());
}

#include "app/ProjectSession.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/MainMenus.h"
#include "app/OutputSizeCommands.h"
#include "core/ProjectFile.h"
#include "output/OutputDialogRules.h"

namespace {

constexpr int kOpenSetupTimer = 2;  // after an open: the set-up draws through the repaint
constexpr int kLoadSetupTimer = 8;  // after a picture load: the set-up draws at once
constexpr const char* kNoPosition = "0,0";

}  // namespace

ProjectSession::ProjectSession() = default;

PaneSizes ProjectSession::Sizes() const {
  PaneSizes s;
  for (int i = 0; i < 2; ++i) {
    if (const CPicture* pic = m_project.GetImage(i + 1)) {
      s.w[i] = pic->GetWidth();
      s.h[i] = pic->GetHeight();
    }
  }
  // The preview shows frames at the output size, once the target picture is there.
  if (m_project.GetImage(2) && m_project.m_nOutputWidth > 0 && m_project.m_nOutputHeight > 0) {
    s.w[pane::Preview] = m_project.m_nOutputWidth;
    s.h[pane::Preview] = m_project.m_nOutputHeight;
  }
  return s;
}

int ProjectSession::Frame() const {
  return std::clamp(m_nShownFrame, 0, std::max(0, m_project.m_nFrameCount));
}

void ProjectSession::ShowCurrentFrame(SessionChange& c) {
  m_nShownFrame = m_project.m_nCurFrame;
  c.bFrame = true;
}

std::string ProjectSession::Title(const std::string& szProduct) const {
  const bool content = m_project.GetImage(1) || m_project.GetImage(2);
  return ProjectTitleText(szProduct, m_szProjectPath, content, m_history.IsDirty());
}

// ---------------------------------------------------------------- outcomes of the parts

SessionChange ProjectSession::Apply(const editor::EditOutcome& o) {
  SessionChange c;
  c.bPane = o.bInvalidatePane;
  c.rects = o.invalidateRects;
  // The preview draws the current frame; its read-outs follow whatever it draws (a delete
  // moves the frame to the last one).
  c.bPreview = o.bDrawPreview;
  if (o.bDrawPreview) ShowCurrentFrame(c);
  c.bCaptureMouse = o.bCaptureMouse;
  c.bReleaseMouse = o.bReleaseMouse;
  for (int i = 0; i < 2; ++i) {
    if (!o.bPositionChanged[i]) continue;
    m_szPosition[i] = o.szPosition[i];
    c.bPosition[i] = true;
  }
  c.blinkTimer = o.blinkTimer;
  c.blinkEndTimer = o.blinkEndTimer;
  if (o.nZoomPane == 1 || o.nZoomPane == 2) {
    m_panes.ZoomStep(o.nZoomPane - 1, o.bZoomIn, Sizes());
    LaidOut(c);
    c.bPane[o.nZoomPane - 1] = true;
  }
  c.bMenus = o.bHistoryChanged;
  if (!o.szMessage.empty()) c.Message(o.szMessage, SessionChange::MessageKind::Warning);
  return c;
}

SessionChange ProjectSession::Apply(const PlaybackUpdate& u) {
  SessionChange c;
  if (u.timer == PlaybackUpdate::Timer::Start) c.playTimer.bStart = true;
  if (u.timer == PlaybackUpdate::Timer::Stop) c.playTimer.bStop = true;
  c.bControls = u.bFaceChanged;
  // A tick shows frame k and then steps: the frame shown lags the one the next tick shows.
  c.bFrame = c.bPreview = u.bFrameShown;
  if (u.bFrameShown) m_nShownFrame = u.nFrame;
  c.bFrameCount = u.bFrameCountShown;
  if (u.edit == PlaybackUpdate::Edit::Show) {
    m_szEntryText = u.szEditText;
    c.entry = SessionChange::Entry::Show;
  } else if (u.edit == PlaybackUpdate::Edit::Hide) {
    c.entry = SessionChange::Entry::Hide;
  }
  c.bMenus = u.bChecksChanged;
  if (!u.szMessage.empty()) c.Message(u.szMessage, SessionChange::MessageKind::Warning);
  return c;
}

void ProjectSession::LaidOut(SessionChange& c) {
  c.bLayout = true;
  // Every info-bar layout shows the position read-outs of loaded pictures at 0,0 again.
  for (int i = 0; i < 2; ++i) {
    if (!m_project.GetImage(i + 1)) continue;
    m_szPosition[i] = kNoPosition;
    c.bPosition[i] = true;
  }
}

SessionChange ProjectSession::Layout() {
  SessionChange c;
  LaidOut(c);
  c.bPane = {true, true};
  c.bMenus = true;
  c.bFrameCount = true;
  ShowCurrentFrame(c);
  return c;
}

// ---------------------------------------------------------------- the project as a whole

void ProjectSession::EnterReady(SessionChange& c, int nSetupTimer) {
  m_bCommandsEnabled = m_bButtonsEnabled = true;
  c.nSetupTimer = nSetupTimer;
  c.bControls = c.bMenus = true;
}

SessionChange ProjectSession::ProjectOpened(const std::string& path) {
  m_szProjectPath = path;
  ++m_nPictureGeneration;
  SessionChange c = Apply(m_editor.ProjectReplaced(true));
  const PaneSizes sizes = Sizes();
  for (int i = 0; i < 2; ++i) m_panes.FitLoaded(i, sizes);
  m_panes.PlaceAll(sizes);
  c |= Apply(m_playback.ProjectLoaded());
  c |= Layout();
  EnterReady(c, kOpenSetupTimer);
  return c;
}

SessionChange ProjectSession::OpenProject(const std::string& path) {
  const Result r = ::OpenProject(m_project, path);
  if (!r) return SessionChange::Refused(r.message);
  return ProjectOpened(path);
}

SessionChange ProjectSession::OpenSample(int nCommand, const std::string& samplesFolder) {
  const SampleProject* sample = menus::SampleOfCommand(nCommand);
  if (!sample) return SessionChange::Refused(ProjectText::kError);
  const Result r = OpenShippedSample(m_project, *sample, samplesFolder);
  if (!r) return SessionChange::Refused(r.message);
  return ProjectOpened(samplesFolder + "/" + sample->szFileName);
}

SessionChange ProjectSession::PictureLoaded(int nSlot) {
  ++m_nPictureGeneration;
  SessionChange c = Apply(m_editor.ProjectReplaced(false));
  const PaneSizes sizes = Sizes();
  m_panes.FitLoaded(nSlot - 1, sizes);
  m_panes.PlaceAll(sizes);
  c |= Layout();
  return c;
}

SessionChange ProjectSession::LoadPicture(int nSlot, const std::string& path) {
  if (nSlot != 1 && nSlot != 2) return {};
  const Result r = m_project.LoadImage(nSlot, path);
  if (!r) return SessionChange::Refused(r.message);
  SessionChange c = PictureLoaded(nSlot);
  if (m_project.IsReady()) {
    c |= Apply(m_playback.ProjectLoaded());
    EnterReady(c, kLoadSetupTimer);
  }
  return c;
}

SessionChange ProjectSession::LoadWarpPicture(const std::string& path) {
  const Result r = m_project.LoadWarpImage(path);
  if (!r) {
    SessionChange c = SessionChange::Refused(r.message);
    c |= Layout();  // the morph type may have changed before the load failed
    return c;
  }
  SessionChange c = PictureLoaded(1);
  c |= PictureLoaded(2);
  c |= Apply(m_playback.ProjectLoaded());
  EnterReady(c, kLoadSetupTimer);
  return c;
}

SessionChange ProjectSession::CloseProject() {
  SessionChange c;
  if (m_playback.IsPlaying()) c |= Apply(m_playback.PlayPause());
  m_project.CloseProject();
  m_szProjectPath.clear();
  ++m_nPictureGeneration;
  c |= Apply(m_editor.ProjectReplaced(true));
  for (int i = 0; i < 3; ++i) m_panes.Clear(i);
  c |= Layout();
  c.bPreview = true;  // the preview view goes away
  return c;
}

SessionChange ProjectSession::SaveProject(const std::string& path) {
  const Result r = ::SaveProject(m_project, path);
  // The cause (a full disk, a folder in the way) is what the user can act on.
  if (!r) return SessionChange::Refused(r.FullText());
  m_szProjectPath = path;
  m_history.MarkSaved();
  SessionChange c;
  c.bMenus = true;
  return c;
}

SessionChange ProjectSession::PreviewSetup() {
  if (!m_project.IsReady()) return {};
  SessionChange c = Apply(m_playback.PreviewSetupDone());
  m_panes.PreviewTakesImage1Zoom(Sizes());
  m_bButtonsEnabled = true;
  LaidOut(c);
  c.bControls = c.bMenus = true;
  c.bPreview = c.bFrame = c.bFrameCount = true;
  return c;
}

SessionChange ProjectSession::Redraw() {
  SessionChange c = Layout();
  c.bBackdrop = c.bControls = true;
  c.bPreview = m_project.IsReady();
  return c;
}

SessionChange ProjectSession::RestoreRecovery(const RecoveryCopy& copy) {
  const Result r = ::OpenProject(m_project, copy.szPath);
  if (!r) return SessionChange::Refused(r.FullText());
  m_project.m_nMorphType = copy.nMorphType;
  SessionChange c = ProjectOpened(copy.szProjectPath);
  m_history.MarkChanged();  // the edits are still not in the project's file
  c.bMenus = true;
  return c;
}

namespace {

// A path that names the same file from any working folder; the path as it is when the
// absolute one would not fit a project file.
std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::error_code ec;
  const std::string abs = std::filesystem::absolute(path, ec).lexically_normal().string();
  return ec || abs.size() > kMaxPathBytes ? path : abs;
}

}  // namespace

RecoveryContent ProjectSession::RecoveryState() const {
  RecoveryContent content;
  if (!m_project.IsReady() || !m_history.IsDirty()) return content;
  if (!ProjectFileBytes(m_project, content.project, AbsolutePath(m_project.m_szImagePath1),
                        AbsolutePath(m_project.m_szImagePath2)))
    content.project.clear();
  content.szProjectPath = AbsolutePath(m_szProjectPath);
  content.nMorphType = m_project.m_nMorphType;
  return content;
}

SessionChange ProjectSession::ResetProject() {
  m_project.ChooseMorphType(1);
  return CloseProject();
}

// ---------------------------------------------------------------- the window

SessionChange ProjectSession::Resize(int cw, int ch) {
  if (!m_panes.Resize(cw, ch, Sizes())) return {};
  SessionChange c = Layout();
  c.bBackdrop = true;
  c.bPreview = m_project.IsReady();
  return c;
}

SessionChange ProjectSession::SetPaneZoom(int nPane, float fZoom) {
  const PaneSizes sizes = Sizes();
  if (nPane < 0 || nPane > 2 || !sizes.Has(nPane)) return {};
  m_panes.SetZoom(nPane, fZoom, sizes);
  SessionChange c;
  LaidOut(c);
  if (nPane == pane::Preview) c.bPreview = true;
  else c.bPane[nPane] = true;
  return c;
}

SessionChange ProjectSession::Scroll(int nBarId, int nCode, int nThumb) {
  const int slot = CPaneViews::SlotOfBar(nBarId);
  if (!m_panes.Scroll(slot, nCode, nThumb, Sizes())) return {};
  SessionChange c;
  c.bScrollBars = true;  // the bar's thumb follows the offset
  if (slot / 2 == pane::Preview) c.bPreview = true;
  else c.bPane[slot / 2] = true;
  return c;
}

// ---------------------------------------------------------------- editing

SessionChange ProjectSession::LeftDown(int x, int y) {
  if (m_bAutoKeyRunning) return {};  // the proposals are made for the pairs as they are
  return Apply(m_editor.LeftDown(m_panes.EditPanes(Sizes()), x, y));
}

SessionChange ProjectSession::PointerMoved(int x, int y) {
  return Apply(m_editor.PointerMoved(m_panes.EditPanes(Sizes()), x, y));
}

SessionChange ProjectSession::LeftUp() { return Apply(m_editor.LeftUp()); }

SessionChange ProjectSession::BlinkTick() { return Apply(m_editor.BlinkTimer(m_panes.EditPanes(Sizes()))); }

SessionChange ProjectSession::BlinkEnd() { return Apply(m_editor.BlinkEndTimer(m_panes.EditPanes(Sizes()))); }

editor::Cursor ProjectSession::CursorAt(int x, int y, bool bInFrameCountEntry) const {
  return m_editor.CursorAt(m_panes.EditPanes(Sizes()), x, y, bInFrameCountEntry);
}

SessionChange ProjectSession::SelectToolButton(int nButtonId) {
  SessionChange c;
  c.bControls = editor::SelectTool(m_project, nButtonId);
  return c;
}

SessionChange ProjectSession::ToggleTriangles() {
  SessionChange c = Apply(m_editor.ToggleTriangles());
  c.bMenus = true;
  return c;
}

SessionChange ProjectSession::ChooseMorphType(int nType) {
  SessionChange c = Apply(m_editor.ChooseMorphType(nType));
  c.bMenus = true;
  return c;
}

SessionChange ProjectSession::Undo() { return Apply(m_editor.Undo()); }

SessionChange ProjectSession::Redo() { return Apply(m_editor.Redo()); }

SessionChange ProjectSession::AutoKeyStarted() {
  SessionChange c;
  if (m_bAutoKeyRunning || !m_project.IsReady()) return c;
  if (m_editor.IsDragging()) c |= Apply(m_editor.LeftUp());
  m_bAutoKeyRunning = true;
  m_nToolBeforeAutoKey = m_project.m_nToolMode;
  m_project.m_nToolMode = ToolBusy;  // the wait cursor over the panes
  c.bControls = c.bMenus = true;
  return c;
}

SessionChange ProjectSession::AutoKeyFinished(std::unique_ptr<EditCommand> command) {
  SessionChange c;
  m_bAutoKeyRunning = false;
  // A project opened or closed meanwhile has set its own tool.
  if (m_project.m_nToolMode == ToolBusy && m_project.IsReady()) m_project.m_nToolMode = m_nToolBeforeAutoKey;
  c.bControls = c.bMenus = true;
  if (command) c |= Apply(m_editor.AddProposals(std::move(command)));
  return c;
}

// ---------------------------------------------------------------- playback

namespace {

}  // namespace

// A frame-count change may move the frame (a frame past the new end would extrapolate), and
// the frame shown may lie past the new end.
void ProjectSession::FollowFrame(SessionChange& c, int nBefore) {
  if (nBefore != m_project.m_nCurFrame || m_nShownFrame > m_project.m_nFrameCount) {
    ShowCurrentFrame(c);
    c.bPreview = true;
  }
}

SessionChange ProjectSession::PlayPause() { return Apply(m_playback.PlayPause()); }
SessionChange ProjectSession::PlayTick() { return Apply(m_playback.Tick()); }
SessionChange ProjectSession::FirstFrame() { return Apply(m_playback.FirstFrame()); }
SessionChange ProjectSession::LastFrame() { return Apply(m_playback.LastFrame()); }
SessionChange ProjectSession::NextFrame() { return Apply(m_playback.NextFrame()); }
SessionChange ProjectSession::PreviousFrame() { return Apply(m_playback.PreviousFrame()); }
SessionChange ProjectSession::ToggleLoopPlay() { return Apply(m_playback.ToggleLoopPlay()); }
SessionChange ProjectSession::ToggleLoopBack() { return Apply(m_playback.ToggleLoopBack()); }

SessionChange ProjectSession::SliderScrolled(int nCode, int nPosition) {
  return Apply(m_playback.SliderScrolled(nCode, nPosition));
}

SessionChange ProjectSession::MoreFrames() { return Apply(m_playback.MoreFrames()); }

SessionChange ProjectSession::FewerFrames() {
  const int before = m_project.m_nCurFrame;
  SessionChange c = Apply(m_playback.FewerFrames());
  FollowFrame(c, before);
  return c;
}

SessionChange ProjectSession::SetFrameCount(int n) {
  const int before = m_project.m_nCurFrame;
  SessionChange c = Apply(m_playback.SetFrameCount(n));
  FollowFrame(c, before);
  return c;
}

SessionChange ProjectSession::OpenFrameCountEntry() { return Apply(m_playback.OpenFrameCountEdit()); }

SessionChange ProjectSession::FrameCountEntryLostFocus() { return Apply(m_playback.FrameCountEditLostFocus()); }

SessionChange ProjectSession::ReturnPressed(const std::string& szEntryText) {
  const int before = m_project.m_nCurFrame;
  PlaybackUpdate u;
  m_playback.ReturnPressed(szEntryText, &u);
  SessionChange c = Apply(u);
  FollowFrame(c, before);
  return c;
}

SessionChange ProjectSession::ShowExportFrame(int nFrame) {
  m_project.m_nCurFrame = nFrame;
  SessionChange c;
  ShowCurrentFrame(c);
  c.bPreview = true;
  return c;
}

// ---------------------------------------------------------------- output

OutputSizeCommand ProjectSession::ResolveSizeCommand(int nCommand) const {
  const PaneSizes s = Sizes();
  return ResolveOutputSizeCommand(nCommand, s.w[0], s.h[0], s.w[1], s.h[1]);
}

SessionChange ProjectSession::ApplyOutputSize(int nWidth, int nHeight) {
  // A size no run could render (a huge picture, a typed 0) is refused here rather than
  // failing at the first frame.
  const Result checked = CheckOutputSizeChoice(nWidth, nHeight);
  if (!checked) return SessionChange::Refused(checked.message, SessionChange::MessageKind::Warning);
  m_project.m_nOutputWidth = nWidth;
  m_project.m_nOutputHeight = nHeight;
  m_panes.SetZoom(pane::Preview, 0, Sizes());
  SessionChange c;
  LaidOut(c);
  c.bPreview = true;
  return c;
}

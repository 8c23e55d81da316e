#include "app/SessionChange.h"

namespace {

void Merge(editor::TimerChange& into, const editor::TimerChange& from) {
  // A later start re-arms a timer an earlier part stopped; a later stop wins over a start.
  if (from.bStop) into = {false, true};
  if (from.bStart) into.bStart = true;
}

}  // namespace

bool SessionChange::Empty() const {
  return !bBackdrop && !bLayout && !bScrollBars && !bPane[0] && !bPane[1] && rects.empty() && !bPreview && !bFrame &&
         !bFrameCount && !bPosition[0] && !bPosition[1] && !bMenus && !bControls && !playTimer.bStart &&
         !playTimer.bStop && !blinkTimer.bStart && !blinkTimer.bStop && !blinkEndTimer.bStart &&
         !blinkEndTimer.bStop && nSetupTimer == 0 && !bCaptureMouse && !bReleaseMouse && entry == Entry::Keep &&
         !bRefused && szMessage.empty();
}

SessionChange& SessionChange::operator|=(const SessionChange& o) {
  bBackdrop |= o.bBackdrop;
  bLayout |= o.bLayout;
  bScrollBars |= o.bScrollBars;
  for (int i = 0; i < 2; ++i) {
    bPane[i] = bPane[i] || o.bPane[i];
    bPosition[i] = bPosition[i] || o.bPosition[i];
  }
  rects.insert(rects.end(), o.rects.begin(), o.rects.end());
  bPreview |= o.bPreview;
  bFrame |= o.bFrame;
  bFrameCount |= o.bFrameCount;
  bMenus |= o.bMenus;
  bControls |= o.bControls;
  Merge(playTimer, o.playTimer);
  Merge(blinkTimer, o.blinkTimer);
  Merge(blinkEndTimer, o.blinkEndTimer);
  if (o.nSetupTimer) nSetupTimer = o.nSetupTimer;
  // The window releases before it captures: an old drag ends, then a new one may begin.
  bCaptureMouse |= o.bCaptureMouse;
  bReleaseMouse |= o.bReleaseMouse;
  if (o.entry != Entry::Keep) entry = o.entry;
  bRefused |= o.bRefused;
  if (!o.szMessage.empty()) {
    szMessage = o.szMessage;
    messageKind = o.messageKind;
  }
  return *this;
}

SessionChange& SessionChange::Repaint(bool bPane1, bool bPane2) {
  bPane[0] = bPane[0] || bPane1;
  bPane[1] = bPane[1] || bPane2;
  return *this;
}

SessionChange& SessionChange::Message(std::string szText, MessageKind kind) {
  szMessage = std::move(szText);
  messageKind = kind;
  return *this;
}

SessionChange SessionChange::Refused(std::string szText, MessageKind kind) {
  SessionChange c;
  c.bRefused = true;
  return c.Message(std::move(szText), kind);
}

// What one user operation changed, as plain data: the window applies it in one place and reads
// every value it shows (frame, labels, menu states) from the session afterwards, so the
// preview, the slider and the read-outs cannot disagree about the frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "editor/HoverBlink.h"
#include "editor/KeyPointEditor.h"

struct SessionChange {
  // The client area is composed again: background, skin frames and the button groups placed
  // anew (a new client size).
  bool bBackdrop = false;
  // Info bars placed and labelled again, scroll bars and the preview view placed again.
  bool bLayout = false;
  bool bScrollBars = false;  // only the scroll bars and the preview view placed again
  std::array<bool, 2> bPane{};               // image1 / image2 pane contents composed again
  std::vector<editor::PixelRect> rects;       // small areas painted again (a blinking marker)
  bool bPreview = false;                      // draw the preview at the session's frame now
  bool bFrame = false;                        // slider position and current-frame read-out
  bool bFrameCount = false;                   // slider range and frame-count read-out
  std::array<bool, 2> bPosition{};            // pointer position read-outs
  bool bMenus = false;                        // enabled, checked and labels of the menus, title
  bool bControls = false;                     // enabled state and faces of the button groups

  // Timers the window runs: start (re-arming a running one) or stop.
  editor::TimerChange playTimer;       // 3: one playback tick per beat
  editor::TimerChange blinkTimer;      // 6: 500 ms
  editor::TimerChange blinkEndTimer;   // 7: 1 ms, once
  int nSetupTimer = 0;                 // 2 or 8: the one-shot preview set-up; 0: none

  bool bCaptureMouse = false;  // a drag began
  bool bReleaseMouse = false;  // it ended

  enum class Entry { Keep, Show, Hide };
  Entry entry = Entry::Keep;  // the frame-count entry, with the session's entry text

  bool bRefused = false;  // the operation changed nothing: it failed or was refused

  enum class MessageKind { Info, Warning, Error };
  std::string szMessage;  // shown after everything else is applied; empty: none
  MessageKind messageKind = MessageKind::Warning;

  bool Empty() const;
  // Everything either change asks for; the later message wins.
  SessionChange& operator|=(const SessionChange& other);
  SessionChange& Repaint(bool bPane1, bool bPane2);
  SessionChange& Message(std::string szText, MessageKind kind);
  // A refusal: nothing changed, the text says why.
  static SessionChange Refused(std::string szText, MessageKind kind = MessageKind::Error);
};

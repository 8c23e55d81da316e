// The main window's output commands: the five output buttons and the AVI menu command, each
// choosing a format for the output dialog.
#pragma once

struct OutputCommand {
  bool bValid = false;
  int nFormat = 0;
  bool bCopySpeed = false;     // the format's record speed becomes the dialog's speed
  bool bRestartRedraw = false;  // the preview redraw timer runs again once the dialog closes
};

// Unknown ids give bValid false.
OutputCommand ResolveOutputCommand(int nCommand);

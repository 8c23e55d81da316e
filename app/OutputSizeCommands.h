// The output-size commands of the main window (Animation menu, the size button's popup and
// the second id set bound to the same actions): which size each one asks for.
#pragma once

enum class OutputSizeKind { None, Fixed, Custom };

struct OutputSizeCommand {
  OutputSizeKind kind = OutputSizeKind::None;
  int nWidth = 0, nHeight = 0;
};

// W1 x H1 and W2 x H2: the two pictures (0 when missing). Unknown ids give kind None, and so
// do the picture-based sizes while the picture they need is missing.
OutputSizeCommand ResolveOutputSizeCommand(int nCommand, int W1, int H1, int W2, int H2);

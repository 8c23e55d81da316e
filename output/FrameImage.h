// Reading an off-screen frame back as a picture: the 32-bit bitmap becomes the 24-bit
// picture of type BMP that decoding the frame's in-memory BMP file would give.
#pragma once

#include <string>

#include "image/Picture.h"
#include "render/FrameBitmap.h"

// Depth of every read-back; the writers are built for 24-bit frames.
constexpr int kFrameReadBackDepth = 24;

// Fills `out` with the frame (rows bottom-up, blue-green-red, padded to 4 bytes).
// False with a text when the bitmap is empty or inconsistent, or memory runs out.
bool GrabFrameImage(const FrameBitmap& bitmap, CPicture& out, std::string* pError = nullptr);

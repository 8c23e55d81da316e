// The tests' reader of animated pictures: Pillow (Debian's python3-pil) opens the file in a
// child process and reports every frame, the loop count and the frame durations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AnimationProbe {
  bool bOpened = false;
  std::string szError;   // why it could not be read
  std::string szFormat;  // Pillow's name: "WEBP", "PNG", "GIF"
  int nWidth = 0, nHeight = 0;
  int nFrames = 0;
  int nLoop = -1;        // plays written in the file, 0 endlessly; -1 when none is written
  std::vector<int> durations;                // milliseconds per frame
  std::vector<std::vector<uint8_t>> frames;  // top-down RGB rows per frame
};

AnimationProbe ProbeAnimation(const std::string& path);

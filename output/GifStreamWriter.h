// Writes an animated GIF one frame at a time, byte for byte what the container's
// multi-image encoder writes over all frames at once (global table from frame 0, local
// tables for the others), so an export never holds more than one frame. The file grows
// under a temporary name beside the target and takes the target's name only when the
// last frame is in; an abandoned file is removed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Result.h"
#include "base/UniqueFile.h"
#include "image/Picture.h"

class CGifStreamWriter {
 public:
  explicit CGifStreamWriter(int nLoops = 90) : m_nLoops(nLoops) {}
  ~CGifStreamWriter() { Abandon(); }
  CGifStreamWriter(const CGifStreamWriter&) = delete;
  CGifStreamWriter& operator=(const CGifStreamWriter&) = delete;

  // Creates the temporary file beside szTargetPath. False with a text when it cannot.
  bool Open(const std::string& szTargetPath);
  // Appends one palette picture (8 bits or fewer) as the next frame.
  bool AddFrame(CPicture& frame);
  // Writes the trailer and renames the file to the target.
  bool Finish();
  // Closes and removes the temporary file; the target is left as it was.
  void Abandon();

  int GetFrameCount() const { return m_nFrames; }
  const Result& GetLastResult() const { return m_result; }

 private:
  bool Fail(ErrorKind kind, const std::string& text);
  bool EncodeToMemory(CPicture** ppImages, int nCount, std::vector<uint8_t>& out);
  bool WriteBytes(const uint8_t* p, size_t n);

  int m_nLoops;
  int m_nFrames = 0;
  CAtomicFile m_file;
  FILE* m_pFile = nullptr;  // m_file's stream
  std::string m_szTargetPath;
  Result m_result;
  // What the encoder writes for the stand-in first image, up to its trailer; the later
  // frames are cut out of two-image encodings after these bytes.
  CPicture m_stub;
  std::vector<uint8_t> m_stubPrefix;
};

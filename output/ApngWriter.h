// CApngWriter: an animated PNG of 24-bit frames, each stored whole (no frame differences),
// so that every frame is coded once and on its own: a frame's filtering and deflate take
// a fraction of what a search over frame layouts would, and need nothing from the frame
// before. The file grows under a temporary name and takes its own only at Close; Abandon
// leaves an existing file as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Result.h"
#include "image/Picture.h"

class CApngWriter {
 public:
  // nRate frames per second; nPlays 0 endlessly.
  bool Open(const std::string& szPath, int nWidth, int nHeight, int nRate, int nPlays);
  // A 24-bit picture of the size given to Open.
  bool AddFrame(const CPicture& picture);
  // Writes the frame count and the end, then gives the file its name.
  bool Close();
  void Abandon();
  const Result& GetLastResult() const { return m_result; }

  // The zlib stream of one frame's rows, each behind its PNG filter byte (top row first).
  static Result CompressFrame(const CPicture& picture, std::vector<uint8_t>& out);

 private:
  bool Fail(ErrorKind kind, const std::string& text);
  bool WriteChunk(const char* szType, const std::vector<uint8_t>& data);

  CAtomicFile m_file;
  std::string m_szPath;
  int m_nWidth = 0, m_nHeight = 0, m_nRate = 0, m_nPlays = 0;
  int m_nFrames = 0;
  uint32_t m_nSequence = 0;  // of the frame control and frame data chunks
  Result m_result;
};

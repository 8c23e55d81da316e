// CSwfWriter: an uncompressed SWF movie (version 4) made of JPEG frames, one bitmap shown
// per frame. The movie is kept as a list of tags until Write. Diagnostics go to stderr.
#pragma once

#include <list>
#include <string>

#include "base/Result.h"
#include "output/SwfBitWriter.h"

// Frames per second of a movie unless SetFrameRate names another rate.
constexpr float kSwfFrameRate = 15.0f;

class CSwfWriter {
 public:
  CSwfWriter();
  CSwfWriter(const CSwfWriter&) = delete;
  CSwfWriter& operator=(const CSwfWriter&) = delete;

  // Frames per second of the movies begun after this (1 to 255; kSwfFrameRate until set).
  void SetFrameRate(float fRate) { m_fRequestedRate = fRate; }
  // Players repeat a movie endlessly; a movie that plays once stops on its last frame.
  // Takes effect at Write.
  void SetPlayOnce(bool bOnce) { m_bPlayOnce = bOnce; }

  // Starts a new movie of nWidth x nHeight pixels (drops any unwritten one).
  void Begin(int nWidth, int nHeight);
  // Appends one frame: the JPEG file re-encoded at quality 60, shown as a
  // nWidth x nHeight pixel rectangle. A missing or unreadable file gives a frame whose
  // bitmap holds only its id.
  void AddJpegFrame(const std::string& szJpegPath, int nWidth, int nHeight);
  // Writes the movie and frees the tags. 0 on success, -1 when the file could not be
  // written completely (messages on stderr).
  int Write(const std::string& szPath);
  // Why the last Write failed: the path and the system's reason.
  const Result& GetLastResult() const { return m_result; }

  int GetFrameCount() const { return m_nFrames; }

  // The movie header record; exposed for tests and statistics.
  struct MovieHeader {
    int nVersion = 4;
    int nCompressed = 0;
    uint32_t nFileSize = 0;
    SwfRect frame;
    uint16_t nFrameRate = 0;  // 8.8 fixed point
    uint16_t nFrameCount = 0;
  };
  const MovieHeader& GetMovie() const { return m_movie; }

  // Tag type codes this writer uses.
  enum : uint16_t {
    kTagEnd = 0,
    kTagShowFrame = 1,
    kTagDefineShape = 2,
    kTagSetBackgroundColor = 9,
    kTagDoAction = 12,
    kTagDefineBitsJpeg2 = 21,
    kTagPlaceObject2 = 26,
    kTagRemoveObject2 = 28,
    kTagMarker = 777,
  };

 private:
  using TagIter = std::list<CSwfTag>::iterator;
  TagIter InsertTag(uint16_t nType);
  void AppendJpegData(CSwfTag& tag, const std::string& szJpegPath);
  void AddFrameTags(const std::string& szJpegPath, int nWidth, int nHeight);
  void AbandonForMemory();
  bool WriteSwf(int fd);

  int m_nFrames;
  MovieHeader m_movie;
  std::list<CSwfTag> m_tags;
  TagIter m_pLastTag;  // the tag after which the next one goes (end() when none)
  int m_nJpegQuality;
  float m_fFrameRate;
  float m_fRequestedRate = kSwfFrameRate;
  bool m_bPlayOnce = false;
  int m_nWidth, m_nHeight;
  int m_nNextId;
  int m_nVersion;
  float m_fScale;
  Result m_result;
  bool m_bOutOfMemory = false;  // the movie was abandoned; Write reports it
};

// CAviWriter: a movie with one video stream made from 24-bit frames. In an AVI every frame
// is a key frame, encoded with the encoder the user picks (uncompressed by default); an MP4
// holds H.264 and a WebM VP9, both 4:2:0 with a key frame every two seconds, so that every
// player and browser opens them; the MP4 has its index at the front for web playback. An
// animated WebP (lossy, libwebp) keeps every frame's size and true colour and carries its
// loop count.
//
// Return conventions: Open gives 0 on success, 1 when the user cancelled the encoder
// choice (or the FFmpeg libraries are older than the ones built against), and a negative
// FFmpeg error code otherwise; AddFrame gives 0 or a negative code. GetLastErrorText
// describes the last failure ("Ok" after a successful Open), a view of GetStatus.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "base/AtomicFile.h"
#include "base/Result.h"
#include "image/Picture.h"
#include "output/MovieCodecs.h"
#include "render/FrameBitmap.h"

struct AVFormatContext;
struct AVStream;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class CAviWriter {
 public:
  CAviWriter();
  // Closes the movie when the owner did not (the file is then complete).
  ~CAviWriter();
  CAviWriter(const CAviWriter&) = delete;
  CAviWriter& operator=(const CAviWriter&) = delete;

  // Frames per second (the output run sets 15). Takes effect at the next Open.
  void SetRate(int nRate) { m_nRate = nRate; }
  int GetRate() const { return m_nRate; }

  // Plays of an animated WebP, 0 endlessly (movies have none). Takes effect at the
  // next Open.
  void SetLoops(int nLoops) { m_nLoops = nLoops; }

  // The container; takes effect at the next SetFrameFormat and Open (AVI until set).
  void SetContainer(MovieContainer container) { m_container = container; }
  MovieContainer GetContainer() const { return m_container; }

  // Width and height rounded down to multiples of 4 for AVI, of 2 for MP4 and WebM (4:2:0
  // pictures have one colour sample per 2 x 2 pixels), kept for WebP; 24 bits per
  // pixel, no compression.
  void SetFrameFormat(int nWidth, int nHeight);
  const BitmapInfoHeader& GetFrameFormat() const { return m_bih; }

  void SetFileName(const std::string& szFileName) { m_strFileName = szFileName; }
  const std::string& GetFileName() const { return m_strFileName; }
  // Appends ".avi" when the name does not contain "avi" anywhere (case-sensitive).
  void EnsureAviExtension();
  // AVI: EnsureAviExtension. Others: appends ".mp4", ".webm" or ".webp" unless the name already
  // has that extension (any case).
  void EnsureMovieExtension();

  // Asked for the encoder at every Open; without one the uncompressed entry is used.
  void SetCodecChooser(MovieCodecChooser chooser) { m_chooser = std::move(chooser); }

  int Open();
  bool IsOpen() const { return m_bHeaderWritten; }

  // One frame of m_bih's size: bottom row first, blue-green-red pixels, rows padded
  // to 4 bytes (m_bih.biSizeImage bytes in all).
  int AddFrame(const uint8_t* pRows);
  // Same, 24-bit bottom-up rows with any stride of at least 3 * width bytes.
  int AddFrame(const uint8_t* pRows, int nStride);
  // A read-back frame (32-bit, bottom-up); its size must equal m_bih's.
  int AddFrame(const FrameBitmap& bitmap);
  // A 24-bit picture of m_bih's size.
  int AddFrame(const CPicture& picture);

  // A frame can go into the movie again without being drawn or converted: an intra-only
  // encoder (every AVI encoder) codes each frame on its own, so its packet is written again,
  // read back from where it lies in the movie (no memory is spent on it); MP4 and WebM encode
  // the same 4:2:0 picture again. While nBytes > 0 the frames added from now on are kept so,
  // the latest pictures up to nBytes in all; 0 keeps no more (those kept stay until added
  // again or Close).
  void KeepFrames(long long nBytes) { m_nKeepBytes = nBytes; }
  // Adds frame nFrame (an index of GetFrameIndex's count) again as the next frame and lets
  // it go: 0, a negative code, or 1 when it is not kept.
  int AddFrameAgain(int nFrame);

  // Finishes the file (trailer), gives it its name and releases everything; safe in every
  // state. Returns 0, or the negative code of a failed write (the text is then in the
  // status). Until then the movie grows under a temporary name and an existing file of
  // the same name stays as it was; a failed write keeps it so.
  int Close();
  // Releases everything and removes the unfinished movie; an existing file stays.
  void Abandon();

  // The status text: the last failure, else "Ok" after a successful start of Open, else empty.
  std::string GetLastErrorText() const;
  // The last failure with its kind; success when there was none since Open.
  const Result& GetStatus() const { return m_status; }
  // For a call that returned a failure code: the failure, or the status text as one.
  Result GetFailure() const;
  // Frames handed to AddFrame since the last successful Open.
  int GetFrameIndex() const { return m_nFrame; }
  // Short name of the encoder chosen at the last Open ("" before).
  const std::string& GetCodecName() const { return m_szCodecName; }

 private:
  enum class PixelSource { Bgr24, Bgr32 };
  void CopyTopDown(const uint8_t* pRows, int nStride, PixelSource source);
  int AddFrameFrom(const uint8_t* pRows, int nStride, PixelSource source);
  int EncodeAndWrite(AVFrame* pFrame);
  int WritePacket();  // m_pPacket, stamped in the encoder's time base
  int FailOpen(int nCode, const std::string& szText);
  void FailWrite(int nCode);
  std::string WriteStatus() const;
  int CloseKeeping(bool bKeep);
  bool IsIntraOnly() const { return m_container == MovieContainer::Avi; }
  // Keeps an encoder input picture under frame index nFrame.
  void Keep(int64_t nFrame, AVFrame* pFrame, long long nBytes);
  // Notes where the packet just written (nSize bytes) lies in the movie.
  void KeepWritten(int64_t nFrame, int nSize, int64_t nDuration);
  // Reads a packet noted by KeepWritten back into m_pPacket; false when it cannot be read
  // back as it was written.
  bool ReadWritten(long long nOffset, int nSize);
  void ReleaseKept();

  std::string m_strFileName;
  MovieContainer m_container = MovieContainer::Avi;
  CAtomicFile m_file;
  int m_nRate;
  int m_nLoops = 0;
  BitmapInfoHeader m_bih;
  Result m_status;
  bool m_bOpenStarted = false;  // Open ran at least once: the status reads "Ok" without a failure
  int m_nFrame;
  AVFormatContext* m_pFile;     // the open movie (muxer and its file)
  AVStream* m_pStream;          // the video stream inside m_pFile
  AVCodecContext* m_pCompressed;  // the encoder frames go through

  MovieCodecChooser m_chooser;
  std::string m_szCodecName;
  bool m_bRaw;                  // uncompressed: rows go in as they come, no conversion
  bool m_bFileOpened;           // our file handle is open (closed in Close)
  bool m_bHeaderWritten;        // the header is out, so Close writes the trailer
  AVFrame* m_pFrame;            // the encoder's input picture, reused
  AVPacket* m_pPacket;
  SwsContext* m_pScale;         // colour conversion for encoders that are not raw
  int m_nScaleSource;           // pixel format m_pScale converts from (-1: none yet)
  long long m_nKeepBytes = 0;   // budget for kept frames (0: none kept from now on)
  long long m_nKeptBytes = 0;
  struct KeptFrame {
    AVFrame* pFrame = nullptr;    // inter-frame encoders: the encoder's input
    long long nBytes = 0;
    long long nOffset = -1;       // intra-only: where the packet's data lies in the movie
    int nSize = 0;
    int64_t nDuration = 0;
  };
  std::map<int64_t, KeptFrame> m_kept;  // by frame index
  int m_nReadBack = -1;                 // the unfinished movie, opened for reading back
};

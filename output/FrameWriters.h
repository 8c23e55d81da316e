// The frame writers of an output run: each receives the rendered frames one at a time
// and turns them into its kind of output. One writer object lives for one run.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Result.h"

#include "image/Picture.h"
#include "output/ApngWriter.h"
#include "output/AviWriter.h"
#include "output/FrameWorker.h"
#include "output/GifStreamWriter.h"
#include "output/OutputSettings.h"
#include "render/FrameBitmap.h"

class CTempFolder;

class COutputFrameWriter {
 public:
  virtual ~COutputFrameWriter() = default;
  // Before the first frame; false with the failure in GetLastResult when the output cannot
  // be started.
  virtual bool Begin() { return true; }
  // One rendered frame; false when it cannot be written.
  virtual bool WriteFrame(const FrameBitmap& bitmap, int nFrame) = 0;
  // After the last frame of a complete run.
  virtual bool Finish() { return true; }
  // A cancelled or failed run: drop what is unfinished.
  virtual void Abandon() {}
  const Result& GetLastResult() const { return m_result; }

 protected:
  bool Fail(Result failure) {
    m_result = std::move(failure);
    return false;
  }
  bool Fail(ErrorKind kind, const std::string& text) { return Fail(Result::Fail(kind, text)); }
  // The frame read back into a picture; false with the failure kept.
  bool Grab(const FrameBitmap& bitmap, CPicture& picture);
  Result m_result;
};

// Picture type chosen by the first of ".bmp", ".jpg", ".png", ".gif", ".tif", ".tga",
// ".pcx" found anywhere in the path (case-sensitive); 0 when none occurs.
int SequencePictureType(const std::string& szPath);
// File of frame nFrame: the path without its last four characters, the frame number
// and the extension of the chosen type; "" when no type is found.
std::string SequenceFrameName(const std::string& szPath, int nFrame);

// One picture file per frame, numbered by frame index, each coded on a second thread while
// the next frame renders. The frames take their names only when the whole run is done; an
// abandoned run leaves every existing frame file as it was.
class CSequenceFrameWriter : public COutputFrameWriter {
 public:
  explicit CSequenceFrameWriter(std::string szPath);
  bool Begin() override;
  bool WriteFrame(const FrameBitmap& bitmap, int nFrame) override;
  bool Finish() override;
  void Abandon() override {
    m_worker.Stop();
    m_frames.clear();
  }

 private:
  std::string m_szPath;
  std::vector<CAtomicFile> m_frames;
  CFrameWorker m_worker;  // last: stopped before the frames go
};

// One picture file at the chosen path itself.
class CSingleFrameWriter : public COutputFrameWriter {
 public:
  explicit CSingleFrameWriter(std::string szPath) : m_szPath(std::move(szPath)) {}
  bool Begin() override;
  bool WriteFrame(const FrameBitmap& bitmap, int nFrame) override;

 private:
  std::string m_szPath;
};

// "2-<frame>.jpg" inside a run's private folder.
std::string JpegFramePath(const CTempFolder& folder, int nFrame);

// Temporary JPEG frames "2-<frame>.jpg" in a run's private folder, for the SWF writer: each
// is coded on a second thread while the next frame renders, then handed to onWritten there.
class CJpegFrameWriter : public COutputFrameWriter {
 public:
  CJpegFrameWriter(const CTempFolder& folder, std::function<void(int nFrame)> onWritten);
  bool WriteFrame(const FrameBitmap& bitmap, int nFrame) override;
  // Waits for the frames handed over so far.
  bool Finish() override;
  void Abandon() override { m_worker.Stop(); }

 private:
  const CTempFolder& m_folder;
  std::function<void(int nFrame)> m_onWritten;
  CFrameWorker m_worker;  // last: stopped before the rest goes
};

// Appends every frame to a movie (AVI, MP4, WebM) that the run has opened, converted and
// encoded on a second thread while the next frame renders.
class CMovieFrameWriter : public COutputFrameWriter {
 public:
  explicit CMovieFrameWriter(CAviWriter& writer);
  ~CMovieFrameWriter() override { m_worker.Stop(); }
  bool WriteFrame(const FrameBitmap& bitmap, int nFrame) override;
  // Frame nFrame again from what the movie kept (CAviWriter::AddFrameAgain), after every
  // frame handed over before it: 0, a negative code (the failure in GetLastResult), or 1
  // when it is not kept.
  int WriteFrameAgain(int nFrame);
  // Waits for the frames handed over so far; the movie may then be used directly.
  bool Finish() override;
  void Abandon() override { m_worker.Stop(); }

 private:
  CAviWriter& m_writer;
  CFrameWorker m_worker;
};

// GIF frame delay in hundredths of a second, and how often the animation plays.
constexpr int kGifFrameDelay = 1;
constexpr int kGifLoopSetting = 90;
// The delay nearest to 1 / nRate seconds (at least one hundredth); kGifFrameDelay for 0.
int GifFrameDelayForRate(int nRate);

// The read-back frame as a 24-bit picture (GrabFrameImage), as a Result.
Result GrabFrame(const FrameBitmap& bitmap, CPicture& picture);

// Reduces a 24-bit frame in place to 8 bits against its own octree palette of 256
// colours (7 colour bits, error diffusion) and gives it the GIF frame delay.
// nDelay: the frame delay it is given, in hundredths of a second.
Result ReduceGifFrame(CPicture& picture, int nDelay = kGifFrameDelay);

// Animated GIF: each frame is reduced as it arrives and goes straight into the file. A
// frame's reduction depends on no other frame, so two threads reduce frames at once, taking
// them in turn while the next frame renders; a reduced frame is LZW-coded into the file once
// the frame before it is in, so the frames enter the file in order.
class CGifFrameWriter : public COutputFrameWriter {
 public:
  explicit CGifFrameWriter(std::string szPath, int nLoops = kGifLoopSetting, int nDelay = kGifFrameDelay);
  ~CGifFrameWriter() override;
  bool Begin() override;
  bool WriteFrame(const FrameBitmap& bitmap, int nFrame) override;
  bool Finish() override;
  void Abandon() override;

 private:
  // The nSeq-th frame handed over: reduced, then coded into the file in its turn.
  Result ReduceAndCode(const FrameBitmap& bitmap, int nSeq, int nDelay);
  // Waits until the frames before nSeq are in the file; false once a frame failed or the
  // run stops (nobody waits for a turn then).
  bool WaitTurn(int nSeq);
  // The frame whose turn it was is in, or failed (the first failure is the run's).
  void EndTurn(const Result& done);
  void StopTurns();
  bool FailFirst(const CFrameWorker& worker);

  std::string m_szPath;
  CGifStreamWriter m_stream;
  std::mutex m_turnMutex;
  std::condition_variable m_turnChanged;
  int m_nTurn = 0;          // the frame that goes into the file next
  bool m_bStopped = false;
  Result m_firstFailure;
  int m_nHanded = 0;        // frames handed over
  CFrameWorker m_workers[2];  // last: stopped before the stream goes
};

// Frames per second and plays of animated WebP and APNG unless the request names them.
constexpr int kAnimationFrameRate = 15;
constexpr int kAnimationLoopSetting = 0;  // endlessly

// Animated WebP (through libwebp) or APNG (CApngWriter): true colour, frames once, the loop
// count in the file. Each frame is coded on a second thread while the next frame renders.
// The file takes its name only when complete; an abandoned run leaves an existing file as
// it was.
class CAnimationFrameWriter : public COutputFrameWriter {
 public:
  // nLoops: plays, 0 endlessly.
  CAnimationFrameWriter(std::string szPath, MovieContainer container, int nWidth, int nHeight, int nRate,
                        int nLoops);
  bool Begin() override;
  bool WriteFrame(const FrameBitmap& bitmap, int nFrame) override;
  bool Finish() override;
  void Abandon() override {
    m_worker.Stop();
    m_movie.Abandon();
    m_apng.Abandon();
  }
  // The file name with the container's extension.
  const std::string& GetFileName() const { return m_szFile; }

 private:
  bool IsPng() const { return m_container == MovieContainer::Apng; }
  MovieContainer m_container;
  std::string m_szFile;
  int m_nWidth, m_nHeight, m_nRate, m_nLoops;
  CAviWriter m_movie;     // WebP
  CApngWriter m_apng;     // APNG
  CFrameWorker m_worker;  // last: stopped before the writers go
};

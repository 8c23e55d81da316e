// Takes frames on a second thread, so that the next frame renders while the last one is
// converted and coded (a GIF frame's octree palette, error diffusion and LZW; a picture
// file's encoder; a movie's colour conversion and encoder). Frames are taken one at a time,
// in order, by the same job as on the calling thread, so the output is byte for byte the
// same; a failure is reported by the next call.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "base/Result.h"
#include "render/FrameBitmap.h"

class CFrameWorker {
 public:
  // Writes read-back frame nFrame into the output.
  using Job = std::function<Result(const FrameBitmap& frame, int nFrame)>;
  // szName: what the output is called in the text of a stopped run ("GIF"). Without
  // bQueue a frame is handed over only once the last one is done, into the one buffer the
  // worker works on: for workers that take turns, where another worker is the queue.
  CFrameWorker(Job job, std::string szName, bool bQueue = true)
      : m_job(std::move(job)), m_szName(std::move(szName)), m_bQueue(bQueue) {}
  ~CFrameWorker() { Stop(); }
  CFrameWorker(const CFrameWorker&) = delete;
  CFrameWorker& operator=(const CFrameWorker&) = delete;

  // Hands over a copy of the frame once the previous one has been taken (the two buffers
  // are reused, so a run allocates them once). False when an earlier frame failed (the
  // frame is then dropped); GetLastResult says why.
  bool Submit(const FrameBitmap& frame, int nFrame);
  // Waits until every frame is in the output. False after the first failure.
  bool Drain();
  // Ends the thread; a frame still waiting is dropped.
  void Stop();
  const Result& GetLastResult() const { return m_result; }

 private:
  void Loop();
  Result RunJob(const FrameBitmap& frame, int nFrame);

  Job m_job;
  std::string m_szName;
  std::thread m_thread;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  FrameBitmap m_pending;    // handed over, not yet taken (without the queue: also worked on)
  FrameBitmap m_working;    // the worker's frame
  bool m_bQueue = true;
  int m_nPendingFrame = 0;
  bool m_bPending = false;  // m_pending holds a frame not yet taken
  bool m_bBusy = false;     // the thread is working on a frame
  bool m_bStop = false;
  bool m_bFailed = false;
  bool m_bInline = false;   // no thread could be started: Submit does the work itself
  Result m_result;
};

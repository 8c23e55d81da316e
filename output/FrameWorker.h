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

#include "render/FrameBitmap.h"

class CFrameWorker {
 public:
  // Writes read-back frame nFrame into the output; false with a text.
  using Job = std::function<bool(const FrameBitmap& frame, int nFrame, std::string& szError)>;
  // szName: what the output is called in the text of a stopped run ("GIF").
  CFrameWorker(Job job, std::string szName) : m_job(std::move(job)), m_szName(std::move(szName)) {}
  ~CFrameWorker() { Stop(); }
  CFrameWorker(const CFrameWorker&) = delete;
  CFrameWorker& operator=(const CFrameWorker&) = delete;

  // Hands over a copy of the frame once the previous one has been taken (the two buffers
  // are reused, so a run allocates them once). False with a text when an earlier frame
  // failed (the frame is then dropped).
  bool Submit(const FrameBitmap& frame, int nFrame);
  // Waits until every frame is in the output. False with the text of the first failure.
  bool Drain();
  // Ends the thread; a frame still waiting is dropped.
  void Stop();
  const std::string& GetLastError() const { return m_szLastError; }

 private:
  void Loop();
  bool RunJob(const FrameBitmap& frame, int nFrame, std::string& szError);

  Job m_job;
  std::string m_szName;
  std::thread m_thread;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  FrameBitmap m_pending;    // handed over, not yet taken
  FrameBitmap m_working;    // the worker's frame
  int m_nPendingFrame = 0;
  bool m_bPending = false;  // m_pending holds a frame not yet taken
  bool m_bBusy = false;     // the thread is working on a frame
  bool m_bStop = false;
  bool m_bFailed = false;
  bool m_bInline = false;   // no thread could be started: Submit does the work itself
  std::string m_szLastError;
};

// Takes frames on a second thread, so that the next frame renders while the last one is
// coded (a GIF frame's octree palette, error diffusion and LZW; a WebP or APNG frame's
// encoder). Frames are taken one at a time, in order, by the same job as on the calling
// thread, so the file is byte for byte the same; a failure is reported by the next call.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "base/Result.h"
#include "image/Picture.h"

class CFrameWorker {
 public:
  // Codes one 24-bit frame into the output.
  using Job = std::function<Result(CPicture& frame)>;
  // szName: what the output is called in the text of a stopped run ("GIF").
  CFrameWorker(Job job, std::string szName) : m_job(std::move(job)), m_szName(std::move(szName)) {}
  ~CFrameWorker() { Stop(); }
  CFrameWorker(const CFrameWorker&) = delete;
  CFrameWorker& operator=(const CFrameWorker&) = delete;

  // Hands over a 24-bit frame once the previous one has been taken. False when an earlier
  // frame failed (the frame is then dropped); GetLastResult says why.
  bool Submit(CPicture&& frame);
  // Waits until every frame is in the file. False after the first failure.
  bool Drain();
  // Ends the thread; a frame still waiting is dropped.
  void Stop();
  const Result& GetLastResult() const { return m_result; }

 private:
  void Loop();
  Result RunJob(CPicture& frame);

  Job m_job;
  std::string m_szName;
  std::thread m_thread;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  CPicture m_pending;
  bool m_bPending = false;  // m_pending holds a frame not yet taken
  bool m_bBusy = false;     // the thread is working on a frame
  bool m_bStop = false;
  bool m_bFailed = false;
  bool m_bInline = false;   // no thread could be started: Submit does the work itself
  Result m_result;
};

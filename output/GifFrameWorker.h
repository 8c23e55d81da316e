// Reduces and appends GIF frames on a second thread, so that the next frame renders
// while the last one goes through its octree palette, error diffusion and LZW coding.
// Frames are taken one at a time, in order, by the same code as on the calling thread,
// so the file is byte for byte the same; a failure is reported by the next call.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "image/Picture.h"

class CGifStreamWriter;

class CGifFrameWorker {
 public:
  // nFrameDelay: hundredths of a second each frame shows.
  explicit CGifFrameWorker(CGifStreamWriter& stream, int nFrameDelay = 1)
      : m_stream(stream), m_nFrameDelay(nFrameDelay) {}
  ~CGifFrameWorker() { Stop(); }
  CGifFrameWorker(const CGifFrameWorker&) = delete;
  CGifFrameWorker& operator=(const CGifFrameWorker&) = delete;

  // Hands over a 24-bit frame once the previous one has been taken. False with a text
  // when an earlier frame failed (the frame is then dropped).
  bool Submit(CPicture&& frame);
  // Waits until every frame is in the file. False with the text of the first failure.
  bool Drain();
  // Ends the thread; a frame still waiting is dropped.
  void Stop();
  const std::string& GetLastError() const { return m_szLastError; }

 private:
  void Loop();

  CGifStreamWriter& m_stream;
  const int m_nFrameDelay;
  std::thread m_thread;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  CPicture m_pending;
  bool m_bPending = false;  // m_pending holds a frame not yet taken
  bool m_bBusy = false;     // the thread is working on a frame
  bool m_bStop = false;
  bool m_bFailed = false;
  bool m_bInline = false;   // no thread could be started: Submit does the work itself
  std::string m_szLastError;
};

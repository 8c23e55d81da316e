#include "output/FrameWorker.h"

#include <new>
#include <system_error>
#include <utility>

Result CFrameWorker::RunJob(const FrameBitmap& frame, int nFrame) {
  try {
    return m_job(frame, nFrame);
  } catch (const std::bad_alloc&) {
    return Result::Fail(ErrorKind::TooLarge, m_szName + " output: out of memory");
  }
}

bool CFrameWorker::Submit(const FrameBitmap& frame, int nFrame) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_thread.joinable() && !m_bStop && !m_bFailed && !m_bInline) {
    try {
      m_thread = std::thread(&CFrameWorker::Loop, this);
    } catch (const std::system_error&) {
      m_bInline = true;  // no second thread to be had: the frames are done here
    }
  }
  if (m_bInline) {
    if (m_bFailed) return false;
    Result done = RunJob(frame, nFrame);
    if (!done) {
      m_bFailed = true;
      m_result = std::move(done);
      return false;
    }
    return true;
  }
  m_changed.wait(lock, [this] { return (!m_bPending && (m_bQueue || !m_bBusy)) || m_bFailed || m_bStop; });
  if (m_bFailed) return false;
  if (m_bStop) {
    m_result = Result::Fail(ErrorKind::Interrupted, m_szName + " output was stopped");
    return false;
  }
  try {
    // Into the buffer the worker gave back: no allocation once both buffers have grown.
    m_pending.nWidth = frame.nWidth;
    m_pending.nHeight = frame.nHeight;
    m_pending.bits.assign(frame.bits.begin(), frame.bits.end());
  } catch (const std::bad_alloc&) {
    m_bFailed = true;
    m_result = Result::Fail(ErrorKind::TooLarge, m_szName + " output: out of memory");
    return false;
  }
  m_nPendingFrame = nFrame;
  m_bPending = true;
  m_changed.notify_all();
  return true;
}

bool CFrameWorker::Drain() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return (!m_bPending && !m_bBusy) || m_bFailed || m_bStop; });
  return !m_bFailed;
}

void CFrameWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStop = true;
    m_bPending = false;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void CFrameWorker::Loop() {
  for (;;) {
    int nFrame = 0;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_changed.wait(lock, [this] { return m_bPending || m_bStop; });
      if (m_bStop) return;
      if (m_bQueue) std::swap(m_working, m_pending);  // the last frame's buffer goes back for the next one
      nFrame = m_nPendingFrame;
      m_bPending = false;
      m_bBusy = true;
    }
    m_changed.notify_all();  // the caller may hand over the next frame now

    Result done = RunJob(m_bQueue ? m_working : m_pending, nFrame);
    const bool bOk = done.ok();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bBusy = false;
      if (!bOk) {
        m_bFailed = true;
        m_result = std::move(done);
      }
    }
    m_changed.notify_all();
    if (!bOk) return;
  }
}

#include "output/GifFrameWorker.h"

#include <utility>

#include "output/FrameWriters.h"
#include "output/GifStreamWriter.h"

bool CGifFrameWorker::Submit(CPicture&& frame) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_thread.joinable() && !m_bStop) m_thread = std::thread(&CGifFrameWorker::Loop, this);
  m_changed.wait(lock, [this] { return !m_bPending || m_bFailed || m_bStop; });
  if (m_bFailed) return false;
  if (m_bStop) {
    m_szLastError = "GIF output was stopped";
    return false;
  }
  m_pending = std::move(frame);
  m_bPending = true;
  m_changed.notify_all();
  return true;
}

bool CGifFrameWorker::Drain() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return (!m_bPending && !m_bBusy) || m_bFailed || m_bStop; });
  return !m_bFailed;
}

void CGifFrameWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStop = true;
    m_bPending = false;
    m_pending.Destroy();
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void CGifFrameWorker::Loop() {
  for (;;) {
    CPicture frame;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_changed.wait(lock, [this] { return m_bPending || m_bStop; });
      if (m_bStop) return;
      frame = std::move(m_pending);
      m_bPending = false;
      m_bBusy = true;
    }
    m_changed.notify_all();  // the caller may hand over the next frame now

    std::string szError;
    bool bOk = ReduceGifFrame(frame, &szError);
    if (bOk && !m_stream.AddFrame(frame)) {
      bOk = false;
      szError = m_stream.GetLastError();
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bBusy = false;
      if (!bOk) {
        m_bFailed = true;
        m_szLastError = szError;
      }
    }
    m_changed.notify_all();
    if (!bOk) return;
  }
}

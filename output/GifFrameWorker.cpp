#include "output/GifFrameWorker.h"

#include <new>
#include <system_error>
#include <utility>

#include "output/FrameWriters.h"
#include "output/GifStreamWriter.h"

namespace {

// One frame on whichever thread runs it; false with a text.
bool ReduceAndAppend(CPicture& frame, CGifStreamWriter& stream, int nDelay, std::string& szError) {
  try {
    if (!ReduceGifFrame(frame, &szError, nDelay)) return false;
    if (!stream.AddFrame(frame)) {
      szError = stream.GetLastError();
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    szError = "GIF colour reduction: out of memory";
    return false;
  }
}

}  // namespace

bool CGifFrameWorker::Submit(CPicture&& frame) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_thread.joinable() && !m_bStop && !m_bFailed && !m_bInline) {
    try {
      m_thread = std::thread(&CGifFrameWorker::Loop, this);
    } catch (const std::system_error&) {
      m_bInline = true;  // no second thread to be had: the frames are done here
    }
  }
  if (m_bInline) {
    if (m_bFailed) return false;
    std::string szError;
    if (!ReduceAndAppend(frame, m_stream, m_nFrameDelay, szError)) {
      m_bFailed = true;
      m_szLastError = szError;
      return false;
    }
    return true;
  }
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
    const bool bOk = ReduceAndAppend(frame, m_stream, m_nFrameDelay, szError);
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

#include "app/RecoveryKeeper.h"

#include <algorithm>
#include <cstdio>
#include <utility>

CRecoveryKeeper::CRecoveryKeeper(std::string szCopyPath) : CRecoveryKeeper(std::move(szCopyPath), Timing{}) {}

CRecoveryKeeper::CRecoveryKeeper(std::string szCopyPath, Timing timing)
    : m_szCopyPath(std::move(szCopyPath)), m_timing(timing) {
  m_writer = std::thread([this] { Run(); });
}

CRecoveryKeeper::~CRecoveryKeeper() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStop = true;
  }
  m_wake.notify_all();
  m_writer.join();
}

void CRecoveryKeeper::Update(RecoveryContent content) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (content == m_wanted) return;
    m_wanted = std::move(content);
    ++m_nWanted;
    m_changedAt = Clock::now();
  }
  m_wake.notify_all();
}

void CRecoveryKeeper::Flush() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_bUrgent = true;
  m_wake.notify_all();
  m_settled.wait(lock, [this] { return m_nOnDisk == m_nWanted || m_bStop; });
  m_bUrgent = false;
}

void CRecoveryKeeper::Remove() {
  Update(RecoveryContent{});
  Flush();
}

int CRecoveryKeeper::WriteCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nWrites;
}

std::string CRecoveryKeeper::LastError() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_szLastError;
}

void CRecoveryKeeper::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  bool bOnDisk = false;  // whether this process has a copy on disk now
  while (!m_bStop) {
    if (m_nOnDisk == m_nWanted) {
      m_settled.notify_all();
      m_wake.wait(lock);
      continue;
    }
    const uint64_t version = m_nWanted;
    if (!m_wanted.Wanted()) {
      // Nothing unsaved any more: the copy goes at once.
      lock.unlock();
      if (bOnDisk) recovery::RemoveCopy(m_szCopyPath);
      bOnDisk = false;
      lock.lock();
      m_nOnDisk = version;
      continue;
    }
    const Clock::time_point due = std::max(m_changedAt + m_timing.delay, m_writtenAt + m_timing.interval);
    if (!m_bUrgent && Clock::now() < due) {
      m_wake.wait_until(lock, due);
      continue;
    }
    const RecoveryContent content = m_wanted;
    lock.unlock();
    std::string szError;
    const bool ok = recovery::WriteCopy(m_szCopyPath, content, &szError);
    if (!ok) std::fprintf(stderr, "kestrelle: recovery copy not written: %s\n", szError.c_str());
    lock.lock();
    bOnDisk = true;  // a failed write may still have left the text beside the copy
    m_writtenAt = Clock::now();
    m_nOnDisk = version;  // a failed write is not retried until the next edit
    if (ok) ++m_nWrites;
    m_szLastError = ok ? std::string() : szError;
  }
  m_settled.notify_all();
}

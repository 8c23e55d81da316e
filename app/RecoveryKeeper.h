// CRecoveryKeeper: keeps this process's recovery copy in step with the project, from a writer
// thread of its own. The window hands it the project's state after every operation (a copy of
// a few kilobytes, made in microseconds); the writer waits a short moment for more edits and
// writes at most once per interval, so a drag or a burst of clicks never waits for the disk.
// A state that needs no copy (saved, closed, nothing loaded) removes the copy at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "app/RecoveryCopy.h"

class CRecoveryKeeper {
 public:
  struct Timing {
    std::chrono::milliseconds delay{250};      // quiet time after an edit before it is written
    std::chrono::milliseconds interval{1000};  // at least this long between two writes
  };

  // Writes to `szCopyPath`; its folder is made on the first write.
  explicit CRecoveryKeeper(std::string szCopyPath);
  CRecoveryKeeper(std::string szCopyPath, Timing timing);
  // Stops the writer; a copy on disk stays as it is, a pending write is dropped.
  ~CRecoveryKeeper();
  CRecoveryKeeper(const CRecoveryKeeper&) = delete;
  CRecoveryKeeper& operator=(const CRecoveryKeeper&) = delete;

  // The project as it stands now. Cheap when nothing changed.
  void Update(RecoveryContent content);
  // Waits until the disk holds the last state handed over (written now, without the delay,
  // or removed).
  void Flush();
  // No copy wanted any more (a save, a close without saving, a normal exit): removed now.
  void Remove();

  const std::string& CopyPath() const { return m_szCopyPath; }
  int WriteCount() const;
  // The reason of the last failed write ("" after a good one).
  std::string LastError() const;

 private:
  using Clock = std::chrono::steady_clock;
  void Run();

  const std::string m_szCopyPath;
  const Timing m_timing;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;     // the writer: something changed or stop
  std::condition_variable m_settled;  // Flush: the writer caught up
  RecoveryContent m_wanted;
  uint64_t m_nWanted = 0;   // version of m_wanted
  uint64_t m_nOnDisk = 0;   // version the disk holds
  Clock::time_point m_changedAt{};
  Clock::time_point m_writtenAt{};
  bool m_bUrgent = false;
  bool m_bStop = false;
  int m_nWrites = 0;
  std::string m_szLastError;
  std::thread m_writer;
};

// All-or-nothing file writes. The new content grows in a temporary file beside the target
// (".NAME.kestrelle-tmp-XXXXXX", so a file left by a killed process says what it is) and
// takes the target's name only once it is complete and on disk. Until then an existing
// target stays byte-identical; a write that fails or is abandoned removes its temporary.
#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

class CAtomicFile {
 public:
  CAtomicFile() = default;
  ~CAtomicFile() { Discard(); }
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;
  CAtomicFile(CAtomicFile&& other) noexcept;
  CAtomicFile& operator=(CAtomicFile&& other) noexcept;

  // Creates the temporary for szTarget. Refuses a target that exists but is not a regular
  // file (a folder, a device, a FIFO). A symbolic link is followed: the file it names is
  // the one replaced. False with a text ("<target>: <reason>").
  bool Create(const std::string& szTarget, std::string* pError = nullptr);
  bool IsCreated() const { return !m_szTempPath.empty(); }

  // The open temporary: a descriptor, or a stream over it (made on first use).
  int Fd() const { return m_fd; }
  std::FILE* Stream();
  // Where the data go meanwhile (for libraries that open paths themselves). Never shown
  // to the user.
  const std::string& TempPath() const { return m_szTempPath; }
  const std::string& Target() const { return m_szTarget; }

  // Closes our handles at once, for a library that writes TempPath() through its own
  // (the data are synced by path at Commit).
  void HandOver();
  // Skips the sync to the disk: the file is still whole or absent after the process dies,
  // but a power cut may lose the last seconds. For files rewritten every second.
  void SetSync(bool bSync) { m_bSync = bSync; }
  // Flushes, syncs and closes the temporary; it stays under its temporary name.
  bool Finish(std::string* pError = nullptr);
  // Finish, then rename over the target. On failure the temporary is removed. A pending
  // cancel request (a signal) is a failure too: the target keeps its old content.
  bool Commit(std::string* pError = nullptr);
  // Commits every file of a run together (a picture sequence): none is renamed when a
  // cancel request is pending, and no signal is taken between the renames.
  static bool CommitAll(CAtomicFile* pFiles, size_t nCount, std::string* pError = nullptr);
  // As Commit, but an existing target is kept: returns false with bExisted set (and no
  // error text) when the target is already there.
  bool CommitNoReplace(bool& bExisted, std::string* pError = nullptr);
  // Closes and removes the temporary; the target is left as it was.
  void Discard();

 private:
  bool Fail(const std::string& szReason, std::string* pError);
  void CloseHandles();

  std::string m_szTarget;
  std::string m_szReal;  // the target with a symbolic link resolved
  std::string m_szTempPath;
  int m_fd = -1;
  std::FILE* m_pStream = nullptr;
  bool m_bFinished = false;
  bool m_bHandedOver = false;
  bool m_bSync = true;
};

// Text of a commit refused because the process was asked to stop.
extern const char* const kCancelledWriteText;

// Writes a whole block to szTarget through a CAtomicFile (synced unless bSync is false).
bool WriteFileAtomically(const std::string& szTarget, const void* pData, size_t nSize,
                         std::string* pError = nullptr, bool bSync = true);

// The temporaries (files and folders) that exist right now, so a cancelled process can
// remove them all on its way out, whatever stage its writers were in.
namespace LiveTemporaries {
void AddFile(const std::string& szPath);
void AddFolder(const std::string& szPath);
void Forget(const std::string& szPath);
// Removes every registered temporary; returns how many there were.
int RemoveAll();
int Count();
}  // namespace LiveTemporaries

// A process-wide cancel request (a signal in the command-line tool). Set from a signal
// handler: it only stores a number.
namespace CancelRequest {
void Set(int nSignal);
// 0 when none.
int Signal();
inline bool IsSet() { return Signal() != 0; }
void Clear();
}  // namespace CancelRequest

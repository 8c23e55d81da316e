// Recovery copies: while a project has edits that are not saved, the program keeps the project
// in the user's state folder, so a crash, a killed process or a logout loses nothing. A copy is
// a project file with absolute picture paths ("recovery-PID-START.fmph", START being the
// process's start time, so a later process that reuses the number is told apart) and a small
// text beside it ("recovery-PID-START.info") with what the project file cannot hold: the file
// the project belongs to and its morph type.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// What a copy holds; an empty `project` means no copy is wanted (nothing unsaved).
struct RecoveryContent {
  std::vector<uint8_t> project;  // the project file's bytes
  std::string szProjectPath;     // where the project was opened from or saved to; "" for a new one
  int nMorphType = 1;

  bool Wanted() const { return !project.empty(); }
  bool operator==(const RecoveryContent& o) const {
    return project == o.project && szProjectPath == o.szProjectPath && nMorphType == o.nMorphType;
  }
  bool operator!=(const RecoveryContent& o) const { return !(*this == o); }
};

// A copy found in the state folder.
struct RecoveryCopy {
  std::string szPath;         // the project file of the copy
  pid_t pid = 0;              // the process that wrote it
  std::string szStartToken;   // its start time, as the name holds it
  std::string szProjectPath;  // from the text beside it ("" when new or unknown)
  int nMorphType = 1;
  std::time_t written = 0;    // when the copy was last written
};

namespace recovery {

// The start time of a running process (clock ticks since boot, as text); "" when unknown.
std::string ProcessStartToken(pid_t pid);
// True while the process that wrote a copy named (pid, token) still runs. A process with
// that number but another start time is a different program.
bool IsProcessRunning(pid_t pid, const std::string& szStartToken);

// The copy this process writes in `szFolder`.
std::string OwnCopyPath(const std::string& szFolder);
// The text file beside a copy.
std::string InfoPath(const std::string& szCopyPath);

// Writes both files atomically (the text first, each whole or not at all, not synced to the
// disk), making the folder (mode 0700) when missing.
bool WriteCopy(const std::string& szCopyPath, const RecoveryContent& content, std::string* pError = nullptr);
// Removes a copy and the text beside it.
void RemoveCopy(const std::string& szCopyPath);
// Copies in `szFolder` whose process no longer runs, newest first. Copies of running
// processes (this one included) are never listed.
std::vector<RecoveryCopy> LeftBehind(const std::string& szFolder);

}  // namespace recovery

// Where the running program lies, for the data files installed beside it.
#pragma once

#include <string>

// Folder of the running executable ("/" when it lies in the root folder). The empty string
// when it cannot be found (no /proc, a name too long): callers say so or fall back.
std::string ExecutableFolder();

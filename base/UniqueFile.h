// An owning FILE*: closed when it goes out of scope.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(std::FILE* fp) const {
    if (fp) std::fclose(fp);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// fopen; empty (and errno set) on failure.
inline UniqueFile OpenFile(const std::string& path, const char* mode) {
  return UniqueFile(std::fopen(path.c_str(), mode));
}

// Closes now and reports what fclose says: false when buffered data could not be written
// (a full disk shows here). An empty file closes as false.
inline bool CloseFile(UniqueFile& file) {
  std::FILE* fp = file.release();
  return fp && std::fclose(fp) == 0;
}

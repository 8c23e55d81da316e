// A private folder for the temporary JPEG frames of a Flash or HTML export: made fresh
// under the system temporary folder for each run and removed with its files at the end.
#pragma once

#include <string>

// Where the folders are made: $TMPDIR, else /tmp.
std::string TempFrameRoot();

class CTempFrameFolder {
 public:
  CTempFrameFolder() = default;
  ~CTempFrameFolder() { Remove(); }
  CTempFrameFolder(const CTempFrameFolder&) = delete;
  CTempFrameFolder& operator=(const CTempFrameFolder&) = delete;

  // False with a text when the folder cannot be made.
  bool Create(std::string* pError = nullptr);
  bool IsCreated() const { return !m_szPath.empty(); }
  const std::string& Path() const { return m_szPath; }
  // "2-<frame>.jpg" inside the folder.
  std::string FramePath(int nFrame) const;
  // Deletes the folder with its frames.
  void Remove();

 private:
  std::string m_szPath;
};

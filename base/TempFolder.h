// A private temporary folder: made fresh (mode 0700) under the system temporary folder and
// removed with everything in it when the object goes or Remove() is called.
#pragma once

#include <string>

// Where the folders are made: $TMPDIR, else /tmp.
std::string TempFolderRoot();

class CTempFolder {
 public:
  // Makes "<temp>/<prefix>-XXXXXX". On failure Path() is empty and Error() says why.
  explicit CTempFolder(const std::string& szPrefix = "kestrelle");
  ~CTempFolder() { Remove(); }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  bool IsCreated() const { return !m_szPath.empty(); }
  const std::string& Path() const { return m_szPath; }
  const std::string& Error() const { return m_szError; }
  // "<folder>/<name>".
  std::string File(const std::string& szName) const { return m_szPath + "/" + szName; }
  // Deletes the folder with its contents; Path() is empty afterwards.
  void Remove();

 private:
  std::string m_szPath;
  std::string m_szError;
};

// Where the program finds its data (samples, help pages, page template) and its settings
// file. A program run from its build folder keeps everything beside the executable; an
// installed one reads its data from the installed data folder and keeps config.ini in the
// user's configuration folder, because /usr is not writable.
#pragma once

#include <string>
#include <vector>

constexpr const char* kConfigFileName = "config.ini";

// What the lookups depend on, gathered once so that tests can set every part.
struct AppFolderInputs {
  std::string szExeFolder;         // folder of the running executable ("" when unknown)
  std::string szInstalledData;     // installed data folder (absolute), e.g. /usr/share/kestrelle
  std::string szDataFromExe;       // the same, relative to the executable's folder ("../share/kestrelle")
  std::string szXdgConfigHome;     // $XDG_CONFIG_HOME as set ("" when unset)
  std::string szXdgStateHome;      // $XDG_STATE_HOME as set ("" when unset)
  std::string szHome;              // $HOME as set
};

// The inputs of this process: /proc/self/exe, the install layout it was built for, the environment.
AppFolderInputs CurrentAppFolders();

// Folders searched for data, in order: beside the executable, then the installed data folder
// (found relative to the executable first, so a moved installation keeps working). No repeats.
std::vector<std::string> DataFolders(const AppFolderInputs& in);

// The first existing "folder/szRelative" of DataFolders(), or "" when none exists.
std::string FindDataPath(const std::string& szRelative, const AppFolderInputs& in);
std::string FindDataPath(const std::string& szRelative);

// Folders of the message catalogs, in the order of DataFolders(): "locale" beside the
// executable (the build puts them there), and "locale" beside an installed data folder
// (share/kestrelle -> share/locale).
std::vector<std::string> LocaleFolders(const AppFolderInputs& in);

// $XDG_CONFIG_HOME/kestrelle, or $HOME/.config/kestrelle when it is unset or not absolute;
// "" when neither gives an absolute folder.
std::string UserConfigFolder(const AppFolderInputs& in);

// $XDG_STATE_HOME/kestrelle, or $HOME/.local/state/kestrelle; "" when neither is absolute.
// Recovery copies of unsaved projects live there.
std::string UserStateFolder(const AppFolderInputs& in);

// Where config.ini is written: beside the executable when that folder (and the file, if it
// exists) is writable, else in UserConfigFolder(), which is created when missing. "" with a
// text in *pError when neither can take it.
std::string ConfigPathForWrite(const AppFolderInputs& in, std::string* pError = nullptr);

// Where config.ini is read: the place writes go to when it holds the file, else the other
// place, else the one shipped in the data folders. Reading the write place first means a
// switch saved there is the one read back, even when an older file lies in the other place.
// "" when none holds a readable file.
std::string ConfigPathForRead(const AppFolderInputs& in);

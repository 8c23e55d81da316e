#include "base/TextMarks.h"
// "config.ini" beside the executable: section "Config" with the start-up wizard switch
// "ShowWiz" and the optional web page "HomePage" opened after the program closes.
#pragma once

#include <optional>
#include <string>

namespace AppConfigText {
inline constexpr const char* kConfigMissing = N_("can't find Config.ini");
}

// Value of `key` in `[section]` of an INI file (names compared without regard to case,
// blanks around names and values dropped, at most 79 bytes kept as the program's buffer
// does); nothing when the file, the section or the key is missing.
std::optional<std::string> ReadIniValue(const std::string& fileName, const std::string& section,
                                        const std::string& key);

// Sets `key` in `[section]` to `value`, keeping every other line of the file; the section
// and the key are added when missing, the file is created when it does not exist. The new
// text replaces the old one only once it is written in full. False when it cannot be written.
bool WriteIniValue(const std::string& fileName, const std::string& section, const std::string& key,
                   const std::string& value);

struct StartupConfig {
  bool bConfigFound = false;  // false: the program says kConfigMissing
  bool bShowWizard = false;   // a ShowWiz value containing the character 1
  std::string szHomePage;     // empty: nothing opens after closing
};

// The settings of the config.ini at `path` (empty: no file was found).
StartupConfig ReadStartupConfigFile(const std::string& path);
StartupConfig ReadStartupConfig(const std::string& programFolder);
std::string ConfigFilePath(const std::string& programFolder);
// Stores the wizard switch ("ShowWiz" 1 or 0) in the config.ini at `path`.
bool WriteShowWizard(const std::string& path, bool bShow);

#include "app/AppConfig.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr size_t kValueBuffer = 80;

}  // namespace

std::optional<std::string> ReadIniValue(const std::string& fileName, const std::string& section,
                                        const std::string& key) {
  std::ifstream in(fileName);
  if (!in) return std::nullopt;
  bool inSection = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[') {
      const size_t close = t.find(']');
      inSection = close != std::string::npos && SameName(Trim(t.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const size_t eq = t.find('=');
    if (eq == std::string::npos || !SameName(Trim(t.substr(0, eq)), key)) continue;
    std::string value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.size() > kValueBuffer - 1) value.resize(kValueBuffer - 1);
    return value;
  }
  return std::nullopt;
}

std::string ConfigFilePath(const std::string& programFolder) { return programFolder + "/config.ini"; }

StartupConfig ReadStartupConfig(const std::string& programFolder) {
  return ReadStartupConfigFile(ConfigFilePath(programFolder));
}

StartupConfig ReadStartupConfigFile(const std::string& path) {
  StartupConfig config;
  if (path.empty()) return config;
  if (auto wiz = ReadIniValue(path, "Config", "ShowWiz")) {
    config.bConfigFound = true;
    config.bShowWizard = wiz->find('1') != std::string::npos;
  }
  if (auto page = ReadIniValue(path, "Config", "HomePage")) config.szHomePage = *page;
  return config;
}

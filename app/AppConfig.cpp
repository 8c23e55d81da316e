#include "app/AppConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <vector>

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

// Section name of a "[name]" line.
bool SectionOf(const std::string& trimmed, std::string* pName) {
  if (trimmed.empty() || trimmed[0] != '[') return false;
  const size_t close = trimmed.find(']');
  *pName = close == std::string::npos ? std::string() : Trim(trimmed.substr(1, close - 1));
  return true;
}

// Whether a trimmed line sets `key`.
bool SetsKey(const std::string& trimmed, const std::string& key) {
  if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return false;
  const size_t eq = trimmed.find('=');
  return eq != std::string::npos && SameName(Trim(trimmed.substr(0, eq)), key);
}

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
    std::string name;
    if (SectionOf(t, &name)) {
      inSection = SameName(name, section);
      continue;
    }
    if (!inSection || !SetsKey(t, key)) continue;
    std::string value = Trim(t.substr(t.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.size() > kValueBuffer - 1) value.resize(kValueBuffer - 1);
    return value;
  }
  return std::nullopt;
}

bool WriteIniValue(const std::string& fileName, const std::string& section, const std::string& key,
                   const std::string& value) {
  std::vector<std::string> lines;
  {
    std::ifstream in(fileName);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
  }
  const std::string entry = key + "=" + value;
  bool inSection = false, done = false;
  size_t sectionEnd = std::string::npos;  // the line after the section's last entry
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string t = lines[i];
    if (!t.empty() && t.back() == '\r') t.pop_back();
    t = Trim(t);
    std::string name;
    if (SectionOf(t, &name)) {
      inSection = SameName(name, section);
      if (inSection && sectionEnd == std::string::npos) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (!t.empty()) sectionEnd = i + 1;
    if (SetsKey(t, key)) {
      const bool crlf = !lines[i].empty() && lines[i].back() == '\r';
      lines[i] = entry + (crlf ? "\r" : "");
      done = true;
    }
  }
  if (!done && sectionEnd != std::string::npos) {
    lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
  } else if (!done) {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  }
  // A cut-short write must not leave half a settings file behind.
  const std::string temp = fileName + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (const std::string& l : lines) out << l << '\n';
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), fileName.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool WriteShowWizard(const std::string& path, bool bShow) {
  return !path.empty() && WriteIniValue(path, "Config", "ShowWiz", bShow ? "1" : "0");
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

#include "base/UiLanguage.h"

#include <cstdlib>

#include <unistd.h>

namespace {

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// "ll_CC.codeset@modifier" split into "ll_CC" and "@modifier".
std::string LanguageAndCountry(const std::string& entry, std::string* pModifier = nullptr) {
  std::string name = entry;
  const size_t at = name.find('@');
  if (pModifier) *pModifier = at == std::string::npos ? std::string() : name.substr(at);
  if (at != std::string::npos) name.erase(at);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

// The names a catalog for the entry may have, most specific first.
std::vector<std::string> CatalogNames(const std::string& entry) {
  std::string modifier;
  const std::string name = LanguageAndCountry(entry, &modifier);
  std::vector<std::string> out;
  auto add = [&out](const std::string& n) {
    if (n.empty()) return;
    for (const std::string& have : out)
      if (have == n) return;
    out.push_back(n);
  };
  if (!modifier.empty()) add(name + modifier);
  add(name);
  add(name.substr(0, name.find('_')));
  return out;
}

bool IsOwnLanguage(const std::string& entry) {
  const std::string name = LanguageAndCountry(entry);
  return name == "zh" || name == "zh_CN" || name == "zh_SG";
}

// The first catalog of the entry's names in the folders' order.
UiLanguageChoice FindCatalog(const std::string& entry, const std::vector<std::string>& folders) {
  for (const std::string& name : CatalogNames(entry))
    for (const std::string& folder : folders) {
      if (folder.empty()) continue;
      const std::string path = folder + "/" + name + "/LC_MESSAGES/" + kTextDomain + ".mo";
      if (::access(path.c_str(), R_OK) == 0) return {name, path};
    }
  return {};
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from <= list.size()) {
    const size_t colon = list.find(':', from);
    const std::string part = list.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
    if (!part.empty()) out.push_back(part);
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  return out;
}

}  // namespace

UiLanguageEnv CurrentUiLanguageEnv() {
  return {EnvOrEmpty("LANGUAGE"), EnvOrEmpty("LC_ALL"), EnvOrEmpty("LC_MESSAGES"), EnvOrEmpty("LANG")};
}

UiLanguageChoice ChooseUiLanguage(const UiLanguageEnv& env, const std::vector<std::string>& localeFolders) {
  const std::string& locale =
      !env.szLcAll.empty() ? env.szLcAll : !env.szLcMessages.empty() ? env.szLcMessages : env.szLang;
  if (locale.empty() || locale == "C" || locale == "POSIX") return {};
  std::vector<std::string> entries = SplitList(env.szLanguage);
  if (entries.empty()) entries.push_back(locale);
  for (const std::string& entry : entries) {
    if (IsOwnLanguage(entry)) return {};
    const UiLanguageChoice found = FindCatalog(entry, localeFolders);
    if (!found.OwnTexts()) return found;
  }
  return {};
}

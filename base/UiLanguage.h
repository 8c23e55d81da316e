// Which language the window speaks, chosen from the environment as gettext programs choose:
// LC_ALL, else LC_MESSAGES, else LANG names the messages locale; the C and POSIX locales (or
// none) keep the program's own texts and ignore LANGUAGE; any other locale takes the first
// entry of LANGUAGE (a colon-separated list) that has a catalog or is the texts' own language,
// else the locale's language. An entry "ll_CC.codeset@modifier" is tried as ll_CC@modifier,
// ll_CC, then ll. The program's own texts are Simplified Chinese: zh, zh_CN and zh_SG use
// them as they stand.
#pragma once

#include <string>
#include <vector>

constexpr const char* kTextDomain = "kestrelle";

struct UiLanguageEnv {
  std::string szLanguage;    // $LANGUAGE
  std::string szLcAll;       // $LC_ALL
  std::string szLcMessages;  // $LC_MESSAGES
  std::string szLang;        // $LANG
};
UiLanguageEnv CurrentUiLanguageEnv();

struct UiLanguageChoice {
  std::string szLanguage;     // "en", "en_GB"...; "" for the program's own texts
  std::string szCatalogPath;  // the compiled catalog of szLanguage ("" with the own texts)
  bool OwnTexts() const { return szCatalogPath.empty(); }
};

// Catalogs are looked up as FOLDER/LANG/LC_MESSAGES/kestrelle.mo, in the folders' order.
UiLanguageChoice ChooseUiLanguage(const UiLanguageEnv& env, const std::vector<std::string>& localeFolders);

#include "ui/wx/Translation.h"

#include <wx/arrstr.h>
#include <wx/intl.h>
#include <wx/translation.h>

namespace {

// Hands the toolkit the one catalog file already chosen, whatever language name it asks for.
class CChosenCatalogLoader : public wxTranslationsLoader {
 public:
  CChosenCatalogLoader(const wxString& language, const wxString& path) : m_language(language), m_path(path) {}
  wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString&) override {
    return domain == kTextDomain ? wxMsgCatalog::CreateFromFile(m_path, domain) : nullptr;
  }
  wxArrayString GetAvailableTranslations(const wxString&) const override {
    wxArrayString out;
    out.Add(m_language);
    return out;
  }

 private:
  wxString m_language, m_path;
};

}  // namespace

wxString Tr(const char* szMessageId) {
  // The empty id is the catalog's header, never a text.
  if (!szMessageId || !*szMessageId) return wxString();
  return wxGetTranslation(wxString::FromUTF8(szMessageId));
}

wxString Tr(const std::string& szMessageId) { return Tr(szMessageId.c_str()); }

bool UseUiLanguage(const UiLanguageChoice& choice) {
  if (choice.OwnTexts()) {
    wxTranslations::Set(nullptr);
    return true;
  }
  auto* translations = new wxTranslations;
  const wxString language = wxString::FromUTF8(choice.szLanguage);
  translations->SetLoader(new CChosenCatalogLoader(language, wxString::FromUTF8(choice.szCatalogPath)));
  translations->SetLanguage(language);
  wxTranslations::Set(translations);
  if (translations->AddCatalog(kTextDomain, wxLANGUAGE_CHINESE_SIMPLIFIED)) return true;
  wxTranslations::Set(nullptr);
  return false;
}

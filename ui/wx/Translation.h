// The window's texts in the user's language. Every text the window shows goes through Tr():
// texts written in the window code as _("..."), texts from GUI-free tables and messages as
// Tr(text). The program's own texts (UTF-8, mostly Simplified Chinese) are the message ids,
// so with no catalog loaded Tr() returns them byte for byte.
#pragma once

#include <string>

#include <wx/string.h>

#include "base/UiLanguage.h"

// The toolkit's own _() converts through the C locale, which empties UTF-8 texts there; this
// one reads them as UTF-8. The build turns the toolkit's macro off.
#define _(text) Tr(text)

wxString Tr(const char* szMessageId);
wxString Tr(const std::string& szMessageId);

// Loads the chosen catalog for every later Tr() (or none: the program's own texts). Returns
// false, keeping the own texts, when the catalog cannot be read.
bool UseUiLanguage(const UiLanguageChoice& choice);

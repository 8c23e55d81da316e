// Small helpers the main window's source files share: menu ids in and out of the toolkit's
// range, UTF-8 texts and artwork button faces.
#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include "app/CommandIdMap.h"
#include "art/ArtworkIds.h"
#include "ui/wx/SkinButton.h"

namespace mainwin {

// Toolkit id of a menu command.
constexpr int W(int nCommand) { return cmdmap::ToWx(nCommand); }

// The program's command id of a menu event; controls keep their own ids.
inline int CommandOf(const wxCommandEvent& event) {
  const int nCommand = cmdmap::FromWx(event.GetId());
  return nCommand >= 0 ? nCommand : event.GetId();
}

inline wxString U8(const char* text) { return wxString::FromUTF8(text); }
inline wxString U8(const std::string& text) { return wxString::FromUTF8(text); }

// Faces of a button drawn from the artwork: base, base + 1 (hover, pressed, selected),
// base + 2 (disabled, for every state).
inline void SetArtFaces(CSkinButton* button, int nBase, bool bEnabled) {
  if (bEnabled) button->SetFaces(nBase + kArtHotOffset, 0, nBase, nBase + kArtHotOffset);
  else button->SetFaces(nBase + kArtDisabledOffset, 0, nBase + kArtDisabledOffset, nBase + kArtDisabledOffset);
}

}  // namespace mainwin

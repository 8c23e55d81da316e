#include "output/wx/CodecChoice.h"

#include <wx/arrstr.h>
#include <wx/choicdlg.h>

#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

int ChooseAviCodec(wxWindow* parent, const std::vector<MovieCodecEntry>& entries, IUserInteraction& ui) {
  if (entries.empty()) return kMovieCodecCancelled;
  wxArrayString labels;
  for (const MovieCodecEntry& e : entries) labels.Add(Tr(e.szLabel));
  wxSingleChoiceDialog dialog(parent, _("压缩程序:"), _("视频压缩"), labels);
  dialog.SetSelection(0);
  if (ui.ShowModal(dialog) != wxID_OK) return kMovieCodecCancelled;
  const int n = dialog.GetSelection();
  return n >= 0 && n < static_cast<int>(entries.size()) ? n : kMovieCodecCancelled;
}

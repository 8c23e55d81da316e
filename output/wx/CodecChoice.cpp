#include "output/wx/CodecChoice.h"

#include <wx/arrstr.h>
#include <wx/choicdlg.h>

#include "ui/wx/Translation.h"
#include "ui/wx/UserInteraction.h"

int ChooseAviCodec(wxWindow* parent, const std::vector<AviCodecEntry>& entries, IUserInteraction& ui) {
  if (entries.empty()) return kAviCodecCancelled;
  wxArrayString labels;
  for (const AviCodecEntry& e : entries) labels.Add(Tr(e.szLabel));
  wxSingleChoiceDialog dialog(parent, _("压缩程序:"), _("视频压缩"), labels);
  dialog.SetSelection(0);
  if (ui.ShowModal(dialog) != wxID_OK) return kAviCodecCancelled;
  const int n = dialog.GetSelection();
  return n >= 0 && n < static_cast<int>(entries.size()) ? n : kAviCodecCancelled;
}

#include "output/wx/DialogHooks.h"

#include <wx/button.h>
#include <wx/dialog.h>

namespace dlghooks {

EventFn g_event;

int ShowModal(wxDialog& dialog) {
  if (g_event) dialog.CallAfter([&dialog] { Notify(dialog, "shown"); });
  return dialog.ShowModal();
}

void Notify(wxDialog& dialog, const std::string& szWhat) {
  if (g_event) g_event(dialog, szWhat);
}

void QueueClick(wxDialog& dialog, int nId) {
  wxWindow* button = dialog.FindWindow(nId);
  wxCommandEvent* event = new wxCommandEvent(wxEVT_BUTTON, nId);
  event->SetEventObject(button ? button : &dialog);
  wxQueueEvent(button ? button->GetEventHandler() : dialog.GetEventHandler(), event);
}

}  // namespace dlghooks

// How the export dialogs are shown modally, with one place where the window tests look in:
// a test hook hears when a dialog has opened and what it is doing, and drives it through its
// controls' events, so no test ever types into a real modal dialog.
#pragma once

#include <functional>
#include <string>

class wxDialog;

namespace dlghooks {

// "shown" once the dialog's modal loop runs; the output dialog also says "armed", "progress",
// "finished" and "failed".
using EventFn = std::function<void(wxDialog& dialog, const std::string& szWhat)>;
extern EventFn g_event;

// ShowModal, telling the hook once the dialog is up.
int ShowModal(wxDialog& dialog);
void Notify(wxDialog& dialog, const std::string& szWhat);
// Sends a click of the dialog's button `nId` through the event queue, as a user's click
// arrives.
void QueueClick(wxDialog& dialog, int nId);

}  // namespace dlghooks

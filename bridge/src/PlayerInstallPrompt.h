#pragma once
#include "updatelib/Update.h"

// Offers to install or update the desktop player (called by GetPlayerPath with prompting).
// Returns 0 only when the install window cannot be created. UI thread only.
int NoPlayerPrompt(bool notInstalled);

// At library unload: closes and destroys the install window, if there is one.
void CloseInstallWindow();

// The update library's calls the prompt makes. Tests put their own in; the defaults are
// Update::GetPlaydeckUpdateResult, Update::InstallNewVersionPlaydeck, Update::UpdatePlaydeck and
// Update::IsPlaydeckUpdateRunning.
struct PlaydeckUpdateCalls {
    int (*getResult)(Update::UpdateResult&);
    int (*install)();
    int (*update)();
    int (*running)();
};
void SetPlaydeckUpdateCalls(const PlaydeckUpdateCalls& calls);
PlaydeckUpdateCalls DefaultPlaydeckUpdateCalls();

inline constexpr char kUpdateNotifyPipeName[] = "\\\\.\\Pipe\\ViXoMdUpdateNotifyPipe_20110427";

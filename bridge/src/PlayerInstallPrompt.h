#pragma once

// Offers to install or update the desktop player (called by GetPlayerPath with prompting).
// Returns 0 only when the install window cannot be created.
int NoPlayerPrompt(bool notInstalled);

// At library unload: closes and destroys the install window, if there is one.
void CloseInstallWindow();

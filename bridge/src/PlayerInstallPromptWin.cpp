#include "PlayerInstallPrompt.h"

#include <windows.h>

#include "MessageBoxDlg.h"

namespace {

const char kNotInstalledText[] = "您尚未安装VixoPlaydeck，请先安装。";
const char kTooOldText[] = "您的Playdeck版本过低，请先安装更新。";

}  // namespace

// Asks only: installing the player (the update library's download and the install window) is
// not part of this library yet, so accepting starts nothing.
int NoPlayerPrompt(bool notInstalled) {
    CMessageBox prompt;
    prompt.DoModal(GetActiveWindow(), notInstalled ? kNotInstalledText : kTooOldText);
    return 1;
}

void CloseInstallWindow() {}

#pragma once
#include <windows.h>

#include <string>

#include "ui/DialogBase.h"

// The install window (template 105): follows the updater's notify texts while the newest player
// is fetched. One per process, modeless; closing or cancelling hides it and stops the watcher.
// UI thread only (the thread that created it).
class CNoVxMusicDlg2 : public ui::CDialogBase {
public:
    // A notify text from the watcher: lParam is a std::string* made with new; the window deletes it.
    static const UINT kMsgUpdateNotify = 2034;

    // Creates the window (modeless, no parent, hidden); false on failure.
    bool Create();
    // Bar 0 of 0-100, status "正在连接服务器…".
    void Reset();
    // One "tag|state|value" text; anything else is ignored.
    void HandleNotify(const std::string& text);

    // Looks every pass whether the updater still runs while its last word is awaited.
    void WatchUpdater();

protected:
    bool OnCommand(int id, int code, HWND control) override;
    void OnClose() override;
    void OnTimer(UINT_PTR id) override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Hide();

    int m_silentPasses = 0;
};

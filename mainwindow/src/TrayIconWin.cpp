#include "TrayIconWin.h"

#include <shellapi.h>

#include "log/VxMdLog.h"
#include "vxlib/Charset.h"
#include "vxlib/StringUtility.h"

namespace {
const char kLogFile[] = "mainframe.log";
const char kTag[] = "TrayIcon";
const size_t kTipBytes = 128;  // with the terminating NUL
}  // namespace

std::string CTrayIcon::TipText(const std::string& tip) {
    char buffer[kTipBytes];
    StringUtility::CopyToBuffer(buffer, sizeof(buffer), tip);
    return buffer;
}

bool CTrayIcon::Add(HWND owner, UINT id, HICON icon, const std::string& tip, UINT callbackMessage) {
    Remove();
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage;
    data.hIcon = icon;
    // 127 GBK bytes never make more than 127 UTF-16 units, so the wide tip always fits.
    std::wstring wide = Charset::String2WString(TipText(tip));
    wide.copy(data.szTip, ARRAYSIZE(data.szTip) - 1);
    if (!::Shell_NotifyIconW(NIM_ADD, &data)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "NIM_ADD failed, error %lu", ::GetLastError());
        return false;
    }
    m_owner = owner;
    m_id = id;
    m_added = true;
    return true;
}

void CTrayIcon::Remove() {
    if (!m_added) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = m_owner;
    data.uID = m_id;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    m_added = false;
}

#pragma once
#include <windows.h>

#include <string>

// The frame's icon in the notification area. Removed on destruction. User-interface thread.
class CTrayIcon {
public:
    CTrayIcon() = default;
    ~CTrayIcon() { Remove(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // `tip` GBK, cut to 127 bytes at a whole character.
    bool Add(HWND owner, UINT id, HICON icon, const std::string& tip, UINT callbackMessage);
    void Remove();
    bool IsAdded() const { return m_added; }
    // The tip as shown: at most 127 bytes of GBK, cut before a character that does not fit whole.
    static std::string TipText(const std::string& tip);

private:
    HWND m_owner = nullptr;
    UINT m_id = 0;
    bool m_added = false;
};

#pragma once
#include <windows.h>

#include <string>

#include "ui/ClickTracker.h"
#include "ui/WindowBase.h"

// A text link (window class "VxMd_HyperLinkEx"): underlined blue text over its parent's own
// background (asked for with WM_PRINTCLIENT), a hand cursor, and on a click either the web address
// it holds opened in the browser or, without one, WM_COMMAND (id, STN_CLICKED) to the parent.
// User-interface thread only.
class CHyperLinkEx : public ui::CWindowBase {
public:
    static const COLORREF kLinkColour = RGB(0, 102, 204);

    HWND Create(HWND parent, const RECT& rect, UINT id, const std::string& gbkText);
    void SetAddress(const std::string& address) { m_address = address; }
    const std::string& Address() const { return m_address; }
    // The text's width in the link's font.
    int TextWidth() const;
    // Opens an http or https address with the system's browser; false (logged) for anything else or
    // when the shell refuses.
    static bool OpenAddress(const std::string& address);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }

private:
    static HFONT Font();
    ui::CClickTracker m_click;
    std::string m_address;
};

#pragma once
#include <windows.h>

#include <string>

#include "ui/ClickTracker.h"
#include "ui/WindowBase.h"

// A small radio button of our own (window class "XSimpRadio"): the radio image (IDB_SEARCH_RADIO)
// and a label on white. A click, or BM_CLICK, checks it and sends WM_COMMAND (id, BN_CLICKED) to
// the parent, which unchecks the others of its group; BM_GETCHECK and BM_SETCHECK work as for a
// button. It never takes the focus, so the search field keeps it. User-interface thread only.
class XSimpRadio : public ui::CWindowBase {
public:
    static const int kImageSize = 13;
    HWND Create(HWND parent, const RECT& rect, UINT id, const std::string& gbkLabel);
    void SetCheck(bool checked);
    bool IsChecked() const { return m_checked; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }

private:
    void Click();
    bool m_checked = false;
    bool m_hot = false;
    ui::CClickTracker m_click;
};

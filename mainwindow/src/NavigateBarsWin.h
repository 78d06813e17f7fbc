#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "ui/WindowBase.h"

// The bars of the content container and the stand-in of the web component. Each is a plain child
// window of a class of its own, painted with GDI; texts are GBK. User-interface thread only.

// A bar 37 pixels high with a light gradient, a line at its bottom and text in the list's text
// colour. Subclasses paint their content over the background.
class CBarWindow : public ui::CWindowBase {
public:
    static const COLORREF kTextColour = RGB(35, 59, 102);
    // Hidden until the container shows it.
    HWND Create(HWND parent, const RECT& rect, UINT id);

protected:
    virtual const wchar_t* ClassName() const = 0;
    // `client` is the whole bar; the background is already painted.
    virtual void PaintContent(HDC dc, const RECT& client) = 0;
    bool OnPaint() override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnEraseBkgnd(HDC) override { return true; }
    // The bar's font: 12-pixel "宋体"; shared, never freed before exit.
    static HFONT Font();
    void DrawTextLine(HDC dc, const std::string& gbk, RECT r, UINT format) const;
};

class CHyperLinkEx;

// The navigation bar: the breadcrumb, or the song summary in search views (the window text), with
// an optional link after the text (a CHyperLinkEx child) whose click is sent to the parent as
// WM_COMMAND with the bar's id and kLinkClicked.
class CNavigateBarEx : public CBarWindow {
public:
    static const int kLinkClicked = 1;
    CNavigateBarEx();
    ~CNavigateBarEx() override;
    void SetBarText(const std::string& gbk);
    std::string BarText() const { return GetText(); }
    // Empty hides the link.
    void SetLink(const std::string& gbk);

protected:
    const wchar_t* ClassName() const override { return L"VxMd_NavigateBarEx"; }
    void PaintContent(HDC dc, const RECT& client) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void PlaceLink();
    std::unique_ptr<CHyperLinkEx> m_link;
};

// The video summary of a search (the window text).
class CVideoBar : public CNavigateBarEx {
protected:
    const wchar_t* ClassName() const override { return L"VxMd_VideoBar"; }
};

// The result tabs "全部" (13), "音乐" (14), "视频" (15). Tabs 16 and 17 are shown as 14 and 15. A
// click on a tab sends WM_COMMAND to the parent with the control id and the tab number as code.
class CNavigateBarTab : public CBarWindow {
public:
    static const int kFirstTab = 13;
    static const int kTabCount = 3;
    void SetSelected(int tab);
    int Selected() const { return m_selected; }
    // Counts are shown as "全部(%d)" and so on once known; -1 hides them. The window text holds the
    // three labels, joined by "|".
    void SetCounts(int songs, int videos);
    // The visible tab (13..15) that `tab` is drawn as, or 0.
    static int VisibleTab(int tab);
    // In client coordinates.
    static RECT TabRect(int tab);

protected:
    const wchar_t* ClassName() const override { return L"VxMd_NavigateBarTab"; }
    void PaintContent(HDC dc, const RECT& client) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::string Label(int index) const;
    int TabAt(POINT pt) const;
    void SetHot(int tab);
    int m_selected = 13;
    int m_hot = 0;
    int m_songs = -1, m_videos = -1;
};

// Letters "A".."Z" for browsing artists. A click sends WM_COMMAND (bar id, letter) to the parent.
class CAZNavBarEx : public CBarWindow {
public:
    // The letter at a client x, or 0.
    static char LetterAt(int x);

protected:
    const wchar_t* ClassName() const override { return L"VxMd_AZNavBarEx"; }
    void PaintContent(HDC dc, const RECT& client) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    char m_hot = 0;
};

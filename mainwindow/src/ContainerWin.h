#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "FrameConstants.h"
#include "ReportViewWin.h"
#include "ui/WindowBase.h"

class CNavigateBarEx;
class CNavigateBarTab;
class CAZNavBarEx;
class CVideoBar;
class CVxMdHtmlView;

// The content area right of the tree: the song list, the web area and the bars above them,
// arranged as one of nine views (frame::View). Showing a view hides what it does not use, lays
// the rest out, repaints and sends frame::kMsgViewChanged (old, new) to the parent; a search view
// (4, 5, 6) first asks the top-level window for the result summary (frame::kMsgSearchSummary) and
// shows it in the tabs and bars, where "查看更多>>" leads to the music (5) or video (6) view.
// User-interface thread only.
class CVxMdContainer : public ui::CWindowBase {
public:
    // Bars are this high and stack from the top: result tabs, navigation bar, video bar.
    static const int kBarHeight = 37;
    static const int kContentInset = 10;
    // View 4: the web page takes the bottom part, the video bar lies just above it.
    static const int kSearchAllWebHeight = 178;

    CVxMdContainer();
    ~CVxMdContainer() override;

    // Registers the class (frame::kContainerClass) on first use.
    HWND Create(HWND parent, const RECT& rect, UINT id);

    CVxMdReportView& ReportView() { return m_reportView; }

    void ShowView(int view);
    int CurrentView() const { return m_view; }
    static bool ViewHasList(int view);
    static bool ViewHasWeb(int view);

    // Pages frame::Page 0..5 by number; higher numbers are "about:blank". Showing the current
    // page again does nothing unless `reload`. Negative numbers are refused.
    void ShowPage(int page, bool reload);
    // -1 before the first page and while a list page is shown.
    int CurrentPage() const { return m_page; }
    static const char* PageFileName(int page);   // "Loading.html" ...; null above 5
    // The program folder followed by "webres/" and the file name, or "about:blank".
    static std::string PageAddress(int page);
    // A page list's page ("index", "folder", ...): webres/<name>.html, which the frame then fills.
    void ShowListPage(const std::string& pageName);
    static std::string ListPageAddress(const std::string& pageName);
    // The address the web page shows.
    std::string WebAreaText() const;
    // Loads and reloads of the web page so far, for tests.
    int PageLoadCount() const { return m_pageLoads; }
    void StopPage();
    // Calls a function of the page's script with string arguments (GBK, or UTF-8 for the Utf8
    // form: JSON texts of answers), queued until the page says it is ready.
    void CallPageScript(const std::string& function, const std::vector<std::string>& arguments);
    void CallPageScriptUtf8(const std::string& function, const std::vector<std::string>& arguments);
    CVxMdHtmlView& HtmlView() { return *m_htmlView; }

    // The navigation bar: the breadcrumb, or the song summary in search views.
    void SetNavigationText(const std::string& gbk);
    std::string NavigationText() const;
    void SetVideoSummary(const std::string& gbk);
    // 13..17; views 4, 5, 6 set 13, 14, 15. Clicking a tab shows its view (13 → 4, 14/16 → 5,
    // 15/17 → 6).
    void SetResultTab(int tab);
    int ResultTab() const { return m_resultTab; }
    // The view a result tab shows, or -1.
    static int ViewForResultTab(int tab);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCreate(CREATESTRUCTW* create) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnSetFocus(HWND previous) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void Layout();
    void ShowSearchSummary(int view, bool enteredAnew);

    CVxMdReportView m_reportView;
    std::unique_ptr<CVxMdHtmlView> m_htmlView;
    std::unique_ptr<CNavigateBarEx> m_navigateBar;
    std::unique_ptr<CNavigateBarTab> m_resultTabs;
    std::unique_ptr<CAZNavBarEx> m_letterBar;
    std::unique_ptr<CVideoBar> m_videoBar;
    int m_view = frame::kViewNone;
    int m_page = -1;
    int m_resultTab = 13;
    int m_pageLoads = 0;
};

#pragma once
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/WindowBase.h"

struct IWebBrowser2;

namespace ui {

// What a hosted page does, reported on the host's thread. Every member has an empty default.
class IWebBrowserEvents {
public:
    virtual ~IWebBrowserEvents() = default;
    // BeforeNavigate2 of the top-level frame and of sub-frames; `cancel` starts false.
    virtual void OnBeforeNavigate(const std::wstring& /*url*/, bool /*topLevel*/, bool& /*cancel*/) {}
    virtual void OnNavigateComplete(const std::wstring& /*url*/, bool /*topLevel*/) {}
    // The host has taken the new document before this is called.
    virtual void OnDocumentComplete(const std::wstring& /*url*/, bool /*topLevel*/) {}
    // NavigateError; `cancel` starts false.
    virtual void OnNavigateError(const std::wstring& /*url*/, long /*status*/, bool& /*cancel*/) {}
    // NewWindow2/NewWindow3; `cancel` starts false (new windows allowed).
    virtual void OnNewWindow(bool& /*cancel*/) {}
    virtual void OnDownloadBegin() {}
    virtual void OnDownloadComplete() {}
};

// A window hosting the system WebBrowser control through client-site, in-place, frame and
// document-host objects of our own: no ATL. The page sees `external` (GetExternal) as
// window.external and the host flags (GetHostInfo); events reach an IWebBrowserEvents. Knows
// nothing of any program. User-interface thread only (the control is apartment-threaded; COM must
// be initialised on the thread).
class CWebBrowserHost : public CWindowBase {
public:
    // DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_NO3DOUTERBORDER
    static const DWORD kDefaultHostFlags = 0x00000004 | 0x00040000 | 0x00200000;
    static const DWORD kNoScrollFlag = 0x00000008;  // DOCHOSTUIFLAG_SCROLL_NO

    CWebBrowserHost();
    ~CWebBrowserHost() override;

    // Registers `className` on first use and creates the window with the control in place,
    // showing "about:blank". `external` (may be null) is AddRef'ed and handed to pages;
    // `events` (may be null) must outlive the window. Null on failure (logged); a window whose
    // control could not be created is still returned and stays blank.
    HWND Create(const wchar_t* className, HWND parent, const RECT& rect, UINT id, DWORD hostFlags,
                IDispatch* external, IWebBrowserEvents* events);

    void SetHostFlags(DWORD flags) { m_hostFlags = flags; }
    DWORD HostFlags() const { return m_hostFlags; }
    // Navigate2 with the address and empty optional arguments. False when there is no control or
    // it refused.
    bool Navigate(const std::wstring& url);
    bool Refresh();  // refresh completely
    void Stop();
    // Scrolls the current document to its top; false without a document.
    bool ScrollToTop();
    // The control, not AddRef'ed; null when it could not be created.
    IWebBrowser2* Browser() const;
    // The document taken at the last top-level document completion, else null.
    IDispatch* Document() const;
    // The pDisp (the control's or a frame's) of the latest BeforeNavigate2 or NavigateComplete2,
    // taken before the event is reported; null before the first. Not AddRef'ed.
    IDispatch* LastNavigationTarget() const;
    // The script object of the document, or the one set for tests. Not AddRef'ed.
    IDispatch* ScriptObject() const;
    // Replaces the document's script object (tests stand in for a page with one); null undoes it.
    void SetScriptObject(IDispatch* script);
    // Calls the script function `name` by name with string arguments, in order. False when there is
    // no script object or the call failed (`result` receives the return value when given).
    bool CallScript(const std::wstring& name, const std::vector<std::wstring>& args, VARIANT* result = nullptr);
    // The control's "Internet Explorer_Server" window once a document has painted, else null.
    HWND ServerWindow() const;

protected:
    bool OnCreate(CREATESTRUCTW* create) override;
    void OnDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnSetFocus(HWND previous) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    struct Site;  // the COM objects the control talks to
    std::unique_ptr<Site> m_site;
    DWORD m_hostFlags = kDefaultHostFlags;
};

// Invokes the function `name` of a script object (a document's script or any IDispatch) with
// string arguments in the given order. False when the name is unknown or the call failed.
bool InvokeScriptFunction(IDispatch* script, const std::wstring& name, const std::vector<std::wstring>& args,
                          VARIANT* result = nullptr);

}  // namespace ui

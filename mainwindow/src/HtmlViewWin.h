#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ScriptBridge.h"
#include "ui/WebBrowserHost.h"

// What a page may ask of the program through window.external. User-interface thread only.
class IActionWBCallBack {
public:
    virtual ~IActionWBCallBack() {}
    // True when the command was understood.
    virtual bool NotifyVxMd(const std::string& gbkText) = 0;
    virtual void StatusOK() = 0;
    virtual void RefreshErrorPage() = 0;
    virtual void JumpToPage(int page) = 0;
    virtual void SearchWord(const std::string& gbkWord) = 0;
};

// window.external: an automation object whose methods, matched without regard to case, have the
// dispatch id of their place in kMethods. Reference-counted on its own, since a page may hold it
// after the view is gone: Detach() then turns every call into a no-op.
class WBExtDispatch : public IDispatch {
public:
    struct Method {
        const wchar_t* name;
        UINT arguments;
    };
    static const Method kMethods[5];

    explicit WBExtDispatch(IActionWBCallBack* callback) : m_callback(callback) {}
    void Detach() { m_callback = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argumentError) override;

private:
    virtual ~WBExtDispatch() = default;
    HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT* result, UINT* argumentError);

    LONG m_references = 1;
    IActionWBCallBack* m_callback;
};

// The content container's web page: shows the program's pages and remote pages, runs script calls
// once the page says it is ready, and turns the page's window.external calls into the frame's user
// and folder actions (through g_pUserAction / g_pFolderAction). The window text is the address the
// program last asked for (a failed page still names it), so it can be read from outside.
// User-interface thread only.
class CVxMdHtmlView : public ui::CWebBrowserHost, public ui::IWebBrowserEvents, public IActionWBCallBack {
public:
    static const UINT_PTR kNavigateErrorTimer = 1000;
    static const UINT kNavigateErrorDelayMs = 200;

    CVxMdHtmlView();
    ~CVxMdHtmlView() override;

    // Window class "AtlAxWin90", starting on "about:blank".
    HWND Create(HWND parent, const RECT& rect, UINT id, bool noScrollBars = false);

    // Clears the ready flag and the queue, then navigates.
    void NavigateTo(const std::string& gbkAddress);
    // Refreshes the page and scrolls it to the top.
    void Reload();
    // Queued until the page reports ready; dropped at the next navigation.
    void CallScript(const std::string& function, const std::vector<std::wstring>& arguments);

    // The browser's current address; RequestedAddress() is the one the program asked for.
    const std::string& Address() const { return m_address; }
    const std::string& RequestedAddress() const { return m_requested; }
    int BusyCount() const { return m_busy; }
    const std::vector<std::string>& SelectedIds() const { return m_selectedIds; }
    const CScriptCallQueue& Queue() const { return m_queue; }
    // window.external, not AddRef'ed.
    IDispatch* External() const { return m_external; }

    // IActionWBCallBack
    bool NotifyVxMd(const std::string& gbkText) override;
    void StatusOK() override;
    void RefreshErrorPage() override;
    void JumpToPage(int page) override;
    void SearchWord(const std::string& gbkWord) override;

protected:
    // ui::IWebBrowserEvents
    void OnBeforeNavigate(const std::wstring& url, bool topLevel, bool& cancel) override;
    void OnDocumentComplete(const std::wstring& url, bool topLevel) override;
    void OnNavigateError(const std::wstring& url, long status, bool& cancel) override;
    void OnDownloadBegin() override { ++m_busy; }
    void OnDownloadComplete() override;

    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void ItemAction(const scriptBridge::ItemAct& act);
    void Go(const std::string& gbkAddress);
    void Run(const CScriptCallQueue::Call& call);

    WBExtDispatch* m_external;
    CScriptCallQueue m_queue;
    std::string m_address;
    std::string m_requested;
    std::vector<std::string> m_selectedIds;
    bool m_documentLoaded = false;
    int m_busy = 0;
};

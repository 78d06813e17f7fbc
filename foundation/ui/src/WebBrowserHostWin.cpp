#include "ui/WebBrowserHost.h"

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <ole2.h>

#include <exception>

#include "log/VxMdLog.h"
#include "ui/Subclass.h"
#include "vxlib/ComRefWin.h"

namespace ui {

namespace {

const char kLogFile[] = "ui.log";
const wchar_t kServerClass[] = L"Internet Explorer_Server";

// Registered rather than WM_USER-based, so classes deriving from the host keep their own range.
UINT FixServerMessage() {
    static const UINT s_message = ::RegisterWindowMessageW(L"VxUi.WebBrowserHost.FixServer");
    return s_message;
}

// What the COM objects ask of the window that owns them.
class ISiteOwner {
public:
    virtual HWND Window() const = 0;
    virtual DWORD Flags() const = 0;
    virtual IDispatch* External() const = 0;
    virtual void PositionChanged(const RECT& rect) = 0;
    virtual void BrowserEvent(DISPID id, DISPPARAMS* params) = 0;

protected:
    ~ISiteOwner() = default;
};

// The client site, in-place site and frame, document host and DWebBrowserEvents2 sink, as one
// object so that the control's QueryInterface calls between them keep one identity. Lives as long
// as the control holds it; after Detach it only answers with failures.
class CBrowserSite final : public IOleClientSite,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame,
                           public IDocHostUIHandler,
                           public IDispatch {
public:
    explicit CBrowserSite(ISiteOwner* owner) : m_owner(owner) {}

    void Detach() {
        m_owner = nullptr;
        m_activeObject.Reset();
    }
    IOleInPlaceActiveObject* ActiveObject() const { return m_activeObject.Get(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == IID_IDocHostUIHandler) {
            *out = static_cast<IDocHostUIHandler*>(this);
        } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = m_owner ? m_owner->Window() : nullptr;
        return *hwnd ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return m_owner ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame) *frame = nullptr;
        if (doc) *doc = nullptr;
        if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
        HWND hwnd = m_owner ? m_owner->Window() : nullptr;
        if (!hwnd) return E_FAIL;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        ::GetClientRect(hwnd, pos);
        *clip = *pos;
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetAncestor(hwnd, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        m_activeObject.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        if (m_owner) m_owner->PositionChanged(*rect);
        return S_OK;
    }

    // IOleInPlaceUIWindow
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
        m_activeObject = m_owner ? CComRef<IOleInPlaceActiveObject>(object) : CComRef<IOleInPlaceActiveObject>();
        return S_OK;
    }

    // IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
        if (widths) {
            for (LONG& width : widths->width) width = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    // Also IDocHostUIHandler's.
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler
    // Pages show menus of their own; the browser's would offer "view source" and the like.
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
        if (!info) return E_POINTER;
        info->dwFlags = m_owner ? m_owner->Flags() : CWebBrowserHost::kDefaultHostFlags;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    // S_OK: the host shows no toolbars or menus of the browser.
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
        if (key) *key = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override {
        if (target) *target = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override {
        if (!external) return E_POINTER;
        *external = m_owner ? m_owner->External() : nullptr;
        if (!*external) return S_FALSE;
        (*external)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }

    // IDispatch: the browser's events. The control also asks the site's IDispatch for ambient
    // properties (property gets with negative ids); those get "no such member" and their defaults.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (result) ::VariantInit(result);
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (!params || !m_owner) return S_OK;
        // The handler may destroy the window and so release the control and its hold on us.
        CComRef<CBrowserSite> keepAlive(this);
        try {
            m_owner->BrowserEvent(id, params);
        } catch (const std::exception& e) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "BrowserEvent", "event %ld: %s", id, e.what());
        } catch (...) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "BrowserEvent", "event %ld: unknown exception", id);
        }
        return S_OK;
    }

private:
    ~CBrowserSite() = default;

    LONG m_refs = 1;
    ISiteOwner* m_owner;
    CComRef<IOleInPlaceActiveObject> m_activeObject;
};

// Keeps the server window from painting its background before the page: no white flash.
class CEraseBkgndFilter : public CSubclassWindow {
protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_ERASEBKGND) return 1;
        return DefProc(msg, wp, lp);
    }
};

BOOL CALLBACK FindServerWindow(HWND hwnd, LPARAM found) {
    wchar_t name[64] = {};
    if (::GetClassNameW(hwnd, name, 64) && lstrcmpW(name, kServerClass) == 0) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// An argument of an event, counted from the first as the event declares them (rgvarg is reversed).
VARIANT* EventArg(DISPPARAMS* params, UINT count, UINT index) {
    if (params->cArgs != count || !params->rgvarg) return nullptr;
    return &params->rgvarg[count - 1 - index];
}

// Arguments are declared VARIANT* and arrive by reference; a direct value is taken too.
const VARIANT* Deref(const VARIANT* arg) {
    if (arg && V_VT(arg) == (VT_BYREF | VT_VARIANT)) return V_VARIANTREF(arg);
    return arg;
}

std::wstring StringArg(const VARIANT* arg) {
    arg = Deref(arg);
    if (!arg) return std::wstring();
    if (V_VT(arg) == VT_BSTR && V_BSTR(arg)) return std::wstring(V_BSTR(arg), ::SysStringLen(V_BSTR(arg)));
    if (V_VT(arg) == (VT_BYREF | VT_BSTR) && V_BSTRREF(arg) && *V_BSTRREF(arg))
        return std::wstring(*V_BSTRREF(arg), ::SysStringLen(*V_BSTRREF(arg)));
    return std::wstring();
}

long LongArg(const VARIANT* arg) {
    arg = Deref(arg);
    if (!arg) return 0;
    if (V_VT(arg) == VT_I4) return V_I4(arg);
    if (V_VT(arg) == (VT_BYREF | VT_I4) && V_I4REF(arg)) return *V_I4REF(arg);
    return 0;
}

IUnknown* UnknownArg(const VARIANT* arg) {
    arg = Deref(arg);
    if (!arg) return nullptr;
    if (V_VT(arg) == VT_DISPATCH) return V_DISPATCH(arg);
    if (V_VT(arg) == VT_UNKNOWN) return V_UNKNOWN(arg);
    return nullptr;
}

// The caller's cancel flag, overwritten with the handler's answer (which starts from false).
class CCancelArg {
public:
    explicit CCancelArg(VARIANT* arg)
        : m_flag(arg && V_VT(arg) == (VT_BYREF | VT_BOOL) ? V_BOOLREF(arg) : nullptr) {}
    void Write(bool cancel) const {
        if (m_flag) *m_flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    }

private:
    VARIANT_BOOL* m_flag;
};

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return false;
    CComRef<IUnknown> ua, ub;
    return ua.QueryFrom(a, IID_IUnknown) && ub.QueryFrom(b, IID_IUnknown) && ua.Get() == ub.Get();
}

// Clears what it holds on every way out.
class CVariantArray {
public:
    explicit CVariantArray(size_t count) : m_items(count) {
        for (VARIANT& item : m_items) ::VariantInit(&item);
    }
    ~CVariantArray() {
        for (VARIANT& item : m_items) ::VariantClear(&item);
    }
    CVariantArray(const CVariantArray&) = delete;
    CVariantArray& operator=(const CVariantArray&) = delete;
    VARIANT* Data() { return m_items.empty() ? nullptr : m_items.data(); }
    VARIANT& operator[](size_t i) { return m_items[i]; }

private:
    std::vector<VARIANT> m_items;
};

BSTR AllocString(const std::wstring& text) {
    if (text.size() > 0x3FFFFFFF) return nullptr;  // beyond what a BSTR length can hold
    return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace

struct CWebBrowserHost::Site final : ISiteOwner {
    explicit Site(CWebBrowserHost* owner) : host(owner) {}
    ~Site() { Close(); }

    HWND Window() const override { return host->m_hWnd; }
    DWORD Flags() const override { return host->m_hostFlags; }
    IDispatch* External() const override { return external.Get(); }
    void PositionChanged(const RECT& rect) override {
        if (inPlace) inPlace->SetObjectRects(&rect, &rect);
    }
    void BrowserEvent(DISPID id, DISPPARAMS* params) override;

    void CreateControl();
    void ApplyEraseFix();
    void TakeNavigationTarget(const VARIANT* arg) { navigationTarget.QueryFrom(UnknownArg(arg), IID_IDispatch); }
    // Lets go of the control so that whatever it still calls finds a detached site. Idempotent.
    void Close();

    CWebBrowserHost* host;
    IWebBrowserEvents* events = nullptr;
    bool closing = false;
    CComRef<CBrowserSite> site;
    CComRef<IOleObject> object;
    CComRef<IOleInPlaceObject> inPlace;
    CComRef<IWebBrowser2> browser;
    CComRef<IConnectionPoint> connection;
    DWORD cookie = 0;
    CComRef<IDispatch> external;
    CComRef<IDispatch> document;
    CComRef<IDispatch> navigationTarget;
    CComRef<IDispatch> documentScript;  // taken from `document` when first asked for
    CComRef<IDispatch> scriptOverride;
    bool fixPending = false;
    bool focusing = false;
    CEraseBkgndFilter eraseFilter;
};

void CWebBrowserHost::Site::CreateControl() {
    HWND hwnd = host->m_hWnd;
    *site.Out() = new CBrowserSite(this);
    HRESULT hr = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(object.Out()));
    if (FAILED(hr) || !object) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "CoCreateInstance: 0x%08lx", hr);
        object.Reset();
        return;
    }
    // The control wants its site before anything else (OLEMISC_SETCLIENTSITEFIRST).
    hr = object->SetClientSite(site.Get());
    if (FAILED(hr)) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "SetClientSite: 0x%08lx", hr);
    CComRef<IPersistStreamInit> persist;
    if (persist.QueryFrom(object.Get(), IID_IPersistStreamInit)) persist->InitNew();
    ::OleRun(object.Get());

    RECT rect{};
    ::GetClientRect(hwnd, &rect);
    hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, hwnd, &rect);
    if (FAILED(hr)) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "DoVerb: 0x%08lx", hr);
    if (inPlace.QueryFrom(object.Get(), IID_IOleInPlaceObject)) inPlace->SetObjectRects(&rect, &rect);
    if (!browser.QueryFrom(object.Get(), IID_IWebBrowser2)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "no IWebBrowser2");
    }

    CComRef<IConnectionPointContainer> container;
    if (container.QueryFrom(object.Get(), IID_IConnectionPointContainer) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, connection.Out())) && connection) {
        hr = connection->Advise(static_cast<IDispatch*>(site.Get()), &cookie);
        if (FAILED(hr)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "Advise: 0x%08lx", hr);
            cookie = 0;
            connection.Reset();
        }
    } else {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "no DWebBrowserEvents2");
        connection.Reset();
    }
}

void CWebBrowserHost::Site::Close() {
    closing = true;
    eraseFilter.Unsubclass();
    if (connection && cookie) connection->Unadvise(cookie);
    cookie = 0;
    connection.Reset();
    if (inPlace) inPlace->InPlaceDeactivate();
    inPlace.Reset();
    if (object) {
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
    }
    documentScript.Reset();
    document.Reset();
    navigationTarget.Reset();
    scriptOverride.Reset();
    browser.Reset();
    object.Reset();
    if (site) site->Detach();
    site.Reset();
    external.Reset();
    events = nullptr;
}

void CWebBrowserHost::Site::BrowserEvent(DISPID id, DISPPARAMS* params) {
    if (closing) return;
    // Every handler call is the last use of `this`: the handler may destroy the host.
    IWebBrowserEvents* sink = events;
    switch (id) {
    case DISPID_BEFORENAVIGATE2: {
        // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        if (params->cArgs != 7) return;
        CCancelArg cancelArg(EventArg(params, 7, 6));
        TakeNavigationTarget(EventArg(params, 7, 0));
        bool top = SameObject(UnknownArg(EventArg(params, 7, 0)), browser.Get());
        bool cancel = false;
        if (sink) sink->OnBeforeNavigate(StringArg(EventArg(params, 7, 1)), top, cancel);
        cancelArg.Write(cancel);
        return;
    }
    case DISPID_NAVIGATECOMPLETE2: {
        if (params->cArgs != 2) return;
        TakeNavigationTarget(EventArg(params, 2, 0));
        bool top = SameObject(UnknownArg(EventArg(params, 2, 0)), browser.Get());
        if (sink) sink->OnNavigateComplete(StringArg(EventArg(params, 2, 1)), top);
        return;
    }
    case DISPID_DOCUMENTCOMPLETE: {
        if (params->cArgs != 2) return;
        bool top = SameObject(UnknownArg(EventArg(params, 2, 0)), browser.Get());
        if (top) {
            document.Reset();
            documentScript.Reset();
            if (browser) browser->get_Document(document.Out());
            fixPending = true;
            ::PostMessageW(host->m_hWnd, FixServerMessage(), 0, 0);
        }
        if (sink) sink->OnDocumentComplete(StringArg(EventArg(params, 2, 1)), top);
        return;
    }
    case DISPID_NAVIGATEERROR: {
        // (pDisp, URL, Frame, StatusCode, Cancel)
        if (params->cArgs != 5) return;
        CCancelArg cancelArg(EventArg(params, 5, 4));
        bool cancel = false;
        if (sink) sink->OnNavigateError(StringArg(EventArg(params, 5, 1)), LongArg(EventArg(params, 5, 3)), cancel);
        cancelArg.Write(cancel);
        return;
    }
    case DISPID_NEWWINDOW2:
    case DISPID_NEWWINDOW3: {
        // (ppDisp, Cancel) and (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        UINT count = id == DISPID_NEWWINDOW2 ? 2 : 5;
        if (params->cArgs != count) return;
        CCancelArg cancelArg(EventArg(params, count, 1));
        bool cancel = false;
        if (sink) sink->OnNewWindow(cancel);
        cancelArg.Write(cancel);
        return;
    }
    case DISPID_DOWNLOADBEGIN:
        if (sink) sink->OnDownloadBegin();
        return;
    case DISPID_DOWNLOADCOMPLETE:
        if (sink) sink->OnDownloadComplete();
        return;
    default:
        return;
    }
}

void CWebBrowserHost::Site::ApplyEraseFix() {
    if (!fixPending || !host->m_hWnd) return;
    HWND server = nullptr;
    ::EnumChildWindows(host->m_hWnd, &FindServerWindow, reinterpret_cast<LPARAM>(&server));
    if (!server) return;  // not created yet: the next paint looks again
    fixPending = false;
    if (eraseFilter.GetHwnd() != server) eraseFilter.Subclass(server);
}

CWebBrowserHost::CWebBrowserHost() : m_site(new Site(this)) {}

CWebBrowserHost::~CWebBrowserHost() {
    // The window may outlive this object's members by a moment (the base destroys it): let the
    // control go while everything it could call is still here.
    m_site->Close();
}

HWND CWebBrowserHost::Create(const wchar_t* className, HWND parent, const RECT& rect, UINT id, DWORD hostFlags,
                             IDispatch* external, IWebBrowserEvents* events) {
    if (m_hWnd || !className || !RegisterWindowClass(className)) return nullptr;
    m_site.reset(new Site(this));
    m_hostFlags = hostFlags;
    m_site->external = CComRef<IDispatch>(external);
    m_site->events = events;
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE | (parent ? WS_CHILD : WS_OVERLAPPEDWINDOW);
    HWND hwnd = CWindowBase::Create(className, parent, std::string(), style, 0, &rect,
                                    parent ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr);
    if (!hwnd) m_site->Close();
    return hwnd;
}

bool CWebBrowserHost::OnCreate(CREATESTRUCTW* /*create*/) {
    m_site->CreateControl();
    if (!Navigate(L"about:blank")) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "WebBrowserHost", "the window stays blank");
    }
    return true;  // a window without a control is still a (blank) window
}

void CWebBrowserHost::OnDestroy() { m_site->Close(); }

void CWebBrowserHost::OnSize(UINT /*type*/, int cx, int cy) {
    RECT rect{0, 0, cx, cy};
    m_site->PositionChanged(rect);
}

void CWebBrowserHost::OnSetFocus(HWND /*previous*/) {
    Site& s = *m_site;
    if (!s.object || !s.site || s.focusing) return;
    s.focusing = true;  // a control window handing the focus back must not bring us here again
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    s.object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, s.site.Get(), 0, m_hWnd, &rect);
    if (::GetFocus() == m_hWnd) {
        // Activated without taking the focus (Wine's control does so): hand it over ourselves.
        HWND target = nullptr;
        if (IOleInPlaceActiveObject* active = s.site->ActiveObject()) active->GetWindow(&target);
        if (!target) target = ::GetWindow(m_hWnd, GW_CHILD);
        if (target && target != m_hWnd) ::SetFocus(target);
    }
    s.focusing = false;
}

LRESULT CWebBrowserHost::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == FixServerMessage()) {
        m_site->ApplyEraseFix();
        return 0;
    }
    if (msg == WM_PAINT) m_site->ApplyEraseFix();
    return CWindowBase::WndProc(msg, wp, lp);
}

bool CWebBrowserHost::Navigate(const std::wstring& url) {
    IWebBrowser2* browser = m_site->browser.Get();
    if (!browser) return false;
    VARIANT address;
    ::VariantInit(&address);
    V_VT(&address) = VT_BSTR;
    V_BSTR(&address) = AllocString(url);
    if (!V_BSTR(&address)) return false;
    VARIANT empty;
    ::VariantInit(&empty);
    HRESULT hr = browser->Navigate2(&address, &empty, &empty, &empty, &empty);
    ::VariantClear(&address);
    if (FAILED(hr)) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Navigate", "0x%08lx", hr);
    return SUCCEEDED(hr);
}

bool CWebBrowserHost::Refresh() {
    IWebBrowser2* browser = m_site->browser.Get();
    if (!browser) return false;
    VARIANT level;
    ::VariantInit(&level);
    V_VT(&level) = VT_I4;
    V_I4(&level) = REFRESH_COMPLETELY;
    HRESULT hr = browser->Refresh2(&level);
    if (FAILED(hr)) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Refresh", "0x%08lx", hr);
    return SUCCEEDED(hr);
}

void CWebBrowserHost::Stop() {
    if (m_site->browser) m_site->browser->Stop();
}

bool CWebBrowserHost::ScrollToTop() {
    CComRef<IHTMLDocument2> document;
    if (!document.QueryFrom(m_site->document.Get(), IID_IHTMLDocument2)) return false;
    CComRef<IHTMLWindow2> window;
    if (SUCCEEDED(document->get_parentWindow(window.Out())) && window && SUCCEEDED(window->scroll(0, 0)))
        return true;
    CComRef<IHTMLElement> body;
    CComRef<IHTMLElement2> body2;
    return SUCCEEDED(document->get_body(body.Out())) && body2.QueryFrom(body.Get(), IID_IHTMLElement2) &&
           SUCCEEDED(body2->put_scrollTop(0));
}

IWebBrowser2* CWebBrowserHost::Browser() const { return m_site->browser.Get(); }

IDispatch* CWebBrowserHost::Document() const { return m_site->document.Get(); }

IDispatch* CWebBrowserHost::LastNavigationTarget() const { return m_site->navigationTarget.Get(); }

IDispatch* CWebBrowserHost::ScriptObject() const {
    Site& s = *m_site;
    if (s.scriptOverride) return s.scriptOverride.Get();
    if (!s.documentScript && s.document) {
        CComRef<IHTMLDocument> document;
        if (document.QueryFrom(s.document.Get(), IID_IHTMLDocument)) document->get_Script(s.documentScript.Out());
    }
    return s.documentScript.Get();
}

void CWebBrowserHost::SetScriptObject(IDispatch* script) { m_site->scriptOverride = CComRef<IDispatch>(script); }

bool CWebBrowserHost::CallScript(const std::wstring& name, const std::vector<std::wstring>& args, VARIANT* result) {
    return InvokeScriptFunction(ScriptObject(), name, args, result);
}

HWND CWebBrowserHost::ServerWindow() const {
    HWND server = m_site->eraseFilter.GetHwnd();
    return server && ::IsWindow(server) ? server : nullptr;
}

bool InvokeScriptFunction(IDispatch* script, const std::wstring& name, const std::vector<std::wstring>& args,
                          VARIANT* result) {
    if (!script || name.empty() || name.find(L'\0') != std::wstring::npos) return false;
    try {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;

        const size_t count = args.size();
        CVariantArray argv(count);
        for (size_t i = 0; i < count; ++i) {
            // rgvarg holds the last argument first.
            VARIANT& arg = argv[count - 1 - i];
            V_BSTR(&arg) = AllocString(args[i]);
            if (!V_BSTR(&arg)) return false;
            V_VT(&arg) = VT_BSTR;
        }
        DISPPARAMS params{argv.Data(), nullptr, static_cast<UINT>(count), 0};
        VARIANT value;
        ::VariantInit(&value);
        EXCEPINFO exception{};
        UINT badArg = 0;
        HRESULT hr = script->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &value, &exception,
                                    &badArg);
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
        if (FAILED(hr)) {
            ::VariantClear(&value);
            return false;
        }
        if (result) {
            *result = value;  // ownership passes to the caller
        } else {
            ::VariantClear(&value);
        }
        return true;
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "InvokeScriptFunction", "out of memory");
        return false;
    }
}

}  // namespace ui

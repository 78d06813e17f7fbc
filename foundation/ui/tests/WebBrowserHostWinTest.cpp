#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "UiTestingWin.h"
#include "ui/WebBrowserHost.h"
#include "vxlib/ComRefWin.h"

namespace {

const wchar_t kHostClass[] = L"VxUiTestBrowserHost";

// Stands in for window.external and for a page's script: counts its references (it lives on the
// stack, so 1 means only the test holds it) and records the calls it gets.
class CScriptStub final : public IDispatch {
public:
    LONG m_refs = 1;
    std::vector<std::vector<std::wstring>> m_calls;  // name, then the arguments as the script sees them

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1) return E_INVALIDARG;
        std::wstring name = names[0];
        ids[0] = name == L"fn" ? 1 : name == L"fails" ? 2 : DISPID_UNKNOWN;
        return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id == 2 || flags != DISPATCH_METHOD) return E_FAIL;
        std::vector<std::wstring> call{L"fn"};
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANT& arg = params->rgvarg[i];
            if (V_VT(&arg) != VT_BSTR) return DISP_E_TYPEMISMATCH;
            call.emplace_back(V_BSTR(&arg), ::SysStringLen(V_BSTR(&arg)));
        }
        m_calls.push_back(call);
        if (result) {
            V_VT(result) = VT_I4;
            V_I4(result) = static_cast<LONG>(params->cArgs);
        }
        return S_OK;
    }
};

class CRecordingEvents : public ui::IWebBrowserEvents {
public:
    Events m_events;
    bool m_cancel = false;  // the answer to every question with a cancel flag

    void OnBeforeNavigate(const std::wstring& url, bool topLevel, bool& cancel) override {
        Record(L"before " + url, topLevel);
        cancel = m_cancel;
    }
    void OnNavigateComplete(const std::wstring& url, bool topLevel) override { Record(L"navigated " + url, topLevel); }
    void OnDocumentComplete(const std::wstring& url, bool topLevel) override { Record(L"complete " + url, topLevel); }
    void OnNavigateError(const std::wstring& url, long status, bool& cancel) override {
        Record(L"error " + url + L" " + std::to_wstring(status), true);
        cancel = m_cancel;
    }
    void OnNewWindow(bool& cancel) override {
        m_events.push_back("new window");
        cancel = m_cancel;
    }
    void OnDownloadBegin() override { m_events.push_back("download begin"); }
    void OnDownloadComplete() override { m_events.push_back("download complete"); }

    bool Saw(const std::string& event) const {
        return std::find(m_events.begin(), m_events.end(), event) != m_events.end();
    }

private:
    void Record(const std::wstring& what, bool topLevel) {
        m_events.push_back(std::string(what.begin(), what.end()) + (topLevel ? "" : " (frame)"));
    }
};

// Runs the thread's messages until `done` holds or `ms` have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start >= ms) return false;
        ::Sleep(5);
    }
}

// Raises an event on a sink as the control does: arguments given in declared order.
void Fire(IDispatch* sink, DISPID id, std::vector<VARIANT> args) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXPECT_EQ(S_OK, sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

VARIANT DispatchArg(IDispatch* object) {
    VARIANT v;
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    return v;
}
VARIANT RefArg(VARIANT* target) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&v) = target;
    return v;
}
VARIANT BoolRefArg(VARIANT_BOOL* flag) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&v) = flag;
    return v;
}

// Owns a BSTR variant the way the control's URL arguments are made.
struct CUrl {
    VARIANT v;
    explicit CUrl(const wchar_t* url) {
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocString(url);
    }
    ~CUrl() { ::VariantClear(&v); }
};

// The innermost first child: where the control's own server window would sit.
HWND DeepestChild(HWND hwnd) {
    while (HWND child = ::GetWindow(hwnd, GW_CHILD)) hwnd = child;
    return hwnd;
}

TEST(WebBrowserHostTest, HostsTheControlAnswersForItAndLetsGoOfEverythingWhenDestroyed) {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    CScriptStub external, script;
    CRecordingEvents events;
    ui::CWindowBase frame;
    RECT rect = TestRect();
    ASSERT_NE(nullptr, frame.Create(TestClass(), nullptr, "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, &rect));
    auto host = std::make_unique<ui::CWebBrowserHost>();
    HWND hostWindow = host->Create(kHostClass, frame, rect, 5, ui::CWebBrowserHost::kDefaultHostFlags, &external, &events);
    ASSERT_NE(nullptr, hostWindow);
    EXPECT_EQ(5, ::GetDlgCtrlID(hostWindow));
    IWebBrowser2* browser = host->Browser();
    ASSERT_NE(nullptr, browser);

    // The control's events reach us; a cancelled navigation goes no further.
    ASSERT_TRUE(PumpUntil([&] { return events.Saw("before about:blank"); }, 3000)) << testing::PrintToString(events.m_events);
    PumpUntil([] { return false; }, 200);
    events.m_events.clear();
    events.m_cancel = true;
    ASSERT_TRUE(host->Navigate(L"about:blank#cancelled"));
    ASSERT_TRUE(PumpUntil([&] { return !events.m_events.empty(); }, 3000));
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ((Events{"before about:blank#cancelled"}), events.m_events);
    events.m_cancel = false;

    // Focus and size go on to the control.
    ::SetForegroundWindow(frame);
    ::SetFocus(hostWindow);
    EXPECT_TRUE(::IsChild(hostWindow, ::GetFocus()));
    ::MoveWindow(hostWindow, 0, 0, 200, 100, TRUE);
    RECT controlRect{};
    ::GetWindowRect(::GetWindow(hostWindow, GW_CHILD), &controlRect);
    EXPECT_EQ(200, controlRect.right - controlRect.left);
    EXPECT_EQ(100, controlRect.bottom - controlRect.top);

    // What the control asks of its site.
    CComRef<IOleObject> object;
    ASSERT_TRUE(object.QueryFrom(browser, IID_IOleObject));
    CComRef<IOleClientSite> clientSite;
    ASSERT_EQ(S_OK, object->GetClientSite(clientSite.Out()));
    CComRef<IDocHostUIHandler> handler;
    CComRef<IDispatch> sink;
    ASSERT_TRUE(handler.QueryFrom(clientSite.Get(), IID_IDocHostUIHandler));
    ASSERT_TRUE(sink.QueryFrom(clientSite.Get(), DIID_DWebBrowserEvents2));
    clientSite.Reset();
    object.Reset();
    DOCHOSTUIINFO info{sizeof(info)};
    ASSERT_EQ(S_OK, handler->GetHostInfo(&info));
    EXPECT_EQ(2359300u, info.dwFlags);
    EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT), info.dwDoubleClick);
    host->SetHostFlags(ui::CWebBrowserHost::kDefaultHostFlags | ui::CWebBrowserHost::kNoScrollFlag);
    ASSERT_EQ(S_OK, handler->GetHostInfo(&info));
    EXPECT_EQ(2359308u, info.dwFlags);
    IDispatch* pageExternal = nullptr;
    ASSERT_EQ(S_OK, handler->GetExternal(&pageExternal));
    EXPECT_EQ(static_cast<IDispatch*>(&external), pageExternal);
    pageExternal->Release();
    POINT at{1, 1};
    EXPECT_EQ(S_OK, handler->ShowContextMenu(0, &at, nullptr, nullptr));

    // Events as the control raises them: top level only for the control itself; cancel flags
    // go back through the caller's argument.
    events.m_events.clear();
    events.m_cancel = true;
    CUrl page(L"file:///page.html"), frameUrl(L"file:///frame.html");
    VARIANT status;
    V_VT(&status) = VT_I4;
    V_I4(&status) = 404;
    VARIANT_BOOL errorCancel = VARIANT_FALSE, windowCancel = VARIANT_FALSE;
    Fire(sink.Get(), DISPID_NAVIGATEERROR,
         {DispatchArg(browser), RefArg(&page.v), RefArg(&frameUrl.v), RefArg(&status), BoolRefArg(&errorCancel)});
    IDispatch* newWindow = nullptr;
    VARIANT newWindowRef;
    V_VT(&newWindowRef) = VT_BYREF | VT_DISPATCH;
    V_DISPATCHREF(&newWindowRef) = &newWindow;
    VARIANT flags;
    V_VT(&flags) = VT_I4;
    V_I4(&flags) = 0;
    Fire(sink.Get(), DISPID_NEWWINDOW3, {newWindowRef, BoolRefArg(&windowCancel), flags, page.v, frameUrl.v});
    EXPECT_EQ(VARIANT_TRUE, errorCancel);
    EXPECT_EQ(VARIANT_TRUE, windowCancel);
    events.m_cancel = false;
    // A frame's navigation: its object is kept as the last navigation target (until destruction).
    Fire(sink.Get(), DISPID_NAVIGATECOMPLETE2, {DispatchArg(&script), RefArg(&frameUrl.v)});
    EXPECT_EQ(static_cast<IDispatch*>(&script), host->LastNavigationTarget());

    // A completed page: the erase fix finds the server window wherever the control put it.
    // Wine's control makes none (it has no HTML engine), so the test makes one like it.
    WNDCLASSEXW serverClass{sizeof(serverClass)};
    serverClass.lpfnWndProc = ::DefWindowProcW;
    serverClass.hInstance = ::GetModuleHandleW(nullptr);
    serverClass.lpszClassName = L"Internet Explorer_Server";
    ::RegisterClassExW(&serverClass);
    HWND server = ::FindWindowExW(hostWindow, nullptr, L"Internet Explorer_Server", nullptr);
    if (!server) {
        server = ::CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                                   DeepestChild(hostWindow), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    ASSERT_NE(nullptr, server);
    HDC dc = ::GetDC(server);
    EXPECT_EQ(0, ::SendMessageW(server, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
    EXPECT_EQ(nullptr, host->ServerWindow());
    Fire(sink.Get(), DISPID_DOCUMENTCOMPLETE, {DispatchArg(&script), RefArg(&frameUrl.v)});
    Fire(sink.Get(), DISPID_DOWNLOADBEGIN, {});
    Fire(sink.Get(), DISPID_STATUSTEXTCHANGE, {page.v});
    Fire(sink.Get(), DISPID_DOCUMENTCOMPLETE, {DispatchArg(browser), RefArg(&page.v)});
    EXPECT_TRUE(PumpUntil([&] { return host->ServerWindow() != nullptr; }, 2000));
    EXPECT_EQ(server, host->ServerWindow());
    EXPECT_NE(0, ::SendMessageW(server, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
    ::ReleaseDC(server, dc);
    EXPECT_EQ((Events{"error file:///page.html 404", "new window", "navigated file:///frame.html (frame)",
                      "complete file:///frame.html (frame)",
                      "download begin", "complete file:///page.html"}),
              events.m_events);

    // Script calls: arguments reach the script in the order given, whatever their size.
    EXPECT_TRUE(host->Navigate(L"about:blank"));
    host->SetScriptObject(&script);
    EXPECT_EQ(&script, host->ScriptObject());
    VARIANT result;
    ::VariantInit(&result);
    EXPECT_TRUE(host->CallScript(L"fn", {L"a", L"b", L""}, &result));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(3, V_I4(&result));
    const std::wstring huge(1 << 20, L'x');
    EXPECT_TRUE(host->CallScript(L"fn", {huge}));
    EXPECT_TRUE(host->CallScript(L"fn", {}));
    EXPECT_FALSE(host->CallScript(L"unknown", {L"a"}));
    EXPECT_FALSE(host->CallScript(L"fails", {L"a"}));
    EXPECT_FALSE(host->CallScript(L"", {L"a"}));
    ASSERT_EQ(3u, script.m_calls.size());
    EXPECT_EQ((std::vector<std::wstring>{L"fn", L"a", L"b", L""}), script.m_calls[0]);
    EXPECT_EQ(huge, script.m_calls[1].at(1));
    EXPECT_EQ((std::vector<std::wstring>{L"fn"}), script.m_calls[2]);
    EXPECT_FALSE(ui::InvokeScriptFunction(nullptr, L"fn", {L"a"}));
    if (!host->Document()) {
        host->SetScriptObject(nullptr);
        EXPECT_EQ(nullptr, host->ScriptObject());
        EXPECT_FALSE(host->CallScript(L"fn", {L"a"}));
        host->SetScriptObject(&script);
    }

    // Destroyed while the control's site is still held from outside: everything of ours is let go,
    // and the site answers without reaching the deleted host.
    EXPECT_GT(external.m_refs, 1);
    EXPECT_GT(script.m_refs, 1);
    EXPECT_TRUE(host->DestroyWindow());
    EXPECT_EQ(1, external.m_refs);
    EXPECT_EQ(1, script.m_refs);
    EXPECT_EQ(nullptr, host->Browser());
    EXPECT_FALSE(host->Navigate(L"about:blank"));
    host.reset();
    events.m_events.clear();
    Fire(sink.Get(), DISPID_DOCUMENTCOMPLETE, {DispatchArg(&script), RefArg(&page.v)});
    EXPECT_TRUE(events.m_events.empty());
    pageExternal = &script;
    EXPECT_EQ(S_FALSE, handler->GetExternal(&pageExternal));
    EXPECT_EQ(nullptr, pageExternal);
    EXPECT_EQ(S_OK, handler->GetHostInfo(&info));
    sink.Reset();
    handler.Reset();
    EXPECT_EQ(1, external.m_refs);
    frame.DestroyWindow();
    ::OleUninitialize();
}

TEST(WebBrowserHostTest, WithoutTheControlTheWindowIsStillThereAndBlank) {
    // A thread without COM: creating the control fails as it would on a system without it.
    std::thread([] {
        CScriptStub external, script;
        {
            ui::CWebBrowserHost host;
            RECT rect = TestRect();
            HWND hwnd = host.Create(kHostClass, nullptr, rect, 0, ui::CWebBrowserHost::kDefaultHostFlags, &external, nullptr);
            ASSERT_NE(nullptr, hwnd);
            EXPECT_TRUE(::IsWindow(hwnd));
            EXPECT_EQ(nullptr, host.Browser());
            EXPECT_FALSE(host.Navigate(L"about:blank"));
            EXPECT_FALSE(host.Refresh());
            EXPECT_FALSE(host.ScrollToTop());
            host.Stop();
            EXPECT_FALSE(host.CallScript(L"fn", {}));
            host.SetScriptObject(&script);
            EXPECT_TRUE(host.CallScript(L"fn", {L"x"}));
            ::SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(10, 10));
            ::SendMessageW(hwnd, WM_SETFOCUS, 0, 0);
        }
        EXPECT_EQ(1, external.m_refs);
        EXPECT_EQ(1, script.m_refs);
    }).join();
}

}  // namespace

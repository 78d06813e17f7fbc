#include "HtmlViewWin.h"

#include <oleauto.h>

#include "ActionInterfaces.h"
#include "catalogue/SearchTypes.h"
#include "log/VxMdLog.h"
#include "vxlib/Charset.h"

namespace {

const char kLogFile[] = "htmlview.log";
const wchar_t kClassName[] = L"AtlAxWin90";
const char kBlankPage[] = "about:blank";
// Where the page asked from: the web page, for the user-action records.
const int kSourcePage = 2;

enum MethodId { kNotifyVxMd = 0, kStatusOK, kRefreshErrorPage, kJumpToPage, kSearchWord };

// The argument at position `index` counted from the left (DISPPARAMS holds them right to left).
VARIANT* Argument(const DISPPARAMS& params, UINT index) { return &params.rgvarg[params.cArgs - 1 - index]; }

}  // namespace

const WBExtDispatch::Method WBExtDispatch::kMethods[5] = {
    {L"NotifyVxMd", 1}, {L"StatusOK", 0}, {L"RefreshErrorPage", 0}, {L"JumpToPage", 1}, {L"SearchWord", 1}};

HRESULT WBExtDispatch::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WBExtDispatch::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }

ULONG WBExtDispatch::Release() {
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT WBExtDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT WBExtDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT WBExtDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    ids[0] = DISPID_UNKNOWN;
    for (DISPID id = 0; names[0] && id < static_cast<DISPID>(sizeof(kMethods) / sizeof(kMethods[0])); ++id) {
        if (::lstrcmpiW(names[0], kMethods[id].name) == 0) ids[0] = id;
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // Our methods have no named arguments.
    if (count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT WBExtDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO*, UINT* argumentError) {
    if (id < 0 || id >= static_cast<DISPID>(sizeof(kMethods) / sizeof(kMethods[0]))) return DISP_E_MEMBERNOTFOUND;
    if (!params) return E_INVALIDARG;
    if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
    // A script testing whether the method is there reads it as a property: answer without acting.
    if (!(flags & DISPATCH_METHOD) && (flags & DISPATCH_PROPERTYGET) && params->cArgs == 0) {
        if (result) {
            ::VariantInit(result);
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
        }
        return S_OK;
    }
    if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != kMethods[id].arguments) return DISP_E_BADPARAMCOUNT;
    try {
        return Call(id, *params, result, argumentError);
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Invoke", "method %ld threw", static_cast<long>(id));
        return E_FAIL;
    }
}

HRESULT WBExtDispatch::Call(DISPID id, const DISPPARAMS& params, VARIANT* result, UINT* argumentError) {
    std::string text;
    int number = 0;
    if (params.cArgs == 1) {
        VARIANT converted;
        ::VariantInit(&converted);
        const VARTYPE wanted = id == kJumpToPage ? VT_I4 : VT_BSTR;
        if (FAILED(::VariantChangeType(&converted, Argument(params, 0), 0, wanted))) {
            if (argumentError) *argumentError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        if (wanted == VT_I4)
            number = converted.lVal;
        else if (converted.bstrVal)
            text = Charset::WString2String(std::wstring(converted.bstrVal, ::SysStringLen(converted.bstrVal)));
        ::VariantClear(&converted);
    }
    bool done = true;
    if (m_callback) {
        switch (id) {
        case kNotifyVxMd: done = m_callback->NotifyVxMd(text); break;
        case kStatusOK: m_callback->StatusOK(); break;
        case kRefreshErrorPage: m_callback->RefreshErrorPage(); break;
        case kJumpToPage: m_callback->JumpToPage(number); break;
        case kSearchWord: m_callback->SearchWord(text); break;
        default: break;
        }
    }
    if (result) {
        ::VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = done ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return done ? S_OK : S_FALSE;
}

CVxMdHtmlView::CVxMdHtmlView() : m_external(new WBExtDispatch(this)) {}

CVxMdHtmlView::~CVxMdHtmlView() {
    // The window goes first, so the control is closed before its external object is let go.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_external->Detach();
    m_external->Release();
}

HWND CVxMdHtmlView::Create(HWND parent, const RECT& rect, UINT id, bool noScrollBars) {
    DWORD flags = kDefaultHostFlags | (noScrollBars ? kNoScrollFlag : 0);
    m_address = m_requested = kBlankPage;
    HWND hwnd = ui::CWebBrowserHost::Create(kClassName, parent, rect, id, flags, m_external, this);
    if (hwnd) ::SetWindowTextW(hwnd, Charset::String2WString(m_requested).c_str());
    return hwnd;
}

void CVxMdHtmlView::NavigateTo(const std::string& gbkAddress) {
    m_requested = gbkAddress;
    if (m_hWnd) ::SetWindowTextW(m_hWnd, Charset::String2WString(gbkAddress).c_str());
    Go(gbkAddress);
}

void CVxMdHtmlView::Go(const std::string& gbkAddress) {
    m_queue.Navigated();
    m_documentLoaded = false;
    if (m_hWnd) ::KillTimer(m_hWnd, kNavigateErrorTimer);
    m_address = gbkAddress;
    if (!ui::CWebBrowserHost::Navigate(Charset::String2WString(gbkAddress)))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Navigate", "refused: %s", gbkAddress.c_str());
}

void CVxMdHtmlView::Reload() {
    // The refreshed document reports ready again: calls made meanwhile wait for it.
    m_queue.Navigated();
    if (!Refresh()) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, "Reload", "no refresh: %s", m_address.c_str());
    ScrollToTop();
}

void CVxMdHtmlView::CallScript(const std::string& function, const std::vector<std::wstring>& arguments) {
    CScriptCallQueue::Call call;
    call.function = Charset::String2WString(function);
    call.arguments = arguments;
    if (m_queue.Add(call)) Run(call);
}

void CVxMdHtmlView::Run(const CScriptCallQueue::Call& call) {
    if (!ui::CWebBrowserHost::CallScript(call.function, call.arguments))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, "Run", "%s failed on %s",
                     Charset::WString2String(call.function).c_str(), m_address.c_str());
}

bool CVxMdHtmlView::NotifyVxMd(const std::string& gbkText) {
    const scriptBridge::NotifyCommand command = scriptBridge::ParseNotify(gbkText);
    if (command.command == "statusok") {
        StatusOK();
        return true;
    }
    scriptBridge::ItemAct act;
    if (command.command == "itemact" && scriptBridge::ParseItemAct(command, act)) {
        ItemAction(act);
        return true;
    }
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "NotifyVxMd", "refused: %s", gbkText.substr(0, 200).c_str());
    return false;
}

void CVxMdHtmlView::StatusOK() {
    const long sequence = m_queue.Sequence();
    for (const CScriptCallQueue::Call& call : m_queue.MarkReady()) {
        // A call may make the page navigate: what is left belonged to the page that went.
        if (m_queue.Sequence() != sequence) break;
        Run(call);
    }
}

void CVxMdHtmlView::RefreshErrorPage() {
    if (g_pFolderAction) g_pFolderAction->Refresh(nullptr);
}

void CVxMdHtmlView::JumpToPage(int page) {
    if (g_pFolderAction) g_pFolderAction->JumpToPage(page);
}

void CVxMdHtmlView::SearchWord(const std::string& gbkWord) {
    if (!g_pFolderAction) return;
    SearchParam param;
    param.nType = 0;
    param.strKey = gbkWord;
    g_pFolderAction->OpenSearch(param, 6, 0);
}

void CVxMdHtmlView::ItemAction(const scriptBridge::ItemAct& act) {
    m_selectedIds = act.ids;
    if (!g_pUserAction || !g_pFolderAction) return;
    ListVector lists;
    SongVector songs;
    g_pFolderAction->ResolvePageIds(scriptBridge::NumericIds(act.ids), &lists, &songs);
    const std::vector<int>* extra = &act.extra;
    switch (act.act) {
    case scriptBridge::kActSelect:
        if (!lists.empty()) {
            ::SetFocus(ServerWindow() ? ServerWindow() : m_hWnd);
            g_pUserAction->ListsSelected(&lists, kSourcePage);
        } else {
            g_pUserAction->SongsSelected(&songs, kSourcePage);
        }
        break;
    case scriptBridge::kActDoubleClick:
        if (!lists.empty())
            g_pUserAction->OpenList(lists.front());
        else if (!songs.empty())
            g_pUserAction->SongDefault(songs.front(), kSourcePage, extra);
        break;
    case scriptBridge::kActRightClick: {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        if (!lists.empty())
            g_pUserAction->ListContextMenu(cursor.x, cursor.y, &lists);
        else
            g_pUserAction->SongContextMenu(cursor.x, cursor.y, &songs);
        break;
    }
    default:
        if (!lists.empty())
            g_pUserAction->ActOnList(lists.front(), kSourcePage, extra);
        else if (!songs.empty())
            g_pUserAction->ActOnSong(songs.front(), kSourcePage, extra);
        break;
    }
}

void CVxMdHtmlView::OnBeforeNavigate(const std::wstring& url, bool topLevel, bool& /*cancel*/) {
    if (topLevel) m_address = Charset::WString2String(url);
}

void CVxMdHtmlView::OnDocumentComplete(const std::wstring& url, bool topLevel) {
    if (!topLevel) return;
    m_address = Charset::WString2String(url);
    m_documentLoaded = true;
}

void CVxMdHtmlView::OnNavigateError(const std::wstring& url, long status, bool& cancel) {
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "NavigateError", "%ld on %s", status,
                 Charset::WString2String(url).c_str());
    cancel = true;
    // Without a browser engine the blank page fails too: falling back to it again would never end.
    if (m_address != kBlankPage && Charset::WString2String(url) != kBlankPage)
        ::SetTimer(m_hWnd, kNavigateErrorTimer, kNavigateErrorDelayMs, nullptr);
}

void CVxMdHtmlView::OnDownloadComplete() {
    if (m_busy > 0) --m_busy;
}

void CVxMdHtmlView::OnTimer(UINT_PTR id) {
    if (id != kNavigateErrorTimer) return;
    ::KillTimer(m_hWnd, kNavigateErrorTimer);
    Go(kBlankPage);
}

void CVxMdHtmlView::OnDestroy() {
    ::KillTimer(m_hWnd, kNavigateErrorTimer);
    m_external->Detach();
    ui::CWebBrowserHost::OnDestroy();
}

#include "HtmlViewWin.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "ActionInterfaces.h"
#include "ContainerWin.h"
#include "NullActions.h"
#include "RecordingScriptWin.h"
#include "catalogue/SearchTypes.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "resource.h"

namespace {

// The frame's actions as the page reaches them: which slot, with what. Id 500 is a list, others songs.
class CRecordingActions : public CNullActions {
public:
    std::vector<std::string> log;
    CNetSongList list;
    CNetSongInfo song;
    SearchParam searched;

    CRecordingActions() {
        list.SetId(500);
        song.SetId(7);
    }
    int SongDefault(CSongInfoBase* s, int source, const std::vector<int>* extra) override {
        return Note("SongDefault", s, source, extra);
    }
    int OpenList(CSongListBase* l) override { return Note("OpenList", l, 0, nullptr); }
    int SongContextMenu(int, int, const SongVector* songs) override { return Note("SongMenu", songs->front(), 0, nullptr); }
    int ListContextMenu(int, int, const ListVector* lists) override { return Note("ListMenu", lists->front(), 0, nullptr); }
    int SongsSelected(const SongVector* songs, int source) override {
        return Note("SongsSelected", songs->empty() ? nullptr : songs->front(), source, nullptr);
    }
    int ListsSelected(const ListVector* lists, int source) override { return Note("ListsSelected", lists->front(), source, nullptr); }
    int ActOnSong(CSongInfoBase* s, int source, const std::vector<int>* extra) override { return Note("ActOnSong", s, source, extra); }
    int ActOnList(CSongListBase* l, int source, const std::vector<int>* extra) override { return Note("ActOnList", l, source, extra); }
    uint32_t OpenSearch(const SearchParam& request, int action, int) override {
        searched = request;
        return Note("OpenSearch", nullptr, action, nullptr);
    }
    int ResolvePageIds(const std::vector<uint32_t>& ids, ListVector* lists, SongVector* songs) override {
        for (uint32_t id : ids) {
            if (id == 500) lists->push_back(&list);
            else if (id == 7) songs->push_back(&song);
        }
        return 1;
    }
    int Refresh(const SearchParam* request) override { return Note(request ? "Refresh(param)" : "Refresh", nullptr, 0, nullptr); }
    int JumpToPage(int page) override { return Note("JumpToPage", nullptr, page, nullptr); }
    using CNullActions::OpenList;
    using CNullActions::ListContextMenu;

private:
    int Note(const char* what, const void* item, int number, const std::vector<int>* extra) {
        std::string entry = std::string(what) + (item == &list ? " list" : item == &song ? " song" : "") + " " +
                            std::to_string(number);
        if (extra) {
            for (int value : *extra) entry += "," + std::to_string(value);
        }
        log.push_back(entry);
        return 1;
    }
};

class HtmlView : public ::testing::Test {
protected:
    void SetUp() override {
        ::OleInitialize(nullptr);
        ui::CWindowBase::RegisterWindowClass(L"VxHtmlViewTestHost");
        RECT frame{0, 0, 900, 700};
        ASSERT_TRUE(m_host.Create(L"VxHtmlViewTestHost", nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, &frame));
        RECT rect{0, 0, 800, 600};
        ASSERT_TRUE(m_container.Create(m_host, rect, IDC_FRAME_CONTAINER));
        m_container.HtmlView().SetScriptObject(&m_script);
        g_pUserAction = &m_actions;
        g_pFolderAction = &m_actions;
    }
    void TearDown() override {
        g_pUserAction = nullptr;
        g_pFolderAction = nullptr;
        m_container.DestroyWindow();
        m_host.DestroyWindow();
        EXPECT_EQ(1, m_script.references) << "the view keeps a reference to the page's script";
    }

    // Calls window.external the way a page's script does: the name first, then the call.
    HRESULT CallExternal(const wchar_t* name, std::vector<VARIANT> arguments, VARIANT* result = nullptr) {
        IDispatch* external = m_container.HtmlView().External();
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        HRESULT hr = external->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        if (FAILED(hr)) return hr;
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        hr = external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
        for (VARIANT& v : arguments) ::VariantClear(&v);
        return hr;
    }
    static VARIANT Text(const std::wstring& text) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return v;
    }
    std::vector<std::wstring> CalledFunctions() const {
        std::vector<std::wstring> names;
        for (const auto& call : m_script.calls) names.push_back(call.first);
        return names;
    }

    ui::CWindowBase m_host;
    CVxMdContainer m_container;
    CRecordingScript m_script;
    CRecordingActions m_actions;
};

}  // namespace

TEST_F(HtmlView, ScriptCallsWaitForTheReadyPageInOrderAndStaleOnesAreDropped) {
    m_container.ShowPage(frame::kPageLoading, false);
    m_container.CallPageScript("_addItems", {"for the loading page"});
    m_container.ShowPage(frame::kPageAlbum, false);
    m_container.CallPageScriptUtf8("_addItems", {"{\"list\":[{\"name\":\"\xE5\xA4\xA9\"}]}", "album", "http://i/"});
    m_container.CallPageScript("_addItems", {"second", "album", ""});
    m_container.CallPageScript("NoSuchFunction", {});
    EXPECT_TRUE(m_script.calls.empty());
    EXPECT_EQ(3u, m_container.HtmlView().Queue().Pending());

    ASSERT_EQ(S_OK, CallExternal(L"statusok", {}));
    ASSERT_EQ(2u, m_script.calls.size());
    EXPECT_EQ((std::vector<std::wstring>{L"{\"list\":[{\"name\":\"\x5929\"}]}", L"album", L"http://i/"}),
              m_script.calls[0].second);
    EXPECT_EQ((std::vector<std::wstring>{L"second", L"album", L""}), m_script.calls[1].second);
    // Ready: later calls run at once.
    m_container.CallPageScript("SelectItemsAll", {""});
    EXPECT_EQ(L"SelectItemsAll", m_script.calls.back().first);

    // A page that never says it is ready keeps its calls until the next navigation drops them;
    // "NotifyVxMd" with "StatusOK" in any case is the same as the method.
    m_script.calls.clear();
    m_container.ShowPage(frame::kPageNoResult, false);
    m_container.CallPageScript("SetSearchNoResultParam", {"\xD6\xDC", "hint"});
    m_container.ShowPage(frame::kPageAlbum, false);
    m_container.CallPageScript("SelectItemsShift", {""});
    VARIANT result;
    ASSERT_EQ(S_OK, CallExternal(L"NOTIFYVXMD", {Text(L"StatusOk")}, &result));
    EXPECT_EQ(VARIANT_TRUE, result.boolVal);
    EXPECT_EQ((std::vector<std::wstring>{L"SelectItemsShift"}), CalledFunctions());

    // A reload is a new document: calls wait for its ready again.
    m_container.ShowPage(frame::kPageAlbum, true);
    m_container.CallPageScript("SelectItemsAll", {""});
    EXPECT_EQ(1u, m_script.calls.size());
    CallExternal(L"StatusOK", {});
    EXPECT_EQ(2u, m_script.calls.size());
}

TEST_F(HtmlView, ExternalAnswersEveryCallAsAPageMakesIt) {
    IDispatch* external = m_container.HtmlView().External();
    const wchar_t* names[] = {L"notifyvxmd", L"STATUSOK", L"RefreshErrorPage", L"jumpToPage", L"searchword"};
    for (DISPID expected = 0; expected < 5; ++expected) {
        LPOLESTR name[] = {const_cast<LPOLESTR>(names[expected])};
        DISPID id = -7;
        EXPECT_EQ(S_OK, external->GetIDsOfNames(IID_NULL, name, 1, 0, &id)) << expected;
        EXPECT_EQ(expected, id);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Navigate")};
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, external->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);

    // Wrong counts, no argument block, ids outside the table, arguments that are no text.
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, CallExternal(L"JumpToPage", {}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, CallExternal(L"StatusOK", {Text(L"x")}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, CallExternal(L"NotifyVxMd", {Text(L"a"), Text(L"b")}));
    EXPECT_EQ(E_INVALIDARG, external->Invoke(0, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr));
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, external->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    VARIANT object;
    ::VariantInit(&object);
    object.vt = VT_DISPATCH;
    object.pdispVal = nullptr;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, CallExternal(L"SearchWord", {object}));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, CallExternal(L"JumpToPage", {Text(L"two")}));
    EXPECT_TRUE(m_actions.log.empty());

    // Commands the page may send, whatever their case; refusals change nothing.
    VARIANT number;
    ::VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 3;
    const struct {
        const wchar_t* method;
        VARIANT argument;
        HRESULT hr;
        const char* logged;  // null: nothing reaches the frame
    } calls[] = {
        {L"NotifyVxMd", Text(L"ItemAct?act=DoubleClick&param=7&arg=2"), S_OK, "SongDefault song 2,2"},
        {L"NotifyVxMd", Text(L"itemact?act=doubleclick&param=500|7"), S_OK, "OpenList list 0"},
        {L"NotifyVxMd", Text(L"ITEMACT?ACT=SELECT&PARAM=7"), S_OK, "SongsSelected song 2"},
        {L"NotifyVxMd", Text(L"itemact?act=select&param=500"), S_OK, "ListsSelected list 2"},
        {L"NotifyVxMd", Text(L"itemact?act=RightClick&param=500"), S_OK, "ListMenu list 0"},
        {L"NotifyVxMd", Text(L"itemact?act=rightclick&param=7"), S_OK, "SongMenu song 0"},
        {L"NotifyVxMd", Text(L"itemact?act=other&param=7&arg=4"), S_OK, "ActOnSong song 2,4"},
        {L"NotifyVxMd", Text(L"itemact?act=doubleclick&param="), S_OK, nullptr},
        {L"NotifyVxMd", Text(L"itemact?act=doubleclick&param=999"), S_OK, nullptr},
        {L"NotifyVxMd", Text(L"itemact"), S_FALSE, nullptr},
        {L"NotifyVxMd", Text(L"play=1"), S_FALSE, nullptr},
        {L"NotifyVxMd", Text(std::wstring(1 << 20, L'?')), S_FALSE, nullptr},
        {L"JumpToPage", number, S_OK, "JumpToPage 3"},
        {L"jumptopage", Text(L"5"), S_OK, "JumpToPage 5"},
        {L"RefreshErrorPage", VARIANT{}, S_OK, "Refresh 0"},
        {L"SearchWord", Text(L"\x5929\x7A7A"), S_OK, "OpenSearch 6"},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(testing::Message() << call.method << " " << (call.logged ? call.logged : "-"));
        m_actions.log.clear();
        std::vector<VARIANT> arguments;
        if (call.argument.vt != VT_EMPTY) arguments.push_back(call.argument);
        VARIANT result;
        ::VariantInit(&result);
        EXPECT_EQ(call.hr, CallExternal(call.method, arguments, &result));
        if (call.logged) {
            EXPECT_EQ(std::vector<std::string>{call.logged}, m_actions.log);
        } else {
            EXPECT_TRUE(m_actions.log.empty());
        }
    }
    EXPECT_EQ(0, m_actions.searched.nType);
    EXPECT_EQ("\xCC\xEC\xBF\xD5", m_actions.searched.strKey);
    EXPECT_EQ((std::vector<std::string>{"999"}), m_container.HtmlView().SelectedIds());

    // A page holding window.external after the view went: calls do nothing.
    external->AddRef();
    m_container.DestroyWindow();
    m_actions.log.clear();
    LPOLESTR refresh[] = {const_cast<LPOLESTR>(L"RefreshErrorPage")};
    external->GetIDsOfNames(IID_NULL, refresh, 1, 0, &id);
    EXPECT_EQ(S_OK, external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_TRUE(m_actions.log.empty());
    external->Release();
}

TEST_F(HtmlView, ANavigationErrorEndsOnTheBlankPageAndDownloadsKeepABusyCount) {
    CVxMdHtmlView& view = m_container.HtmlView();
    ui::IWebBrowserEvents& events = view;
    m_container.ShowPage(frame::kPageAlbum, false);
    bool cancel = false;
    events.OnNavigateError(L"http://127.0.0.1:9/nothing.html", 404, cancel);
    EXPECT_TRUE(cancel);
    const std::string album = CVxMdContainer::PageAddress(frame::kPageAlbum);
    EXPECT_EQ(album, view.RequestedAddress());
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (view.Address() != "about:blank" && ::GetTickCount() - start < 5000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    EXPECT_EQ("about:blank", view.Address());
    // The program's choice still names the page; the blank page failing too loads nothing more.
    EXPECT_EQ(album, m_container.WebAreaText());
    const long sequence = view.Queue().Sequence();
    events.OnNavigateError(L"about:blank", 0x800C0010, cancel);
    for (int i = 0; i < 20; ++i) {
        ::Sleep(20);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    EXPECT_EQ(sequence, view.Queue().Sequence());

    events.OnDownloadBegin();
    events.OnDownloadBegin();
    events.OnDownloadComplete();
    EXPECT_EQ(1, view.BusyCount());
    events.OnDownloadComplete();
    events.OnDownloadComplete();
    EXPECT_EQ(0, view.BusyCount());
}

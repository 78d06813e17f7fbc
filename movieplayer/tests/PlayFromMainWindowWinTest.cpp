// A video played from the main window reaches the movie player. The main frame runs in this
// process against the stand-in server: under Wine its pages show nothing (no HTML engine), and
// videos are only offered on pages, so the page's part is played by calling window.external as
// the page's script does on a double click. Everything after that is the product's: the frame's
// action, the bridge's command line and the started player.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "FrameInProcessWin.h"
#include "HtmlViewWin.h"
#include "MoviePlayerRunWin.h"
#include "catalogue/SearchTypes.h"
#include "datadef/SongInfo.h"
#include "http/VxHttpRequestMgr.h"

namespace {

std::string Escaped(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

HRESULT NotifyPage(IDispatch* external, const std::wstring& text) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"NotifyVxMd")};
    DISPID id = 0;
    HRESULT hr = external->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) return hr;
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = ::SysAllocString(text.c_str());
    DISPPARAMS params{&argument, nullptr, 1, 0};
    hr = external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    ::VariantClear(&argument);
    return hr;
}

TEST(PlayFromMainWindowTest, AVideoDoubleClickedOnThePageStartsThePlayerWithTheBridgesLine) {
    const char* server = getenv("VX_TEST_SERVER");
    if (!server) GTEST_SKIP() << "needs the stand-in server (VX_WITH_SERVER=1)";
    // The frame as the program makes it, here (its catalogue reads the server's address once).
    ScopedDataRoot root("movieframe");
    AfxGetConfigManager()->SetString("Servers", "All", server);
    AfxGetHttpRequestMgr()->Init(0, (root.Path() + "\\http").c_str());
    AfxGetFileCache()->Init(0, (root.Path() + "\\cache").c_str());
    AfxGetHtchFileMgr()->SetRequestMgr(AfxGetHttpRequestMgr());
    AfxGetHtchFileMgr()->SetFileCache(AfxGetFileCache());
    CCommandLine commandLine;
    CMainFrame mainFrame(commandLine);
    const HWND hwnd = mainFrame.CreateFrame();
    ASSERT_TRUE(hwnd);
    for (UINT timer : {frame::kTimerSendInfo, frame::kTimerUpdateMelodisk, frame::kTimerUpdatePlaydeck})
        ::KillTimer(hwnd, timer);
    ::ShowWindow(hwnd, SW_SHOW);
    const HWND tree = remote::FindDescendant(hwnd, WC_TREEVIEWW, IDC_FRAME_TREE);
    ASSERT_TRUE(CFrameInProcess::PumpUntil([&] {
        const std::string text = Charset::WString2String(remote::TreeItemText(tree, remote::TreeRoot(tree)));
        return !text.empty() && text != frame::kTreeLoading;
    }, 60000));
    g_pUserAction = &mainFrame;
    g_pFolderAction = &mainFrame;

    // A video search, as the search box makes one: its answer is what the video page shows.
    SearchParam param;
    param.nType = kSearchVideo;
    param.strKey = "MV";
    ASSERT_NE(-1, mainFrame.OpenSearchInFrame(param, frame::kOriginUserAction));
    ASSERT_TRUE(CFrameInProcess::PumpUntil([&] {
        return mainFrame.LastVideoList() && !mainFrame.LastVideoList()->GetSongInfoVector().empty();
    }, 30000)) << "the demo catalogue has videos named ...MV";
    const auto* video = dynamic_cast<const CNetSongInfo*>(mainFrame.LastVideoList()->GetSongInfoVector().front());
    ASSERT_TRUE(video);
    const std::string name = video->GetName();
    const std::string id = std::to_string(video->GetId());

    const DWORD self = GetCurrentProcessId();
    ASSERT_TRUE(movietest::PlayerProcesses(self).empty());
    IDispatch* external = mainFrame.Container().HtmlView().External();
    ASSERT_TRUE(external);
    ASSERT_EQ(S_OK, NotifyPage(external, L"ItemAct?act=DoubleClick&param=" + std::wstring(id.begin(), id.end())));
    DWORD pid = 0;
    ASSERT_TRUE(movietest::WaitUntil([&] {
        const std::vector<DWORD> started = movietest::PlayerProcesses(self);
        if (!started.empty()) pid = started.back();
        return pid != 0;
    }, 20000)) << "the bridge starts the movie player";

    movietest::CPlayerRun player;
    ASSERT_TRUE(player.Attach(pid));
    const std::string line = Charset::WString2String(movietest::ProcessCommandLine(player.Process()));
    // The stand-in server gives every video page 640 x 480; the first page of an item is number 1,
    // which names the icon.
    const std::regex expected("\"?" + Escaped(movietest::PlayerPath()) + "\"? /mdplay 640\\|480\\|1\\.ico\\|" +
                              Escaped(server) + "/vplay/" + id + "_1\\.html\\|" + Escaped(name));
    EXPECT_TRUE(std::regex_match(line, expected)) << line;
    const HWND window = player.WaitWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(name, Charset::WString2String(remote::WindowText(window)));
    RECT r = movietest::WindowRect(window);
    EXPECT_EQ(644, r.right - r.left);
    EXPECT_EQ(512, r.bottom - r.top);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(2u, player.WaitExit(10000));

    g_pUserAction = nullptr;
    g_pFolderAction = nullptr;
    ::DestroyWindow(hwnd);
}

}  // namespace

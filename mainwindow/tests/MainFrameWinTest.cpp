// The frame in this process, where its window objects can be looked at.
#include <gtest/gtest.h>

#include <vector>

#include "FrameInProcessWin.h"
#include "HtmlViewWin.h"
#include "RecordingScriptWin.h"

TEST(MainFrameInProcess, EachTreeBuildLeavesOnlyItsOwnStatusIcon) {
    CFrameInProcess frame;
    ASSERT_TRUE(frame.Hwnd());
    ASSERT_TRUE(frame.WaitTreeFailed()) << frame.TreeRootText();
    std::vector<HICON> shown;
    for (int i = 0; i < 8; ++i) {
        frame.ToggleBuiltInTree();
        const HICON icon = frame.StatusIcon();
        if (icon && (shown.empty() || icon != shown.back())) shown.push_back(icon);
    }
    ASSERT_GE(shown.size(), 3u) << "each build with the built-in tree shows the first tree image";
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
        if (shown[i] == shown.back()) continue;
        EXPECT_FALSE(IconAlive(shown[i])) << "the icon of build " << i << " is still alive";
    }
    EXPECT_TRUE(IconAlive(shown.back()));
}

// A page list as a page shows it: its children go to the page once it is ready, and a double click
// on one in the page opens it in the frame.
TEST(MainFrameInProcess, APageListFeedsItsChildrenToThePageAndAPageClickOpensOne) {
    CFrameInProcess frame;
    ASSERT_TRUE(frame.Hwnd());
    if (frame.FirstInProcess()) {
        ASSERT_TRUE(frame.WaitTreeFailed()) << frame.TreeRootText();
    }
    HWND tree = remote::FindDescendant(frame.Hwnd(), WC_TREEVIEWW, IDC_FRAME_TREE);
    for (int i = 0; i < 2 && !remote::FindTreeChild(tree, nullptr, L"歌手库"); ++i) frame.ToggleBuiltInTree();
    g_pUserAction = &frame.Frame();
    g_pFolderAction = &frame.Frame();
    CRecordingScript script;
    CVxMdHtmlView& view = frame.Frame().Container().HtmlView();
    view.SetScriptObject(&script);

    HTREEITEM singers = remote::FindTreeChild(tree, nullptr, L"歌手库");
    ASSERT_TRUE(singers);
    ASSERT_TRUE(remote::TreeSelect(tree, singers));
    EXPECT_NE(std::string::npos, view.RequestedAddress().find("webres/folder.html")) << view.RequestedAddress();
    EXPECT_TRUE(script.calls.empty()) << "nothing reaches a page before it says it is ready";

    IDispatch* external = view.External();
    auto call = [&](const wchar_t* method, const wchar_t* text) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(method)};
        DISPID id = 0;
        external->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        VARIANT argument;
        ::VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = ::SysAllocString(text);
        DISPPARAMS params{text ? &argument : nullptr, nullptr, text ? 1u : 0u, 0};
        const HRESULT hr = external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        ::VariantClear(&argument);
        return hr;
    };
    ASSERT_EQ(S_OK, call(L"StatusOK", nullptr));
    ASSERT_EQ(1u, script.calls.size());
    EXPECT_EQ(L"_addItems", script.calls[0].first);
    const std::vector<std::wstring>& items = script.calls[0].second;
    ASSERT_EQ(3u, items.size());
    EXPECT_NE(std::wstring::npos, items[0].find(L"{\"id\":\"9011\",\"name\":\"华语女歌手\"}")) << items[0];
    EXPECT_EQ(L"folder", items[1]);

    ASSERT_EQ(S_OK, call(L"NotifyVxMd", L"ItemAct?act=DoubleClick&param=9011"));
    EXPECT_EQ(L"华语女歌手", remote::TreeItemText(tree, remote::TreeSelection(tree)));
    EXPECT_FALSE(view.Queue().Ready()) << "the new page waits for its own ready";
    EXPECT_EQ(1u, view.Queue().Pending());

    view.SetScriptObject(nullptr);
    g_pUserAction = nullptr;
    g_pFolderAction = nullptr;
}

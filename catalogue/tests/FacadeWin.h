#pragma once
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/NetSongData.h"
#include "catalogue/SearchProxyObserver.h"
#include "config/ConfigManager.h"
#include "http/VxHttpRequestMgr.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"

// The one facade of the test process, made against the stand-in server in a private data root.
// Observers are registered first, so they see message 0.
struct NetSongEvent {
    int id;
    long cookie;
    int songs;     // songs of the page (message 4) or of the proxy's music list (proxy 1, 2)
    int videos;    // songs of the proxy's video list
    int kind;      // request kind of message 2
};

class CNetSongRecorder : public INetSongDataObserver {
public:
    std::vector<NetSongEvent> events;
    std::function<void(long cookie)> onPage;

    void OnNetSongDataCreated() override { events.push_back({kMsgCreated, 0, 0, 0, 0}); }
    void OnRankingTreeReady() override { events.push_back({kMsgTreeReady, 0, 0, 0, 0}); }
    void OnSearchStarted(long cookie, const SearchParam* param) override {
        events.push_back({kMsgSearchStarted, cookie, 0, 0, param ? param->nType : -1});
    }
    void OnSearchCancelled(long cookie) override { events.push_back({kMsgSearchCancelled, cookie, 0, 0, 0}); }
    void OnSearchPage(long cookie, SearchResult* result) override {
        int songs = result && result->pPageList ? static_cast<int>(result->pPageList->GetSongInfoVector().size()) : -1;
        events.push_back({kMsgSearchPage, cookie, songs, 0, 0});
        if (onPage) onPage(cookie);
    }
    void OnSearchFinished(long cookie) override { events.push_back({kMsgSearchFinished, cookie, 0, 0, 0}); }
    void OnSearchFailed(long cookie) override { events.push_back({kMsgSearchFailed, cookie, 0, 0, 0}); }

    bool Has(int id, long cookie) const {
        for (const auto& e : events) {
            if (e.id == id && e.cookie == cookie) return true;
        }
        return false;
    }
    int Count(int id, long cookie) const {
        int n = 0;
        for (const auto& e : events) n += (e.id == id && e.cookie == cookie) ? 1 : 0;
        return n;
    }
};

class CProxyRecorder : public ISearchProxyObserver {
public:
    std::vector<NetSongEvent> events;
    SearchResult music;
    void OnProxyStarted(long no, const SearchParam*) override { events.push_back({kProxyStarted, no, 0, 0, 0}); }
    void OnProxyNoResult(long no, SearchResult* m, SearchResult* v) override { Add(kProxyNoResult, no, m, v); }
    void OnProxyFinished(long no, SearchResult* m, SearchResult* v) override {
        Add(kProxyFinished, no, m, v);
        if (m) music = *m;
    }
    void OnProxyCancelled(long no) override { events.push_back({kProxyCancelled, no, 0, 0, 0}); }
    void OnProxyFailed(long no) override { events.push_back({kProxyFailed, no, 0, 0, 0}); }

private:
    static int Songs(SearchResult* r) {
        return r && r->pPageList ? static_cast<int>(r->pPageList->GetSongInfoVector().size()) : -1;
    }
    void Add(int id, long no, SearchResult* m, SearchResult* v) { events.push_back({id, no, Songs(m), Songs(v), 0}); }
};

struct TestFacade {
    ScopedDataRoot root{"catsearch"};
    CNetSongRecorder recorder;
    CProxyRecorder proxy;
    INetSongData* facade = nullptr;
    std::string server;
    int treeAtCreation = -1;

    TestFacade() {
        const char* base = std::getenv("VX_TEST_SERVER");
        server = base ? base : "";
        AfxGetConfigManager()->SetString("Servers", "All", server);
        AfxGetHttpRequestMgr()->Init(0, (root.Path() + "\\http").c_str());
        AfxGetFileCache()->Init(0, (root.Path() + "\\cache").c_str());
        AfxGetHtchFileMgr()->SetRequestMgr(AfxGetHttpRequestMgr());
        AfxGetHtchFileMgr()->SetFileCache(AfxGetFileCache());
        AfxGetMessageManager()->Register(kNetSongChannel, &recorder, kObserverUiThread);
        AfxGetMessageManager()->Register(kSearchProxyChannel, &proxy, kObserverUiThread);
        facade = GetNetSongData();
        // The tree comes by a message, which only this thread's loop can deliver: not yet.
        treeAtCreation = facade ? facade->HasRankingTree() : -1;
    }
    ~TestFacade() {
        AfxGetMessageManager()->Unregister(kNetSongChannel, &recorder);
        AfxGetMessageManager()->Unregister(kSearchProxyChannel, &proxy);
    }

    static TestFacade& Get() {
        static TestFacade* instance = new TestFacade;  // lives to the end of the process with the facade
        return *instance;
    }
};

// Runs this thread's message loop (posted and carried messages arrive through it) until done()
// or the test's time is nearly up; returns done().
inline bool PumpUntil(const std::function<bool()>& done) {
    const char* limit = std::getenv("VX_TIMEOUT");
    const DWORD budget = static_cast<DWORD>((limit ? std::atoi(limit) : 60) * 1000 / 4);
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > budget) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// Lets queued work run for a while without waiting for anything in particular.
inline void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; });
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A log file of this test program (VxMdLog writes below the common folder of the data root).
inline std::string LogPath(const char* file) {
    std::string common;
    Dir::GetVxPath(PATH_COMMON_APPDATA, common);
    return common + "\\Vixo\\VxMelodisk\\log\\VxMdNetSong_tests\\" + file;
}

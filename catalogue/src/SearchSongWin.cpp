#include <windows.h>

#include <exception>
#include <list>
#include <memory>
#include <vector>

#include "JsonPages.h"
#include "OpenItemWin.h"
#include "SearchReply.h"
#include "SearchSong.h"
#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "datadef/SongListMgr.h"
#include "http/VxHttpRequestMgr.h"
#include "log/VxMdLog.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/Thread.h"
#include "vxlib/UserId.h"
#include "vxlib/Xml.h"

const char CSearchSong::kGroup[] = "VX_SEARCH_SONG";
const char CSearchSong::kListGroup[] = "VX_NET_SONG";

namespace {

const char kLogFile[] = "NetSongLib.txt";
const char kRecentSongsFile[] = "\\vixo\\ModuleData\\ModPlayList\\播放列表-列表组2-最近播放.pl";
const int kMaxSearchRecord = 1023;
const char kVersionSection[] = "config";
const char kVersionKey[] = "version";

Thread::CBaseCrititalSection g_runningLock;
std::list<SearchThreadInfo*> g_running;
std::atomic<long> g_cookie{0};

// The recently played songs as last read, for when the player's file cannot be read.
Thread::CBaseCrititalSection g_recentLock;
std::vector<CSongInfoBase*> g_recentSongs;

void Send(int id, const VariantList& args) {
    if (IMessageManager* manager = AfxGetMessageManager()) manager->Send(kNetSongChannel, id, args);
}

DWORD WINAPI DeleteListThread(LPVOID list) {
    delete static_cast<CNetSongList*>(list);
    return 0;
}

// The request thread must not wait for the freeing of a big list.
void DeleteLater(CNetSongList* list) {
    if (!list) return;
    HANDLE thread = CreateThread(nullptr, 0, DeleteListThread, list, 0, nullptr);
    if (thread) CloseHandle(thread);
    else delete list;
}

class CItemReader : public IReplyReader {
public:
    explicit CItemReader(int handle) : m_handle(handle) {}
    bool Read(char* buffer, int* length) override {
        return AfxGetHtchFileMgr()->ReadItem(m_handle, buffer, length) != 0;
    }

private:
    int m_handle;
};

bool ReadWholeItem(const char* group, const std::string& address, std::string& text) {
    COpenItem item(group, address);
    if (!item.IsOpen()) return false;
    std::vector<char> buffer(64 * 1024);
    bool ok = true;
    for (;;) {
        int n = static_cast<int>(buffer.size());
        if (!AfxGetHtchFileMgr()->ReadItem(item.Handle(), buffer.data(), &n)) {
            ok = false;
            break;
        }
        if (n <= 0) break;
        text.append(buffer.data(), static_cast<size_t>(n));
    }
    item.Close(ok ? 1 : 0);
    return ok;
}

// The file version of the running program ("a.b.c.d"), empty when it has none.
std::string ProgramVersion() {
    std::string text;
    if (!UserId::GetMainModuleVersion(text)) text.clear();
    return text;
}

}  // namespace

// One request on its thread.
struct SearchRun {
    SearchThreadInfo* info;
    bool got = false;
    int local = 0;
    int server = 0;
    int status = 0;
    int statusBytes = 0;
    int data = 0;
    bool ended = false;  // the end (finished or failed) has been reported

    bool Cancelled() const { return info->nCancelled != 0; }

    void SendPage() {
        if (Cancelled()) return;
        Send(kMsgThreadPage, {Variant::Long(info->lCookie), Variant::Pointer(&info->result), Variant::Int(0)});
    }
    void SendEnd(bool ok) {
        ended = true;
        if (Cancelled()) return;
        if (ok) {
            Send(kMsgThreadFinished, {Variant::Long(info->lCookie), Variant::Pointer(&info->result), Variant::Int(0)});
        } else {
            Send(kMsgThreadFailed, {Variant::Long(info->lCookie)});
        }
    }
    void ReplacePageList(CNetSongList* list) {
        DeleteLater(info->result.pPageList);
        info->result.pPageList = list;
    }

    void Run() {
        if (Cancelled()) return;
        const std::string& key = info->request.strKey;
        if (key == kRecentSongsListName) return RecentSongs();
        if (key == kRecentVideosListName) return RecentVideos();
        const int kind = info->request.nType;
        if (kind == kSearchTips) return Tips();
        const bool ok = (kind == kSearchWebList || kind == kSearchVideo) ? JsonList() : Reply();
        // Written before the end is reported, so that a reader of the record sees this request's.
        WriteSearchRecord();
        SendEnd(ok);
    }

    void RecentSongs() {
        std::string path;
        std::unique_ptr<CNetSongList> list(new CNetSongList);
        list->SetBaseImageUrl(info->request.strImgUrl);
        Xml::XmlNode root;
        if (Dir::GetVxPath(PATH_COMMON_APPDATA, path) && root.LoadFile(path + kRecentSongsFile)) {
            for (auto it = root.ChildBegin(); it != root.ChildEnd(); ++it) {
                std::unique_ptr<CNetSongInfo> song(new CNetSongInfo);
                if (!song->LoadFromXml(*it) || song->GetName().empty()) continue;
                song->SetPlaySource(info->request.strKey2);
                list->AddSongInfo(song.release(), -1);
            }
        }
        {
            Thread::CAutoCrititalSection lock(g_recentLock);
            auto& songs = list->GetSongInfoVector();
            if (!songs.empty()) {
                for (CSongInfoBase* old : g_recentSongs) delete old;
                g_recentSongs.clear();
                for (CSongInfoBase* song : songs) g_recentSongs.push_back(song->Clone());
            } else {
                for (CSongInfoBase* song : g_recentSongs) list->AddSongInfo(song->Clone(), -1);
            }
        }
        ReplacePageList(list.release());
        SendPage();
        SendEnd(true);
    }

    void RecentVideos() {
        std::string json, total;
        JsonPageInfo paging;
        CNetSongList* list = nullptr;
        if (info->pOwner->m_recentVideos.ReadPage(info->request.nPage, json)) {
            list = JsonPages::ParsePage(json, info->strUrl, total, paging);
        }
        if (!list) return SendEnd(false);
        list->SetBaseImageUrl(info->request.strImgUrl);
        info->result.strTotal = total;
        ReplacePageList(list);
        SendPage();
        SendEnd(true);
    }

    void Tips() {
        std::string text;
        if (!ReadWholeItem(CSearchSong::kGroup, info->strUrl, text)) return SendEnd(false);
        SearchReply::ParseTipReply(text, info->result);
        SendEnd(true);
    }

    // Parses one JSON page into the result; false when it is not a list page.
    bool JsonPage(const std::string& address, JsonPageInfo& paging) {
        std::string text, total;
        if (!ReadWholeItem(CSearchSong::kListGroup, address, text)) return false;
        server = 1;
        data += static_cast<int>(text.size());
        CNetSongList* list = JsonPages::ParsePage(Charset::UTF8ToString(text), info->strUrl, total, paging);
        if (!list) return false;
        list->SetBaseImageUrl(info->request.strImgUrl);
        if (!list->GetSongInfoVector().empty()) got = true;
        if (!total.empty()) info->result.strTotal = total;
        if (info->result.pPageList) ++info->result.nPageIndex;
        ReplacePageList(list);
        SendPage();
        return true;
    }

    bool JsonList() {
        const std::string& first = info->strUrl;
        JsonPageInfo paging;
        if (!JsonPage(first, paging)) return false;
        if (info->request.nPage != -1) return true;
        const JsonPages::FollowingPages pages = JsonPages::Following(paging);
        const size_t p = first.rfind('p');
        const size_t dot = first.rfind('.');
        if (pages.first > pages.last || p == std::string::npos || dot == std::string::npos) return true;
        if (pages.cut) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "JsonList",
                         "%s: total %lld by %lld claims more than %lld pages, stopped after page %lld", first.c_str(),
                         paging.total, paging.ret, JsonPages::kMaxListPages, pages.last);
        }
        for (long long page = pages.first; page <= pages.last && !Cancelled(); ++page) {
            JsonPageInfo next;
            if (!JsonPage(first.substr(0, p + 1) + std::to_string(page) + first.substr(dot), next)) {
                // A list numbered from 0 ends here, one past its last page.
                VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, "JsonList", "%s: no page %lld", first.c_str(), page);
                break;
            }
        }
        return true;
    }

    bool Reply() {
        IVxHtchFileMgr* items = AfxGetHtchFileMgr();
        const std::string& address = info->strUrl;
        COpenItem item(CSearchSong::kGroup, address);
        if (!item.IsOpen()) {
            data = -2;
            return false;
        }
        server = 1;
        CItemReader reader(item.Handle());
        SearchReply::BlockReadResult read = SearchReply::ReadBlocks(reader, [this](const std::string& page) {
            if (Cancelled()) return false;
            CNetSongList* list = SearchReply::ParsePage(page, info->result, info->strPicServer);
            if (info->result.pPageList) ++info->result.nPageIndex;
            ReplacePageList(list);
            if (!list->GetSongInfoVector().empty()) got = true;
            SendPage();
            return !Cancelled();
        });
        if (read.error) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, "_SearchFromServer", "%s", read.error);
        data = read.complete ? read.bytes : -2;
        items->GetItemStatus(item.Handle(), &local, &status, &statusBytes);

        std::string trimmed = info->request.strKey;
        StringUtility::Trim(trimmed);
        const bool empty = !info->result.pPageList || info->result.pPageList->GetSongInfoVector().empty();
        const int keep =
            (read.complete && info->request.nType != kSearchRandom && !trimmed.empty() && !empty) ? 1 : 0;
        const int closed = item.Close(keep);
        // A fetch that broke off says nothing against the last good copy, which stays for the fallback.
        const bool failedFetch = !local && !read.complete;
        if ((!closed || !keep) && !failedFetch) AfxGetFileCache()->DeleteItem(CSearchSong::kGroup, address.c_str());
        return read.pages > 0;
    }

    void WriteSearchRecord() {
        std::string key = info->request.strKey;
        if (info->request.nType == kSearchRandom) key = SearchAddress::kRandomKey;
        else if (key.empty()) key = info->strUrl;
        const std::string text = StringUtility::Format(
            "KEY:%s|ISGET:%d|ISLOCAL:%d|SEARCHSVR:%d|SEARCHSVR_C:%d|SEARCHSVR_R:%d|SEARCHSVR_D:%d", key.c_str(),
            got ? 1 : 0, local, server, status, statusBytes, data);
        char record[kMaxSearchRecord + 1];
        StringUtility::CopyToBuffer(record, sizeof record, text);
        VxMdLog::LogUserActMsg("SEARCH", record);
    }
};

namespace {

DWORD WINAPI SearchThreadProc(LPVOID parameter) {
    auto* info = static_cast<SearchThreadInfo*>(parameter);
    SearchRun run{info};
    try {
        run.Run();
    } catch (const std::exception& e) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "SearchThread", "exception, cookie %ld: %s", info->lCookie, e.what());
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "SearchThread", "exception, cookie %ld", info->lCookie);
    }
    // Whoever waits for this request (the frame's busy cursor, the keyword pair) needs its end.
    if (!run.ended) {
        try {
            run.SendEnd(false);
        } catch (...) {
        }
    }
    CloseHandle(static_cast<HANDLE>(info->hThread));
    {
        Thread::CAutoCrititalSection lock(g_runningLock);
        g_running.remove(info);
    }
    DeleteLater(info->result.pPageList);
    delete info;
    return 0;
}

}  // namespace

CSearchSong::CSearchSong(CSongListMgr* manager) : m_pManager(manager) {
    IConfigManager* config = AfxGetConfigManager();
    const std::string search = GetServerAddress(kServerSearch);
    const std::string tip = GetServerAddress(kServerTip) + "/t.s?c=pdeck&w=";
    const std::string pic = GetServerAddress(kServerImage) + "/star/starheads/";
    config->GetString("Netsong", "SearchServer", m_servers.search, search);
    config->GetString("Netsong", "TipServer", m_servers.tip, tip);
    config->GetString("Netsong", "PicServer", m_strPicServer, pic);
    m_servers.videoSearch = GetServerAddress(kServerVideoSearch);
    m_strProgramVersion = ProgramVersion();
    AfxGetHtchFileMgr()->CreateGroup(kGroup, 0, 86400, 1000, 104857600, 1);
    m_history.Load();
    std::string folder;
    if (Dir::GetVxPath(PATH_SHORTCUT_DATA, folder)) {
        if (!folder.empty() && folder.back() == '\\') folder.pop_back();
        m_recentVideos.Setup(folder);
    }
}

CSearchSong::~CSearchSong() {
    if (m_bRegistered) AfxGetMessageManager()->Unregister(kNetSongChannel, this);
    // Threads still running only report; they find nothing of this object but the videos store.
    Thread::CAutoCrititalSection lock(g_runningLock);
    for (SearchThreadInfo* info : g_running) info->nCancelled = 1;
}

void CSearchSong::EnsureRegistered() {
    // Registered after the facade, so the facade sees "started" before the thread is resumed.
    if (m_bRegistered) return;
    m_bRegistered = AfxGetMessageManager()->Register(kNetSongChannel, this, kObserverInternal) != 0;
}

long CSearchSong::Search(const SearchParam& param) {
    EnsureRegistered();
    if (param.nType == kSearchKeyword) m_history.Add(param);
    std::unique_ptr<SearchThreadInfo> info(new SearchThreadInfo);
    info->lCookie = ++g_cookie;
    info->request = param;
    info->result.param = param;
    info->strPicServer = m_strPicServer;
    info->pOwner = this;
    SearchAddress::Servers servers = m_servers;
    AfxGetConfigManager()->GetString(kVersionSection, kVersionKey, servers.version, "");
    // An installation that never stored its version still names the program's own.
    if (servers.version.empty()) servers.version = m_strProgramVersion;
    info->strUrl = SearchAddress::Build(param, servers);
    HANDLE thread = CreateThread(nullptr, 0, SearchThreadProc, info.get(), CREATE_SUSPENDED, nullptr);
    if (!thread) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "CSearchSong", "CreateThread failed: %lu", GetLastError());
        return 0;
    }
    info->hThread = thread;
    const long cookie = info->lCookie;
    Thread::CAutoCrititalSection lock(g_runningLock);
    g_running.push_back(info.get());
    AfxGetMessageManager()->Post(kNetSongChannel, kMsgThreadCreated, 0,
                                 {Variant::Long(cookie), Variant::Pointer(info.release())});
    return cookie;
}

void CSearchSong::OnThreadCreated(long /*cookie*/, SearchThreadInfo* info) {
    if (info) ResumeThread(static_cast<HANDLE>(info->hThread));
}

bool CSearchSong::IsCancelled(long cookie) {
    Thread::CAutoCrititalSection lock(g_runningLock);
    for (SearchThreadInfo* info : g_running) {
        if (info->lCookie == cookie) return info->nCancelled != 0;
    }
    return false;
}

namespace {

// Marks the matching requests under the lock; the messages go out after it is released, since
// a send may be carried to another thread that waits for this lock.
template <class Match>
void Cancel(Match match, bool report) {
    std::vector<long> cookies;
    {
        Thread::CAutoCrititalSection lock(g_runningLock);
        for (SearchThreadInfo* info : g_running) {
            if (!match(*info) || info->nCancelled) continue;
            info->nCancelled = 1;
            cookies.push_back(info->lCookie);
        }
    }
    if (!report) return;
    for (long cookie : cookies) Send(kMsgThreadCancelled, {Variant::Long(cookie)});
}

}  // namespace

void CSearchSong::CancleSearch(long cookie) {
    Cancel([cookie](const SearchThreadInfo& info) { return info.lCookie == cookie; }, true);
}

void CSearchSong::CancleAllSearch() {
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, "CancleAllSearch", "bOnlyNoSilence");
    Cancel([](const SearchThreadInfo&) { return true; }, true);
}

void CSearchSong::CancleSearchTipWords() {
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, "CSearchSong", "CancleSearchTipWords");
    Cancel([](const SearchThreadInfo& info) { return info.request.nType == kSearchTips; }, false);
}

void CSearchSong::GetSearchHistory(int count, std::vector<SearchParam>& out) {
    m_history.List(count, out);
}

int CSearchSong::ClearSearchHistory() {
    return m_history.Clear();
}

int CSearchSong::AddRecentVideo(const std::string& json, int videoId) {
    return m_recentVideos.Add(json, videoId);
}

int CSearchSong::ClearRecentVideos() {
    return m_recentVideos.Clear();
}

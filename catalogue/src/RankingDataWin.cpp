#include "RankingData.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "OpenItemWin.h"
#include "RankingRules.h"
#include "SingerIndex.h"
#include "catalogue/NetSongData.h"
#include "catalogue/SearchTypes.h"
#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "core/MessageManager.h"
#include "datadef/SongListMgr.h"
#include "http/StreamToFile.h"
#include "http/VxHttpRequestMgr.h"
#include "log/VxMdLog.h"
#include "vxlib/Charset.h"
#include "vxlib/DateTime.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/RankingStoreWin.h"
#include "vxlib/SharedObjectsWin.h"
#include "vxlib/Zip.h"

namespace {

using namespace RankingStore;

const char kLogFile[] = "NetSongData.txt";
const DWORD kFinishWaitMs = 10000;
const char kWebResDir[] = "webres";
const char kNetListGroup[] = "VX_NET_SONG";
const char kRecentShowName[] = "最近播放";
const char kRecentSongsImage[] = "recent.jpg";
const char kRecentVideosImagePath[] = "/star/tags/vpan/video/videorecent.jpg";
const char kPlayerRecentList[] = "\\vixo\\ModuleData\\ModPlayList\\播放列表-列表组2-最近播放.pl";
const uint32_t kRecentVideosId = 49;

#define RANKING_LOG(tag, ...) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, __VA_ARGS__)

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Charset::String2WString(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveFile(const std::string& path) { DeleteFileW(Charset::String2WString(path).c_str()); }

// Holds the ranking mutex for the life of the object (waiting without limit).
class CRankingLock {
public:
    explicit CRankingLock(const char* tag) : m_tag(tag) {
        m_mutex.Reset(SharedObjects::CreateSharedMutex(kMutexName));
        if (!m_mutex.Valid()) {
            RANKING_LOG(m_tag, "CreateMutex failed: %lu", GetLastError());
            return;
        }
        RANKING_LOG(m_tag, "before WaitForSingleObject");
        DWORD wait = WaitForSingleObject(m_mutex.Get(), INFINITE);
        m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        RANKING_LOG(m_tag, "after WaitForSingleObject");
    }
    ~CRankingLock() { Release(); }
    void Release() {
        if (m_owned) {
            RANKING_LOG(m_tag, "before ReleaseMutex");
            ReleaseMutex(m_mutex.Get());
            m_owned = false;
        }
        m_mutex.Reset();
    }

private:
    const char* m_tag;
    CHandle m_mutex;
    bool m_owned = false;
};

bool FetchArchive(const std::string& archive) {
    std::string url = GetServerAddress(kServerDownload) + kArchivePath;
    int error = 0;
    switch (VxHttp::StreamToFile(url.c_str(), archive.c_str(), kReadPart, nullptr, &error)) {
    case VxHttp::STREAM_DONE:
        return true;
    case VxHttp::STREAM_OPEN_FAILED:
        RANKING_LOG("DownloadXml", "OpenRequest %s failed: %d", url.c_str(), error);
        return false;
    case VxHttp::STREAM_FILE_FAILED:
        RANKING_LOG("DownloadXml", "CreateFile %s failed: %d", archive.c_str(), error);
        return false;
    default:
        RANKING_LOG("DownloadXml", "empty archive");
        return false;
    }
}

// Copies the folder's content below `to`, overwriting files.
void CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CopyTree(from + L"\\" + name, to + L"\\" + name);
        } else if (!CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE)) {
            RANKING_LOG("DownloadXml", "copy webres failed: %lu", GetLastError());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

void TraceCopy(void*, CopyStep step, const char* name) {
    switch (step) {
    case kCopyBeforeWait: RANKING_LOG("DownloadXml", "before WaitForSingleObject"); break;
    case kCopyAfterWait: RANKING_LOG("DownloadXml", "after WaitForSingleObject"); break;
    case kCopyBeforeRelease: RANKING_LOG("DownloadXml", "before ReleaseMutex"); break;
    case kCopyFailed: RANKING_LOG("DownloadXml", "copy %s failed", name); break;
    }
}

void CopyIntoDataDir(const std::string& resDir, const std::string& dataDir, const std::vector<std::string>& names) {
    CHandle mutex(SharedObjects::CreateSharedMutex(kMutexName));
    if (!mutex.Valid()) RANKING_LOG("DownloadXml", "CreateMutex failed: %lu", GetLastError());
    CopyUnderMutex(mutex.Get(), resDir, dataDir, names, TraceCopy, nullptr);
}

bool DownloadAttempt(int attempt, const std::string& dataDir) {
    const std::string resDir = dataDir + kUnpackDir;
    const std::string archive = dataDir + kArchiveFile;
    if (attempt > 0 && !FileExists(archive)) {
        Dir::DeleteDir(resDir);
        Dir::MakeDir(resDir);
        RemoveFile(archive);
        if (!FetchArchive(archive)) return false;
    }
    std::vector<std::string> names;
    if (FileExists(archive)) {
        if (!Filezip::UnCompress(archive, resDir, names, false)) {
            RANKING_LOG("DownloadXml", "UnCompress failed");
        }
        RemoveFile(archive);
    }
    if (names.empty()) {
        RANKING_LOG("DownloadXml", "nothing unpacked, attempt %d", attempt);
        return false;
    }
    std::vector<std::string> indexFiles;
    if (!SingerIndex::Build(resDir, indexFiles)) RANKING_LOG("DownloadXml", "singer index incomplete");
    names.insert(names.end(), indexFiles.begin(), indexFiles.end());

    std::string webres = resDir + kWebResDir;
    if (Dir::IsDirectory(webres)) {
        std::string programDir;
        if (Dir::GetVxPath(PATH_PROGRAM, programDir)) {
            CopyTree(Charset::String2WString(webres), Charset::String2WString(programDir + kWebResDir));
        }
    }
    CopyIntoDataDir(resDir, dataDir, names);
    return true;
}

void Download(const std::string& dataDir) {
    RANKING_LOG("DownloadXml", "in");
    for (int attempt = 0; attempt < kDownloadAttempts; ++attempt) {
        if (DownloadAttempt(attempt, dataDir)) break;
        RemoveFile(dataDir + kArchiveFile);
    }
    if (IConfigManager* config = AfxGetConfigManager()) {
        config->SetUInt32(kConfigSection, kConfigLastUpdate, static_cast<uint32_t>(Time::DateTime().GetSeconds()));
    }
    RANKING_LOG("DownloadXml", "out");
}

// Replaces the child by the list of the same name from its network address; false when it
// could not be fetched.
bool FetchNetChild(CNetSongList* child, CSongListMgr* manager) {
    IVxHtchFileMgr* items = AfxGetHtchFileMgr();
    COpenItem item(kNetListGroup, child->GetNetUrl());
    if (!item.IsOpen()) {
        RANKING_LOG("LoadXml", "OpenItem %s failed", child->GetNetUrl().c_str());
        return false;
    }
    std::string xml;
    bool ok = RankingRules::DecodeNetList(
        [items, handle = item.Handle()](char* buffer, int capacity) {
            int length = capacity;
            return items->ReadItem(handle, buffer, &length) ? length : 0;
        },
        xml);
    if (ok && !xml.empty()) {
        CSongListBase* loaded = nullptr;
        ok = manager->LoadSongListFromXmlString(xml, loaded, child->GetName()) && loaded;
        std::unique_ptr<CSongListBase> tree(loaded);
        if (ok) {
            // The loaded document's root carries the child's name too: look below it first.
            CSongListBase* found = nullptr;
            for (CSongListBase* top : tree->GetChildrenVector()) {
                if ((found = top->FindInTree(child->GetName())) != nullptr) break;
            }
            if (!found) found = tree->FindInTree(child->GetName());
            ok = found != nullptr;
            if (ok) *child = *found;
        }
    } else {
        ok = false;
    }
    item.Close(ok ? 1 : 0);
    if (!ok) RANKING_LOG("LoadXml", "net list %s refused", child->GetName().c_str());
    return ok;
}

void FetchNetChildren(CSongListBase* root, CSongListMgr* manager) {
    std::vector<CSongListBase*>& children = root->GetChildrenVector();
    for (size_t i = 0; i < children.size();) {
        CNetSongList* child = dynamic_cast<CNetSongList*>(children[i]);
        if (child && !child->GetNetUrl().empty() && !FetchNetChild(child, manager)) {
            delete child;
            children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        children[i]->SetParent(root);
        ++i;
    }
}

CNetSongList* NewRecentList(const char* name, uint32_t id, uint32_t type, uint32_t count, const std::string& image) {
    CNetSongList* list = new CNetSongList();
    list->SetShowName(kRecentShowName);
    list->SetName(name);
    list->SetId(id);
    list->SetListType(type);
    list->SetCount(count);
    list->SetImage(image);
    return list;
}

void AddRecentLists(CSongListBase* root) {
    int marked = 0;
    for (CSongListBase* base : root->GetChildrenVector()) {
        CNetSongList* child = dynamic_cast<CNetSongList*>(base);
        if (!child) continue;
        if (child->GetShowName() == kProductDisplayName) {
            child->SetListType(kListOwnCategory);
            std::string common;
            Xml::XmlNode playlist;
            if (Dir::GetVxPath(PATH_COMMON_APPDATA, common) && playlist.LoadFile(common + kPlayerRecentList)) {
                child->AddChild(NewRecentList(kRecentSongsListName, 0, kListRecentSongs,
                                              static_cast<uint32_t>(playlist.ChildCount()), kRecentSongsImage),
                                0);
            }
            ++marked;
        } else if (child->GetListType() == kListVideoCategory) {
            child->AddChild(NewRecentList(kRecentVideosListName, kRecentVideosId, kListRecentVideos, 0,
                                          GetServerAddress(kServerImage) + kRecentVideosImagePath),
                            0);
            ++marked;
        }
        if (marked == 2) break;
    }
}

// Hands the loaded tree (null: none could be loaded) to the facade; `sent` records that the
// thread has given its one notice.
void SendTree(CSongListBase* root, bool& sent) {
    sent = true;
    VariantList args{Variant::Pointer(root)};
    IMessageManager* messages = AfxGetMessageManager();
    if (!messages || !messages->Send(kNetSongChannel, kMsgTreeLoaded, args)) {
        // Not deleted: part of the delivery may have happened and a receiver may own it now.
        RANKING_LOG("LoadXml", "send failed");
    }
}

// Loads the tree under the ranking mutex and sends it; a tree that cannot be loaded removes the
// data so that the next start downloads anew.
bool Load(const std::string& dataDir, CSongListMgr* manager, bool& sent) {
    RANKING_LOG("LoadXml", "in");
    CRankingLock lock("LoadXml");
    CSongListBase* loaded = nullptr;
    if (!manager->LoadSongListFromXmlFile(dataDir + kRootFile, loaded) || !loaded) {
        RANKING_LOG("LoadXml", "load %s failed", kRootFile);
        Dir::DeleteDir(dataDir);
        RANKING_LOG("LoadXml", "out");
        return false;
    }
    std::unique_ptr<CSongListBase> root(loaded);
    FetchNetChildren(root.get(), manager);
    AddRecentLists(root.get());
    // Released before the send: the receiver's thread must never wait on a lock we hold.
    lock.Release();
    SendTree(root.release(), sent);
    RANKING_LOG("LoadXml", "out");
    return true;
}

void RunRanking(CSongListMgr* manager, bool& sent) {
    RANKING_LOG("GetXmlThread", "in");
    std::string dataDir;
    if (!Dir::GetVxPath(PATH_RANKING, dataDir)) {
        RANKING_LOG("GetXmlThread", "no data directory");
        return;
    }
    uint32_t lastUpdate = 0;
    if (IConfigManager* config = AfxGetConfigManager()) config->GetUInt32(kConfigSection, kConfigLastUpdate, lastUpdate, 0);
    bool fresh = RankingRules::IsFresh(lastUpdate, Time::DateTime());
    if (!fresh) RANKING_LOG("NeedForceUpdate", "LastUpdateTime %u", lastUpdate);
    if (fresh && FileExists(dataDir + kRootFile) && Load(dataDir, manager, sent)) {
        RANKING_LOG("GetXmlThread", "out");
        return;
    }

    RANKING_LOG("GetXmlThread", "before StartMdService");
    bool existed = false;
    CHandle finish(SharedObjects::CreateSharedEvent(kFinishEventName, false, false, &existed));
    if (!finish.Valid()) RANKING_LOG("GetXmlThread", "CreateEvent failed: %lu", GetLastError());
    if (finish.Valid() && existed) {
        RANKING_LOG("GetXmlThread", "ERROR_ALREADY_EXISTS");
        if (WaitForSingleObject(finish.Get(), kFinishWaitMs) != WAIT_OBJECT_0) {
            RANKING_LOG("GetXmlThread", "WAIT_OBJECT_0");
            Download(dataDir);
        }
    } else {
        RANKING_LOG("GetXmlThread", "not ERROR_ALREADY_EXISTS");
        Download(dataDir);
    }
    RANKING_LOG("GetXmlThread", "before 2 LoadXml");
    if (!Load(dataDir, manager, sent)) SendTree(nullptr, sent);
    finish.Reset();
    RANKING_LOG("GetXmlThread", "out");
}

DWORD WINAPI RankingThread(LPVOID param) {
    bool sent = false;
    try {
        RunRanking(static_cast<CSongListMgr*>(param), sent);
    } catch (const std::exception& e) {
        RANKING_LOG("GetXmlThread", "exception: %s", e.what());
    } catch (...) {
        RANKING_LOG("GetXmlThread", "exception");
    }
    // Without a tree or the notice of none the program shows "loading" for ever.
    if (!sent) {
        try {
            SendTree(nullptr, sent);
        } catch (...) {
        }
    }
    return 0;
}

}  // namespace

HANDLE CRankingData::StartThread(CSongListMgr* manager) {
    if (!manager) return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, RankingThread, manager, 0, nullptr);
    if (!thread) RANKING_LOG("GetXmlThread", "CreateThread failed: %lu", GetLastError());
    return thread;
}

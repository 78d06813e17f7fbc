#include "RankingRefreshWin.h"

#include <process.h>

#include <cerrno>
#include <string>

#include "HandlerLogWin.h"
#include "HandlerRules.h"
#include "SingerLists.h"
#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "http/StreamToFile.h"
#include "vxlib/DateTime.h"
#include "vxlib/Dir.h"
#include "vxlib/RankingStoreWin.h"
#include "vxlib/SharedObjectsWin.h"
#include "vxlib/System.h"
#include "vxlib/Zip.h"

using namespace RankingStore;

struct CRankingRefresh::Shared {
    CHandle mutex;
    volatile LONG abort = 0;
    bool Aborted() const { return abort != 0; }
};

namespace {

struct Paths {
    std::string data, root, archive, unpack;
    bool Resolve() {
        if (!Dir::GetVxPath(PATH_RANKING, data)) return false;
        root = data + kRootFile;
        archive = data + kArchiveFile;
        unpack = data + kUnpackDir;
        return true;
    }
};

// "CanUpdateBangDan": the main program would be reading the files we replace.
bool CopyAllowed(const Paths& paths) {
    bool allowed = !System::IsProcessExist(HandlerRules::kMainProgram) || !Dir::IsExistFile(paths.root);
    HANDLER_LOG("CanUpdateBangDan", "%s", allowed ? "true" : "false");
    return allowed;
}

void TraceCopy(void*, CopyStep step, const char* name) {
    switch (step) {
        case kCopyBeforeWait: HANDLER_LOG("CopyBangDan", "before WaitForSingleObject"); break;
        case kCopyAfterWait: HANDLER_LOG("CopyBangDan", "in WaitForSingleObject"); break;
        case kCopyBeforeRelease: HANDLER_LOG("CopyBangDan", "before ReleaseMutex"); break;
        case kCopyFailed: HANDLER_LOG("CopyBangDan", "copy %s failed", name); break;
    }
}

// "CopyBangDan". `finishEvent`: the download thread's own event, signalled once the copy is done;
// null on the message thread.
void CopyBangDan(CRankingRefresh::Shared& shared, const Paths& paths, HANDLE finishEvent) {
    HANDLER_LOG("CopyBangDan", "in");
    if (!Dir::IsExistFile(paths.archive)) return;
    std::vector<std::string> names;
    // Strict: an archive with any entry that would land outside the unpack folder is refused whole.
    if (!Filezip::UnCompress(paths.archive, paths.unpack, names, true)) {
        HANDLER_LOG("CopyBangDan", "UnCompress failed");
        Dir::DeleteDir(paths.unpack);
        Dir::MakeDir(paths.unpack);
    }
    Dir::RemoveFile(paths.archive);
    if (names.empty() || shared.Aborted()) return;

    std::vector<std::string> lists;
    if (SingerLists::Build(paths.unpack, lists) == SingerLists::kUnreadableSingers) {
        // The catalogue keeps the singer lists it has rather than getting empty ones.
        HANDLER_LOG("CopyBangDan", "%s does not load", kSingerFile);
        return;
    }
    names.insert(names.end(), lists.begin(), lists.end());

    CopyUnderMutex(shared.mutex.Get(), paths.unpack, paths.data, names, TraceCopy, nullptr);
    if (IConfigManager* config = AfxGetConfigManager()) {
        config->SetUInt32(kConfigSection, kConfigLastUpdate, static_cast<uint32_t>(Time::DateTime().GetSeconds()));
    }
    HANDLER_LOG("CopyBangDan", "after ReleaseMutex");
    if (finishEvent) {
        SetEvent(finishEvent);
        HANDLER_LOG("CopyBangDan", "after SetEvent");
    }
    HANDLER_LOG("CopyBangDan", "out");
}

// The message thread installs nothing while a refresh runs (ours or the catalogue's): the
// archive may be half written, and the unpack folder is the refresher's.
bool RefreshRunning() {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, kFinishEventName);
    if (!event) return false;
    CloseHandle(event);
    return true;
}

void DownloadAndCopy(CRankingRefresh::Shared& shared) {
    const char* tag = "Thread_DownBangDan";
    HANDLER_LOG(tag, "start");
    Paths paths;
    if (!paths.Resolve()) {
        HANDLER_LOG(tag, "no data directory");
        return;
    }
    bool existed = false;
    CHandle finish(SharedObjects::CreateSharedEvent(kFinishEventName, false, false, &existed));
    if (!finish.Valid()) {
        HANDLER_LOG(tag, "CreateEvent failed: %lu", GetLastError());
        return;
    }
    if (existed) {
        HANDLER_LOG(tag, "ERROR_ALREADY_EXISTS return");
        return;
    }
    HANDLER_LOG(tag, "after CreateEvent");
    const std::string url = GetServerAddress(kServerDownload) + kArchivePath;
    for (int attempt = 0; attempt < kDownloadAttempts && !shared.Aborted(); ++attempt) {
        Dir::DeleteDir(paths.unpack);
        Dir::MakeDir(paths.unpack);
        Dir::RemoveFile(paths.archive);
        int error = 0;
        VxHttp::StreamResult result =
            VxHttp::StreamToFile(url.c_str(), paths.archive.c_str(), kReadPart, &shared.abort, &error);
        if (result == VxHttp::STREAM_STOPPED) {
            HANDLER_LOG(tag, "aborted");
            break;
        }
        if (result != VxHttp::STREAM_DONE) {
            HANDLER_LOG(tag, "attempt %d failed: %d, error %d", attempt + 1, static_cast<int>(result), error);
            continue;
        }
        if (CopyAllowed(paths) && !shared.Aborted()) CopyBangDan(shared, paths, finish.Get());
        break;
    }
    HANDLER_LOG(tag, "before CloseHandle");
    finish.Reset();
    HANDLER_LOG(tag, "end");
}

struct ThreadStart {
    std::shared_ptr<CRankingRefresh::Shared> shared;
};

unsigned __stdcall DownloadThread(void* param) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
    try {
        DownloadAndCopy(*start->shared);
    } catch (...) {
        HANDLER_LOG("Thread_DownBangDan", "exception");
    }
    return 0;
}

}  // namespace

CRankingRefresh::CRankingRefresh() : m_shared(std::make_shared<Shared>()) {
    m_shared->mutex.Reset(SharedObjects::CreateSharedMutex(kMutexName));
    if (!m_shared->mutex.Valid()) HANDLER_LOG("CMsgHandler", "CreateMutex failed: %lu", GetLastError());
}

CRankingRefresh::~CRankingRefresh() { Shutdown(0); }

void CRankingRefresh::Check() {
    Paths paths;
    if (!m_shared || !paths.Resolve()) return;
    if (!RefreshRunning() && CopyAllowed(paths)) CopyBangDan(*m_shared, paths, nullptr);

    uint32_t lastUpdate = 0;
    if (IConfigManager* config = AfxGetConfigManager())
        config->GetUInt32(kConfigSection, kConfigLastUpdate, lastUpdate, 0);
    if (HandlerRules::RefreshedToday(lastUpdate, Time::DateTime()) && Dir::IsExistFile(paths.root)) return;

    // Finished threads leave the list, so that Shutdown waits only for running ones.
    for (auto it = m_threads.begin(); it != m_threads.end();) {
        it = WaitForSingleObject(it->Get(), 0) == WAIT_OBJECT_0 ? m_threads.erase(it) : it + 1;
    }
    if (m_threads.size() >= MAXIMUM_WAIT_OBJECTS) return;
    auto* start = new ThreadStart{m_shared};
    uintptr_t thread = _beginthreadex(nullptr, 0, DownloadThread, start, 0, nullptr);
    if (!thread) {
        HANDLER_LOG("CheckBangDan", "_beginthreadex failed: %d", errno);
        delete start;
        return;
    }
    m_threads.emplace_back(reinterpret_cast<HANDLE>(thread));
}

void CRankingRefresh::InstallArchive() {
    Paths paths;
    if (!m_shared || !paths.Resolve()) return;
    if (RefreshRunning()) {
        HANDLER_LOG("CopyBangDan", "a refresh runs");
        return;
    }
    CopyBangDan(*m_shared, paths, nullptr);
}

void CRankingRefresh::Shutdown(DWORD waitMs) {
    if (!m_shared) return;
    InterlockedExchange(&m_shared->abort, 1);
    std::vector<HANDLE> running;
    for (const CHandle& thread : m_threads) running.push_back(thread.Get());
    if (!running.empty()) {
        WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), TRUE, waitMs);
    }
    m_threads.clear();
    m_shared.reset();
}

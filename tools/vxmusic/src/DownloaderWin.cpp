#include "PlayerWin.h"

#include <cstdlib>
#include <memory>

#include "config/ServerAddress.h"
#include "datadef/SongInfo.h"
#include "http/VxHttpRequestMgr.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/UrlEncode.h"
#include "vxlib/Xml.h"

using StringUtility::Format;

std::string DownloadFolder() {
    std::string common;
    if (!Dir::GetVxPath(PATH_COMMON_APPDATA, common)) return std::string();
    std::string folder = common + "\\vixo\\VxMusic\\Download\\";
    Dir::MakeDir(folder);
    return folder;
}

bool ParseDownloadMission(long number, const std::string& text, std::vector<DownloadFile>& files) {
    files.clear();
    Xml::XmlNode root;
    if (!root.LoadStringA(text) || root.GetName() != "pl" || root.GetAttr("action") != "download") return false;
    bool preferMp3 = root.GetAttr("downtype") == "mp3";
    for (auto it = root.ChildBegin(); it != root.ChildEnd(); ++it) {
        if (it->GetName() != "so") continue;
        CNetSongInfo song;
        if (!song.LoadFromXml(*it)) continue;
        const CNetResource* res = preferMp3 && song.GetMP3() ? song.GetMP3() : song.GetWMA();
        bool mp3 = res && res == song.GetMP3();
        DownloadFile file;
        file.mission = number;
        file.ext = mp3 ? "mp3" : "wma";
        if (res) {
            file.sign1 = res->GetSign().a;
            file.sign2 = res->GetSign().b;
            file.rid = res->GetRid();
            file.size = res->GetFileSize();
        }
        files.push_back(file);
    }
    return true;
}

Downloader::Downloader(const PlayerMode& mode) : m_mode(mode) {
    m_thread = std::thread([this] { Run(); });
}

Downloader::~Downloader() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
        ++m_generation;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Downloader::Enqueue(std::vector<DownloadFile> files) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_queue.push_back(Batch{std::move(files), m_generation});
    }
    m_wake.notify_all();
}

void Downloader::Cancel() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_queue.clear();
    ++m_generation;
}

bool Downloader::Busy() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_running || !m_queue.empty();
}

bool Downloader::Cancelled(unsigned int generation) {
    std::lock_guard<std::mutex> lock(m_lock);
    return generation != m_generation;
}

void Downloader::Run() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            batch = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = true;
        }
        RunBatch(batch);
        std::lock_guard<std::mutex> lock(m_lock);
        m_running = false;
    }
}

static std::string Signs(const DownloadFile& f) {
    return Format("%ld|%u|%u", f.mission, f.sign1, f.sign2);
}

// One file per resource: a resource fetched again replaces its earlier copy.
static std::string LocalPath(const DownloadFile& f) {
    return DownloadFolder() + Format("%u_%u.", f.sign1, f.sign2) + f.ext;
}

void Downloader::RunBatch(const Batch& batch) {
    if (m_mode.kind == PlayerMode::kSilent || batch.files.empty()) return;
    if (m_mode.kind == PlayerMode::kTooMany) {
        SendDownState("toomany");
        return;
    }
    for (size_t i = 0; i < batch.files.size(); ++i) {
        if (Cancelled(batch.generation)) return;
        const DownloadFile& file = batch.files[i];
        if (m_mode.kind == PlayerMode::kFail && static_cast<int>(i + 1) == m_mode.failAt) {
            SendDownState(Format("start|%s|%u|%s", Signs(file).c_str(), file.size,
                                 LocalPath(file).c_str()));
            SendDownState("failed|" + Signs(file));
            continue;
        }
        bool exitMid = m_mode.kind == PlayerMode::kExitMid && (i == 1 || batch.files.size() == 1);
        if (DownloadOne(file, batch.generation, exitMid) < 0) return;
        if (m_mode.kind == PlayerMode::kStop) {
            SendDownState("stop");
            LeaveProcess(0);
        }
    }
}

namespace {

class FileOut {
public:
    explicit FileOut(const std::string& path)
        : m_h(CreateFileW(Charset::String2WString(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~FileOut() { Close(); }
    bool Ok() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Write(const char* data, int size) {
        DWORD n = 0;
        return WriteFile(m_h, data, static_cast<DWORD>(size), &n, nullptr) && n == static_cast<DWORD>(size);
    }
    void Close() {
        if (Ok()) CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_h;
};

struct RequestHandle {
    int handle = 0;
    ~RequestHandle() {
        if (handle) AfxGetHttpRequestMgr()->CloseRequest(handle);
    }
};

}  // namespace

int Downloader::DownloadOne(const DownloadFile& file, unsigned int generation, bool exitAfterStart) {
    std::string local = LocalPath(file);
    std::string url = GetServerAddress(kServerDownload) + "/vxres/" + UrlEncode::EncodeQuery(file.rid) +
                      Format("?size=%u", file.size);
    if (const char* pace = std::getenv("VX_PLAYER_PACE_MS")) url += std::string("&pace_ms=") + pace;

    IVxHttpRequestMgr* http = AfxGetHttpRequestMgr();
    RequestHandle request;
    int error = 0, status = 0;
    long long length = -1;
    if (file.rid.empty() || !http->OpenRequest(url.c_str(), 0, "", &request.handle, &error, 0)) {
        SendDownState(Format("start|%s|%u|%s", Signs(file).c_str(), file.size, local.c_str()));
        SendDownState("failed|" + Signs(file));
        return 0;
    }
    http->GetReplyInfo(request.handle, &status, &length);
    if (length < 0) length = file.size;  // not announced: trust the catalogue
    FileOut out(local);
    SendDownState(Format("start|%s|%lld|%s", Signs(file).c_str(), length, local.c_str()));
    if (exitAfterStart) LeaveProcess(3);
    if (!out.Ok()) {
        SendDownState("failed|" + Signs(file));
        return 0;
    }

    // A progress message each time the file passes another fifth.
    DWORD began = GetTickCount();
    long long done = 0;
    int nextStep = 20;
    char buf[16384];
    for (;;) {
        if (Cancelled(generation)) {
            out.Close();
            DeleteFileW(Charset::String2WString(local).c_str());
            return -1;
        }
        int n = sizeof buf;
        if (!http->ReadPart(request.handle, buf, &n, &error) || !out.Write(buf, n)) {
            out.Close();
            DeleteFileW(Charset::String2WString(local).c_str());
            SendDownState("failed|" + Signs(file));
            return 0;
        }
        if (n == 0) break;
        done += n;
        int percent = length > 0 ? static_cast<int>(done * 100 / length) : 100;
        if (percent > 100) percent = 100;
        if (percent >= nextStep) {
            DWORD ms = GetTickCount() - began;
            long long speed = done * 1000 / (ms ? ms : 1);
            SendDownState(Format("progress|%s|%d|%lld", Signs(file).c_str(), percent, speed));
            nextStep = (percent / 20 + 1) * 20;
        }
    }
    out.Close();
    if (done != length) {
        DeleteFileW(Charset::String2WString(local).c_str());
        SendDownState("failed|" + Signs(file));
        return 0;
    }
    if (nextStep <= 100) SendDownState(Format("progress|%s|100|0", Signs(file).c_str()));  // an empty file
    SendDownState("finish|" + Signs(file));
    return 1;
}

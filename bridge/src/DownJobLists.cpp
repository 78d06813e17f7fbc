#include "DownJobLists.h"

#include <climits>
#include <cmath>
#include <sstream>

#include "datadef/Resource.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Dir.h"

namespace {

bool Matches(const DownJob& job, int mission, const Sign& sign) {
    return job.mission == mission && job.sign == sign;
}

// Moves the jobs `pick` selects from `from` to the end of `to`, keeping their order.
template <class Pick>
size_t MoveIf(std::list<DownJob>& from, std::list<DownJob>& to, Pick pick) {
    size_t moved = 0;
    for (auto it = from.begin(); it != from.end();) {
        auto next = std::next(it);
        if (pick(*it)) {
            to.splice(to.end(), from, it);
            ++moved;
        }
        it = next;
    }
    return moved;
}

void DestroySongs(std::list<DownJob>& jobs) {
    for (DownJob& job : jobs) delete job.song;
    jobs.clear();
}

unsigned Clamp32(long long value) {
    if (value < 0) return 0;
    if (value > static_cast<long long>(UINT_MAX)) return UINT_MAX;
    return static_cast<unsigned>(value);
}

}  // namespace

DownFinishSummary::DownFinishSummary() : failedSongs(new CNetSongList), finishedSongs(new CNetSongList) {}
DownFinishSummary::~DownFinishSummary() = default;

void CDownJobLists::Add(const CSongListBase& list, const std::string& folder, int mission, int quality) {
    for (const CSongInfoBase* song : list.GetSongInfoVector()) {
        if (!song) continue;
        const CNetResource* res = nullptr;
        bool mp3 = false;
        if (quality == 4 && song->GetMP3()) {
            res = song->GetMP3();
            mp3 = true;
        } else {
            res = song->GetWMA();
        }
        if (!res) continue;
        DownJob job;
        job.mission = mission;
        job.sign = res->GetSign();
        job.size = static_cast<int>(res->GetFileSize());
        job.song = song->Clone();
        // The caller's list goes away after the call; the copy must not point into it.
        job.song->SetParent(nullptr);
        // The name comes from a server: it must neither fail the copy nor leave the folder.
        const std::string name = job.song->GetName() + "-" + job.song->GetArtist() + (mp3 ? ".mp3" : ".wma");
        job.target = folder + Dir::SafeFileName(name);
        m_waiting.push_back(std::move(job));
    }
}

bool CDownJobLists::MoveMissionToFailed(int mission, bool& over) {
    size_t moved = MoveIf(m_waiting, m_failed, [mission](const DownJob& job) { return job.mission == mission; });
    over = !Busy();
    return moved > 0;
}

void CDownJobLists::MoveAllToFailed() {
    m_failed.splice(m_failed.end(), m_waiting);
    m_failed.splice(m_failed.end(), m_downing);
}

void CDownJobLists::Clear() {
    DestroySongs(m_waiting);
    DestroySongs(m_downing);
    DestroySongs(m_finished);
    DestroySongs(m_failed);
}

void CDownJobLists::FillStartInfo(const DownJob& job, unsigned total, DownStartInfo& info) const {
    info.name = Dir::GetShortFileName(job.target);
    info.folder = Dir::GetFilePath(job.target);
    info.total = total;
    info.index = static_cast<unsigned>(m_finished.size() + m_failed.size() + 1);
}

bool CDownJobLists::Start(int mission, const Sign& sign, int size, const std::string& localPath, DownStartInfo& next) {
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        auto following = std::next(it);
        if (Matches(*it, mission, sign)) {
            it->size = size;
            it->localPath = localPath;
            m_downing.splice(m_downing.end(), m_waiting, it);
        }
        it = following;
    }
    if (m_downing.empty()) return false;
    unsigned total = static_cast<unsigned>(m_waiting.size() + m_downing.size() + m_finished.size() + m_failed.size());
    FillStartInfo(m_downing.front(), total, next);
    return true;
}

bool CDownJobLists::IsDowning(int mission, const Sign& sign) const {
    for (const DownJob& job : m_downing)
        if (Matches(job, mission, sign)) return true;
    return false;
}

bool CDownJobLists::Progress(int mission, const Sign& sign, int percent, int speed, DownProgressInfo& out) {
    bool found = false;
    for (DownJob& job : m_downing) {
        if (!Matches(job, mission, sign)) continue;
        found = true;
        // 64 bits: percent times a large file's size overflows 32.
        long long done = static_cast<long long>(percent) * job.size / 100;
        job.done = done > INT_MAX ? INT_MAX : (done < INT_MIN ? INT_MIN : static_cast<int>(done));
        job.speed = speed;
    }
    if (!found) return false;
    long long done = 0;
    long long total = 0;
    long long currentSpeed = 0;
    for (const DownJob& job : m_finished) done += job.size, total += job.size;
    for (const DownJob& job : m_failed) done += job.size, total += job.size;
    for (const DownJob& job : m_downing) done += job.done, total += job.size, currentSpeed += job.speed;
    for (const DownJob& job : m_waiting) total += job.size;
    out.done = Clamp32(done);
    out.total = Clamp32(total);
    out.speed = currentSpeed > INT_MAX ? INT_MAX : (currentSpeed < INT_MIN ? INT_MIN : static_cast<int>(currentSpeed));
    return true;
}

DownFinishOutcome CDownJobLists::Finish(int mission, const Sign& sign, const ExistsFn& exists, const CopyFn& copy,
                                        DownStartInfo& next) {
    for (auto it = m_downing.begin(); it != m_downing.end();) {
        auto following = std::next(it);
        if (Matches(*it, mission, sign)) {
            it->done = it->size;
            std::string destination = MakeUniqueFileName(it->target, exists);
            if (copy(it->localPath, destination)) {
                CLocalResource* local = new CLocalResource;
                local->SetPath(it->target);
                it->song->SetLocalRes(local);
                m_finished.splice(m_finished.end(), m_downing, it);
            } else {
                m_failed.splice(m_failed.end(), m_downing, it);
            }
        }
        it = following;
    }
    if (!m_downing.empty()) return DownFinishOutcome::kStillDowning;
    if (!m_waiting.empty()) {
        unsigned total = static_cast<unsigned>(m_finished.size() + m_failed.size() + m_waiting.size());
        FillStartInfo(m_waiting.front(), total, next);
        return DownFinishOutcome::kStartNext;
    }
    return DownFinishOutcome::kSummary;
}

bool CDownJobLists::Failed(int mission, const Sign& sign, bool& over) {
    size_t moved = MoveIf(m_downing, m_failed, [&](DownJob& job) {
        if (!Matches(job, mission, sign)) return false;
        job.speed = job.done = job.size = 0;
        return true;
    });
    over = !Busy();
    return moved > 0;
}

void CDownJobLists::ForceStop() {
    for (DownJob& job : m_downing) job.speed = job.done = job.size = 0;
    m_failed.splice(m_failed.end(), m_downing);
    m_failed.splice(m_failed.end(), m_waiting);
}

std::unique_ptr<DownFinishSummary> CDownJobLists::TakeSummary() {
    std::unique_ptr<DownFinishSummary> summary(new DownFinishSummary);
    summary->finished = static_cast<unsigned>(m_finished.size());
    summary->failed = static_cast<unsigned>(m_failed.size());
    summary->total = summary->finished + summary->failed;
    for (DownJob& job : m_finished) {
        summary->targets.push_back(job.target);
        summary->finishedSongs->GetSongInfoVector().push_back(job.song);
        job.song = nullptr;
    }
    for (DownJob& job : m_failed) {
        summary->failedSongs->GetSongInfoVector().push_back(job.song);
        job.song = nullptr;
    }
    // Jobs still pending when a failure step ends the download are dropped with their songs.
    Clear();
    return summary;
}

std::string MakeUniqueFileName(const std::string& target, const CDownJobLists::ExistsFn& exists) {
    if (!exists(target)) return target;
    size_t dot = target.rfind('.');
    std::string stem = dot == std::string::npos ? target : target.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : target.substr(dot);
    std::string candidate;
    for (int n = 1; n <= 99; ++n) {
        candidate = stem + "(" + std::to_string(n) + ")" + ext;
        if (!exists(candidate)) break;
    }
    return candidate;
}

long long ParseDownNumber(const std::string& field) {
    std::istringstream in(field);
    double value = 0;
    if (!(in >> value) || !std::isfinite(value)) return 0;
    if (value >= 9.2e18 || value <= -9.2e18) return 0;
    return static_cast<long long>(value);  // truncates toward zero
}

int ParseDownInt(const std::string& field) {
    long long value = ParseDownNumber(field);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

uint32_t ParseDownSignWord(const std::string& field) {
    return static_cast<uint32_t>(static_cast<unsigned long long>(ParseDownNumber(field)));
}

unsigned CSpeedWindow::Add(int speed) {
    m_cells[10] = speed;
    for (int i = 0; i < 10; ++i) m_cells[i] = m_cells[i + 1];
    unsigned sum = 0;
    for (int i = 0; i < 10; ++i) sum += static_cast<unsigned>(m_cells[i]);
    return sum / 10;
}

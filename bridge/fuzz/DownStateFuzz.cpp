// The player's reports on the down-state pipe (start, progress, finish, failed, toomany, stop), one
// pipe read each, applied to the download jobs the way the job manager's translate thread does.
// Reads are separated by the NUL that ends each of them; a last read without one is cut as the
// product cuts it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "DownJobLists.h"
#include "DownStateMessage.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

CNetResource* Resource(uint32_t a, uint32_t b, uint32_t size) {
    CNetResource* res = new CNetResource;
    res->SetSign(Sign(a, b));
    res->SetFileSize(size);
    return res;
}

// Mission 3 prefers MP3, mission 7 WMA; songs with WMA (10,1), (11,1), (12,1), one with MP3 (20,2).
void AddJobs(CDownJobLists& lists) {
    CNetSongList list;
    const struct {
        const char* name;
        uint32_t wma, mp3;
    } songs[] = {{"a", 10, 0}, {"b", 11, 20}, {"c/..\\d", 12, 0}};
    for (const auto& s : songs) {
        CNetSongInfo* song = new CNetSongInfo;
        song->SetName(s.name);
        song->SetArtist("x");
        song->SetWMA(Resource(s.wma, 1, 1000));
        if (s.mp3) song->SetMP3(Resource(s.mp3, 2, 3000));
        list.AddSongInfo(song);
    }
    lists.Add(list, "C:\\down\\", 3, 4);
    lists.Add(list, "C:\\down\\", 7, 3);
}

void Apply(CDownJobLists& lists, CSpeedWindow& speeds, const DownStateMessage& m) {
    // Files named "...(2).wma" and below exist; a local path ending in "x" cannot be copied.
    auto exists = [](const std::string& path) { return path.find("(3)") == std::string::npos; };
    auto copy = [](const std::string& from, const std::string&) { return from.empty() || from.back() != 'x'; };
    std::unique_ptr<DownFinishSummary> summary;
    switch (m.kind) {
    case DownStateMessage::kStart: {
        DownStartInfo info;
        lists.Start(m.mission, m.sign, m.size, m.localPath, info);
        break;
    }
    case DownStateMessage::kProgress: {
        DownProgressInfo progress;
        if (lists.Progress(m.mission, m.sign, m.percent, m.speed, progress)) speeds.Add(progress.speed);
        break;
    }
    case DownStateMessage::kFinish: {
        if (!lists.IsDowning(m.mission, m.sign)) break;
        DownStartInfo next;
        if (lists.Finish(m.mission, m.sign, exists, copy, next) == DownFinishOutcome::kSummary)
            summary = lists.TakeSummary();
        break;
    }
    case DownStateMessage::kFailed: {
        bool over = false;
        if (lists.Failed(m.mission, m.sign, over) && over) summary = lists.TakeSummary();
        break;
    }
    case DownStateMessage::kTooMany:
    case DownStateMessage::kStop:
        lists.ForceStop();
        summary = lists.TakeSummary();
        break;
    default:
        break;
    }
    // The next download mission brings new jobs.
    if (summary) AddJobs(lists);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDownJobLists lists;
    CSpeedWindow speeds;
    AddJobs(lists);
    const char* text = reinterpret_cast<const char*>(data);
    size_t at = 0;
    while (at < size) {
        const void* nul = std::memchr(text + at, '\0', size - at);
        const size_t end = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) + 1 : size;
        const DownStateMessage m = ParseDownState(DownStateText(text + at, end - at));
        if (m.complete) Apply(lists, speeds, m);
        at = end;
    }
    return 0;
}

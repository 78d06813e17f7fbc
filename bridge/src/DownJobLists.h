#pragma once
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "datadef/DataDefTypes.h"

class CSongInfoBase;
class CSongListBase;
class CNetSongList;

// One file the player was asked to download.
struct DownJob {
    int mission = 0;
    Sign sign;
    int speed = 0;
    int done = 0;
    CSongInfoBase* song = nullptr;  // a clone, owned by the job lists
    int size = 0;
    std::string target;     // where the user wants the file
    std::string localPath;  // where the player put it
};

// What the "start of a file" notification carries.
struct DownStartInfo {
    std::string name;
    unsigned index = 0;
    unsigned total = 0;
    std::string folder;
};

// Byte counts after a progress report; done and total are clamped to 32 bits.
struct DownProgressInfo {
    unsigned done = 0;
    unsigned total = 0;
    int speed = 0;  // summed over the downing jobs
};

// The end of a download: every job detached from the lists. The two song lists own the songs, so
// destroying the summary destroys them; the pointers stay valid for as long as it lives.
struct DownFinishSummary {
    DownFinishSummary();
    ~DownFinishSummary();
    DownFinishSummary(const DownFinishSummary&) = delete;
    DownFinishSummary& operator=(const DownFinishSummary&) = delete;

    unsigned total = 0;
    unsigned finished = 0;
    unsigned failed = 0;
    std::vector<std::string> targets;  // of the finished jobs, as asked for (not de-duplicated)
    std::unique_ptr<CNetSongList> failedSongs;
    std::unique_ptr<CNetSongList> finishedSongs;
};

enum class DownFinishOutcome {
    kStillDowning,  // other files are still on their way
    kStartNext,     // nothing downing, a waiting job is next: notify its start
    kSummary,       // nothing pending: the download is over
};

// The four job lists and their transitions. Not thread-safe: the job manager holds its lock
// around every call. File access goes through the callbacks so that the rules stay portable.
class CDownJobLists {
public:
    typedef std::function<bool(const std::string& path)> ExistsFn;
    typedef std::function<bool(const std::string& from, const std::string& to)> CopyFn;  // fails if `to` exists

    CDownJobLists() = default;
    ~CDownJobLists() { Clear(); }
    CDownJobLists(const CDownJobLists&) = delete;
    CDownJobLists& operator=(const CDownJobLists&) = delete;

    // quality 4 takes the MP3 resource when the song has one, anything else the WMA resource;
    // songs without the chosen resource are skipped.
    void Add(const CSongListBase& list, const std::string& folder, int mission, int quality);
    // Waiting jobs of the mission fail with their sizes kept. False when none moved; otherwise
    // `over` tells whether nothing is pending any more.
    bool MoveMissionToFailed(int mission, bool& over);
    void MoveAllToFailed();
    // Forgets every job, destroying the songs.
    void Clear();

    // Matching waiting jobs start; `next` describes the first downing job. False when none downs.
    bool Start(int mission, const Sign& sign, int size, const std::string& localPath, DownStartInfo& next);
    // False when no downing job matches.
    bool Progress(int mission, const Sign& sign, int percent, int speed, DownProgressInfo& out);
    // Copies every matching downing job's file to a free name beside its target. `next` is filled
    // for kStartNext.
    DownFinishOutcome Finish(int mission, const Sign& sign, const ExistsFn& exists, const CopyFn& copy,
                             DownStartInfo& next);
    // Matching downing jobs fail with speed, done and size 0. False when none matched; otherwise
    // `over` tells whether nothing is pending any more.
    bool Failed(int mission, const Sign& sign, bool& over);
    // Downing jobs fail as with Failed, waiting ones with their sizes kept.
    void ForceStop();
    // Detaches every job into the summary; the lists are empty afterwards.
    std::unique_ptr<DownFinishSummary> TakeSummary();

    bool IsDowning(int mission, const Sign& sign) const;
    bool Busy() const { return !m_waiting.empty() || !m_downing.empty(); }
    const std::list<DownJob>& Waiting() const { return m_waiting; }
    const std::list<DownJob>& Downing() const { return m_downing; }
    const std::list<DownJob>& Finished() const { return m_finished; }
    const std::list<DownJob>& FailedJobs() const { return m_failed; }

private:
    void FillStartInfo(const DownJob& job, unsigned total, DownStartInfo& info) const;

    std::list<DownJob> m_waiting;
    std::list<DownJob> m_downing;  // s_lstDowning
    std::list<DownJob> m_finished;
    std::list<DownJob> m_failed;
};

// The target itself when free, else "stem(n).ext" for the first free n of 1..99 (99 when all
// are taken). The extension starts at the last "."; without one it is empty.
std::string MakeUniqueFileName(const std::string& target, const CDownJobLists::ExistsFn& exists);

// A field of a down-state message as a number: read as floating point and truncated toward zero;
// text that is no number, and numbers beyond 64 bits, give 0.
long long ParseDownNumber(const std::string& field);
int ParseDownInt(const std::string& field);        // clamped to the 32-bit range
uint32_t ParseDownSignWord(const std::string& field);

// Averages the speed over the last ten reports.
class CSpeedWindow {
public:
    unsigned Add(int speed);

private:
    int m_cells[11] = {};
};

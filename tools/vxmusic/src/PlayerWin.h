#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The stand-in desktop player: the player's side of the client's command lines and pipes.

// One command line, from the process's own start or forwarded by a later start.
struct PlayerCommand {
    enum Kind { kUnknown, kPlay, kDownload, kCancel, kPlayIco, kQuit };
    Kind kind = kUnknown;
    std::string text;   // the command line as received, trimmed
    std::string verb;   // "playsong", "playmv", "playadd", "download", "playico", "quit"
    std::string arg;    // what follows the "|"
    long mission = 0;   // kPlay and kDownload
};
PlayerCommand ParseCommand(const std::string& commandLine);

// Misbehaviour for tests, from VX_PLAYER_MODE.
struct PlayerMode {
    enum Kind { kNormal, kFail, kTooMany, kStop, kSilent, kExitMid };
    Kind kind = kNormal;
    int failAt = 0;  // kFail: 1-based index of the song of each mission that fails
};
PlayerMode ParseMode(const std::string& text);

// The client's pipes, from the player's end.
// Fetches mission `number` from the add-mission pipe; false when the client is not there or has no
// such mission (then `text` is empty).
bool FetchMission(long number, std::string& text);
// Writes one down-state message (the NUL is added); false when the client could not be reached.
bool SendDownState(const std::string& message);

// One line per received command, appended to VX_PLAYER_JOURNAL or "journal.txt" beside the exe:
//   <pid> TAB <start|forward> TAB <command line> TAB <mission text or "no mission"> CRLF
// CR, LF and TAB inside a field are written as spaces.
class Journal {
public:
    Journal();
    void Append(const char* via, const std::string& command, const std::string& mission);
    const std::string& Path() const { return m_path; }

private:
    std::mutex m_lock;
    std::string m_path;
};

// One file of a download mission.
struct DownloadFile {
    long mission = 0;
    uint32_t sign1 = 0, sign2 = 0;
    std::string rid;
    std::string ext;     // "mp3" or "wma"
    uint32_t size = 0;   // the catalogue's size
};

// Builds the files of a download mission text; false when it is not a download mission.
bool ParseDownloadMission(long number, const std::string& text, std::vector<DownloadFile>& files);

// Downloads missions one after the other on a thread of its own, reporting on the down-state pipe.
class Downloader {
public:
    explicit Downloader(const PlayerMode& mode);
    ~Downloader();
    void Enqueue(std::vector<DownloadFile> files);
    // Drops the queue and abandons the file in progress (its partial file is deleted, nothing is
    // reported for it).
    void Cancel();
    bool Busy();

private:
    struct Batch {
        std::vector<DownloadFile> files;
        unsigned int generation;
    };
    void Run();
    void RunBatch(const Batch& batch);
    // 1 finished, 0 failed (reported), -1 cancelled (not reported).
    int DownloadOne(const DownloadFile& file, unsigned int generation, bool exitAfterStart);
    bool Cancelled(unsigned int generation);

    PlayerMode m_mode;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Batch> m_queue;
    unsigned int m_generation = 0;
    bool m_running = false;
    bool m_stop = false;
    std::thread m_thread;
};

// Download folder of the player: <common app data>\vixo\VxMusic\Download\ (VX_DATA_ROOT moves it).
std::string DownloadFolder();

// Leaves the process at once, as a real player that is closed or crashes would.
[[noreturn]] void LeaveProcess(int code);

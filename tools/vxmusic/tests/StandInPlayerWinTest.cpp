// The client's side of the player's pipes, played with plain pipes against the installed stand-in,
// which downloads from the stand-in web server (VX_WITH_SERVER=1).
#include <gtest/gtest.h>

#include <windows.h>

#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigManager.h"
#include "datadef/SongInfo.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/UserId.h"
#include "vxlib/Xml.h"
#include "vxmusic/InstallStandInWin.h"

namespace {

const DWORD kWaitMs = 20000;  // a bound for things that should happen, never a timing check

std::vector<std::string> Split(const std::string& text, const std::string& sep) {
    std::vector<std::string> fields;
    StringUtility::Tokenize(text, sep, fields);
    return fields;
}

// One listening instance, re-armed after every connection, as the client does it.
class PipeServer {
public:
    // Gets what a client wrote; a true return writes `reply` and its NUL back.
    using Handler = std::function<bool(const std::string& request, std::string& reply)>;

    PipeServer(const char* name, DWORD outBuffer, Handler handler) : m_handler(std::move(handler)) {
        m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_pipe = CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                  outBuffer, 1 << 20, 0, nullptr);
        m_thread = std::thread([this] { Run(); });
    }
    ~PipeServer() {
        SetEvent(m_stop);
        m_thread.join();
        CloseHandle(m_pipe);
        CloseHandle(m_stop);
    }
    bool Ok() const { return m_pipe != INVALID_HANDLE_VALUE; }

private:
    // Waits for an overlapped step; false when asked to stop or the step failed.
    bool Complete(BOOL started, OVERLAPPED& ov, DWORD& n) {
        if (!started) {
            DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) return true;
            if (error != ERROR_IO_PENDING) return false;
            HANDLE events[2] = {ov.hEvent, m_stop};
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(m_pipe);
                return false;
            }
        }
        return GetOverlappedResult(m_pipe, &ov, &n, TRUE) != FALSE;
    }

    void Run() {
        if (!Ok()) return;
        OVERLAPPED ov = {};
        ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::vector<char> buf(1 << 20);
        while (WaitForSingleObject(m_stop, 0) != WAIT_OBJECT_0) {
            DWORD n = 0;
            ResetEvent(ov.hEvent);
            if (!Complete(ConnectNamedPipe(m_pipe, &ov), ov, n)) {
                if (WaitForSingleObject(m_stop, 0) == WAIT_OBJECT_0) break;
                DisconnectNamedPipe(m_pipe);
                continue;
            }
            ResetEvent(ov.hEvent);
            n = 0;
            if (Complete(ReadFile(m_pipe, buf.data(), static_cast<DWORD>(buf.size()), nullptr, &ov), ov, n) &&
                n > 0) {
                std::string reply;
                if (m_handler(std::string(buf.data(), n), reply)) {
                    ResetEvent(ov.hEvent);
                    Complete(WriteFile(m_pipe, reply.c_str(), static_cast<DWORD>(reply.size() + 1), nullptr, &ov),
                             ov, n);
                    FlushFileBuffers(m_pipe);
                }
            }
            DisconnectNamedPipe(m_pipe);
        }
        CloseHandle(ov.hEvent);
    }

    Handler m_handler;
    HANDLE m_stop;
    HANDLE m_pipe;
    std::thread m_thread;
};

struct JournalRecord {
    std::string pid, via, command, mission;
};

struct Res {
    const char* rid;
    uint32_t s1, s2, size;
};

CSongInfoBase* MakeSong(const char* name, const Res* wma, const Res* mp3) {
    CSongInfoBase* song = new CSongInfoBase;
    song->SetName(name);
    song->SetArtist("测试歌手");
    auto make = [](const Res* r, uint32_t format) {
        CNetResource* res = new CNetResource;
        res->SetRid(r->rid);
        res->SetSign(Sign(r->s1, r->s2));
        res->SetFileSize(r->size);
        res->SetFormat(format);
        return res;
    };
    if (wma) song->SetWMA(make(wma, kFormatWma));
    if (mp3) song->SetMP3(make(mp3, kFormatMp3));
    return song;
}

// A mission text as the client writes it: "pl" with the action, songs as "so" children.
std::string MissionText(const char* action, const char* downtype, const std::vector<CSongInfoBase*>& songs) {
    Xml::XmlNode root("pl");
    root.SetAttr("action", action);
    if (downtype) root.SetAttr("downtype", downtype);
    for (CSongInfoBase* song : songs) {
        Xml::XmlNode so = root.AppendChild("so");
        song->SaveToXml(so);
        delete song;
    }
    return root.ToString();
}

bool MatchesServedBytes(const std::string& data, const char* rid) {
    unsigned seed = 0;
    for (const char* p = rid; *p; ++p) seed += static_cast<unsigned char>(*p);
    for (size_t i = 0; i < data.size(); ++i) {
        long long k = static_cast<long long>(i);
        if (static_cast<unsigned char>(data[i]) != ((k + 7 * (k >> 8) + 13 * (k >> 16) + seed) & 0xFF)) return false;
    }
    return true;
}

std::string ReadFileBytes(const std::string& path) {
    std::string out;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(f);
    return out;
}

const Res kMp3A = {"MP3_A100", 11, 12, 300001};
const Res kWmaA = {"WMA_A100", 21, 22, 200000};
const Res kWmaB = {"WMA_B200", 31, 32, 150017};
const Res kWmaC = {"WMA_C300", 41, 42, 70000};

class StandInPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* server = std::getenv("VX_TEST_SERVER");
        ASSERT_TRUE(server) << "run through wine-run with VX_WITH_SERVER=1";
        ASSERT_TRUE(AfxGetConfigManager()->SetString("Servers", "All", server));
        m_journal = m_root.Path() + "\\player-journal.txt";
        SetEnvironmentVariableA("VX_PLAYER_JOURNAL", m_journal.c_str());
        m_exe = VxStandIn::InstallPlayer();
        ASSERT_FALSE(m_exe.empty());
        ASSERT_TRUE(m_missionPipe.Ok());
        ASSERT_TRUE(m_statePipe.Ok());
    }
    void TearDown() override {
        EXPECT_TRUE(VxStandIn::QuitPlayer());
        for (HANDLE p : m_processes) {
            WaitForSingleObject(p, kWaitMs);
            CloseHandle(p);
        }
        for (const char* name : {"VX_PLAYER_JOURNAL", "VX_PLAYER_MODE", "VX_PLAYER_IDLE_SECONDS", "VX_PLAYER_PACE_MS"})
            SetEnvironmentVariableA(name, nullptr);
    }

    long AddMission(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_missions[++m_next] = text;
        return m_next;
    }

    HANDLE Start(const std::string& args) {
        std::string line = "\"" + m_exe + "\" " + args;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(m_exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        m_processes.push_back(pi.hProcess);
        return pi.hProcess;
    }

    static DWORD ExitCodeAfterEnd(HANDLE process) {
        if (WaitForSingleObject(process, kWaitMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        return code;
    }

    // Waits until `done` holds for the messages so far; returns them.
    std::vector<std::string> WaitMessages(const std::function<bool(const std::vector<std::string>&)>& done) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return done(m_messages); });
        return m_messages;
    }
    std::vector<std::string> WaitCount(const std::string& prefix, size_t count) {
        return WaitMessages([&](const std::vector<std::string>& all) {
            size_t n = 0;
            for (const std::string& m : all) n += m.compare(0, prefix.size(), prefix) == 0;
            return n >= count;
        });
    }

    std::vector<JournalRecord> Journal() {
        std::vector<JournalRecord> records;
        for (const std::string& line : Split(ReadFileBytes(m_journal), "\r\n")) {
            if (line.empty()) continue;
            std::vector<std::string> f = Split(line, "\t");
            records.push_back(f.size() == 4 ? JournalRecord{f[0], f[1], f[2], f[3]} : JournalRecord{"bad", line, "", ""});
        }
        return records;
    }
    std::vector<JournalRecord> WaitJournal(size_t count) {
        DWORD began = GetTickCount();
        std::vector<JournalRecord> records = Journal();
        while (records.size() < count && GetTickCount() - began < kWaitMs) {
            Sleep(50);
            records = Journal();
        }
        return records;
    }

    // The messages of one file, in order: start, progress..., and the closing one.
    void ExpectDownloaded(const std::vector<std::string>& messages, size_t& at, long mission, const Res& res) {
        std::string signs = std::to_string(mission) + "|" + std::to_string(res.s1) + "|" + std::to_string(res.s2);
        ASSERT_LT(at, messages.size());
        std::vector<std::string> start = Split(messages[at++], "|");
        ASSERT_EQ(6u, start.size()) << messages[at - 1];
        EXPECT_EQ("start|" + signs, start[0] + "|" + start[1] + "|" + start[2] + "|" + start[3]);
        EXPECT_EQ(std::to_string(res.size), start[4]);
        int last = -1, count = 0;
        while (at < messages.size() && messages[at].compare(0, 9, "progress|") == 0) {
            std::vector<std::string> p = Split(messages[at++], "|");
            ASSERT_EQ(6u, p.size());
            EXPECT_EQ(signs, p[1] + "|" + p[2] + "|" + p[3]);
            int percent = std::atoi(p[4].c_str());
            EXPECT_GT(percent, last);
            last = percent;
            ++count;
        }
        EXPECT_GE(count, 3);
        EXPECT_EQ(100, last);
        ASSERT_LT(at, messages.size());
        EXPECT_EQ("finish|" + signs, messages[at++]);
        // The player's own copy is the resource's bytes, as many as it reported.
        std::string data = ReadFileBytes(start[5]);
        EXPECT_EQ(res.size, data.size()) << start[5];
        EXPECT_TRUE(MatchesServedBytes(data, res.rid)) << start[5];
    }

    ScopedDataRoot m_root{"vxmusic"};
    std::string m_journal, m_exe;
    std::vector<HANDLE> m_processes;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<long, std::string> m_missions;
    std::vector<std::string> m_requests;   // what the player wrote on the add-mission pipe
    std::vector<std::string> m_messages;   // down-state messages without their NUL
    long m_next = 1000;

    PipeServer m_missionPipe{"\\\\.\\Pipe\\ViXoMdAddMissionPipe_20110427", 100 << 20,
                             [this](const std::string& request, std::string& reply) {
                                 std::lock_guard<std::mutex> lock(m_lock);
                                 m_requests.push_back(request);
                                 auto it = m_missions.find(static_cast<long>(std::strtod(request.c_str(), nullptr)));
                                 if (it == m_missions.end()) return false;
                                 reply = it->second;
                                 m_missions.erase(it);
                                 return true;
                             }};
    PipeServer m_statePipe{"\\\\.\\Pipe\\ViXoMdDownStatePipe_20110427", 0,
                           [this](const std::string& message, std::string&) {
                               {
                                   std::lock_guard<std::mutex> lock(m_lock);
                                   bool nul = !message.empty() && message.back() == '\0';
                                   m_messages.push_back(nul ? message.substr(0, message.size() - 1)
                                                            : "no NUL: " + message);
                               }
                               m_changed.notify_all();
                               return false;
                           }};
};

}  // namespace

TEST(StandInInstall, BothGenerationsLandWhereTheClientLooks) {
    ScopedDataRoot root("vxmusic-install");
    std::string newer = VxStandIn::InstallPlayer();
    ASSERT_FALSE(newer.empty());
    std::string expected;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, expected));
    EXPECT_EQ(expected, newer);
    EXPECT_EQ(0u, newer.find(root.Path()));
    int v = 0;
    ASSERT_TRUE(UserId::GetPlaydeck6Version(v));
    EXPECT_EQ(6013, v);
    char text[64];
    ASSERT_TRUE(UserId::GetPlaydeckUserIDEx(text, sizeof text));
    EXPECT_STREQ("20110427", text);
    ASSERT_TRUE(UserId::GetPlaydeckVersionEx(text, sizeof text));
    EXPECT_STREQ("6.0.1.3", text);

    // The older generation with its own version, restamped in place of the built one.
    std::string older = VxStandIn::InstallPlayer(PATH_PLAYER_OLD_EXE, {5, 2, 0, 2});
    ASSERT_FALSE(older.empty());
    ASSERT_TRUE(UserId::GetPlaydeckVersion(v));
    EXPECT_EQ(5202, v);
    ASSERT_TRUE(UserId::GetPlaydeck6Version(v));
    EXPECT_EQ(6013, v);
}

TEST_F(StandInPlayerTest, DownloadsEachSongsChosenFileAndReportsItsRealSize) {
    // Song A has both files, song B only WMA: an MP3 mission takes A's MP3 and B's WMA.
    long first = AddMission(MissionText("download", "mp3", {MakeSong("甲", &kWmaA, &kMp3A), MakeSong("乙", &kWmaB, nullptr)}));
    HANDLE player = Start("/mdrun download|" + std::to_string(first));
    ASSERT_TRUE(player);
    std::vector<std::string> messages = WaitCount("finish|", 2);
    size_t at = 0;
    ExpectDownloaded(messages, at, first, kMp3A);
    ExpectDownloaded(messages, at, first, kWmaB);
    EXPECT_EQ(at, messages.size());

    // A second start hands its command to the running player, which downloads the WMA this time.
    long second = AddMission(MissionText("download", "wma", {MakeSong("甲", &kWmaA, &kMp3A)}));
    HANDLE forwarder = Start("/mdrun download|" + std::to_string(second));
    EXPECT_EQ(0u, ExitCodeAfterEnd(forwarder));
    messages = WaitCount("finish|", 3);
    ExpectDownloaded(messages, at, second, kWmaA);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(player, 0));

    std::vector<JournalRecord> journal = WaitJournal(2);
    ASSERT_EQ(2u, journal.size());
    EXPECT_EQ(std::to_string(GetProcessId(player)), journal[0].pid);
    EXPECT_EQ("start", journal[0].via);
    EXPECT_EQ("/mdrun download|" + std::to_string(first), journal[0].command);
    EXPECT_NE(std::string::npos, journal[0].mission.find("downtype=\"mp3\""));
    EXPECT_NE(std::string::npos, journal[0].mission.find("MP3_A100"));
    EXPECT_EQ(journal[0].pid, journal[1].pid);
    EXPECT_EQ("forward", journal[1].via);
    EXPECT_EQ("/mdrun download|" + std::to_string(second), journal[1].command);
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ((std::vector<std::string>{std::to_string(first), std::to_string(second)}), m_requests);
    EXPECT_TRUE(m_missions.empty());
}

TEST_F(StandInPlayerTest, PlayAndOtherCommandsAreJournaledWithTheirMission) {
    std::string text = MissionText("playsong", nullptr, {MakeSong("丙", &kWmaC, nullptr)});
    long play = AddMission(text);
    ASSERT_TRUE(Start("/mdrun playsong|" + std::to_string(play)));
    ASSERT_EQ(1u, WaitJournal(1).size());
    ASSERT_TRUE(Start("/mdrun playadd|4242"));   // nobody has that mission
    ASSERT_EQ(2u, WaitJournal(2).size());
    ASSERT_TRUE(Start("/mdrun playico|17"));
    std::vector<JournalRecord> journal = WaitJournal(3);
    ASSERT_EQ(3u, journal.size());
    EXPECT_EQ("/mdrun playsong|" + std::to_string(play), journal[0].command);
    EXPECT_EQ(text, journal[0].mission);  // GBK names and all, as the client wrote them
    EXPECT_EQ("/mdrun playadd|4242", journal[1].command);
    EXPECT_EQ("no mission", journal[1].mission);
    EXPECT_EQ("/mdrun playico|17", journal[2].command);
    EXPECT_EQ("no mission", journal[2].mission);
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ((std::vector<std::string>{std::to_string(play), "4242"}), m_requests);  // playico asks nothing
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(StandInPlayerTest, FailModeFailsTheKthSongAndGoesOn) {
    SetEnvironmentVariableA("VX_PLAYER_MODE", "fail:2");
    long m = AddMission(MissionText("download", "wma",
                                    {MakeSong("a", &kWmaA, nullptr), MakeSong("b", &kWmaB, nullptr), MakeSong("c", &kWmaC, nullptr)}));
    ASSERT_TRUE(Start("/mdrun download|" + std::to_string(m)));
    std::vector<std::string> messages = WaitCount("finish|", 2);
    size_t at = 0;
    ExpectDownloaded(messages, at, m, kWmaA);
    ASSERT_LT(at + 1, messages.size());
    std::string signs = std::to_string(m) + "|31|32";
    EXPECT_EQ(0u, messages[at++].find("start|" + signs + "|150017|"));
    EXPECT_EQ("failed|" + signs, messages[at++]);
    ExpectDownloaded(messages, at, m, kWmaC);
}

TEST_F(StandInPlayerTest, TooManyModeReportsInsteadOfDownloadingThenIdlesOut) {
    SetEnvironmentVariableA("VX_PLAYER_MODE", "toomany");
    SetEnvironmentVariableA("VX_PLAYER_IDLE_SECONDS", "1");
    long m = AddMission(MissionText("download", "wma", {MakeSong("a", &kWmaA, nullptr), MakeSong("b", &kWmaB, nullptr)}));
    HANDLE player = Start("/mdrun download|" + std::to_string(m));
    ASSERT_TRUE(player);
    // With nothing left to do it leaves by itself, having said only "toomany".
    EXPECT_EQ(0u, ExitCodeAfterEnd(player));
    EXPECT_EQ(std::vector<std::string>{"toomany"}, WaitCount("toomany", 1));
    EXPECT_EQ(1u, Journal().size());
}

TEST_F(StandInPlayerTest, StopModeClosesThePlayerAfterTheFirstFile) {
    SetEnvironmentVariableA("VX_PLAYER_MODE", "stop");
    long m = AddMission(MissionText("download", "wma", {MakeSong("a", &kWmaA, nullptr), MakeSong("b", &kWmaB, nullptr)}));
    HANDLE player = Start("/mdrun download|" + std::to_string(m));
    ASSERT_TRUE(player);
    EXPECT_EQ(0u, ExitCodeAfterEnd(player));
    std::vector<std::string> messages = WaitCount("stop", 1);
    size_t at = 0;
    ExpectDownloaded(messages, at, m, kWmaA);
    ASSERT_EQ(at + 1, messages.size());
    EXPECT_EQ("stop", messages[at]);
}

TEST_F(StandInPlayerTest, ExitMidLeavesAfterStartingTheSecondFile) {
    SetEnvironmentVariableA("VX_PLAYER_MODE", "exit-mid");
    long m = AddMission(MissionText("download", "mp3", {MakeSong("a", &kWmaA, &kMp3A), MakeSong("b", &kWmaB, nullptr)}));
    HANDLE player = Start("/mdrun download|" + std::to_string(m));
    ASSERT_TRUE(player);
    EXPECT_EQ(3u, ExitCodeAfterEnd(player));
    // The last message may still be on its way through this side's pipe thread after the exit.
    std::vector<std::string> messages = WaitCount("start|", 2);
    size_t at = 0;
    ExpectDownloaded(messages, at, m, kMp3A);
    ASSERT_EQ(at + 1, messages.size());
    EXPECT_EQ(0u, messages[at].find("start|" + std::to_string(m) + "|31|32|150017|"));
}

TEST_F(StandInPlayerTest, CancelAbandonsTheRunningAndQueuedDownloads) {
    SetEnvironmentVariableA("VX_PLAYER_PACE_MS", "1000");  // seconds per file: time to cancel
    long m = AddMission(MissionText("download", "mp3", {MakeSong("a", &kWmaA, &kMp3A), MakeSong("b", &kWmaB, nullptr)}));
    ASSERT_TRUE(Start("/mdrun download|" + std::to_string(m)));
    WaitCount("progress|", 1);
    HANDLE cancel = Start("/mdrun download|-1");
    EXPECT_EQ(0u, ExitCodeAfterEnd(cancel));
    std::vector<JournalRecord> journal = WaitJournal(2);
    ASSERT_EQ(2u, journal.size());
    EXPECT_EQ("/mdrun download|-1", journal[1].command);
    EXPECT_EQ("no mission", journal[1].mission);

    // After the cancel a new mission runs normally and nothing more comes from the first one.
    long next = AddMission(MissionText("download", "wma", {MakeSong("c", &kWmaC, nullptr)}));
    ASSERT_TRUE(Start("/mdrun download|" + std::to_string(next)));
    std::vector<std::string> messages = WaitCount("finish|", 1);
    std::string first = "|" + std::to_string(m) + "|";
    size_t at = 0;
    while (at < messages.size() && messages[at].find(first) != std::string::npos) {
        EXPECT_EQ(std::string::npos, messages[at].find("finish|")) << messages[at];
        EXPECT_EQ(std::string::npos, messages[at].find("|31|32")) << messages[at];  // the queued song
        ++at;
    }
    EXPECT_EQ(0u, messages[0].find("start|" + std::to_string(m) + "|11|12|300001|"));
    ExpectDownloaded(messages, at, next, kWmaC);
    EXPECT_EQ(at, messages.size());
}

#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "TimeDivisorWin.h"
#include "vxlib/HandleWin.h"

class CMissionTable;

inline constexpr char kAddMissionPipeName[] = "\\\\.\\Pipe\\ViXoMdAddMissionPipe_20110427";

// Timing of the add-mission pipe: the connection wait between sweeps (also the most a client's
// whole exchange may take before it is dropped), and the age at which an unfetched mission is
// dropped.
//
// Test-only setting: the environment variable VX_BRIDGE_TIME_DIVISOR (a whole number above 1),
// read once when the facade is created, divides both values so that tests see a sweep in seconds.
struct MissionTiming {
    static const DWORD kPollMs = 5000;
    uint32_t pollMs = kPollMs;
    uint32_t maxAgeMs = 60001;

    static MissionTiming FromEnvironment() {
        MissionTiming timing;
        timing.pollMs = BridgeTestDivided(timing.pollMs);
        timing.maxAgeMs = BridgeTestDivided(timing.maxAgeMs);
        return timing;
    }
};

// The add-mission pipe server: one thread that serves each connecting player one mission (the
// client writes the mission number as decimal text and reads the mission text up to its NUL),
// and sweeps stale missions at every poll interval, whether clients come or not. Start and Stop
// on the facade's thread.
class CAddMissionPipe {
public:
    // onExpired receives every swept mission number (on the pipe thread, no lock held).
    CAddMissionPipe(CMissionTable& table, MissionTiming timing, std::function<void(int)> onExpired);
    ~CAddMissionPipe();
    CAddMissionPipe(const CAddMissionPipe&) = delete;
    CAddMissionPipe& operator=(const CAddMissionPipe&) = delete;

    bool Start();
    // Wakes the thread and waits at most 1000 ms for it to be done; a thread still blocked is
    // abandoned. Also from DllMain (threadend).
    void Stop();

private:
    static unsigned __stdcall ThreadEntry(void* self);
    void Run();
    void Serve(HANDLE pipe, OVERLAPPED& ov, char* buffer, size_t size);

    CMissionTable& m_table;
    MissionTiming m_timing;
    std::function<void(int)> m_onExpired;
    CHandle m_event;   // auto-reset; the connect's completion, and the wake-up to stop
    CHandle m_running; // manual-reset; the thread runs this library's code
    CHandle m_done;    // manual-reset; the thread is done with this object
    CHandle m_thread;
    std::atomic<bool> m_stop{false};
};

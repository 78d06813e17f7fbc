#pragma once
#include <windows.h>

#include <memory>

#include "CommandPipeWin.h"
#include "MsgHandlerWin.h"
#include "vxlib/HandleWin.h"

// The service's worker: the message thread, which hands every message to CMsgHandler, and the
// command pipe's server, which posts the pipe's commands to it. One per process; Start and Stop
// are called from the service (or main) thread.
class CRealRunService {
public:
    static const DWORD kStopWaitMs = 2000;

    CRealRunService();
    ~CRealRunService();
    CRealRunService(const CRealRunService&) = delete;
    CRealRunService& operator=(const CRealRunService&) = delete;

    // False when the message thread could not start; a pipe that cannot be created leaves the
    // worker running without it (the ranking checks still run).
    bool Start();
    // Ends the pipe thread, then the message thread (each waited for up to kStopWaitMs).
    void Stop();

private:
    struct MsgLoopStart;
    static unsigned __stdcall MsgLoopThread(void* param);

    std::unique_ptr<CMsgHandler> m_handler;
    CHandle m_msgThread;
    DWORD m_msgThreadId = 0;
    CCommandPipeServer m_pipe;
};

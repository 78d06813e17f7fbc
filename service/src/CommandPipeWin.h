#pragma once
#include <windows.h>

#include <memory>

#include "vxlib/HandleWin.h"

// The command pipe's server: one pipe instance, one client at a time, each client's one write
// decoded (PipeMessage.h) and posted to the message thread as kMsgPipeCommand. Nothing is ever
// written back. Start and Stop are called from one thread; the pipe thread is the server's own.
class CCommandPipeServer {
public:
    // A client that connects and does not write within this bound is dropped so that the next one
    // is served. Test-only: VX_SERVICE_TIME_DIVISOR (a whole number from 2 to 1000) divides it.
    static const DWORD kClientReadBoundMs = 5000;
    static const DWORD kStopWaitMs = 2000;

    CCommandPipeServer();
    ~CCommandPipeServer();
    CCommandPipeServer(const CCommandPipeServer&) = delete;
    CCommandPipeServer& operator=(const CCommandPipeServer&) = delete;

    // Creates the pipe and starts the pipe thread unless it runs. False (logged) when the pipe
    // cannot be created, for example because another process already owns the name.
    bool Start(DWORD messageThreadId);
    bool Running() const { return m_thread.Valid(); }
    // Signals the pipe thread and waits up to kStopWaitMs for it; a thread that is late releases
    // the pipe itself when it ends.
    void Stop();

private:
    struct State;
    static unsigned __stdcall PipeThread(void* param);

    std::shared_ptr<State> m_state;
    CHandle m_thread;
};

// The command pipe's security descriptor: full access for LocalSystem and the Administrators
// group, no other entry, nothing inherited from the parent.
class CCommandPipeSecurity {
public:
    static const char kSddl[];

    CCommandPipeSecurity();
    ~CCommandPipeSecurity();
    CCommandPipeSecurity(const CCommandPipeSecurity&) = delete;
    CCommandPipeSecurity& operator=(const CCommandPipeSecurity&) = delete;

    // Null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes = {};
};

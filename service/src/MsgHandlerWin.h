#pragma once
#include <windows.h>

#include <memory>

// The service's command executor: keeps the ranking data directory fresh and carries out the pipe's
// commands. Runs on the service's message thread: OnMsgHandler is called there for every message,
// WM_QUIT included (after which the object may be destroyed).
class CMsgHandler {
public:
    explicit CMsgHandler(DWORD messageThreadId);
    ~CMsgHandler();
    CMsgHandler(const CMsgHandler&) = delete;
    CMsgHandler& operator=(const CMsgHandler&) = delete;

    // kMsgCheckBangDan, kMsgPipeCommand (wParam: PipeCommand*, freed here) or WM_QUIT.
    void OnMsgHandler(UINT message, WPARAM wParam);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

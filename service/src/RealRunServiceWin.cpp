#include "RealRunServiceWin.h"

#include <process.h>

#include "PipeCommand.h"
#include "ServiceLog.h"
#include "log/VxMdLog.h"

namespace {

const char kTag[] = "CRealRunService";
const char kLoopTag[] = "MsgLoopThread";

}  // namespace

struct CRealRunService::MsgLoopStart {
    CMsgHandler* handler = nullptr;
    HANDLE ready = nullptr;  // signalled once the thread has its message queue
};

CRealRunService::CRealRunService() = default;

CRealRunService::~CRealRunService() { Stop(); }

bool CRealRunService::Start() {
    VxMdLog::LogInit(kServiceLogName);
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "start");
    if (m_msgThread.Valid()) return true;

    CHandle ready(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!ready.Valid()) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "CreateEvent failed %lu", GetLastError());
        return false;
    }
    // Suspended until the handler exists: the handler needs the thread's id, the thread needs the
    // handler for its first message.
    auto start = std::make_unique<MsgLoopStart>();
    start->ready = ready.Get();
    unsigned id = 0;
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, MsgLoopThread, start.get(), CREATE_SUSPENDED, &id));
    if (!thread) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "_beginthreadex failed %d", errno);
        return false;
    }
    m_msgThread.Reset(thread);
    m_msgThreadId = id;
    try {
        m_handler = std::make_unique<CMsgHandler>(m_msgThreadId);
    } catch (...) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "CMsgHandler failed");
    }
    start->handler = m_handler.get();
    start.release();  // the thread frees it
    ResumeThread(thread);

    // The pipe starts once the queue exists, so that no command is posted into the void.
    HANDLE waits[] = {ready.Get(), thread};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (m_handler) m_pipe.Start(m_msgThreadId);

    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "before PostThreadMessage");
    if (!PostThreadMessageA(m_msgThreadId, kMsgCheckBangDan, 0, 0)) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "PostThreadMessage failed %lu", GetLastError());
    }
    return m_handler != nullptr;
}

void CRealRunService::Stop() {
    m_pipe.Stop();
    if (m_msgThread.Valid()) {
        PostThreadMessageA(m_msgThreadId, WM_QUIT, 0, 0);
        if (WaitForSingleObject(m_msgThread.Get(), kStopWaitMs) != WAIT_OBJECT_0) {
            // Still inside a command: the handler must outlive it, the process is ending anyway.
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "the message thread did not end within %lu ms",
                         kStopWaitMs);
            m_handler.release();
        }
        m_msgThread.Reset();
        m_msgThreadId = 0;
    }
    m_handler.reset();
}

unsigned __stdcall CRealRunService::MsgLoopThread(void* param) {
    std::unique_ptr<MsgLoopStart> start(static_cast<MsgLoopStart*>(param));
    CMsgHandler* handler = start->handler;
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(start->ready);
    start.reset();
    if (!handler) return 1;
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kLoopTag, "start");
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kLoopTag, "GetMessage failed %lu", GetLastError());
            msg.message = WM_QUIT;  // the handler still gets its shutdown
            msg.wParam = 0;
        }
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kLoopTag, "GetMessage");
        try {
            handler->OnMsgHandler(msg.message, msg.wParam);
        } catch (...) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kLoopTag, "exception in message %u", msg.message);
        }
        if (msg.message == WM_QUIT) break;
    }
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kLoopTag, "end");
    return 0;
}

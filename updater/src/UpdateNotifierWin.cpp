#include "UpdateNotifierWin.h"

#include <process.h>

#include <cstdio>

#include "log/VxMdLog.h"

const char CUpdateNotifier::kPipeName[] = "\\\\.\\Pipe\\ViXoMdUpdateNotifyPipe_20110427";

namespace {
const DWORD kPassMs = 500;
const DWORD kStopWaitMs = 2000;
}  // namespace

CUpdateNotifier::CUpdateNotifier()
    : m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

CUpdateNotifier::~CUpdateNotifier() { Stop(); }

bool CUpdateNotifier::Start() {
    if (m_thread.Valid()) return true;
    if (!m_stop.Valid() || !m_wake.Valid()) return false;
    ResetEvent(m_stop.Get());
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadEntry, this, 0, nullptr)));
    return m_thread.Valid();
}

void CUpdateNotifier::Stop() {
    if (!m_thread.Valid()) return;
    SetEvent(m_stop.Get());
    if (WaitForSingleObject(m_thread.Get(), kStopWaitMs) != WAIT_OBJECT_0)
        VxMdLog::Log("update.log", VxMdLog::LEVEL_WARNING, "Notify", "notify thread did not stop");
    m_thread.Reset();
}

void CUpdateNotifier::Send(const std::string& tag, int state, int value) {
    {
        Thread::CAutoCrititalSection hold(m_lock);
        if (!tag.empty()) m_tag = tag;
        m_state = state;
        m_value = value;
        m_pending = true;
    }
    SetEvent(m_wake.Get());
}

unsigned __stdcall CUpdateNotifier::ThreadEntry(void* self) {
    try {
        static_cast<CUpdateNotifier*>(self)->Run();
    } catch (...) {
    }
    return 0;
}

void CUpdateNotifier::Run() {
    HANDLE events[2] = {m_stop.Get(), m_wake.Get()};
    for (;;) {
        // A pass ends after 500 ms or as soon as a state arrives; the pipe is only opened with
        // something to say, so a listener never sees empty connections.
        DWORD which = WaitForMultipleObjects(2, events, FALSE, kPassMs);
        if (which == WAIT_OBJECT_0) return;
        bool pending;
        {
            Thread::CAutoCrititalSection hold(m_lock);
            pending = m_pending;
        }
        if (!pending) continue;
        if (!WaitNamedPipeA(kPipeName, kPassMs)) {
            // A missing pipe fails at once: wait out the pass so the loop does not spin.
            if (GetLastError() != ERROR_SEM_TIMEOUT && WaitForSingleObject(m_stop.Get(), kPassMs) == WAIT_OBJECT_0)
                return;
            continue;
        }
        DeliverPending();
    }
}

void CUpdateNotifier::DeliverPending() {
    CHandle pipe(CreateFileA(kPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!pipe.Valid()) return;
    Thread::CAutoCrititalSection hold(m_lock);
    if (!m_pending) return;
    m_pending = false;
    char text[512];
    int n = std::snprintf(text, sizeof text, "%s|%d|%d", m_tag.c_str(), m_state, m_value);
    if (n < 0) return;
    if (n >= static_cast<int>(sizeof text)) n = sizeof text - 1;
    DWORD written = 0;
    WriteFile(pipe.Get(), text, static_cast<DWORD>(n) + 1, &written, nullptr);
    FlushFileBuffers(pipe.Get());
}

#include "ui/MessageLoop.h"

#include <algorithm>
#include <exception>
#include <map>

#include "log/VxMdLog.h"
#include "vxlib/Thread.h"

namespace ui {

namespace {
const char kLogFile[] = "ui.log";
const UINT kSysTimer = 0x0118;  // WM_SYSTIMER: the caret blink

template <class T>
bool Contains(const std::vector<T*>& list, T* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

template <class T>
bool Erase(std::vector<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

struct LoopRegistry {
    Thread::CBaseCrititalSection lock;
    std::map<DWORD, CMessageLoop*> loops;
};

LoopRegistry& Registry() {
    static LoopRegistry registry;
    return registry;
}
}  // namespace

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    if (filter && !Contains(m_filters, filter)) m_filters.push_back(filter);
}

bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { return Erase(m_filters, filter); }

void CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    if (handler && !Contains(m_idleHandlers, handler)) m_idleHandlers.push_back(handler);
}

bool CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { return Erase(m_idleHandlers, handler); }

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kSysTimer:
        return false;
    default:
        return true;
    }
}

bool CMessageLoop::PreTranslateMessage(MSG* msg) {
    // A snapshot, because a filter may add or remove filters (a dialog closing itself).
    std::vector<CMessageFilter*> filters(m_filters);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if (!Contains(m_filters, *it)) continue;
        try {
            if ((*it)->PreTranslateMessage(msg)) return true;
        } catch (const std::exception& e) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "PreTranslateMessage", "message 0x%x: %s", msg->message, e.what());
        } catch (...) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "PreTranslateMessage", "message 0x%x: exception", msg->message);
        }
    }
    return false;
}

bool CMessageLoop::OnIdle(int /*idleCount*/) {
    std::vector<CIdleHandler*> handlers(m_idleHandlers);
    for (CIdleHandler* handler : handlers) {
        if (!Contains(m_idleHandlers, handler)) continue;
        try {
            handler->OnIdle();
        } catch (const std::exception& e) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "OnIdle", "%s", e.what());
        } catch (...) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "OnIdle", "exception");
        }
    }
    return false;
}

int CMessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    MSG msg{};
    for (;;) {
        while (doIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Run", "GetMessage: error %lu", ::GetLastError());
            continue;
        }
        if (!got) break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (IsIdleMessage(msg)) {
            doIdle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(msg.wParam);
}

bool CThreadLoops::Add(CMessageLoop* loop) {
    if (!loop) return false;
    LoopRegistry& registry = Registry();
    Thread::CAutoCrititalSection guard(registry.lock);
    return registry.loops.emplace(::GetCurrentThreadId(), loop).second;
}

bool CThreadLoops::Remove() {
    LoopRegistry& registry = Registry();
    Thread::CAutoCrititalSection guard(registry.lock);
    return registry.loops.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CThreadLoops::Get(DWORD threadId) {
    LoopRegistry& registry = Registry();
    Thread::CAutoCrititalSection guard(registry.lock);
    auto found = registry.loops.find(threadId);
    return found == registry.loops.end() ? nullptr : found->second;
}

}  // namespace ui

#include <windows.h>

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "core/MessageManager.h"
#include "vxlib/Thread.h"

namespace {

const wchar_t kWindowClass[] = L"VxMdCoreMessageWindow";
const UINT kWakeMessage = WM_APP + 0x51;    // drain the thread's queue
const UINT kSendMessage = WM_APP + 0x52;    // lParam: CSendCall* of the waiting sender
const UINT kRetireMessage = WM_APP + 0x53;  // destroy the window if no observer is left

HINSTANCE g_module = nullptr;

struct CThreadContext;

struct CRegistration {
    IMessageObserver* observer = nullptr;
    int mode = kObserverUiThread;
    std::shared_ptr<CThreadContext> context;
    bool active = true;  // cleared under the lock by Unregister; checked before every call
};

struct CMessage {
    std::string channel;
    int id = 0;
    VariantList params;
};

struct CQueued {
    std::shared_ptr<CRegistration> registration;
    std::shared_ptr<const CMessage> message;
};

// What the manager knows of one registering thread. Only that thread creates and destroys the window.
struct CThreadContext {
    DWORD threadId = 0;
    HWND window = nullptr;
    bool alive = true;         // false once the thread has ended or its window is gone
    bool wakePending = false;  // at most one kWakeMessage in the window's queue
    int observers = 0;         // active registrations bound to this thread
    int depth = 0;             // window procedure frames running a drain or a send
    std::deque<CQueued> queue;
};

struct CSendCall {
    std::shared_ptr<CRegistration> registration;
    const CMessage* message = nullptr;
};

void CallObserver(IMessageObserver* observer, const CMessage& message) {
    try {
        observer->OnMessage(message.channel, message.id, message.params);
    } catch (...) {
        // A handler's failure stays the handler's: the remaining observers still get the message.
    }
}

LRESULT CALLBACK MessageWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

class CMessageManager : public IMessageManager {
public:
    int Deliver(const std::string& channel, int id, const VariantList& params) override {
        try {
            auto message = std::make_shared<CMessage>(CMessage{channel, id, params});
            for (auto& registration : Snapshot(channel)) {
                if (IsActive(*registration)) CallObserver(registration->observer, *message);
            }
            return 1;
        } catch (...) {
            return 0;
        }
    }

    int Register(const std::string& channel, IMessageObserver* observer, int mode) override {
        if (!observer || channel.empty()) return 0;
        try {
            if (mode != kObserverInternal) mode = kObserverUiThread;
            std::shared_ptr<CThreadContext> context = ContextOfThisThread();
            if (!context) return 0;
            Thread::CAutoCrititalSection lock(m_lock);
            auto& list = m_channels[channel];
            for (auto& registration : list) {
                if (registration->observer == observer) return 1;
            }
            auto registration = std::make_shared<CRegistration>();
            registration->observer = observer;
            registration->mode = mode;
            registration->context = context;
            list.push_back(registration);
            ++context->observers;
            return 1;
        } catch (...) {
            return 0;
        }
    }

    int Unregister(const std::string& channel, IMessageObserver* observer) override {
        try {
            std::shared_ptr<CThreadContext> context;
            {
                Thread::CAutoCrititalSection lock(m_lock);
                auto found = m_channels.find(channel);
                if (found == m_channels.end()) return 0;
                auto& list = found->second;
                for (auto it = list.begin(); it != list.end(); ++it) {
                    if ((*it)->observer != observer) continue;
                    (*it)->active = false;
                    context = (*it)->context;
                    list.erase(it);
                    break;
                }
                if (list.empty()) m_channels.erase(found);
                if (!context) return 0;
                if (--context->observers > 0) return 1;
            }
            Retire(context);
            return 1;
        } catch (...) {
            return 0;
        }
    }

    int IsRegistered(const std::string& channel, IMessageObserver* observer) override {
        Thread::CAutoCrititalSection lock(m_lock);
        auto found = m_channels.find(channel);
        if (found == m_channels.end()) return 0;
        for (auto& registration : found->second) {
            if (registration->observer == observer) return 1;
        }
        return 0;
    }

    int Send(const std::string& channel, int id, const VariantList& params) override {
        try {
            CMessage message{channel, id, params};
            const DWORD self = GetCurrentThreadId();
            for (auto& registration : Snapshot(channel)) {
                HWND window = nullptr;
                DWORD owner = 0;
                {
                    Thread::CAutoCrititalSection lock(m_lock);
                    if (!registration->active || !registration->context->alive) continue;
                    window = registration->context->window;
                    owner = registration->context->threadId;
                }
                if (owner == self) {
                    CallObserver(registration->observer, message);
                } else if (window) {
                    // SendMessage lets this thread answer sends aimed at it while it waits, so two
                    // threads sending to each other do not deadlock; it fails at once when the
                    // window's thread has gone.
                    CSendCall call{registration, &message};
                    SendMessageW(window, kSendMessage, 0, reinterpret_cast<LPARAM>(&call));
                }
            }
            return 1;
        } catch (...) {
            return 0;
        }
    }

    int Post(const std::string& channel, int id, int /*reserved*/, const VariantList& params) override {
        try {
            auto message = std::make_shared<const CMessage>(CMessage{channel, id, params});
            std::vector<HWND> wake;
            {
                Thread::CAutoCrititalSection lock(m_lock);
                auto found = m_channels.find(channel);
                if (found == m_channels.end()) return 1;
                for (auto& registration : found->second) {
                    CThreadContext& context = *registration->context;
                    if (!context.alive || !context.window) continue;
                    context.queue.push_back(CQueued{registration, message});
                    if (!context.wakePending) {
                        context.wakePending = true;
                        wake.push_back(context.window);
                    }
                }
            }
            for (HWND window : wake) {
                if (!PostMessageW(window, kWakeMessage, 0, 0)) DropIfGone(window);
            }
            return 1;
        } catch (...) {
            return 0;
        }
    }

    LRESULT OnWindowMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        switch (msg) {
        case kWakeMessage:
            if (auto context = ContextOf(window)) Drain(context);
            return 0;
        case kSendMessage:
            if (auto context = ContextOf(window)) {
                auto* call = reinterpret_cast<CSendCall*>(lParam);
                Enter(*context);
                if (IsActive(*call->registration)) CallObserver(call->registration->observer, *call->message);
                Leave(*context);
                Retire(context);
            }
            return 0;
        case kRetireMessage:
            if (auto context = ContextOf(window)) Retire(context);
            return 0;
        case WM_NCDESTROY:
            Forget(window);
            break;
        }
        return DefWindowProcW(window, msg, wParam, lParam);
    }

    // The thread is ending: its window goes with it, and what was queued for it is dropped.
    void OnThreadExit() {
        HWND window = nullptr;
        {
            Thread::CAutoCrititalSection lock(m_lock);
            auto found = m_threads.find(GetCurrentThreadId());
            if (found == m_threads.end()) return;
            found->second->alive = false;
            found->second->queue.clear();
            window = found->second->window;
            found->second->window = nullptr;
            m_threads.erase(found);
        }
        if (window) DestroyWindow(window);
    }

private:
    std::vector<std::shared_ptr<CRegistration>> Snapshot(const std::string& channel) {
        Thread::CAutoCrititalSection lock(m_lock);
        auto found = m_channels.find(channel);
        if (found == m_channels.end()) return {};
        return found->second;
    }

    bool IsActive(const CRegistration& registration) {
        Thread::CAutoCrititalSection lock(m_lock);
        return registration.active;
    }

    std::shared_ptr<CThreadContext> ContextOf(HWND window) {
        Thread::CAutoCrititalSection lock(m_lock);
        auto found = m_threads.find(GetCurrentThreadId());
        if (found == m_threads.end() || found->second->window != window) return nullptr;
        return found->second;
    }

    void Enter(CThreadContext& context) {
        Thread::CAutoCrititalSection lock(m_lock);
        ++context.depth;
    }

    void Leave(CThreadContext& context) {
        Thread::CAutoCrititalSection lock(m_lock);
        --context.depth;
    }

    std::shared_ptr<CThreadContext> ContextOfThisThread() {
        const DWORD self = GetCurrentThreadId();
        {
            Thread::CAutoCrititalSection lock(m_lock);
            auto found = m_threads.find(self);
            if (found != m_threads.end()) {
                // A thread id can be reused by a thread that never told us of its end.
                if (found->second->window && IsWindow(found->second->window)) return found->second;
                found->second->alive = false;
                found->second->queue.clear();
                m_threads.erase(found);
            }
        }
        if (!RegisterWindowClass()) return nullptr;
        HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      g_module, nullptr);
        if (!window) return nullptr;
        auto context = std::make_shared<CThreadContext>();
        context->threadId = self;
        context->window = window;
        Thread::CAutoCrititalSection lock(m_lock);
        m_threads[self] = context;
        return context;
    }

    // Not under m_lock: GetModuleHandleEx takes the loader lock, which a thread leaving through
    // DllMain holds while it waits for m_lock.
    static bool RegisterWindowClass() {
        static const bool registered = [] {
            // Windows of ours may outlive any FreeLibrary: keep the code of their procedure loaded.
            HMODULE pinned = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                               reinterpret_cast<LPCWSTR>(&MessageWindowProc), &pinned);
            WNDCLASSEXW windowClass = {};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = MessageWindowProc;
            windowClass.hInstance = g_module;
            windowClass.lpszClassName = kWindowClass;
            return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        return registered;
    }

    // Runs on the context's thread. Items are taken one at a time from the shared queue, so a
    // handler that runs a nested loop (a modal dialog) continues the same queue in order; the batch
    // is bounded by what was queued at wake-up so that the thread's other messages get their turn.
    void Drain(const std::shared_ptr<CThreadContext>& context) {
        size_t budget;
        {
            Thread::CAutoCrititalSection lock(m_lock);
            context->wakePending = false;
            budget = context->queue.size();
            ++context->depth;
        }
        for (; budget > 0; --budget) {
            CQueued item;
            {
                Thread::CAutoCrititalSection lock(m_lock);
                if (context->queue.empty()) break;
                item = std::move(context->queue.front());
                context->queue.pop_front();
                if (!item.registration->active) continue;
            }
            CallObserver(item.registration->observer, *item.message);
        }
        HWND wake = nullptr;
        {
            Thread::CAutoCrititalSection lock(m_lock);
            --context->depth;
            if (!context->queue.empty() && !context->wakePending && context->window) {
                context->wakePending = true;
                wake = context->window;
            }
        }
        if (wake) PostMessageW(wake, kWakeMessage, 0, 0);
        Retire(context);
    }

    // Destroys the thread's window once no observer is bound to it. Only the owning thread may do
    // so, and not beneath one of the window's own frames: otherwise the owner is asked to retry.
    void Retire(const std::shared_ptr<CThreadContext>& context) {
        HWND destroy = nullptr;
        HWND ask = nullptr;
        {
            Thread::CAutoCrititalSection lock(m_lock);
            if (context->observers > 0 || !context->window) return;
            if (context->threadId != GetCurrentThreadId()) {
                ask = context->window;
            } else if (context->depth == 0) {
                destroy = context->window;
                context->window = nullptr;
                context->alive = false;
                context->queue.clear();
                auto found = m_threads.find(context->threadId);
                if (found != m_threads.end() && found->second == context) m_threads.erase(found);
            }
        }
        if (ask) PostMessageW(ask, kRetireMessage, 0, 0);
        if (destroy) DestroyWindow(destroy);
    }

    // A thread that ended without telling us (terminated) must not collect messages for ever.
    void DropIfGone(HWND window) {
        if (IsWindow(window)) return;
        Thread::CAutoCrititalSection lock(m_lock);
        for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
            if (it->second->window != window) continue;
            it->second->alive = false;
            it->second->window = nullptr;
            it->second->queue.clear();
            m_threads.erase(it);
            return;
        }
    }

    // The window went away without us (its thread ended first): its observers get nothing more.
    void Forget(HWND window) {
        Thread::CAutoCrititalSection lock(m_lock);
        auto found = m_threads.find(GetCurrentThreadId());
        if (found == m_threads.end() || found->second->window != window) return;
        found->second->alive = false;
        found->second->window = nullptr;
        found->second->queue.clear();
        m_threads.erase(found);
    }

    Thread::CBaseCrititalSection m_lock;
    std::map<std::string, std::vector<std::shared_ptr<CRegistration>>> m_channels;
    std::map<DWORD, std::shared_ptr<CThreadContext>> m_threads;
};

// Never destroyed: handlers and thread exits may still reach it while the process ends.
std::atomic<CMessageManager*> g_manager{nullptr};

CMessageManager* Manager() {
    static CMessageManager* manager = [] {
        auto* created = new CMessageManager;
        g_manager = created;
        return created;
    }();
    return manager;
}

LRESULT CALLBACK MessageWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        return Manager()->OnWindowMessage(window, msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" VXMDCORE_API IMessageManager* AfxGetMessageManager() {
    try {
        return Manager();
    } catch (...) {
        return nullptr;
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_module = module;
        break;
    case DLL_THREAD_DETACH:
        // Only threads that ever used the manager have something to clean up.
        if (CMessageManager* manager = g_manager) {
            try {
                manager->OnThreadExit();
            } catch (...) {
            }
        }
        break;
    }
    return TRUE;
}

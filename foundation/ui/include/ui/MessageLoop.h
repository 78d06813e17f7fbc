#pragma once
#include <windows.h>

#include <vector>

namespace ui {

// Sees every message of its loop before it is dispatched: a frame translates its accelerators
// here, a modeless dialog calls IsDialogMessage. True when the message was taken (it is then
// neither translated nor dispatched).
class CMessageFilter {
public:
    virtual bool PreTranslateMessage(MSG* msg) = 0;

protected:
    ~CMessageFilter() = default;
};

// Runs when the loop's queue has run empty after a message that re-arms idle time.
class CIdleHandler {
public:
    virtual void OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

// The message loop of one UI thread. Idle handlers run, in the order added, once each time the
// queue runs empty after a message that re-arms idle (mouse moves, paints and the caret blink do
// not, or idle work would run all the time). Filters are tried newest first, so a modeless dialog
// opened over the frame sees its keys before the frame's accelerators. Filters and handlers may
// be added and removed from inside a filter or handler; one removed is not called again. An
// exception from a filter or handler is logged and the message treated as not taken. The loop
// holds no ownership. Use on its thread only.
class CMessageLoop {
public:
    CMessageLoop() = default;
    virtual ~CMessageLoop() = default;
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    void AddMessageFilter(CMessageFilter* filter);
    bool RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    bool RemoveIdleHandler(CIdleHandler* handler);

    // Pumps until WM_QUIT and returns its code (PostQuitMessage's argument).
    int Run();
    // Offers the message to the filters, newest first; true when one took it.
    virtual bool PreTranslateMessage(MSG* msg);
    // False for the messages after which idle handlers must not run again.
    static bool IsIdleMessage(const MSG& msg);

protected:
    // `idleCount` counts the calls since the last re-arming message; false ends idle time until
    // the next one. The default runs every idle handler and returns false.
    virtual bool OnIdle(int idleCount);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};

// The loops of the process by thread, so that a window finds the loop of the thread it lives on
// (to add its filter and idle handler). Callable from any thread.
class CThreadLoops {
public:
    // Registers `loop` as the current thread's; false when the thread already has one.
    static bool Add(CMessageLoop* loop);
    // Unregisters the current thread's loop; false when it had none.
    static bool Remove();
    // The loop registered by `threadId`, else null.
    static CMessageLoop* Get(DWORD threadId = ::GetCurrentThreadId());
};

}  // namespace ui

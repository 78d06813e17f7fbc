#pragma once
#include <windows.h>

#include <string>

#include "vxlib/HandleWin.h"
#include "vxlib/Thread.h"

// Tells whichever window listens on the update-notify pipe how the task goes, one "tag|state|value"
// text (with its NUL) per connection, from a thread of its own so that a missing or slow listener
// never holds the task up. Only the latest undelivered state is kept. Send may be called from any
// thread; Start and Stop from the main thread.
class CUpdateNotifier {
public:
    static const char kPipeName[];

    CUpdateNotifier();
    ~CUpdateNotifier();

    bool Start();
    // Sets the stop event and waits up to 2000 ms for the thread.
    void Stop();
    // Stores the state (a non-empty tag replaces the stored one) for the thread to deliver.
    void Send(const std::string& tag, int state, int value);

private:
    static unsigned __stdcall ThreadEntry(void* self);
    void Run();
    void DeliverPending();

    Thread::CBaseCrititalSection m_lock;
    std::string m_tag;
    int m_state = 0;
    int m_value = 0;
    bool m_pending = false;

    CHandle m_stop;
    CHandle m_wake;
    CHandle m_thread;
};

#pragma once
#include <string>
#include "core/VxMdCoreApi.h"
#include "vxlib/Variant.h"

// Receives the messages of the channels it is registered on. Posted and sent messages reach it on
// the thread that registered it; that thread must run a message loop (any loop will do, a modal
// dialog's or a menu's as well). Unregister before destroying the observer, preferably on the
// registering thread: a message that is already running on another thread cannot be recalled.
class IMessageObserver {
public:
    virtual ~IMessageObserver() {}
    // Arguments are valid for the duration of the call only. Must not throw: each module unwinds
    // on its own, so an exception cannot pass through the manager's frames and ends the process.
    virtual void OnMessage(const std::string& channel, int id, const VariantList& params) = 0;
};

// Runs one handler body for an observer's OnMessage; an exception ends there, since it cannot
// unwind through the manager's module.
template <class Body>
inline void RunCatchingAll(Body&& body) {
    try {
        body();
    } catch (...) {
    }
}

// Registration modes. Both are accepted and behave alike: the observer is bound to the
// registering thread, which runs its handler for every posted and sent message. Mode 3 marks an
// observer internal to the library that registers it; any other value is taken as mode 2.
enum MessageObserverMode {
    kObserverUiThread = 2,
    kObserverInternal = 3,
};

// The process-wide publish/subscribe hub. Every operation may be called from any thread, also from
// inside a handler (re-entrantly); the manager never holds its own lock while a handler runs.
// Operations return non-zero on success and never throw.
class IMessageManager {
public:
    // Calls every observer of the channel at once on the calling thread, whatever thread registered it.
    virtual int Deliver(const std::string& channel, int id, const VariantList& params) = 0;
    // Binds the observer to the calling thread. Registering it again on the same channel changes nothing.
    virtual int Register(const std::string& channel, IMessageObserver* observer, int mode) = 0;
    // After this returns the observer receives nothing more on the channel, including messages
    // that were posted to it and are still queued.
    virtual int Unregister(const std::string& channel, IMessageObserver* observer) = 0;
    // Non-zero while the observer is registered on the channel.
    virtual int IsRegistered(const std::string& channel, IMessageObserver* observer) = 0;
    // Returns after every observer's handler has run, each on its registering thread (directly when
    // that is the caller's). Observers whose thread has ended are skipped. The caller must not hold
    // a lock that an observer's thread may wait for.
    virtual int Send(const std::string& channel, int id, const VariantList& params) = 0;
    // Returns at once. The message is queued for the observers registered now; each receives it on
    // its registering thread, in the order of posting. `reserved` is ignored (callers pass 0).
    virtual int Post(const std::string& channel, int id, int reserved, const VariantList& params) = 0;

protected:
    ~IMessageManager() {}
};

// The manager lives until the process ends; callers fetch it at each use and never release it.
extern "C" VXMDCORE_API IMessageManager* AfxGetMessageManager();

#pragma once
#include <windows.h>

// How the bridge's threads end. The facade is destroyed while its library unloads (DllMain), and
// there a thread cannot finish exiting: its exit waits for the loader lock that the unload holds,
// so waiting for its handle only times out, and the thread's state would have to be left behind.
// Instead a thread reports, as its very last call, that it is done with its owner's state and
// stays inside the system; its owner then has it exit from there. It never runs this library's code
// again, so the library may go away before the exit completes.
namespace threadend {

// The last call of a thread's entry function, with every local of the library's code gone. Returns
// only when `done` could not be signalled.
inline void ReportDoneAndPark(HANDLE done) {
    // Signals and waits in one step, alertable, on a handle that is never signalled while the process
    // lives: only the owner's APC ends the wait.
    SignalObjectAndWait(done, GetCurrentProcess(), INFINITE, TRUE);
}

// Waits up to limitMs for the thread's ReportDoneAndPark; then the owner's state is free, and the
// thread is made to exit. False when it did not report in time (its state must be kept). Any thread,
// also under the loader lock.
inline bool EndParkedThread(HANDLE thread, HANDLE done, DWORD limitMs) {
    if (WaitForSingleObject(done, limitMs) != WAIT_OBJECT_0) return false;
    // The APC runs ExitThread itself, not a routine of this library that could be unmapped by then;
    // its one argument (the exit code) and its calling convention are those of an APC routine.
    QueueUserAPC(reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(&ExitThread)), thread, 0);
    return true;
}

}  // namespace threadend

#pragma once
#include <string>

#include "updatelib/VxMdUpdateDefApi.h"

// The installation's user id and the daily upload of the user-action log (and of crash dumps the
// user agreed to send), on one worker thread per process.
class VXMDUPDATEDEF_API CSendInfoEveryDay {
public:
    // Starts the worker unless it was started before in this process.
    static void SendInfo();
    // Stops the worker (at most 1000 ms wait); an upload that has not begun does not happen.
    static void Release();
};

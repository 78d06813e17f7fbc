#pragma once
#include <string>
#include <vector>

#include "updatelib/VxMdUpdateDefApi.h"

// The installation's user id and the daily upload of the user-action log (and of crash dumps the
// user agreed to send), on one worker thread per process. SendInfo and Release are called from the
// main program's thread; every failure is logged to "update.log" and nothing is shown.
//
// The worker waits 30 s between the registration and the upload. Tests shorten that pause with the
// environment variable VX_SENDINFO_PAUSE_MS (milliseconds), read once at the first SendInfo.
class VXMDUPDATEDEF_API CSendInfoEveryDay {
public:
    // Starts the worker unless it was started before in this process.
    static void SendInfo();
    // Stops the worker (at most 1000 ms wait); an upload that has not begun does not happen.
    static void Release();

private:
    friend struct SendInfoEveryDayTestPeer;

#if defined(_WIN32)
    static unsigned __stdcall ThreadProc(void* param);
#endif
    static void GenUserID();
    // Registers with the installation source; false when the server could not be asked.
    static bool RegisterUserID(const std::string& installSrc);
    static void SendClientLog();
    // True (and the time stored under "UpdateRegInfo"/key) when minutes have passed since the last.
    static bool CheckTimeStamp(const char* key, unsigned int minutes);
    static bool UploadFile(const std::string& file, const std::string& server);
    // Appends the agreed dumps to out; their paths go to sent, to be deleted once the upload is done.
    static void GetCrashFile(std::string& out, std::vector<std::string>& sent);
};

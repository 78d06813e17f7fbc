// The movie player: started by the player bridge with "/mdplay" and five fields; shows one page in
// its skinned window until the window is closed.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "MainDlgWin.h"
#include "MovieCommandLine.h"
#include "log/VxMdLog.h"
#include "ui/MessageLoop.h"

namespace {
const int kNotStarted = 1;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int show) {
    if (!moviecommand::IsPlayRequest(arguments ? arguments : "")) return kNotStarted;
    VxMdLog::LogInit("VxMdMoviePlayer");

    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);

    int result = kNotStarted;
    ui::CMessageLoop loop;
    ui::CThreadLoops::Add(&loop);
    {
        const char* raw = ::GetCommandLineA();
        CMainDlg dialog(raw ? raw : "");
        if (dialog.Create()) {
            ::ShowWindow(dialog, show);
            result = loop.Run();
        } else {
            VxMdLog::Log("VxMdMoviePlayer.txt", VxMdLog::LEVEL_FATAL, "WinMain", "no window");
        }
    }
    ui::CThreadLoops::Remove();
    ::CoUninitialize();
    return result;
}

// VxMdService.exe: the background service (see ServiceModuleWin.h for its switches).
#include <windows.h>

#include "ServiceModuleWin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    try {
        CVxMdServiceModule module;
        return module.WinMain(commandLine);
    } catch (...) {
        return ERROR_SERVICE_SPECIFIC_ERROR;
    }
}

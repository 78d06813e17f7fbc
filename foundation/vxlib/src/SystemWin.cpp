#include "vxlib/System.h"

#include <windows.h>
#include <tlhelp32.h>

#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

namespace System {

unsigned long FindProcessId(const std::string& exeName) {
    std::wstring wanted = Charset::String2WString(Dir::GetShortFileName(exeName));
    if (wanted.empty()) return 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        // Some systems report a full path here: compare the file name part.
        const wchar_t* name = entry.szExeFile;
        for (const wchar_t* p = entry.szExeFile; *p; ++p) {
            if (*p == L'\\' || *p == L'/') name = p + 1;
        }
        if (lstrcmpiW(name, wanted.c_str()) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

bool IsProcessExist(const std::string& exeName) { return FindProcessId(exeName) != 0; }

void* FindFunctonFormModule(const std::string& module, const std::string& functionName, HMODULE& module_out) {
    module_out = nullptr;
    if (module.empty() || functionName.empty()) return nullptr;
    HMODULE loaded = LoadLibraryW(Charset::String2WString(module).c_str());
    if (!loaded) return nullptr;
    FARPROC proc = GetProcAddress(loaded, functionName.c_str());
    if (!proc) {
        FreeLibrary(loaded);
        return nullptr;
    }
    module_out = loaded;
    return reinterpret_cast<void*>(proc);
}

}  // namespace System

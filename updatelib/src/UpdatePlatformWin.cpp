#include <windows.h>
#include <shlwapi.h>

#include "UpdatePlatform.h"

namespace UpdatePlatform {

bool IsUrl(const std::string& text) { return !text.empty() && PathIsURLA(text.c_str()) != FALSE; }

uint32_t TickCount() { return GetTickCount(); }

std::string GetEnv(const char* name) {
    // The CRT's copy of the environment misses SetEnvironmentVariable changes; ask the system.
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) return std::string();
    std::string value(needed, '\0');
    DWORD got = GetEnvironmentVariableA(name, &value[0], needed);
    if (got == 0 || got >= needed) return std::string();
    value.resize(got);
    return value;
}

}  // namespace UpdatePlatform

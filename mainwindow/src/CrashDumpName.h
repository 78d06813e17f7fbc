#pragma once
#include <cstddef>
#include <string>

// Where a crash dump goes: "<folder>\YYYYMMDDhhmmssmmm_<name><ext>.dmp", local time of the crash.
namespace CrashDumpName {

struct Time {
    int year, month, day, hour, minute, second, millisecond;
};

// The executable's path cut into its folder (no trailing separator), its file name without the
// extension and the extension with its dot (empty when there is none). Either separator counts.
void SplitModulePath(const std::string& path, std::string& folder, std::string& name, std::string& ext);

// Writes the dump's path into `buffer` without touching the heap, which may be broken when a crash
// calls this. False (buffer holding an empty string when size > 0) when it does not fit.
bool Format(char* buffer, size_t size, const char* folder, const Time& time, const char* name, const char* ext);

}  // namespace CrashDumpName

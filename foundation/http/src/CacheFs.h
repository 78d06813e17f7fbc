#pragma once
#include <cstdio>
#include <string>
#include <vector>

// The few file operations the cache needs, over narrow (system code page) paths: wide APIs on
// Windows, so that Chinese folder names work, plain POSIX calls elsewhere.
namespace CacheFs {

extern const char kSep;

// mode as for fopen ("rb", "wb"). Files opened for reading may be renamed over or deleted while
// open, so that a reader never blocks a writer.
std::FILE* Open(const std::string& path, const char* mode);
bool MakeDirs(const std::string& dir);
// Replaces to by from in one step.
bool Replace(const std::string& from, const std::string& to);
// True when no file of that name remains.
bool Remove(const std::string& path);
// Plain file names in dir.
std::vector<std::string> List(const std::string& dir);
long long Now();   // seconds since 1970

}  // namespace CacheFs

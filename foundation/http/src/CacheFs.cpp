#ifndef _WIN32
#include "CacheFs.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CacheFs {

const char kSep = '/';

std::FILE* Open(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool MakeDirs(const std::string& dir) {
    if (dir.empty()) return false;
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i == dir.size() || dir[i] == '/') {
            std::string part = dir.substr(0, i);
            if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Replace(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

bool Remove(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        struct stat st;
        if (stat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    closedir(d);
    return names;
}

long long Now() { return static_cast<long long>(std::time(nullptr)); }

}  // namespace CacheFs
#endif

// Crash dump names: the module path the crash handler cuts into folder, name and extension (GBK,
// either separator), and the dump path formatted from them without the heap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CrashDumpName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    std::string folder, name, ext;
    CrashDumpName::SplitModulePath(path, folder, name, ext);
    const std::string file = name + ext;
    // Folder, at most one separator, file: the whole path again.
    if (folder.size() + file.size() > path.size() || path.compare(0, folder.size(), folder) != 0 ||
        path.compare(path.size() - file.size(), file.size(), file) != 0)
        abort();
    const std::string separator = path.substr(folder.size(), path.size() - folder.size() - file.size());
    if (!separator.empty() && separator != "\\" && separator != "/") abort();
    if (!ext.empty() && ext[0] != '.') abort();

    // As the handler does: the strings end at a zero, the buffer is MAX_PATH or larger.
    const CrashDumpName::Time time = {2011, 6, 27, 10, 11, 12, 13};
    for (size_t room : {size_t(1), size_t(260), size_t(4096)}) {
        char buffer[4096];
        std::memset(buffer, 'x', sizeof buffer);
        const bool fits = CrashDumpName::Format(buffer, room, folder.c_str(), time, name.c_str(), ext.c_str());
        const size_t length = strnlen(buffer, room);
        if (length == room || (!fits && length != 0)) abort();
    }
    return 0;
}

// The updater's command line: "-c" and the task file the main program or the update flow wrote.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string path = VxMdUpdate::ParseTaskFilePath(line);
    if (path.size() > VxMdUpdate::kMaxTaskPathLength || path.find('"') != std::string::npos) abort();
    return 0;
}

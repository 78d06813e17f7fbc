// Entry names of zip archives: whatever name is accepted must stay inside the target folder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vxlib/Zip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    std::string relative;
    bool folder = false;
    if (!Filezip::CheckEntryName(name, relative, folder)) return 0;
    bool escapes = relative.empty() || relative[0] == '/' || relative.find_first_of("\\:") != std::string::npos;
    for (size_t start = 0; !escapes && start <= relative.size();) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string component = relative.substr(start, end - start);
        escapes = component.empty() || component == "." || component == "..";
        start = end + 1;
    }
    if (escapes) {
        std::fprintf(stderr, "accepted \"%s\" as \"%s\"\n", name.c_str(), relative.c_str());
        std::abort();
    }
    return 0;
}

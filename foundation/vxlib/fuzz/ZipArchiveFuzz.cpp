// Zip archives (the ranking archive, update packages) through the unpacking loop the file unpacker
// uses too: entry names checked, entries inflated and their sizes and checksums checked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "vxlib/Zip.h"

// The product stops at 512 MiB an entry; a smaller cap reaches the same stop without spending
// seconds inflating each bomb.
const unsigned long long kMaxEntrySize = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::pair<std::string, std::string>> files;
    Memzip::UnCompress(data, size, files, false, kMaxEntrySize);
    Memzip::UnCompress(data, size, files, true, kMaxEntrySize);
    return 0;
}

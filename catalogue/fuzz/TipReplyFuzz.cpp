// Tip replies of the search box: "RelWord", "SNum", "RNum" and "HitNum" lines from the tip server.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SearchReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SearchResult result;
    SearchReply::ParseTipReply(std::string(reinterpret_cast<const char*>(data), size), result);
    return 0;
}

// zlib and gzip blocks (search replies, network lists) inflated into a buffer of the announced
// length: the first three bytes give that length, the rest is the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vxlib/Zip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const unsigned long capacity = data[0] | (data[1] << 8) | ((data[2] & 0x0F) << 16);
    std::vector<unsigned char> out(capacity);
    unsigned long length = capacity;
    Memzip::UnCompress(out.data(), &length, data + 3, static_cast<unsigned long>(size - 3));
    return 0;
}

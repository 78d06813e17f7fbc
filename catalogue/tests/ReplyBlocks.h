#pragma once
#include <cstdint>
#include <string>

#include "vxlib/Zip.h"

// Builds replies in the server's block format: uncompressed length, compressed length (both
// little-endian 32-bit), then the zlib data.
inline std::string LittleEndian(uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

inline std::string Block(const std::string& text) {
    std::string packed;
    if (!Memzip::Compress(text.data(), text.size(), packed)) return std::string();
    return LittleEndian(static_cast<uint32_t>(text.size())) + LittleEndian(static_cast<uint32_t>(packed.size())) + packed;
}

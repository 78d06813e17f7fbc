#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

// Builds small zip archives for the tests: stored or deflated entries, raw name bytes and flags,
// and sizes that can lie.
struct ZipTestEntry {
    std::string name;
    std::string data;
    bool deflate = true;
    uint16_t flags = 0;
    int64_t declaredSize = -1;  // uncompressed size written to the headers; -1: the real one
};

inline void PutLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::string RawDeflate(const std::string& data) {
    z_stream s;
    std::memset(&s, 0, sizeof(s));
    deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(&out[0]);
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

inline std::string MakeTestZip(const std::vector<ZipTestEntry>& entries) {
    std::string zip, central;
    for (const ZipTestEntry& e : entries) {
        std::string body = e.deflate ? RawDeflate(e.data) : e.data;
        uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        uint32_t size = e.declaredSize >= 0 ? static_cast<uint32_t>(e.declaredSize) : static_cast<uint32_t>(e.data.size());
        uint32_t offset = static_cast<uint32_t>(zip.size());
        std::string common;
        PutLe(common, 20, 2);  // version needed
        PutLe(common, e.flags, 2);
        PutLe(common, e.deflate ? 8 : 0, 2);
        PutLe(common, 0, 4);  // time and date
        PutLe(common, crc, 4);
        PutLe(common, static_cast<uint32_t>(body.size()), 4);
        PutLe(common, size, 4);
        PutLe(common, static_cast<uint32_t>(e.name.size()), 2);
        PutLe(common, 0, 2);  // extra
        PutLe(zip, 0x04034b50, 4);
        zip += common + e.name + body;
        PutLe(central, 0x02014b50, 4);
        PutLe(central, 20, 2);  // version made by
        central += common;
        PutLe(central, 0, 2);  // comment
        PutLe(central, 0, 2);  // disk
        PutLe(central, 0, 2);  // internal attributes
        PutLe(central, 0, 4);  // external attributes
        PutLe(central, offset, 4);
        central += e.name;
    }
    uint32_t centralOffset = static_cast<uint32_t>(zip.size());
    zip += central;
    PutLe(zip, 0x06054b50, 4);
    PutLe(zip, 0, 4);
    PutLe(zip, static_cast<uint32_t>(entries.size()), 2);
    PutLe(zip, static_cast<uint32_t>(entries.size()), 2);
    PutLe(zip, static_cast<uint32_t>(central.size()), 4);
    PutLe(zip, centralOffset, 4);
    PutLe(zip, 0, 2);
    return zip;
}

#include "RankingRules.h"

#include <vector>

#include "vxlib/Zip.h"

namespace RankingRules {

bool IsFresh(uint32_t lastUpdate, const Time::DateTime& now) {
    Time::DateTime stored(static_cast<int64_t>(lastUpdate));
    return now.GetDay() - stored.GetDay() <= 3 && now.GetMonth() == stored.GetMonth();
}

namespace {

bool ReadWhole(const ReadFn& read, char* buffer, uint32_t length) {
    uint32_t done = 0;
    while (done < length) {
        uint32_t want = length - done;
        int got = read(buffer + done, static_cast<int>(want > 65536 ? 65536 : want));
        if (got <= 0 || static_cast<uint32_t>(got) > want) return false;
        done += static_cast<uint32_t>(got);
    }
    return true;
}

bool ReadLength(const ReadFn& read, uint32_t& value) {
    unsigned char bytes[4];
    if (!ReadWhole(read, reinterpret_cast<char*>(bytes), 4)) return false;
    value = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
            (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

}  // namespace

bool DecodeNetList(const ReadFn& read, std::string& xml) {
    xml.clear();
    uint32_t plainLength = 0;
    uint32_t packedLength = 0;
    if (!ReadLength(read, plainLength) || !ReadLength(read, packedLength)) return false;
    if (plainLength > kMaxNetListLength || packedLength > kMaxNetListLength) return false;
    if (plainLength == 0 || packedLength == 0) return false;
    std::vector<unsigned char> packed(packedLength);
    if (!ReadWhole(read, reinterpret_cast<char*>(packed.data()), packedLength)) return false;
    std::string plain(plainLength, '\0');
    unsigned long outLength = plainLength;
    if (!Memzip::UnCompress(reinterpret_cast<unsigned char*>(&plain[0]), &outLength, packed.data(),
                            packedLength)) {
        return false;
    }
    plain.resize(outLength);
    xml.swap(plain);
    return true;
}

}  // namespace RankingRules

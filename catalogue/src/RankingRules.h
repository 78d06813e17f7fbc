#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "vxlib/DateTime.h"

// The parts of the ranking refresh that need no system objects. Safe from any thread.
namespace RankingRules {

// Either length field of a network list item above this refuses the item.
const uint32_t kMaxNetListLength = 10485760;

// Whether data refreshed at `lastUpdate` (seconds since 1970, 0 = never) is still fresh at `now`:
// the day of month moved on by at most 3 (a negative difference counts as fresh) within the same
// month number; the year is not compared.
bool IsFresh(uint32_t lastUpdate, const Time::DateTime& now);

// Reads up to `capacity` bytes into the buffer; the count read, 0 at the end or on failure.
typedef std::function<int(char* buffer, int capacity)> ReadFn;

// A network list item: uncompressed length (LE32), compressed length (LE32), the zlib block.
// True with the XML text when both lengths were read whole, are within kMaxNetListLength, the
// block was read whole and decompressed to exactly the announced length.
bool DecodeNetList(const ReadFn& read, std::string& xml);

}  // namespace RankingRules

#include <gtest/gtest.h>

#include <string>

#include "../src/RankingRules.h"
#include "vxlib/Zip.h"

namespace {

uint32_t At(int year, int month, int day) {
    return static_cast<uint32_t>(Time::DateTime::FromLocal(year, month, day, 12).GetSeconds());
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// Serves `data` in pieces of at most `piece` bytes.
RankingRules::ReadFn Reader(const std::string& data, size_t piece = 7) {
    auto offset = std::make_shared<size_t>(0);
    return [data, piece, offset](char* buffer, int capacity) {
        size_t n = std::min({data.size() - *offset, piece, static_cast<size_t>(capacity)});
        std::copy(data.begin() + *offset, data.begin() + *offset + n, buffer);
        *offset += n;
        return static_cast<int>(n);
    };
}

}  // namespace

TEST(RankingRules, FreshnessComparesDayAndMonthOnly) {
    EXPECT_FALSE(RankingRules::IsFresh(At(2011, 4, 28), Time::DateTime::FromLocal(2011, 5, 2, 9)));
    EXPECT_TRUE(RankingRules::IsFresh(At(2011, 4, 5), Time::DateTime::FromLocal(2011, 4, 2, 9)));
    EXPECT_TRUE(RankingRules::IsFresh(At(2011, 3, 3), Time::DateTime::FromLocal(2012, 3, 4, 9)));
    EXPECT_TRUE(RankingRules::IsFresh(At(2011, 4, 10), Time::DateTime::FromLocal(2011, 4, 13, 9)));
    EXPECT_FALSE(RankingRules::IsFresh(At(2011, 4, 10), Time::DateTime::FromLocal(2011, 4, 14, 9)));
    EXPECT_FALSE(RankingRules::IsFresh(0, Time::DateTime::FromLocal(2011, 4, 1, 9)));
}

TEST(RankingRules, NetListItemsAreCheckedBeforeUse) {
    const std::string xml = "<pl n=\"net\" sn=\"Net\"><so n=\"x\"/></pl>";
    std::string packed;
    ASSERT_TRUE(Memzip::Compress(xml.data(), xml.size(), packed));
    std::string out;

    EXPECT_TRUE(RankingRules::DecodeNetList(Reader(Le32(xml.size()) + Le32(packed.size()) + packed), out));
    EXPECT_EQ(xml, out);

    // Oversized length fields, whatever follows.
    EXPECT_FALSE(RankingRules::DecodeNetList(Reader(Le32(10485761) + Le32(packed.size()) + packed), out));
    EXPECT_FALSE(RankingRules::DecodeNetList(Reader(Le32(xml.size()) + Le32(10485761) + packed), out));
    EXPECT_TRUE(out.empty());
    // Cut short: in a length field, in the block; a block that does not give the announced length.
    EXPECT_FALSE(RankingRules::DecodeNetList(Reader(Le32(xml.size()) + "\x01\x02"), out));
    EXPECT_FALSE(RankingRules::DecodeNetList(Reader(Le32(xml.size()) + Le32(packed.size()) + packed.substr(0, 5)), out));
    EXPECT_FALSE(RankingRules::DecodeNetList(Reader(Le32(xml.size() - 1) + Le32(packed.size()) + packed), out));
    EXPECT_FALSE(RankingRules::DecodeNetList(Reader(Le32(xml.size()) + Le32(packed.size()) + std::string(packed.size(), 'x')), out));
}

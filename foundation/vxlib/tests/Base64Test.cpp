#include <gtest/gtest.h>

#include <string>

#include "vxlib/Base64.h"

namespace {

const std::string kKey = "quorlin ";

std::string Bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 16);
    }
    return s;
}

}  // namespace

TEST(Base64, Rfc4648VectorsBothWays) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& v : vectors) {
        std::string plain = v.first, out;
        EXPECT_EQ(static_cast<int>(std::string(v.second).size()), Base64Encode(out, plain.data(), plain.size()));
        EXPECT_EQ(v.second, out);
        EXPECT_EQ(static_cast<int>(plain.size()), Base64Decode(out, v.second));
        EXPECT_EQ(plain, out);
    }
    std::string out;
    ASSERT_EQ(4, Base64Encode(out, "\xFB\xFF\xBF", 3));
    EXPECT_EQ("+/+/", out);  // the two characters that differ between alphabets
}

TEST(Base64, KeyedFormIsXorWithRepeatedKeyThenStandardBase64) {
    // Expected texts computed independently (Python: b64encode of the data XORed with b"quorlin ").
    std::string out;
    std::string text = "hello, world";
    ASSERT_EQ(16, Base64Encode(out, text.data(), text.size(), kKey));
    EXPECT_EQ("GRADHgNFTlceBwMW", out);
    std::string ramp;
    for (int i = 0; i < 20; ++i) ramp += static_cast<char>(i);
    ASSERT_EQ(28, Base64Encode(out, ramp.data(), ramp.size(), kKey));
    EXPECT_EQ("cXRtcWhsaCd5fGV5YGRgL2FkfWE=", out);
    std::string decoded;
    EXPECT_EQ(20, Base64Decode(decoded, out, kKey));
    EXPECT_EQ(ramp, decoded);

    // An empty key scrambles nothing.
    ASSERT_EQ(4, Base64Encode(out, "foo", 3, ""));
    EXPECT_EQ("Zm9v", out);
}

TEST(Base64, EveryLengthRoundTripsPlainAndKeyed) {
    for (size_t n = 0; n <= 1024; ++n) {
        std::string data = Bytes(n, static_cast<unsigned>(n));
        std::string plain, keyed, back;
        int expected = static_cast<int>((n + 2) / 3 * 4);
        ASSERT_EQ(expected, Base64Encode(plain, data.data(), n)) << n;
        ASSERT_EQ(expected, Base64Encode(keyed, data.data(), n, kKey)) << n;
        ASSERT_EQ(std::string::npos, keyed.find_first_not_of(
                                         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="))
            << n;
        if (n > 0) {
            EXPECT_NE(plain, keyed) << n;
        }
        ASSERT_EQ(static_cast<int>(n), Base64Decode(back, plain)) << n;
        ASSERT_EQ(data, back) << n;
        ASSERT_EQ(static_cast<int>(n), Base64Decode(back, keyed, kKey)) << n;
        ASSERT_EQ(data, back) << n;

        // The service pipe's framing: keyed text XORed again with a 7-character key, and back.
        std::string wire = keyed;
        xor_buffer(&wire[0], wire.size(), "quorlin");
        if (n > 0) {
            EXPECT_NE(keyed, wire);
        }
        xor_buffer(&wire[0], wire.size(), "quorlin");
        ASSERT_EQ(keyed, wire);
    }
}

TEST(Base64, MalformedTextFailsAndLeavesNothing) {
    const std::string bad[] = {
        "Z", "Zg", "Zg=", "Zm9vY", "Zm9v!", "Zm 9v", "Zm\t9v", "=Zg=", "====", "A===", "Zg=a",
        "Zg==Zg==",  // padding in the middle
        "Zm9v====", "Zh==", "Zm9=",  // non-zero unused bits
        std::string("Zm\0v", 4), "Zm9v\x80\x80\x80\x80", "\xD6\xD0\xCE\xC4",
    };
    for (const std::string& text : bad) {
        std::string out = "stale";
        EXPECT_LE(Base64Decode(out, text), 0) << text;
        EXPECT_TRUE(out.empty()) << text;
        out = "stale";
        EXPECT_LE(Base64Decode(out, text, kKey), 0) << text;
        EXPECT_TRUE(out.empty()) << text;
    }
    std::string out = "stale";
    EXPECT_EQ(0, Base64Decode(out, ""));
    EXPECT_TRUE(out.empty());
    EXPECT_LE(Base64Encode(out, nullptr, 3), 0);

    // Line breaks (a server's wrapped reply) are skipped.
    EXPECT_EQ(6, Base64Decode(out, "Zm9v\r\nYmFy\n"));
    EXPECT_EQ("foobar", out);
}

TEST(Base64, XorBufferRepeatsTheKeyAndIsItsOwnInverse) {
    std::string data(10, '\0');
    xor_buffer(&data[0], data.size(), "abc");
    EXPECT_EQ("abcabcabca", data);
    xor_buffer(&data[0], data.size(), "abc");
    EXPECT_EQ(std::string(10, '\0'), data);
    std::string same = "unchanged";
    xor_buffer(&same[0], same.size(), "");
    xor_buffer(nullptr, 5, "abc");
    EXPECT_EQ("unchanged", same);
}

#include <gtest/gtest.h>

#include "vxlib/JsonText.h"

TEST(JsonText, MalformedDocumentsFailWithoutThrowing) {
    const std::string deep(100000, '[');
    const std::string deepObjects = [] {
        std::string s;
        for (int i = 0; i < 5000; ++i) s += "{\"a\":";
        return s;
    }();
    const std::string balancedTooDeep = std::string(257, '[') + std::string(257, ']');
    const std::string cases[] = {
        "", "   ", "{", "[1,2", "{\"a\":}", "{\"a\" 1}", "\"open", "[1] x", "{} {}", "nul",
        "// note\n{}", "{'a':1}", "[NaN]", deep, deepObjects, balancedTooDeep,
        "\"\xC3\x28\"",          // broken sequence
        "\"\xC0\xAF\"",          // overlong "/"
        "\"\xED\xA0\x80\"",      // UTF-16 surrogate
        "\"\xF4\x90\x80\x80\"",  // above U+10FFFF
        "[\"\xE5\x91\"]",        // cut short
    };
    for (const std::string& text : cases) {
        Json::Value value(123);
        std::string error;
        EXPECT_FALSE(JsonText::Parse(text, value, &error)) << text.substr(0, 40);
        EXPECT_TRUE(value.isNull());
        EXPECT_FALSE(error.empty());
    }
}

TEST(JsonText, DepthCountsOnlyBracketsOutsideStrings) {
    Json::Value value;
    const std::string atLimit = std::string(256, '[') + std::string(256, ']');
    EXPECT_TRUE(JsonText::Parse(atLimit, value));
    const std::string inString = "[\"" + std::string(1000, '[') + "\\\"" + std::string(1000, '{') + "\\\\\"]";
    ASSERT_TRUE(JsonText::Parse(inString, value));
    EXPECT_EQ(2002u, value[0].asString().size());
}

TEST(JsonText, ChineseTextRoundTripsInBothEncodings) {
    const std::string utf8 = u8"{\"list\":[{\"name\":\"周杰伦\",\"id\":\"12\"}],\"type\":\"video\"}";
    Json::Value page;
    ASSERT_TRUE(JsonText::Parse(utf8, page));
    EXPECT_EQ(std::string(u8"周杰伦"), page["list"][0]["name"].asString());

    const std::string raw = JsonText::Write(page, true, true);
    EXPECT_NE(std::string::npos, raw.find(u8"周杰伦"));
    const std::string escaped = JsonText::Write(page, false, false);
    EXPECT_NE(std::string::npos, escaped.find("\\u5468"));
    for (const std::string& text : {raw, escaped}) {
        Json::Value again;
        ASSERT_TRUE(JsonText::Parse(text, again)) << text;
        EXPECT_EQ(page, again);
    }

    // Code page text (the narrow literal is GBK) survives only the raw writer.
    Json::Value gbk;
    gbk["name"] = "周杰伦";
    Json::Value back;
    ASSERT_TRUE(JsonText::Parse(JsonText::Write(gbk), back, nullptr, false));
    EXPECT_EQ(gbk, back);
    EXPECT_FALSE(JsonText::Parse(JsonText::Write(gbk), back));
}

TEST(JsonText, NumbersGivenAsTextAndWrongTypesReadSafely) {
    Json::Value page;
    ASSERT_TRUE(JsonText::Parse(
        "{\"total\":\"125\",\"pn\":3,\"neg\":\"-9223372036854775808\",\"max\":\"9223372036854775807\","
        "\"over\":\"9223372036854775808\",\"bad\":\"12a\",\"space\":\" 1\",\"empty\":\"\",\"sign\":\"-\","
        "\"real\":2.0,\"half\":2.5,\"big\":18446744073709551615,\"list\":[1]}",
        page));
    EXPECT_EQ(125, JsonText::GetInt64(page, "total", -1));
    EXPECT_EQ(3, JsonText::GetInt64(page, "pn", -1));
    EXPECT_EQ(INT64_MIN, JsonText::GetInt64(page, "neg", -1));
    EXPECT_EQ(INT64_MAX, JsonText::GetInt64(page, "max", -1));
    EXPECT_EQ(2, JsonText::GetInt64(page, "real", -1));
    for (const char* key : {"over", "bad", "space", "empty", "sign", "half", "big", "list", "missing"})
        EXPECT_EQ(-1, JsonText::GetInt64(page, key, -1)) << key;

    EXPECT_EQ("3", JsonText::GetText(page, "pn"));
    EXPECT_EQ("125", JsonText::GetText(page, "total"));
    EXPECT_EQ("x", JsonText::GetText(page, "list", "x"));
    // Looking a member up in an array or a string would throw inside JsonCpp.
    EXPECT_EQ(nullptr, JsonText::Member(page["list"], "a"));
    EXPECT_EQ("x", JsonText::GetText(page["total"], "a", "x"));
    EXPECT_EQ(0, JsonText::GetInt64(Json::Value(), "a"));
}

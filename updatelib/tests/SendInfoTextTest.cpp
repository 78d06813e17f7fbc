#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "../src/SendInfoText.h"
#include "vxlib/Base64.h"

using namespace SendInfoText;

TEST(SendInfoText, RegisterTextCutsEachValueAndTheWhole) {
    RegisterValues v;
    v.version = "1.2.3.4";
    v.src = "setup.exe";
    EXPECT_EQ("id=&mac=&hd=&vmac=&ver=1.2.3.4&src=setup.exe", BuildRegisterText(v));

    v.id = "42";
    v.mac = "00AABBCCDDEE";
    v.hd = std::string(100, 'H');
    v.src = std::string(64, 'S');
    std::string r = BuildRegisterText(v);
    EXPECT_NE(std::string::npos, r.find("&hd=" + std::string(63, 'H') + "&vmac="));
    EXPECT_EQ("&src=" + std::string(63, 'S'), r.substr(r.size() - 68));
    // Six values at their limit stay below the whole text's limit.
    v = {std::string(63, 'a'), std::string(63, 'b'), std::string(63, 'c'), std::string(63, 'd'),
         std::string(63, 'e'), std::string(63, 'f')};
    EXPECT_LE(BuildRegisterText(v).size(), kMaxRegisterText);
}

TEST(SendInfoText, RegisterReplyTakesTheDigitsAfterTheFirstEquals) {
    struct Case {
        std::string reply, id;
    } cases[] = {
        {"id=123456", "123456"},
        {"id=77\r\n", "77"},
        {"x=1=2", "1"},
        {"id=12ab34", "12"},
        {"id=", ""},
        {"no id here", ""},
        {"", ""},
        {"id=abc", ""},
        {"id=" + std::string(70, '9'), std::string(63, '9')},
        {std::string("id=5\0" "6", 6), "5"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.id, ParseRegisterReply(c.reply.data(), c.reply.size())) << c.reply;
    EXPECT_EQ("", ParseRegisterReply(nullptr, 4));

    EXPECT_TRUE(IsPositiveNumber("1"));
    EXPECT_TRUE(IsPositiveNumber("0010"));
    EXPECT_FALSE(IsPositiveNumber("0"));
    EXPECT_FALSE(IsPositiveNumber("000"));
    EXPECT_FALSE(IsPositiveNumber(""));
    EXPECT_FALSE(IsPositiveNumber("-5"));
    EXPECT_FALSE(IsPositiveNumber("12a"));
}

TEST(SendInfoText, UploadRecordHeadAndParameter) {
    EXPECT_EQ("9%09U:123|V:1.0.2.3|SRC:pkg.exe|T:03-07 04:05:09.007|\r\n",
              BuildUploadHead("123", "1.0.2.3", "pkg.exe", LocalTime{3, 7, 4, 5, 9, 7}));
    EXPECT_EQ("9%09U:|V:|SRC:|T:12-31 23:59:59.999|\r\n", BuildUploadHead("", "", "", LocalTime{12, 31, 23, 59, 59, 999}));
    // A version with printf directives stays text.
    EXPECT_EQ("9%09U:1|V:%s%n|SRC:|T:01-01 00:00:00.000|\r\n", BuildUploadHead("1", "%s%n", "", LocalTime{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ("123;1.0,pkg.exe", BuildUploadParam("123", "1.0", "pkg.exe"));
    EXPECT_EQ(";,", BuildUploadParam("", "", ""));
}

TEST(SendInfoText, EncodedParametersDecodeWithTheServersKey) {
    const std::string plain = "id=&mac=&hd=&vmac=&ver=1.0&src=a b+c";
    std::string encoded;
    ASSERT_TRUE(EncodeParam(plain, encoded));
    EXPECT_NE(std::string::npos, RegisterPath(plain, encoded).find("/regsvr.auth?36&" + encoded));
    EXPECT_EQ("/um/s?m=36;" + encoded, UploadPath(plain, encoded));
    std::string back;
    ASSERT_GT(Base64Decode(back, encoded, "quorlin "), 0);
    EXPECT_EQ(plain, back);
    // Without the key the text must not read back.
    std::string raw;
    Base64Decode(raw, encoded);
    EXPECT_NE(plain, raw);
    EXPECT_FALSE(EncodeParam("", encoded));
    EXPECT_TRUE(encoded.empty());
}

TEST(SendInfoText, UploadBatchesEndBetweenRecords) {
    struct Case {
        std::string records;
        size_t cap, expected;
    };
    const Case cases[] = {
        {"", 10, 0},
        {"a\r\nb\r\n", 10, 6},           // all fits
        {"aaa\r\nbbb\r\nccc\r\n", 12, 10},  // the third record does not fit whole
        {"aaa\r\nbbb\r\n", 5, 5},          // a record ending right at the cap
        {"aaa\r\nbbb\r\n", 6, 5},
        {"aaaaaaaaaa\r\n", 4, 4},         // one record longer than the cap: cut at the cap
        {"aaa\rbbb", 4, 4},                // a lone CR is no record end
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, UploadBatchLength(c.records, c.cap)) << c.records << " " << c.cap;
}

TEST(SendInfoText, CompressedRecordInflatesBack) {
    for (size_t size : {size_t(0), size_t(1), size_t(5000), size_t(70000)}) {
        std::string record;
        unsigned seed = 12345;
        for (size_t i = 0; i < size; ++i) {
            seed = seed * 1103515245u + 12345u;  // incompressible data needs the buffer's margin
            record += static_cast<char>(seed >> 24);
        }
        std::string packed;
        ASSERT_TRUE(CompressRecord(record, packed)) << size;
        std::vector<Bytef> out(size + 1);
        uLongf outSize = static_cast<uLongf>(out.size());
        ASSERT_EQ(Z_OK, uncompress(out.data(), &outSize, reinterpret_cast<const Bytef*>(packed.data()),
                                   static_cast<uLong>(packed.size())));
        EXPECT_EQ(record, std::string(reinterpret_cast<char*>(out.data()), outSize));
    }
}

TEST(SendInfoText, CrashFileNamesAndKeys) {
    EXPECT_TRUE(IsCrashFileName("VxMelodisk_crash_1.txt"));
    EXPECT_TRUE(IsCrashFileName("a.dmp"));
    EXPECT_TRUE(IsCrashFileName("A.DMP"));
    EXPECT_FALSE(IsCrashFileName("a.Dmp"));
    EXPECT_FALSE(IsCrashFileName("Crash.txt"));
    EXPECT_FALSE(IsCrashFileName("act.log"));

    const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyz.dmp";
    ASSERT_EQ(40u, forty.size());
    EXPECT_EQ(forty.substr(7, 25), CrashFileKey(forty));
    EXPECT_EQ("789abcdefghijklmnopqrstuv", CrashFileKey(forty));
    const std::string thirtyTwo(32, 'x');
    EXPECT_EQ(thirtyTwo, CrashFileKey(thirtyTwo));
    const std::string thirtyThree = "y" + std::string(32, 'x');
    EXPECT_EQ("y" + std::string(24, 'x'), CrashFileKey(thirtyThree));
    EXPECT_EQ("short.dmp", CrashFileKey("short.dmp"));

    EXPECT_EQ("Crash_Ver:1.0", CrashTextHead("1.0"));
    EXPECT_EQ(":Name:a.dmp:DESC:it broke:DESCEND:QQ:123:QQEND:BEGIN:QUJD:END:",
              CrashSection("a.dmp", "it broke", "123", "QUJD"));
}

TEST(SendInfoText, TimeStampRule) {
    EXPECT_TRUE(TimeStampDue(false, 0, 1000, 1440));
    EXPECT_FALSE(TimeStampDue(true, 1000, 1000, 1440));
    EXPECT_FALSE(TimeStampDue(true, 1000, 1000 + 1440 * 60 - 1, 1440));
    EXPECT_TRUE(TimeStampDue(true, 1000, 1000 + 1440 * 60, 1440));
    // A stored time in the future (clock set back) is a large unsigned difference: due.
    EXPECT_TRUE(TimeStampDue(true, 5000, 1000, 1440));
    // Across the wrap of the 32-bit seconds.
    EXPECT_FALSE(TimeStampDue(true, 0xFFFFFF00u, 0x00000010u, 1440));
}

TEST(SendInfoText, InstallSourceAndHardwareValues) {
    EXPECT_EQ("VxMdSetup.exe", InstallSrcFromPackage("C:\\dl\\pkgs/VxMdSetup.exe"));
    EXPECT_EQ("setup.exe", InstallSrcFromPackage("C:/x\\setup.exe"));
    EXPECT_EQ("plain", InstallSrcFromPackage("plain"));
    EXPECT_EQ("", InstallSrcFromPackage("C:\\dir\\"));
    EXPECT_EQ(std::string(127, 'n'), InstallSrcFromPackage("C:\\" + std::string(200, 'n')));

    const unsigned char mac[6] = {0x00, 0x1a, 0x2B, 0xc3, 0xFF, 0x09};
    EXPECT_EQ("001A2BC3FF09", FormatMac(mac, 6));
    EXPECT_EQ("", FormatMac(mac, 5));
    EXPECT_EQ("", FormatMac(nullptr, 6));

    EXPECT_EQ("WDWX12AB34", DiskSerialFromIdentify("  WD WX12 AB34      ", 20));
    EXPECT_EQ("", DiskSerialFromIdentify("                    ", 20));
    EXPECT_EQ("AB", DiskSerialFromIdentify(std::string("AB\0CD  ", 7).data(), 7));
}

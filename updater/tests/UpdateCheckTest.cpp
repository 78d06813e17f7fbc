#include <gtest/gtest.h>

#include <string>

#include "CommandLine.h"
#include "UpdateCheck.h"
#include "vxlib/Base64.h"

using namespace VxMdUpdate;

TEST(CommandLine, TaskFilePath) {
    struct Case {
        const char* line;
        const char* path;
    } cases[] = {
        {"", ""},
        {"-c", ""},
        {"-c   ", ""},
        {"-c C:\\tmp\\Update1.xml", "C:\\tmp\\Update1.xml"},
        {"  -c    C:\\tmp\\u.xml   trailing words", "C:\\tmp\\u.xml"},
        {"-c \"C:\\Documents and Settings\\u.xml\"", "C:\\Documents and Settings\\u.xml"},
        {"-c \"  C:\\a b\\u.xml  \" more", "C:\\a b\\u.xml"},
        {"-c \"C:\\unterminated quote\\u.xml", "C:\\unterminated quote\\u.xml"},
        {"x-c C:\\not-a-switch.xml", ""},      // the "-" must begin a word
        {"-x -c C:\\second.xml", "C:\\second.xml"},
        {"C:\\a-c\\b -c C:\\b.xml", "C:\\b.xml"},
        {"-d C:\\other.xml", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.path, ParseTaskFilePath(c.line)) << c.line;

    std::string longPath(2000, 'a');
    EXPECT_EQ(kMaxTaskPathLength, ParseTaskFilePath("-c " + longPath).size());
    EXPECT_EQ(std::string(kMaxTaskPathLength, 'a'), ParseTaskFilePath("-c \"" + longPath + "\""));
}

TEST(CheckRequest, ParamByKindOfTask) {
    EXPECT_EQ("u1;MUSIC_4.0.0.0,MUSIC_4.0.0.0.exe,update",
              BuildCheckParam("VxMelodisk_Update_Playdeck", "6.0.1.3", "standin", "u1"));
    EXPECT_EQ("u2;1.2.3.4,src,CHECK_UPDATE", BuildCheckParam("VxMelodisk_Update_Melodisk", "1.2.3.4", "src", "u2"));
    // Only the part after the last "_" counts, and it is matched exactly.
    EXPECT_EQ("u3;1.0,src,update", BuildCheckParam("Melodisk_Update_Other", "1.0", "src", "u3"));
    EXPECT_EQ("u4;1.0,src,update", BuildCheckParam("X_melodisk", "1.0", "src", "u4"));
    EXPECT_EQ("u5;1.0,src,CHECK_UPDATE", BuildCheckParam("Melodisk", "1.0", "src", "u5"));
    EXPECT_EQ(";,,update", BuildCheckParam("", "", "", ""));

    std::string p = BuildCheckParam("A_B", std::string(3000, '9'), "s", "u");
    EXPECT_EQ(kMaxCheckParamLength, p.size());
    EXPECT_EQ("u;999", p.substr(0, 5));
}

TEST(CheckRequest, UrlCarriesLengthAndKeyedText) {
    const std::string param = "u1;1.2.3.4,src,CHECK_UPDATE";
    std::string url;
    ASSERT_TRUE(BuildCheckUrl("http://127.0.0.1:8080", param, url));
    const std::string head = "http://127.0.0.1:8080/uc/s?m=" + std::to_string(param.size()) + ";";
    ASSERT_EQ(head, url.substr(0, head.size()));
    std::string encoded = url.substr(head.size()), decoded;
    ASSERT_GT(Base64Decode(decoded, encoded, "quorlin "), 0);
    EXPECT_EQ(param, decoded);
    // The key must be the one with the trailing blank: without it the server reads something else.
    std::string wrong;
    Base64Decode(wrong, encoded, "quorlin");
    EXPECT_NE(param, wrong);
}

TEST(VersionRule, TextualComparisonOfFirstRun) {
    EXPECT_EQ("1.2.3.4", VersionRun("v1.2.3.4 beta"));
    EXPECT_EQ("6.0.1.3", VersionRun("MUSIC_6.0.1.3"));
    EXPECT_EQ("", VersionRun("no digits"));
    EXPECT_EQ("", VersionRun(""));
    EXPECT_EQ("3.", VersionRun(".x3.-4"));  // the run begins with a digit, dots may end it

    struct Case {
        const char* current;
        const char* latest;
        bool download;
    } cases[] = {
        {"1.0.0.0", "1.0.0.1", true},
        {"1.0.0.1", "1.0.0.0", false},
        {"1.0.0.0", "1.0.0.0", false},      // equal: nothing to fetch
        {"1.9.0.0", "1.10.0.0", false},     // byte by byte: '9' sorts after '1'
        {"1.10.0.0", "1.9.0.0", true},
        {"1.0", "1.0.0.0", true},            // a prefix sorts first
        {"", "1.0.0.0", true},               // no current version: anything is newer
        {"1.0.0.0", "", false},
        {"Ver 2.0 build", "MUSIC_2.0.1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.download, IsNewerVersion(c.current, c.latest)) << c.current << " vs " << c.latest;
}

TEST(Answer, ReadsUpdateSection) {
    UpdateAnswer a;
    ASSERT_TRUE(ParseUpdateAnswer("[Other]\r\nfilename=x\r\n[update]\r\nUpdateSvr = http://h/pkg \r\n"
                                  "FILENAME=setup.exe\r\nversion=6.0.2.0\r\nsha256=ab\r\n",
                                  "http://default", a));
    EXPECT_EQ("http://h/pkg", a.server);
    EXPECT_EQ("setup.exe", a.fileName);
    EXPECT_EQ("6.0.2.0", a.version);
    EXPECT_EQ("ab", a.sha256);

    // No "UpdateSvr": the download server; no "sha256": nothing to verify.
    ASSERT_TRUE(ParseUpdateAnswer("[Update]\nfilename=a.zip\nversion=1\n", "http://default", a));
    EXPECT_EQ("http://default", a.server);
    EXPECT_EQ("", a.sha256);

    const char* unusable[] = {
        "",
        "[Update]\nfilename=a.zip\n",
        "[Update]\nversion=1\n",
        "[Update]\nUpdateSvr=\nfilename=a.zip\nversion=1\n",
        "[Update]\nfilename=\nversion=1\n",
        "[Other]\nfilename=a.zip\nversion=1\n",
        "\xff\xfe garbage without sections",
    };
    for (const char* text : unusable) EXPECT_FALSE(ParseUpdateAnswer(text, "http://default", a)) << text;
}

TEST(Answer, Sha256Hex) {
    unsigned char d[32];
    std::string hex;
    for (int i = 0; i < 32; ++i) hex += "0F";
    ASSERT_TRUE(ParseSha256Hex(hex, d));
    EXPECT_EQ(0x0F, d[0]);
    EXPECT_EQ(0x0F, d[31]);
    std::string mixed = "Ab" + std::string(62, 'c');
    ASSERT_TRUE(ParseSha256Hex(mixed, d));
    EXPECT_EQ(0xAB, d[0]);
    EXPECT_EQ(0xCC, d[1]);
    EXPECT_FALSE(ParseSha256Hex(hex.substr(2), d));
    EXPECT_FALSE(ParseSha256Hex(hex + "00", d));
    EXPECT_FALSE(ParseSha256Hex("zz" + hex.substr(2), d));
    EXPECT_FALSE(ParseSha256Hex("", d));
}

TEST(Package, StartedKindsAndProgress) {
    EXPECT_TRUE(IsStartablePackage("C:\\u\\VxMusicSetup.exe"));
    EXPECT_TRUE(IsStartablePackage("SETUP.EXE"));
    EXPECT_TRUE(IsStartablePackage("x.MsI"));
    EXPECT_FALSE(IsStartablePackage("VxMelodisk.zip"));
    EXPECT_FALSE(IsStartablePackage("setup.exe.dat"));
    EXPECT_FALSE(IsStartablePackage("exe"));
    EXPECT_FALSE(IsStartablePackage(""));

    // The server's file name becomes a file in the save folder: only plain names do.
    for (const char* plain : {"VxMusicSetup.exe", "VxMelodisk_9.0.0.0.zip", "a b.dat", ".hidden", "\xB2\xA5\xB7\xC5.exe"})
        EXPECT_TRUE(IsPlainPackageName(plain)) << plain;
    for (const char* unsafe : {"", "..", ".", "../x.exe", "..\\x.exe", "sub/x.exe", "sub\\x.exe", "\\\\host\\x.exe",
                               "C:x.exe", "x.exe:stream", "CON", "nul.exe", "Com1.dat", "x.exe.", "x.exe ", "a<b.exe",
                               "a|b.exe", "a?.exe", "a\x01b.exe"})
        EXPECT_FALSE(IsPlainPackageName(unsafe)) << unsafe;

    EXPECT_EQ(0, ProgressPercent(-1, 500));            // length not announced
    EXPECT_EQ(0, ProgressPercent(0, 0));
    EXPECT_EQ(37, ProgressPercent(1000, 370));
    EXPECT_EQ(99, ProgressPercent(1000, 999));
    EXPECT_EQ(0, ProgressPercent(1000, 1000));         // done: the end state says the rest
    EXPECT_EQ(0, ProgressPercent(1000, 1200));
    EXPECT_EQ(50, ProgressPercent(6LL << 30, 3LL << 30));  // beyond 32 bits
}

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CrashDumpName.h"

namespace {

std::string DumpPath(const std::string& modulePath, const CrashDumpName::Time& time) {
    std::string folder, name, ext;
    CrashDumpName::SplitModulePath(modulePath, folder, name, ext);
    char buffer[1024];
    EXPECT_TRUE(CrashDumpName::Format(buffer, sizeof buffer, folder.c_str(), time, name.c_str(), ext.c_str()));
    return buffer;
}

TEST(CrashDumpName, IsTheFolderTheLocalTimeAndTheExecutablesFileName) {
    EXPECT_EQ("C:\\F\\20110427090503007_VxMelodisk.exe.dmp",
              DumpPath("C:\\F\\VxMelodisk.exe", {2011, 4, 27, 9, 5, 3, 7}));
    EXPECT_EQ("D:\\Program Files\\Vixo\\20111231235959999_VxMelodisk.exe.dmp",
              DumpPath("D:\\Program Files\\Vixo\\VxMelodisk.exe", {2011, 12, 31, 23, 59, 59, 999}));
    EXPECT_EQ("C:\\F\\00990102030405060_a.b.exe.dmp", DumpPath("C:\\F\\a.b.exe", {99, 1, 2, 3, 4, 5, 60}));
    EXPECT_EQ("C:\\F\\20110427090503007_VxMelodisk.dmp", DumpPath("C:\\F\\VxMelodisk", {2011, 4, 27, 9, 5, 3, 7}));
}

struct SplitCase {
    const char* path;
    const char* folder;
    const char* name;
    const char* ext;
};

TEST(CrashDumpName, SplitsTheModulePath) {
    const SplitCase cases[] = {
        {"C:\\F\\VxMelodisk.exe", "C:\\F", "VxMelodisk", ".exe"},
        {"Z:/work/bin/VxMelodisk.exe", "Z:/work/bin", "VxMelodisk", ".exe"},
        {"C:\\my.folder\\VxMelodisk", "C:\\my.folder", "VxMelodisk", ""},
        {"C:\\F\\my.app.exe", "C:\\F", "my.app", ".exe"},
        // 0x81 0x5C is one GBK character, not a separator.
        {"C:\\\x81\x5C\\VxMelodisk.exe", "C:\\\x81\x5C", "VxMelodisk", ".exe"},
        {"C:\\\x81\x5C" "a.exe", "C:", "\x81\x5C" "a", ".exe"},
        {"VxMelodisk.exe", "", "VxMelodisk", ".exe"},
    };
    for (const SplitCase& c : cases) {
        std::string folder, name, ext;
        CrashDumpName::SplitModulePath(c.path, folder, name, ext);
        EXPECT_EQ(c.folder, folder) << c.path;
        EXPECT_EQ(c.name, name) << c.path;
        EXPECT_EQ(c.ext, ext) << c.path;
    }
}

TEST(CrashDumpName, APathThatDoesNotFitIsRefused) {
    const CrashDumpName::Time time = {2011, 4, 27, 9, 5, 3, 7};
    const std::string expected = "C:\\F\\20110427090503007_VxMelodisk.exe.dmp";
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_TRUE(CrashDumpName::Format(buffer, expected.size() + 1, "C:\\F", time, "VxMelodisk", ".exe"));
    EXPECT_EQ(expected, buffer);
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(CrashDumpName::Format(buffer, expected.size(), "C:\\F", time, "VxMelodisk", ".exe"));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(CrashDumpName::Format(buffer, 0, "C:\\F", time, "VxMelodisk", ".exe"));
}

}  // namespace

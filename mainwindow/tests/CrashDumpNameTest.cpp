#include <gtest/gtest.h>

#include <cstring>

#include "CrashDumpName.h"

namespace {

std::string DumpPath(const std::string& modulePath, const CrashDumpName::Time& time) {
    std::string folder, name, ext;
    CrashDumpName::SplitModulePath(modulePath, folder, name, ext);
    char buffer[256];
    EXPECT_TRUE(CrashDumpName::Format(buffer, sizeof buffer, folder.c_str(), time, name.c_str(), ext.c_str()));
    return buffer;
}

TEST(CrashDumpName, IsTheExecutablesFolderTheLocalTimeAndItsFileName) {
    const CrashDumpName::Time time = {2011, 4, 27, 9, 5, 3, 7};
    EXPECT_EQ("F\\20110427090503007_VxMelodisk.exe.dmp", DumpPath("F\\VxMelodisk.exe", time));
    EXPECT_EQ("C:\\a.b\\00991231235959999_my.app.exe.dmp", DumpPath("C:\\a.b\\my.app.exe", {99, 12, 31, 23, 59, 59, 999}));
    EXPECT_EQ("Z:/bin\\20110427090503007_VxMelodisk.dmp", DumpPath("Z:/bin/VxMelodisk", time));
    // 0x81 0x5C is one GBK character, not a separator.
    EXPECT_EQ("C:\\\x81\x5C\\20110427090503007_VxMelodisk.exe.dmp", DumpPath("C:\\\x81\x5C\\VxMelodisk.exe", time));
    EXPECT_EQ("C:\\20110427090503007_\x81\x5C" "a.exe.dmp", DumpPath("C:\\\x81\x5C" "a.exe", time));
}

TEST(CrashDumpName, APathThatDoesNotFitIsRefused) {
    const CrashDumpName::Time time = {2011, 4, 27, 9, 5, 3, 7};
    const size_t length = std::strlen("F\\20110427090503007_VxMelodisk.exe.dmp");
    char buffer[64] = "x";
    EXPECT_TRUE(CrashDumpName::Format(buffer, length + 1, "F", time, "VxMelodisk", ".exe"));
    EXPECT_FALSE(CrashDumpName::Format(buffer, length, "F", time, "VxMelodisk", ".exe"));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(CrashDumpName::Format(buffer, 0, "F", time, "VxMelodisk", ".exe"));
}

}  // namespace

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/UserId.h"
#include "testing/ScopedDataRootWin.h"
#include "testing/VersionResourceWin.h"

namespace {

// A copy of this test program carrying a VERSIONINFO resource with the given file version.
bool MakeStampedExe(const std::string& target, WORD a, WORD b, WORD c, WORD d) {
    wchar_t self[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return false;
    if (!Dir::MakeDir(Dir::GetFilePath(target))) return false;
    std::wstring wide = Charset::String2WString(target);
    if (!CopyFileW(self, wide.c_str(), FALSE)) return false;

    return StampFileVersion(target, a, b, c, d);
}

class UserIdTest : public ::testing::Test {
protected:
    ScopedDataRoot m_dataRoot{"userid"};
    const std::string m_root = m_dataRoot.Path();
};

}  // namespace

TEST_F(UserIdTest, ValuesRoundTripThroughTheCommonUserFile) {
    char id[64], src[128], version[64], path[260];
    std::memset(id, 'x', sizeof(id));
    EXPECT_FALSE(UserId::GetUserID(id, sizeof(id)));  // nothing stored yet
    EXPECT_EQ('\0', id[0]);
    EXPECT_FALSE(UserId::GetInstallSRC(src, sizeof(src)));
    EXPECT_FALSE(UserId::GetVersion(version, sizeof(version)));

    ASSERT_TRUE(UserId::SetUserID("123456789"));
    ASSERT_TRUE(UserId::SetInstallSRC("官方网站_setup.exe"));
    ASSERT_TRUE(UserId::SetVersion("1.2.0.7"));
    ASSERT_TRUE(UserId::GetUserID(id, sizeof(id)));
    EXPECT_STREQ("123456789", id);
    ASSERT_TRUE(UserId::GetInstallSRC(src, sizeof(src)));
    EXPECT_STREQ("官方网站_setup.exe", src);
    ASSERT_TRUE(UserId::GetVersion(version, sizeof(version)));
    EXPECT_STREQ("1.2.0.7", version);

    ASSERT_TRUE(UserId::GetUserFilePath(path, sizeof(path)));
    EXPECT_EQ(m_root + "\\common\\Vixo\\VxMelodisk\\user.ini", std::string(path));
    char raw[64] = {};
    GetPrivateProfileStringA("UserInfo", "UserID", "", raw, sizeof(raw), path);
    EXPECT_STREQ("123456789", raw);

    // A later id replaces the earlier one; a value that would break the file's lines is refused.
    ASSERT_TRUE(UserId::SetUserID("42"));
    EXPECT_FALSE(UserId::SetUserID("1\r\n[UserInfo]\r\nUserID=9"));
    EXPECT_FALSE(UserId::SetUserID(nullptr));
    ASSERT_TRUE(UserId::GetUserID(id, sizeof(id)));
    EXPECT_STREQ("42", id);
}

TEST_F(UserIdTest, SmallBuffersAreNeverOverrun) {
    ASSERT_TRUE(UserId::SetInstallSRC("abc中文"));
    char buf[16];
    std::memset(buf, '#', sizeof(buf));
    EXPECT_FALSE(UserId::GetInstallSRC(buf, 5));  // "abc" + half a character would not fit
    EXPECT_STREQ("abc", buf);
    EXPECT_EQ('#', buf[5]);
    std::memset(buf, '#', sizeof(buf));
    EXPECT_FALSE(UserId::GetInstallSRC(buf, 0));
    EXPECT_EQ('#', buf[0]);
    EXPECT_FALSE(UserId::GetInstallSRC(nullptr, 64));
    EXPECT_FALSE(UserId::GetUserFilePath(buf, sizeof(buf)));  // a real path never fits in 16
    EXPECT_LT(std::strlen(buf), sizeof(buf));
}

TEST_F(UserIdTest, PlayerVersionsComeFromEachGenerationsVersionResource) {
    int v = -1;
    char text[64];
    EXPECT_FALSE(UserId::GetPlaydeck6Version(v));  // no player installed
    EXPECT_FALSE(UserId::GetPlaydeckVersion(v));
    EXPECT_FALSE(UserId::GetPlaydeckVersionEx(text, sizeof(text)));
    EXPECT_EQ(-1, v);

    std::string older;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_OLD_EXE, older));
    ASSERT_TRUE(MakeStampedExe(older, 5, 2, 0, 3));
    ASSERT_TRUE(UserId::GetPlaydeckVersion(v));
    EXPECT_EQ(5203, v);
    EXPECT_FALSE(UserId::GetPlaydeck6Version(v));
    ASSERT_TRUE(UserId::GetPlaydeckVersionEx(text, sizeof(text)));
    EXPECT_STREQ("5.2.0.3", text);

    std::string newer;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, newer));
    ASSERT_TRUE(MakeStampedExe(newer, 6, 0, 1, 3));
    ASSERT_TRUE(UserId::GetPlaydeck6Version(v));
    EXPECT_EQ(6013, v);
    ASSERT_TRUE(UserId::GetPlaydeckVersion(v));
    EXPECT_EQ(5203, v);
    ASSERT_TRUE(UserId::GetPlaydeckVersionEx(text, sizeof(text)));  // the newer one wins
    EXPECT_STREQ("6.0.1.3", text);

    // An executable without a version resource has no version.
    std::string plain = m_root + "\\plain.exe";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileW(self, Charset::String2WString(plain).c_str(), FALSE));
    std::string versionText;
    EXPECT_FALSE(UserId::GetFileVersion(plain, versionText, v));
    EXPECT_FALSE(UserId::GetFileVersion(m_root + "\\missing.exe", versionText, v));
}

TEST_F(UserIdTest, PlayerUserFileSitsBesideTheInstalledPlayer) {
    char id[64], src[128];
    EXPECT_FALSE(UserId::GetPlaydeckUserIDEx(id, sizeof(id)));

    std::string older;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_OLD_EXE, older));
    ASSERT_TRUE(MakeStampedExe(older, 5, 2, 0, 3));
    std::string olderIni = Dir::GetFilePath(older) + "user.ini";
    WritePrivateProfileStringA("UserInfo", "UserID", "5005", olderIni.c_str());
    WritePrivateProfileStringA("UserInfo", "InstallSRC", "老版本", olderIni.c_str());
    ASSERT_TRUE(UserId::GetPlaydeckUserIDEx(id, sizeof(id)));
    EXPECT_STREQ("5005", id);
    ASSERT_TRUE(UserId::GetPlaydeckInstallSRCEx(src, sizeof(src)));
    EXPECT_STREQ("老版本", src);

    std::string newer;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, newer));
    ASSERT_TRUE(MakeStampedExe(newer, 6, 0, 1, 3));
    WritePrivateProfileStringA("UserInfo", "UserID", "6006", (Dir::GetFilePath(newer) + "user.ini").c_str());
    ASSERT_TRUE(UserId::GetPlaydeckUserIDEx(id, sizeof(id)));
    EXPECT_STREQ("6006", id);
    EXPECT_FALSE(UserId::GetPlaydeckInstallSRCEx(src, sizeof(src)));  // the newer player has none
}

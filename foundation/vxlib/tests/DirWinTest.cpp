#include <gtest/gtest.h>

#include <windows.h>

#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "testing/ScopedDataRootWin.h"

namespace {

// Every test runs its installation below a fresh data root.
class DirTest : public ::testing::Test {
protected:
    ScopedDataRoot m_dataRoot{"dir"};
    const std::string m_root = m_dataRoot.Path();
};

}  // namespace

TEST_F(DirTest, FoldersMoveWithTheDataRootAndKeepTheirTrailingBackslashRules) {
    std::string path;
    for (int type : {PATH_PROGRAM, PATH_USER_DATA, PATH_UPDATE, PATH_RANKING, PATH_SHORTCUT_DATA}) {
        ASSERT_TRUE(Dir::GetVxPath(type, path)) << type;
        EXPECT_EQ('\\', path.back()) << type;
        EXPECT_TRUE(Dir::IsDirectory(path)) << type;
    }
    for (int type : {PATH_COMMON_APPDATA, PATH_CONFIG, PATH_DESKTOP, PATH_SYSTEM}) {
        ASSERT_TRUE(Dir::GetVxPath(type, path)) << type;
        EXPECT_NE('\\', path.back()) << type;
        EXPECT_TRUE(Dir::IsDirectory(path)) << type;
    }
    ASSERT_TRUE(Dir::GetVxPath(PATH_RANKING, path));
    EXPECT_EQ(0u, path.find(m_root + "\\common\\")) << path;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, path));
    EXPECT_EQ(0u, path.find(m_root + "\\programs\\")) << path;
    EXPECT_EQ("vxmusic.exe", Dir::GetShortFileName(path));
    EXPECT_FALSE(Dir::IsExistFile(path));
    EXPECT_FALSE(Dir::GetVxPath(12345, path));
}

TEST_F(DirTest, MakeCopyAndDeleteWorkOnChineseNames) {
    const std::string deep = m_root + "\\甲\\乙\\丙";
    ASSERT_TRUE(Dir::MakeDir(deep));
    EXPECT_TRUE(Dir::IsDirectory(deep));
    EXPECT_TRUE(Dir::MakeDir(deep + "\\"));  // already there

    const std::string file = deep + "\\歌曲.txt";
    HANDLE h = CreateFileW(Charset::String2WString(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_TRUE(Dir::CopyFileA(file, deep + "\\副本.txt", false));
    EXPECT_FALSE(Dir::CopyFileA(file, deep + "\\副本.txt", false));
    EXPECT_TRUE(Dir::IsExistFile(deep + "\\副本.txt"));

    ASSERT_TRUE(Dir::DeleteDir(m_root + "\\甲"));  // read-only files included
    EXPECT_FALSE(Dir::IsExistFile(m_root + "\\甲"));
    EXPECT_TRUE(Dir::DeleteDir(m_root + "\\never-there"));
}

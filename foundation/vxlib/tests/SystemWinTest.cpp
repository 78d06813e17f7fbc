#include <gtest/gtest.h>

#include <windows.h>

#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/System.h"

TEST(System, IsProcessExistFindsOurOwnExecutableInAnyCase) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    std::string name = Dir::GetShortFileName(path);
    EXPECT_TRUE(System::IsProcessExist(name)) << name;
    std::string upper = name;
    EXPECT_TRUE(System::IsProcessExist(StringUtility::Str2Upper(upper)));
    EXPECT_TRUE(System::IsProcessExist(path));
    EXPECT_FALSE(System::IsProcessExist("no-such-program-4711.exe"));
    EXPECT_FALSE(System::IsProcessExist(name.substr(1)));  // whole names only
    EXPECT_FALSE(System::IsProcessExist(""));
}

TEST(System, FindFunctonFormModuleLoadsAndLeavesNothingBehindOnFailure) {
    HMODULE module = reinterpret_cast<HMODULE>(1);
    void* proc = System::FindFunctonFormModule("kernel32.dll", "GetTickCount", module);
    ASSERT_NE(nullptr, proc);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")), proc);
    FreeLibrary(module);

    module = reinterpret_cast<HMODULE>(1);
    EXPECT_EQ(nullptr, System::FindFunctonFormModule("kernel32.dll", "NoSuchExport4711", module));
    EXPECT_EQ(nullptr, module);
    module = reinterpret_cast<HMODULE>(1);
    EXPECT_EQ(nullptr, System::FindFunctonFormModule("no_such_module_4711.dll", "GetTickCount", module));
    EXPECT_EQ(nullptr, module);

    // A module loaded only for a missing export is unloaded again.
    if (GetModuleHandleA("imagehlp.dll")) GTEST_SKIP() << "imagehlp.dll is loaded already";
    EXPECT_EQ(nullptr, System::FindFunctonFormModule("imagehlp.dll", "NoSuchExport4711", module));
    EXPECT_EQ(nullptr, GetModuleHandleA("imagehlp.dll"));
}

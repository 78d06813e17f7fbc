// The product's installer on a machine of its own (a fresh Wine prefix made for this test program):
// silent installation, the program started from the installed place, an update through the
// stand-in server with the real installer, the uninstaller, a failed installation, and the
// skinned pages driven by mouse clicks.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRunWin.h"
#include "SkinIds.h"
#include "testing/ProcessRunWin.h"
#include "testing/XInputWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

namespace {

using vxtest::WaitUntil;

const wchar_t kProduct[] = L"Vx音乐网盘";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VxMelodisk";

std::wstring Widen(const std::string& s) { return Charset::String2WString(s); }
std::string Narrow(const std::wstring& s) { return Charset::WString2String(s); }

std::string Env(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

// A file of the build, named by its Linux path.
std::wstring BuildFile(const char* path) {
    std::wstring windows = L"Z:" + Widen(path);
    for (wchar_t& c : windows)
        if (c == L'/') c = L'\\';
    return windows;
}

std::wstring SetupProgram() { return BuildFile(VX_SETUP); }

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring DefaultInstallDir() { return ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Vixo\\VxMelodisk"; }
std::wstring DataDir() { return ShellFolder(CSIDL_COMMON_APPDATA) + L"\\Vixo\\VxMelodisk"; }
std::wstring ConfigFile() { return DataDir() + L"\\config\\config.ini"; }
std::wstring UserFile() { return DataDir() + L"\\user.ini"; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Ini(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"", value, 1024, file.c_str());
    return Narrow(value);
}

void SetIni(const std::wstring& file, const wchar_t* section, const wchar_t* key, const std::string& value) {
    Dir::MakeDir(Dir::GetFilePath(Narrow(file)));
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, Widen(value).c_str(), file.c_str()));
}

// The installed files, as the uninstaller's list names them (relative to the program folder).
std::vector<std::wstring> InstalledFiles() {
    std::ifstream in(Narrow(BuildFile(VX_SETUP_FILES)));
    std::vector<std::wstring> files;
    const std::string marker = "Delete \"$INSTDIR\\";
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(marker);
        if (at == std::string::npos) continue;
        const size_t start = at + marker.size();
        files.push_back(Widen(line.substr(start, line.rfind('"') - start)));
    }
    return files;
}

// The service's state (0: not installed) and its registered program.
DWORD ServiceState(std::wstring* binary = nullptr) {
    SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!scm) return 0;
    SC_HANDLE service = OpenServiceW(scm, L"VxMdService", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    DWORD state = 0;
    if (service) {
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (binary && QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &needed))
            *binary = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
        CloseServiceHandle(service);
    }
    CloseServiceHandle(scm);
    return state;
}

std::string UninstallValue(const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::string();
    return Narrow(value);
}

bool ProcessRuns(const wchar_t* exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {sizeof entry};
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = lstrcmpiW(entry.szExeFile, exe) == 0;
    CloseHandle(snapshot);
    return found;
}

// Runs a command line to its end; its exit code, or STILL_ACTIVE when it ran out of time.
DWORD RunToEnd(const std::wstring& line, DWORD ms = 300000) {
    vxtest::CProcessRun run;
    if (!run.StartLine(Narrow(line))) return 0xFFFFFFFF;
    return run.WaitExit(ms);
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// A user's installation: every file in place, the service running from it, what the programs read,
// the shortcuts and the uninstaller's registration.
void ExpectInstalled(const std::wstring& dir) {
    const std::vector<std::wstring> files = InstalledFiles();
    ASSERT_GE(files.size(), 20u);
    for (const wchar_t* anchor : {L"VxMelodisk.exe", L"VxMdService.exe", L"VxMdUpdate.exe", L"VxMdMoviePlayer.exe",
                                  L"VxMdNetSong.dll", L"VxMdInterface.dll", L"res\\song.ico", L"webres\\album.html"})
        EXPECT_NE(std::find(files.begin(), files.end(), anchor), files.end()) << Narrow(anchor);
    for (const std::wstring& file : files) EXPECT_TRUE(Exists(dir + L"\\" + file)) << Narrow(file);
    EXPECT_TRUE(Exists(dir + L"\\uninst.exe"));

    std::wstring binary;
    EXPECT_EQ(ServiceState(&binary), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(lstrcmpiW(binary.c_str(), Quoted(dir + L"\\VxMdService.exe").c_str()), 0) << Narrow(binary);

    EXPECT_EQ(Ini(ConfigFile(), L"config", L"version"), VX_PRODUCT_VERSION);
    EXPECT_EQ(Ini(UserFile(), L"UserInfo", L"Version"), VX_PRODUCT_VERSION);
    EXPECT_NE(Ini(ConfigFile(), L"config", L"First_Start").find("VxMelodiskSetup.exe"), std::string::npos);
    EXPECT_EQ(Ini(ConfigFile(), L"UpdateRegInfo", L"INSTALLED"), "1");

    const std::wstring menu = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kProduct;
    EXPECT_TRUE(Exists(menu + L"\\" + kProduct + L".lnk"));
    EXPECT_TRUE(Exists(menu + L"\\卸载" + kProduct + L".lnk"));
    EXPECT_TRUE(Exists(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + kProduct + L".lnk"));
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), VX_PRODUCT_VERSION);
    EXPECT_EQ(UninstallValue(L"UninstallString"), Narrow(Quoted(dir + L"\\uninst.exe")));
}

// What the uninstaller removes is gone; what it did not install stays.
void ExpectUninstalled(const std::wstring& dir) {
    for (const std::wstring& file : InstalledFiles()) EXPECT_FALSE(Exists(dir + L"\\" + file)) << Narrow(file);
    EXPECT_EQ(ServiceState(), 0u);
    EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kProduct));
    EXPECT_FALSE(Exists(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + kProduct + L".lnk"));
    EXPECT_EQ(UninstallValue(L"DisplayName"), "");
    EXPECT_EQ(Ini(ConfigFile(), L"config", L"version"), VX_PRODUCT_VERSION) << "settings stay";
}

// What the stand-in's update check offers (tools/webserver/handlers/update.py).
void OfferThisInstaller() {
    std::ofstream(Env("VX_TEST_SERVER_ROOT") + "\\uc.json", std::ios::trunc)
        << "{\"melodisk\": {\"version\": \"" VX_PRODUCT_VERSION "\", \"filename\": \"VxMelodisk_" VX_PRODUCT_VERSION
           ".zip\", \"installer\": \"" VX_SETUP "\"}}";
}

bool UpdateDownloaded() {
    std::string folder;
    if (!Dir::GetVxPath(PATH_UPDATE, folder)) return false;
    return Ini(Widen(folder + "VxMdUpdateResult.ini"), L"VxMelodisk_Update_Melodisk", L"IsDownloadSuccess") == "1";
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("VX_TEST_SERVER").empty()) GTEST_SKIP() << "needs the stand-in server (VX_WITH_SERVER=1)";
        // This machine's servers are the stand-ins, for the service and the programs alike.
        SetIni(ConfigFile(), L"Servers", L"All", Env("VX_TEST_SERVER"));
        std::ofstream(Env("VX_TEST_SERVER_ROOT") + "\\uc.json", std::ios::trunc) << "{}";
    }
};

TEST_F(InstallerTest, AFailedInstallationLeavesNoServiceBehind) {
    const std::wstring dir = L"C:\\VxMd Broken";
    // A folder where a program should go: that file cannot be written.
    ASSERT_TRUE(Dir::MakeDir(Narrow(dir + L"\\VxMdUpdate.exe")));
    EXPECT_EQ(RunToEnd(Quoted(SetupProgram()) + L" /S /D=" + dir), 2u);
    EXPECT_EQ(ServiceState(), 0u) << "stopped before the service was registered";
    EXPECT_EQ(UninstallValue(L"DisplayName"), "");
    Dir::DeleteDir(Narrow(dir));
}

TEST_F(InstallerTest, SilentInstallRunsUpdatesThroughTheRealInstallerAndUninstallsKeepingTheUsersData) {
    const std::wstring dir = DefaultInstallDir();
    ASSERT_EQ(RunToEnd(Quoted(SetupProgram()) + L" /S"), 0u);
    ExpectInstalled(dir);
    EXPECT_EQ(Ini(ConfigFile(), L"Servers", L"All"), Env("VX_TEST_SERVER")) << "settings kept";

    // An older installation with a page gone missing; the stand-in offers this installer as its update.
    SetIni(UserFile(), L"UserInfo", L"Version", "0.9.0.0");
    ASSERT_TRUE(DeleteFileW((dir + L"\\webres\\noResult.html").c_str()));
    OfferThisInstaller();

    CProgramRun program;
    ASSERT_TRUE(program.Start(Narrow(dir + L"\\VxMelodisk.exe"), ""));
    ASSERT_TRUE(program.WaitFrame(60000));
    ASSERT_TRUE(program.WaitTree(60000)) << "the installed program shows the stand-in's catalogue";
    EXPECT_EQ(RunToEnd(Quoted(SetupProgram()) + L" /S"), 2u) << "no installation over the running program";
    ASSERT_TRUE(WaitUntil(UpdateDownloaded, 180000)) << "the program's update check downloads the package";
    EXPECT_EQ(program.Close(30000), 0u);

    // Closing starts the downloaded installer, which installs once the program is gone.
    EXPECT_TRUE(WaitUntil([&] { return Ini(ConfigFile(), L"UpdateRegInfo", L"Last_Version") == "0.9.0.0"; }, 180000));
    EXPECT_TRUE(WaitUntil([] { return !ProcessRuns(L"VxMdInstaller.exe"); }, 180000));
    EXPECT_EQ(Ini(UserFile(), L"UserInfo", L"Version"), VX_PRODUCT_VERSION);
    EXPECT_TRUE(Exists(dir + L"\\webres\\noResult.html"));
    EXPECT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_RUNNING));

    const std::wstring mine = dir + L"\\我的歌单.txt";
    HANDLE file = CreateFileW(mine.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    // The uninstaller runs from a copy of itself in the temp folder and returns at once.
    EXPECT_EQ(RunToEnd(Quoted(dir + L"\\uninst.exe") + L" /S"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return UninstallValue(L"DisplayName").empty() && !Exists(dir + L"\\uninst.exe"); }, 120000));
    ExpectUninstalled(dir);
    EXPECT_TRUE(Exists(mine));
    EXPECT_TRUE(Exists(dir + L"\\log\\act.log")) << "the program's records stay";
    EXPECT_EQ(Ini(ConfigFile(), L"Servers", L"All"), Env("VX_TEST_SERVER"));
    Dir::DeleteDir(Narrow(dir));
}

// The skinned wizard through its pages by mouse clicks at the X server.
class WizardRun : public vxtest::CProcessRun {
public:
    HWND WaitWindow() {
        HWND outer = nullptr;
        WaitUntil([&] {
            outer = vxtest::FindProcessWindow(Pid(), L"#32770");
            return outer && vxtest::WindowRect(outer).right - vxtest::WindowRect(outer).left == 540;
        }, 30000);
        m_outer = outer;
        return outer;
    }
    bool StepShown(int step) const {
        return WaitUntil([&] {
            for (int i = 0; i < 4; ++i)
                if (SendMessageW(m_outer, kMsgQueryLabelWeight, i, 0) != (i == step ? FW_BOLD : FW_NORMAL)) return false;
            return true;
        }, 15000);
    }
    HWND Page() const { return FindWindowExW(m_outer, nullptr, L"#32770", nullptr); }
    // Back, Next and Cancel sit 94 pixels apart from x = 260 on the lower band; the close button
    // is the top right corner.
    void ClickNext() const { vxtest::ClickAt(m_outer, 260 + 94 + 41, 366 + 13); }
    void ClickClose() const { vxtest::ClickAt(m_outer, 540 - 20, 10); }
    bool NextEnabled() const {
        return WaitUntil([&] { return IsWindowEnabled(GetDlgItem(m_outer, IDOK)) != FALSE; }, 120000);
    }

private:
    HWND m_outer = nullptr;
};

bool Rounded(HWND w) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const bool rounded = GetWindowRgn(w, region) != ERROR && !PtInRegion(region, 0, 0) && PtInRegion(region, 10, 10);
    DeleteObject(region);
    return rounded;
}

TEST_F(InstallerTest, PagesDrivenByClicksInstallAndTheUninstallerRemoves) {
    if (!vxtest::HasXdotool()) GTEST_SKIP() << "needs xdotool for mouse input";
    const std::wstring dir = L"C:\\VxMd Clicked";
    WizardRun installer;
    ASSERT_TRUE(installer.StartLine(Narrow(Quoted(SetupProgram()) + L" /D=" + dir)));
    HWND outer = installer.WaitWindow();
    ASSERT_TRUE(outer);
    EXPECT_EQ(vxtest::WindowRect(outer).bottom - vxtest::WindowRect(outer).top, 400);
    EXPECT_TRUE(Rounded(outer));
    EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), IDP_BG_INSTALL);
    EXPECT_TRUE(installer.StepShown(0));
    installer.ClickNext();
    EXPECT_TRUE(installer.StepShown(1)) << "folder page";
    installer.ClickNext();
    EXPECT_TRUE(installer.StepShown(2)) << "install page";
    ASSERT_TRUE(installer.NextEnabled()) << "installed";
    HWND progress = GetDlgItem(installer.Page(), 1004);
    ASSERT_TRUE(progress);
    RECT bar = {};
    GetClientRect(progress, &bar);
    POINT middle = {bar.right - 6, bar.bottom / 2};
    ClientToScreen(progress, &middle);
    const COLORREF filled = vxtest::ScreenPixel(middle);
    EXPECT_GT(GetBValue(filled), GetRValue(filled) + 60) << std::hex << filled << ": the bar is full at the end";
    installer.ClickNext();
    EXPECT_TRUE(installer.StepShown(3)) << "finish page";
    // "Run now" is checked; a click clears it, so finishing starts nothing.
    HWND run = FindWindowExW(installer.Page(), nullptr, L"Button", nullptr);
    ASSERT_TRUE(run);
    EXPECT_EQ(SendMessageW(run, BM_GETCHECK, 0, 0), BST_CHECKED);
    RECT box = vxtest::WindowRect(run);
    vxtest::Xdotool("mousemove " + std::to_string(box.left + 8) + " " + std::to_string((box.top + box.bottom) / 2) + " click 1");
    EXPECT_TRUE(WaitUntil([&] { return SendMessageW(run, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 10000));
    // On the last step the close button finishes rather than cancels.
    installer.ClickClose();
    EXPECT_EQ(installer.WaitExit(30000), 0u);
    EXPECT_FALSE(ProcessRuns(L"VxMelodisk.exe"));
    ExpectInstalled(dir);

    WizardRun uninstaller;
    // _?= keeps the uninstaller in its folder, so the test knows its process.
    ASSERT_TRUE(uninstaller.StartLine(Narrow(Quoted(dir + L"\\uninst.exe") + L" _?=" + dir)));
    outer = uninstaller.WaitWindow();
    ASSERT_TRUE(outer);
    EXPECT_TRUE(Rounded(outer));
    EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), IDP_BG_UNINSTALL);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(SendMessageW(outer, kMsgQueryLabelWeight, i, 0), 0) << "no step indicator";
    uninstaller.ClickNext();
    ASSERT_TRUE(uninstaller.NextEnabled()) << "removed";
    uninstaller.ClickNext();
    EXPECT_EQ(uninstaller.WaitExit(30000), 0u);
    ExpectUninstalled(dir);
    Dir::DeleteDir(Narrow(dir));
}

}  // namespace

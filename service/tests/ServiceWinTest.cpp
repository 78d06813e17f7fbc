// The built VxMdService.exe end to end: as a plain process ("Run") and under the service control
// manager. Commands are seen through the log line every command executor writes first
// ("uiMsg=13371"), so the checks hold with any CMsgHandler.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "CommandPipeWin.h"
#include "PipeMessage.h"
#include "ServiceHandlesWin.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"

namespace {

const DWORD kBoundMs = 20000;  // a bound for things that must happen, never a timing check
const char kServiceName[] = "VxMdService";
const char kAppIdKey[] = "AppID\\{472A22DD-9963-49F3-9B51-4FF2CC63B9AE}";
const char kExeKey[] = "AppID\\VxMdService.EXE";
const char kServed[] = "[OnMsgHandler] uiMsg=13371";
const int kDivisor = 10;
const DWORD kReadBoundMs = CCommandPipeServer::kClientReadBoundMs / kDivisor;

std::string BinFolder() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return Dir::GetFilePath(self);
}

std::string ServiceExe() { return BinFolder() + "VxMdService.exe"; }

bool WaitUntil(const std::function<bool()>& done, DWORD boundMs = kBoundMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > boundMs) return false;
        Sleep(20);
    }
    return true;
}

// The service's log below the current data root (the real one when no test root is set).
std::string ServiceLogPath() {
    std::string common;
    Dir::GetVxPath(PATH_COMMON_APPDATA, common);
    return common + "\\Vixo\\VxMelodisk\\log\\VxNetService\\MsgHandler.txt";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int Count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

class CProcess {
public:
    bool Start(const std::string& exe, const std::string& args) {
        std::string line = "\"" + exe + "\" " + args;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
        CloseHandle(pi.hThread);
        m_process.Reset(pi.hProcess);
        m_threadId = pi.dwThreadId;
        return true;
    }
    // The exit code, or STILL_ACTIVE when it did not end within the bound.
    DWORD Wait(DWORD boundMs = kBoundMs) {
        if (WaitForSingleObject(m_process.Get(), boundMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process.Get(), &code);
        return code;
    }
    // Ends a plain run as its message loop expects: WM_QUIT to the main thread.
    DWORD Quit() {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kBoundMs) {
            PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
            if (WaitForSingleObject(m_process.Get(), 100) == WAIT_OBJECT_0) break;
        }
        return Wait(0);
    }
    ~CProcess() {
        if (m_process.Valid() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process.Get(), 99);
            WaitForSingleObject(m_process.Get(), kBoundMs);
        }
    }

private:
    CHandle m_process;
    DWORD m_threadId = 0;
};

DWORD RunToEnd(const std::string& exe, const std::string& args, DWORD boundMs = kBoundMs) {
    CProcess p;
    if (!p.Start(exe, args)) return STILL_ACTIVE;
    return p.Wait(boundMs);
}

// A client of the command pipe; waits within the bound while the one instance serves another.
CHandle Connect(DWORD access = GENERIC_WRITE) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE h = CreateFileA(kCommandPipeName, access, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (h != INVALID_HANDLE_VALUE) return CHandle(h);
        DWORD err = GetLastError();
        if (GetTickCount() - start > kBoundMs) return CHandle();
        if (err == ERROR_PIPE_BUSY) {
            WaitNamedPipeA(kCommandPipeName, 1000);
        } else {
            Sleep(20);
        }
    }
}

// Writes within the bound; a write the server refuses (it disconnects) just fails.
void Write(HANDLE pipe, const std::string& bytes) {
    CHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov = {};
    ov.hEvent = event.Get();
    DWORD n = 0;
    if (!WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &ov) &&
        GetLastError() == ERROR_IO_PENDING && WaitForSingleObject(event.Get(), kBoundMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "a write of " << bytes.size() << " bytes hung";
        CancelIo(pipe);
    }
    GetOverlappedResult(pipe, &ov, &n, TRUE);
}

void Send(const std::string& bytes) {
    CHandle pipe = Connect();
    ASSERT_TRUE(pipe.Valid()) << "the pipe was not free within the bound";
    Write(pipe.Get(), bytes);
}

std::string Frame(int32_t id, const std::string& data) { return EncodePipeFrame(MakePipePayload(id, data), "Test"); }

// The DACL's entries as "type:SID", e.g. "0:S-1-5-18" for an allowed entry of LocalSystem.
std::vector<std::string> Entries(PACL dacl) {
    std::vector<std::string> out;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        char* sid = nullptr;
        ConvertSidToStringSidA(reinterpret_cast<PSID>(&allowed->SidStart), &sid);
        out.push_back(std::to_string(allowed->Header.AceType) + ":" + (sid ? sid : "?"));
        if (sid) LocalFree(sid);
    }
    return out;
}

const std::vector<std::string> kOnlySystemAndAdmins = {"0:S-1-5-18", "0:S-1-5-32-544"};

// Leaves no installed service and no AppID registration behind, also after a failed test.
void RemoveService() {
    CScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (scm) {
        CScHandle service(OpenServiceA(scm.Get(), kServiceName, SERVICE_ALL_ACCESS));
        if (service) {
            SERVICE_STATUS status = {};
            ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
            DeleteService(service.Get());
        }
        service.Reset();
        WaitUntil([&] {
            CScHandle s(OpenServiceA(scm.Get(), kServiceName, SERVICE_QUERY_STATUS));
            return !s && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
        });
    }
    for (const char* key : {kAppIdKey, kExeKey}) {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string("Software\\Classes\\") + key).c_str());
    }
}

struct ServiceCleanup {
    ServiceCleanup() { RemoveService(); }
    ~ServiceCleanup() { RemoveService(); }
};

std::string RegString(HKEY root, const std::string& key, const char* name) {
    char value[512] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return "<absent>";
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    CRegKeyHandle h;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, h.Receive()) == ERROR_SUCCESS;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("VX_SERVICE_NO_UI", "1");
        SetEnvironmentVariableA("VX_SERVICE_TIME_DIVISOR", std::to_string(kDivisor).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("VX_SERVICE_NO_UI", nullptr);
        SetEnvironmentVariableA("VX_SERVICE_TIME_DIVISOR", nullptr);
    }
};

}  // namespace

TEST_F(ServiceTest, PlainRunServesEachClientInTurnAndDropsEveryBadMessage) {
    ServiceCleanup noService;
    ScopedDataRoot root("svc-run");
    const std::string log = ServiceLogPath();
    auto served = [&] { return Count(ReadText(log), kServed); };

    {
        // Someone owns the name first: the service must not serve under it.
        CHandle squatter(CreateNamedPipeA(kCommandPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                          PIPE_UNLIMITED_INSTANCES, 1024, 1024, 0, nullptr));
        ASSERT_TRUE(squatter.Valid());
        CProcess service;
        ASSERT_TRUE(service.Start(ServiceExe(), "-Run"));
        EXPECT_TRUE(WaitUntil([&] { return ReadText(log).find("another process owns the pipe name") != std::string::npos; }));
        EXPECT_EQ(0u, service.Quit());
    }

    CProcess service;
    ASSERT_TRUE(service.Start(ServiceExe(), "-Run"));
    int expected = 1;
    EXPECT_EQ(0u, RunToEnd(BinFolder() + "VxMdCmd.exe", "69 \"from the tool\""));
    EXPECT_TRUE(WaitUntil([&] { return served() == expected; }));

    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "/run", 5000)) << "a second instance ends at once with 0";

    // Nobody else can create the name while the service holds it.
    CHandle second(CreateNamedPipeA(kCommandPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES,
                                    1024, 1024, 0, nullptr));
    EXPECT_FALSE(second.Valid());

    {
        CCommandPipeSecurity built;
        ASSERT_NE(nullptr, built.Attributes());
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorDacl(built.Attributes()->lpSecurityDescriptor, &present, &dacl, &defaulted));
        GetSecurityDescriptorControl(built.Attributes()->lpSecurityDescriptor, &control, &revision);
        EXPECT_TRUE(present);
        EXPECT_TRUE(control & SE_DACL_PROTECTED);
        EXPECT_EQ(kOnlySystemAndAdmins, Entries(dacl));

        CHandle client = Connect(READ_CONTROL);
        ASSERT_TRUE(client.Valid());
        PSECURITY_DESCRIPTOR live = nullptr;
        PACL liveDacl = nullptr;
        DWORD err = GetSecurityInfo(client.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &liveDacl, nullptr, &live);
        EXPECT_EQ(ERROR_SUCCESS, err);
        EXPECT_EQ(kOnlySystemAndAdmins, Entries(liveDacl)) << "the pipe as the system holds it";
        if (live) LocalFree(live);
    }

    const std::string valid = Frame(69, "x");
    std::string wrongMarker = valid;
    wrongMarker.back() = '!';
    std::string badL = valid;
    badL.insert(badL.size() - 4, "A");
    std::string badD = valid;
    badD[8] ^= 1;
    const std::string payloadHead = MakePipePayload(69, "abc").substr(0, 4);
    const struct {
        const char* name;
        std::string bytes;
        bool hold;  // keep the connection open afterwards
    } bad[] = {
        {"15 bytes", valid.substr(0, 15), false},
        {"wrong marker", wrongMarker, false},
        {"L != size - 16", badL, false},
        {"D mismatch", badD, false},
        {"N = 10241", EncodePipeFrame(payloadHead + std::string("\x01\x28\x00\x00" "abc", 7), "Test"), false},
        {"N = -1", EncodePipeFrame(payloadHead + std::string("\xff\xff\xff\xff" "abc", 7), "Test"), false},
        {"zero bytes", "", false},
        {"1 MiB", std::string(1 << 20, 'T'), false},
        {"vanished mid-write", valid.substr(0, valid.size() / 2), false},
        {"silent", "", true},
        {"part, then silent", valid.substr(0, 10), true},
    };
    for (const auto& b : bad) {
        CHandle client = Connect();
        ASSERT_TRUE(client.Valid()) << b.name;
        if (!b.bytes.empty() || !b.hold) Write(client.Get(), b.bytes);
        if (!b.hold) client.Reset();
        const DWORD start = GetTickCount();
        Send(valid);
        ++expected;
        EXPECT_TRUE(WaitUntil([&] { return served() >= expected; })) << b.name;
        EXPECT_EQ(expected, served()) << b.name << " reached the handler";
        if (b.hold) {
            EXPECT_LT(GetTickCount() - start, kReadBoundMs + 3000) << b.name << " blocked the next client";
        }
    }
    EXPECT_NE(std::string::npos, ReadText(log).find("client silent for"));

    Send(Frame(65, "unknown"));
    Send(valid);
    expected += 2;
    EXPECT_TRUE(WaitUntil([&] { return served() == expected; })) << "id 65 reaches the handler, which ignores it";

    EXPECT_EQ(0u, service.Quit());
    const std::string text = ReadText(log);
    EXPECT_EQ(expected, Count(text, kServed));
    EXPECT_EQ(1, Count(text, "[PipeThread] end")) << "the squatted run had none";
    EXPECT_EQ(2, Count(text, "[MsgLoopThread] end"));
}

TEST_F(ServiceTest, InstallsStartsServesStopsAndUninstallsUnderTheControlManager) {
    ServiceCleanup noService;
    const std::string log = ServiceLogPath();  // no test root: the service gets the system's environment
    auto served = [&] { return Count(ReadText(log), kServed); };

    ASSERT_EQ(0u, RunToEnd(ServiceExe(), "/Service"));
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "-service")) << "installing twice";

    CScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(scm);
    CScHandle service(OpenServiceA(scm.Get(), kServiceName, SERVICE_ALL_ACCESS));
    ASSERT_TRUE(service);
    {
        std::vector<char> buffer(8192);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        DWORD needed = 0;
        ASSERT_TRUE(QueryServiceConfigA(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed));
        EXPECT_EQ("\"" + ServiceExe() + "\"", config->lpBinaryPathName);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config->dwServiceType);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
        EXPECT_STREQ("LocalSystem", config->lpServiceStartName);
        EXPECT_STREQ(kServiceName, config->lpDisplayName);
        // Wine's manager reports no dependencies at all; the value it keeps them in is the same on Windows.
        wchar_t dependencies[64] = {};
        DWORD size = sizeof dependencies;
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\services\\VxMdService",
                                              L"DependOnService", RRF_RT_REG_MULTI_SZ, nullptr, dependencies, &size));
        EXPECT_EQ(std::wstring(L"RPCSS\0", 7), std::wstring(dependencies, size / sizeof(wchar_t)));
    }
    {
        const DWORD expected[] = {0, 0, 0, 3, 20, 1, 60000, 1, 60000, 1, 60000};
        BYTE value[64] = {};
        DWORD size = sizeof value, type = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\services\\VxMdService",
                                              "FailureActions", RRF_RT_ANY, &type, value, &size));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
        ASSERT_EQ(sizeof expected, size);
        EXPECT_EQ(0, memcmp(expected, value, size));
    }
    EXPECT_EQ(kServiceName, RegString(HKEY_CLASSES_ROOT, kAppIdKey, nullptr));
    EXPECT_EQ(kServiceName, RegString(HKEY_CLASSES_ROOT, kAppIdKey, "LocalService"));
    EXPECT_EQ("{472A22DD-9963-49F3-9B51-4FF2CC63B9AE}", RegString(HKEY_CLASSES_ROOT, kExeKey, "AppID"));

    auto state = [&] {
        SERVICE_STATUS status = {};
        QueryServiceStatus(service.Get(), &status);
        return status.dwCurrentState;
    };
    auto pipeGone = [] {
        return !WaitNamedPipeA(kCommandPipeName, 0) && GetLastError() == ERROR_FILE_NOT_FOUND;
    };

    // First run: start, serve, stop through the control manager.
    int expected = served() + 1;
    ASSERT_TRUE(StartServiceA(service.Get(), 0, nullptr)) << GetLastError();
    EXPECT_TRUE(WaitUntil([&] { return state() == SERVICE_RUNNING; }));
    Send(Frame(69, "x"));
    EXPECT_TRUE(WaitUntil([&] { return served() == expected; }));
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "/run", 5000)) << "a second instance beside the service";

    const DWORD stopStart = GetTickCount();
    SERVICE_STATUS status = {};
    EXPECT_TRUE(ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
    EXPECT_TRUE(WaitUntil([&] { return state() == SERVICE_STOPPED && pipeGone(); }));
    EXPECT_LT(GetTickCount() - stopStart, 3 * CCommandPipeServer::kStopWaitMs) << "stop within the waits";
    const std::string text = ReadText(log);
    EXPECT_NE(std::string::npos, text.find("[PipeThread] end"));
    EXPECT_NE(std::string::npos, text.find("[VxMdService] Service stopped"));

    // Second run: "UnregServer" stops the running service and deletes it.
    ASSERT_TRUE(StartServiceA(service.Get(), 0, nullptr)) << GetLastError();
    EXPECT_TRUE(WaitUntil([&] { return state() == SERVICE_RUNNING; }));
    service.Reset();
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "/UnregServer"));
    EXPECT_TRUE(WaitUntil([&] {
        CScHandle s(OpenServiceA(scm.Get(), kServiceName, SERVICE_QUERY_STATUS));
        return !s && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    }));
    EXPECT_TRUE(pipeGone());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kExeKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));

    // The plain local server registrations, machine-wide and per user.
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "-RegServer"));
    EXPECT_EQ(kServiceName, RegString(HKEY_CLASSES_ROOT, kAppIdKey, nullptr));
    EXPECT_EQ("<absent>", RegString(HKEY_CLASSES_ROOT, kAppIdKey, "LocalService"));
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "/RegServerPerUser"));
    const std::string perUser = std::string("Software\\Classes\\") + kAppIdKey;
    EXPECT_EQ(kServiceName, RegString(HKEY_CURRENT_USER, perUser, nullptr));
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "/UnregServerPerUser"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, perUser));
    EXPECT_EQ(0u, RunToEnd(ServiceExe(), "-UnregServer"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
}

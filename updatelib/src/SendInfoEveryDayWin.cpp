#include "updatelib/SendInfoEveryDay.h"

#include <windows.h>
#include <iphlpapi.h>
#include <process.h>
#include <winioctl.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "SendInfoText.h"
#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "http/VxHttpRequestMgr.h"
#include "log/VxMdLog.h"
#include "updatelib/Update.h"
#include "vxlib/Base64.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/UserId.h"

namespace {

const char kLogFile[] = "update.log";
const char kRegSection[] = "UpdateRegInfo";
const char kLastDateKey[] = "AppID_Last_Date";
const char kTimesKey[] = "AppID_Times";
const char kUploadTimeKey[] = "Upload_Time";
const char kBhoSection[] = "BHORegInfo";
const char kFirstStartKey[] = "First_Start";
const char kConfigSection[] = "Config";
const char kVersionKey[] = "Version";
const char kLogMsgSection[] = "LogMsg";
const char kUpLogServerKey[] = "uplogserver";
const char kCrashConsentSection[] = "config";
const char kErrorReportSection[] = "ErrorReport";
const char kActLog[] = "log\\act.log";
const char kUploadSuffix[] = ".out";
// Records wait here until a server has taken them.
const char kUnsentSuffix[] = ".unsent";
// The user-action log while its records move to the waiting ones.
const char kTakenSuffix[] = ".taken";
// A long backlog goes in several uploads, a bounded number per run.
const int kMaxUploadsPerRun = 8;

const unsigned int kPauseMs = 30000;
const unsigned int kReleaseWaitMs = 1000;
const unsigned int kUploadEveryMinutes = 1440;
const uint32_t kRegisterLimit = 5;
const int kReplyPart = 64;

const DWORD kIoctlNdisQueryGlobalStats = 0x00170002;
const ULONG kOid8023PermanentAddress = 0x01010101;

HANDLE s_hThread = nullptr;
CHandle s_stopEvent;
unsigned int s_uiThreadId = 0;
std::atomic<bool> s_bStop{false};
std::atomic<bool> s_bStarted{false};
unsigned int s_pauseMs = kPauseMs;

uint32_t NowSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

std::string ConfigText(const char* section, const char* key, const std::string& def = std::string()) {
    std::string value;
    AfxGetConfigManager()->GetString(section, key, value, def);
    return value;
}

std::string Version() { return ConfigText(kConfigSection, kVersionKey); }

std::string CurrentUserId() {
    char id[64] = {};
    UserId::GetUserID(id, sizeof id);
    return id;
}

std::string CurrentInstallSrc() {
    char src[128] = {};
    UserId::GetInstallSRC(src, sizeof src);
    return src;
}

std::string ProgramDir() {
    std::string dir;
    Dir::GetVxPath(PATH_PROGRAM, dir);
    return dir;
}

// The permanent address of the first network card that answers.
std::string ReadCardMac() {
    HKEY cards = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", 0,
                      KEY_READ, &cards) != ERROR_SUCCESS)
        return std::string();
    std::string result;
    for (DWORD i = 0; result.empty(); ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(cards, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY card = nullptr;
        if (RegOpenKeyExA(cards, name, 0, KEY_READ, &card) != ERROR_SUCCESS) continue;
        char service[256] = {};
        DWORD type = 0, size = sizeof service - 1;
        LONG rc = RegQueryValueExA(card, "ServiceName", nullptr, &type, reinterpret_cast<BYTE*>(service), &size);
        RegCloseKey(card);
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        std::string device = std::string("\\\\.\\") + service;
        CHandle h(CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
        if (!h.Valid()) continue;
        ULONG oid = kOid8023PermanentAddress;
        unsigned char address[6] = {};
        DWORD got = 0;
        if (DeviceIoControl(h.Get(), kIoctlNdisQueryGlobalStats, &oid, sizeof oid, address, sizeof address, &got,
                            nullptr) &&
            got == sizeof address)
            result = SendInfoText::FormatMac(address, sizeof address);
    }
    RegCloseKey(cards);
    return result;
}

std::string ReadDiskSerial() {
    OSVERSIONINFOA os = {};
    os.dwOSVersionInfoSize = sizeof os;
    if (!GetVersionExA(&os) || os.dwPlatformId != VER_PLATFORM_WIN32_NT) return std::string();
    for (int drive = 0; drive < 4; ++drive) {
        char name[32];
        wsprintfA(name, "\\\\.\\PhysicalDrive%d", drive);
        CHandle h(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
        if (!h.Valid()) continue;
        GETVERSIONINPARAMS version = {};
        DWORD got = 0;
        if (!DeviceIoControl(h.Get(), SMART_GET_VERSION, nullptr, 0, &version, sizeof version, &got, nullptr) ||
            version.bIDEDeviceMap == 0)
            continue;
        SENDCMDINPARAMS in = {};
        in.cBufferSize = IDENTIFY_BUFFER_SIZE;
        in.irDriveRegs.bSectorCountReg = 1;
        in.irDriveRegs.bSectorNumberReg = 1;
        in.irDriveRegs.bDriveHeadReg = static_cast<BYTE>(0xA0 | ((drive & 1) << 4));
        in.irDriveRegs.bCommandReg = ((version.bIDEDeviceMap >> drive) & 0x10) ? ATAPI_ID_CMD : ID_CMD;
        in.bDriveNumber = static_cast<BYTE>(drive);
        std::vector<BYTE> out(sizeof(SENDCMDOUTPARAMS) + IDENTIFY_BUFFER_SIZE);
        if (!DeviceIoControl(h.Get(), SMART_RCV_DRIVE_DATA, &in, sizeof in - 1, out.data(),
                             static_cast<DWORD>(out.size()), &got, nullptr))
            continue;
        const BYTE* identify = reinterpret_cast<SENDCMDOUTPARAMS*>(out.data())->bBuffer;
        return SendInfoText::DiskSerialFromIdentify(reinterpret_cast<const char*>(identify) + 20, 20);
    }
    return std::string();
}

std::string ReadFirstAdapterMac() {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return std::string();
    std::vector<char> buffer(size);
    auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (GetAdaptersInfo(info, &size) != NO_ERROR) return std::string();
    return SendInfoText::FormatMac(info->Address, info->AddressLength);
}

// The first `cap` bytes of a file; false when it cannot be opened or read.
bool ReadFileHead(const std::string& path, size_t cap, std::string& content, DWORD& fullSize) {
    CHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) return false;
    fullSize = GetFileSize(h.Get(), nullptr);
    if (fullSize == INVALID_FILE_SIZE) return false;
    size_t want = fullSize > cap ? cap : fullSize;
    content.assign(want, '\0');
    size_t done = 0;
    while (done < want) {
        DWORD n = 0;
        if (!ReadFile(h.Get(), &content[done], static_cast<DWORD>(want - done), &n, nullptr)) return false;
        if (n == 0) break;
        done += n;
    }
    content.resize(done);
    return true;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Puts a taken log behind the records still waiting for a server; false, with both files as they
// were, when that cannot be done now.
bool MergeTaken(const std::string& taken, const std::string& waitingFile) {
    if (!Exists(taken)) return true;
    std::string waiting, fresh;
    DWORD size = 0;
    if ((Exists(waitingFile) && !ReadFileHead(waitingFile, SIZE_MAX, waiting, size)) ||
        !ReadFileHead(taken, SIZE_MAX, fresh, size) || !Dir::ReplaceWholeFile(waitingFile, waiting + fresh)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateCmd", "Keeping %s for the next upload, error %lu.",
                     taken.c_str(), GetLastError());
        return false;
    }
    DeleteFileA(taken.c_str());
    return true;
}

// Moves the user-action log's records behind those waiting. The log is taken by a rename, which a
// writer cannot cut in two.
void TakeNewRecords(const std::string& actLog, const std::string& waitingFile) {
    const std::string taken = actLog + kTakenSuffix;
    // One left by an earlier run holds older records than the log: they go first.
    if (!MergeTaken(taken, waitingFile)) return;
    if (!MoveFileA(actLog.c_str(), taken.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateCmd", "Rename act.log failed, error %lu.", GetLastError());
    MergeTaken(taken, waitingFile);
}

}  // namespace

void CSendInfoEveryDay::SendInfo() {
    try {
        if (s_bStarted.exchange(true)) return;
        char pause[32];
        DWORD n = GetEnvironmentVariableA("VX_SENDINFO_PAUSE_MS", pause, sizeof pause);
        if (n > 0 && n < sizeof pause) s_pauseMs = static_cast<unsigned>(std::strtoul(pause, nullptr, 10));
        s_bStop = false;
        s_stopEvent.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        uintptr_t h = s_stopEvent.Valid()
                          ? _beginthreadex(nullptr, 0, &CSendInfoEveryDay::ThreadProc, nullptr, 0, &s_uiThreadId)
                          : 0;
        if (!h) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateCmd", "SendInfo _beginthreadex failed, errno %d.",
                         errno);
            return;
        }
        s_hThread = reinterpret_cast<HANDLE>(h);
    } catch (...) {
    }
}

void CSendInfoEveryDay::Release() {
    if (!s_hThread) return;
    s_bStop = true;
    SetEvent(s_stopEvent.Get());
    if (WaitForSingleObject(s_hThread, kReleaseWaitMs) == WAIT_TIMEOUT) {
        // Only a request already on the wire takes this long. The handle stays, so that a later
        // Release still sees the worker; its module stays loaded until the worker is done.
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateCmd", "Release: the worker is still in a request.");
        return;
    }
    CloseHandle(s_hThread);
    s_hThread = nullptr;
}

unsigned __stdcall CSendInfoEveryDay::ThreadProc(void*) {
    // A reference to this module of its own: a FreeLibrary while the worker runs must not unmap its code.
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&CSendInfoEveryDay::ThreadProc),
                       &self);
    try {
        GenUserID();
        if (!s_bStop && WaitForSingleObject(s_stopEvent.Get(), s_pauseMs) == WAIT_TIMEOUT && !s_bStop) SendClientLog();
    } catch (...) {
    }
    if (self) FreeLibraryAndExitThread(self, 0);
    return 0;
}

bool CSendInfoEveryDay::CheckTimeStamp(const char* key, unsigned int minutes) {
    IConfigManager* config = AfxGetConfigManager();
    uint32_t now = NowSeconds();
    uint32_t stored = 0;
    bool has = config->QueryUInt32(kRegSection, key, stored);
    if (!SendInfoText::TimeStampDue(has, stored, now, minutes)) return false;
    return config->SetUInt32(kRegSection, key, now);
}

void CSendInfoEveryDay::GenUserID() {
    IConfigManager* config = AfxGetConfigManager();
    const uint32_t today = NowSeconds() / 86400;
    uint32_t lastDate = 0;
    bool hasLastDate = config->QueryUInt32(kRegSection, kLastDateKey, lastDate);
    if (!CurrentUserId().empty()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "Updaet", "GenUserID First_Start And ID Exist, Deleate First_Start.");
        std::string bho;
        if (config->QueryString(kBhoSection, kFirstStartKey, bho) && !bho.empty())
            config->SetString(kBhoSection, kFirstStartKey, "");
        if (hasLastDate && lastDate == today) return;
        config->SetUInt32(kRegSection, kLastDateKey, today);
        config->SetUInt32(kRegSection, kTimesKey, 0);
    } else {
        if (!hasLastDate || lastDate != today) {
            config->SetUInt32(kRegSection, kLastDateKey, today);
            config->SetUInt32(kRegSection, kTimesKey, 0);
        }
        uint32_t times = 0;
        config->GetUInt32(kRegSection, kTimesKey, times, 0);
        if (times >= kRegisterLimit) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Updaet", "GenUserID Times Limit.");
            return;
        }
        if (!config->SetUInt32(kRegSection, kTimesKey, times + 1)) return;
    }

    char userFile[260] = {};
    if (!UserId::GetUserFilePath(userFile, sizeof userFile)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "Updaet", "GenUserID Call GetUserFilePath Error!");
        return;
    }

    std::string firstStart = ConfigText(kConfigSection, kFirstStartKey);
    if (!firstStart.empty()) {
        if (CurrentInstallSrc().empty())
            UserId::SetInstallSRC(SendInfoText::InstallSrcFromPackage(firstStart).c_str());
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "Updaet", "GenUserID First_Start And No ID.");
        if (RegisterUserID(CurrentInstallSrc())) config->SetString(kBhoSection, kFirstStartKey, "");
        Update::CheckUpdateState();
    } else {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "Updaet", "GenUserID Without First_Start And No ID.");
        RegisterUserID(CurrentInstallSrc());
    }
}

bool CSendInfoEveryDay::RegisterUserID(const std::string& installSrc) {
    SendInfoText::RegisterValues values;
    values.id = CurrentUserId();
    values.mac = ReadCardMac();
    values.hd = ReadDiskSerial();
    values.vmac = ReadFirstAdapterMac();
    values.version = Version();
    values.src = installSrc;
    std::string plain = SendInfoText::BuildRegisterText(values);

    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "UserReg", "Encryption in, src is %s.", plain.c_str());
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "UserReg", "Encryption QR_Base64Encode in.");
    std::string encoded;
    bool encodedOk = SendInfoText::EncodeParam(plain, encoded);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "UserReg", "Encryption QR_Base64Encode out.");
    if (!encodedOk) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UserReg", "Encrypt string Error! string is %s.", plain.c_str());
        return false;
    }

    std::string url = GetServerAddress(kServerRegister) + SendInfoText::RegisterPath(plain, encoded);
    IVxHttpRequestMgr* http = AfxGetHttpRequestMgr();
    int handle = 0, error = 0;
    if (!http->OpenRequest(url.c_str(), 0, "", &handle, &error, 0) || error != 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UserReg", "Get ID Error!! (error %d)", error);
        if (handle) http->CloseRequest(handle);
        return false;
    }
    char reply[kReplyPart + 1] = {};
    int length = kReplyPart;
    error = 0;
    std::string newId;
    if (http->ReadPart(handle, reply, &length, &error) && error == 0 && length > 0)
        newId = SendInfoText::ParseRegisterReply(reply, static_cast<size_t>(length));
    else
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UserReg", "HTTP Request for Apply id error, No Result!");
    http->CloseRequest(handle);

    std::string id = newId.empty() ? values.id : newId;
    if (SendInfoText::IsPositiveNumber(id)) {
        UserId::SetUserID(id.c_str());
        UserId::SetInstallSRC(installSrc.c_str());
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "UserReg", "Write New ID %s to File.", id.c_str());
    }
    return true;
}

void CSendInfoEveryDay::SendClientLog() {
    IConfigManager* config = AfxGetConfigManager();
    uint32_t previous = 0;
    bool hadPrevious = config->QueryUInt32(kRegSection, kUploadTimeKey, previous);
    if (!CheckTimeStamp(kUploadTimeKey, kUploadEveryMinutes)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateCmd", "SendLogToServer CheckTimeStamp Fail.");
        return;
    }
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "UpdateCmd", "SendLogToServer CheckTimeStamp Success.");

    std::string server = ConfigText(kLogMsgSection, kUpLogServerKey, GetServerAddress(kServerLog));
    std::string actLog = ProgramDir() + kActLog;
    std::string uploadFile = actLog + kUploadSuffix;
    std::string waitingFile = actLog + kUnsentSuffix;
    DeleteFileA(uploadFile.c_str());
    TakeNewRecords(actLog, waitingFile);
    bool delivered = false;
    // The first upload goes even without records; each takes what fits and leaves the rest waiting.
    for (int upload = 0; upload < kMaxUploadsPerRun && !s_bStop; ++upload) {
        std::string waiting;
        DWORD size = 0;
        if (Exists(waitingFile) && !ReadFileHead(waitingFile, SIZE_MAX, waiting, size)) break;
        size_t batch = SendInfoText::UploadBatchLength(waiting);
        if (!Dir::WriteWholeFile(uploadFile, waiting.substr(0, batch)) || !UploadFile(uploadFile, server)) break;
        bool rest = batch < waiting.size();
        bool listed = rest ? Dir::ReplaceWholeFile(waitingFile, waiting.substr(batch))
                           : !Exists(waitingFile) || DeleteFileA(waitingFile.c_str());
        if (!listed) {
            // Sent but still listed: better once twice than never.
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateCmd", "Sent records stay in %s.", waitingFile.c_str());
            break;
        }
        delivered = !rest;
        if (!rest) break;
    }
    if (delivered) return;
    // Let the next start try again instead of waiting a day.
    if (hadPrevious)
        config->SetUInt32(kRegSection, kUploadTimeKey, previous);
    else
        config->DeleteKey(kRegSection, kUploadTimeKey);
}

bool CSendInfoEveryDay::UploadFile(const std::string& file, const std::string& server) {
    std::string content;
    if (!Exists(file)) {
        Dir::MakeDir(Dir::GetFilePath(file));
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "upload log", "Can't Find act.log File.");
        if (!Dir::WriteWholeFile(file, std::string()))
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "upload log", "Create act.log Error.");
    } else {
        DWORD size = 0;
        if (!ReadFileHead(file, SendInfoText::kUploadCap, content, size)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "upload log", "Read %s failed, error %lu.", file.c_str(),
                         GetLastError());
            return false;
        }
        if (size > SendInfoText::kUploadCap)
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "upload log", "UploadFile Get too Large log File, Size is %d.",
                         static_cast<int>(size));
    }

    const std::string userId = CurrentUserId(), version = Version(), installSrc = CurrentInstallSrc();
    SYSTEMTIME st;
    GetLocalTime(&st);
    SendInfoText::LocalTime time{st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    std::string record = SendInfoText::BuildUploadHead(userId, version, installSrc, time) + content;
    std::string crash;
    std::vector<std::string> dumps;
    GetCrashFile(crash, dumps);
    record += crash;

    std::string plain = SendInfoText::BuildUploadParam(userId, version, installSrc);
    std::string encoded;
    if (!SendInfoText::EncodeParam(plain, encoded)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Upload", "Encrypt string Error! string is %s.", plain.c_str());
        return false;
    }
    std::string url = server + SendInfoText::UploadPath(plain, encoded);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "Upload", "Transfer Log url Finished.");
    if (s_bStop) return false;

    std::string body;
    if (!SendInfoText::CompressRecord(record, body)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Upload", "Compress LogFile error!");
        return false;
    }
    IVxHttpRequestMgr* http = AfxGetHttpRequestMgr();
    int handle = 0, error = 0;
    if (!http->SendRequest(url.c_str(), 1, body.data(), static_cast<int>(body.size()), &handle, &error, 0) ||
        error != 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Upload", "Upload Log:HTTP Request is error! (error %d)", error);
        if (handle) http->CloseRequest(handle);
        return false;
    }
    http->CloseRequest(handle);
    // Dumps go only once the server has them; an unsent dump stays for the next day.
    for (const std::string& dump : dumps) DeleteFileA(dump.c_str());
    return true;
}

void CSendInfoEveryDay::GetCrashFile(std::string& out, std::vector<std::string>& sent) {
    IConfigManager* config = AfxGetConfigManager();
    bool collect = false, send = false;
    config->GetBool(kCrashConsentSection, "collectcrash", collect, false);
    config->GetBool(kCrashConsentSection, "sendcrash", send, false);
    if (!collect || !send) return;

    const std::string dir = ProgramDir();
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && SendInfoText::IsCrashFileName(found.cFileName))
                names.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    if (names.empty()) return;
    out = SendInfoText::CrashTextHead(Version());

    for (const std::string& name : names) {
        const std::string key = SendInfoText::CrashFileKey(name);
        bool agreed = false;
        config->GetBool(kErrorReportSection, key, agreed, false);
        if (!agreed) continue;
        std::string qq = ConfigText(kErrorReportSection, (key + "QQ").c_str());
        std::string describe = ConfigText(kErrorReportSection, (key + "describe").c_str());
        const std::string path = dir + name;
        CHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.Valid()) continue;
        DWORD size = GetFileSize(h.Get(), nullptr);
        std::string content;
        bool whole = false;
        if (size != INVALID_FILE_SIZE) {
            content.assign(size, '\0');
            DWORD n = 0;
            whole = size == 0 || (ReadFile(h.Get(), &content[0], size, &n, nullptr) && n == size);
        }
        h.Reset();
        if (!whole) {
            // It cannot be read now and would be tried every day: give it up.
            DeleteFileA(path.c_str());
            continue;
        }
        std::string base64;
        if (!content.empty()) Base64Encode(base64, content.data(), content.size());
        out += SendInfoText::CrashSection(name, describe, qq, base64);
        sent.push_back(path);
    }
}

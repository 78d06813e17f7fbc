#include "vxlib/UserId.h"

#include <windows.h>

#include <vector>

#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"

namespace {

const wchar_t kSection[] = L"UserInfo";
const wchar_t kUserIdKey[] = L"UserID";
const wchar_t kInstallSrcKey[] = L"InstallSRC";
const wchar_t kVersionKey[] = L"Version";
const char kUserFile[] = "\\Vixo\\VxMelodisk\\user.ini";
const char kPlayerUserFile[] = "user.ini";

std::string ProductUserFile() {
    std::string common;
    if (!Dir::GetVxPath(PATH_COMMON_APPDATA, common)) return std::string();
    std::string path = common + kUserFile;
    if (!Dir::MakeDir(Dir::GetFilePath(path))) return std::string();
    return path;
}

std::string PlayerExe(int type) {
    std::string path;
    if (!Dir::GetVxPath(type, path) || !Dir::IsExistFile(path)) return std::string();
    return path;
}

// The newer player's executable when it exists, else the older one's; empty when neither does.
std::string AnyPlayerExe() {
    std::string path = PlayerExe(PATH_PLAYER_EXE);
    return path.empty() ? PlayerExe(PATH_PLAYER_OLD_EXE) : path;
}

std::string ReadValue(const std::string& file, const wchar_t* key) {
    if (file.empty() || !Dir::IsExistFile(file)) return std::string();
    std::vector<wchar_t> buf(1024);
    DWORD n = GetPrivateProfileStringW(kSection, key, L"", buf.data(), static_cast<DWORD>(buf.size()),
                                       Charset::String2WString(file).c_str());
    return Charset::WString2String(std::wstring(buf.data(), n));
}

int WriteValue(const wchar_t* key, const char* value) {
    if (!value) return 0;
    std::string text = value;
    if (text.find_first_of("\r\n") != std::string::npos) return 0;  // would break the file's lines
    std::string file = ProductUserFile();
    if (file.empty()) return 0;
    std::wstring wide = Charset::String2WString(text);
    if (!text.empty() && wide.empty()) return 0;
    if (!WritePrivateProfileStringW(kSection, key, wide.c_str(), Charset::String2WString(file).c_str())) return 0;
    return ReadValue(file, key) == text ? 1 : 0;
}

int Answer(char* buffer, int size, const std::string& value) {
    if (!buffer || size <= 0) return 0;
    bool fitted = StringUtility::CopyToBuffer(buffer, static_cast<size_t>(size), value);
    return fitted && !value.empty() ? 1 : 0;
}

std::string PlayerUserFile() {
    std::string exe = AnyPlayerExe();
    return exe.empty() ? exe : Dir::GetFilePath(exe) + kPlayerUserFile;
}

int PlayerVersionNumber(int type, int& version) {
    std::string exe = PlayerExe(type);
    std::string text;
    int number = 0;
    if (exe.empty() || !UserId::GetFileVersion(exe, text, number)) return 0;
    version = number;
    return 1;
}

}  // namespace

namespace UserId {

int GetUserID(char* buffer, int size) { return Answer(buffer, size, ReadValue(ProductUserFile(), kUserIdKey)); }
int SetUserID(const char* userId) { return WriteValue(kUserIdKey, userId); }
int GetInstallSRC(char* buffer, int size) { return Answer(buffer, size, ReadValue(ProductUserFile(), kInstallSrcKey)); }
int SetInstallSRC(const char* installSrc) { return WriteValue(kInstallSrcKey, installSrc); }
int GetVersion(char* buffer, int size) { return Answer(buffer, size, ReadValue(ProductUserFile(), kVersionKey)); }
int SetVersion(const char* version) { return WriteValue(kVersionKey, version); }

int GetUserFilePath(char* buffer, int size) {
    std::string path = ProductUserFile();
    return Answer(buffer, size, path);
}

int GetPlaydeckUserIDEx(char* buffer, int size) { return Answer(buffer, size, ReadValue(PlayerUserFile(), kUserIdKey)); }

int GetPlaydeckInstallSRCEx(char* buffer, int size) {
    return Answer(buffer, size, ReadValue(PlayerUserFile(), kInstallSrcKey));
}

int GetPlaydeckVersionEx(char* buffer, int size) {
    std::string exe = AnyPlayerExe();
    std::string text;
    int number = 0;
    if (exe.empty() || !GetFileVersion(exe, text, number)) text.clear();
    return Answer(buffer, size, text);
}

int GetPlaydeckVersion(int& version) { return PlayerVersionNumber(PATH_PLAYER_OLD_EXE, version); }
int GetPlaydeck6Version(int& version) { return PlayerVersionNumber(PATH_PLAYER_EXE, version); }

int GetMainModuleVersion(std::string& text) {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    int number = 0;
    return length > 0 && length < MAX_PATH ? GetFileVersion(path, text, number) : 0;
}

int GetFileVersion(const std::string& path, std::string& text, int& number) {
    std::wstring wide = Charset::String2WString(path);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
    if (size == 0) return 0;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data())) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != 0xFEEF04BD) {
        return 0;
    }
    unsigned major = HIWORD(info->dwFileVersionMS), minor = LOWORD(info->dwFileVersionMS);
    unsigned build = HIWORD(info->dwFileVersionLS), revision = LOWORD(info->dwFileVersionLS);
    text = StringUtility::Format("%u.%u.%u.%u", major, minor, build, revision);
    number = static_cast<int>(major * 1000 + minor * 100 + build * 10 + revision);
    return 1;
}

}  // namespace UserId

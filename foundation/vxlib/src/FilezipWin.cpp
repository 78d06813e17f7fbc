#include "vxlib/Zip.h"

#include <windows.h>

// iowin32.h relies on the declarations that ZipReader.h brings in through unzip.h.
#include "ZipReader.h"
#include <iowin32.h>
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

namespace {

// Writes below one folder through the wide APIs; names reach the caller in the system code page.
class FolderSink : public IZipSink {
public:
    explicit FolderSink(const std::wstring& target) : m_target(target) {}
    ~FolderSink() override { EndFile(false); }

    std::vector<std::string> m_names;

    bool Accept(const std::string& relative) override {
        std::wstring wide = Wide(relative);
        if (wide.empty()) return false;
        // Callers copy the listed names with the narrow APIs: the name must survive the code page
        // and the full path must fit MAX_PATH.
        if (Charset::String2WString(Charset::WString2String(wide)) != wide) return false;
        return Charset::WString2String(Full(relative)).size() < MAX_PATH;
    }
    bool MakeFolder(const std::string& relative) override {
        std::wstring path = Full(relative);
        if (!CreateDirectoryW(path.c_str(), nullptr)) {
            DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        }
        m_names.push_back(Charset::WString2String(Wide(relative)));
        return true;
    }
    bool BeginFile(const std::string& relative) override {
        m_path = Full(relative);
        m_file = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file == INVALID_HANDLE_VALUE) return false;
        m_names.push_back(Charset::WString2String(Wide(relative)));
        return true;
    }
    bool WriteFile(const void* data, size_t size) override {
        DWORD written = 0;
        return ::WriteFile(m_file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    }
    bool EndFile(bool complete) override {
        if (m_file == INVALID_HANDLE_VALUE) return complete;
        bool closed = CloseHandle(m_file) != FALSE;
        m_file = INVALID_HANDLE_VALUE;
        if (!complete || !closed) {
            DeleteFileW(m_path.c_str());
            m_names.pop_back();
            return false;
        }
        return true;
    }

private:
    static std::wstring Wide(const std::string& relative) {
        std::wstring wide = Charset::UTF8ToUnicode(relative);
        for (wchar_t& c : wide) {
            if (c == L'/') c = L'\\';
        }
        return wide;
    }
    std::wstring Full(const std::string& relative) const { return m_target + L"\\" + Wide(relative); }

    std::wstring m_target;
    std::wstring m_path;
    HANDLE m_file = INVALID_HANDLE_VALUE;
};

bool Unpack(const std::string& zipFile, const std::string& targetDir, std::vector<std::string>& names, bool strict) {
    names.clear();
    std::wstring target = Charset::String2WString(targetDir);
    while (!target.empty() && (target.back() == L'\\' || target.back() == L'/')) target.pop_back();
    std::wstring wideZip = Charset::String2WString(zipFile);
    if (target.empty() || wideZip.empty() || !Dir::MakeDir(targetDir)) return false;

    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    ShortReadGuard guard(functions);
    zlib_filefunc64_def guarded = guard.Functions();
    unzFile zip = unzOpen2_64(wideZip.c_str(), &guarded);
    if (!zip) return false;
    FolderSink sink(target);
    bool ok = UnpackZip(zip, sink, strict, Filezip::kMaxEntrySize);
    unzClose(zip);
    if (ok) names.swap(sink.m_names);
    return ok;
}

}  // namespace

namespace Filezip {

bool UnCompress(const std::string& zipFile, const std::string& targetDir, std::vector<std::string>& files, bool strict) {
    try {
        return Unpack(zipFile, targetDir, files, strict);
    } catch (...) {
        files.clear();
        return false;
    }
}

bool UnCompress(const std::string& zipFile, const std::string& targetDir, std::list<std::string>& files, bool strict) {
    files.clear();
    std::vector<std::string> names;
    if (!UnCompress(zipFile, targetDir, names, strict)) return false;
    try {
        files.assign(names.begin(), names.end());
        return true;
    } catch (...) {
        files.clear();
        return false;
    }
}

}  // namespace Filezip

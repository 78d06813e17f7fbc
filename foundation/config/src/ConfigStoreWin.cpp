#include "config/ConfigManager.h"

#include <windows.h>

#include <functional>
#include <string>

#include "config/IniDocument.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/SharedObjectsWin.h"

namespace {

const wchar_t kMutexName[] = L"Global\\VxMdConfigStoreMutex";
const char kFileName[] = "config.ini";
const char kTempSuffix[] = ".tmp";
// A holder that hangs longer than this is treated as gone; the operation then fails quietly.
const DWORD kLockTimeoutMs = 10000;
const DWORD kMaxFileBytes = 16 * 1024 * 1024;

HANDLE CreateStoreMutex() { return SharedObjects::CreateSharedMutex(kMutexName); }

bool ReadWholeFile(const std::wstring& path, std::string& text, bool& missing) {
    text.clear();
    missing = false;
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        DWORD err = GetLastError();
        missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
        return false;
    }
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMaxFileBytes) return false;
    text.resize(size);
    DWORD done = 0;
    while (done < size) {
        DWORD n = 0;
        if (!ReadFile(file.Get(), &text[done], size - done, &n, nullptr)) return false;
        if (n == 0) break;
        done += n;
    }
    text.resize(done);
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
    CHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        if (!WriteFile(file.Get(), text.data() + done, static_cast<DWORD>(text.size()) - done, &n, nullptr) || n == 0) {
            return false;
        }
        done += n;
    }
    return FlushFileBuffers(file.Get()) != FALSE;
}

class CConfigStore final : public IConfigManager {
public:
    CConfigStore() : m_mutex(CreateStoreMutex()) {}

    bool DeleteSection(const std::string& section) override {
        return Modify([&](CIniDocument& doc) { doc.RemoveSection(section); return true; });
    }

    void GetString(const std::string& section, const std::string& key, std::string& out,
                   const std::string& def) override {
        std::string value;
        if (QueryString(section, key, value)) {
            out = value;
        } else if (&out != &def) {
            out = def;
        }
    }

    bool QueryString(const std::string& section, const std::string& key, std::string& out) override {
        return Read([&](const CIniDocument& doc) { return doc.Get(section, key, out); });
    }

    bool SetString(const std::string& section, const std::string& key, const std::string& value) override {
        return Modify([&](CIniDocument& doc) { return doc.Set(section, key, value); });
    }

    void GetInt(const std::string& section, const std::string& key, int& out, int def) override {
        if (!QueryInt(section, key, out)) out = def;
    }

    bool QueryInt(const std::string& section, const std::string& key, int& out) override {
        std::string text;
        int value = 0;
        if (!QueryString(section, key, text) || !CIniDocument::ParseInt(text, value)) return false;
        out = value;
        return true;
    }

    bool SetInt(const std::string& section, const std::string& key, int value) override {
        return SetString(section, key, std::to_string(value));
    }

    void GetUInt32(const std::string& section, const std::string& key, uint32_t& out, uint32_t def) override {
        if (!QueryUInt32(section, key, out)) out = def;
    }

    bool QueryUInt32(const std::string& section, const std::string& key, uint32_t& out) override {
        std::string text;
        uint32_t value = 0;
        if (!QueryString(section, key, text) || !CIniDocument::ParseUInt32(text, value)) return false;
        out = value;
        return true;
    }

    bool SetUInt32(const std::string& section, const std::string& key, uint32_t value) override {
        return SetString(section, key, std::to_string(static_cast<unsigned long long>(value)));
    }

    bool QueryBool(const std::string& section, const std::string& key, bool& out) override {
        std::string text;
        bool value = false;
        if (!QueryString(section, key, text) || !CIniDocument::ParseBool(text, value)) return false;
        out = value;
        return true;
    }

    bool SetBool(const std::string& section, const std::string& key, bool value) override {
        return SetString(section, key, value ? "1" : "0");
    }

    bool DeleteKey(const std::string& section, const std::string& key) override {
        return Modify([&](CIniDocument& doc) { doc.Remove(section, key); return true; });
    }

    void GetBool(const std::string& section, const std::string& key, bool& out, bool def) override {
        if (!QueryBool(section, key, out)) out = def;
    }

private:
    // Owns the cross-process mutex for its lifetime. An abandoned mutex (its holder was killed) is
    // ours all the same: the file is replaced atomically, so what the holder left is still whole.
    class CLock {
    public:
        explicit CLock(HANDLE mutex) : m_mutex(mutex) {
            if (!m_mutex) return;
            DWORD r = WaitForSingleObject(m_mutex, kLockTimeoutMs);
            m_owned = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
        }
        ~CLock() {
            if (m_owned) ReleaseMutex(m_mutex);
        }
        bool Owned() const { return m_owned; }

    private:
        HANDLE m_mutex;
        bool m_owned = false;
    };

    // Brings m_doc up to the file's current content; the caller holds the lock. Reading every time
    // under the lock keeps every process's view current; parsing only happens when the text changed.
    bool Load(std::wstring& path) {
        std::string folder;
        if (!ConfigFolder(folder)) return false;
        std::string narrow = folder + "\\" + kFileName;
        path = Charset::String2WString(narrow);
        std::string text;
        bool missing = false;
        if (!ReadWholeFile(path, text, missing) && !missing) return false;
        if (narrow != m_cachedPath || text != m_cachedText || !m_cacheValid) {
            m_doc.Parse(text);
            m_cachedPath = narrow;
            m_cachedText.swap(text);
            m_cacheValid = true;
        }
        return true;
    }

    // Resolving the folder costs more than reading the file; it only moves with VX_DATA_ROOT, which
    // tests change at run time.
    bool ConfigFolder(std::string& folder) {
        wchar_t buf[MAX_PATH];
        DWORD n = GetEnvironmentVariableW(L"VX_DATA_ROOT", buf, MAX_PATH);
        std::wstring root = (n > 0 && n < MAX_PATH) ? std::wstring(buf, n) : std::wstring();
        if (m_folder.empty() || root != m_folderRoot) {
            std::string resolved;
            if (!Dir::GetVxPath(PATH_CONFIG, resolved)) return false;
            m_folder = resolved;
            m_folderRoot = root;
        }
        folder = m_folder;
        return true;
    }

    // Writes beside the store, flushes, then swaps the new file in: a reader or a crash sees either
    // the old or the new file, never a part of one.
    bool Save(const std::wstring& path) {
        std::string text = m_doc.Serialize();
        std::wstring temp = path + Charset::String2WString(kTempSuffix);
        m_cacheValid = false;
        if (!WriteWholeFile(temp, text)) {
            // The folder may have gone since it was resolved.
            if (!Dir::MakeDir(m_folder) || !WriteWholeFile(temp, text)) {
                DeleteFileW(temp.c_str());
                return false;
            }
        }
        for (int attempt = 0; attempt < 5; ++attempt) {
            // Someone outside the store (a scanner, an editor) may hold the file for a moment.
            if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                m_cachedText.swap(text);
                m_cacheValid = true;
                return true;
            }
            Sleep(20);
        }
        DeleteFileW(temp.c_str());
        return false;
    }

    bool Read(const std::function<bool(const CIniDocument&)>& query) {
        try {
            CLock lock(m_mutex);
            std::wstring path;
            if (!lock.Owned() || !Load(path)) return false;
            return query(m_doc);
        } catch (...) {
            m_cacheValid = false;
            return false;
        }
    }

    bool Modify(const std::function<bool(CIniDocument&)>& change) {
        try {
            CLock lock(m_mutex);
            std::wstring path;
            if (!lock.Owned() || !Load(path)) return false;
            if (!change(m_doc)) {
                m_cacheValid = false;  // the document may differ from the file now
                return false;
            }
            return Save(path);
        } catch (...) {
            m_cacheValid = false;
            return false;
        }
    }

    HANDLE m_mutex;
    CIniDocument m_doc;
    std::string m_folder;
    std::wstring m_folderRoot;
    std::string m_cachedPath;
    std::string m_cachedText;
    bool m_cacheValid = false;
};

}  // namespace

extern "C" IConfigManager* AfxGetConfigManager() {
    try {
        static CConfigStore s_store;
        return &s_store;
    } catch (...) {
        return nullptr;
    }
}

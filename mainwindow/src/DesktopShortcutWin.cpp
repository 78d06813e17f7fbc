#include "DesktopShortcutWin.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "PlayShortcutFile.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"
#include "vxlib/Dir.h"

namespace DesktopShortcut {
namespace {

const char kLogFile[] = "shortcut.log";
const char kTag[] = "CreateIcon";
const uint32_t kMusicVideoList = 3;

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (m_p) m_p->Release();
    }
    T** Out() { return &m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

// Balances only a successful CoInitialize, so a thread already in another apartment is left as is.
class ComScope {
public:
    ComScope() : m_ok(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (m_ok) CoUninitialize();
    }

private:
    bool m_ok;
};

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

HRESULT SaveLink(const ShortcutSpec& shortcut, const std::string& path) {
    ComScope com;
    ComRef<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.Out()));
    if (FAILED(hr)) return hr;
    link->SetPath(shortcut.exe.c_str());
    link->SetArguments(shortcut.arguments.c_str());
    link->SetDescription(shortcut.description.c_str());
    link->SetIconLocation(shortcut.icon.c_str(), shortcut.iconIndex);
    ComRef<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out()));
    if (FAILED(hr)) return hr;
    return file->Save(Wide(path).c_str(), TRUE);
}

bool IsMusicVideo(const CSongInfoBase& song) {
    const CNetSongList* list = dynamic_cast<const CNetSongList*>(song.GetParent());
    return list && list->GetListType() == kMusicVideoList;
}

}  // namespace

bool Create(const ShortcutSpec& shortcut) {
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, kTag,
                 "in.Name[%s] Exe[%s] Param[%s] Desscribe[%s] Icon[%s] IconId[%d]", shortcut.name.c_str(),
                 shortcut.exe.c_str(), shortcut.arguments.c_str(), shortcut.description.c_str(), shortcut.icon.c_str(),
                 shortcut.iconIndex);
    std::string desktop;
    HRESULT hr = E_FAIL;
    if (Dir::GetVxPath(PATH_DESKTOP, desktop)) {
        std::string path = desktop + "\\" + shortcut.name + ".lnk";
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, kTag, "save path: %s", path.c_str());
        hr = SaveLink(shortcut, path);
    }
    if (FAILED(hr)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "out0. ErrCode[%d]", static_cast<int>(hr));
        return false;
    }
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, kTag, "out1");
    return true;
}

int CreateSongShortcuts(const SongVector& songs) {
    std::string dataDir, programDir;
    if (!Dir::GetVxPath(PATH_SHORTCUT_DATA, dataDir) || !Dir::GetVxPath(PATH_PROGRAM, programDir)) return 0;
    const std::string filePath = dataDir + CPlayShortcutFile::kFileName;
    CPlayShortcutFile file;
    file.Load(filePath);
    std::vector<std::pair<const CSongInfoBase*, int>> ids;
    for (const CSongInfoBase* song : songs) {
        if (song) ids.emplace_back(song, file.AddSong(*song, IsMusicVideo(*song)));
    }
    file.Save(filePath);
    int created = 0;
    for (const auto& entry : ids) {
        ShortcutSpec shortcut;
        shortcut.name = Dir::SafeFileName(entry.first->GetName() + "-" + entry.first->GetArtist());
        shortcut.exe = programDir + kPlayExe;
        char args[32];
        snprintf(args, sizeof(args), kPlayArgs, entry.second);
        shortcut.arguments = args;
        shortcut.description = entry.first->GetName();
        shortcut.icon = programDir + kSongIcon;
        shortcut.iconIndex = 0;
        if (Create(shortcut)) ++created;
    }
    return created;
}

}  // namespace DesktopShortcut

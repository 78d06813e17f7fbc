#include "DesktopShortcutWin.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "PlayShortcutFile.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"
#include "vxlib/ComRefWin.h"
#include "vxlib/Dir.h"

namespace DesktopShortcut {
namespace {

const char kLogFile[] = "shortcut.log";
const char kTag[] = "CreateIcon";
const uint32_t kMusicVideoList = 3;
const char kFileTag[] = "ShortCutFile";
const char kAsideSuffix[] = ".unreadable";
const int kAsideNames = 99;

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
    CComRef<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.Out()));
    if (FAILED(hr)) return hr;
    link->SetPath(shortcut.exe.c_str());
    link->SetArguments(shortcut.arguments.c_str());
    link->SetDescription(shortcut.description.c_str());
    link->SetIconLocation(shortcut.icon.c_str(), shortcut.iconIndex);
    CComRef<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out()));
    if (FAILED(hr)) return hr;
    return file->Save(Wide(path).c_str(), TRUE);
}

bool IsMusicVideo(const CSongInfoBase& song) {
    const CNetSongList* list = dynamic_cast<const CNetSongList*>(song.GetParent());
    return list && list->GetListType() == kMusicVideoList;
}

bool RenameFile(const std::string& from, const std::string& to, DWORD flags) {
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags) != FALSE;
}

// Reads the play-shortcut file into `file`. A file that exists but cannot be read stays as it is
// and false comes back: its ids are unknown, so no new one can be given safely. A file that does
// not parse is kept aside under the first free name of path + ".unreadable[N]"; the ids it shows
// stay taken.
bool ReadPlayFile(const std::string& path, CPlayShortcutFile& file) {
    std::string text;
    if (!Dir::IsExistFile(path)) return true;
    if (!Dir::ReadWholeFile(path, text)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kFileTag, "cannot read %s: %lu", path.c_str(), GetLastError());
        return false;
    }
    if (file.LoadText(text)) return true;
    for (int n = 1; n <= kAsideNames; ++n) {
        const std::string aside = path + kAsideSuffix + (n > 1 ? std::to_string(n) : std::string());
        if (RenameFile(path, aside, MOVEFILE_WRITE_THROUGH)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kFileTag, "unreadable, kept as %s", aside.c_str());
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kFileTag, "unreadable %s cannot be kept aside: %lu", path.c_str(),
                 GetLastError());
    return false;
}

// Whole or not at all (the document is saved through a file of its own that then replaces the old one).
bool WritePlayFile(const std::string& path, const CPlayShortcutFile& file) {
    if (file.Save(path)) return true;
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kFileTag, "cannot write %s: %lu", path.c_str(), GetLastError());
    return false;
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
    if (!ReadPlayFile(filePath, file)) return 0;
    std::vector<std::pair<const CSongInfoBase*, int>> ids;
    for (const CSongInfoBase* song : songs) {
        if (song) ids.emplace_back(song, file.AddSong(*song, IsMusicVideo(*song)));
    }
    // A shortcut whose id the file does not keep would play whatever later takes that id.
    if (!WritePlayFile(filePath, file)) return 0;
    int created = 0;
    for (const auto& entry : ids) {
        if (entry.second < 0) continue;
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

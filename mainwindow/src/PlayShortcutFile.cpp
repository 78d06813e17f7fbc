#include "PlayShortcutFile.h"

#include <memory>

#include "datadef/SongInfo.h"

const char CPlayShortcutFile::kFileName[] = "ShortCut.pl";
const char CPlayShortcutFile::kEmptyDocument[] = "<pl si=\"100\"></pl>";

namespace {
const char kRoot[] = "pl";
const char kSong[] = "so";
const char kNextId[] = "si";
const char kId[] = "id";
const char kKind[] = "pt";
}  // namespace

CPlayShortcutFile::CPlayShortcutFile() { m_root.LoadStringA(kEmptyDocument); }

bool CPlayShortcutFile::Load(const std::string& path) {
    Xml::XmlNode loaded;
    if (loaded.LoadFile(path) && loaded.GetName() == kRoot) {
        m_root = loaded;
        return true;
    }
    m_root = Xml::XmlNode();
    m_root.LoadStringA(kEmptyDocument);
    return false;
}

bool CPlayShortcutFile::Save(const std::string& path) const { return m_root.SaveFile(path); }

int CPlayShortcutFile::AddSong(const CSongInfoBase& song, bool musicVideo) {
    // Same class as the song, so a derived identity (ids, urls) takes part in the comparison.
    std::unique_ptr<CSongInfoBase> stored(song.CreateSongInfo());
    for (auto it = m_root.ChildBegin(); it != m_root.ChildEnd(); ++it) {
        if (it->GetName() != kSong || !it->HasAttr(kId)) continue;
        if (stored->LoadFromXml(*it) && stored->IsSameSong(song)) return static_cast<int>(it->GetAttrNum(kId));
    }
    int id = static_cast<int>(m_root.GetAttrNum(kNextId, kFirstId));
    Xml::XmlNode entry = m_root.AppendChild(kSong);
    song.SaveToXml(entry);
    entry.SetAttrNum(kId, id);
    entry.SetAttr(kKind, musicVideo ? "mv" : "song");
    m_root.SetAttrNum(kNextId, id + 1);
    return id;
}

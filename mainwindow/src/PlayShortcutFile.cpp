#include "PlayShortcutFile.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "datadef/SongInfo.h"
#include "vxlib/Dir.h"

const char CPlayShortcutFile::kFileName[] = "ShortCut.pl";
const char CPlayShortcutFile::kEmptyDocument[] = "<pl si=\"100\"></pl>";

namespace {
const char kRoot[] = "pl";
const char kSong[] = "so";
const char kNextId[] = "si";
const char kId[] = "id";
const char kKind[] = "pt";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of `name`="digits" (either quote) inside the text of a start tag; -1 when absent
// or not a number that fits a shortcut id.
long long AttrNumber(const std::string& tag, const std::string& name) {
    for (size_t at = tag.find(name + "="); at != std::string::npos; at = tag.find(name + "=", at + 1)) {
        if (at == 0 || !IsSpace(tag[at - 1])) continue;
        size_t digit = at + name.size() + 1;
        if (digit >= tag.size() || (tag[digit] != '"' && tag[digit] != '\'')) continue;
        long long value = 0;
        size_t end = ++digit;
        while (end < tag.size() && tag[end] >= '0' && tag[end] <= '9' && value <= INT_MAX)
            value = value * 10 + (tag[end++] - '0');
        if (end > digit && end < tag.size() && tag[end] == tag[digit - 1] && value < INT_MAX) return value;
    }
    return -1;
}

// The lowest id above every id that text, whole or damaged, still shows: the `id` of each `so`
// start tag and the root's `si`.
int FirstFreeIdIn(const std::string& text) {
    long long next = CPlayShortcutFile::kFirstId;
    const struct {
        const char* tag;
        const char* attribute;
        int above;  // `si` is itself free, an `id` is taken
    } marks[] = {{kSong, kId, 1}, {kRoot, kNextId, 0}};
    for (const auto& mark : marks) {
        const std::string open = std::string("<") + mark.tag;
        for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
            const size_t name = at + open.size();
            if (name >= text.size() || !IsSpace(text[name])) continue;
            const size_t end = text.find('>', name);
            const long long value =
                AttrNumber(text.substr(name, end == std::string::npos ? std::string::npos : end - name), mark.attribute);
            if (value >= 0 && value + mark.above > next) next = value + mark.above;
        }
    }
    return static_cast<int>(next);
}

}  // namespace

CPlayShortcutFile::CPlayShortcutFile() { m_root.LoadStringA(kEmptyDocument); }

bool CPlayShortcutFile::LoadText(const std::string& text) {
    Xml::XmlNode loaded;
    m_nextAtLeast = kFirstId;
    if (loaded.LoadStringA(text) && loaded.GetName() == kRoot) {
        m_root = loaded;
        return true;
    }
    m_root = Xml::XmlNode();
    m_root.LoadStringA(kEmptyDocument);
    m_nextAtLeast = FirstFreeIdIn(text);
    return false;
}

bool CPlayShortcutFile::Load(const std::string& path) {
    std::string text;
    if (Dir::ReadWholeFile(path, text)) return LoadText(text);
    LoadText(kEmptyDocument);
    return false;
}

bool CPlayShortcutFile::Save(const std::string& path) const { return m_root.SaveFile(path); }

int CPlayShortcutFile::AddSong(const CSongInfoBase& song, bool musicVideo) {
    // Same class as the song, so a derived identity (ids, urls) takes part in the comparison.
    std::unique_ptr<CSongInfoBase> stored(song.CreateSongInfo());
    long long id = std::max<long long>(m_root.GetAttrNum(kNextId, kFirstId), m_nextAtLeast);
    for (auto it = m_root.ChildBegin(); it != m_root.ChildEnd(); ++it) {
        if (it->GetName() != kSong || !it->HasAttr(kId)) continue;
        // An id no shortcut can carry (no number, negative, too large) names no shortcut.
        const long long entryId = it->GetAttrNum(kId, -1);
        if (entryId < 0 || entryId >= INT_MAX) continue;
        if (stored->LoadFromXml(*it) && stored->IsSameSong(song)) return static_cast<int>(entryId);
        // A next id that an entry already has would make two shortcuts play one song.
        id = std::max(id, entryId + 1);
    }
    if (id >= INT_MAX) return -1;
    Xml::XmlNode entry = m_root.AppendChild(kSong);
    song.SaveToXml(entry);
    entry.SetAttrNum(kId, id);
    entry.SetAttr(kKind, musicVideo ? "mv" : "song");
    m_root.SetAttrNum(kNextId, id + 1);
    return static_cast<int>(id);
}

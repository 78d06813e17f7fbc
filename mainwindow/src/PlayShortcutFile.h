#pragma once
#include <string>

#include "vxlib/Xml.h"

class CSongInfoBase;

// "ShortCut.pl": the songs that desktop play shortcuts stand for. Root `pl` keeps the next
// shortcut id in `si`; each `so` child is a saved song with its shortcut id `id` and kind `pt`.
// A value object used on the user-interface thread.
class CPlayShortcutFile {
public:
    static const char kFileName[];
    static const char kEmptyDocument[];
    static const int kFirstId = 100;

    CPlayShortcutFile();

    // Takes the file's text. Text that is not such a document leaves the empty document, whose
    // new ids still start above every id the text shows (shortcuts made earlier keep theirs);
    // false then.
    bool LoadText(const std::string& text);
    // LoadText of the file's content; a missing or unreadable file leaves the empty document.
    bool Load(const std::string& path);
    bool Save(const std::string& path) const;

    // The shortcut id of the song: the one of an existing entry for the same song (data-model
    // identity), else a new entry with the next id, above every id in use; -1 when no id is left.
    // `musicVideo` sets `pt` of a new entry.
    int AddSong(const CSongInfoBase& song, bool musicVideo);

    const Xml::XmlNode& Root() const { return m_root; }

private:
    Xml::XmlNode m_root;
    int m_nextAtLeast = kFirstId;
};

#pragma once
#include <string>
#include <vector>
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

// Makes the lists and songs the manager reads (the catalogue answers with CNetSongInfo and
// CNetSongList). Slot 0 CreateSongInfo, slot 1 CreateSongList: no virtual destructor, so that an
// interface deriving from this one keeps its own slots after these two.
class ICreateFactory {
public:
    virtual CSongInfoBase* CreateSongInfo() = 0;
    virtual CSongListBase* CreateSongList() = 0;

protected:
    ~ICreateFactory() {}
};

// Sort keys of SortSongInfos: one field, optionally with a direction flag. Without a flag the
// direction toggles: a list already in ascending order of the field is sorted descending,
// anything else ascending. Texts compare byte-wise with ASCII case ignored (GBK orders the common
// characters by pinyin); numbers numerically; a song without the field sorts as empty or 0. The
// sort is stable.
enum SongSortKey : unsigned long {
    kSortByName = 0,
    kSortByArtist = 1,
    kSortByAlbum = 2,
    kSortBySize = 3,         // file size of the WMA resource, else the MP3 resource
    kSortByScore = 4,
    kSortByPlayCount = 5,
    kSortByReleaseTime = 6,
    kSortFieldMask = 0xFF,
    kSortAscending = 0x100,
    kSortDescending = 0x200,
};

// Flags of DeleteRepeat.
enum DeleteRepeatFlag {
    kRepeatSameSong = 0,      // the song identity of CSongInfoBase::IsSameSong
    kRepeatNameArtist = 1,    // equal name and artist, ASCII case and surrounding spaces ignored
};

// The process's list tree. The manager holds a root list (name "", created through the factory
// when first needed); top-level lists are the root's children. It owns every list and song added
// to it and deletes them in ClearAll and its destructor. Trees returned by the loaders belong to
// the caller until added. Not thread-safe: the catalogue calls it from one thread.
class VXDATADEF_API CSongListMgr {
public:
    // A null factory makes CNetSongInfo and CNetSongList.
    explicit CSongListMgr(ICreateFactory* factory);
    CSongListMgr(const CSongListMgr&) = delete;
    CSongListMgr& operator=(const CSongListMgr&) = delete;
    ~CSongListMgr();

    // Reads a song-list file (layout in SongList.h) into a new tree whose root is the file's
    // root "pl" element; "ref"="local" lists are filled from their files beside it. Non-zero on
    // success; the root is then the caller's. On failure root is null and nothing leaks.
    int LoadSongListFromXmlFile(const std::string& path, CSongListBase*& root);
    // The same from text; `name` names the root when its element carries no "n". No "ref".
    int LoadSongListFromXmlString(const std::string& xml, CSongListBase*& root, const std::string& name);

    void ClearAll();
    // Takes `list`; a null parent means a top-level list; -1 (or past the end) appends.
    int AddSongList(CSongListBase* parent, CSongListBase* list, int position);
    // The list takes the songs.
    int AddSongInfo(CSongListBase* list, const std::vector<CSongInfoBase*>& songs, int position);

    // Depth first through the whole tree, the root ("" ) included.
    int GetSongList(const std::string& name, CSongListBase*& out);
    // Among the direct children of `parent` (null: the top-level lists).
    int GetSongList(CSongListBase* parent, int index, CSongListBase*& out);
    int GetSongList(CSongListBase* parent, const std::string& name, CSongListBase*& out);

    // Appends the songs at those positions; fails (appending nothing) when one is out of range.
    int GetSongInfos(CSongListBase* list, const std::vector<int>& positions, std::vector<CSongInfoBase*>& out);
    // Deletes the songs of `list` that repeat another under `flag` (DeleteRepeatFlag): with a
    // null `song` every later repeat of an earlier song; with a song, every song of the list that
    // repeats it (except that song itself). Non-zero when the list exists.
    int DeleteRepeat(CSongListBase* list, CSongInfoBase* song, int flag);
    // Sorts the songs of `list` (SongSortKey); `ascending` becomes 1 when they are now in
    // ascending order, 0 when descending. Zero for a null list or an unknown field.
    int SortSongInfos(CSongListBase* list, unsigned long key, int& ascending);

private:
    CSongInfoBase* NewSong();
    CSongListBase* NewList();
    CSongListBase* Root();
    // The "ref" files open around the list being read, outermost first, and how many files this
    // tree has read so far.
    struct RefState {
        std::vector<std::string> chain;
        size_t loads = 0;
    };
    bool LoadTree(const Xml::XmlNode& node, CSongListBase* list, const std::string& dir, RefState& refs);

    ICreateFactory* m_pFactory;
    CSongListBase* m_pRoot = nullptr;
};

#include "datadef/SongListMgr.h"

#include <algorithm>
#include <memory>

namespace {

// A chain of "ref" files deeper than this is a loop or a mistake.
const size_t kMaxRefDepth = 8;
// Files read for one tree at most. Lists that refer to files whose lists refer to files again
// multiply: a few lines at each of the eight levels would make billions of reads. The ranking
// tree reads about 380.
const size_t kMaxRefLoads = 2048;

int CompareText(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool SameNameArtist(const CSongInfoBase& a, const CSongInfoBase& b) {
    return CompareText(Trimmed(a.GetName()), Trimmed(b.GetName())) == 0 &&
           CompareText(Trimmed(a.GetArtist()), Trimmed(b.GetArtist())) == 0;
}

bool Repeats(const CSongInfoBase& a, const CSongInfoBase& b, int flag) {
    return flag == kRepeatNameArtist ? SameNameArtist(a, b) : a.IsSameSong(b);
}

uint32_t NumberOf(const CSongInfoBase* song, unsigned long field) {
    if (field == kSortBySize) {
        const CNetResource* res = song->GetWMA() ? song->GetWMA() : song->GetMP3();
        return res ? res->GetFileSize() : 0;
    }
    const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(song);
    if (!net) return 0;
    switch (field) {
    case kSortByScore: return net->GetScore();
    case kSortByPlayCount: return net->GetPlayCount();
    case kSortByReleaseTime: return net->GetReleaseTime();
    default: return 0;
    }
}

int CompareBy(const CSongInfoBase* a, const CSongInfoBase* b, unsigned long field) {
    switch (field) {
    case kSortByName: return CompareText(a->GetName(), b->GetName());
    case kSortByArtist: return CompareText(a->GetArtist(), b->GetArtist());
    case kSortByAlbum: return CompareText(a->GetAlbum(), b->GetAlbum());
    default: {
        uint32_t x = NumberOf(a, field);
        uint32_t y = NumberOf(b, field);
        return x == y ? 0 : (x < y ? -1 : 1);
    }
    }
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < path.size()) {
            ++i;   // a GBK trail byte may be '\'
        } else if (c == '\\' || c == '/') {
            slash = i;
        }
    }
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

CSongListMgr::CSongListMgr(ICreateFactory* factory) : m_pFactory(factory) {}

CSongListMgr::~CSongListMgr() {
    ClearAll();
}

CSongInfoBase* CSongListMgr::NewSong() {
    return m_pFactory ? m_pFactory->CreateSongInfo() : new CNetSongInfo;
}

CSongListBase* CSongListMgr::NewList() {
    return m_pFactory ? m_pFactory->CreateSongList() : new CNetSongList;
}

CSongListBase* CSongListMgr::Root() {
    if (!m_pRoot) m_pRoot = NewList();
    return m_pRoot;
}

bool CSongListMgr::LoadTree(const Xml::XmlNode& node, CSongListBase* list, const std::string& dir, RefState& refs) {
    for (Xml::XmlNode::iterator it = node.ChildBegin(); it != node.ChildEnd(); ++it) {
        const std::string element = it->GetName();
        if (element == "pl") {
            CSongListBase* child = NewList();
            if (!child) return false;
            list->AddChild(child);
            child->LoadFromXml(*it);
            if (!LoadTree(*it, child, dir, refs)) return false;
        } else if (element == "so") {
            CSongInfoBase* song = NewSong();
            if (!song) return false;
            list->AddSongInfo(song);
            song->LoadFromXml(*it);
        }
    }

    // A "ref" list takes the content of its own file; a missing file leaves it empty.
    if (dir.empty() || node.GetAttr("ref") != "local" || list->GetName().empty()) return true;
    const std::string file = list->GetName() + ".pl";
    if (refs.chain.size() >= kMaxRefDepth || refs.loads >= kMaxRefLoads ||
        std::find(refs.chain.begin(), refs.chain.end(), file) != refs.chain.end()) {
        return true;
    }
    ++refs.loads;
    Xml::XmlNode referenced;
    if (!referenced.LoadFile(dir + file) || referenced.GetName() != "pl") return true;
    refs.chain.push_back(file);
    bool ok = LoadTree(referenced, list, dir, refs);
    refs.chain.pop_back();
    return ok;
}

int CSongListMgr::LoadSongListFromXmlFile(const std::string& path, CSongListBase*& root) {
    root = nullptr;
    Xml::XmlNode doc;
    if (!doc.LoadFile(path) || doc.GetName() != "pl") return 0;
    std::unique_ptr<CSongListBase> tree(NewList());
    if (!tree) return 0;
    tree->LoadFromXml(doc);
    RefState refs;
    refs.chain.push_back(path.substr(DirectoryOf(path).size()));
    if (!LoadTree(doc, tree.get(), DirectoryOf(path).empty() ? "./" : DirectoryOf(path), refs)) return 0;
    root = tree.release();
    return 1;
}

int CSongListMgr::LoadSongListFromXmlString(const std::string& xml, CSongListBase*& root, const std::string& name) {
    root = nullptr;
    Xml::XmlNode doc;
    if (!doc.LoadStringA(xml) || doc.GetName() != "pl") return 0;
    std::unique_ptr<CSongListBase> tree(NewList());
    if (!tree) return 0;
    tree->LoadFromXml(doc);
    if (!doc.HasAttr("n")) tree->SetName(name);
    RefState refs;
    if (!LoadTree(doc, tree.get(), std::string(), refs)) return 0;
    root = tree.release();
    return 1;
}

void CSongListMgr::ClearAll() {
    delete m_pRoot;
    m_pRoot = nullptr;
}

int CSongListMgr::AddSongList(CSongListBase* parent, CSongListBase* list, int position) {
    if (!list) return 0;
    CSongListBase* target = parent ? parent : Root();
    if (!target || target == list) return 0;
    target->AddChild(list, position);
    return 1;
}

int CSongListMgr::AddSongInfo(CSongListBase* list, const std::vector<CSongInfoBase*>& songs, int position) {
    if (!list) return 0;
    for (CSongInfoBase* song : songs) {
        if (!song) continue;
        list->AddSongInfo(song, position);
        if (position >= 0) ++position;
    }
    return 1;
}

int CSongListMgr::GetSongList(const std::string& name, CSongListBase*& out) {
    out = m_pRoot ? m_pRoot->FindInTree(name) : nullptr;
    return out ? 1 : 0;
}

int CSongListMgr::GetSongList(CSongListBase* parent, int index, CSongListBase*& out) {
    out = nullptr;
    CSongListBase* list = parent ? parent : m_pRoot;
    if (!list || index < 0 || static_cast<size_t>(index) >= list->GetChildrenVector().size()) return 0;
    out = list->GetChildrenVector()[index];
    return 1;
}

int CSongListMgr::GetSongList(CSongListBase* parent, const std::string& name, CSongListBase*& out) {
    CSongListBase* list = parent ? parent : m_pRoot;
    out = list ? list->FindChild(name) : nullptr;
    return out ? 1 : 0;
}

int CSongListMgr::GetSongInfos(CSongListBase* list, const std::vector<int>& positions,
                               std::vector<CSongInfoBase*>& out) {
    if (!list) return 0;
    const std::vector<CSongInfoBase*>& songs = list->GetSongInfoVector();
    for (int position : positions) {
        if (position < 0 || static_cast<size_t>(position) >= songs.size()) return 0;
    }
    for (int position : positions) out.push_back(songs[position]);
    return 1;
}

int CSongListMgr::DeleteRepeat(CSongListBase* list, CSongInfoBase* song, int flag) {
    if (!list) return 0;
    std::vector<CSongInfoBase*>& songs = list->GetSongInfoVector();
    std::vector<CSongInfoBase*> kept;
    std::vector<CSongInfoBase*> removed;
    for (CSongInfoBase* candidate : songs) {
        bool repeat = false;
        if (song) {
            repeat = candidate != song && Repeats(*candidate, *song, flag);
        } else {
            for (CSongInfoBase* earlier : kept) {
                if (Repeats(*candidate, *earlier, flag)) {
                    repeat = true;
                    break;
                }
            }
        }
        (repeat ? removed : kept).push_back(candidate);
    }
    songs.swap(kept);
    for (CSongInfoBase* gone : removed) delete gone;
    return 1;
}

int CSongListMgr::SortSongInfos(CSongListBase* list, unsigned long key, int& ascending) {
    const unsigned long field = key & kSortFieldMask;
    if (!list || field > kSortByReleaseTime) return 0;
    std::vector<CSongInfoBase*>& songs = list->GetSongInfoVector();
    bool up;
    if (key & kSortDescending) {
        up = false;
    } else if (key & kSortAscending) {
        up = true;
    } else {
        bool sortedUp = std::is_sorted(songs.begin(), songs.end(), [field](const CSongInfoBase* a, const CSongInfoBase* b) {
            return CompareBy(a, b, field) < 0;
        });
        bool allEqual = std::adjacent_find(songs.begin(), songs.end(), [field](const CSongInfoBase* a, const CSongInfoBase* b) {
            return CompareBy(a, b, field) != 0;
        }) == songs.end();
        up = !sortedUp || allEqual;
    }
    std::stable_sort(songs.begin(), songs.end(), [field, up](const CSongInfoBase* a, const CSongInfoBase* b) {
        int order = CompareBy(a, b, field);
        return up ? order < 0 : order > 0;
    });
    ascending = up ? 1 : 0;
    return 1;
}

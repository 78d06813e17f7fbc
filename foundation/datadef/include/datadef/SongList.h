#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "datadef/DataDefTypes.h"
#include "vxlib/Xml.h"

class CSongInfoBase;

// Song-list files ("*.pl", GBK text, declared encoding="GBK" or undeclared). Every list is an
// element "pl"; its child lists are "pl" children and its songs "so" children, in order.
// Attributes of "pl" (all optional; numbers in decimal; a missing one reads as empty or 0):
//   n      name, the lookup key                 sn    display name
//   t      list type                            id    list id
//   img    image                                ref   "local": the children and songs of this list
//                                                      are those of the file <n>.pl beside this one
//   url    address the list opens               nurl  network address of the whole list
//   burl   base url for children's relative urls bimg base image url
//   ico    icon file                            cnt   song count as announced
//   lang   language                             score score text
//   show   "1": shown by default                ar    singer (or album artist) name
//   sex, dis, rank, init, c                     the singer information of a singer list
//   j0, j1, ...                                 the list's JSON strings, in order
// Attributes of "so" (a song):
//   n name, ar artist, al album, tag, src play source, sid id, url, img image, lrc part lyric,
//   rs ranking state, sc score, hd1/hd2 high-definition sign, mvp music video provider,
//   br bit rate, pc play count, rt release time, dur duration, ring/new/rec flags ("1"),
//   pic picture rid, p0..p4 the five pages (music info, artist info, album, activity, tieba).
//   Resources are children <res k="wma|mp3|mkv|wmv|ape" rid s1 s2 sz fmt kbps kala pop echo/>
//   and <local path=""/>. The attributes "id" and "pt" of "so" belong to the files that hold
//   saved songs (shortcuts) and are never written by a song.

// A node of the list tree. It owns its children and its songs: deleting a list deletes them.
// The parent is a plain pointer the list does not own.
//
// Copying: assignment deep-copies the data, the child lists and the songs (the copies get this
// list as parent) and replaces this list's own children and songs; this list keeps its parent.
// The source may lie inside this list's own subtree. Clone makes a new list of the same class with
// a deep copy and the same parent pointer (it is not added to the parent's children).
// Not thread-safe; the owner serialises access.
class VXDATADEF_API CSongListBase {
public:
    CSongListBase();
    CSongListBase(const CSongListBase&) = delete;

    virtual CSongListBase* Clone() const;
    // A new empty song / child list of the class this list holds.
    virtual CSongInfoBase* CreateSongInfo() const;
    virtual CSongListBase* CreateSongList() const;
    // What a derived class adds to the "pl" element.
    virtual void ChildLoad(const Xml::XmlNode& node);
    virtual void ChildSave(Xml::XmlNode& node) const;
    virtual CSongListBase& operator=(const CSongListBase& other);
    virtual ~CSongListBase();

    const std::string& GetName() const { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    const std::string& GetShowName() const { return m_strShowName; }
    void SetShowName(const std::string& name) { m_strShowName = name; }
    // The display names from the top of the tree down to this list, joined by `separator`; a
    // top list without name and display name (the manager's root) is left out.
    std::string GetFullShowName(const std::string& separator = "->") const;
    CSongListBase* GetParent() const { return m_pParent; }
    void SetParent(CSongListBase* parent) { m_pParent = parent; }

    // The list's own vectors: whoever takes an element out of them owns it.
    std::vector<CSongListBase*>& GetChildrenVector() { return m_vecChildren; }
    const std::vector<CSongListBase*>& GetChildrenVector() const { return m_vecChildren; }
    std::vector<CSongInfoBase*>& GetSongInfoVector() { return m_vecSongs; }
    const std::vector<CSongInfoBase*>& GetSongInfoVector() const { return m_vecSongs; }

    // Take ownership, set the parent, insert at `position` (-1 or past the end: append).
    void AddChild(CSongListBase* child, int position = -1);
    void AddSongInfo(CSongInfoBase* song, int position = -1);
    void DeleteChildren();
    void DeleteSongs();
    // First direct child with that name; first list of the subtree (this one included, depth
    // first) with that name.
    CSongListBase* FindChild(const std::string& name) const;
    CSongListBase* FindInTree(const std::string& name);

    // This list's own attributes from a "pl" element (children and songs are the manager's
    // business); false when the node is invalid.
    bool LoadFromXml(const Xml::XmlNode& node);
    // Writes the attributes, then with `recursive` every child list as "pl" and every song as
    // "so" below `node`.
    void SaveToXml(Xml::XmlNode& node, bool recursive = true) const;

private:
    std::string m_strName;
    std::string m_strShowName;
    CSongListBase* m_pParent = nullptr;
    std::vector<CSongListBase*> m_vecChildren;
    std::vector<CSongInfoBase*> m_vecSongs;
};

// A list of the catalogue: id, type, addresses, images and the singer of a singer list.
class VXDATADEF_API CNetSongList : public CSongListBase {
public:
    CNetSongList();
    CNetSongList(const CNetSongList&) = delete;
    CNetSongList& operator=(const CNetSongList& other) {
        operator=(static_cast<const CSongListBase&>(other));
        return *this;
    }

    CSongInfoBase* CreateSongInfo() const override;
    CSongListBase* CreateSongList() const override;
    void ChildLoad(const Xml::XmlNode& node) override;
    void ChildSave(Xml::XmlNode& node) const override;
    // From another CNetSongList everything is copied; from a plain list the network fields reset.
    CSongListBase& operator=(const CSongListBase& other) override;
    ~CNetSongList() override;

    uint32_t GetId() const { return m_nId; }
    void SetId(uint32_t id) { m_nId = id; }
    uint32_t GetListType() const { return m_nListType; }
    void SetListType(uint32_t type) { m_nListType = type; }
    uint32_t GetCount() const { return m_nCount; }
    void SetCount(uint32_t count) { m_nCount = count; }
    const std::string& GetUrl() const { return m_strUrl; }
    void SetUrl(const std::string& url) { m_strUrl = url; }
    const std::string& GetNetUrl() const { return m_strNetUrl; }
    void SetNetUrl(const std::string& url) { m_strNetUrl = url; }
    const std::string& GetBaseUrl() const { return m_strBaseUrl; }
    void SetBaseUrl(const std::string& url) { m_strBaseUrl = url; }
    const std::string& GetBaseImageUrl() const { return m_strBaseImageUrl; }
    void SetBaseImageUrl(const std::string& url) { m_strBaseImageUrl = url; }
    const std::string& GetImage() const { return m_strImage; }
    void SetImage(const std::string& image) { m_strImage = image; }
    const std::string& GetIcoFile() const { return m_strIcoFile; }
    void SetIcoFile(const std::string& file) { m_strIcoFile = file; }
    const std::string& GetLanguage() const { return m_strLanguage; }
    void SetLanguage(const std::string& language) { m_strLanguage = language; }
    const std::string& GetScore() const { return m_strScore; }
    void SetScore(const std::string& score) { m_strScore = score; }
    const std::string& GetRef() const { return m_strRef; }
    void SetRef(const std::string& ref) { m_strRef = ref; }
    bool IsDefaultShow() const { return m_bDefaultShow; }
    void SetDefaultShow(bool show) { m_bDefaultShow = show; }
    std::vector<std::string>& GetJson() { return m_vecJson; }
    const std::vector<std::string>& GetJson() const { return m_vecJson; }
    ONE_SINGER_INFO& GetSingerInfo() { return m_singer; }
    const ONE_SINGER_INFO& GetSingerInfo() const { return m_singer; }

private:
    uint32_t m_nId = 0;
    uint32_t m_nListType = 0;
    uint32_t m_nCount = 0;
    std::string m_strUrl;
    std::string m_strNetUrl;
    std::string m_strBaseUrl;
    std::string m_strBaseImageUrl;
    std::string m_strImage;
    std::string m_strIcoFile;
    std::string m_strLanguage;
    std::string m_strScore;
    std::string m_strRef;
    bool m_bDefaultShow = false;
    std::vector<std::string> m_vecJson;
    ONE_SINGER_INFO m_singer;
};

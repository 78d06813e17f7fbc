#include "datadef/SongList.h"

#include <algorithm>

#include "datadef/SongInfo.h"

namespace {

template <class T>
void InsertAt(std::vector<T*>& items, T* item, int position) {
    if (position < 0 || static_cast<size_t>(position) >= items.size()) {
        items.push_back(item);
    } else {
        items.insert(items.begin() + position, item);
    }
}

void PutText(Xml::XmlNode& node, const char* name, const std::string& value) {
    if (!value.empty()) node.SetAttr(name, value);
}

void PutNum(Xml::XmlNode& node, const char* name, uint32_t value) {
    if (value != 0) node.SetAttrNum(name, value);
}

}  // namespace

CSongListBase::CSongListBase() = default;

CSongListBase::~CSongListBase() {
    DeleteChildren();
    DeleteSongs();
}

CSongListBase* CSongListBase::Clone() const {
    CSongListBase* copy = CreateSongList();
    *copy = *this;
    copy->m_pParent = m_pParent;
    return copy;
}

CSongInfoBase* CSongListBase::CreateSongInfo() const {
    return new CSongInfoBase;
}

CSongListBase* CSongListBase::CreateSongList() const {
    return new CSongListBase;
}

void CSongListBase::ChildLoad(const Xml::XmlNode&) {}
void CSongListBase::ChildSave(Xml::XmlNode&) const {}

CSongListBase& CSongListBase::operator=(const CSongListBase& other) {
    if (this == &other) return *this;
    // Copy first: `other` may be one of the lists deleted below.
    std::vector<CSongListBase*> children;
    std::vector<CSongInfoBase*> songs;
    children.reserve(other.m_vecChildren.size());
    songs.reserve(other.m_vecSongs.size());
    for (const CSongListBase* child : other.m_vecChildren) {
        CSongListBase* copy = child->Clone();
        copy->m_pParent = this;
        children.push_back(copy);
    }
    for (const CSongInfoBase* song : other.m_vecSongs) {
        CSongInfoBase* copy = song->Clone();
        copy->SetParent(this);
        songs.push_back(copy);
    }
    std::string name = other.m_strName;
    std::string showName = other.m_strShowName;
    DeleteChildren();
    DeleteSongs();
    m_vecChildren.swap(children);
    m_vecSongs.swap(songs);
    m_strName.swap(name);
    m_strShowName.swap(showName);
    return *this;
}

std::string CSongListBase::GetFullShowName(const std::string& separator) const {
    std::vector<const CSongListBase*> chain;
    for (const CSongListBase* list = this; list; list = list->m_pParent) chain.push_back(list);
    const CSongListBase* top = chain.back();
    if (chain.size() > 1 && top->m_strName.empty() && top->m_strShowName.empty()) chain.pop_back();
    std::string full;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) full += separator;
        full += (*it)->m_strShowName;
    }
    return full;
}

void CSongListBase::AddChild(CSongListBase* child, int position) {
    if (!child) return;
    child->m_pParent = this;
    InsertAt(m_vecChildren, child, position);
}

void CSongListBase::AddSongInfo(CSongInfoBase* song, int position) {
    if (!song) return;
    song->SetParent(this);
    InsertAt(m_vecSongs, song, position);
}

void CSongListBase::DeleteChildren() {
    std::vector<CSongListBase*> children;
    children.swap(m_vecChildren);
    for (CSongListBase* child : children) delete child;
}

void CSongListBase::DeleteSongs() {
    std::vector<CSongInfoBase*> songs;
    songs.swap(m_vecSongs);
    for (CSongInfoBase* song : songs) delete song;
}

CSongListBase* CSongListBase::FindChild(const std::string& name) const {
    for (CSongListBase* child : m_vecChildren) {
        if (child->m_strName == name) return child;
    }
    return nullptr;
}

CSongListBase* CSongListBase::FindInTree(const std::string& name) {
    // Iterative: trees built from several files may be deeper than one file allows.
    std::vector<CSongListBase*> pending(1, this);
    while (!pending.empty()) {
        CSongListBase* list = pending.back();
        pending.pop_back();
        if (list->m_strName == name) return list;
        pending.insert(pending.end(), list->m_vecChildren.rbegin(), list->m_vecChildren.rend());
    }
    return nullptr;
}

bool CSongListBase::LoadFromXml(const Xml::XmlNode& node) {
    if (!node.IsValid()) return false;
    m_strName = node.GetAttr("n");
    m_strShowName = node.GetAttr("sn");
    ChildLoad(node);
    return true;
}

void CSongListBase::SaveToXml(Xml::XmlNode& node, bool recursive) const {
    if (!node.IsValid()) return;
    PutText(node, "n", m_strName);
    PutText(node, "sn", m_strShowName);
    ChildSave(node);
    if (!recursive) return;
    for (const CSongListBase* child : m_vecChildren) {
        Xml::XmlNode element = node.AppendChild("pl");
        child->SaveToXml(element, true);
    }
    for (const CSongInfoBase* song : m_vecSongs) {
        Xml::XmlNode element = node.AppendChild("so");
        song->SaveToXml(element);
    }
}

CNetSongList::CNetSongList() = default;
CNetSongList::~CNetSongList() = default;

CSongInfoBase* CNetSongList::CreateSongInfo() const {
    return new CNetSongInfo;
}

CSongListBase* CNetSongList::CreateSongList() const {
    return new CNetSongList;
}

CSongListBase& CNetSongList::operator=(const CSongListBase& other) {
    if (this == &other) return *this;
    const CNetSongList* net = dynamic_cast<const CNetSongList*>(&other);
    // Take the fields before the base part may delete `other` (it can lie in our subtree).
    CNetSongList fields;
    if (net) {
        fields.m_nId = net->m_nId;
        fields.m_nListType = net->m_nListType;
        fields.m_nCount = net->m_nCount;
        fields.m_strUrl = net->m_strUrl;
        fields.m_strNetUrl = net->m_strNetUrl;
        fields.m_strBaseUrl = net->m_strBaseUrl;
        fields.m_strBaseImageUrl = net->m_strBaseImageUrl;
        fields.m_strImage = net->m_strImage;
        fields.m_strIcoFile = net->m_strIcoFile;
        fields.m_strLanguage = net->m_strLanguage;
        fields.m_strScore = net->m_strScore;
        fields.m_strRef = net->m_strRef;
        fields.m_bDefaultShow = net->m_bDefaultShow;
        fields.m_vecJson = net->m_vecJson;
        fields.m_singer = net->m_singer;
    }
    CSongListBase::operator=(other);
    m_nId = fields.m_nId;
    m_nListType = fields.m_nListType;
    m_nCount = fields.m_nCount;
    m_strUrl.swap(fields.m_strUrl);
    m_strNetUrl.swap(fields.m_strNetUrl);
    m_strBaseUrl.swap(fields.m_strBaseUrl);
    m_strBaseImageUrl.swap(fields.m_strBaseImageUrl);
    m_strImage.swap(fields.m_strImage);
    m_strIcoFile.swap(fields.m_strIcoFile);
    m_strLanguage.swap(fields.m_strLanguage);
    m_strScore.swap(fields.m_strScore);
    m_strRef.swap(fields.m_strRef);
    m_bDefaultShow = fields.m_bDefaultShow;
    m_vecJson.swap(fields.m_vecJson);
    std::swap(m_singer, fields.m_singer);
    return *this;
}

void CNetSongList::ChildLoad(const Xml::XmlNode& node) {
    m_nId = static_cast<uint32_t>(node.GetAttrNum("id", 0));
    m_nListType = static_cast<uint32_t>(node.GetAttrNum("t", 0));
    m_nCount = static_cast<uint32_t>(node.GetAttrNum("cnt", 0));
    m_strUrl = node.GetAttr("url");
    m_strNetUrl = node.GetAttr("nurl");
    m_strBaseUrl = node.GetAttr("burl");
    m_strBaseImageUrl = node.GetAttr("bimg");
    m_strImage = node.GetAttr("img");
    m_strIcoFile = node.GetAttr("ico");
    m_strLanguage = node.GetAttr("lang");
    m_strScore = node.GetAttr("score");
    m_strRef = node.GetAttr("ref");
    m_bDefaultShow = node.GetAttr("show") == "1";
    m_singer.strArtist = node.GetAttr("ar");
    m_singer.strSex = node.GetAttr("sex");
    m_singer.strDistrict = node.GetAttr("dis");
    m_singer.strRank = node.GetAttr("rank");
    m_singer.strInit = node.GetAttr("init");
    m_singer.strCount = node.GetAttr("c");
    m_vecJson.clear();
    for (size_t i = 0;; ++i) {
        const std::string name = "j" + std::to_string(i);
        if (!node.HasAttr(name)) break;
        m_vecJson.push_back(node.GetAttr(name));
    }
}

void CNetSongList::ChildSave(Xml::XmlNode& node) const {
    PutNum(node, "id", m_nId);
    PutNum(node, "t", m_nListType);
    PutNum(node, "cnt", m_nCount);
    PutText(node, "url", m_strUrl);
    PutText(node, "nurl", m_strNetUrl);
    PutText(node, "burl", m_strBaseUrl);
    PutText(node, "bimg", m_strBaseImageUrl);
    PutText(node, "img", m_strImage);
    PutText(node, "ico", m_strIcoFile);
    PutText(node, "lang", m_strLanguage);
    PutText(node, "score", m_strScore);
    PutText(node, "ref", m_strRef);
    if (m_bDefaultShow) node.SetAttr("show", "1");
    PutText(node, "ar", m_singer.strArtist);
    PutText(node, "sex", m_singer.strSex);
    PutText(node, "dis", m_singer.strDistrict);
    PutText(node, "rank", m_singer.strRank);
    PutText(node, "init", m_singer.strInit);
    PutText(node, "c", m_singer.strCount);
    for (size_t i = 0; i < m_vecJson.size(); ++i) node.SetAttr("j" + std::to_string(i), m_vecJson[i]);
}

#include "datadef/SongInfo.h"

#include "datadef/SongList.h"

namespace {

const char* const kResourceKinds[] = {"wma", "mp3", "mkv", "wmv", "ape"};
const char* const kPageAttrs[] = {"p0", "p1", "p2", "p3", "p4"};

uint32_t Num(const Xml::XmlNode& node, const char* name) {
    return static_cast<uint32_t>(node.GetAttrNum(name, 0));
}

void PutText(Xml::XmlNode& node, const char* name, const std::string& value) {
    if (!value.empty()) node.SetAttr(name, value);
}

void PutNum(Xml::XmlNode& node, const char* name, uint32_t value) {
    if (value != 0) node.SetAttrNum(name, value);
}

void PutFlag(Xml::XmlNode& node, const char* name, bool value) {
    if (value) node.SetAttr(name, "1");
}

bool Flag(const Xml::XmlNode& node, const char* name) {
    return node.GetAttr(name) == "1";
}

std::unique_ptr<CNetResource> CopyOf(const CNetResource* res) {
    return res ? std::unique_ptr<CNetResource>(new CNetResource(*res)) : nullptr;
}

void SaveResource(Xml::XmlNode& song, const char* kind, const CNetResource* res) {
    if (!res) return;
    Xml::XmlNode node = song.AppendChild("res");
    node.SetAttr("k", kind);
    PutText(node, "rid", res->GetRid());
    PutNum(node, "s1", res->GetSign().a);
    PutNum(node, "s2", res->GetSign().b);
    PutNum(node, "sz", res->GetFileSize());
    PutNum(node, "fmt", res->GetFormat());
    PutNum(node, "kbps", res->GetKpbs());
    if (res->GetKalaOk() != 0) node.SetAttrNum("kala", res->GetKalaOk());
    PutNum(node, "pop", res->GetPopularity());
    PutFlag(node, "echo", res->GetEcho());
}

CNetResource* LoadResource(const Xml::XmlNode& node) {
    CNetResource* res = new CNetResource;
    res->SetRid(node.GetAttr("rid"));
    res->SetSign(Sign(Num(node, "s1"), Num(node, "s2")));
    res->SetFileSize(Num(node, "sz"));
    res->SetFormat(Num(node, "fmt"));
    res->SetKpbs(Num(node, "kbps"));
    res->SetKalaOk(static_cast<int>(node.GetAttrNum("kala", 0)));
    res->SetPopularity(Num(node, "pop"));
    res->SetEcho(Flag(node, "echo"));
    return res;
}

bool SameResource(const CNetResource* a, const CNetResource* b) {
    if (!a || !b) return true;   // only resources both songs have count
    return a->GetRid() == b->GetRid() && a->GetSign() == b->GetSign();
}

CNetResource* MakeResource(const std::string& rid, uint32_t s1, uint32_t s2, uint32_t size, uint32_t format) {
    CNetResource* res = new CNetResource;
    res->SetRid(rid);
    res->SetSign(Sign(s1, s2));
    res->SetFileSize(size);
    res->SetFormat(format);
    return res;
}

}  // namespace

bool CNetResource::operator==(const CNetResource& other) const {
    return m_strRid == other.m_strRid && m_sign == other.m_sign && m_nFileSize == other.m_nFileSize &&
           m_nFormat == other.m_nFormat && m_nKbps == other.m_nKbps && m_nKalaOk == other.m_nKalaOk &&
           m_nPopularity == other.m_nPopularity && m_bEcho == other.m_bEcho;
}

bool SONG_INFO::operator==(const SONG_INFO& o) const {
    return strName == o.strName && strArtist == o.strArtist && strAlbum == o.strAlbum && strTag == o.strTag &&
           nType == o.nType && strFormat == o.strFormat && nDuration == o.nDuration &&
           strMusicRid == o.strMusicRid && nSig1 == o.nSig1 && nSig2 == o.nSig2 && nFileSize == o.nFileSize &&
           nHdSig1 == o.nHdSig1 && nHdSig2 == o.nHdSig2 && strMp3Rid == o.strMp3Rid && nMp3Sig1 == o.nMp3Sig1 &&
           nMp3Sig2 == o.nMp3Sig2 && nMp3Size == o.nMp3Size && nMp3Bitrate == o.nMp3Bitrate &&
           strMkvRid == o.strMkvRid && nMkvSig1 == o.nMkvSig1 && nMkvSig2 == o.nMkvSig2 &&
           bHasEcho == o.bHasEcho && strMvRid == o.strMvRid && strMvProvider == o.strMvProvider &&
           nScore == o.nScore && nBitrate == o.nBitrate && nPlayCount == o.nPlayCount &&
           nReleaseTime == o.nReleaseTime && bHasRing == o.bHasRing && bIsNew == o.bIsNew &&
           bIsRecommend == o.bIsRecommend && strMusicInfoPage == o.strMusicInfoPage &&
           strArtistInfoPage == o.strArtistInfoPage && strAlbumPage == o.strAlbumPage &&
           strActivityPage == o.strActivityPage && strTiebaPage == o.strTiebaPage &&
           strPartLyric == o.strPartLyric && strPicRid == o.strPicRid;
}

CSongInfoBase::CSongInfoBase() = default;
CSongInfoBase::~CSongInfoBase() = default;

CSongInfoBase* CSongInfoBase::Clone() const {
    CSongInfoBase* copy = CreateSongInfo();
    *copy = *this;
    copy->m_pParent = m_pParent;
    return copy;
}

CSongInfoBase* CSongInfoBase::CreateSongInfo() const {
    return new CSongInfoBase;
}

void CSongInfoBase::ChildLoad(const Xml::XmlNode&) {}
void CSongInfoBase::ChildSave(Xml::XmlNode&) const {}
void CSongInfoBase::ChildLoadOldSongInfo(const SONG_INFO&) {}
void CSongInfoBase::ChildSaveOldSongInfo(SONG_INFO&) const {}
bool CSongInfoBase::ChildIsSame(const CSongInfoBase&) const { return true; }

CSongInfoBase& CSongInfoBase::operator=(const CSongInfoBase& other) {
    if (this == &other) return *this;
    m_strName = other.m_strName;
    m_strArtist = other.m_strArtist;
    m_strAlbum = other.m_strAlbum;
    m_strTag = other.m_strTag;
    m_strPlaySource = other.m_strPlaySource;
    m_pMP3 = CopyOf(other.m_pMP3.get());
    m_pWMA = CopyOf(other.m_pWMA.get());
    m_pMKV = CopyOf(other.m_pMKV.get());
    m_pWMV = CopyOf(other.m_pWMV.get());
    m_pAPE = CopyOf(other.m_pAPE.get());
    m_pLocal.reset(other.m_pLocal ? new CLocalResource(*other.m_pLocal) : nullptr);
    return *this;
}

bool CSongInfoBase::LoadFromXml(const Xml::XmlNode& node) {
    if (!node.IsValid()) return false;
    m_strName = node.GetAttr("n");
    m_strArtist = node.GetAttr("ar");
    m_strAlbum = node.GetAttr("al");
    m_strTag = node.GetAttr("tag");
    m_strPlaySource = node.GetAttr("src");
    std::unique_ptr<CNetResource>* slots[] = {&m_pWMA, &m_pMP3, &m_pMKV, &m_pWMV, &m_pAPE};
    for (auto* slot : slots) slot->reset();
    m_pLocal.reset();
    for (Xml::XmlNode::iterator it = node.ChildBegin(); it != node.ChildEnd(); ++it) {
        if (it->GetName() == "local") {
            m_pLocal.reset(new CLocalResource);
            m_pLocal->SetPath(it->GetAttr("path"));
            continue;
        }
        if (it->GetName() != "res") continue;
        const std::string kind = it->GetAttr("k");
        for (size_t i = 0; i < sizeof(kResourceKinds) / sizeof(kResourceKinds[0]); ++i) {
            if (kind == kResourceKinds[i]) slots[i]->reset(LoadResource(*it));
        }
    }
    ChildLoad(node);
    return true;
}

void CSongInfoBase::SaveToXml(Xml::XmlNode& node) const {
    if (!node.IsValid()) return;
    PutText(node, "n", m_strName);
    PutText(node, "ar", m_strArtist);
    PutText(node, "al", m_strAlbum);
    PutText(node, "tag", m_strTag);
    PutText(node, "src", m_strPlaySource);
    ChildSave(node);
    const CNetResource* resources[] = {m_pWMA.get(), m_pMP3.get(), m_pMKV.get(), m_pWMV.get(), m_pAPE.get()};
    for (size_t i = 0; i < sizeof(resources) / sizeof(resources[0]); ++i) {
        SaveResource(node, kResourceKinds[i], resources[i]);
    }
    if (m_pLocal) node.AppendChild("local").SetAttr("path", m_pLocal->GetPath());
}

void CSongInfoBase::LoadFromOldSongInfo(const SONG_INFO& info) {
    m_strName = info.strName;
    m_strArtist = info.strArtist;
    m_strAlbum = info.strAlbum;
    m_strTag = info.strTag;
    m_pWMA.reset();
    if (!info.strMusicRid.empty() || info.nSig1 || info.nSig2) {
        m_pWMA.reset(MakeResource(info.strMusicRid, info.nSig1, info.nSig2, info.nFileSize, kFormatWma));
    }
    m_pMP3.reset();
    if (!info.strMp3Rid.empty() || info.nMp3Sig1 || info.nMp3Sig2) {
        m_pMP3.reset(MakeResource(info.strMp3Rid, info.nMp3Sig1, info.nMp3Sig2, info.nMp3Size, kFormatMp3));
        m_pMP3->SetKpbs(info.nMp3Bitrate);
    }
    m_pMKV.reset();
    m_pWMV.reset();
    if (!info.strMkvRid.empty() && info.strMkvRid != "MKV_0" && info.nMkvSig1 && info.nMkvSig2) {
        m_pMKV.reset(MakeResource(info.strMkvRid, info.nMkvSig1, info.nMkvSig2, 0, kFormatMkv));
        m_pMKV->SetEcho(info.bHasEcho);
    } else if (!info.strMvRid.empty()) {
        m_pWMV.reset(MakeResource(info.strMvRid, 0, 0, 0, kFormatWmv));
    }
    ChildLoadOldSongInfo(info);
}

void CSongInfoBase::SaveToOldSongInfo(SONG_INFO& info) const {
    info = SONG_INFO();
    info.strName = m_strName;
    info.strArtist = m_strArtist;
    info.strAlbum = m_strAlbum;
    info.strTag = m_strTag;
    if (m_pWMA) {
        info.strMusicRid = m_pWMA->GetRid();
        info.nSig1 = m_pWMA->GetSign().a;
        info.nSig2 = m_pWMA->GetSign().b;
        info.nFileSize = m_pWMA->GetFileSize();
        info.strFormat = "wma";
    }
    if (m_pMP3) {
        info.strMp3Rid = m_pMP3->GetRid();
        info.nMp3Sig1 = m_pMP3->GetSign().a;
        info.nMp3Sig2 = m_pMP3->GetSign().b;
        info.nMp3Size = m_pMP3->GetFileSize();
        info.nMp3Bitrate = m_pMP3->GetKpbs();
        if (info.strFormat.empty()) info.strFormat = "mp3";
    }
    if (m_pMKV) {
        info.strMkvRid = m_pMKV->GetRid();
        info.nMkvSig1 = m_pMKV->GetSign().a;
        info.nMkvSig2 = m_pMKV->GetSign().b;
        info.bHasEcho = m_pMKV->GetEcho();
    }
    if (m_pWMV) info.strMvRid = m_pWMV->GetRid();
    info.nType = (m_pMKV || m_pWMV) ? 1 : 0;
    ChildSaveOldSongInfo(info);
}

bool CSongInfoBase::IsSameSong(const CSongInfoBase& other) const {
    if (this == &other) return true;
    if (m_strName != other.m_strName || m_strArtist != other.m_strArtist || m_strAlbum != other.m_strAlbum) {
        return false;
    }
    if (!SameResource(m_pWMA.get(), other.m_pWMA.get()) || !SameResource(m_pMP3.get(), other.m_pMP3.get()) ||
        !SameResource(m_pMKV.get(), other.m_pMKV.get()) || !SameResource(m_pWMV.get(), other.m_pWMV.get()) ||
        !SameResource(m_pAPE.get(), other.m_pAPE.get())) {
        return false;
    }
    if (m_pLocal && other.m_pLocal && m_pLocal->GetPath() != other.m_pLocal->GetPath()) return false;
    return ChildIsSame(other);
}

CNetSongInfo::CNetSongInfo() = default;
CNetSongInfo::~CNetSongInfo() = default;

CSongInfoBase* CNetSongInfo::CreateSongInfo() const {
    return new CNetSongInfo;
}

void CNetSongInfo::CopyNetFields(const CNetSongInfo& other) {
    m_nId = other.m_nId;
    m_strUrl = other.m_strUrl;
    m_strImage = other.m_strImage;
    m_strPartLyric = other.m_strPartLyric;
    m_nRankingState = other.m_nRankingState;
    m_nScore = other.m_nScore;
    m_hdSign = other.m_hdSign;
    m_strMvProvider = other.m_strMvProvider;
    m_nBitrate = other.m_nBitrate;
    m_nPlayCount = other.m_nPlayCount;
    m_nReleaseTime = other.m_nReleaseTime;
    m_nDuration = other.m_nDuration;
    m_bHasRing = other.m_bHasRing;
    m_bIsNew = other.m_bIsNew;
    m_bIsRecommend = other.m_bIsRecommend;
    m_strPicRid = other.m_strPicRid;
    for (int i = 0; i < kPageCount; ++i) m_strPages[i] = other.m_strPages[i];
}

CSongInfoBase& CNetSongInfo::operator=(const CSongInfoBase& other) {
    if (this == &other) return *this;
    CSongInfoBase::operator=(other);
    const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(&other);
    static const CNetSongInfo kEmpty;
    CopyNetFields(net ? *net : kEmpty);
    return *this;
}

void CNetSongInfo::ChildLoad(const Xml::XmlNode& node) {
    m_nId = Num(node, "sid");
    m_strUrl = node.GetAttr("url");
    m_strImage = node.GetAttr("img");
    m_strPartLyric = node.GetAttr("lrc");
    m_nRankingState = static_cast<uint8_t>(Num(node, "rs"));
    m_nScore = Num(node, "sc");
    m_hdSign = Sign(Num(node, "hd1"), Num(node, "hd2"));
    m_strMvProvider = node.GetAttr("mvp");
    m_nBitrate = Num(node, "br");
    m_nPlayCount = Num(node, "pc");
    m_nReleaseTime = Num(node, "rt");
    m_nDuration = Num(node, "dur");
    m_bHasRing = Flag(node, "ring");
    m_bIsNew = Flag(node, "new");
    m_bIsRecommend = Flag(node, "rec");
    m_strPicRid = node.GetAttr("pic");
    for (int i = 0; i < kPageCount; ++i) m_strPages[i] = node.GetAttr(kPageAttrs[i]);
}

void CNetSongInfo::ChildSave(Xml::XmlNode& node) const {
    PutNum(node, "sid", m_nId);
    PutText(node, "url", m_strUrl);
    PutText(node, "img", m_strImage);
    PutText(node, "lrc", m_strPartLyric);
    PutNum(node, "rs", m_nRankingState);
    PutNum(node, "sc", m_nScore);
    PutNum(node, "hd1", m_hdSign.a);
    PutNum(node, "hd2", m_hdSign.b);
    PutText(node, "mvp", m_strMvProvider);
    PutNum(node, "br", m_nBitrate);
    PutNum(node, "pc", m_nPlayCount);
    PutNum(node, "rt", m_nReleaseTime);
    PutNum(node, "dur", m_nDuration);
    PutFlag(node, "ring", m_bHasRing);
    PutFlag(node, "new", m_bIsNew);
    PutFlag(node, "rec", m_bIsRecommend);
    PutText(node, "pic", m_strPicRid);
    for (int i = 0; i < kPageCount; ++i) PutText(node, kPageAttrs[i], m_strPages[i]);
}

void CNetSongInfo::ChildLoadOldSongInfo(const SONG_INFO& info) {
    m_nScore = info.nScore;
    m_hdSign = Sign(info.nHdSig1, info.nHdSig2);
    m_strMvProvider = info.strMvProvider;
    m_nBitrate = info.nBitrate;
    m_nPlayCount = info.nPlayCount;
    m_nReleaseTime = info.nReleaseTime;
    m_nDuration = info.nDuration;
    m_bHasRing = info.bHasRing;
    m_bIsNew = info.bIsNew;
    m_bIsRecommend = info.bIsRecommend;
    m_strPartLyric = info.strPartLyric;
    m_strPicRid = info.strPicRid;
    m_strPages[kMusicInfoPage] = info.strMusicInfoPage;
    m_strPages[kArtistInfoPage] = info.strArtistInfoPage;
    m_strPages[kAlbumPage] = info.strAlbumPage;
    m_strPages[kActivityPage] = info.strActivityPage;
    m_strPages[kTiebaPage] = info.strTiebaPage;
}

void CNetSongInfo::ChildSaveOldSongInfo(SONG_INFO& info) const {
    info.nScore = m_nScore;
    info.nHdSig1 = m_hdSign.a;
    info.nHdSig2 = m_hdSign.b;
    info.strMvProvider = m_strMvProvider;
    info.nBitrate = m_nBitrate;
    info.nPlayCount = m_nPlayCount;
    info.nReleaseTime = m_nReleaseTime;
    info.nDuration = m_nDuration;
    info.bHasRing = m_bHasRing;
    info.bIsNew = m_bIsNew;
    info.bIsRecommend = m_bIsRecommend;
    info.strPartLyric = m_strPartLyric;
    info.strPicRid = m_strPicRid;
    info.strMusicInfoPage = m_strPages[kMusicInfoPage];
    info.strArtistInfoPage = m_strPages[kArtistInfoPage];
    info.strAlbumPage = m_strPages[kAlbumPage];
    info.strActivityPage = m_strPages[kActivityPage];
    info.strTiebaPage = m_strPages[kTiebaPage];
}

bool CNetSongInfo::ChildIsSame(const CSongInfoBase& other) const {
    const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(&other);
    if (!net) return true;
    if (m_nId && net->m_nId && m_nId != net->m_nId) return false;
    if (!m_strUrl.empty() && !net->m_strUrl.empty() && m_strUrl != net->m_strUrl) return false;
    return true;
}

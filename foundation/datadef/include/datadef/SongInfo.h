#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include "datadef/DataDefTypes.h"
#include "datadef/Resource.h"
#include "vxlib/Xml.h"

class CSongListBase;

// One song. It owns its resources (each null when absent; a setter deletes the one it replaces
// and takes the new one). The parent list is a plain pointer the song does not own.
//
// Copying: assignment copies every field and deep-copies the resources but keeps this song's
// parent; Clone makes a new song of the same class with the same fields, resources and parent.
// Not thread-safe; the owner of the list serialises access.
class VXDATADEF_API CSongInfoBase {
public:
    CSongInfoBase();
    CSongInfoBase(const CSongInfoBase&) = delete;

    virtual CSongInfoBase* Clone() const;
    // A new empty song of this class.
    virtual CSongInfoBase* CreateSongInfo() const;
    // What a derived class adds to the "so" element and the legacy record.
    virtual void ChildLoad(const Xml::XmlNode& node);
    virtual void ChildSave(Xml::XmlNode& node) const;
    virtual void ChildLoadOldSongInfo(const SONG_INFO& info);
    virtual void ChildSaveOldSongInfo(SONG_INFO& info) const;
    virtual CSongInfoBase& operator=(const CSongInfoBase& other);
    virtual ~CSongInfoBase();

    const std::string& GetName() const { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    const std::string& GetArtist() const { return m_strArtist; }
    void SetArtist(const std::string& artist) { m_strArtist = artist; }
    const std::string& GetAlbum() const { return m_strAlbum; }
    void SetAlbum(const std::string& album) { m_strAlbum = album; }
    const std::string& GetTag() const { return m_strTag; }
    void SetTag(const std::string& tag) { m_strTag = tag; }
    const std::string& GetPlaySource() const { return m_strPlaySource; }
    void SetPlaySource(const std::string& source) { m_strPlaySource = source; }
    CSongListBase* GetParent() const { return m_pParent; }
    void SetParent(CSongListBase* parent) { m_pParent = parent; }

    CNetResource* GetMP3() const { return m_pMP3.get(); }
    void SetMP3(CNetResource* res) { m_pMP3.reset(res); }
    CNetResource* GetWMA() const { return m_pWMA.get(); }
    void SetWMA(CNetResource* res) { m_pWMA.reset(res); }
    CNetResource* GetMKV() const { return m_pMKV.get(); }
    void SetMKV(CNetResource* res) { m_pMKV.reset(res); }
    CNetResource* GetWMV() const { return m_pWMV.get(); }
    void SetWMV(CNetResource* res) { m_pWMV.reset(res); }
    CNetResource* GetAPE() const { return m_pAPE.get(); }
    void SetAPE(CNetResource* res) { m_pAPE.reset(res); }
    CLocalResource* GetLocalRes() const { return m_pLocal.get(); }
    void SetLocalRes(CLocalResource* res) { m_pLocal.reset(res); }

    // Reads the song from a "so" element (every field: what the element lacks is reset); false
    // when the node is invalid. Writes its attributes and resource children into `node`, which
    // the caller names; the attributes "id" and "pt" are left to the caller.
    bool LoadFromXml(const Xml::XmlNode& node);
    void SaveToXml(Xml::XmlNode& node) const;
    // The legacy record: loading replaces every field the record carries.
    void LoadFromOldSongInfo(const SONG_INFO& info);
    void SaveToOldSongInfo(SONG_INFO& info) const;

    // Song identity: equal name, artist and album; every resource kind that both songs have has
    // the same rid and sign; equal local paths when both have one; and for network songs equal
    // ids when both are non-zero and equal urls when both are non-empty.
    bool IsSameSong(const CSongInfoBase& other) const;

protected:
    // Whatever else a derived class must compare for identity; true in the base.
    virtual bool ChildIsSame(const CSongInfoBase& other) const;

private:
    std::string m_strName;
    std::string m_strArtist;
    std::string m_strAlbum;
    std::string m_strTag;
    std::string m_strPlaySource;
    CSongListBase* m_pParent = nullptr;
    std::unique_ptr<CNetResource> m_pMP3;
    std::unique_ptr<CNetResource> m_pWMA;
    std::unique_ptr<CNetResource> m_pMKV;
    std::unique_ptr<CNetResource> m_pWMV;
    std::unique_ptr<CNetResource> m_pAPE;
    std::unique_ptr<CLocalResource> m_pLocal;
};

// A song of the catalogue: its id, page address and the figures of the search servers.
class VXDATADEF_API CNetSongInfo : public CSongInfoBase {
public:
    CNetSongInfo();
    CNetSongInfo(const CNetSongInfo&) = delete;
    CNetSongInfo& operator=(const CNetSongInfo& other) {
        operator=(static_cast<const CSongInfoBase&>(other));
        return *this;
    }

    CSongInfoBase* CreateSongInfo() const override;
    void ChildLoad(const Xml::XmlNode& node) override;
    void ChildSave(Xml::XmlNode& node) const override;
    void ChildLoadOldSongInfo(const SONG_INFO& info) override;
    void ChildSaveOldSongInfo(SONG_INFO& info) const override;
    // From another CNetSongInfo everything is copied; from a plain song only the base fields
    // (the network fields are reset).
    CSongInfoBase& operator=(const CSongInfoBase& other) override;
    ~CNetSongInfo() override;

    uint32_t GetId() const { return m_nId; }
    void SetId(uint32_t id) { m_nId = id; }
    const std::string& GetUrl() const { return m_strUrl; }
    void SetUrl(const std::string& url) { m_strUrl = url; }
    const std::string& GetImage() const { return m_strImage; }
    void SetImage(const std::string& image) { m_strImage = image; }
    const std::string& GetPartLyric() const { return m_strPartLyric; }
    void SetPartLyric(const std::string& lyric) { m_strPartLyric = lyric; }
    uint8_t GetRankingState() const { return m_nRankingState; }   // 0 equal, 1 up, 2 down
    void SetRankingState(uint8_t state) { m_nRankingState = state; }
    uint32_t GetScore() const { return m_nScore; }
    void SetScore(uint32_t score) { m_nScore = score; }
    const Sign& GetHdSign() const { return m_hdSign; }
    void SetHdSign(const Sign& sign) { m_hdSign = sign; }
    const std::string& GetMvProvider() const { return m_strMvProvider; }
    void SetMvProvider(const std::string& provider) { m_strMvProvider = provider; }
    uint32_t GetBitrate() const { return m_nBitrate; }
    void SetBitrate(uint32_t bitrate) { m_nBitrate = bitrate; }
    uint32_t GetPlayCount() const { return m_nPlayCount; }
    void SetPlayCount(uint32_t count) { m_nPlayCount = count; }
    uint32_t GetReleaseTime() const { return m_nReleaseTime; }
    void SetReleaseTime(uint32_t time) { m_nReleaseTime = time; }
    uint32_t GetDuration() const { return m_nDuration; }
    void SetDuration(uint32_t seconds) { m_nDuration = seconds; }
    bool HasRing() const { return m_bHasRing; }
    void SetHasRing(bool ring) { m_bHasRing = ring; }
    bool IsNew() const { return m_bIsNew; }
    void SetIsNew(bool isNew) { m_bIsNew = isNew; }
    bool IsRecommend() const { return m_bIsRecommend; }
    void SetIsRecommend(bool recommend) { m_bIsRecommend = recommend; }
    const std::string& GetPicRid() const { return m_strPicRid; }
    void SetPicRid(const std::string& rid) { m_strPicRid = rid; }

    // The five pages of a search record, by index.
    enum Page { kMusicInfoPage, kArtistInfoPage, kAlbumPage, kActivityPage, kTiebaPage, kPageCount };
    const std::string& GetPage(Page page) const { return m_strPages[page]; }
    void SetPage(Page page, const std::string& url) { m_strPages[page] = url; }

protected:
    bool ChildIsSame(const CSongInfoBase& other) const override;

private:
    void CopyNetFields(const CNetSongInfo& other);

    uint32_t m_nId = 0;
    std::string m_strUrl;
    std::string m_strImage;
    std::string m_strPartLyric;
    uint8_t m_nRankingState = 0;
    uint32_t m_nScore = 0;
    Sign m_hdSign;
    std::string m_strMvProvider;
    uint32_t m_nBitrate = 0;
    uint32_t m_nPlayCount = 0;
    uint32_t m_nReleaseTime = 0;
    uint32_t m_nDuration = 0;
    bool m_bHasRing = false;
    bool m_bIsNew = false;
    bool m_bIsRecommend = false;
    std::string m_strPicRid;
    std::string m_strPages[kPageCount];
};

#include <gtest/gtest.h>

#include <memory>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

CNetResource* Res(const std::string& rid, uint32_t s1, uint32_t s2, uint32_t size, uint32_t format) {
    CNetResource* res = new CNetResource;
    res->SetRid(rid);
    res->SetSign(Sign(s1, s2));
    res->SetFileSize(size);
    res->SetFormat(format);
    return res;
}

// A song with every field and every resource set, texts in GBK.
std::unique_ptr<CNetSongInfo> FullSong() {
    std::unique_ptr<CNetSongInfo> song(new CNetSongInfo);
    song->SetName("\xC7\xE0\xBB\xA8\xB4\xC9");            // 青花瓷
    song->SetArtist("\xD6\xDC\xBD\xDC\xC2\xD7 & \"Band\"");
    song->SetAlbum("\xCE\xD2\xBA\xDC\xC3\xA6 <live>");
    song->SetTag("pop");
    song->SetPlaySource("\xC5\xC5\xD0\xD0->\xCB\xD1\xCB\xF7");
    song->SetId(4000000001u);
    song->SetUrl("http://v.example/1.html#w=1|");
    song->SetImage("1.jpg");
    song->SetPartLyric("\xC7\xE0\xBB\xA8 lyric");
    song->SetRankingState(2);
    song->SetScore(97);
    song->SetHdSign(Sign(11, 12));
    song->SetMvProvider("prov");
    song->SetBitrate(192);
    song->SetPlayCount(123456);
    song->SetReleaseTime(1300000000);
    song->SetDuration(240);
    song->SetHasRing(true);
    song->SetIsNew(true);
    song->SetIsRecommend(true);
    song->SetPicRid("PIC_1");
    for (int i = 0; i < CNetSongInfo::kPageCount; ++i) {
        song->SetPage(static_cast<CNetSongInfo::Page>(i), "http://p/" + std::to_string(i));
    }
    song->SetWMA(Res("WMA_1", 1, 2, 3000000, kFormatWma));
    song->SetMP3(Res("MP3_1", 3, 4, 4000000, kFormatMp3));
    song->GetMP3()->SetKpbs(320);
    song->GetMP3()->SetPopularity(9);
    song->SetMKV(Res("MKV_1", 5, 6, 50000000, kFormatMkv));
    song->GetMKV()->SetKalaOk(1);
    song->GetMKV()->SetEcho(true);
    song->SetWMV(Res("WMV_1", 7, 8, 0, kFormatWmv));
    song->SetAPE(Res("APE_1", 9, 4294967295u, 70000000, kFormatApe));
    CLocalResource* local = new CLocalResource;
    local->SetPath("D:\\\xD2\xF4\xC0\xD6\\a.mp3");
    song->SetLocalRes(local);
    return song;
}

std::string Saved(const CSongInfoBase& song) {
    Xml::XmlNode so("so");
    song.SaveToXml(so);
    return so.ToString();
}

}  // namespace

TEST(SongInfo, EverySongFieldAndResourceSurvivesXmlThroughText) {
    std::unique_ptr<CNetSongInfo> song = FullSong();
    Xml::XmlNode mission("pl");
    mission.SetAttr("action", "0");
    Xml::XmlNode so = mission.AppendChild("so");
    song->SaveToXml(so);
    so.SetAttr("id", "100");   // written by shortcut files beside the song's own attributes

    Xml::XmlNode reread;
    ASSERT_TRUE(reread.LoadStringA(mission.ToString())) << reread.LastError();
    CNetSongInfo loaded;
    ASSERT_TRUE(loaded.LoadFromXml(reread.GetChild("so")));
    EXPECT_EQ(Saved(*song), Saved(loaded));
    EXPECT_EQ(song->GetArtist(), loaded.GetArtist());
    EXPECT_EQ(4000000001u, loaded.GetId());
    ASSERT_NE(nullptr, loaded.GetAPE());
    EXPECT_EQ(*song->GetAPE(), *loaded.GetAPE());
    EXPECT_EQ(*song->GetMKV(), *loaded.GetMKV());
    ASSERT_NE(nullptr, loaded.GetLocalRes());
    EXPECT_EQ(song->GetLocalRes()->GetPath(), loaded.GetLocalRes()->GetPath());
    EXPECT_TRUE(loaded.IsSameSong(*song));

    // Loading over a full song resets what the element lacks.
    Xml::XmlNode sparse("so");
    sparse.SetAttr("n", "only a name");
    ASSERT_TRUE(loaded.LoadFromXml(sparse));
    EXPECT_EQ(nullptr, loaded.GetWMA());
    EXPECT_EQ(nullptr, loaded.GetLocalRes());
    EXPECT_EQ(0u, loaded.GetId());
    EXPECT_EQ("", loaded.GetArtist());
    EXPECT_FALSE(loaded.LoadFromXml(Xml::XmlNode()));
}

TEST(SongInfo, LegacyRecordRoundTripsAndPicksTheVideoResource) {
    SONG_INFO record;
    record.strName = "\xC7\xE0\xBB\xA8\xB4\xC9";
    record.strArtist = "artist";
    record.strAlbum = "album";
    record.strTag = "tag";
    record.nType = 1;
    record.strFormat = "wma";
    record.nDuration = 200;
    record.strMusicRid = "MUSIC_1";
    record.nSig1 = 1;
    record.nSig2 = 2;
    record.nFileSize = 3;
    record.nHdSig1 = 4;
    record.nHdSig2 = 5;
    record.strMp3Rid = "MP3_1";
    record.nMp3Sig1 = 6;
    record.nMp3Sig2 = 7;
    record.nMp3Size = 8;
    record.nMp3Bitrate = 320;
    record.strMkvRid = "MKV_9";
    record.nMkvSig1 = 10;
    record.nMkvSig2 = 11;
    record.bHasEcho = true;
    record.strMvProvider = "prov";
    record.nScore = 12;
    record.nBitrate = 128;
    record.nPlayCount = 13;
    record.nReleaseTime = 14;
    record.bHasRing = true;
    record.bIsNew = true;
    record.bIsRecommend = true;
    record.strMusicInfoPage = "p1";
    record.strArtistInfoPage = "p2";
    record.strAlbumPage = "p3";
    record.strActivityPage = "p4";
    record.strTiebaPage = "p5";
    record.strPartLyric = "lrc";
    record.strPicRid = "PIC";

    CNetSongInfo song;
    song.LoadFromOldSongInfo(record);
    ASSERT_NE(nullptr, song.GetWMA());
    EXPECT_EQ(Sign(1, 2), song.GetWMA()->GetSign());
    ASSERT_NE(nullptr, song.GetMKV());
    EXPECT_EQ(nullptr, song.GetWMV());
    SONG_INFO back;
    back.strName = "stale";
    song.SaveToOldSongInfo(back);
    EXPECT_TRUE(record == back);

    // Through XML and a clone the record stays the same.
    Xml::XmlNode so("so");
    song.SaveToXml(so);
    CNetSongInfo fromXml;
    fromXml.LoadFromXml(so);
    std::unique_ptr<CSongInfoBase> clone(fromXml.Clone());
    SONG_INFO again;
    clone->SaveToOldSongInfo(again);
    EXPECT_TRUE(record == again);

    // No usable MKV: the music video rid becomes the WMV resource; watching has no sign then.
    for (const char* rid : {"MKV_0", ""}) {
        SONG_INFO noMkv = record;
        noMkv.strMkvRid = rid;
        noMkv.strMvRid = "MV_1";
        CNetSongInfo mv;
        mv.LoadFromOldSongInfo(noMkv);
        EXPECT_EQ(nullptr, mv.GetMKV()) << rid;
        ASSERT_NE(nullptr, mv.GetWMV()) << rid;
        EXPECT_EQ("MV_1", mv.GetWMV()->GetRid());
    }
    SONG_INFO zeroSign = record;
    zeroSign.nMkvSig2 = 0;
    CNetSongInfo zero;
    zero.LoadFromOldSongInfo(zeroSign);
    EXPECT_EQ(nullptr, zero.GetMKV());
    SONG_INFO zeroBack;
    zero.SaveToOldSongInfo(zeroBack);
    EXPECT_EQ(0, zeroBack.nType);   // no MV rid either

    // Only MP3: listening reports mp3.
    SONG_INFO mp3Only;
    mp3Only.strName = "n";
    mp3Only.strMp3Rid = "MP3_2";
    mp3Only.nMp3Sig1 = 1;
    CSongInfoBase plain;
    plain.LoadFromOldSongInfo(mp3Only);
    SONG_INFO mp3Back;
    plain.SaveToOldSongInfo(mp3Back);
    EXPECT_EQ("mp3", mp3Back.strFormat);
    EXPECT_EQ(nullptr, plain.GetWMA());
}

TEST(SongInfo, ClonesAreDeepAndIdentityFollowsResources) {
    CNetSongList parent;
    std::unique_ptr<CNetSongInfo> song = FullSong();
    song->SetParent(&parent);
    std::unique_ptr<CSongInfoBase> clone(song->Clone());
    ASSERT_NE(nullptr, dynamic_cast<CNetSongInfo*>(clone.get()));
    EXPECT_EQ(&parent, clone->GetParent());
    EXPECT_NE(song->GetWMA(), clone->GetWMA());
    EXPECT_EQ(Saved(*song), Saved(*clone));
    EXPECT_TRUE(song->IsSameSong(*clone));

    clone->GetWMA()->SetSign(Sign(1, 99));
    EXPECT_EQ(Sign(1, 2), song->GetWMA()->GetSign());
    EXPECT_FALSE(song->IsSameSong(*clone));

    // Assignment keeps the target's parent and replaces its resources.
    CNetSongInfo target;
    CNetSongList other;
    target.SetParent(&other);
    target.SetMKV(Res("OLD", 1, 1, 0, kFormatMkv));
    target = *song;
    EXPECT_EQ(&other, target.GetParent());
    EXPECT_TRUE(target.IsSameSong(*song));
    EXPECT_EQ(Saved(*song), Saved(target));

    // A plain song assigned over a network song leaves no network fields behind.
    CSongInfoBase base;
    base.SetName(song->GetName());
    target = static_cast<const CSongInfoBase&>(base);
    EXPECT_EQ(0u, target.GetId());
    EXPECT_EQ(nullptr, target.GetWMA());

    // A song missing one kind still matches on the kinds both have; different ids never match.
    CNetSongInfo fewer;
    fewer = *song;
    fewer.SetAPE(nullptr);
    EXPECT_TRUE(fewer.IsSameSong(*song));
    fewer.SetId(5);
    EXPECT_FALSE(fewer.IsSameSong(*song));
    fewer.SetId(0);
    fewer.SetAlbum("other");
    EXPECT_FALSE(fewer.IsSameSong(*song));
}

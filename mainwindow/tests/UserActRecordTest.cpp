#include "UserActRecord.h"

#include <gtest/gtest.h>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

CNetResource* Res(const char* rid, uint32_t a, uint32_t b) {
    CNetResource* r = new CNetResource;
    r->SetRid(rid);
    r->SetSign(Sign(a, b));
    return r;
}

void Fill(CNetSongInfo& song) {
    song.SetName("Song");
    song.SetArtist("Artist");
    song.SetAlbum("Album");
    song.SetPlaySource("Hits->搜索->song->key");
    song.SetMP3(Res("MP3_1", 3000000000u, 4));
}

TEST(UserActRecord, ListeningWithoutParentUsesSongSourceAndMp3Pair) {
    CNetSongInfo song;
    Fill(song);
    EXPECT_EQ("U:uid|N:|T:0|NA:Song|AR:Artist|AL:Album|F:mp3|B:0|D:0|RID:MP3_1|S1:3000000000|S2:4|FV:|PF:0|UI:|DT:0|"
              "PSRC:Hits->搜索->song->key|NOWPLAY:",
              UserActRecord::PlayMusicText("uid", song, false));
}

TEST(UserActRecord, ParentPathReplacesSongSourceAndWatchingUsesVideoPair) {
    CNetSongList top, child;
    top.SetShowName("Top");
    child.SetShowName("Child");
    child.SetParent(&top);
    CNetSongInfo song;
    Fill(song);
    song.SetWMA(Res("WMA_1", 1, 2));
    song.SetMKV(Res("MKV_9", 7, 8));
    song.SetParent(&child);
    EXPECT_EQ("Top->Child", UserActRecord::PlaySource(song));
    EXPECT_EQ("U:uid|N:|T:1|NA:Song|AR:Artist|AL:Album|F:wma|B:0|D:0|RID:WMA_1|S1:1|S2:2|FV:|PF:0|UI:|DT:0|"
              "PSRC:Top->Child|NOWPLAY:",
              UserActRecord::PlayMusicText("uid", song, false));
    EXPECT_EQ("U:uid|N:|T:2|NA:Song|AR:Artist|AL:Album|F:wma|B:0|D:0|RID:MKV_9|S1:7|S2:8|FV:|PF:0|UI:|DT:0|"
              "PSRC:Top->Child|NOWPLAY:",
              UserActRecord::PlayMusicText("uid", song, true));
}

TEST(UserActRecord, DownloadPicksResourceByQualityAndSkipsMissingOne) {
    CNetSongInfo song;
    Fill(song);
    std::string text;
    ASSERT_TRUE(UserActRecord::DownMusicText("uid", song, 4, text));
    EXPECT_EQ("U:uid|N:|NA:Song|AR:Artist|AL:Album|F:mp3|RID:MP3_1|S1:3000000000|S2:4|PSRC:Hits->搜索->song->key", text);
    EXPECT_FALSE(UserActRecord::DownMusicText("uid", song, UserActRecord::kQualityWma, text));
    song.SetWMA(Res("WMA_1", 1, 2));
    ASSERT_TRUE(UserActRecord::DownMusicText("uid", song, UserActRecord::kQualityWma, text));
    EXPECT_EQ("U:uid|N:|NA:Song|AR:Artist|AL:Album|F:wma|RID:WMA_1|S1:1|S2:2|PSRC:Hits->搜索->song->key", text);
}

TEST(UserActRecord, UserIdIsCutToLimit) {
    std::string text = UserActRecord::ExitText(std::string(200, 'x'), "SHORTCUT", 5);
    EXPECT_EQ("U:" + std::string(127, 'x') + "|N:|SF:SHORTCUT|T:5", text);
}

}  // namespace

#include <gtest/gtest.h>

#include "ReplyBlocks.h"

#include <cstring>
#include <memory>
#include <string>

#include "../src/SearchReply.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Zip.h"

namespace {

// Serves a byte string in small pieces; can fail once `failAt` bytes were served.
class ScriptedReader : public IReplyReader {
public:
    explicit ScriptedReader(std::string data, size_t failAt = std::string::npos)
        : m_data(std::move(data)), m_failAt(failAt) {}
    bool Read(char* buffer, int* length) override {
        if (m_pos >= m_failAt) return false;
        size_t n = std::min<size_t>({static_cast<size_t>(*length), m_data.size() - m_pos, 7});
        if (m_failAt != std::string::npos) n = std::min(n, m_failAt - m_pos);
        std::memcpy(buffer, m_data.data() + m_pos, n);
        m_pos += n;
        *length = static_cast<int>(n);
        return true;
    }

private:
    std::string m_data;
    size_t m_failAt;
    size_t m_pos = 0;
};

struct Outcome {
    SearchReply::BlockReadResult read;
    std::vector<std::string> pages;
};

Outcome ReadAll(const std::string& data, size_t failAt = std::string::npos, int acceptPages = 1000) {
    ScriptedReader reader(data, failAt);
    Outcome out;
    out.read = SearchReply::ReadBlocks(reader, [&](const std::string& page) {
        if (static_cast<int>(out.pages.size()) >= acceptPages) return false;
        out.pages.push_back(page);
        return true;
    });
    return out;
}

const char kSong[] =
    "songname=Song A\nartist=Singer\nalbum=Album\nnsig1=11\nnsig2=12\nmusicrid=MUSIC_1\n"
    "mp3rid=MP3_1\nmp3nsig1=21\nmp3nsig2=22\nmp3size=3000\nmp3bitrate=128\n"
    "mkvrid=MKV_1\nmkvnsig1=31\nmkvnsig2=32\nhasecho=1\nmvrid=MV_1\n\r\n\r\n";

}  // namespace

TEST(BlockReader, WholeRepliesAreCompleteAndCountEveryByte) {
    const std::string data = Block("first page") + Block("second page");
    Outcome out = ReadAll(data);
    EXPECT_TRUE(out.read.complete);
    EXPECT_EQ(nullptr, out.read.error);
    EXPECT_EQ(static_cast<int>(data.size()), out.read.bytes);
    ASSERT_EQ(2u, out.pages.size());
    EXPECT_EQ("second page", out.pages[1]);

    // Nothing at all is no reply.
    Outcome empty = ReadAll("");
    EXPECT_FALSE(empty.read.complete);
    EXPECT_EQ(nullptr, empty.read.error);
}

TEST(BlockReader, EveryBrokenReplyIsIncompleteWithItsErrorAndKeepsEarlierPages) {
    const std::string good = Block("page one");
    const std::string second = Block("page two");
    std::string badPacked = LittleEndian(100) + LittleEndian(5) + "zzzzz";
    struct Case {
        const char* name;
        std::string data;
        size_t failAt;
        const char* error;
        size_t pages;
    } cases[] = {
        {"second block's second length cut short", good + second.substr(0, 6), std::string::npos,
         SearchReply::kErrShortLength, 1},
        {"first length cut short", good + second.substr(0, 2), std::string::npos, SearchReply::kErrShortLength, 1},
        {"uncompressed length too large", LittleEndian(10485761) + LittleEndian(10) + "0123456789",
         std::string::npos, SearchReply::kErrLargeSize, 0},
        {"compressed length too large", good + LittleEndian(10) + LittleEndian(0xFFFFFFFFu), std::string::npos,
         SearchReply::kErrLargeSize, 1},
        {"data cut short", good + second.substr(0, second.size() - 3), std::string::npos,
         SearchReply::kErrShortData, 1},
        {"empty data", LittleEndian(10) + LittleEndian(0), std::string::npos, SearchReply::kErrShortData, 0},
        {"reader fails in the data", good + second, good.size() + 10, SearchReply::kErrShortData, 1},
        {"reader fails in a length", good + second, good.size() + 2, SearchReply::kErrShortLength, 1},
        {"damaged data", good + badPacked, std::string::npos, SearchReply::kErrUnCompress, 1},
        {"zero uncompressed length", LittleEndian(0) + good.substr(4), std::string::npos,
         SearchReply::kErrUnCompress, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome out = ReadAll(c.data, c.failAt);
        EXPECT_FALSE(out.read.complete);
        ASSERT_NE(nullptr, out.read.error);
        EXPECT_STREQ(c.error, out.read.error);
        EXPECT_EQ(c.pages, out.pages.size());
        EXPECT_EQ(static_cast<int>(c.pages), out.read.pages);
    }
    EXPECT_STREQ("ReadData Failed1", SearchReply::kErrShortLength);
    EXPECT_STREQ("ReadData large size!", SearchReply::kErrLargeSize);
    EXPECT_STREQ("ReadData Failed2", SearchReply::kErrShortData);
    EXPECT_STREQ("ReadData UnCompress err", SearchReply::kErrUnCompress);

    // A page refused by its reader (a cancel) stops the reply without an error text.
    Outcome refused = ReadAll(good + second + Block("three"), std::string::npos, 1);
    EXPECT_FALSE(refused.read.complete);
    EXPECT_EQ(nullptr, refused.read.error);
    EXPECT_EQ(1, refused.read.pages);
}

TEST(PageText, RecordsSplitIntoNameValueLines) {
    auto records = SearchReply::SplitRecords(
        "SongName=a=b\r\nno equals here\nArtist=x\n\r\n\r\n\r\n\r\nlast=1\nunterminated=2");
    ASSERT_EQ(2u, records.size());
    ASSERT_EQ(2u, records[0].size());
    EXPECT_EQ("songname", records[0][0].first);
    EXPECT_EQ("a=b", records[0][0].second);
    EXPECT_EQ("artist", records[0][1].first);
    EXPECT_TRUE(records[1].empty());
}

TEST(PageText, RecordsBecomeSongsByTheRules) {
    SearchResult result;
    result.param.strKey2 = "source";
    std::unique_ptr<CNetSongList> page(SearchReply::ParsePage(
        std::string(kSong) +
            // no name of the table: no song
            "foo=1\nbar=2\r\n\r\n"
            // MKV_0 and a zero MKV sign leave the MV rid; an APE; a ranking change; a 64-bit number
            "songname=B\nartist=S\nnsig1=4294967297\nnsig2=0\nmkvrid=MKV_9\nmkvnsig1=0\nmkvnsig2=5\nmvrid=MV_2\n"
            "aperid=APE_2\napensig1=7\napensig2=8\napesize=900\nchange=up\nlrc=la la\nhitmode=NoRes\r\n\r\n"
            // dropped: no artist; both signs zero; no name
            "songname=C\nnsig1=1\nnsig2=1\r\n\r\n"
            "songname=D\nartist=S\nnsig1=0\nnsig2=0\r\n\r\n"
            "artist=S\nnsig1=1\nnsig2=1\nhitmode=last\nartistpic=x.jpg\naperid=APE_0\r\n\r\n",
        result, "http://img/star/starheads/"));
    ASSERT_EQ(2u, page->GetSongInfoVector().size());

    auto* a = dynamic_cast<CNetSongInfo*>(page->GetSongInfoVector()[0]);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ("Song A", a->GetName());
    EXPECT_EQ("source", a->GetPlaySource());
    EXPECT_EQ(page.get(), a->GetParent());
    ASSERT_NE(nullptr, a->GetWMA());
    EXPECT_EQ(Sign(11, 12), a->GetWMA()->GetSign());
    ASSERT_NE(nullptr, a->GetMP3());
    EXPECT_EQ(128u, a->GetMP3()->GetKpbs());
    EXPECT_EQ(3000u, a->GetMP3()->GetFileSize());
    ASSERT_NE(nullptr, a->GetMKV());
    EXPECT_EQ("MKV_1", a->GetMKV()->GetRid());
    EXPECT_TRUE(a->GetMKV()->GetEcho());
    EXPECT_EQ(nullptr, a->GetWMV());
    EXPECT_EQ(nullptr, a->GetAPE());

    auto* b = dynamic_cast<CNetSongInfo*>(page->GetSongInfoVector()[1]);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(Sign(1, 0), b->GetWMA() ? b->GetWMA()->GetSign() : Sign());
    EXPECT_EQ(nullptr, b->GetMKV());
    ASSERT_NE(nullptr, b->GetWMV());
    EXPECT_EQ("MV_2", b->GetWMV()->GetRid());
    ASSERT_NE(nullptr, b->GetAPE());
    EXPECT_EQ("APE_2", b->GetAPE()->GetRid());
    EXPECT_EQ(Sign(7, 8), b->GetAPE()->GetSign());
    EXPECT_EQ(900u, b->GetAPE()->GetFileSize());
    EXPECT_EQ(static_cast<uint32_t>(kFormatApe), b->GetAPE()->GetFormat());
    EXPECT_EQ(1, b->GetRankingState());
    EXPECT_EQ("la la", b->GetPartLyric());

    // Result fields: the last value of the page wins; the picture gets the picture server.
    EXPECT_EQ("last", result.strHitMode);
    EXPECT_EQ("http://img/star/starheads/x.jpg", result.strArtistPic);

    // Without "mkvrid" a record has no MKV resource even with signs.
    SearchResult other;
    std::unique_ptr<CNetSongInfo> song(SearchReply::RecordToSong(
        {{"songname", "E"}, {"artist", "S"}, {"nsig1", "1"}, {"nsig2", "2"}, {"mkvnsig1", "3"}, {"mkvnsig2", "4"}},
        other, "", ""));
    ASSERT_NE(nullptr, song);
    EXPECT_EQ(nullptr, song->GetMKV());
}

TEST(TipReply, WordsTakeTheirNumbersInOrder) {
    SearchResult result;
    SearchReply::ParseTipReply("RelWord=a\r\nSNum=1\nRelWord=b\nHITNUM=42\ngarbage\n", result);
    ASSERT_EQ(2u, result.tipWords.size());
    EXPECT_EQ("a", result.tipWords[0].strWord);
    EXPECT_EQ("1", result.tipWords[0].strSNum);
    EXPECT_EQ("", result.tipWords[0].strRNum);
    EXPECT_EQ("b", result.tipWords[1].strWord);
    EXPECT_EQ("", result.tipWords[1].strSNum);
    EXPECT_EQ(42, result.nTipTotal);

    // Numbers before any word go nowhere.
    SearchResult early;
    SearchReply::ParseTipReply("SNum=5\nRNum=6\n", early);
    EXPECT_TRUE(early.tipWords.empty());
}

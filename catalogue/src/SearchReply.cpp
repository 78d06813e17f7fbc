#include "SearchReply.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/StringUtility.h"
#include "vxlib/Zip.h"

namespace SearchReply {

const char kErrShortLength[] = "ReadData Failed1";
const char kErrLargeSize[] = "ReadData large size!";
const char kErrShortData[] = "ReadData Failed2";
const char kErrUnCompress[] = "ReadData UnCompress err";

namespace {

// Reads exactly `wanted` bytes unless the reply ends or fails first; the count actually read.
int ReadFull(IReplyReader& reader, char* buffer, int wanted, bool& failed) {
    int got = 0;
    failed = false;
    while (got < wanted) {
        int n = wanted - got;
        if (!reader.Read(buffer + got, &n)) {
            failed = true;
            break;
        }
        if (n <= 0) break;
        got += n;
    }
    return got;
}

uint32_t LittleEndian(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

BlockReadResult ReadBlocks(IReplyReader& reader, const std::function<bool(const std::string&)>& onPage) {
    BlockReadResult out;
    for (;;) {
        unsigned char lengths[8];
        bool failed = false;
        int got = ReadFull(reader, reinterpret_cast<char*>(lengths), 4, failed);
        out.bytes += got;
        if (got == 0 && !failed) {
            out.complete = out.pages > 0;
            return out;
        }
        if (got < 4) {
            // A reply that ends inside a length field was cut short, whichever length it is.
            out.error = kErrShortLength;
            return out;
        }
        got = ReadFull(reader, reinterpret_cast<char*>(lengths + 4), 4, failed);
        out.bytes += got;
        if (got < 4) {
            out.error = kErrShortLength;
            return out;
        }
        const uint32_t plainLength = LittleEndian(lengths);
        const uint32_t packedLength = LittleEndian(lengths + 4);
        if (plainLength > kMaxBlockLength || packedLength > kMaxBlockLength) {
            out.error = kErrLargeSize;
            return out;
        }
        std::string packed(packedLength, '\0');
        got = packedLength ? ReadFull(reader, &packed[0], static_cast<int>(packedLength), failed) : 0;
        out.bytes += got;
        if (got == 0 || static_cast<uint32_t>(got) < packedLength) {
            out.error = kErrShortData;
            return out;
        }
        std::string page(plainLength, '\0');
        unsigned long pageLength = plainLength;
        if (plainLength == 0 ||
            !Memzip::UnCompress(reinterpret_cast<unsigned char*>(&page[0]), &pageLength,
                                reinterpret_cast<const unsigned char*>(packed.data()), packedLength)) {
            out.error = kErrUnCompress;
            return out;
        }
        page.resize(pageLength);
        if (!onPage(page)) return out;
        ++out.pages;
    }
}

std::vector<Record> SplitRecords(const std::string& page) {
    static const char kEnd[] = "\r\n\r\n";
    std::vector<Record> records;
    size_t start = 0;
    for (;;) {
        const size_t end = page.find(kEnd, start);
        if (end == std::string::npos) break;
        Record record;
        size_t line = start;
        while (line < end) {
            size_t next = page.find('\n', line);
            if (next == std::string::npos || next > end) next = end;
            const std::string text = page.substr(line, next - line);
            const size_t eq = text.find('=');
            if (eq != std::string::npos) {
                std::string name = text.substr(0, eq);
                std::string value = text.substr(eq + 1);
                if (!value.empty() && value.back() == '\r') value.pop_back();
                record.emplace_back(StringUtility::Str2Lower(name), value);
            }
            line = next + 1;
        }
        records.push_back(std::move(record));
        start = end + 4;
    }
    return records;
}

namespace {

// The song fields of a record, in slot order.
enum SongField {
    kSongName, kArtist, kAlbum, kTag, kFileSize, kScore, kNSig1, kNSig2, kHdNSig1, kHdNSig2,
    kIsKalaok, kMvProvider, kMusicRid, kMvRid, kMp3Rid, kMp3NSig1, kMp3NSig2, kMp3Size,
    kMusicInfoPage, kArtistInfoPage, kAlbumPage, kActivityPage, kTiebaPage, kLrc, kPicRid,
    kHasRing, kMkvRid, kMkvNSig1, kMkvNSig2, kHasEcho, kBitrate, kPlayCnt, kReleaseTime, kIsNew,
    kIsRecommend, kApeRid, kApeNSig1, kApeNSig2, kApeSize, kMp3Bitrate, kChange, kMkvSize,
    kSongFieldCount
};

struct FieldName {
    std::string_view name;
    int slot;  // a SongField, or ~index into the result's fields
};

std::string SearchResult::*const kResultFields[] = {
    &SearchResult::strSig1, &SearchResult::strSig2, &SearchResult::strHitAll, &SearchResult::strHitSongName,
    &SearchResult::strHitArtist, &SearchResult::strHitAlbum, &SearchResult::strHitLyrics, &SearchResult::strMShow,
    &SearchResult::strHitMode, &SearchResult::strTagSrc, &SearchResult::strArtistName, &SearchResult::strAlbumName,
    &SearchResult::strSuggestion, &SearchResult::strArtistPic,
};
const int kArtistPicSlot = ~13;

// A reply of 1000 records names some 25 000 fields, each looked up here.
const FieldName kFieldNames[] = {
    {"activitypage", kActivityPage}, {"album", kAlbum}, {"albumname", ~11}, {"albumpage", kAlbumPage},
    {"apensig1", kApeNSig1}, {"apensig2", kApeNSig2}, {"aperid", kApeRid}, {"apesize", kApeSize},
    {"artist", kArtist}, {"artistinfopage", kArtistInfoPage}, {"artistname", ~10}, {"artistpic", ~13},
    {"bitrate", kBitrate}, {"change", kChange}, {"filesize", kFileSize}, {"hasecho", kHasEcho},
    {"hasring", kHasRing}, {"hdnsig1", kHdNSig1}, {"hdnsig2", kHdNSig2}, {"hitalbum", ~5}, {"hitall", ~2},
    {"hitartist", ~4}, {"hitlyrics", ~6}, {"hitmode", ~8}, {"hitsongname", ~3}, {"iskalaok", kIsKalaok},
    {"isnew", kIsNew}, {"isrecommend", kIsRecommend}, {"lrc", kLrc}, {"mkvnsig1", kMkvNSig1},
    {"mkvnsig2", kMkvNSig2}, {"mkvrid", kMkvRid}, {"mkvsize", kMkvSize}, {"mp3bitrate", kMp3Bitrate},
    {"mp3nsig1", kMp3NSig1}, {"mp3nsig2", kMp3NSig2}, {"mp3rid", kMp3Rid}, {"mp3size", kMp3Size},
    {"mshow", ~7}, {"musicinfopage", kMusicInfoPage}, {"musicrid", kMusicRid}, {"mvprovider", kMvProvider},
    {"mvrid", kMvRid}, {"nsig1", kNSig1}, {"nsig2", kNSig2}, {"picrid", kPicRid}, {"playcnt", kPlayCnt},
    {"releasetime", kReleaseTime}, {"score", kScore}, {"sig1", ~0}, {"sig2", ~1}, {"songname", kSongName},
    {"suggestion", ~12}, {"tag", kTag}, {"tagsrc", ~9}, {"tiebapage", kTiebaPage},
};
const int kNoField = kSongFieldCount;

// Names hashed into a small open-addressed table, so a lookup is mostly one comparison.
class FieldTable {
public:
    FieldTable() {
        for (int& slot : m_index) slot = -1;
        for (int i = 0; i < static_cast<int>(sizeof kFieldNames / sizeof kFieldNames[0]); ++i) {
            size_t at = Hash(kFieldNames[i].name);
            while (m_index[at] >= 0) at = (at + 1) % kSize;
            m_index[at] = i;
        }
    }
    int Slot(std::string_view lower) const {
        for (size_t at = Hash(lower);; at = (at + 1) % kSize) {
            const int i = m_index[at];
            if (i < 0) return kNoField;
            if (kFieldNames[i].name == lower) return kFieldNames[i].slot;
        }
    }

private:
    static const size_t kSize = 256;  // over four times the names: short probe runs
    static size_t Hash(std::string_view name) {
        size_t h = name.size();
        for (char c : name) h = h * 31 + static_cast<unsigned char>(c);
        return h % kSize;
    }
    int m_index[kSize];
};

// The slot of a field name (any case), kNoField when the name is not one of ours.
int FieldSlot(std::string_view name) {
    static const FieldTable table;
    char lower[24];
    if (name.empty() || name.size() > sizeof lower) return kNoField;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return table.Slot(std::string_view(lower, name.size()));
}

// What one record says: song fields by slot (the last of a repeated name wins), pointing into the
// page or the record.
struct RecordValues {
    std::string_view values[kSongFieldCount];
    bool known = false;

    RecordValues() { values[kMkvRid] = "MKV_0"; }

    void Add(std::string_view name, std::string_view value, SearchResult& result, const std::string& picServer) {
        const int slot = FieldSlot(name);
        if (slot == kNoField) return;
        known = true;
        if (slot >= 0) {
            values[slot] = value;
        } else {
            std::string& text = result.*kResultFields[~slot];
            if (slot == kArtistPicSlot) text = picServer;
            else text.clear();
            text.append(value.data(), value.size());
        }
    }

    std::string Text(SongField field) const { return std::string(values[field]); }
    bool Flag(SongField field) const { return values[field] == "1"; }
    // As strtoll reads it (leading blanks, a sign, digits, saturating), cut to 32 bits.
    uint32_t Number(SongField field) const {
        std::string_view v = values[field];
        size_t i = 0;
        while (i < v.size() && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r'))) ++i;
        bool negative = false;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
        uint64_t magnitude = 0;
        bool saturated = false;
        for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
            if (magnitude > (UINT64_MAX - 9) / 10) saturated = true;
            if (!saturated) magnitude = magnitude * 10 + static_cast<uint64_t>(v[i] - '0');
        }
        const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
        if (saturated || magnitude > limit) magnitude = limit;
        const int64_t number = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
        return static_cast<uint32_t>(number);
    }
};

CNetSongInfo* SongFromValues(const RecordValues& values, const std::string& playSource) {
    if (!values.known) return nullptr;
    SONG_INFO info;
    info.nSig1 = values.Number(kNSig1);
    info.nSig2 = values.Number(kNSig2);
    if (values.values[kSongName].empty() || values.values[kArtist].empty() || (info.nSig1 == 0 && info.nSig2 == 0))
        return nullptr;
    info.strName = values.Text(kSongName);
    info.strArtist = values.Text(kArtist);
    info.strAlbum = values.Text(kAlbum);
    info.strTag = values.Text(kTag);
    info.nFileSize = values.Number(kFileSize);
    info.nScore = values.Number(kScore);
    info.nHdSig1 = values.Number(kHdNSig1);
    info.nHdSig2 = values.Number(kHdNSig2);
    info.strMusicRid = values.Text(kMusicRid);
    info.strMvProvider = values.Text(kMvProvider);
    info.strMp3Rid = values.Text(kMp3Rid);
    info.nMp3Sig1 = values.Number(kMp3NSig1);
    info.nMp3Sig2 = values.Number(kMp3NSig2);
    info.nMp3Size = values.Number(kMp3Size);
    info.nMp3Bitrate = values.Number(kMp3Bitrate);
    info.bHasRing = values.Flag(kHasRing);
    info.strMusicInfoPage = values.Text(kMusicInfoPage);
    info.strArtistInfoPage = values.Text(kArtistInfoPage);
    info.strAlbumPage = values.Text(kAlbumPage);
    info.strActivityPage = values.Text(kActivityPage);
    info.strTiebaPage = values.Text(kTiebaPage);
    info.nBitrate = values.Number(kBitrate);
    info.nPlayCount = values.Number(kPlayCnt);
    info.nReleaseTime = values.Number(kReleaseTime);
    info.bIsNew = values.Flag(kIsNew);
    info.bIsRecommend = values.Flag(kIsRecommend);
    info.strPartLyric = values.Text(kLrc);
    info.strPicRid = values.Text(kPicRid);
    const uint32_t mkvSig1 = values.Number(kMkvNSig1);
    const uint32_t mkvSig2 = values.Number(kMkvNSig2);
    if (values.values[kMkvRid] != "MKV_0" && mkvSig1 != 0 && mkvSig2 != 0) {
        info.strMkvRid = values.Text(kMkvRid);
        info.nMkvSig1 = mkvSig1;
        info.nMkvSig2 = mkvSig2;
        info.bHasEcho = values.Flag(kHasEcho);
    } else {
        info.strMvRid = values.Text(kMvRid);
    }
    if (!info.strMusicRid.empty()) info.strFormat = "wma";
    else if (!info.strMp3Rid.empty()) info.strFormat = "mp3";
    info.nType = (!info.strMkvRid.empty() || !info.strMvRid.empty()) ? 1 : 0;

    std::unique_ptr<CNetSongInfo> song(new CNetSongInfo);
    song->LoadFromOldSongInfo(info);
    const std::string_view change = values.values[kChange];
    if (change == "equal") song->SetRankingState(0);
    else if (change == "up") song->SetRankingState(1);
    else if (change == "down") song->SetRankingState(2);
    const std::string_view apeRid = values.values[kApeRid];
    if (!apeRid.empty() && apeRid != "APE_0") {
        CNetResource* ape = new CNetResource;
        ape->SetRid(std::string(apeRid));
        ape->SetSign(Sign(values.Number(kApeNSig1), values.Number(kApeNSig2)));
        ape->SetFileSize(values.Number(kApeSize));
        ape->SetFormat(kFormatApe);
        song->SetAPE(ape);
    }
    song->SetPlaySource(playSource);
    song->SetPartLyric(info.strPartLyric);
    return song.release();
}

}  // namespace

CNetSongInfo* RecordToSong(const Record& record, SearchResult& result, const std::string& picServer,
                           const std::string& playSource) {
    RecordValues values;
    for (const auto& field : record) values.Add(field.first, field.second, result, picServer);
    return SongFromValues(values, playSource);
}

// Reads the records in place, as SplitRecords and RecordToSong would, without copying each line.
CNetSongList* ParsePage(const std::string& page, SearchResult& result, const std::string& picServer) {
    std::unique_ptr<CNetSongList> list(new CNetSongList);
    list->SetBaseImageUrl(result.param.strImgUrl);
    const std::string_view text(page);
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n\r\n", start);
        if (end == std::string_view::npos) break;
        RecordValues values;
        size_t line = start;
        while (line < end) {
            size_t next = text.find('\n', line);
            if (next == std::string_view::npos || next > end) next = end;
            const std::string_view row = text.substr(line, next - line);
            const size_t eq = row.find('=');
            if (eq != std::string_view::npos) {
                std::string_view value = row.substr(eq + 1);
                if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
                values.Add(row.substr(0, eq), value, result, picServer);
            }
            line = next + 1;
        }
        if (CNetSongInfo* song = SongFromValues(values, result.param.strKey2)) list->AddSongInfo(song, -1);
        start = end + 4;
    }
    return list.release();
}

void ParseTipReply(const std::string& text, SearchResult& result) {
    size_t line = 0;
    while (line < text.size()) {
        size_t next = text.find('\n', line);
        if (next == std::string::npos) next = text.size();
        const std::string row = text.substr(line, next - line);
        line = next + 1;
        const size_t eq = row.find('=');
        if (eq == std::string::npos) continue;
        std::string name = row.substr(0, eq);
        std::string value = row.substr(eq + 1);
        if (!value.empty() && value.back() == '\r') value.pop_back();
        StringUtility::Str2Lower(name);
        if (name == "relword") {
            TipWord word;
            word.strWord = value;
            result.tipWords.push_back(word);
        } else if (name == "snum") {
            if (!result.tipWords.empty()) result.tipWords.back().strSNum = value;
        } else if (name == "rnum") {
            if (!result.tipWords.empty()) result.tipWords.back().strRNum = value;
        } else if (name == "hitnum") {
            result.nTipTotal = static_cast<int>(std::strtoll(value.c_str(), nullptr, 10));
        }
    }
}

}  // namespace SearchReply

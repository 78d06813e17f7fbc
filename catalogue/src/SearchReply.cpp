#include "SearchReply.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

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

const char* const kSongNames[] = {
    "songname", "artist", "album", "tag", "filesize", "score", "nsig1", "nsig2", "hdnsig1", "hdnsig2",
    "iskalaok", "mvprovider", "musicrid", "mvrid", "mp3rid", "mp3nsig1", "mp3nsig2", "mp3size",
    "musicinfopage", "artistinfopage", "albumpage", "activitypage", "tiebapage", "lrc", "picrid",
    "hasring", "mkvrid", "mkvnsig1", "mkvnsig2", "hasecho", "bitrate", "playcnt", "releasetime", "isnew",
    "isrecommend", "aperid", "apensig1", "apensig2", "apesize", "mp3bitrate", "change", "mkvsize",
};

std::string* ResultField(SearchResult& result, const std::string& name) {
    if (name == "sig1") return &result.strSig1;
    if (name == "sig2") return &result.strSig2;
    if (name == "hitall") return &result.strHitAll;
    if (name == "hitsongname") return &result.strHitSongName;
    if (name == "hitartist") return &result.strHitArtist;
    if (name == "hitalbum") return &result.strHitAlbum;
    if (name == "hitlyrics") return &result.strHitLyrics;
    if (name == "mshow") return &result.strMShow;
    if (name == "hitmode") return &result.strHitMode;
    if (name == "tagsrc") return &result.strTagSrc;
    if (name == "artistname") return &result.strArtistName;
    if (name == "albumname") return &result.strAlbumName;
    if (name == "suggestion") return &result.strSuggestion;
    if (name == "artistpic") return &result.strArtistPic;
    return nullptr;
}

bool IsSongName(const std::string& name) {
    for (const char* known : kSongNames) {
        if (name == known) return true;
    }
    return false;
}

uint32_t Number(const std::map<std::string, std::string>& values, const char* name) {
    auto it = values.find(name);
    if (it == values.end()) return 0;
    return static_cast<uint32_t>(std::strtoll(it->second.c_str(), nullptr, 10));
}

std::string Text(const std::map<std::string, std::string>& values, const char* name) {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

bool Flag(const std::map<std::string, std::string>& values, const char* name) {
    return Text(values, name) == "1";
}

}  // namespace

CNetSongInfo* RecordToSong(const Record& record, SearchResult& result, const std::string& picServer,
                           const std::string& playSource) {
    std::map<std::string, std::string> values;
    values["mkvrid"] = "MKV_0";
    bool known = false;
    for (const auto& field : record) {
        if (std::string* text = ResultField(result, field.first)) {
            *text = field.first == "artistpic" ? picServer + field.second : field.second;
            known = true;
        } else if (IsSongName(field.first)) {
            values[field.first] = field.second;
            known = true;
        }
    }
    if (!known) return nullptr;

    SONG_INFO info;
    info.strName = Text(values, "songname");
    info.strArtist = Text(values, "artist");
    info.nSig1 = Number(values, "nsig1");
    info.nSig2 = Number(values, "nsig2");
    if (info.strName.empty() || info.strArtist.empty() || (info.nSig1 == 0 && info.nSig2 == 0)) return nullptr;
    info.strAlbum = Text(values, "album");
    info.strTag = Text(values, "tag");
    info.nFileSize = Number(values, "filesize");
    info.nScore = Number(values, "score");
    info.nHdSig1 = Number(values, "hdnsig1");
    info.nHdSig2 = Number(values, "hdnsig2");
    info.strMusicRid = Text(values, "musicrid");
    info.strMvProvider = Text(values, "mvprovider");
    info.strMp3Rid = Text(values, "mp3rid");
    info.nMp3Sig1 = Number(values, "mp3nsig1");
    info.nMp3Sig2 = Number(values, "mp3nsig2");
    info.nMp3Size = Number(values, "mp3size");
    info.nMp3Bitrate = Number(values, "mp3bitrate");
    info.bHasRing = Flag(values, "hasring");
    info.strMusicInfoPage = Text(values, "musicinfopage");
    info.strArtistInfoPage = Text(values, "artistinfopage");
    info.strAlbumPage = Text(values, "albumpage");
    info.strActivityPage = Text(values, "activitypage");
    info.strTiebaPage = Text(values, "tiebapage");
    info.nBitrate = Number(values, "bitrate");
    info.nPlayCount = Number(values, "playcnt");
    info.nReleaseTime = Number(values, "releasetime");
    info.bIsNew = Flag(values, "isnew");
    info.bIsRecommend = Flag(values, "isrecommend");
    info.strPartLyric = Text(values, "lrc");
    info.strPicRid = Text(values, "picrid");
    const std::string mkvRid = Text(values, "mkvrid");
    const uint32_t mkvSig1 = Number(values, "mkvnsig1");
    const uint32_t mkvSig2 = Number(values, "mkvnsig2");
    if (mkvRid != "MKV_0" && mkvSig1 != 0 && mkvSig2 != 0) {
        info.strMkvRid = mkvRid;
        info.nMkvSig1 = mkvSig1;
        info.nMkvSig2 = mkvSig2;
        info.bHasEcho = Flag(values, "hasecho");
    } else {
        info.strMvRid = Text(values, "mvrid");
    }
    if (!info.strMusicRid.empty()) info.strFormat = "wma";
    else if (!info.strMp3Rid.empty()) info.strFormat = "mp3";
    info.nType = (!info.strMkvRid.empty() || !info.strMvRid.empty()) ? 1 : 0;

    std::unique_ptr<CNetSongInfo> song(new CNetSongInfo);
    song->LoadFromOldSongInfo(info);
    const std::string change = Text(values, "change");
    if (change == "equal") song->SetRankingState(0);
    else if (change == "up") song->SetRankingState(1);
    else if (change == "down") song->SetRankingState(2);
    const std::string apeRid = Text(values, "aperid");
    if (!apeRid.empty() && apeRid != "APE_0") {
        CNetResource* ape = new CNetResource;
        ape->SetRid(apeRid);
        ape->SetSign(Sign(Number(values, "apensig1"), Number(values, "apensig2")));
        ape->SetFileSize(Number(values, "apesize"));
        ape->SetFormat(kFormatApe);
        song->SetAPE(ape);
    }
    song->SetPlaySource(playSource);
    song->SetPartLyric(info.strPartLyric);
    return song.release();
}

CNetSongList* ParsePage(const std::string& page, SearchResult& result, const std::string& picServer) {
    std::unique_ptr<CNetSongList> list(new CNetSongList);
    list->SetBaseImageUrl(result.param.strImgUrl);
    for (const Record& record : SplitRecords(page)) {
        if (CNetSongInfo* song = RecordToSong(record, result, picServer, result.param.strKey2)) {
            list->AddSongInfo(song, -1);
        }
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

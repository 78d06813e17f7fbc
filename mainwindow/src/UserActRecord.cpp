#include "UserActRecord.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "catalogue/SearchTypes.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace UserActRecord {
namespace {

// vsnprintf twice: the texts have no length limit of their own.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        vsnprintf(buf.data(), buf.size(), format, args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

std::string CutUserId(const std::string& userId) { return userId.substr(0, kMaxUserId); }

// A music video whose MKV file the servers never made carries "MKV_0" or a zero sign word;
// the legacy record then names the video by its plain rid.
bool HasUsableMkv(const SONG_INFO& info) {
    return !info.strMkvRid.empty() && info.strMkvRid != "MKV_0" && info.nMkvSig1 != 0 && info.nMkvSig2 != 0;
}

}  // namespace

std::string PlaySource(const CSongInfoBase& song) {
    if (CSongListBase* parent = song.GetParent()) return parent->GetFullShowName("->");
    return song.GetPlaySource();
}

std::string SearchPlaySource(int kind, const std::string& key) {
    return std::string(kProductDisplayName) + "->搜索->" + SearchKindName(kind) + "->" + key;
}

std::string PlayMusicText(const std::string& userId, const CSongInfoBase& song, bool watch) {
    SONG_INFO info;
    song.SaveToOldSongInfo(info);
    std::string rid;
    uint32_t s1 = 0, s2 = 0;
    if (watch) {
        if (HasUsableMkv(info)) {
            rid = info.strMkvRid;
            s1 = info.nMkvSig1;
            s2 = info.nMkvSig2;
        } else {
            rid = info.strMvRid;
        }
    } else if (info.strFormat == "mp3") {
        rid = info.strMp3Rid;
        s1 = info.nMp3Sig1;
        s2 = info.nMp3Sig2;
    } else {
        rid = info.strMusicRid;
        s1 = info.nSig1;
        s2 = info.nSig2;
    }
    int type = watch ? 2 : (info.nType ? 1 : 0);
    return Format("U:%s|N:%s|T:%d|NA:%s|AR:%s|AL:%s|F:%s|B:%d|D:%d|RID:%s|S1:%s|S2:%s|FV:%s|PF:%d|UI:%s|DT:%d|PSRC:%s|NOWPLAY:%s",
                  CutUserId(userId).c_str(), "", type, info.strName.c_str(), info.strArtist.c_str(),
                  info.strAlbum.c_str(), info.strFormat.c_str(), 0, static_cast<int>(info.nDuration), rid.c_str(),
                  std::to_string(s1).c_str(), std::to_string(s2).c_str(), "", 0, "", 0,
                  PlaySource(song).c_str(), "");
}

bool DownMusicText(const std::string& userId, const CSongInfoBase& song, int quality, std::string& text) {
    bool wma = quality == kQualityWma;
    const CNetResource* res = wma ? song.GetWMA() : song.GetMP3();
    if (!res) return false;
    text = Format("U:%s|N:%s|NA:%s|AR:%s|AL:%s|F:%s|RID:%s|S1:%u|S2:%u|PSRC:%s", CutUserId(userId).c_str(), "",
                  song.GetName().c_str(), song.GetArtist().c_str(), song.GetAlbum().c_str(), wma ? "wma" : "mp3",
                  res->GetRid().c_str(), static_cast<unsigned>(res->GetSign().a),
                  static_cast<unsigned>(res->GetSign().b), PlaySource(song).c_str());
    return true;
}

std::string PlayVideoText(const std::string& userId, const CSongInfoBase& song, int itemId) {
    return Format("U:%s|N:%s|NA:%s|SID:%d|PSRC:%s", CutUserId(userId).c_str(), "", song.GetName().c_str(), itemId,
                  PlaySource(song).c_str());
}

std::string PlayGameText(const std::string& userId, const CSongInfoBase& song) {
    return Format("U:%s|N:%s|NA:%s|PSRC:%s", CutUserId(userId).c_str(), "", song.GetName().c_str(),
                  PlaySource(song).c_str());
}

std::string ExitText(const std::string& userId, const std::string& from, int seconds) {
    return Format("U:%s|N:%s|SF:%s|T:%d", CutUserId(userId).c_str(), "", from.c_str(), seconds);
}

std::string VideoStartText(const std::string& url, int index) {
    return Format("URL:%s|IDX:%d", url.c_str(), index);
}

}  // namespace UserActRecord

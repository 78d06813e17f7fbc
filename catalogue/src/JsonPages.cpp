#include "JsonPages.h"

#include <cstdlib>
#include <vector>

#include "catalogue/SearchTypes.h"
#include "datadef/Resource.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/JsonText.h"
#include "vxlib/StringUtility.h"

namespace JsonPages {
namespace {

const size_t kParamParts = 13;

uint32_t Number(const Json::Value& object, const char* key) {
    return static_cast<uint32_t>(JsonText::GetInt64(object, key, 0));
}

uint32_t TextNumber(const std::string& text) {
    long long value = 0;
    return JsonText::ToInt64(Json::Value(text), value) ? static_cast<uint32_t>(value) : 0;
}

const Json::Value* NonEmptyArray(const Json::Value& page, const char* key) {
    const Json::Value* value = JsonText::Member(page, key);
    return value && value->isArray() && value->size() > 0 ? value : nullptr;
}

// Null unless the rid is given and both sign words are non-zero.
CNetResource* MakeResource(const std::vector<std::string>& parts, size_t first, uint32_t format) {
    Sign sign(TextNumber(parts[first + 1]), TextNumber(parts[first + 2]));
    if (parts[first].empty() || sign.a == 0 || sign.b == 0) return nullptr;
    CNetResource* res = new CNetResource();
    res->SetRid(parts[first]);
    res->SetSign(sign);
    res->SetFormat(format);
    return res;
}

CNetSongInfo* MakeSong(const Json::Value& item) {
    std::string artist = JsonText::GetText(item, "artist");
    std::string name = JsonText::GetText(item, "name");
    std::string param = JsonText::GetText(item, "param");
    if (artist.empty() || name.empty() || param.empty()) return nullptr;
    std::vector<std::string> parts;
    if (StringUtility::Tokenize(param, ";", parts) < static_cast<int>(kParamParts)) return nullptr;

    CNetSongInfo* song = new CNetSongInfo();
    song->SetArtist(artist);
    song->SetName(name);
    song->SetId(Number(item, "id"));
    song->SetImage(JsonText::GetText(item, "pic"));
    if (CNetResource* wma = MakeResource(parts, 3, kFormatWma)) {
        wma->SetFileSize(Number(item, "wmasize"));
        song->SetWMA(wma);
    }
    if (CNetResource* mp3 = MakeResource(parts, 6, kFormatMp3)) {
        mp3->SetFileSize(Number(item, "mp3size"));
        song->SetMP3(mp3);
    }
    if (CNetResource* mkv = MakeResource(parts, 9, kFormatMkv)) {
        if (parts[12] == "1") mkv->SetKalaOk(1);
        song->SetMKV(mkv);
    }
    return song;
}

void AddSongs(CSongListBase* list, const Json::Value* items) {
    if (!items || !items->isArray()) return;
    for (Json::ArrayIndex i = 0; i < items->size(); ++i) {
        if (CNetSongInfo* song = MakeSong((*items)[i])) list->AddSongInfo(song);
    }
}

CNetSongList* MakeAlbum(const Json::Value& item) {
    if (!item.isObject()) return nullptr;
    CNetSongList* album = new CNetSongList();
    album->GetSingerInfo().strArtist = JsonText::GetText(item, "artist");
    album->SetId(Number(item, "id"));
    std::string name = JsonText::GetText(item, "name");
    album->SetName(name);
    album->SetShowName(name);
    album->SetImage(JsonText::GetText(item, "pic"));
    album->SetLanguage(JsonText::GetText(item, "lang"));
    album->SetScore(JsonText::GetText(item, "score"));
    album->SetListType(kListRecentSongs);  // type 5 marks an album inside an album list
    AddSongs(album, JsonText::Member(item, "musiclist"));
    return album;
}

CNetSongInfo* MakeVideo(const Json::Value& item) {
    if (!item.isObject()) return nullptr;
    CNetSongInfo* video = new CNetSongInfo();
    video->SetArtist(JsonText::GetText(item, "act"));
    video->SetId(Number(item, "id"));
    video->SetName(JsonText::GetText(item, "name"));
    video->SetImage(JsonText::GetText(item, "pic"));
    std::string url;
    const Json::Value* sources = JsonText::Member(item, "src");
    if (sources && sources->isArray()) {
        for (Json::ArrayIndex i = 0; i < sources->size(); ++i) {
            const Json::Value& src = (*sources)[i];
            std::string address = JsonText::GetText(src, "url");
            if (address.empty()) continue;
            url += address + "#w=" + JsonText::GetText(src, "w") + "#h=" + JsonText::GetText(src, "h") +
                   "#id=" + JsonText::GetText(src, "id") + "|";
        }
    }
    video->SetUrl(url);
    return video;
}

CNetSongInfo* MakeGame(const Json::Value& item) {
    if (!item.isObject()) return nullptr;
    CNetSongInfo* game = new CNetSongInfo();
    game->SetId(Number(item, "id"));
    game->SetName(JsonText::GetText(item, "name"));
    game->SetImage(JsonText::GetText(item, "pic"));
    game->SetUrl(JsonText::GetText(item, "playlink"));
    return game;
}

}  // namespace

CNetSongList* ParsePage(const std::string& json, const std::string& requestAddress, std::string& total,
                        JsonPageInfo& info) {
    Json::Value page;
    if (!JsonText::Parse(json, page, nullptr, false) || !page.isObject()) return nullptr;
    info.pn = JsonText::GetInt64(page, "pn", 0);
    info.total = JsonText::GetInt64(page, "total", 0);
    info.ret = JsonText::GetInt64(page, "return", 0);

    CNetSongList* list = new CNetSongList();
    if (const Json::Value* songs = NonEmptyArray(page, "mvlist")) {
        list->SetListType(kListJsonSongs);
        AddSongs(list, songs);
    } else if (const Json::Value* albums = NonEmptyArray(page, "albumlist")) {
        list->SetListType(kListAlbum);
        for (Json::ArrayIndex i = 0; i < albums->size(); ++i) {
            if (CNetSongList* album = MakeAlbum((*albums)[i])) list->AddChild(album);
        }
    } else {
        std::string type = JsonText::GetText(page, "type");
        const Json::Value* items = JsonText::Member(page, "list");
        bool videos = true;
        if (type == "video") {
            list->SetListType(kListVideo);
        } else if (type == "drama") {
            list->SetListType(kListDrama);
        } else if (type == "searchres") {
            list->SetListType(kListVideoSearch);
            list->SetUrl(requestAddress);
        } else if (type == "videorecent") {
            list->SetListType(kListRecentVideos);
            list->SetUrl(requestAddress);
        } else if (type == "game") {
            list->SetListType(kListGame);
            videos = false;
        } else {
            items = nullptr;
        }
        if (type == "video" || type == "searchres" || type == "videorecent") total = JsonText::GetText(page, "total");
        if (items && items->isArray()) {
            for (Json::ArrayIndex i = 0; i < items->size(); ++i) {
                CNetSongInfo* song = videos ? MakeVideo((*items)[i]) : MakeGame((*items)[i]);
                if (song) list->AddSongInfo(song);
            }
        }
    }
    list->GetJson().push_back(json);
    return list;
}

FollowingPages Following(const JsonPageInfo& info) {
    FollowingPages pages;
    if (info.total < 1 || info.ret < 1) return pages;
    const long long count = info.total / info.ret + (info.total % info.ret ? 1 : 0);
    // Nothing follows; this also keeps pn + 1 from overflowing.
    if (info.pn >= count) return pages;
    pages.first = info.pn < 0 ? 0 : info.pn + 1;
    pages.last = count;
    // Without the "+ 1" of the page count: a first page of 0 and a count of LLONG_MAX would overflow.
    if (count - pages.first > kMaxListPages - 2) {
        pages.last = pages.first + kMaxListPages - 2;
        pages.cut = true;
    }
    return pages;
}

}  // namespace JsonPages

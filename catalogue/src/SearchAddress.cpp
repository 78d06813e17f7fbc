#include "SearchAddress.h"

#include <cstdlib>
#include <cstring>

#include "datadef/SongList.h"
#include "vxlib/Charset.h"
#include "vxlib/StringUtility.h"
#include "vxlib/UrlEncode.h"

namespace SearchAddress {

const char kRandomKey[] = "quorlin_rand";

std::string EncodeAddress(const std::string& address) {
    static const char kHex[] = "0123456789ABCDEF";
    static const char kUnsafe[] = " \"<>\\^`{|}";
    const std::string utf8 = Charset::StringToUTF8(address);
    std::string out;
    out.reserve(utf8.size());
    for (unsigned char c : utf8) {
        if (c < 0x21 || c >= 0x7F || std::strchr(kUnsafe, c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Build(const SearchParam& param, const Servers& servers) {
    if (param.nType == kSearchLocalList || param.nType == kSearchWebList) return param.strKey;
    const std::string key = param.strKey.substr(0, kMaxKeyBytes);
    if (param.nType == kSearchTips) return servers.tip + UrlEncode::EncodeQuery(key);
    if (param.nType == kSearchVideo) {
        // The key is encoded on its own so that an "&" or "#" in it stays inside the value.
        return EncodeAddress(servers.videoSearch + "/vdisk.web?t=search&rn=60&ft=tv&client=kt") +
               "&all=" + UrlEncode::EncodeQuery(Charset::StringToUTF8(key)) + "&pn=" +
               std::to_string(param.nPage);
    }
    const char* field = "all";
    if (param.nType == kSearchAlbum) field = "album";
    else if (param.nType == kSearchLyrics) field = "lrccontent";
    else if (param.nType == kSearchArtist) field = "artist";
    return servers.search + "/r.s?client=kt&" + field + "=" +
           (param.nType == kSearchRandom ? std::string(kRandomKey) : UrlEncode::EncodeQuery(key)) +
           "&pn=0&rn=1000&ft=music&newsearch=1&result=zip&cluster=0&ver=" + servers.version + "&primitive=0";
}

namespace {

bool StartsWithHttp(const std::string& text) {
    return text.compare(0, 7, "http://") == 0;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    if (text.size() < n) return false;
    std::string end = text.substr(text.size() - n);
    return StringUtility::Str2Lower(end) == tail;
}

}  // namespace

int PageFromUrl(const std::string& url) {
    size_t at = url.find("&pn=");
    if (at == std::string::npos) at = url.find("?pn=");
    if (at == std::string::npos) return 0;
    at += 4;
    const size_t end = url.find('&', at);
    const std::string number = url.substr(at, end == std::string::npos ? std::string::npos : end - at);
    return static_cast<int>(std::strtol(number.c_str(), nullptr, 10));
}

int ListRequest(CNetSongList* list, int page, SearchParam& out) {
    if (!list) return -1;
    std::string address = list->GetUrl();
    std::string image = list->GetBaseImageUrl();
    for (CSongListBase* up = list->GetParent(); up; up = up->GetParent()) {
        auto* parent = dynamic_cast<CNetSongList*>(up);
        if (!parent) break;
        if (image.empty()) image = parent->GetBaseImageUrl();
        if (StartsWithHttp(address)) continue;
        std::string base = parent->GetBaseUrl();
        if (base.empty()) continue;
        if (base.back() != '/') base += '/';
        address = base + address;
    }

    out.nPage = page;
    const uint32_t type = list->GetListType();
    if (list->GetName() == kRecentSongsListName) {
        out.nType = kSearchLocalList;
        out.strKey = list->GetName();
    } else if (type == kListVideo || type == kListDrama || type == kListRecentVideos) {
        out.nType = kSearchWebList;
        if (list->GetUrl().empty()) {
            if (!address.empty() && address.back() == '/') address.pop_back();
            list->SetUrl(EncodeAddress(address) + "&tag=" +
                         UrlEncode::EncodeQuery(Charset::StringToUTF8(list->GetName())) + "&pn=0&rn=60");
        }
        out.strKey = list->GetUrl();
        if (list->GetName() == kRecentVideosListName) {
            out.strKey = list->GetName();
            out.nPage = PageFromUrl(list->GetUrl());
        }
    } else if (address.size() >= 4 && EndsWithNoCase(address, "qrb")) {
        out.nType = kSearchLocalList;
        out.strKey = address;
    } else if (EndsWithNoCase(address, "js")) {
        out.nType = kSearchWebList;
        out.strKey = address;
    } else {
        return -1;
    }
    out.strImgUrl = image;
    return out.nType;
}

}  // namespace SearchAddress

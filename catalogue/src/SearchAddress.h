#pragma once
#include <string>

#include "catalogue/SearchTypes.h"

// Request addresses of the search engine and of opened lists. Portable; safe from any thread.
namespace SearchAddress {

const size_t kMaxKeyBytes = 100;
extern const char kRandomKey[];         // "quorlin_rand"

// The servers and figures a request address is built from ("Netsong" values and the version).
struct Servers {
    std::string search;       // "SearchServer"
    std::string tip;          // "TipServer", ends with "w="
    std::string videoSearch;  // base address of the video search server
    std::string version;      // "config"/"version"
};

// Percent-encodes the bytes that cannot stand in an address (non-ASCII, controls, blanks and
// "\"<>\\^`{|}"), keeping its delimiters, after converting it from the system code page to UTF-8.
std::string EncodeAddress(const std::string& address);

// The address a request of any kind fetches (kinds 3 and 4: the key itself).
std::string Build(const SearchParam& param, const Servers& servers);

// Turns a clicked list into a request (key, kind, image url, page); the kind, or -1 when the list
// cannot be opened. A video list without url gets its completed address stored as its url.
int ListRequest(CNetSongList* list, int page, SearchParam& out);

// The decimal number after "&pn=" (else "?pn=") up to the next "&"; 0 when neither is there.
int PageFromUrl(const std::string& url);

}  // namespace SearchAddress

#pragma once
#include <cstddef>
#include <string>

// The ranking data directory (Dir::GetVxPath(PATH_RANKING)) is refreshed by two processes, the
// catalogue library in the user's program and the service: the names both must write alike, the
// singer data's categories and the letter rule they share. Constants only; safe from any thread.
namespace RankingStore {

// Inside the data directory, which ends with a backslash.
const char kRootFile[] = "root0920.pl";
const char kArchiveFile[] = "BangDan.zip";
const char kUnpackDir[] = "res\\";
const char kSingerFile[] = "singer.pl";

// Where the archive lives on the download server (config/ServerAddress.h, kServerDownload).
const char kArchivePath[] = "/pdeck_data/dataset/VPan/Tree.zip";
const int kDownloadAttempts = 3;
const int kReadPart = 512;

// The time of the last refresh, seconds since 1970, in the configuration store.
const char kConfigSection[] = "BangDan";
const char kConfigLastUpdate[] = "LastUpdateTime";

// Named kernel objects, created with a null DACL (vxlib/SharedObjectsWin.h) so that the service
// and the user's programs open the same ones. Whoever copies into the data directory or loads
// from it holds the mutex; the event exists while one side refreshes.
const wchar_t kMutexName[] = L"Global\\VixoMelodiskBangdanMutex_20110427";
const wchar_t kFinishEventName[] = L"Global\\VixoMelodiskBangdanFinishEvent_20110427";

// Singer categories: the key is the district text followed by the sex text of a singer element;
// the stem names the files. The service writes the first six, the catalogue all twelve.
struct SingerCategory {
    const char* key;
    const char* stem;
};
const SingerCategory kSingerCategories[] = {
    {"港台男", "gangtainan"}, {"港台女", "gangtainv"}, {"港台组合", "gangtaizuhe"},
    {"大陆男", "dalunan"},    {"大陆女", "dalunv"},    {"大陆组合", "daluzuhe"},
    {"欧美男", "oumeinan"},   {"欧美女", "oumeinv"},   {"欧美组合", "oumeizuhe"},
    {"日韩男", "rihannan"},   {"日韩女", "rihannv"},   {"日韩组合", "rihanzuhe"},
};
const size_t kSingerCategoryCount = sizeof(kSingerCategories) / sizeof(kSingerCategories[0]);

// The attributes copied from a singer element into every list, in this order.
const char* const kSingerAttrs[] = {"id", "n", "t", "img", "sex", "dis", "rank", "init", "c"};

// The letter list of a singer: 0 to 25 for an "init" beginning with a letter of either case,
// kOtherLetter for anything else or an empty "init".
const size_t kOtherLetter = 26;
inline size_t LetterOf(const std::string& init) {
    if (!init.empty()) {
        char c = init[0];
        if (c >= 'a' && c <= 'z') return static_cast<size_t>(c - 'a');
        if (c >= 'A' && c <= 'Z') return static_cast<size_t>(c - 'A');
    }
    return kOtherLetter;
}

}  // namespace RankingStore

#include "SingerLists.h"

#include <cstdio>

#include "vxlib/Dir.h"
#include "vxlib/RankingStore.h"
#include "vxlib/Xml.h"

namespace SingerLists {
namespace {

// The first six shared categories, with the titles the service gives their files.
const char* const kCategoryTitles[] = {"港台男歌手", "港台女歌手", "港台组合", "大陆男歌手", "大陆女歌手", "大陆组合"};
const size_t kCategories = sizeof(kCategoryTitles) / sizeof(kCategoryTitles[0]);
static_assert(kCategories <= RankingStore::kSingerCategoryCount, "the service's categories are shared ones");
const size_t kLetterFiles = 27;  // a to z, then other

struct ListFile {
    std::string name;
    Xml::XmlNode root{"pl"};
};

ListFile MakeList(const char* t, const std::string& n, const std::string& sn) {
    ListFile list;
    list.name = n + ".pl";
    list.root.SetAttr("t", t);
    list.root.SetAttr("n", n);
    list.root.SetAttr("sn", sn);
    return list;
}

void Append(ListFile& list, const Xml::XmlNode& singer) {
    Xml::XmlNode child = list.root.AppendChild("pl");
    for (const char* attr : RankingStore::kSingerAttrs) child.SetAttr(attr, singer.GetAttr(attr));
}

bool FileExists(const std::string& path) {
    std::FILE* file = Dir::OpenFile(path, "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

}  // namespace

Result Build(const std::string& dir, std::vector<std::string>& written) {
    Xml::XmlNode singers;
    const std::string singerPath = dir + RankingStore::kSingerFile;
    const bool loaded = singers.LoadFile(singerPath) && singers.IsValid();
    if (!loaded && FileExists(singerPath)) return kUnreadableSingers;

    std::vector<ListFile> lists;
    for (size_t c = 0; c < kCategories; ++c) {
        const char* stem = RankingStore::kSingerCategories[c].stem;
        lists.push_back(MakeList("8", stem, kCategoryTitles[c]));
    }
    for (size_t letter = 0; letter < kLetterFiles; ++letter) {
        if (letter == RankingStore::kOtherLetter) {
            lists.push_back(MakeList("1", "other", "#"));
        } else {
            lists.push_back(MakeList("1", std::string(1, static_cast<char>('a' + letter)),
                                     std::string(1, static_cast<char>('A' + letter))));
        }
    }

    if (loaded) {
        for (auto it = singers.ChildBegin(); it != singers.ChildEnd(); ++it) {
            const Xml::XmlNode& singer = *it;
            const std::string key = singer.GetAttr("dis") + singer.GetAttr("sex");
            for (size_t c = 0; c < kCategories; ++c) {
                if (key == RankingStore::kSingerCategories[c].key) {
                    Append(lists[c], singer);
                    break;
                }
            }
            Append(lists[kCategories + RankingStore::LetterOf(singer.GetAttr("init"))], singer);
        }
    }

    for (const ListFile& list : lists) {
        if (list.root.SaveFile(dir + list.name)) written.push_back(list.name);
    }
    return loaded ? kBuilt : kNoSingerFile;
}

}  // namespace SingerLists

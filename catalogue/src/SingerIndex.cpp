#include "SingerIndex.h"

#include "vxlib/RankingStore.h"
#include "vxlib/Xml.h"

namespace SingerIndex {
namespace {

using RankingStore::kSingerAttrs;

// The shared categories, then "all", which takes every singer.
const size_t kCategoryCount = RankingStore::kSingerCategoryCount + 1;
const size_t kAllCategory = kCategoryCount - 1;
const size_t kOtherList = RankingStore::kOtherLetter;
const size_t kPopularList = 27;
const size_t kSubLists = 28;
static_assert(RankingStore::kOtherLetter == 26, "letters a to z come before the other list");

const char* CategoryStem(size_t c) { return c == kAllCategory ? "all" : RankingStore::kSingerCategories[c].stem; }

struct SubList {
    std::string name;
    std::string showName;
    Xml::XmlNode root{"pl"};
    size_t count = 0;
};

struct CategoryLists {
    SubList lists[kSubLists];
};

std::string SubListName(const std::string& stem, size_t index) {
    if (index < 26) return stem + "_" + static_cast<char>('a' + index);
    if (index == kOtherList) return stem + "_other";
    return stem == "all" ? stem + "_temp" : stem + "_hot";
}

std::string SubListShowName(size_t index) {
    if (index < 26) return std::string(1, static_cast<char>('A' + index));
    if (index == kOtherList) return "#";
    return "热门";
}

void AddSinger(SubList& list, const Xml::XmlNode& singer) {
    Xml::XmlNode child = list.root.AppendChild("pl");
    for (const char* attr : kSingerAttrs) child.SetAttr(attr, singer.GetAttr(attr));
    ++list.count;
}

void Place(CategoryLists& category, const Xml::XmlNode& singer, const std::string& init) {
    AddSinger(category.lists[RankingStore::LetterOf(init)], singer);
    SubList& popular = category.lists[kPopularList];
    if (popular.count < kPopularCap) AddSinger(popular, singer);
}

bool WriteCategoryIndex(const std::string& dir, const std::string& stem, const CategoryLists& category,
                        std::vector<std::string>& written) {
    Xml::XmlNode root("pl");
    // The popular list comes first with its own id; letters and other follow from 3001.
    for (size_t step = 0; step < kSubLists; ++step) {
        size_t index = step == 0 ? kPopularList : step - 1;
        Xml::XmlNode child = root.AppendChild("pl");
        child.SetAttrNum("id", step == 0 ? 3000 : 3000 + static_cast<long long>(step));
        child.SetAttr("n", category.lists[index].name);
        child.SetAttr("t", "1");
        child.SetAttr("sn", category.lists[index].showName);
        child.SetAttr("ref", "local");
    }
    std::string file = stem + ".pl";
    if (!root.SaveFile(dir + file)) return false;
    written.push_back(file);
    return true;
}

}  // namespace

bool Build(const std::string& dir, std::vector<std::string>& written) {
    std::vector<CategoryLists> categories(kCategoryCount);
    bool ok = true;
    for (size_t c = 0; c < kCategoryCount; ++c) {
        for (size_t i = 0; i < kSubLists; ++i) {
            SubList& list = categories[c].lists[i];
            list.name = SubListName(CategoryStem(c), i);
            list.showName = SubListShowName(i);
            list.root.SetAttr("t", "1");
            list.root.SetAttr("n", list.name);
            list.root.SetAttr("sn", list.showName);
        }
        ok = WriteCategoryIndex(dir, CategoryStem(c), categories[c], written) && ok;
    }

    Xml::XmlNode singers;
    if (singers.LoadFile(dir + RankingStore::kSingerFile)) {
        for (auto it = singers.ChildBegin(); it != singers.ChildEnd(); ++it) {
            const Xml::XmlNode& singer = *it;
            std::string init = singer.GetAttr("init");
            Place(categories[kAllCategory], singer, init);
            std::string key = singer.GetAttr("dis") + singer.GetAttr("sex");
            for (size_t c = 0; c < kAllCategory; ++c) {
                if (key == RankingStore::kSingerCategories[c].key) {
                    Place(categories[c], singer, init);
                    break;
                }
            }
        }
    }

    for (auto& category : categories) {
        for (auto& list : category.lists) {
            std::string file = list.name + ".pl";
            if (list.root.SaveFile(dir + file)) {
                written.push_back(file);
            } else {
                ok = false;
            }
        }
    }
    return ok;
}

}  // namespace SingerIndex

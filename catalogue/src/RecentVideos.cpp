#include "RecentVideos.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "JsonNodes.h"
#include "vxlib/Dir.h"
#include "vxlib/JsonText.h"
#include "vxlib/Thread.h"

namespace {

const char kPagePrefix[] = "videoRP";
const char kPageSuffix[] = ".dat";
const char kIndexName[] = "VxVRPmap.dat";
const uint32_t kPageSize = 60;
const size_t kPathBytes = 260;
const size_t kRecordBytes = kPathBytes + 4;

// One lock for the whole library: the store is shared by the facade's and the request threads.
Thread::CBaseCrititalSection g_lock;

bool FileExists(const std::string& path) {
    std::FILE* file = Dir::OpenFile(path, "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

Json::Value NewPage() {
    Json::Value page(Json::objectValue);
    page["pn"] = 0;
    page["ptotal"] = 0;
    page["total"] = 0;
    page["type"] = "video";
    page["return"] = 0;
    page["list"] = Json::Value(Json::arrayValue);
    return page;
}

// A validated page read from its file.
bool ReadPageFile(const std::string& path, Json::Value& page) {
    std::string text;
    if (!Dir::ReadWholeFile(path, text)) return false;
    CJsonVideoPage node;
    if (!JsonText::Parse(text, node.Value(), nullptr, false) || !node.Validate()) return false;
    page = node.Value();
    if (!page["list"].isArray()) page["list"] = Json::Value(Json::arrayValue);
    return true;
}

bool WritePageFile(const std::string& path, const Json::Value& page) {
    std::string text = JsonText::Write(page, true, true);
    return !text.empty() && Dir::WriteWholeFile(path, text);
}

std::string ItemKey(const Json::Value& item) { return CJsonVideoItem(item).Key(); }

}  // namespace

struct CRecentVideos::State {
    struct Entry {
        std::string path;
        uint32_t count = 0;
        std::set<std::string> keys;
    };
    std::string folder;
    std::string indexPath;
    std::vector<Entry> entries;
    uint32_t total = 0;
    int openEntry = -1;  // the entry whose page is held in openPage
    Json::Value openPage;
    bool indexDirty = false;

    void Reset() {
        entries.clear();
        total = 0;
        openEntry = -1;
        openPage = Json::Value();
        indexDirty = false;
    }

    static void CollectKeys(const Json::Value& page, std::set<std::string>& keys) {
        keys.clear();
        const Json::Value& list = page["list"];
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) keys.insert(ItemKey(list[i]));
    }

    bool WriteIndex() {
        std::string data;
        data.reserve(entries.size() * kRecordBytes);
        for (const Entry& entry : entries) {
            std::string record(kRecordBytes, '\0');
            std::memcpy(&record[0], entry.path.data(), entry.path.size() < kPathBytes ? entry.path.size() : kPathBytes - 1);
            for (int i = 0; i < 4; ++i) record[kPathBytes + i] = static_cast<char>((entry.count >> (8 * i)) & 0xFF);
            data += record;
        }
        bool ok = Dir::WriteWholeFile(indexPath, data);
        if (ok) indexDirty = false;
        return ok;
    }

    void Load() {
        Reset();
        std::string data;
        if (!Dir::ReadWholeFile(indexPath, data)) return;
        for (size_t offset = 0; offset + kRecordBytes <= data.size(); offset += kRecordBytes) {
            const char* record = data.data() + offset;
            Entry entry;
            entry.path.assign(record, strnlen(record, kPathBytes - 1));
            const unsigned char* count = reinterpret_cast<const unsigned char*>(record + kPathBytes);
            entry.count = count[0] | (count[1] << 8) | (count[2] << 16) | (static_cast<uint32_t>(count[3]) << 24);
            Json::Value page;
            // A page that cannot be read or trusted is dropped from the index: keeping its count
            // would announce items that no page can deliver.
            if (entry.count > kPageSize || !ReadPageFile(entry.path, page) || page["list"].size() > kPageSize) {
                indexDirty = true;
                continue;
            }
            uint32_t actual = page["list"].size();
            if (actual != entry.count) indexDirty = true;
            entry.count = actual;
            CollectKeys(page, entry.keys);
            total += entry.count;
            entries.push_back(std::move(entry));
        }
    }

    void RemoveKey(const std::string& key) {
        for (size_t e = 0; e < entries.size(); ++e) {
            Entry& entry = entries[e];
            if (!entry.keys.count(key)) continue;
            Json::Value page;
            if (!ReadPageFile(entry.path, page)) continue;
            Json::Value kept(Json::arrayValue);
            const Json::Value& list = page["list"];
            for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
                if (ItemKey(list[i]) != key) kept.append(list[i]);
            }
            uint32_t removed = list.size() - kept.size();
            page["list"] = kept;
            if (!WritePageFile(entry.path, page)) continue;
            entry.count = entry.count > removed ? entry.count - removed : 0;
            total = total > removed ? total - removed : 0;
            indexDirty = true;
            CollectKeys(page, entry.keys);
            if (openEntry == static_cast<int>(e)) openEntry = -1;
        }
        if (indexDirty) WriteIndex();
    }

    std::string NewPagePath() const {
        for (size_t n = entries.size();; ++n) {
            std::string path = folder + "\\" + kPagePrefix + std::to_string(n) + kPageSuffix;
            if (!FileExists(path)) return path;
        }
    }

    // The entry to fill, with its page in openPage; a new entry is appended when needed.
    int PageToFill(bool& created) {
        created = false;
        if (openEntry >= 0 && openPage["list"].size() < kPageSize) return openEntry;
        if (!entries.empty() && entries.back().count < kPageSize) {
            int last = static_cast<int>(entries.size()) - 1;
            if (ReadPageFile(entries[last].path, openPage) && openPage["list"].size() < kPageSize) {
                openEntry = last;
                return openEntry;
            }
        }
        Entry entry;
        entry.path = NewPagePath();
        entries.push_back(entry);
        openPage = NewPage();
        openEntry = static_cast<int>(entries.size()) - 1;
        created = true;
        return openEntry;
    }

    int Add(const Json::Value& source) {
        std::string key = ItemKey(source);
        RemoveKey(key);
        bool created = false;
        int e = PageToFill(created);
        Json::Value item = source;
        item["type"] = JsonText::Member(item, "total") && JsonText::Member(item, "freshto") ? "drama" : "video";
        if (!JsonText::Member(item, "channel")) item["channel"] = "";
        openPage["list"].append(item);
        if (!WritePageFile(entries[e].path, openPage)) {
            if (created) entries.pop_back();
            openEntry = -1;  // reread from its file next time
            openPage = Json::Value();
            return 0;
        }
        entries[e].keys.insert(key);
        ++entries[e].count;
        ++total;
        indexDirty = true;
        WriteIndex();
        return 1;
    }
};

CRecentVideos::CRecentVideos() : m_state(new State()) {}

CRecentVideos::~CRecentVideos() { delete m_state; }

void CRecentVideos::Setup(const std::string& folder) {
    Thread::CAutoCrititalSection lock(g_lock);
    m_state->folder = folder;
    while (!m_state->folder.empty() && (m_state->folder.back() == '\\' || m_state->folder.back() == '/')) {
        m_state->folder.pop_back();
    }
    m_state->indexPath = m_state->folder + "\\" + kIndexName;
    m_state->Load();
}

int CRecentVideos::Add(const std::string& jsonPage, int videoId) {
    CJsonVideoPage page;
    if (!JsonText::Parse(jsonPage, page.Value(), nullptr, false) || !page.Validate()) return 0;
    const Json::Value* list = JsonText::Member(page.Value(), "list");
    if (!list) return 0;
    for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
        const Json::Value& item = (*list)[i];
        long long id = 0;
        const Json::Value* idValue = JsonText::Member(item, "id");
        if (idValue && JsonText::ToInt64(*idValue, id) && id == videoId) {
            Thread::CAutoCrititalSection lock(g_lock);
            return m_state->Add(item);
        }
    }
    return 0;
}

int CRecentVideos::Clear() {
    Thread::CAutoCrititalSection lock(g_lock);
    for (const State::Entry& entry : m_state->entries) Dir::RemoveFile(entry.path);
    m_state->Reset();
    return m_state->WriteIndex() ? 1 : 0;
}

bool CRecentVideos::ReadPage(int page, std::string& json) {
    Thread::CAutoCrititalSection lock(g_lock);
    Json::Value out(Json::objectValue);
    Json::Value items(Json::arrayValue);
    uint32_t total = m_state->total;
    uint32_t pageCount = (total + kPageSize - 1) / kPageSize;
    if (total > 0) {
        if (page < 0 || static_cast<uint32_t>(page) >= pageCount) return false;
        // Newest first; items that cannot be read are skipped, so the window moves past them.
        uint64_t skip = static_cast<uint64_t>(page) * kPageSize;
        for (auto entry = m_state->entries.rbegin(); entry != m_state->entries.rend() && items.size() < kPageSize;
             ++entry) {
            Json::Value file;
            if (!ReadPageFile(entry->path, file)) continue;
            const Json::Value& list = file["list"];
            for (Json::ArrayIndex i = list.size(); i > 0 && items.size() < kPageSize; --i) {
                if (skip > 0) {
                    --skip;
                    continue;
                }
                items.append(list[i - 1]);
            }
        }
        out["pn"] = page;
    } else {
        out["pn"] = 0;
    }
    out["ptotal"] = pageCount;
    out["total"] = total;
    out["return"] = items.size();
    out["type"] = "videorecent";
    out["key"] = "";
    out["list"] = items;
    json = JsonText::Write(out, true, true);
    return !json.empty();
}

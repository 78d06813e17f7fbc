#include "SearchHistory.h"

#include <cstring>

#include "http/VxHttpRequestMgr.h"
#include "vxlib/StringUtility.h"
#ifdef _WIN32
#include "log/VxMdLog.h"
#endif

namespace SearchHistoryRecord {

std::string Encode(int kind, const std::string& key, const std::string& key2) {
    std::string record(kRecordSize, '\0');
    uint32_t value = static_cast<uint32_t>(kind);
    for (int i = 0; i < 4; ++i) record[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    StringUtility::CopyToBuffer(&record[4], kKeyBytes, key);
    StringUtility::CopyToBuffer(&record[4 + kKeyBytes], kKeyBytes, key2);
    return record;
}

void Decode(const char* record, int& kind, std::string& key, std::string& key2) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record);
    kind = static_cast<int>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
    // Stored text never fills its field; a damaged record is cut at the field's end anyway.
    key.assign(record + 4, strnlen(record + 4, kKeyBytes - 1));
    key2.assign(record + 4 + kKeyBytes, strnlen(record + 4 + kKeyBytes, kKeyBytes - 1));
}

}  // namespace SearchHistoryRecord

namespace {
const char kGroup[] = "VX_SEARCH_SONG";
const char kItem[] = "quorlin_history";
const size_t kMaxBeforeTrim = 60;
const size_t kTrimCount = 20;
}  // namespace

IVxFileCache* CSearchHistory::Cache() const {
#ifdef _WIN32
    return m_cache ? m_cache : AfxGetFileCache();
#else
    return m_cache;
#endif
}

void CSearchHistory::Load() {
    m_entries.clear();
    IVxFileCache* cache = Cache();
    std::string data;
    if (!cache || !cache->ReadItem(kGroup, kItem, data)) return;
    if (data.size() % SearchHistoryRecord::kRecordSize != 0) {
        cache->DeleteItem(kGroup, kItem);
#ifdef _WIN32
        VxMdLog::Log("NetSongLib.txt", VxMdLog::LEVEL_DEBUG, "_LoadHistory", "history package size error");
#endif
        return;
    }
    for (size_t offset = 0; offset < data.size(); offset += SearchHistoryRecord::kRecordSize) {
        Entry entry;
        SearchHistoryRecord::Decode(data.data() + offset, entry.kind, entry.key, entry.key2);
        m_entries.push_back(entry);
    }
}

void CSearchHistory::Add(const SearchParam& param) {
    if (param.nType != kSearchKeyword) return;
    std::string trimmed = param.strKey;
    StringUtility::Trim(trimmed);
    // The stored form decides equality, so a long key matches its own earlier copy.
    Entry entry;
    SearchHistoryRecord::Decode(SearchHistoryRecord::Encode(param.nType, trimmed, param.strKey2).data(), entry.kind,
                                entry.key, entry.key2);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        it = it->key == entry.key ? m_entries.erase(it) : it + 1;
    }
    if (m_entries.size() > kMaxBeforeTrim) m_entries.erase(m_entries.begin(), m_entries.begin() + kTrimCount);
    m_entries.push_back(entry);
    Store();
}

void CSearchHistory::Store() {
    IVxFileCache* cache = Cache();
    if (!cache) return;
    std::string data;
    data.reserve(m_entries.size() * SearchHistoryRecord::kRecordSize);
    for (const Entry& entry : m_entries) data += SearchHistoryRecord::Encode(entry.kind, entry.key, entry.key2);
    cache->WriteItem(kGroup, kItem, data.data(), static_cast<int>(data.size()), 1);
}

void CSearchHistory::List(int count, std::vector<SearchParam>& out) const {
    if (count <= 0) return;
    int added = 0;
    for (auto it = m_entries.rbegin(); it != m_entries.rend() && added < count; ++it) {
        bool seen = false;
        for (const SearchParam& param : out) {
            if (param.strKey == it->key) {
                seen = true;
                break;
            }
        }
        if (seen) continue;
        SearchParam param;
        param.nType = it->kind;
        param.strKey = it->key;
        param.strKey2 = it->key2;
        out.push_back(param);
        ++added;
    }
}

int CSearchHistory::Clear() {
    IVxFileCache* cache = Cache();
    int deleted = cache ? cache->DeleteItem(kGroup, kItem) : -1;
    Load();
    return deleted == 0 ? 1 : 0;
}

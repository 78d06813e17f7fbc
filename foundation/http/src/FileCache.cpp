#include "FileCache.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CacheFs.h"

namespace {

const char kMagic[4] = {'V', 'X', 'C', '1'};
const char kEntryExt[] = ".vxc";
const char kTmpExt[] = ".tmp";
const uint32_t kFlagPinned = 1;
const uint32_t kMaxNameLength = 65536;

uint64_t Fnv1a(const std::string& text) {
    uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

std::string Hex16(uint64_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = digits[v & 15];
    return s;
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutI64(std::string& out, long long v) {
    uint64_t u = static_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}
uint64_t GetLE(const unsigned char* p, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

std::string Header(const std::string& name, long long stored, long long size, bool pinned) {
    std::string h(kMagic, 4);
    PutU32(h, pinned ? kFlagPinned : 0);
    PutI64(h, stored);
    PutI64(h, size);
    PutU32(h, static_cast<uint32_t>(name.size()));
    return h + name;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

long long FileLength(std::FILE* f) {
    long pos = std::ftell(f);
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    long long len = std::ftell(f);
    std::fseek(f, pos, SEEK_SET);
    return len;
}

}  // namespace

CFileCache::~CFileCache() {
    for (auto& w : m_writers) {
        if (w.second->file) std::fclose(w.second->file);
        CacheFs::Remove(w.second->tmpPath);
    }
    for (auto& r : m_readers)
        if (r.second->file) std::fclose(r.second->file);
}

std::string CFileCache::EntryFileName(const std::string& name) { return Hex16(Fnv1a(name)) + kEntryExt; }

std::string CFileCache::GroupDir(const std::string& group) {
    std::string safe;
    for (char c : group) safe.push_back((isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') ? c : '_');
    // Names that had to be changed get a hash so that two groups never share a folder.
    if (safe != group || safe.empty()) safe += "_" + Hex16(Fnv1a(group)).substr(0, 8);
    return m_dir + CacheFs::kSep + safe;
}

std::string CFileCache::EntryPath(const std::string& group, const std::string& name) {
    std::lock_guard<std::mutex> lock(m_lock);
    return GroupDir(group) + CacheFs::kSep + EntryFileName(name);
}

int CFileCache::Init(int debug, const char* dir) {
    if (!dir || !*dir) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    m_debug = debug != 0;
    m_dir = dir;
    while (m_dir.size() > 1 && (m_dir.back() == '\\' || m_dir.back() == '/')) m_dir.pop_back();
    m_groups.clear();
    return CacheFs::MakeDirs(m_dir) ? 1 : 0;
}

std::FILE* CFileCache::OpenEntry(const std::string& path, const std::string& name, Entry* entry) {
    std::FILE* f = CacheFs::Open(path, "rb");
    if (!f) return nullptr;
    unsigned char head[28];
    bool ok = std::fread(head, 1, sizeof head, f) == sizeof head && std::memcmp(head, kMagic, 4) == 0;
    uint32_t nameLen = ok ? static_cast<uint32_t>(GetLE(head + 24, 4)) : 0;
    ok = ok && nameLen <= kMaxNameLength;
    std::string stored;
    if (ok) {
        stored.resize(nameLen);
        ok = nameLen == 0 || std::fread(&stored[0], 1, nameLen, f) == nameLen;
    }
    long long size = ok ? static_cast<long long>(GetLE(head + 16, 8)) : 0;
    // A length that disagrees with the header means damage: treat it as absent. The header's
    // length is compared with what follows the header, since adding to it may overflow.
    const long long headLength = static_cast<long long>(sizeof head) + nameLen;
    const long long fileLength = ok ? FileLength(f) : -1;
    bool whole = ok && size >= 0 && fileLength >= headLength && fileLength - headLength == size;
    if (!whole) {
        std::fclose(f);
        CacheFs::Remove(path);
        return nullptr;
    }
    if (!name.empty() && stored != name) {   // another name with the same hash
        std::fclose(f);
        return nullptr;
    }
    if (entry) {
        entry->name = stored;
        entry->pinned = (GetLE(head + 4, 4) & kFlagPinned) != 0;
        entry->stored = static_cast<long long>(GetLE(head + 8, 8));
        entry->size = size;
    }
    return f;
}

CFileCache::Group& CFileCache::LoadGroup(const std::string& group) {
    Group& g = m_groups[group];
    if (g.loaded) return g;
    g.loaded = true;
    std::string dir = GroupDir(group);
    for (const std::string& file : CacheFs::List(dir)) {
        std::string path = dir + CacheFs::kSep + file;
        if (EndsWith(file, kTmpExt)) {
            // Left by a write that never ended (a crash): it never became an entry.
            CacheFs::Remove(path);
        } else if (EndsWith(file, kEntryExt)) {
            Entry e;
            if (std::FILE* f = OpenEntry(path, std::string(), &e)) {
                std::fclose(f);
                e.seq = ++m_seq;
                g.entries[file] = e;
            }
        }
    }
    return g;
}

int CFileCache::ReadItem(const char* group, const char* name, std::string& data) {
    int h = OpenRead(group, name);
    if (!h) return 0;
    data.clear();
    std::vector<char> buf(65536);
    for (;;) {
        int n = static_cast<int>(buf.size());
        if (!ReadPart(h, buf.data(), &n)) {
            CloseRead(h);
            data.clear();
            return 0;
        }
        if (n == 0) break;
        data.append(buf.data(), static_cast<size_t>(n));
    }
    CloseRead(h);
    return 1;
}

int CFileCache::WriteItem(const char* group, const char* name, const char* data, int length, int pinned) {
    if (length < 0 || (length > 0 && !data)) return 0;
    int h = BeginWrite(group, name);
    if (!h) return 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_writers[h]->pinned = pinned != 0;
    }
    if (!AppendWrite(h, data, length)) {
        AbortWrite(h);
        return 0;
    }
    return CommitWrite(h);
}

int CFileCache::GetItemInfo(const char* group, const char* name, long long* size, long long* stored) {
    if (!group || !name) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_dir.empty()) return 0;
    Group& g = LoadGroup(group);
    auto it = g.entries.find(EntryFileName(name));
    if (it == g.entries.end() || it->second.name != name) return 0;
    if (size) *size = it->second.size;
    if (stored) *stored = it->second.stored;
    return 1;
}

int CFileCache::BeginWrite(const char* group, const char* name) {
    if (!group || !name || !*group) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_dir.empty()) return 0;
    std::string dir = GroupDir(group);
    if (!CacheFs::MakeDirs(dir)) return 0;
    LoadGroup(group);
    auto w = std::make_shared<Writer>();
    int handle = m_nextHandle++;
    w->group = group;
    w->name = name;
    w->tmpPath = dir + CacheFs::kSep + EntryFileName(name) + "." + std::to_string(handle) + kTmpExt;
    w->file = CacheFs::Open(w->tmpPath, "wb");
    if (!w->file) return 0;
    // The header's length is written at commit; until then the file cannot pass for an entry.
    std::string head = Header(w->name, 0, 0, false);
    if (std::fwrite(head.data(), 1, head.size(), w->file) != head.size()) w->failed = true;
    m_writers[handle] = w;
    return handle;
}

int CFileCache::AppendWrite(int writeHandle, const char* data, int length) {
    if (length < 0 || (length > 0 && !data)) return 0;
    std::shared_ptr<Writer> w;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_writers.find(writeHandle);
        if (it == m_writers.end()) return 0;
        w = it->second;
    }
    std::lock_guard<std::mutex> lock(w->lock);
    if (w->failed || !w->file) return 0;
    if (length > 0 && std::fwrite(data, 1, static_cast<size_t>(length), w->file) != static_cast<size_t>(length)) {
        w->failed = true;
        return 0;
    }
    w->size += length;
    return 1;
}

int CFileCache::CommitWrite(int writeHandle) {
    std::shared_ptr<Writer> w;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_writers.find(writeHandle);
        if (it == m_writers.end()) return 0;
        w = it->second;
        m_writers.erase(it);
    }
    return Commit(w);
}

int CFileCache::Commit(const std::shared_ptr<Writer>& w) {
    std::lock_guard<std::mutex> wl(w->lock);
    long long now = CacheFs::Now();
    bool ok = !w->failed && w->file;
    if (ok) {
        std::string head = Header(w->name, now, w->size, w->pinned);
        ok = std::fseek(w->file, 0, SEEK_SET) == 0 && std::fwrite(head.data(), 1, head.size(), w->file) == head.size();
        ok = std::fflush(w->file) == 0 && ok;
    }
    if (w->file && std::fclose(w->file) != 0) ok = false;
    w->file = nullptr;
    std::lock_guard<std::mutex> lock(m_lock);
    std::string file = EntryFileName(w->name);
    std::string path = GroupDir(w->group) + CacheFs::kSep + file;
    if (!ok || !CacheFs::Replace(w->tmpPath, path)) {
        CacheFs::Remove(w->tmpPath);
        return 0;
    }
    Group& g = LoadGroup(w->group);
    Entry& e = g.entries[file];
    e.name = w->name;
    e.stored = now;
    e.size = w->size;
    e.pinned = w->pinned;
    e.seq = ++m_seq;
    Trim(w->group, g);
    return 1;
}

void CFileCache::AbortWrite(int writeHandle) {
    std::shared_ptr<Writer> w;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_writers.find(writeHandle);
        if (it == m_writers.end()) return;
        w = it->second;
        m_writers.erase(it);
    }
    std::lock_guard<std::mutex> wl(w->lock);
    if (w->file) std::fclose(w->file);
    w->file = nullptr;
    CacheFs::Remove(w->tmpPath);
}

void CFileCache::Trim(const std::string& group, Group& g) {
    long long now = CacheFs::Now();
    std::string dir = GroupDir(group);
    std::vector<std::pair<std::pair<long long, long long>, std::string>> order;   // oldest first
    long long bytes = 0;
    int count = 0;
    for (auto it = g.entries.begin(); it != g.entries.end();) {
        const Entry& e = it->second;
        // The stored time is the header's, any value: compared with, not subtracted from, now.
        if (!e.pinned && g.maxAge > 0 && e.stored < now - g.maxAge && CacheFs::Remove(dir + CacheFs::kSep + it->first)) {
            it = g.entries.erase(it);
            continue;
        }
        bytes += e.size;
        ++count;
        if (!e.pinned) order.push_back({{e.stored, e.seq}, it->first});
        ++it;
    }
    std::sort(order.begin(), order.end());
    for (const auto& o : order) {
        bool over = (g.maxCount > 0 && count > g.maxCount) || (g.maxBytes > 0 && bytes > g.maxBytes);
        if (!over) break;
        if (!CacheFs::Remove(dir + CacheFs::kSep + o.second)) continue;
        bytes -= g.entries[o.second].size;
        --count;
        g.entries.erase(o.second);
    }
}

int CFileCache::OpenRead(const char* group, const char* name) {
    if (!group || !name) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_dir.empty()) return 0;
    Group& g = LoadGroup(group);
    std::string file = EntryFileName(name);
    Entry e;
    std::FILE* f = OpenEntry(GroupDir(group) + CacheFs::kSep + file, name, &e);
    if (!f) {
        auto it = g.entries.find(file);
        if (it != g.entries.end() && it->second.name == name) g.entries.erase(it);
        return 0;
    }
    e.seq = g.entries[file].seq;
    g.entries[file] = e;
    auto r = std::make_shared<Reader>();
    r->file = f;
    r->left = e.size;
    int handle = m_nextHandle++;
    m_readers[handle] = r;
    return handle;
}

int CFileCache::ReadPart(int readHandle, char* buffer, int* length) {
    if (!length || *length < 0 || (!buffer && *length > 0)) return 0;
    std::shared_ptr<Reader> r;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_readers.find(readHandle);
        if (it == m_readers.end()) return 0;
        r = it->second;
    }
    std::lock_guard<std::mutex> rl(r->lock);
    size_t want = static_cast<size_t>(std::min<long long>(*length, r->left));
    size_t got = want ? std::fread(buffer, 1, want, r->file) : 0;
    r->left -= static_cast<long long>(got);
    *length = static_cast<int>(got);
    return got == want ? 1 : 0;
}

void CFileCache::CloseRead(int readHandle) {
    std::shared_ptr<Reader> r;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_readers.find(readHandle);
        if (it == m_readers.end()) return;
        r = it->second;
        m_readers.erase(it);
    }
    std::lock_guard<std::mutex> rl(r->lock);
    if (r->file) std::fclose(r->file);
    r->file = nullptr;
}

int CFileCache::SetGroupLimits(const char* group, long long maxAge, int maxCount, long long maxBytes) {
    if (!group || !*group) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    Group& g = m_groups[group];
    g.maxAge = std::max(0LL, maxAge);
    g.maxCount = std::max(0, maxCount);
    g.maxBytes = std::max(0LL, maxBytes);
    return 1;
}

int CFileCache::DeleteItem(const char* group, const char* name) {
    if (!group || !name) return -1;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_dir.empty()) return -1;
    Group& g = LoadGroup(group);
    std::string file = EntryFileName(name);
    std::string path = GroupDir(group) + CacheFs::kSep + file;
    Entry e;
    std::FILE* f = OpenEntry(path, name, &e);
    if (!f) return 0;   // no copy of this name (another name with the same hash stays)
    std::fclose(f);
    if (!CacheFs::Remove(path)) return -1;
    g.entries.erase(file);
    return 0;
}

int CFileCache::ClearGroup(const char* group) {
    if (!group) return -1;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_dir.empty()) return -1;
    Group& g = LoadGroup(group);
    std::string dir = GroupDir(group);
    int left = 0;
    for (auto it = g.entries.begin(); it != g.entries.end();) {
        if (CacheFs::Remove(dir + CacheFs::kSep + it->first)) {
            it = g.entries.erase(it);
        } else {
            ++left;
            ++it;
        }
    }
    return left ? -1 : 0;
}

#include "vxlib/Zip.h"

#include <cstring>
#include <limits>

#include <zlib.h>

#include "ZipReader.h"

namespace {

// minizip reads the archive through these callbacks; the "path" it opens is the MemoryFile itself.
struct MemoryFile {
    const unsigned char* data;
    ZPOS64_T size;
    ZPOS64_T position;
};

voidpf ZCALLBACK MemOpen(voidpf, const void* path, int) { return const_cast<void*>(path); }

uLong ZCALLBACK MemRead(voidpf, voidpf stream, void* buf, uLong size) {
    MemoryFile* file = static_cast<MemoryFile*>(stream);
    ZPOS64_T left = file->position < file->size ? file->size - file->position : 0;
    if (size > left) size = static_cast<uLong>(left);
    if (size) std::memcpy(buf, file->data + file->position, size);
    file->position += size;
    return size;
}

uLong ZCALLBACK MemWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK MemTell(voidpf, voidpf stream) { return static_cast<MemoryFile*>(stream)->position; }

long ZCALLBACK MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    MemoryFile* file = static_cast<MemoryFile*>(stream);
    ZPOS64_T base;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = file->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = file->size; break;
    default: return -1;
    }
    if (offset > file->size || base > file->size - offset) return -1;
    file->position = base + offset;
    return 0;
}

int ZCALLBACK MemClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemError(voidpf, voidpf) { return 0; }

class MemorySink : public IZipSink {
public:
    explicit MemorySink(std::vector<std::pair<std::string, std::string>>& files) : m_files(files) {}
    bool MakeFolder(const std::string&) override { return true; }
    bool BeginFile(const std::string& relative) override {
        m_files.emplace_back(relative, std::string());
        return true;
    }
    bool WriteFile(const void* data, size_t size) override {
        m_files.back().second.append(static_cast<const char*>(data), size);
        return true;
    }
    bool EndFile(bool complete) override {
        if (!complete) m_files.pop_back();
        return true;
    }

private:
    std::vector<std::pair<std::string, std::string>>& m_files;
};

}  // namespace

namespace Memzip {

bool UnCompress(unsigned char* dest, unsigned long* destLen, const unsigned char* src, unsigned long srcLen) {
    if (!destLen || (!dest && *destLen) || (!src && srcLen)) return false;
    if (srcLen > std::numeric_limits<uInt>::max()) return false;
    uInt capacity = *destLen > std::numeric_limits<uInt>::max() ? std::numeric_limits<uInt>::max()
                                                                : static_cast<uInt>(*destLen);
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    // 15 + 32: a zlib or a gzip header, told apart by zlib.
    if (inflateInit2(&stream, 15 + 32) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(src);
    stream.avail_in = static_cast<uInt>(srcLen);
    stream.next_out = dest;
    stream.avail_out = capacity;
    int rc = inflate(&stream, Z_FINISH);
    unsigned long written = stream.total_out;
    inflateEnd(&stream);
    if (rc != Z_STREAM_END) return false;
    *destLen = written;
    return true;
}

bool Compress(const void* src, size_t srcLen, std::string& out) {
    out.clear();
    if (!src && srcLen) return false;
    if (srcLen > std::numeric_limits<uLong>::max() / 2) return false;
    try {
        uLongf capacity = compressBound(static_cast<uLong>(srcLen));
        std::string buffer(capacity, '\0');
        if (compress(reinterpret_cast<Bytef*>(&buffer[0]), &capacity, static_cast<const Bytef*>(src),
                     static_cast<uLong>(srcLen)) != Z_OK)
            return false;
        buffer.resize(capacity);
        out.swap(buffer);
        return true;
    } catch (...) {
        return false;
    }
}

bool UnCompress(const void* zipData, size_t zipSize, std::vector<std::pair<std::string, std::string>>& files,
                bool strict, unsigned long long maxEntrySize) {
    files.clear();
    if (!zipData || !zipSize) return false;
    try {
        MemoryFile file = {static_cast<const unsigned char*>(zipData), zipSize, 0};
        zlib_filefunc64_def functions;
        functions.zopen64_file = MemOpen;
        functions.zread_file = MemRead;
        functions.zwrite_file = MemWrite;
        functions.ztell64_file = MemTell;
        functions.zseek64_file = MemSeek;
        functions.zclose_file = MemClose;
        functions.zerror_file = MemError;
        functions.opaque = nullptr;
        ShortReadGuard guard(functions);
        zlib_filefunc64_def guarded = guard.Functions();
        unzFile zip = unzOpen2_64(&file, &guarded);
        if (!zip) return false;
        MemorySink sink(files);
        bool ok = UnpackZip(zip, sink, strict, maxEntrySize);
        unzClose(zip);
        if (!ok) files.clear();
        return ok;
    } catch (...) {
        files.clear();
        return false;
    }
}

}  // namespace Memzip

#include "ZipReader.h"

#include <set>
#include <vector>

#include "vxlib/Zip.h"
#ifdef _WIN32
#include "vxlib/Charset.h"
#endif

namespace {

const unsigned long kUtf8NameFlag = 0x800;
const unsigned long kEncryptedFlag = 0x1;

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

// Names without the UTF-8 flag are in the code page of the machine that made the archive; ours
// are made on Chinese systems, so the system code page is the best guess.
bool DecodeName(const std::string& raw, bool utf8, std::string& out) {
    if (utf8 || IsAscii(raw)) {
        out = raw;
        return true;
    }
#ifdef _WIN32
    std::wstring wide = Charset::String2WString(raw);
    if (wide.empty()) return false;
    out = Charset::UnicodeToUTF8(wide);
#else
    out = raw;
#endif
    return true;
}

enum class Entry { kDone, kFailed };

Entry UnpackFile(unzFile zip, IZipSink& sink, const std::string& relative,
                 const unz_file_info64& info, unsigned long long maxEntrySize) {
    if (info.uncompressed_size > maxEntrySize) return Entry::kFailed;
    if (unzOpenCurrentFile(zip) != UNZ_OK) return Entry::kFailed;
    if (!sink.BeginFile(relative)) {
        unzCloseCurrentFile(zip);
        return Entry::kFailed;
    }
    std::vector<char> buffer(64 * 1024);
    unsigned long long total = 0;
    bool ok = true;
    for (;;) {
        int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n == 0) break;
        if (n < 0) { ok = false; break; }
        total += static_cast<unsigned>(n);
        if (total > maxEntrySize || !sink.WriteFile(buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    // The CRC is checked only when the whole entry was read; a stream that ends early is damaged too.
    if (unzCloseCurrentFile(zip) != UNZ_OK) ok = false;
    if (ok && total != info.uncompressed_size) ok = false;
    if (!sink.EndFile(ok)) ok = false;
    return ok ? Entry::kDone : Entry::kFailed;
}

}  // namespace

zlib_filefunc64_def ShortReadGuard::Functions() {
    zlib_filefunc64_def functions;
    functions.zopen64_file = Open;
    functions.zread_file = Read;
    functions.zwrite_file = Write;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = Error;
    functions.opaque = this;
    return functions;
}

voidpf ZCALLBACK ShortReadGuard::Open(voidpf opaque, const void* path, int mode) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    return self->m_inner.zopen64_file(self->m_inner.opaque, path, mode);
}

uLong ZCALLBACK ShortReadGuard::Read(voidpf opaque, voidpf stream, void* buf, uLong size) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    uLong n = self->m_inner.zread_file(self->m_inner.opaque, stream, buf, size);
    if (n < size) self->m_shortRead = true;
    return n;
}

uLong ZCALLBACK ShortReadGuard::Write(voidpf opaque, voidpf stream, const void* buf, uLong size) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    return self->m_inner.zwrite_file(self->m_inner.opaque, stream, buf, size);
}

ZPOS64_T ZCALLBACK ShortReadGuard::Tell(voidpf opaque, voidpf stream) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    return self->m_inner.ztell64_file(self->m_inner.opaque, stream);
}

long ZCALLBACK ShortReadGuard::Seek(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    return self->m_inner.zseek64_file(self->m_inner.opaque, stream, offset, origin);
}

int ZCALLBACK ShortReadGuard::Close(voidpf opaque, voidpf stream) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    return self->m_inner.zclose_file(self->m_inner.opaque, stream);
}

int ZCALLBACK ShortReadGuard::Error(voidpf opaque, voidpf stream) {
    ShortReadGuard* self = static_cast<ShortReadGuard*>(opaque);
    return self->m_shortRead ? 1 : self->m_inner.zerror_file(self->m_inner.opaque, stream);
}

bool UnpackZip(unzFile zip, IZipSink& sink, bool strict, unsigned long long maxEntrySize) {
    if (!zip) return false;
    int err = unzGoToFirstFile(zip);
    if (err != UNZ_OK) return false;
    std::set<std::string> folders;
    size_t unpacked = 0;
    for (; err == UNZ_OK; err = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
        std::vector<char> nameBuffer(info.size_filename + 1);
        if (unzGetCurrentFileInfo64(zip, &info, nameBuffer.data(), static_cast<uLong>(nameBuffer.size()),
                                    nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        std::string raw(nameBuffer.data(), info.size_filename);
        std::string name, relative;
        bool isFolder = false;
        if ((info.flag & kEncryptedFlag) || !DecodeName(raw, (info.flag & kUtf8NameFlag) != 0, name) ||
            !Filezip::CheckEntryName(name, relative, isFolder) || !sink.Accept(relative)) {
            if (strict) return false;
            continue;
        }
        // Every folder on the way is reported once, before what it holds.
        for (size_t slash = relative.find('/'); ; slash = relative.find('/', slash + 1)) {
            std::string folder = slash == std::string::npos ? relative : relative.substr(0, slash);
            if (slash == std::string::npos && !isFolder) break;
            if (folders.insert(folder).second) {
                if (!sink.MakeFolder(folder)) return false;
                ++unpacked;
            }
            if (slash == std::string::npos) break;
        }
        if (isFolder) continue;
        if (UnpackFile(zip, sink, relative, info, maxEntrySize) != Entry::kDone) return false;
        ++unpacked;
    }
    return err == UNZ_END_OF_LIST_OF_FILE && unpacked > 0;
}

#pragma once
#include <string>

#include <unzip.h>

// The unpacking loop shared by file and memory archives: decodes and checks every entry name,
// enforces the size limit and hands folders and file data to a sink. Internal to VxLib.
class IZipSink {
public:
    virtual ~IZipSink() = default;
    // A further, target-specific refusal of a checked name ("/"-separated UTF-8).
    virtual bool Accept(const std::string& relative) { (void)relative; return true; }
    virtual bool MakeFolder(const std::string& relative) = 0;
    virtual bool BeginFile(const std::string& relative) = 0;
    virtual bool WriteFile(const void* data, size_t size) = 0;
    // `complete` is false when the entry failed part way; the sink drops what it wrote.
    virtual bool EndFile(bool complete) = 0;
};

// minizip takes a read cut short by the end of the file for zero bytes; this reports it as an error,
// so an archive cut anywhere fails. Wraps one opened archive at a time.
class ShortReadGuard {
public:
    explicit ShortReadGuard(const zlib_filefunc64_def& inner) : m_inner(inner) {}
    zlib_filefunc64_def Functions();

private:
    static voidpf ZCALLBACK Open(voidpf opaque, const void* path, int mode);
    static uLong ZCALLBACK Read(voidpf opaque, voidpf stream, void* buf, uLong size);
    static uLong ZCALLBACK Write(voidpf opaque, voidpf stream, const void* buf, uLong size);
    static ZPOS64_T ZCALLBACK Tell(voidpf opaque, voidpf stream);
    static long ZCALLBACK Seek(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin);
    static int ZCALLBACK Close(voidpf opaque, voidpf stream);
    static int ZCALLBACK Error(voidpf opaque, voidpf stream);

    zlib_filefunc64_def m_inner;
    bool m_shortRead = false;
};

// Walks every entry of `zip` (the caller closes it). True when at least one entry was unpacked and
// no entry failed; a refused name fails only when `strict`.
bool UnpackZip(unzFile zip, IZipSink& sink, bool strict, unsigned long long maxEntrySize);

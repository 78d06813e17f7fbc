#pragma once
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "vxlib/VxLibApi.h"

// Unpacking zip archives and zlib blocks. Safe from any thread; nothing throws.
//
// An archive entry is unpacked only when its name stays inside the target: names that climb out
// (".."), are absolute, carry a drive, UNC or "\\?\" prefix, a stream (":"), a character Windows
// forbids, a component ending in "." or " ", or a device name ("CON", "NUL", "COM1", "LPT1", ... also
// with an extension, any case) as any component, are refused. A single entry larger than
// kMaxEntrySize stops the whole unpacking (a zip bomb), as does any damaged data.
namespace Filezip {

const unsigned long long kMaxEntrySize = 512ULL * 1024 * 1024;

// Unpacks `zipFile` into `targetDir` (created when missing); both paths are narrow (system code
// page). `files` receives each unpacked name relative to the target, separated by "\", in the system
// code page: every folder (no trailing "\") before anything inside it, then the files, in archive
// order. Entry names are UTF-8 when the entry says so (flag 0x800), else the system code page.
//
// A refused entry (see above, or a name the system code page cannot hold, or a path of MAX_PATH or
// more) is skipped unless `strict`, which fails the whole archive on it. True when at least one
// entry was unpacked and nothing failed; on false `files` is empty and what was already written
// stays in the target, which the caller clears.
VXLIB_API bool UnCompress(const std::string& zipFile, const std::string& targetDir,
                          std::list<std::string>& files, bool strict);
VXLIB_API bool UnCompress(const std::string& zipFile, const std::string& targetDir,
                          std::vector<std::string>& files, bool strict);

// The entry-name rule above. `utf8Name` is the decoded name; on success `relative` is its
// components joined by "/" and `isDirectory` tells a trailing separator.
VXLIB_API bool CheckEntryName(const std::string& utf8Name, std::string& relative, bool& isDirectory);

}  // namespace Filezip

namespace Memzip {

// A zlib (or gzip) stream into `dest`, as zlib's uncompress: `*destLen` is the capacity in and the
// length written out. Fails on damaged or truncated data and when the result does not fit; never
// writes past dest + *destLen.
VXLIB_API bool UnCompress(unsigned char* dest, unsigned long* destLen, const unsigned char* src,
                          unsigned long srcLen);

// The zlib stream of `src` (default level) into `out`.
VXLIB_API bool Compress(const void* src, size_t srcLen, std::string& out);

// A zip archive held in memory: each file entry as (name, content), names UTF-8 and separated by
// "/", folders left out. The same refusal rules as Filezip::UnCompress (refused entries skipped,
// unless strict); entries above `maxEntrySize` stop it. True when at least one entry (a folder
// counts) was unpacked and nothing failed; on false `files` is empty.
VXLIB_API bool UnCompress(const void* zipData, size_t zipSize,
                          std::vector<std::pair<std::string, std::string>>& files, bool strict = false,
                          unsigned long long maxEntrySize = Filezip::kMaxEntrySize);

}  // namespace Memzip

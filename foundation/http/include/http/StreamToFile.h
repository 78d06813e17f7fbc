#pragma once
#include "http/VxHttpRequestMgr.h"

// A streamed GET written to a file, as the ranking archive is fetched by the catalogue library and
// by the service.
namespace VxHttp {

enum StreamResult {
    STREAM_DONE,         // at least one byte was written
    STREAM_OPEN_FAILED,  // no usable reply; *error holds a VxHttpError or the HTTP status
    STREAM_FILE_FAILED,  // the file could not be created; *error holds the system error
    STREAM_EMPTY,        // nothing was written: the file is deleted
    STREAM_STOPPED,      // *stop became non-zero: the file (if made) is deleted
};

// Opens a streamed GET of `url` through AfxGetHttpRequestMgr(), creates or replaces the file at
// `path` (narrow, system code page) and appends the reply in reads of at most `partSize` bytes until
// a read fails or yields nothing. `stop` (may be null) is looked at after the reply opened and before
// every read. A failed write ends the reading; what was written stays. `error` may be null.
// Call from any thread; blocks while the server is slow.
VXHTTP_API StreamResult StreamToFile(const char* url, const char* path, int partSize, const volatile long* stop,
                                     int* error);

}  // namespace VxHttp

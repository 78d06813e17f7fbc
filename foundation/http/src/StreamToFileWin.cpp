#include "http/StreamToFile.h"

#include <windows.h>

#include <vector>

#include "vxlib/Charset.h"
#include "vxlib/HandleWin.h"

namespace VxHttp {

StreamResult StreamToFile(const char* url, const char* path, int partSize, const volatile long* stop, int* error) {
    int dummy = 0;
    if (!error) error = &dummy;
    *error = VXHTTP_OK;
    auto stopped = [stop] { return stop && *stop != 0; };
    IVxHttpRequestMgr* requests = AfxGetHttpRequestMgr();
    if (!url || !path || partSize < 1) {
        *error = VXHTTP_ERR_ARGUMENT;
        return STREAM_OPEN_FAILED;
    }
    int handle = 0;
    if (!requests || !requests->OpenRequest(url, 0, "", &handle, error, 0)) return STREAM_OPEN_FAILED;
    if (stopped()) {
        requests->CloseRequest(handle);
        return STREAM_STOPPED;
    }
    const std::wstring widePath = Charset::String2WString(path);
    CHandle file(
        CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        *error = static_cast<int>(GetLastError());
        requests->CloseRequest(handle);
        return STREAM_FILE_FAILED;
    }
    std::vector<char> buffer(static_cast<size_t>(partSize));
    long long total = 0;
    bool halted = false;
    for (;;) {
        if (stopped()) {
            halted = true;
            break;
        }
        int length = partSize;
        if (!requests->ReadPart(handle, buffer.data(), &length, error) || length < 1) break;
        DWORD written = 0;
        if (!WriteFile(file.Get(), buffer.data(), static_cast<DWORD>(length), &written, nullptr) ||
            written != static_cast<DWORD>(length)) {
            *error = VXHTTP_ERR_FILE;
            break;
        }
        total += length;
    }
    requests->CloseRequest(handle);
    file.Reset();
    if (halted || total == 0) {
        DeleteFileW(widePath.c_str());
        return halted ? STREAM_STOPPED : STREAM_EMPTY;
    }
    return STREAM_DONE;
}

}  // namespace VxHttp

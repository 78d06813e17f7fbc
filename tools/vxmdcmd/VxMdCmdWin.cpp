// VxMdCmd.exe: writes one framed command to the service's command pipe (see README.md).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PipeMessage.h"
#include "vxlib/Dir.h"

namespace {

enum ExitCode { kWritten = 0, kUsage = 1, kNoPipe = 2, kWriteFailed = 3, kNoRawFile = 4 };

const DWORD kDefaultWaitMs = 10000;
const DWORD kRetryMs = 50;

int Usage() {
    std::fprintf(stderr,
                 "usage: VxMdCmd.exe <command id> [data] [--marker XXXX] [--wait MS]\n"
                 "       VxMdCmd.exe --raw-file FILE [--wait MS]\n"
                 "exit codes: 0 written, 1 usage, 2 pipe not available in time, 3 write failed,\n"
                 "            4 raw file unreadable\n");
    return kUsage;
}

// The pipe serves one client at a time: wait for it within the bound.
HANDLE OpenPipe(DWORD waitMs, DWORD& error) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE pipe = CreateFileA(kCommandPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        error = GetLastError();
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= waitMs) return INVALID_HANDLE_VALUE;
        if (error == ERROR_PIPE_BUSY) {
            WaitNamedPipeA(kCommandPipeName, waitMs - elapsed);
        } else if (error == ERROR_FILE_NOT_FOUND) {
            Sleep(kRetryMs);  // not created yet: the service may be starting
        } else {
            return INVALID_HANDLE_VALUE;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string positional[2];
    int positionalCount = 0;
    std::string marker = "VxMd";
    std::string rawFile;
    DWORD waitMs = kDefaultWaitMs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--marker" || arg == "--raw-file" || arg == "--wait") && i + 1 >= argc) return Usage();
        if (arg == "--marker") {
            marker = argv[++i];
            if (marker.size() != 4) return Usage();
        } else if (arg == "--raw-file") {
            rawFile = argv[++i];
        } else if (arg == "--wait") {
            waitMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (positionalCount < 2) {
            positional[positionalCount++] = arg;
        } else {
            return Usage();
        }
    }

    std::string frame;
    std::string what;
    if (!rawFile.empty()) {
        if (positionalCount != 0) return Usage();
        if (!Dir::ReadWholeFile(rawFile, frame)) {
            std::fprintf(stderr, "cannot read %s\n", rawFile.c_str());
            return kNoRawFile;
        }
        what = "raw bytes of " + rawFile;
    } else {
        if (positionalCount == 0) return Usage();
        char* end = nullptr;
        long id = std::strtol(positional[0].c_str(), &end, 10);
        if (positional[0].empty() || *end) return Usage();
        frame = EncodePipeFrame(MakePipePayload(static_cast<int32_t>(id), positional[1]), marker.data());
        what = "command " + std::to_string(id) + " with " + std::to_string(positional[1].size()) +
               " data bytes, marker \"" + marker + "\"";
    }

    DWORD error = 0;
    HANDLE pipe = OpenPipe(waitMs, error);
    if (pipe == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open %s within %lu ms: error %lu\n", kCommandPipeName, waitMs, error);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PIPE_BUSY || error == ERROR_SEM_TIMEOUT ? kNoPipe
                                                                                                       : kWriteFailed;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(pipe, frame.data(), static_cast<DWORD>(frame.size()), &written, nullptr);
    error = GetLastError();
    CloseHandle(pipe);
    if (!ok || written != frame.size()) {
        std::fprintf(stderr, "write failed after %lu of %u bytes: error %lu\n", written,
                     static_cast<unsigned>(frame.size()), error);
        return kWriteFailed;
    }
    std::printf("wrote %u bytes (%s) to %s\n", static_cast<unsigned>(frame.size()), what.c_str(), kCommandPipeName);
    return kWritten;
}

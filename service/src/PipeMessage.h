#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "PipeCommand.h"

// The command pipe's frame, one client write (integers little-endian):
//   marker[4] | L int32 | D int32 | text[L] | marker reversed[4]
// text is the keyed Base64 of the payload, XORed with kPipeXorKey; the payload is
//   command id int32 | N int32 | N data bytes.
// Portable and stateless: safe from any thread.

const char kCommandPipeName[] = "\\\\.\\Pipe\\ViXoMdCommandPipe_20110427";
const size_t kMaxPipeMessage = 10240;  // one read of the pipe thread; larger writes are dropped
const size_t kPipeFrameOverhead = 16;
extern const char kPipeBase64Key[];    // "quorlin " (with the trailing space)
extern const char kPipeXorKey[];       // "quorlin"

enum class PipeFrameStatus {
    kOk,
    kTooShort,          // under 16 bytes
    kTooLong,           // over kMaxPipeMessage
    kBadMarker,         // the last four bytes are not the first four reversed
    kBadTextLength,     // L + 16 != size
    kBadText,           // not keyed Base64
    kBadDecodedLength,  // decoded length != D
    kShortPayload,      // no room for the command id and N
    kBadDataLength,     // N < 0, N > kMaxPipeData or N beyond the payload
};

// Short English name of a status for the log.
const char* PipeFrameStatusName(PipeFrameStatus status);

// Checks one message as read from the pipe; `out` is filled only on kOk.
PipeFrameStatus DecodePipeFrame(const void* bytes, size_t size, PipeCommand& out);

// The payload of a command: id, data length, data.
std::string MakePipePayload(int32_t id, const std::string& data);

// Frames any payload (D = its size) between `marker` (4 bytes) and its reverse.
std::string EncodePipeFrame(const std::string& payload, const char marker[4]);

#include "PipeMessage.h"

#include "vxlib/Base64.h"

const char kPipeBase64Key[] = "quorlin ";
const char kPipeXorKey[] = "quorlin";

namespace {

int32_t ReadInt32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void AppendInt32(std::string& out, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

const char* PipeFrameStatusName(PipeFrameStatus status) {
    switch (status) {
    case PipeFrameStatus::kOk: return "ok";
    case PipeFrameStatus::kTooShort: return "too short";
    case PipeFrameStatus::kTooLong: return "too long";
    case PipeFrameStatus::kBadMarker: return "bad marker";
    case PipeFrameStatus::kBadTextLength: return "bad text length";
    case PipeFrameStatus::kBadText: return "bad text";
    case PipeFrameStatus::kBadDecodedLength: return "bad decoded length";
    case PipeFrameStatus::kShortPayload: return "short payload";
    case PipeFrameStatus::kBadDataLength: return "bad data length";
    }
    return "?";
}

PipeFrameStatus DecodePipeFrame(const void* bytes, size_t size, PipeCommand& out) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    if (!p || size < kPipeFrameOverhead) return PipeFrameStatus::kTooShort;
    if (size > kMaxPipeMessage) return PipeFrameStatus::kTooLong;
    for (size_t i = 0; i < 4; ++i) {
        if (p[i] != p[size - 1 - i]) return PipeFrameStatus::kBadMarker;
    }
    const int64_t textLength = ReadInt32(p + 4);
    if (textLength + static_cast<int64_t>(kPipeFrameOverhead) != static_cast<int64_t>(size)) {
        return PipeFrameStatus::kBadTextLength;
    }
    const int32_t decodedLength = ReadInt32(p + 8);

    std::string text(reinterpret_cast<const char*>(p + 12), static_cast<size_t>(textLength));
    xor_buffer(&text[0], text.size(), kPipeXorKey);
    std::string payload;
    // A NUL inside the text cannot come from an encoder; strict decoding refuses it.
    if (Base64Decode(payload, text, kPipeBase64Key) < 0) return PipeFrameStatus::kBadText;
    if (static_cast<int64_t>(payload.size()) != decodedLength) return PipeFrameStatus::kBadDecodedLength;
    if (payload.size() < 8) return PipeFrameStatus::kShortPayload;

    const unsigned char* q = reinterpret_cast<const unsigned char*>(payload.data());
    const int32_t id = ReadInt32(q);
    const int32_t dataLength = ReadInt32(q + 4);
    if (dataLength < 0 || dataLength > kMaxPipeData || static_cast<size_t>(dataLength) > payload.size() - 8) {
        return PipeFrameStatus::kBadDataLength;
    }
    out.id = id;
    out.data.assign(payload.begin() + 8, payload.begin() + 8 + dataLength);
    return PipeFrameStatus::kOk;
}

std::string MakePipePayload(int32_t id, const std::string& data) {
    std::string payload;
    AppendInt32(payload, id);
    AppendInt32(payload, static_cast<int32_t>(data.size()));
    payload += data;
    return payload;
}

std::string EncodePipeFrame(const std::string& payload, const char marker[4]) {
    std::string text;
    Base64Encode(text, payload.data(), payload.size(), kPipeBase64Key);
    xor_buffer(&text[0], text.size(), kPipeXorKey);
    std::string frame(marker, 4);
    AppendInt32(frame, static_cast<int32_t>(text.size()));
    AppendInt32(frame, static_cast<int32_t>(payload.size()));
    frame += text;
    for (int i = 3; i >= 0; --i) frame += marker[i];
    return frame;
}

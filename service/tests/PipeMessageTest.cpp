#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PipeMessage.h"

namespace {

std::string Int32(int32_t v) {
    std::string s(4, '\0');
    std::memcpy(&s[0], &v, 4);  // the tests run on little-endian machines only
    return s;
}

std::string Payload(int32_t id, int32_t declaredLength, const std::string& data) {
    return Int32(id) + Int32(declaredLength) + data;
}

std::string Frame(const std::string& payload) { return EncodePipeFrame(payload, "VxMd"); }

std::string WithField(std::string frame, size_t offset, int32_t value) {
    frame.replace(offset, 4, Int32(value));
    return frame;
}

}  // namespace

TEST(PipeMessage, EveryCheckOfTheFrame) {
    const std::string valid = Frame(MakePipePayload(69, "abc"));
    std::string badMarkerLast = valid, badMarkerSecond = valid;
    badMarkerLast.back() ^= 1;
    badMarkerSecond[1] ^= 1;
    std::string extraByte = valid;
    extraByte.insert(extraByte.size() - 4, "A");
    std::string garbledText = valid;
    garbledText[12] = '!' ^ 'q';  // '!' once unscrambled
    const std::string tooLongForOneRead = Frame(MakePipePayload(69, std::string(kMaxPipeData, 'x')));

    const struct {
        const char* name;
        std::string frame;
        PipeFrameStatus status;
        int32_t id;
        std::string data;
    } cases[] = {
        {"valid", valid, PipeFrameStatus::kOk, 69, "abc"},
        {"no data", Frame(MakePipePayload(66, "")), PipeFrameStatus::kOk, 66, ""},
        {"unknown id decodes", Frame(MakePipePayload(65, "x")), PipeFrameStatus::kOk, 65, "x"},
        {"bytes beyond N ignored", Frame(Payload(70, 2, "ab|c")), PipeFrameStatus::kOk, 70, "ab"},
        {"binary data", Frame(MakePipePayload(70, std::string("\0|\xff", 3))), PipeFrameStatus::kOk, 70,
         std::string("\0|\xff", 3)},
        {"empty", "", PipeFrameStatus::kTooShort, 0, ""},
        {"15 bytes", valid.substr(0, 15), PipeFrameStatus::kTooShort, 0, ""},
        {"1 MiB", std::string(1 << 20, 'V'), PipeFrameStatus::kTooLong, 0, ""},
        {"10240 data bytes do not fit", tooLongForOneRead, PipeFrameStatus::kTooLong, 0, ""},
        {"last byte not the first", badMarkerLast, PipeFrameStatus::kBadMarker, 0, ""},
        {"second last not the second", badMarkerSecond, PipeFrameStatus::kBadMarker, 0, ""},
        {"L != size - 16", extraByte, PipeFrameStatus::kBadTextLength, 0, ""},
        {"L negative", WithField(valid, 4, -16), PipeFrameStatus::kBadTextLength, 0, ""},
        {"text not Base64", garbledText, PipeFrameStatus::kBadText, 0, ""},
        {"D one more", WithField(valid, 8, 12), PipeFrameStatus::kBadDecodedLength, 0, ""},
        {"D -1", WithField(valid, 8, -1), PipeFrameStatus::kBadDecodedLength, 0, ""},
        {"no room for N", Frame(Int32(69)), PipeFrameStatus::kShortPayload, 0, ""},
        {"N = 10241", Frame(Payload(69, kMaxPipeData + 1, "abc")), PipeFrameStatus::kBadDataLength, 0, ""},
        {"N = -1", Frame(Payload(69, -1, "abc")), PipeFrameStatus::kBadDataLength, 0, ""},
        {"N beyond the payload", Frame(Payload(69, 4, "abc")), PipeFrameStatus::kBadDataLength, 0, ""},
    };
    for (const auto& c : cases) {
        PipeCommand command;
        command.id = -7;
        EXPECT_EQ(c.status, DecodePipeFrame(c.frame.data(), c.frame.size(), command)) << c.name;
        if (c.status == PipeFrameStatus::kOk) {
            EXPECT_EQ(c.id, command.id) << c.name;
            EXPECT_EQ(c.data, std::string(command.data.begin(), command.data.end())) << c.name;
        } else {
            EXPECT_EQ(-7, command.id) << c.name;
        }
    }
}

// A frame computed independently (Python's base64 and the two XOR keys) pins the encoder, which a
// round trip through the decoder alone could not.
TEST(PipeMessage, EncoderMatchesAnIndependentFrame) {
    const std::string expected("VxMd\x10\x00\x00\x00\x0b\x00\x00\x00"
                               "\x3f\x3d\x39\x04\x0f\x04\x57\x01\x17\x06\x33\x3d\x2f\x19\x06\x48"
                               "dMxV",
                               32);
    EXPECT_EQ(expected, Frame(MakePipePayload(69, "abc")));
}

// Plain and keyed Base64 from the servers and the service pipe. Decoding is strict, so every text
// it accepts is the one encoding of what it decodes to; and everything encoded decodes back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vxlib/Base64.h"

namespace {

const char kKey[] = "quorlin ";

void Check(bool ok, const char* what, const std::string& input) {
    if (ok) return;
    std::fprintf(stderr, "%s (%zu bytes)\n", what, input.size());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string unbroken;
    for (char c : input) {
        if (c != '\r' && c != '\n') unbroken += c;
    }

    std::string decoded, encoded;
    if (Base64Decode(decoded, input) > 0) {
        Base64Encode(encoded, decoded.data(), decoded.size());
        Check(encoded == unbroken, "decoded text encodes differently", input);
    }
    if (Base64Decode(decoded, input, kKey) > 0) {
        Base64Encode(encoded, decoded.data(), decoded.size(), kKey);
        Check(encoded == unbroken, "keyed text encodes differently", input);
    }

    for (const std::string& key : {std::string(), std::string(kKey)}) {
        const int n = Base64Encode(encoded, input.data(), input.size(), key);
        Check(n == static_cast<int>(encoded.size()), "encoded length", input);
        Check(Base64Decode(decoded, encoded, key) == static_cast<int>(input.size()) && decoded == input,
              "encoded text decodes differently", input);
    }
    return 0;
}

// JSON text from outside (list pages, stored video pages) through the checked reader, the typed
// member reads, and the writer, whose text must read back as the same value: the recently played
// videos are written and read back that way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vxlib/JsonText.h"

namespace {

void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s:\n%s\n", what, text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Json::Value strict;
    JsonText::Parse(text, strict, nullptr, true);
    Json::Value value;
    std::string error;
    if (!JsonText::Parse(text, value, &error, false)) return 0;

    if (value.isObject()) {
        for (const std::string& name : value.getMemberNames()) {
            JsonText::GetText(value, name.c_str());
            JsonText::GetInt64(value, name.c_str());
        }
    }

    const std::string styled = JsonText::Write(value, true, true);
    Json::Value again;
    if (styled.empty() || !JsonText::Parse(styled, again, &error, false)) Fail("styled text does not read back", styled);
    if (!(again == value)) Fail("styled text reads back as another value", styled);
    const std::string escaped = JsonText::Write(value, false, false);
    if (escaped.empty() || !JsonText::Parse(escaped, again, &error, true)) Fail("escaped text does not read back", escaped);
    return 0;
}

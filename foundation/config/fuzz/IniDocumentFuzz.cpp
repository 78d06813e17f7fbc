// The configuration files (config.ini, user.ini), edited by hand or by the installer: read, the
// settings the programs read taken as numbers and flags, and written back. What is written must
// read back as the same settings, so a second round writes the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CIniDocument doc;
    doc.Parse(text);
    static const char* const kSettings[][2] = {
        {"Servers", "All"}, {"Netsong", "SearchServer"}, {"BangDan", "LastUpdateTime"}, {"config", "version"}, {"k", "k"}};
    for (const auto& setting : kSettings) {
        std::string value;
        if (!doc.Get(setting[0], setting[1], value)) continue;
        int number = 0;
        uint32_t unsignedNumber = 0;
        bool flag = false;
        CIniDocument::ParseInt(value, number);
        CIniDocument::ParseUInt32(value, unsignedNumber);
        CIniDocument::ParseBool(value, flag);
        doc.Set(setting[0], setting[1], value + " ");
    }

    const std::string written = doc.Serialize();
    CIniDocument again;
    again.Parse(written);
    const std::string rewritten = again.Serialize();
    if (rewritten != written) {
        std::fprintf(stderr, "written:\n%s\nwritten again:\n%s\n", written.c_str(), rewritten.c_str());
        std::abort();
    }
    return 0;
}

// The configuration server's answer to the update check: Base64 of an INI text whose "Update"
// section names the package, its version and hash. The bytes are read both as the reply and as
// the decoded answer (any text can come out of the decoding), then judged as the updater does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "UpdateCheck.h"

namespace {

// A separator or drive colon outside GBK double-byte characters (whose second byte may be '\\').
bool HasPathCharacter(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < name.size()) {
            ++i;
        } else if (c == '/' || c == '\\' || c == ':') {
            return true;
        }
    }
    return false;
}

void Judge(const std::string& ini) {
    VxMdUpdate::UpdateAnswer answer;
    if (!VxMdUpdate::ParseUpdateAnswer(ini, "http://download.example", answer)) return;
    if (answer.server.empty() || answer.fileName.empty() || answer.version.empty()) abort();
    VxMdUpdate::IsNewerVersion("1.0.0.1", answer.version);
    VxMdUpdate::IsNewerVersion(answer.version, "1.0.0.1");
    if (!VxMdUpdate::IsPlainPackageName(answer.fileName)) return;
    // A plain name stays inside the save folder.
    if (HasPathCharacter(answer.fileName) || answer.fileName == "..") abort();
    unsigned char digest[32];
    VxMdUpdate::ParseSha256Hex(answer.sha256, digest);
    VxMdUpdate::IsStartablePackage(answer.fileName);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string ini;
    if (VxMdUpdate::DecodeCheckReply(bytes, ini)) {
        if (ini.empty()) abort();
        Judge(ini);
    } else if (!ini.empty()) {
        abort();
    }
    Judge(bytes);
    return 0;
}

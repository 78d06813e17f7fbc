#include "UpdateCheck.h"

#include <cstdio>
#include <cstring>

#include "config/IniDocument.h"
#include "vxlib/Base64.h"
#include "vxlib/Dir.h"

namespace VxMdUpdate {

namespace {

const char kAnswerSection[] = "Update";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
    size_t n = std::strlen(tail);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

}  // namespace

std::string BuildCheckParam(const std::string& className, const std::string& curVersion,
                            const std::string& installSrc, const std::string& userId) {
    size_t underscore = className.rfind('_');
    std::string form = underscore == std::string::npos ? className : className.substr(underscore + 1);
    std::string version = curVersion, source = installSrc, kind = "update";
    if (form == "Playdeck") {
        // The player's server knows only this form of an old player's request.
        version = "MUSIC_4.0.0.0";
        source = "MUSIC_4.0.0.0.exe";
    } else if (form == "Melodisk") {
        kind = "CHECK_UPDATE";
    }
    std::string param = userId + ";" + version + "," + source + "," + kind;
    if (param.size() > kMaxCheckParamLength) param.resize(kMaxCheckParamLength);
    return param;
}

bool BuildCheckUrl(const std::string& baseUrl, const std::string& param, std::string& url) {
    std::string encoded;
    if (Base64Encode(encoded, param.data(), param.size(), kCheckKey) <= 0 || encoded.empty()) return false;
    url = baseUrl + "/uc/s?m=" + std::to_string(param.size()) + ";" + encoded;
    return true;
}

std::string VersionRun(const std::string& version) {
    size_t start = 0;
    while (start < version.size() && !IsDigit(version[start])) ++start;
    size_t end = start;
    while (end < version.size() && (IsDigit(version[end]) || version[end] == '.')) ++end;
    return version.substr(start, end - start);
}

bool IsNewerVersion(const std::string& curVersion, const std::string& latestVersion) {
    return VersionRun(curVersion).compare(VersionRun(latestVersion)) < 0;
}

bool DecodeCheckReply(const std::string& reply, std::string& ini) {
    ini.clear();
    if (reply.empty() || Base64Decode(ini, reply) <= 0 || ini.empty()) {
        ini.clear();
        return false;
    }
    return true;
}

bool ParseUpdateAnswer(const std::string& iniText, const std::string& defaultServer, UpdateAnswer& answer) {
    CIniDocument ini;
    ini.Parse(iniText);
    answer = UpdateAnswer();
    if (!ini.Get(kAnswerSection, "UpdateSvr", answer.server)) answer.server = defaultServer;
    ini.Get(kAnswerSection, "filename", answer.fileName);
    ini.Get(kAnswerSection, "version", answer.version);
    ini.Get(kAnswerSection, "sha256", answer.sha256);
    return !answer.server.empty() && !answer.fileName.empty() && !answer.version.empty();
}

bool ParseSha256Hex(const std::string& hex, unsigned char digest[32]) {
    if (hex.size() != 64) return false;
    for (size_t i = 0; i < 32; ++i) {
        int hi = HexValue(hex[2 * i]), lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        digest[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return true;
}

bool IsPlainPackageName(const std::string& fileName) {
    // A name the file-name rules leave as it is.
    return !fileName.empty() && Dir::SafeFileName(fileName, std::string()) == fileName;
}

bool IsStartablePackage(const std::string& fileName) {
    return EndsWithNoCase(fileName, ".exe") || EndsWithNoCase(fileName, ".msi");
}

int ProgressPercent(long long total, long long done) {
    if (total <= 0 || done < 0 || done >= total) return 0;
    // done < total keeps the quotient below 100; the division is done wide to avoid overflow.
    return static_cast<int>(static_cast<unsigned long long>(done) * 100ULL / static_cast<unsigned long long>(total));
}

}  // namespace VxMdUpdate

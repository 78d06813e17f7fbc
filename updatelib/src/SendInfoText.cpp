#include "SendInfoText.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

#include "vxlib/Base64.h"

namespace SendInfoText {

namespace {

std::string Cut(const std::string& value, size_t limit) {
    return value.size() > limit ? value.substr(0, limit) : value;
}

std::string TwoDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", value);
    return buf;
}

}  // namespace

std::string BuildRegisterText(const RegisterValues& v) {
    std::string text = "id=" + Cut(v.id, kMaxRegisterValue) + "&mac=" + Cut(v.mac, kMaxRegisterValue) +
                       "&hd=" + Cut(v.hd, kMaxRegisterValue) + "&vmac=" + Cut(v.vmac, kMaxRegisterValue) +
                       "&ver=" + Cut(v.version, kMaxRegisterValue) + "&src=" + Cut(v.src, kMaxRegisterValue);
    return Cut(text, kMaxRegisterText);
}

std::string ParseRegisterReply(const char* data, size_t length) {
    std::string id;
    if (!data) return id;
    size_t i = 0;
    while (i < length && data[i] != '=') ++i;
    for (++i; i < length && id.size() < kMaxUserId && data[i] >= '0' && data[i] <= '9'; ++i) id += data[i];
    return id;
}

bool IsPositiveNumber(const std::string& text) {
    if (text.empty()) return false;
    bool nonZero = false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (c != '0') nonZero = true;
    }
    return nonZero;
}

std::string BuildUploadHead(const std::string& userId, const std::string& version, const std::string& installSrc,
                            const LocalTime& t) {
    char ms[16];
    std::snprintf(ms, sizeof ms, "%03d", t.milliseconds);
    // Built by concatenation: the record's "%09" is text, not a format.
    return "9%09U:" + userId + "|V:" + version + "|SRC:" + installSrc + "|T:" + TwoDigits(t.month) + "-" +
           TwoDigits(t.day) + " " + TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second) +
           "." + ms + "|\r\n";
}

std::string BuildUploadParam(const std::string& userId, const std::string& version, const std::string& installSrc) {
    return userId + ";" + version + "," + installSrc;
}

bool EncodeParam(const std::string& plain, std::string& out) {
    out.clear();
    if (plain.empty()) return false;
    std::string encoded;
    encoded.reserve((plain.size() + 2) / 3 * 4 + 2);
    if (Base64Encode(encoded, plain.data(), plain.size(), kEncodeKey) <= 0) return false;
    out = encoded;
    return true;
}

std::string RegisterPath(const std::string& plain, const std::string& encoded) {
    return "/regsvr.auth?" + std::to_string(plain.size()) + "&" + encoded;
}

std::string UploadPath(const std::string& plain, const std::string& encoded) {
    return "/um/s?m=" + std::to_string(plain.size()) + ";" + encoded;
}

size_t UploadBatchLength(const std::string& records, size_t cap) {
    if (records.size() <= cap) return records.size();
    size_t end = cap >= 2 ? records.rfind("\r\n", cap - 2) : std::string::npos;
    return end == std::string::npos ? cap : end + 2;
}

bool CompressRecord(const std::string& record, std::string& out) {
    out.clear();
    uLong n = static_cast<uLong>(record.size());
    std::vector<Bytef> buffer(n + n / 4096 + n / 16384 + 11);
    uLongf size = static_cast<uLongf>(buffer.size());
    if (compress(buffer.data(), &size, reinterpret_cast<const Bytef*>(record.data()), n) != Z_OK) return false;
    out.assign(reinterpret_cast<const char*>(buffer.data()), size);
    return true;
}

bool IsCrashFileName(const std::string& name) {
    return name.find("crash") != std::string::npos || name.find(".dmp") != std::string::npos ||
           name.find(".DMP") != std::string::npos;
}

std::string CrashFileKey(const std::string& name) {
    if (name.size() <= kCrashKeyNameLimit) return name;
    return name.substr(name.size() - 33, 25);
}

std::string CrashTextHead(const std::string& version) { return "Crash_Ver:" + version; }

std::string CrashSection(const std::string& name, const std::string& describe, const std::string& qq,
                         const std::string& contentBase64) {
    return ":Name:" + name + ":DESC:" + describe + ":DESCEND:" + "QQ:" + qq + ":QQEND" + ":BEGIN:" +
           contentBase64 + ":END:";
}

bool TimeStampDue(bool hasStored, uint32_t stored, uint32_t now, uint32_t minutes) {
    if (!hasStored) return true;
    return static_cast<uint32_t>(now - stored) >= static_cast<uint32_t>(minutes * 60u);
}

std::string InstallSrcFromPackage(const std::string& firstStart) {
    size_t slash = firstStart.find_last_of("\\/");
    std::string name = slash == std::string::npos ? firstStart : firstStart.substr(slash + 1);
    return Cut(name, kMaxInstallSrc);
}

std::string FormatMac(const unsigned char* b, size_t length) {
    if (!b || length != 6) return std::string();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
    return buf;
}

std::string DiskSerialFromIdentify(const char* field, size_t length) {
    std::string raw;
    // A NUL inside the field would end the text early on the server; stop there instead.
    for (size_t i = 0; field && i < length && field[i] != '\0'; ++i) raw += field[i];
    while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    std::string serial;
    for (char c : raw)
        if (c != ' ') serial += c;
    return serial;
}

}  // namespace SendInfoText

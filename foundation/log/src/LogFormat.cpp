#include "log/LogFormat.h"

#include <cstdio>

#include "log/VxMdLog.h"
#include "vxlib/Dir.h"

namespace {

const char* const kLevelNames[] = {"DEBUG", "NOTICE", "WARNING", "FATAL", "KEYINFO", "UNKOWN"};
const char kCutMark[] = " ...";
const size_t kSmallBuffer = 1024;

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// One record per line: line breaks inside become blanks. CR and LF are never GBK trail bytes.
void Flatten(std::string& text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
}

std::string TimeText(const VxMdLog::LogTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return buf;
}

// Cuts the body so that head + body + CR LF stays within the line limit.
std::string FinishLine(const std::string& head, std::string body) {
    Flatten(body);
    const size_t room = VxMdLog::kMaxLineBytes - 2;
    std::string line = head;
    if (head.size() + body.size() > room) {
        size_t keep = room > head.size() + sizeof(kCutMark) ? room - head.size() - (sizeof(kCutMark) - 1) : 0;
        line += VxMdLog::CutGbk(body, keep);
        line += kCutMark;
        line = VxMdLog::CutGbk(line, room);
    } else {
        line += body;
    }
    line += "\r\n";
    return line;
}

}  // namespace

namespace VxMdLog {

const char* LevelName(int level) {
    if (level < 0 || level > LEVEL_UNKOWN) return kLevelNames[LEVEL_UNKOWN];
    return kLevelNames[level];
}

std::string CutGbk(const std::string& text, size_t max) {
    // A lead byte without its trail byte inside the limit goes, even at the very end.
    const size_t limit = text.size() < max ? text.size() : max;
    size_t end = 0;
    while (end < limit) {
        size_t step = IsGbkLead(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > limit) break;
        end += step;
    }
    return text.substr(0, end);
}

std::string FormatText(const char* format, va_list args) {
    if (!format) return "(null)";
    char small[kSmallBuffer];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof(small), format, copy);
    va_end(copy);
    if (n < 0) return "(bad format)";
    if (static_cast<size_t>(n) < sizeof(small)) return std::string(small, static_cast<size_t>(n));
    // Longer than any line may be: keep what fits, at a character boundary.
    size_t size = static_cast<size_t>(n) < kMaxLineBytes ? static_cast<size_t>(n) + 1 : kMaxLineBytes + 1;
    std::string big(size, '\0');
    va_copy(copy, args);
    std::vsnprintf(&big[0], big.size(), format, copy);
    va_end(copy);
    big.resize(size - 1);
    return CutGbk(big, big.size());
}

std::string FormatLogLine(const LogTime& time, unsigned long pid, unsigned long tid, int level, const char* tag,
                          const std::string& text) {
    std::string tagText = tag ? CutGbk(tag, 256) : "";
    Flatten(tagText);
    char ids[64];
    std::snprintf(ids, sizeof(ids), " %lu %lu ", pid, tid);
    return FinishLine(TimeText(time) + ids + LevelName(level) + " [" + tagText + "] ", text);
}

std::string FormatActLine(const LogTime& time, const char* key, const char* text) {
    std::string keyText = key ? CutGbk(key, 256) : "";
    for (char& c : keyText) {
        if (c == '\t') c = ' ';
    }
    Flatten(keyText);
    return FinishLine(TimeText(time) + "\t" + keyText + "\t", text ? text : "");
}

std::string SafeFileName(const char* name, const char* fallback) {
    return Dir::SafeFileName(name ? CutGbk(name, 200) : "", fallback ? fallback : "");
}

}  // namespace VxMdLog

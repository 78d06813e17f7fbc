#pragma once
#include <cstdarg>
#include <string>

#include "log/VxMdLogApi.h"

// The text of log lines and user-action records, apart from where they are written.
namespace VxMdLog {

struct LogTime {
    int year, month, day, hour, minute, second, millisecond;
};

// Longest line written, line end included; longer texts are cut at a character boundary.
const size_t kMaxLineBytes = 8192;

VXMDLOG_API const char* LevelName(int level);

// printf into a string of at most kMaxLineBytes bytes; a null format gives "(null)".
VXMDLOG_API std::string FormatText(const char* format, va_list args);

VXMDLOG_API std::string FormatLogLine(const LogTime& time, unsigned long pid, unsigned long tid, int level,
                                      const char* tag, const std::string& text);
VXMDLOG_API std::string FormatActLine(const LogTime& time, const char* key, const char* text);

// A name usable as one path component (Dir::SafeFileName of its first 200 bytes); empty, "." and
// ".." give fallback.
VXMDLOG_API std::string SafeFileName(const char* name, const char* fallback);

// The longest prefix of at most max bytes that does not split a GBK double-byte character.
VXMDLOG_API std::string CutGbk(const std::string& text, size_t max);

}  // namespace VxMdLog

#include "vxlib/StringUtility.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "NameRules.h"

namespace {

using namerules::GbkCharLength;

template <class Change>
std::string& ChangeAsciiLetters(std::string& text, Change change) {
    for (size_t i = 0; i < text.size();) {
        size_t n = GbkCharLength(text, i);
        if (n == 1) text[i] = change(text[i]);
        i += n;
    }
    return text;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

int Split(const std::string& text, const std::string& separator, std::vector<std::string>& fields, bool keepEmpty) {
    fields.clear();
    if (separator.empty()) {
        if (keepEmpty || !text.empty()) fields.push_back(text);
        return static_cast<int>(fields.size());
    }
    size_t start = 0;
    for (;;) {
        size_t found = text.find(separator, start);
        size_t end = found == std::string::npos ? text.size() : found;
        if (keepEmpty || end > start) fields.push_back(text.substr(start, end - start));
        if (found == std::string::npos) break;
        start = found + separator.size();
    }
    return static_cast<int>(fields.size());
}

}  // namespace

namespace StringUtility {

std::string Format(const char* format, ...) {
    if (!format) return std::string();
    std::string out(256, '\0');
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(&out[0], out.size(), format, args);
        va_end(args);
        if (n < 0) {
            // Some C runtimes report truncation as -1 instead of the needed length.
            if (out.size() >= (64u << 20)) return std::string();
            out.resize(out.size() * 2);
            continue;
        }
        if (static_cast<size_t>(n) < out.size()) {
            out.resize(static_cast<size_t>(n));
            return out;
        }
        out.resize(static_cast<size_t>(n) + 1);
    }
}

std::string& Trim(std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) --end;
    size_t begin = 0;
    while (begin < end && IsSpace(text[begin])) ++begin;
    text = text.substr(begin, end - begin);
    return text;
}

std::string& Str2Lower(std::string& text) {
    return ChangeAsciiLetters(text, [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
}

std::string& Str2Upper(std::string& text) {
    return ChangeAsciiLetters(text, [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
}

int Tokenize(const std::string& text, const std::string& separator, std::vector<std::string>& fields) {
    return Split(text, separator, fields, true);
}

int TokenizeEx(const std::string& text, const std::string& separator, std::vector<std::string>& fields) {
    return Split(text, separator, fields, false);
}

bool CopyToBuffer(char* buffer, size_t size, const std::string& text) {
    if (!buffer || size == 0) return false;
    size_t n = 0;
    while (n < text.size()) {
        size_t len = GbkCharLength(text, n);
        if (n + len > size - 1) break;
        n += len;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n == text.size();
}

bool QuoteArgument(const std::string& argument, std::string& quoted) {
    quoted = "\"";
    size_t backslashes = 0;
    for (size_t i = 0; i < argument.size();) {
        unsigned char c = static_cast<unsigned char>(argument[i]);
        size_t n = GbkCharLength(argument, i);
        if (n == 1 && (c == '"' || c < 0x20)) {
            quoted.clear();
            return false;
        }
        backslashes = n == 1 && c == '\\' ? backslashes + 1 : 0;
        quoted.append(argument, i, n);
        i += n;
    }
    // Backslashes before the closing quote would escape it.
    quoted.append(backslashes, '\\');
    quoted += '"';
    return true;
}

}  // namespace StringUtility

namespace utility {

std::string FileSizeToString(unsigned long long bytes) {
    if (bytes < 1024) return StringUtility::Format("%u B", static_cast<unsigned>(bytes));
    static const char* const kUnits[] = {"KB", "MB", "GB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    // Move up before printing so that 1048575 bytes reads "1.0 MB", not "1024.0 KB".
    while (unit < 2 && value >= 1023.95) {
        value /= 1024.0;
        ++unit;
    }
    return StringUtility::Format(unit == 2 ? "%.2f %s" : "%.1f %s", value, kUnits[unit]);
}

}  // namespace utility

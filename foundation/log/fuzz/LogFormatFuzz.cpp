// Log lines and user-action records from texts the program got from outside (server texts, song
// names, command lines, file names): tag, text and file name separated by NULs. Every line must
// stay one line within the limit, and the file name one path component.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "log/LogFormat.h"
#include "log/VxMdLog.h"

namespace {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VxMdLog::FormatText(format, args);
    va_end(args);
    return text;
}

void CheckLine(const std::string& line) {
    if (line.size() > VxMdLog::kMaxLineBytes || line.size() < 2 || line.find_first_of("\r\n") != line.size() - 2 ||
        line[line.size() - 1] != '\n')
        abort();
}

// A separator outside GBK double-byte characters (whose second byte may be '\\').
bool HasSeparator(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < name.size()) {
            ++i;
        } else if (c == '/' || c == '\\') {
            return true;
        }
    }
    return false;
}

std::string Piece(const std::string& all, size_t& at) {
    if (at > all.size()) return std::string();
    size_t end = all.find('\0', at);
    if (end == std::string::npos) end = all.size();
    std::string piece = all.substr(at, end - at);
    at = end + 1;
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    const std::string tag = Piece(all, at), body = Piece(all, at), name = Piece(all, at);
    const VxMdLog::LogTime time = {2011, 6, 27, 10, 11, 12, 13};

    const std::string text = Format("%s: %s", tag.c_str(), body.c_str());
    if (text.size() > VxMdLog::kMaxLineBytes) abort();
    for (int level = -1; level <= VxMdLog::LEVEL_UNKOWN + 1; ++level)
        CheckLine(VxMdLog::FormatLogLine(time, 1234, 5678, level, tag.c_str(), text));
    CheckLine(VxMdLog::FormatActLine(time, tag.c_str(), body.c_str()));

    const std::string file = VxMdLog::SafeFileName(name.c_str(), "VxMdLog");
    if (file.empty() || file == "." || file == ".." || HasSeparator(file)) abort();

    for (size_t max : {size_t(0), size_t(1), body.size() / 2, body.size()}) {
        const std::string cut = VxMdLog::CutGbk(body, max);
        if (cut.size() > max || body.compare(0, cut.size(), cut) != 0) abort();
    }
    return 0;
}

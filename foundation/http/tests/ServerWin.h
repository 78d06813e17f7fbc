#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

// The stand-in server that the Wine wrapper starts for these tests (VX_WITH_SERVER=1).
inline std::string ServerUrl(const std::string& path) {
    const char* base = std::getenv("VX_TEST_SERVER");
    return std::string(base ? base : "http://127.0.0.1:1") + path;
}

inline unsigned char PatternByte(long long i) {
    return static_cast<unsigned char>((i + 7 * (i >> 8) + 13 * (i >> 16)) & 0xFF);
}

// Offset of the first byte that differs from the server's generated body, -1 when all match.
inline long long FirstPatternMismatch(const char* data, size_t size, long long offset = 0) {
    for (size_t i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) != PatternByte(offset + static_cast<long long>(i)))
            return offset + static_cast<long long>(i);
    return -1;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadWholeFile(const std::string& path) {
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

// The server's journal, one JSON object per line.
inline std::vector<std::string> JournalLines() {
    const char* path = std::getenv("VX_TEST_SERVER_JOURNAL");
    std::vector<std::string> lines;
    std::string all = path ? ReadWholeFile(path) : std::string();
    size_t start = 0;
    for (size_t nl; (nl = all.find('\n', start)) != std::string::npos; start = nl + 1) lines.push_back(all.substr(start, nl - start));
    return lines;
}

#pragma once
// Shared by the fuzz targets whose reader takes several files at once, or a file rather than bytes.
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fuzzinput {

// One input holds several files, each ended by this line; the last one needs none.
const char kPartSeparator[] = "\n--next-file--\n";

// At most maxParts parts: the rest of the input stays in the last one.
inline std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t maxParts) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string separator(kPartSeparator);
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const size_t end = text.find(separator, start);
        if (end == std::string::npos) break;
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

// A folder of this process (fuzzers may run side by side), emptied before each input so that
// nothing one input left behind changes how the next one reads.
class CScratchDir {
public:
    explicit CScratchDir(const std::string& tag) {
        // Memory rather than disk where there is one: some targets write hundreds of files an input.
        std::error_code ec;
        const std::filesystem::path shm("/dev/shm");
        const std::filesystem::path base =
            std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
        m_path = base / ("vxfuzz-" + tag + "-" + std::to_string(getpid()));
        Clear();
    }
    ~CScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    void Clear() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
        std::filesystem::create_directories(m_path, ec);
    }
    // Without a trailing separator.
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace fuzzinput

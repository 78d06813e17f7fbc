#pragma once
#include <filesystem>
#include <string>

// A fresh folder below the temp folder for one test, removed afterwards. `Path()` ends with the
// platform's separator.
class CTempDir {
public:
    explicit CTempDir(const std::string& tag) {
        m_path = std::filesystem::temp_directory_path() / ("vxcat-" + tag + "-" + std::to_string(Unique()));
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
        std::filesystem::create_directories(m_path, ec);
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string Path() const { return (m_path / "").string(); }
    std::filesystem::path Fs() const { return m_path; }

private:
    static long Unique() {
        static long s_next = 0;
#ifdef _WIN32
        return ++s_next * 100000 + static_cast<long>(_getpid());
#else
        return ++s_next * 100000 + static_cast<long>(getpid());
#endif
    }
    std::filesystem::path m_path;
};

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#pragma once
#include <functional>
#include <string>
#include <vector>

// The download dialog's folder history: the last three folders, most recent first, kept in the
// configuration section "DownloadPathHist" ("Num", "Item0".."Item2"). The store and the file
// system are reached through the hooks, so the rules run anywhere. UI thread only.
class CDownloadPathHist {
public:
    struct Hooks {
        std::function<int(const std::string& key, int def)> getInt;
        std::function<std::string(const std::string& key)> getString;
        std::function<void(const std::string& key, int value)> setInt;
        std::function<void(const std::string& key, const std::string& value)> setString;
        // -1 when the path names no drive (PathGetDriveNumber).
        std::function<int(const std::string& path)> driveNumber;
        std::function<bool(const std::string& path)> makeDir;
        std::function<bool(const std::string& path)> isDirectory;
    };

    static const int kMaxItems = 3;

    explicit CDownloadPathHist(Hooks hooks) : m_hooks(std::move(hooks)) {}

    void Load();
    // Ignored when empty after trimming, when the folder cannot be made or is no folder.
    void Add(const std::string& folder);
    void Save();
    const std::vector<std::string>& Items() const { return m_items; }

private:
    Hooks m_hooks;
    std::vector<std::string> m_items;
};

// Equal ignoring the case of ASCII letters; the trail byte of a GBK character is never folded.
bool EqualNoCaseGbk(const std::string& a, const std::string& b);

#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

class CSongListBase;

// What StartMission needs from the machine: whether the player is still there, and starting it.
class IPlayerLauncher {
public:
    virtual bool PlayerExists(const std::string& playerPath) = 0;
    // Starts the player with the mission's command line; the result does not matter.
    virtual void Launch(int action, const std::string& playerPath, const std::string& commandLine) = 0;

protected:
    ~IPlayerLauncher() = default;
};

// The missions waiting for the player: number -> mission text and creation tick, plus the next
// mission number. Every operation may be called from any thread (the facade's thread starts
// missions, the add-mission pipe thread fetches and sweeps them).
class CMissionTable {
public:
    // A mission this old (ms) or older is dropped at the next sweep.
    static const uint32_t kMissionMaxAgeMs = 60001;

    explicit CMissionTable(int firstNumber) : m_nextMission(firstNumber) {}

    int NextNumber() const;

    // Stores the list's mission under the next number and starts the player with it. When the
    // player executable is gone the entry stays (for the sweep) and the number is not used up.
    // True when the player was started.
    bool StartMission(int action, const CSongListBase& list, const std::string& playerPath, uint32_t nowTick,
                      IPlayerLauncher& launcher);

    // The mission's text, removed from the table; false for an unknown number.
    bool Fetch(int number, std::string& text);
    // Removes every mission aged maxAgeMs or more (tick arithmetic wraps) and returns their numbers
    // through onExpired, which runs after the table's lock is released.
    void Sweep(uint32_t nowTick, uint32_t maxAgeMs, const std::function<void(int)>& onExpired);
    void Clear();
    size_t Size() const;

    // <pl action="..." [downtype="wma|mp3"]><so .../>...</pl>
    static std::string BuildMissionXml(int action, const CSongListBase& list);
    // "/mdrun playsong|12345" and the like; empty for an action that is no mission.
    static std::string CommandLine(int action, int number);
    // The number the player asks for: decimal text, truncated toward zero, 0 when it is no number.
    // False when the value lies outside the range of mission numbers (no mission can match).
    static bool ParseRequest(const std::string& text, int& number);

private:
    struct Entry {
        std::string text;
        uint32_t created = 0;
    };

    mutable std::mutex m_lock;
    std::map<int, Entry> m_missions;
    int m_nextMission;
};

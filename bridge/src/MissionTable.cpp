#include "MissionTable.h"

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Xml.h"

namespace {

struct ActionNames {
    const char* prefix;
    const char* action;
    const char* downtype;
};

// Indexed by mission action 0..4.
const ActionNames kActions[] = {
    {"/mdrun playsong|", "playsong", nullptr},
    {"/mdrun playmv|", "playmv", nullptr},
    {"/mdrun playadd|", "playadd", nullptr},
    {"/mdrun download|", "download", "wma"},
    {"/mdrun download|", "download", "mp3"},
};

const ActionNames* FindAction(int action) {
    if (action < 0 || action >= static_cast<int>(sizeof(kActions) / sizeof(kActions[0]))) return nullptr;
    return &kActions[action];
}

}  // namespace

int CMissionTable::NextNumber() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nextMission;
}

bool CMissionTable::StartMission(int action, const CSongListBase& list, const std::string& playerPath,
                                 uint32_t nowTick, IPlayerLauncher& launcher) {
    std::string text = BuildMissionXml(action, list);
    int number;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        number = m_nextMission;
        Entry& entry = m_missions[number];
        entry.text = std::move(text);
        entry.created = nowTick;
    }
    if (!launcher.PlayerExists(playerPath)) return false;
    launcher.Launch(action, playerPath, CommandLine(action, number));
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_nextMission;
    return true;
}

bool CMissionTable::Fetch(int number, std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_missions.find(number);
    if (it == m_missions.end()) return false;
    text = std::move(it->second.text);
    m_missions.erase(it);
    return true;
}

void CMissionTable::Sweep(uint32_t nowTick, uint32_t maxAgeMs, const std::function<void(int)>& onExpired) {
    std::vector<int> expired;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto it = m_missions.begin(); it != m_missions.end();) {
            if (static_cast<uint32_t>(nowTick - it->second.created) >= maxAgeMs) {
                expired.push_back(it->first);
                it = m_missions.erase(it);
            } else {
                ++it;
            }
        }
    }
    // The job manager may send its summary to the UI thread, which may be waiting for this lock.
    if (onExpired)
        for (int number : expired) onExpired(number);
}

void CMissionTable::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_missions.clear();
}

size_t CMissionTable::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_missions.size();
}

std::string CMissionTable::BuildMissionXml(int action, const CSongListBase& list) {
    Xml::XmlNode root("pl");
    if (const ActionNames* names = FindAction(action)) {
        root.SetAttr("action", names->action);
        if (names->downtype) root.SetAttr("downtype", names->downtype);
    }
    for (const CSongInfoBase* song : list.GetSongInfoVector()) {
        if (!song) continue;
        Xml::XmlNode so = root.AppendChild("so");
        song->SaveToXml(so);
    }
    return root.ToString();
}

std::string CMissionTable::CommandLine(int action, int number) {
    const ActionNames* names = FindAction(action);
    if (!names) return std::string();
    return names->prefix + std::to_string(number);
}

bool CMissionTable::ParseRequest(const std::string& text, int& number) {
    std::istringstream in(text);
    double value = 0;
    if (!(in >> value)) {
        number = 0;
        return true;
    }
    value = std::trunc(value);
    if (!std::isfinite(value) || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return false;
    number = static_cast<int>(value);
    return true;
}

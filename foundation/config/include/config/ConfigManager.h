#pragma once
#include <cstdint>
#include <string>

#include "config/VxMdConfigApi.h"

// The process-wide configuration store: "config.ini" in the configuration folder
// (Dir::GetVxPath(PATH_CONFIG)), shared by every process of the installation, the service
// included. Sections and keys match without regard to ASCII case. Every read sees the latest write
// of any process; a write replaces the file atomically, so a process killed while writing never
// leaves a damaged store. Callable from any thread. Failures (no folder, lock timed out, a section
// name with ']' or a line break) read as a missing entry and write as false.
//
// Get* fill out with the stored value or the default; Query* return true when the entry exists and
// holds a value of that kind. Writers serialise on the mutex "Global\\VxMdConfigStoreMutex".
// The order of the virtual functions is the binary interface: do not reorder or insert.
class IConfigManager {
public:
    virtual bool DeleteSection(const std::string& section) = 0;                                    // 0
    // out may be the same object as def.
    virtual void GetString(const std::string& section, const std::string& key, std::string& out,
                           const std::string& def) = 0;                                            // 1
    virtual bool QueryString(const std::string& section, const std::string& key, std::string& out) = 0;  // 2
    virtual bool SetString(const std::string& section, const std::string& key, const std::string& value) = 0;  // 3
    virtual void GetInt(const std::string& section, const std::string& key, int& out, int def) = 0;  // 4
    virtual bool QueryInt(const std::string& section, const std::string& key, int& out) = 0;            // 5
    virtual bool SetInt(const std::string& section, const std::string& key, int value) = 0;           // 6
    virtual void GetUInt32(const std::string& section, const std::string& key, uint32_t& out, uint32_t def) = 0;  // 7
    virtual bool QueryUInt32(const std::string& section, const std::string& key, uint32_t& out) = 0;  // 8
    virtual bool SetUInt32(const std::string& section, const std::string& key, uint32_t value) = 0;  // 9
    virtual bool QueryBool(const std::string& section, const std::string& key, bool& out) = 0;         // 10
    virtual bool SetBool(const std::string& section, const std::string& key, bool value) = 0;        // 11
    virtual bool DeleteKey(const std::string& section, const std::string& key) = 0;                  // 12
    virtual void GetBool(const std::string& section, const std::string& key, bool& out, bool def) = 0;  // 13

protected:
    ~IConfigManager() = default;  // never deleted by callers
};

extern "C" VXMDCONFIG_API IConfigManager* AfxGetConfigManager();

#pragma once
#include <windows.h>

#include <string>

#include "vxlib/Dir.h"

// Moves every folder of the installation (VX_DATA_ROOT) to a fresh temp folder named after the
// test and the process, and removes it again; tests that run in parallel processes stay apart.
class ScopedDataRoot {
public:
    explicit ScopedDataRoot(const std::string& tag) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + "vx-" + tag + "-" + std::to_string(GetCurrentProcessId());
        Dir::DeleteDir(m_path);
        SetEnvironmentVariableA("VX_DATA_ROOT", m_path.c_str());
    }
    ~ScopedDataRoot() {
        SetEnvironmentVariableA("VX_DATA_ROOT", nullptr);
        Dir::DeleteDir(m_path);
    }
    ScopedDataRoot(const ScopedDataRoot&) = delete;
    ScopedDataRoot& operator=(const ScopedDataRoot&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

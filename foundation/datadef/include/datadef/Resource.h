#pragma once
#include <cstdint>
#include <string>
#include "datadef/DataDefTypes.h"

// One downloadable file of a song on the servers. Plain data; copies are independent.
class VXDATADEF_API CNetResource {
public:
    const std::string& GetRid() const { return m_strRid; }
    void SetRid(const std::string& rid) { m_strRid = rid; }
    const Sign& GetSign() const { return m_sign; }
    void SetSign(const Sign& sign) { m_sign = sign; }
    uint32_t GetFileSize() const { return m_nFileSize; }
    void SetFileSize(uint32_t size) { m_nFileSize = size; }
    uint32_t GetFormat() const { return m_nFormat; }   // a ResourceFormat
    void SetFormat(uint32_t format) { m_nFormat = format; }
    uint32_t GetKpbs() const { return m_nKbps; }
    void SetKpbs(uint32_t kbps) { m_nKbps = kbps; }
    int GetKalaOk() const { return m_nKalaOk; }         // 1: a karaoke video
    void SetKalaOk(int kalaOk) { m_nKalaOk = kalaOk; }
    uint32_t GetPopularity() const { return m_nPopularity; }
    void SetPopularity(uint32_t popularity) { m_nPopularity = popularity; }
    bool GetEcho() const { return m_bEcho; }
    void SetEcho(bool echo) { m_bEcho = echo; }

    bool operator==(const CNetResource& other) const;
    bool operator!=(const CNetResource& other) const { return !(*this == other); }

private:
    std::string m_strRid;
    Sign m_sign;
    uint32_t m_nFileSize = 0;
    uint32_t m_nFormat = kFormatUnknown;
    uint32_t m_nKbps = 0;
    int m_nKalaOk = 0;
    uint32_t m_nPopularity = 0;
    bool m_bEcho = false;
};

// A copy of a song on the user's disk.
class VXDATADEF_API CLocalResource {
public:
    const std::string& GetPath() const { return m_strPath; }
    void SetPath(const std::string& path) { m_strPath = path; }

private:
    std::string m_strPath;
};

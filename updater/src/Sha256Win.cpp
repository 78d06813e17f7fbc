#include "Sha256Win.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "log/VxMdLog.h"
#include "vxlib/Charset.h"
#include "vxlib/HandleWin.h"

namespace VxMdUpdate {

namespace {

class CCryptProvider {
public:
    ~CCryptProvider() {
        if (m_hash) CryptDestroyHash(m_hash);
        if (m_prov) CryptReleaseContext(m_prov, 0);
    }
    HCRYPTPROV m_prov = 0;
    HCRYPTHASH m_hash = 0;
};

}  // namespace

bool HashFileSha256(const std::string& path, unsigned char digest[32]) {
    CHandle file(CreateFileW(Charset::String2WString(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) {
        VxMdLog::Log("update.log", VxMdLog::LEVEL_WARNING, "HashFile", "open %s failed: %lu", path.c_str(),
                     GetLastError());
        return false;
    }
    CCryptProvider crypt;
    if (!CryptAcquireContextA(&crypt.m_prov, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(crypt.m_prov, CALG_SHA_256, 0, 0, &crypt.m_hash)) {
        VxMdLog::Log("update.log", VxMdLog::LEVEL_WARNING, "HashFile", "crypt provider failed: %lu", GetLastError());
        return false;
    }
    std::vector<BYTE> buffer(1 << 16);
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) return false;
        if (n == 0) break;
        if (!CryptHashData(crypt.m_hash, buffer.data(), n, 0)) return false;
    }
    DWORD size = 32;
    return CryptGetHashParam(crypt.m_hash, HP_HASHVAL, digest, &size, 0) && size == 32;
}

}  // namespace VxMdUpdate

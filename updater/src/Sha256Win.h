#pragma once
#include <string>

namespace VxMdUpdate {

// SHA-256 of a file through the system's cryptographic provider. False when the file cannot be
// read or the provider fails.
bool HashFileSha256(const std::string& path, unsigned char digest[32]);

}  // namespace VxMdUpdate

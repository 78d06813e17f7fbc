#pragma once
#include <cstdint>
#include <string>

// What the updater says to the configuration server and how it reads the answer; no system calls.
namespace VxMdUpdate {

const char kCheckKey[] = "quorlin ";
const size_t kMaxCheckParamLength = 1023;

// P = "user id;version,installation source,kind" for the task's class name (its part after the last
// "_" picks the form), cut to kMaxCheckParamLength characters.
std::string BuildCheckParam(const std::string& className, const std::string& curVersion,
                            const std::string& installSrc, const std::string& userId);

// base + "/uc/s?m=" + length of P + ";" + keyed Base64 of P. False when the encoding fails.
bool BuildCheckUrl(const std::string& baseUrl, const std::string& param, std::string& url);

// The first run of digits and dots that begins with a digit; empty when there is none.
std::string VersionRun(const std::string& version);

// True when the current version's run sorts before the latest one's, byte by byte as text (so
// "1.9.0.0" does not sort before "1.10.0.0": the servers' versions are compared as the old clients do).
bool IsNewerVersion(const std::string& curVersion, const std::string& latestVersion);

// The server's reply is the answer's INI text in plain Base64. False (ini empty) when the reply is
// empty, is no Base64 or decodes to nothing.
bool DecodeCheckReply(const std::string& reply, std::string& ini);

// Section "Update" of the decoded answer.
struct UpdateAnswer {
    std::string server;     // "UpdateSvr", base address of the package
    std::string fileName;   // "filename"
    std::string version;    // "version"
    std::string sha256;     // "sha256", hex; empty when the server does not vouch for the bytes
};

// Reads the answer's INI text. An absent "UpdateSvr" takes defaultServer. False when the file name,
// the version or the server is empty.
bool ParseUpdateAnswer(const std::string& iniText, const std::string& defaultServer, UpdateAnswer& answer);

// 64 hex digits (either case) into 32 bytes; false for anything else.
bool ParseSha256Hex(const std::string& hex, unsigned char digest[32]);

// A package name the server gives becomes a file in the save folder: only a plain file name may
// (no separator, "..", drive, stream, device name or character Windows forbids).
bool IsPlainPackageName(const std::string& fileName);

// Packages that are started after the download: ".exe" or ".msi", any case.
bool IsStartablePackage(const std::string& fileName);

// Download progress as sent on the notify pipe: 0 to 99; 0 while the total is unknown and once the
// size done has reached it.
int ProgressPercent(long long total, long long done);

}  // namespace VxMdUpdate

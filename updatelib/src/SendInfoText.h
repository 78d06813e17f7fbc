#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "updatelib/VxMdUpdateDefApi.h"

// The texts of the daily report and of the user id registration, free of any system call so that
// they run under the sanitizers. Exported only for the library's tests.
namespace SendInfoText {

inline constexpr char kEncodeKey[] = "quorlin ";
inline constexpr size_t kMaxRegisterText = 1023;
inline constexpr size_t kMaxRegisterValue = 63;
inline constexpr size_t kMaxUserId = 63;
inline constexpr size_t kMaxInstallSrc = 127;
inline constexpr size_t kUploadCap = 3072000;
inline constexpr size_t kCrashKeyNameLimit = 32;

struct RegisterValues {
    std::string id, mac, hd, vmac, version, src;
};

// "id=...&mac=...&hd=...&vmac=...&ver=...&src=...", each value cut to 63 characters, the whole
// to 1023.
VXMDUPDATEDEF_API std::string BuildRegisterText(const RegisterValues& values);

// The run of digits after the first "=" of the reply (at most 63); empty when there is none.
VXMDUPDATEDEF_API std::string ParseRegisterReply(const char* data, size_t length);

// True for a text of decimal digits whose value is above 0.
VXMDUPDATEDEF_API bool IsPositiveNumber(const std::string& text);

struct LocalTime {
    int month, day, hour, minute, second, milliseconds;
};

// The first line of the upload record, up to and including "|\r\n".
VXMDUPDATEDEF_API std::string BuildUploadHead(const std::string& userId, const std::string& version,
                                              const std::string& installSrc, const LocalTime& time);

// The plain text P of the upload address: "id;version,src".
VXMDUPDATEDEF_API std::string BuildUploadParam(const std::string& userId, const std::string& version,
                                               const std::string& installSrc);

// Keyed Base64 of P with kEncodeKey; false (and out empty) when nothing came out.
VXMDUPDATEDEF_API bool EncodeParam(const std::string& plain, std::string& out);

VXMDUPDATEDEF_API std::string RegisterPath(const std::string& plain, const std::string& encoded);
VXMDUPDATEDEF_API std::string UploadPath(const std::string& plain, const std::string& encoded);

// How much of the waiting records one upload takes: all of them up to kUploadCap bytes, else up to
// the end of the last whole record ("\r\n") within the cap (the cap itself when none ends there).
VXMDUPDATEDEF_API size_t UploadBatchLength(const std::string& records, size_t cap = kUploadCap);

// zlib compress into a buffer of n + n/4096 + n/16384 + 11 bytes; false on failure.
VXMDUPDATEDEF_API bool CompressRecord(const std::string& record, std::string& out);

// Whether a file of the program folder is a crash dump candidate.
VXMDUPDATEDEF_API bool IsCrashFileName(const std::string& name);
// The "ErrorReport" key of a crash file: the name, or for a name above 32 characters the 25
// characters starting 33 before its end.
VXMDUPDATEDEF_API std::string CrashFileKey(const std::string& name);
VXMDUPDATEDEF_API std::string CrashTextHead(const std::string& version);
VXMDUPDATEDEF_API std::string CrashSection(const std::string& name, const std::string& describe,
                                           const std::string& qq, const std::string& contentBase64);

// Whether a step guarded by a stored time may run again: no stored time, or at least minutes have
// passed (unsigned 32-bit difference, so a clock set back reads as long ago).
VXMDUPDATEDEF_API bool TimeStampDue(bool hasStored, uint32_t stored, uint32_t now, uint32_t minutes);

// The file name part of the installation package path, at most 127 characters.
VXMDUPDATEDEF_API std::string InstallSrcFromPackage(const std::string& firstStart);

// "%02X" six times; empty unless exactly six bytes.
VXMDUPDATEDEF_API std::string FormatMac(const unsigned char* bytes, size_t length);

// The identify data's 20-byte serial field as stored: trailing blanks cut, then every blank removed.
VXMDUPDATEDEF_API std::string DiskSerialFromIdentify(const char* field, size_t length);

}  // namespace SendInfoText

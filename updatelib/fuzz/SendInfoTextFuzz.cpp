// What the daily report reads from outside: the registration server's reply (the new user id), the
// waiting user-action records cut into uploads, crash file names found in the program folder (and
// their report sections), a disk's identify serial and the installation package path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SendInfoText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string text(bytes, size);

    const std::string id = SendInfoText::ParseRegisterReply(bytes, size);
    if (id.size() > SendInfoText::kMaxUserId) abort();
    if (SendInfoText::IsPositiveNumber(id)) {
        const std::string plain = SendInfoText::BuildUploadParam(id, "1.0.0.1", "VxMelodiskSetup.exe");
        std::string encoded;
        if (!SendInfoText::EncodeParam(plain, encoded)) abort();
        SendInfoText::UploadPath(plain, encoded);
    }

    // Records are uploaded in batches; small caps stand for the real one.
    for (size_t cap : {size_t(0), size_t(1), size_t(2), size / 2, size_t(64), SendInfoText::kUploadCap}) {
        const size_t batch = SendInfoText::UploadBatchLength(text, cap);
        if (batch > text.size() || (text.size() > cap && batch > cap)) abort();
        std::string body;
        if (!SendInfoText::CompressRecord(text.substr(0, batch), body)) abort();
    }

    if (SendInfoText::IsCrashFileName(text)) {
        const std::string key = SendInfoText::CrashFileKey(text);
        if (key.size() > SendInfoText::kCrashKeyNameLimit) abort();
        SendInfoText::CrashSection(text, key + "describe", key + "QQ", std::string());
    }

    const std::string serial = SendInfoText::DiskSerialFromIdentify(bytes, size < 20 ? size : 20);
    if (serial.size() > 20) abort();
    if (SendInfoText::InstallSrcFromPackage(text).size() > SendInfoText::kMaxInstallSrc) abort();
    return 0;
}

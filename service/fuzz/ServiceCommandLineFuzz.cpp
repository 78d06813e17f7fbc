// The service program's switches, as the installer, the control manager or a user starts it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ServiceCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    ParseServiceSwitch(line.c_str());
    return 0;
}

// The command rules on a command's data as it arrives decoded from the pipe (first byte: which
// command): the main program's start, a module call, a process name to end; and the ranking
// data's stored refresh time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HandlerRules.h"
#include "PipeCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 + static_cast<size_t>(kMaxPipeData)) return 0;
    const std::vector<char> bytes(data + 1, data + size);
    const std::string text = HandlerRules::DataText(bytes);
    if (text.find('\0') != std::string::npos || text.size() > bytes.size()) abort();

    switch (kCmdRunMelodisk + data[0] % 6) {
    case kCmdRunMelodisk: {
        const std::string line = HandlerRules::MainProgramCommandLine("C:\\Program Files\\Vixo\\VxMelodisk\\", text);
        if (line.empty() || line[0] != '"') abort();
        break;
    }
    case kCmdCallModuleFunction: {
        HandlerRules::ModuleCall call;
        if (!HandlerRules::ParseModuleCall(text, call)) break;
        const std::string back =
            call.module + "|" + call.function + (call.hasArgument ? "|" + call.argument : std::string());
        if (back != text || call.module.find('|') != std::string::npos || call.function.find('|') != std::string::npos)
            abort();
        break;
    }
    case kCmdKillProcess:
        // Nothing that ends the name, quotes it or adds a switch or a command may pass.
        if (HandlerRules::IsPlainExeName(text) && text.find_first_of(" \t\r\n\"'&|<>^/\\*?") != std::string::npos)
            abort();
        break;
    default: {
        uint32_t stored = 0;
        if (!bytes.empty()) std::memcpy(&stored, bytes.data(), bytes.size() < 4 ? bytes.size() : 4);
        HandlerRules::RefreshedToday(stored, Time::DateTime(static_cast<int64_t>(stored) + 86400));
        break;
    }
    }
    return 0;
}

// One read of the service's command pipe: marker, lengths, the XORed keyed Base64 text and the
// payload inside it; a frame that passes is executed by the command rules up to the system calls.
// What decodes must encode back (as VxMdCmd frames it) to the same command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HandlerRules.h"
#include "PipeMessage.h"

namespace {

// The byte-level part of the message thread's executor.
void Execute(const PipeCommand& command) {
    const std::string text = HandlerRules::DataText(command.data);
    switch (command.id) {
    case kCmdRunMelodisk: HandlerRules::MainProgramCommandLine("C:\\Program Files\\Vixo\\VxMelodisk\\", text); break;
    case kCmdCallModuleFunction: {
        HandlerRules::ModuleCall call;
        HandlerRules::ParseModuleCall(text, call);
        break;
    }
    case kCmdKillProcess: HandlerRules::IsPlainExeName(text); break;
    default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PipeCommand command;
    const PipeFrameStatus status = DecodePipeFrame(data, size, command);
    PipeFrameStatusName(status);
    if (status != PipeFrameStatus::kOk) return 0;
    if (command.data.size() > static_cast<size_t>(kMaxPipeData)) abort();
    Execute(command);

    const std::string payload = MakePipePayload(command.id, std::string(command.data.begin(), command.data.end()));
    const std::string frame = EncodePipeFrame(payload, reinterpret_cast<const char*>(data));
    PipeCommand again;
    if (DecodePipeFrame(frame.data(), frame.size(), again) != PipeFrameStatus::kOk || again.id != command.id ||
        again.data != command.data)
        abort();
    return 0;
}

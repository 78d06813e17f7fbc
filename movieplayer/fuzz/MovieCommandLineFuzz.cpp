// The movie player's command line, "/mdplay width|height|icon|address|title", as the bridge or
// anyone else starts it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MovieCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The system hands the line over as a C string.
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string line = raw.substr(0, raw.find('\0'));
    moviecommand::IsPlayRequest(line);
    const moviecommand::MovieCommand command = moviecommand::Parse(line);
    if (!command.applied) return 0;
    if (command.width < 1 || command.width > moviecommand::kMaxExtent || command.height < 1 ||
        command.height > moviecommand::kMaxExtent || command.title.empty())
        abort();
    command.IconFile("C:\\data\\ranking\\");
    return 0;
}

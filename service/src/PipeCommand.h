#pragma once
#include <cstdint>
#include <vector>

// Thread messages of the service's message thread (values are part of the design: clients and
// tools may post them).
const unsigned kMsgCheckBangDan = 13370;   // run the ranking check
const unsigned kMsgPipeCommand = 13371;    // wParam: a PipeCommand* owned by the receiver
const unsigned kMsgQuit = 18;              // WM_QUIT

// Command ids of the command pipe.
enum PipeCommandId {
    kCmdRunMelodisk = 66,         // 'B': start the main program as the logged-on user
    kCmdRefreshBangDan = 67,      // 'C': ranking check
    kCmdInstallUpdate = 68,       // 'D': copy step, then run the program update
    kCmdRunInSession = 69,        // 'E': a command line with the service's rights in the user's session
    kCmdCallModuleFunction = 70,  // 'F': module|function[|argument]
    kCmdKillProcess = 71,         // 'G': end every process of an executable name
};

const int32_t kMaxPipeData = 10240;

// One command from the pipe, handed from the pipe thread to the message thread.
struct PipeCommand {
    int32_t id = 0;
    std::vector<char> data;  // 0..kMaxPipeData bytes, not terminated
};

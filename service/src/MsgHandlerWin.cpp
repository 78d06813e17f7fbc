#include "MsgHandlerWin.h"

#include <memory>
#include <string>

#include "HandlerLogWin.h"
#include "HandlerRules.h"
#include "PipeCommand.h"
#include "RankingRefreshWin.h"
#include "SessionProcessWin.h"
#include "vxlib/Dir.h"
#include "vxlib/System.h"

namespace {

const DWORD kQuitWaitMs = 2000;
const char kProgramUpdate[] = "update\\VXMELODISK.exe";
const char kKillCommand[] = "TaskKill /F /IM ";

// The export's calling convention is unknown: the stack pointer is put back after the call, so a
// function that pops its argument (stdcall) returns as cleanly as one that leaves it (cdecl).
void CallWithArgument(void* function, const char* argument) {
#if defined(__i386__)
    asm volatile(
        "movl %%esp, %%ebx\n\t"
        "pushl %1\n\t"
        "call *%0\n\t"
        "movl %%ebx, %%esp\n\t"
        :
        : "r"(function), "r"(argument)
        : "eax", "ecx", "edx", "ebx", "memory", "cc");
#else
    reinterpret_cast<void (*)(const char*)>(function)(argument);
#endif
}

void RunMelodisk(const std::string& arguments) {
    std::string programDir;
    if (!Dir::GetVxPath(PATH_PROGRAM, programDir)) return;
    SessionProcess::StartAsConsoleUser(
        HandlerRules::MainProgramCommandLine(programDir + HandlerRules::kMainProgram, arguments));
}

void RunInSession(const std::string& commandLine) {
    if (commandLine.empty()) return;
    SessionProcess::StartWithOwnToken(commandLine);
}

void InstallUpdate(CRankingRefresh& refresh) {
    refresh.InstallArchive();
    std::string userDir;
    if (!Dir::GetVxPath(PATH_USER_DATA, userDir)) return;
    const std::string program = userDir + kProgramUpdate;
    if (!Dir::IsExistFile(program)) return;
    // A program that cannot be started stays for the next try.
    if (SessionProcess::RunAndWait(program) && !Dir::RemoveFile(program)) {
        HANDLER_LOG("InstallUpdate", "delete %s failed", program.c_str());
    }
}

void CallModuleFunction(const std::string& text) {
    HandlerRules::ModuleCall call;
    if (!HandlerRules::ParseModuleCall(text, call)) return;
    HMODULE module = nullptr;
    void* function = System::FindFunctonFormModule(call.module, call.function, module);
    if (!function) {
        HANDLER_LOG("CallModuleFunction", "%s not found in %s", call.function.c_str(), call.module.c_str());
    } else if (call.hasArgument) {
        CallWithArgument(function, call.argument.c_str());
    } else {
        reinterpret_cast<void (*)()>(function)();
    }
    if (module) FreeLibrary(module);
}

void KillProcess(const std::string& name) {
    if (!HandlerRules::IsPlainExeName(name)) {
        HANDLER_LOG("KillProcess", "refused: %s", name.c_str());
        return;
    }
    UINT result = WinExec((kKillCommand + name).c_str(), SW_HIDE);
    if (result <= 31) HANDLER_LOG("KillProcess", "WinExec failed: %u", result);
}

}  // namespace

struct CMsgHandler::State {
    DWORD threadId;
    CRankingRefresh refresh;
    explicit State(DWORD id) : threadId(id) {}

    void Execute(const PipeCommand& command) {
        const std::string text = HandlerRules::DataText(command.data);
        switch (command.id) {
            case kCmdRunMelodisk: RunMelodisk(text); break;
            case kCmdRefreshBangDan: refresh.Check(); break;
            case kCmdInstallUpdate: InstallUpdate(refresh); break;
            case kCmdRunInSession: RunInSession(text); break;
            case kCmdCallModuleFunction: CallModuleFunction(text); break;
            case kCmdKillProcess: KillProcess(text); break;
            default: break;
        }
    }
};

CMsgHandler::CMsgHandler(DWORD messageThreadId) : m_state(new State(messageThreadId)) {}

CMsgHandler::~CMsgHandler() = default;

void CMsgHandler::OnMsgHandler(UINT message, WPARAM wParam) {
    HANDLER_LOG("OnMsgHandler", "uiMsg=%d", static_cast<int>(message));
    try {
        switch (message) {
            case WM_QUIT: m_state->refresh.Shutdown(kQuitWaitMs); break;
            case kMsgCheckBangDan: m_state->refresh.Check(); break;
            case kMsgPipeCommand: {
                std::unique_ptr<PipeCommand> command(reinterpret_cast<PipeCommand*>(wParam));
                if (command) m_state->Execute(*command);
                break;
            }
            default: break;
        }
    } catch (...) {
        HANDLER_LOG("OnMsgHandler", "exception at uiMsg=%d", static_cast<int>(message));
    }
}

// Placeholder until the command executor lands: logs each message as the real one does first,
// then frees the command.
#include "MsgHandlerWin.h"

#include "PipeCommand.h"
#include "ServiceLog.h"
#include "log/VxMdLog.h"

struct CMsgHandler::State {};

CMsgHandler::CMsgHandler(DWORD) : m_state(std::make_unique<State>()) {}

CMsgHandler::~CMsgHandler() = default;

void CMsgHandler::OnMsgHandler(UINT message, WPARAM wParam) {
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, "OnMsgHandler", "uiMsg=%d", static_cast<int>(message));
    if (message == kMsgPipeCommand) delete reinterpret_cast<PipeCommand*>(wParam);
}

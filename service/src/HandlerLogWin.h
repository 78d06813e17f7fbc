#pragma once
#include "log/VxMdLog.h"

// Every line of the command executor goes to one file, at level 0.
const char kHandlerLogFile[] = "MsgHandler.txt";
#define HANDLER_LOG(tag, ...) VxMdLog::Log(kHandlerLogFile, VxMdLog::LEVEL_DEBUG, tag, __VA_ARGS__)

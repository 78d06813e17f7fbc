#pragma once
#include "log/VxMdLogApi.h"

// The system's log. Safe from any thread and any number of processes: each call appends one whole
// line with a single write under a cross-process lock. Never fails visibly: no exceptions, null
// texts are tolerated, over-long lines are cut.
//
// Diagnostic logs: <common application data>\Vixo\VxMelodisk\log\<LogInit name>\<file>, one line per
// call: "YYYY-MM-DD HH:MM:SS.mmm <pid> <tid> <LEVEL> [<tag>] <text>" (local time), CR/LF inside the
// text turned into blanks.
//
// User-action records: <program directory>\log\act.log, one record per line:
// "YYYY-MM-DD HH:MM:SS.mmm<TAB><key><TAB><text>" + CR LF (local time). The key holds no tab; the
// text is written as given except that CR and LF become blanks, so a reader splits each line at its
// first two tabs.
namespace VxMdLog {

enum LogLevel {
    LEVEL_DEBUG = 0,    // traces
    LEVEL_NOTICE = 1,   // successful steps
    LEVEL_WARNING = 2,  // failed steps
    LEVEL_FATAL = 3,
    LEVEL_KEYINFO = 4,
    LEVEL_UNKOWN = 5,   // also the name of any value out of range
};

// Names the process's log folder ("VxMelodisk", "VxNetService"). Before it, the executable's name
// without extension serves.
VXMDLOG_API void LogInit(const char* name);

VXMDLOG_API void Log(const char* file, int level, const char* tag, const char* format, ...) VXMDLOG_PRINTF(4, 5);

// key such as "K_PLAY_MUSIC", text such as "U:123|N:|NA:...".
VXMDLOG_API void LogUserActMsg(const char* key, const char* text);

}  // namespace VxMdLog

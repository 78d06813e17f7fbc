#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vxlib/DateTime.h"

// The parts of the command executor that need no system objects. Stateless; safe from any thread.
namespace HandlerRules {

// The main program: command 66 starts it; while it runs beside a root file the ranking data stays.
const char kMainProgram[] = "VxMelodisk.exe";

// Whether data refreshed at `lastUpdate` (seconds since 1970) counts as today's at `now`: day of
// month and month equal in local time; the year is not compared.
bool RefreshedToday(uint32_t lastUpdate, const Time::DateTime& now);

// A command's data as text: the bytes before the first NUL, as a C string reads them.
std::string DataText(const std::vector<char>& data);

// Command 70: "module|function" calls without an argument; "module|function|argument" with the
// text after the second bar (bars included) as its argument.
struct ModuleCall {
    std::string module;
    std::string function;
    bool hasArgument = false;
    std::string argument;
};
// False when the text holds no bar: nothing is called.
bool ParseModuleCall(const std::string& text, ModuleCall& call);

// Command 71 hands the name to "TaskKill /F /IM ": only a plain executable name may pass, so that
// it cannot add a switch, a second name, a second command or a pattern. Refuses an empty name and
// any quote, blank or control character, "&", "|", "<", ">", "^", "/", "\", "*", "?" (also as the
// second byte of a GBK character, which a name of that kind then cannot use).
bool IsPlainExeName(const std::string& name);

// Command 66: the main program's path in double quotes, then a space and the arguments unless
// they are empty.
std::string MainProgramCommandLine(const std::string& programPath, const std::string& arguments);

}  // namespace HandlerRules

#pragma once
#include <string>

// Starting programs for the command executor. The service runs as LocalSystem in session 0 and
// starts programs on the interactive user's desktop ("WinSta0\Default", active console session).
// When the session or token functions fail and this process is no service (it is not LocalSystem
// and already runs in the console session, as "Run" mode or a test does), the program is started
// with this process's own token instead. Call from the message thread; nothing throws.
namespace SessionProcess {

// As the logged-on user: the console session's user token and that user's environment.
bool StartAsConsoleUser(const std::string& commandLine);

// With this process's rights, moved into the console session.
bool StartWithOwnToken(const std::string& commandLine);

// Starts `program` with this process's rights in its own session and waits without limit for it
// to end. False when it could not be started.
bool RunAndWait(const std::string& program);

}  // namespace SessionProcess

#pragma once
#include <string>
#include "vxlib/VxLibApi.h"

#if defined(_WIN32)
struct HINSTANCE__;  // HMODULE without <windows.h>

// Process and module helpers (Windows only). Safe from any thread.
namespace System {

// Id of the first running process whose executable name equals `exeName`, ignoring case (a path is
// reduced to its file name first); 0 when none runs.
VXLIB_API unsigned long FindProcessId(const std::string& exeName);

// True when a running process's executable name equals `exeName` ("vxmusic.exe"), ignoring case.
// A path is reduced to its file name first.
VXLIB_API bool IsProcessExist(const std::string& exeName);

// Loads `module` and returns the address of its export `functionName`, with the module handle in
// `module_out` (the caller frees it with FreeLibrary). On failure returns null, sets `module_out` to
// null and leaves no module loaded by this call.
VXLIB_API void* FindFunctonFormModule(const std::string& module, const std::string& functionName,
                                      HINSTANCE__*& module_out);

}  // namespace System
#endif

#pragma once
#include <windows.h>

#include "vxlib/VxLibApi.h"

// Named kernel objects that the service (LocalSystem) and the user's programs open alike: they
// are created with a security descriptor whose access list is null. Names are wide so that
// "Global\\..." names pass unchanged.
namespace SharedObjects {

// Creates the mutex (not owned) or opens the existing one; null on failure. When `existed` is
// given it tells whether another process had created it (ERROR_ALREADY_EXISTS).
VXLIB_API HANDLE CreateSharedMutex(const wchar_t* name, bool* existed = nullptr);
VXLIB_API HANDLE CreateSharedEvent(const wchar_t* name, bool manualReset, bool initialState, bool* existed = nullptr);

}  // namespace SharedObjects

#pragma once
#include <windows.h>

#include "ui/DialogBase.h"

// The module that holds the bridge's templates and images: the DLL, or a test program that
// compiles the bridge's sources itself.
inline HINSTANCE BridgeModule() {
    static const int anchor = 0;
    return ui::CDialogBase::ModuleOfAddress(&anchor);
}

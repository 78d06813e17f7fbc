#pragma once
#include <windows.h>

#include <string>

#include "bridge/VxMdInterface.h"

class CDownJobMgr;
struct ProgressDlgHolder;

// The modeless progress dialog (template 102) of one download run: follows the "vxmdinterface"
// notifications and ends with a summary. Deletes itself when its window is destroyed (after
// removing itself from the holder).
class CDownProgressDlg : public IVxMdInterfaceObserver {
public:
    CDownProgressDlg(ProgressDlgHolder* holder, const std::string& folder, CDownJobMgr* jobs);
    ~CDownProgressDlg() override;

    // Creates the window (modeless) and registers for the notifications; false on failure.
    bool Create(HWND parent);
    HWND GetHwnd() const;
};

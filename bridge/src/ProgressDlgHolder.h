#pragma once
#include <list>

class CDownProgressDlg;

// The facade's progress dialogs: the current one (null when none runs) and the finished ones that
// stay open. A dialog removes itself when its window is finally destroyed. UI thread only.
struct ProgressDlgHolder {
    CDownProgressDlg* current = nullptr;
    std::list<CDownProgressDlg*> others;

    void Remove(CDownProgressDlg* dlg) {
        if (current == dlg) current = nullptr;
        others.remove(dlg);
    }
};

#pragma once
#include <windows.h>

#include <string>

#include "ui/DialogBase.h"
#include "ui/Gdi.h"

// The about box (template IDD_ABOUTBOX): the product's display name with its version, and a link
// to the maker's home page. Modal. User-interface thread only.
class CAboutDlg : public ui::CDialogBase {
public:
    static const char kHomePage[];

    // IDOK, IDCANCEL when closed otherwise, -1 when the dialog could not be shown.
    INT_PTR DoModal(HWND parent);
    // The name line: display name, " v" and `version` without what comes up to its first "_"
    // (a version without "_" stays whole).
    static std::string NameAndVersion(const std::string& version);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Shows `address` in the user's browser.
    virtual void OpenLink(const std::string& address);

private:
    HWND m_parent = nullptr;
    ui::CFont m_linkFont;
};

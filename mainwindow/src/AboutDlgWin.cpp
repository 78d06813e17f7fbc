#include "AboutDlgWin.h"

#include <shellapi.h>

#include "catalogue/SearchTypes.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "vxlib/Charset.h"
#include "vxlib/UserId.h"

namespace {
const char kLogFile[] = "mainframe.log";
const COLORREF kLinkColour = RGB(0, 0, 204);
}  // namespace

// No server kind names the maker's home page, so it is fixed here.
const char CAboutDlg::kHomePage[] = "http://www.vixo.example/";

INT_PTR CAboutDlg::DoModal(HWND parent) {
    m_parent = parent;
    return ui::CDialogBase::DoModal(ModuleOfAddress(reinterpret_cast<const void*>(&CAboutDlg::NameAndVersion)),
                                    IDD_ABOUTBOX, parent);
}

std::string CAboutDlg::NameAndVersion(const std::string& version) {
    size_t underscore = version.find('_');
    return std::string(kProductDisplayName) + " v" +
           (underscore == std::string::npos ? version : version.substr(underscore + 1));
}

BOOL CAboutDlg::OnInitDialog() {
    CenterWindow(m_parent);
    char version[64] = {};
    UserId::GetVersion(version, sizeof(version));
    SetDlgItemText(IDC_ABOUT_NAME, NameAndVersion(version));
    SetDlgItemText(IDC_ABOUT_LINK, kHomePage);

    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    LOGFONTW face{};
    if (font && ::GetObjectW(font, sizeof(face), &face)) {
        face.lfUnderline = TRUE;
        m_linkFont.Reset(::CreateFontIndirectW(&face));
        if (m_linkFont) GetDlgItem(IDC_ABOUT_LINK).Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.Get()), FALSE);
    }
    return TRUE;
}

bool CAboutDlg::OnCommand(int id, int code, HWND) {
    if (id == IDC_ABOUT_LINK && code == STN_CLICKED) {
        OpenLink(kHomePage);
        return true;
    }
    if (id == IDOK) {
        EndDialog(IDOK);
        return true;
    }
    return false;
}

INT_PTR CAboutDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    HWND link = GetDlgItem(IDC_ABOUT_LINK);
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == link) {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, kLinkColour);
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wp) == link) {
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        SetMsgResult(TRUE);
        return TRUE;
    }
    return ui::CDialogBase::DialogProc(msg, wp, lp);
}

void CAboutDlg::OpenLink(const std::string& address) {
    HINSTANCE started = ::ShellExecuteW(m_hWnd, L"open", Charset::String2WString(address).c_str(), nullptr, nullptr,
                                        SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AboutDlg", "ShellExecute %s: %d", address.c_str(),
                     static_cast<int>(reinterpret_cast<INT_PTR>(started)));
    }
}

#include "TimeDivisorWin.h"
#include "DownProgressDlg.h"

#include <cstdlib>

#include "BridgeModuleWin.h"
#include "DownJobMgr.h"
#include "DurationText.h"
#include "ProgressDlgHolder.h"
#include "log/VxMdLog.h"
#include "ui/Controls.h"
#include "ui/Subclass.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/UserId.h"
#include "../res/resource.h"

namespace {
const char kLogFile[] = "dl_progress.log";
const char kPromptCaption[] = "Vixo提示";
const char kSearching[] = "正在搜索资源...";
const char kSlowHint[] = "(网速较慢，建议最小化到后台下载)";
const char kCannotTell[] = "无法计算";
const char kCloseQuestion[] = "您的歌曲尚未下载完成，确定关闭吗？";
const char kPlayerGone[] = "下载引擎已经退出，下载终止";
const char kTooMany[] = "您每天最多可以下载%d首歌，\n今日限额已用完，请明天继续。";
const char kPlayerConfig[] = "\\vixo\\Conf\\User\\config.ini";
const char kReportKey[] = "K_DOWNLOAD_RES";
const int kDefaultMaxDownFile = 2000;
const RECT kSlowHintRect = {150, 164, 350, 184};
const int kCheckGap = 15;
// Sent to itself when the summary asks to close: the dialog must not die inside a notification.
const UINT kMsgDestroySelf = WM_APP + 1;

const int kProgressControls[] = {IDC_PG_CURRENT,  IDC_PG_PROGRESS,    IDC_PG_REMAINING,       IDC_PG_COPY_TO_LABEL,
                                 IDC_PG_FOLDER,   IDC_PG_SPEED_LABEL, IDC_PG_SPEED,           IDC_PG_CLOSE_WHEN_DONE,
                                 IDC_PG_ANIMATION};
const int kSummaryControls[] = {IDC_PG_DONE, IDC_PG_TOTAL, IDC_PG_SUCCESS, IDC_PG_FAILED, IDC_PG_REDOWNLOAD};

void Box(HWND owner, const std::string& text, UINT flags) {
    ::MessageBoxW(owner, Charset::String2WString(text).c_str(), Charset::String2WString(kPromptCaption).c_str(), flags);
}
}  // namespace

// The redownload line: drawn as a link, and clicked on the button's release.
class CMyHyperLink : public ui::CSubclassWindow {
protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_PAINT: {
            ui::CPaintDC dc(m_hWnd);
            RECT client;
            ::GetClientRect(m_hWnd, &client);
            ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
            if (!m_font) {
                LOGFONTW lf{};
                HFONT base = reinterpret_cast<HFONT>(Send(WM_GETFONT));
                ::GetObjectW(base ? base : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
                lf.lfUnderline = TRUE;
                m_font.Reset(::CreateFontIndirectW(&lf));
            }
            ui::CSelectObject font(dc, m_font.Get());
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, RGB(0, 0, 255));
            std::wstring text = GetTextW();
            ::DrawTextW(dc, text.c_str(), -1, &client, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            return 0;
        }
        case WM_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
            return TRUE;
        case WM_LBUTTONDOWN:
            ::SetCapture(m_hWnd);
            return 0;  // no STN_CLICKED on the press
        case WM_LBUTTONUP: {
            bool captured = ::GetCapture() == m_hWnd;
            if (captured) ::ReleaseCapture();
            RECT client;
            ::GetClientRect(m_hWnd, &client);
            POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (captured && ::PtInRect(&client, at)) {
                HWND parent = ::GetParent(m_hWnd);
                ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), STN_CLICKED),
                               reinterpret_cast<LPARAM>(m_hWnd));
            }
            return 0;
        }
        default:
            return DefProc(msg, wp, lp);
        }
    }

private:
    ui::CFont m_font;
};

CDownProgressDlg::CDownProgressDlg(ProgressDlgHolder* holder, const std::string& folder, CDownJobMgr* jobs)
    : m_holder(holder),
      m_strFolder(folder),
      m_jobs(jobs),
      m_created(::GetTickCount()),
      m_slowMs(BridgeTestDivided(kSlowMs)),
      m_link(new CMyHyperLink),
      m_fileStart(m_created) {}

CDownProgressDlg::~CDownProgressDlg() { Unregister(); }

bool CDownProgressDlg::Create(HWND parent) {
    m_parent = parent;
    return ui::CDialogBase::Create(BridgeModule(), IDD_DOWNPROGRESS, parent) != nullptr;
}

void CDownProgressDlg::Unregister() {
    IMessageManager* manager = AfxGetMessageManager();
    if (manager) manager->Unregister(kVxMdInterfaceChannel, this);
}

void CDownProgressDlg::ShowControls(const int* ids, size_t count, bool show) {
    for (size_t i = 0; i < count; ++i) GetDlgItem(ids[i]).Show(show);
}

BOOL CDownProgressDlg::OnInitDialog() {
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "Init", "in");
    // A layered window shows nothing until it is given its opacity.
    ::SetLayeredWindowAttributes(m_hWnd, 0, 255, LWA_ALPHA);
    m_link->Subclass(GetDlgItem(IDC_PG_REDOWNLOAD));
    ui::CAnimateCtrl animation(GetDlgItem(IDC_PG_ANIMATION));
    if (!animation.Open(BridgeModule(), IDR_DOWNLOAD_AVI))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Init", "animation not opened");
    animation.Play();
    SetDlgItemText(IDC_PG_CURRENT, kSearching);
    ShowControls(kSummaryControls, sizeof(kSummaryControls) / sizeof(kSummaryControls[0]), false);
    SetDlgItemText(IDC_PG_FOLDER, m_strFolder);
    GetDlgItem(IDC_PG_PLAY_NOW).Enable(false);
    GetDlgItem(IDC_PG_OPEN_FOLDER).Enable(false);
    ui::CProgressBar(GetDlgItem(IDC_PG_PROGRESS)).SetRange(0, 1000);
    m_font.Reset(::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0x20, Charset::String2WString("宋体").c_str()));
    m_gdiplus.reset(new ui::CGdiplusStartup);
    CenterWindow(m_parent);
    if (!AfxGetMessageManager()->Register(kVxMdInterfaceChannel, this, kObserverUiThread))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Init", "register failed");
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "Init", "out");
    return TRUE;
}

void CDownProgressDlg::DownStart(std::string name, unsigned index, unsigned total, std::string folder) {
    if (!m_hWnd) return;
    SetDlgItemText(IDC_PG_CURRENT, StringUtility::Format("%s (%u/%u)", name.c_str(), index, total));
    m_strCurrentName = name;
    SetDlgItemText(IDC_PG_FOLDER, folder);
    m_fileStart = ::GetTickCount();
}

void CDownProgressDlg::SetSlowHint(bool on) {
    if (m_bSlowHint == on) return;
    m_bSlowHint = on;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CDownProgressDlg::DownProgress(unsigned speed, unsigned done, unsigned total) {
    if (!m_hWnd || m_bFinished) return;
    if (total == 0 || done < m_lastDone) return;
    m_lastDone = done;
    DWORD now = ::GetTickCount();
    int permille = static_cast<int>(static_cast<double>(done) / total * 1000);
    if (permille < kProgressCap) ui::CProgressBar(GetDlgItem(IDC_PG_PROGRESS)).SetPos(permille);
    SetDlgItemText(IDC_PG_SPEED, utility::FileSizeToString(speed) + "/秒");

    if (speed > 0) {
        unsigned long long left = total > done ? (total - done) / speed : 0;
        if (left < m_remaining || left > m_remaining + static_cast<unsigned long long>(speed) * 2 / 1024) m_remaining = left;
    }
    std::string remaining = speed > 0 ? DurationText(static_cast<unsigned long>(m_remaining)) : kCannotTell;
    std::string line = StringUtility::Format("估计剩余时间：%s (已复制%s，共%s)", remaining.c_str(),
                                             utility::FileSizeToString(done).c_str(),
                                             utility::FileSizeToString(total).c_str());
    if (speed > 0) {
        m_zeroSpeedSince = 0;
        SetDlgItemText(IDC_PG_REMAINING, line);
    } else if (m_zeroSpeedSince == 0) {
        m_zeroSpeedSince = now ? now : 1;
    } else if (now - m_zeroSpeedSince > m_slowMs) {
        SetDlgItemText(IDC_PG_REMAINING, line);
    }

    if (speed >= kSlowSpeed) {
        m_slowSince = 0;
        SetSlowHint(false);
    } else if (m_slowSince == 0) {
        m_slowSince = now ? now : 1;
    } else if (now - m_slowSince > m_slowMs) {
        SetSlowHint(true);
    }

    if (m_jobs) {
        int waiting = 0, failed = 0, downing = 0, finished = 0;
        m_jobs->GetState(waiting, failed, downing, finished);
        unsigned sum = static_cast<unsigned>(waiting + failed + downing + finished);
        if (sum != m_lastJobCount) {
            m_lastJobCount = sum;
            SetDlgItemText(IDC_PG_CURRENT,
                           StringUtility::Format("%s (%d/%u)", m_strCurrentName.c_str(), downing + finished, sum));
        }
    }
}

void CDownProgressDlg::DownFinishAll(unsigned total, unsigned finished, unsigned failed,
                                     std::vector<std::string>* targets, CNetSongList* failedSongs,
                                     CNetSongList* finishedSongs) {
    if (!m_hWnd || m_bFinished) return;
    m_bFinished = true;
    if (IsChecked(IDC_PG_CLOSE_WHEN_DONE)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "DownFinishAll", "out(Close)");
        Unregister();
        // The next download must open a dialog of its own even before this one is gone.
        if (m_holder) m_holder->Remove(this);
        Show(false);
        ::PostMessageW(m_hWnd, kMsgDestroySelf, 0, 0);
        return;
    }
    Unregister();
    if (targets) m_finishedTargets = *targets;
    m_failedSongs.reset(failedSongs ? failedSongs->Clone() : nullptr);
    m_finishedSongs.reset(finishedSongs ? finishedSongs->Clone() : nullptr);
    GetDlgItem(IDC_PG_PLAY_NOW).Enable(true);
    GetDlgItem(IDC_PG_OPEN_FOLDER).Enable(true);
    ui::CAnimateCtrl(GetDlgItem(IDC_PG_ANIMATION)).Stop();
    ShowControls(kProgressControls, sizeof(kProgressControls) / sizeof(kProgressControls[0]), false);
    ShowControls(kSummaryControls, sizeof(kSummaryControls) / sizeof(kSummaryControls[0]), true);
    unsigned long seconds = (::GetTickCount() - m_created) / 1000;
    SetDlgItemText(IDC_PG_TOTAL, StringUtility::Format("共下载%u个任务，用时%s", total, DurationText(seconds).c_str()));
    SetDlgItemText(IDC_PG_SUCCESS, StringUtility::Format("成功%u个", finished));
    SetDlgItemText(IDC_PG_FAILED, StringUtility::Format("失败%u个", failed));
    SendDownloadReport(m_fileStart, total, finished);
    if (finished == 0) {
        GetDlgItem(IDC_PG_PLAY_NOW).Enable(false);
        GetDlgItem(IDC_PG_OPEN_FOLDER).Enable(false);
    }
    GetDlgItem(IDC_PG_REDOWNLOAD).Show(failed > 0);
    SetText("下载完毕");
    SetDlgItemText(IDC_PG_CANCEL, "关闭");
    if (m_holder && m_holder->current == this) {
        m_holder->current = nullptr;
        m_holder->others.push_back(this);
    }
    m_bSlowHint = false;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CDownProgressDlg::PlaydeckClosed() { Box(m_hWnd, kPlayerGone, MB_OK); }

void CDownProgressDlg::DownTooMany() {
    std::string common;
    Dir::GetVxPath(PATH_COMMON_APPDATA, common);
    std::string file = common + kPlayerConfig;
    int most = static_cast<int>(::GetPrivateProfileIntA("P2PData", "MaxDownFile", kDefaultMaxDownFile, file.c_str()));
    Box(m_hWnd, StringUtility::Format(kTooMany, most), MB_OK | MB_ICONWARNING);
}

void CDownProgressDlg::SendDownloadReport(DWORD start, unsigned total, unsigned finished) {
    DWORD now = ::GetTickCount();
    if (now < start) return;
    char user[128] = {};
    UserId::GetUserID(user, sizeof(user));
    std::string text = StringUtility::Format("U:%s|N:%s|TOTAL:%u|SUC:%u|T:%lu", user, "", total, finished,
                                             static_cast<unsigned long>((now - start) / 1000));
    VxMdLog::LogUserActMsg(kReportKey, text.c_str());
}

bool CDownProgressDlg::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_PG_PLAY_NOW:
        if (code != BN_CLICKED) return true;
        if (m_finishedSongs && !m_finishedSongs->GetSongInfoVector().empty())
            GetVxMdInterface()->PlaySongs(&m_finishedSongs->GetSongInfoVector(), kActionPlaySongs);
        OnClose();
        return true;
    case IDC_PG_OPEN_FOLDER: {
        if (code != BN_CLICKED) return true;
        // Quoted, or a folder with blanks or commas opens as several arguments.
        const std::string folder = GetDlgItemText(IDC_PG_FOLDER);
        std::string quoted;
        if (StringUtility::QuoteArgument(folder, quoted))
            ::WinExec(("explorer.exe " + quoted).c_str(), SW_SHOW);
        else
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OpenFolder", "refused: %s", folder.c_str());
        OnClose();
        return true;
    }
    case IDC_PG_CANCEL:
        if (code == BN_CLICKED) OnClose();
        return true;
    case IDC_PG_REDOWNLOAD:
        if (code != STN_CLICKED) return true;
        if (m_failedSongs && !m_failedSongs->GetSongInfoVector().empty()) {
            Show(false);
            int quality = kActionAskQuality;
            std::string folder;
            GetVxMdInterface()->DownloadList(m_failedSongs.get(), &quality, &folder, kDownloadKindDownload);
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        }
        return true;
    default:
        return false;
    }
}

void CDownProgressDlg::OnClose() {
    if (!m_bFinished) {
        int answer = ::MessageBoxW(m_hWnd, Charset::String2WString(kCloseQuestion).c_str(),
                                   Charset::String2WString(kPromptCaption).c_str(),
                                   MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION);
        if (answer != IDYES) return;
        int waiting = 0, failed = 0, downing = 0, finished = 0;
        if (m_jobs) m_jobs->GetState(waiting, failed, downing, finished);
        if (finished > 0) {
            // The finished files deserve their summary: it arrives through DownFinishAll.
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "OnClose", "out(some job has been completed)");
            m_jobs->MoveAllJobToFailed();
            m_jobs->CancleAll();
            return;
        }
        if (m_jobs) m_jobs->CancleAll();
        SendDownloadReport(m_fileStart, static_cast<unsigned>(waiting + downing + failed), 0);
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "OnClose", "out(User canceled)");
    } else {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "OnClose", "out(Close)");
    }
    Unregister();
    ::DestroyWindow(m_hWnd);
}

bool CDownProgressDlg::OnPaint() {
    ui::CPaintDC dc(m_hWnd);
    if (m_bSlowHint) {
        ui::CSelectObject font(dc, m_font.Get());
        ::SetTextColor(dc, RGB(255, 0, 0));
        ::SetBkMode(dc, TRANSPARENT);
        RECT rect = kSlowHintRect;
        std::wstring text = Charset::String2WString(kSlowHint);
        ::DrawTextW(dc, text.c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (m_bFinished) {
        if (!m_check.IsLoaded() && m_gdiplus && m_gdiplus->IsStarted()) m_check.Load(BridgeModule(), IDR_CHECK_PNG);
        if (m_check.IsLoaded()) {
            RECT done = GetDlgItem(IDC_PG_DONE).GetRectInParent();
            m_check.Draw(dc, done.left - kCheckGap - m_check.Width(), done.top);
        }
    }
    return true;
}

INT_PTR CDownProgressDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgDestroySelf) {
        ::DestroyWindow(m_hWnd);
        return TRUE;
    }
    return ui::CDialogBase::DialogProc(msg, wp, lp);
}

void CDownProgressDlg::OnDestroy() {
    Unregister();
    m_link->Unsubclass();
    m_check.Release();
    m_gdiplus.reset();
}

void CDownProgressDlg::OnFinalMessage() {
    if (m_holder) m_holder->Remove(this);
    delete this;
}

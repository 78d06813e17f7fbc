#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/VxMdInterface.h"
#include "ui/DialogBase.h"
#include "ui/Gdi.h"
#include "ui/RsrcImage.h"

class CDownJobMgr;
class CMyHyperLink;
struct ProgressDlgHolder;

// The modeless progress dialog (template 102) of one download run: follows the "vxmdinterface"
// notifications and ends with a summary. Deletes itself when its window is destroyed (after
// removing itself from the holder). UI thread only: it registers on the thread that creates it.
//
// Test-only setting: VX_BRIDGE_TIME_DIVISOR (a whole number above 1, read at construction)
// divides the 20 s after which a zero speed or a slow network shows.
class CDownProgressDlg : public ui::CDialogBase, public IVxMdInterfaceObserver {
public:
    CDownProgressDlg(ProgressDlgHolder* holder, const std::string& folder, CDownJobMgr* jobs);
    ~CDownProgressDlg() override;

    // Creates the window (modeless) and registers for the notifications; false on failure.
    bool Create(HWND parent);

    bool IsFinished() const { return m_bFinished; }
    bool IsSlowHintShown() const { return m_bSlowHint; }

    void DownStart(std::string name, unsigned index, unsigned total, std::string folder) override;
    void DownFinishAll(unsigned total, unsigned finished, unsigned failed, std::vector<std::string>* targets,
                       CNetSongList* failedSongs, CNetSongList* finishedSongs) override;
    void DownProgress(unsigned speed, unsigned done, unsigned total) override;
    void PlaydeckClosed() override;
    void DownTooMany() override;

    static const DWORD kSlowMs = 20000;
    static const unsigned kSlowSpeed = 51200;  // bytes per second
    static const int kProgressCap = 950;       // of 1000, until the summary

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnClose() override;
    bool OnPaint() override;
    void OnDestroy() override;
    void OnFinalMessage() override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Unregister();
    void ShowControls(const int* ids, size_t count, bool show);
    void SendDownloadReport(DWORD start, unsigned total, unsigned finished);
    void SetSlowHint(bool on);

    ProgressDlgHolder* m_holder;
    std::string m_strFolder;
    CDownJobMgr* m_jobs;
    bool m_bFinished = false;
    bool m_bSlowHint = false;
    DWORD m_created;
    DWORD m_slowMs;
    unsigned long long m_remaining = 86400000;
    std::vector<std::string> m_finishedTargets;
    std::string m_strCurrentName;
    std::unique_ptr<CSongListBase> m_failedSongs;
    std::unique_ptr<CSongListBase> m_finishedSongs;
    std::unique_ptr<CMyHyperLink> m_link;
    ui::CFont m_font;
    DWORD m_zeroSpeedSince = 0;
    DWORD m_slowSince = 0;
    unsigned m_lastJobCount = 0;
    unsigned m_lastDone = 0;
    DWORD m_fileStart;
    std::unique_ptr<ui::CGdiplusStartup> m_gdiplus;
    ui::CRsrcImage m_check;
    HWND m_parent = nullptr;
};

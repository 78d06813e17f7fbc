#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "DownloadPathHist.h"
#include "ui/DialogBase.h"

class CComboBoxMd;

// The modal download dialog (template 101): folder with history and browse, preferred format.
// The facade fills the texts before DoModal. UI thread only.
class CDownloadDlg : public ui::CDialogBase {
public:
    CDownloadDlg();
    ~CDownloadDlg() override;

    std::string m_strNameLine;
    std::string m_strWmaText;
    std::string m_strMp3Text;      // empty: the song has no MP3
    std::string m_strSuggestedFolder;
    std::string m_strCaption;      // default "下载提示"
    std::string m_strFolderLabel;  // default "下载到："

    // 1 (OK) or 2 (cancel / closed).
    INT_PTR DoModal(HWND parent);

    // After OK: the chosen folder, ending in a separator, and whether MP3 was chosen.
    const std::string& GetChosenFolder() const { return m_strChosenFolder; }
    bool IsMp3Chosen() const { return m_bMp3Chosen; }

    // The history on the configuration store ("DownloadPathHist").
    static CDownloadPathHist::Hooks ConfigHistoryHooks();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnClose() override;

private:
    void Browse();
    void Ok();
    void ShowNotWritable();

    std::string m_strChosenFolder;
    bool m_bMp3Chosen = false;
    HWND m_parent = nullptr;
    CDownloadPathHist m_history;
    std::unique_ptr<CComboBoxMd> m_combo;
};

#include "DownloadDlg.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "BridgeModuleWin.h"
#include "ComboBoxMdWin.h"
#include "config/ConfigManager.h"
#include "ui/Controls.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "../res/resource.h"

namespace {
const char kHistSection[] = "DownloadPathHist";
const char kDefaultCaption[] = "下载提示";
const char kDefaultFolderLabel[] = "下载到：";
const char kDefaultFolder[] = "C:\\Download\\";
const char kNoMp3Text[] = "MP3   此曲暂无";
const char kBrowseTitle[] = "选择目标文件夹";
const char kNotWritableText[] = "您选择的文件夹不可写，请选择正确的文件夹！";
const char kPromptCaption[] = "Vixo提示";
const size_t kMaxFolderChars = 260;
}  // namespace

CDownloadDlg::CDownloadDlg() : m_history(ConfigHistoryHooks()), m_combo(new CComboBoxMd) {}
CDownloadDlg::~CDownloadDlg() = default;

CDownloadPathHist::Hooks CDownloadDlg::ConfigHistoryHooks() {
    CDownloadPathHist::Hooks hooks;
    hooks.getInt = [](const std::string& key, int def) {
        int value = def;
        AfxGetConfigManager()->GetInt(kHistSection, key, value, def);
        return value;
    };
    hooks.getString = [](const std::string& key) {
        std::string value;
        AfxGetConfigManager()->GetString(kHistSection, key, value, std::string());
        return value;
    };
    hooks.setInt = [](const std::string& key, int value) { AfxGetConfigManager()->SetInt(kHistSection, key, value); };
    hooks.setString = [](const std::string& key, const std::string& value) {
        AfxGetConfigManager()->SetString(kHistSection, key, value);
    };
    hooks.driveNumber = [](const std::string& path) { return ::PathGetDriveNumberA(path.c_str()); };
    hooks.makeDir = [](const std::string& path) { return Dir::MakeDir(path) != 0; };
    hooks.isDirectory = [](const std::string& path) { return Dir::IsDirectory(path); };
    return hooks;
}

INT_PTR CDownloadDlg::DoModal(HWND parent) {
    m_parent = parent;
    return ui::CDialogBase::DoModal(BridgeModule(), IDD_DOWNLOAD, parent);
}

BOOL CDownloadDlg::OnInitDialog() {
    SetDlgItemText(IDC_DL_NAME, m_strNameLine);
    m_strChosenFolder = m_strSuggestedFolder;
    if (!m_strMp3Text.empty()) {
        SetCheck(IDC_DL_MP3, true);
        SetDlgItemText(IDC_DL_MP3, m_strMp3Text);
    } else {
        SetDlgItemText(IDC_DL_MP3, kNoMp3Text);
        GetDlgItem(IDC_DL_MP3).Enable(false);
        SetCheck(IDC_DL_WMA, true);
    }
    SetDlgItemText(IDC_DL_WMA, m_strWmaText);
    if (m_strCaption.empty()) m_strCaption = kDefaultCaption;
    if (m_strFolderLabel.empty()) m_strFolderLabel = kDefaultFolderLabel;
    SetText(m_strCaption);
    SetDlgItemText(IDC_DL_FOLDER_LABEL, m_strFolderLabel);

    m_combo->Attach(GetDlgItem(IDC_DL_FOLDER));
    m_history.Load();
    if (m_strChosenFolder.empty() && !m_history.Items().empty()) m_strChosenFolder = m_history.Items().front();
    if (m_strChosenFolder.empty()) m_strChosenFolder = kDefaultFolder;
    if (m_history.Items().empty()) m_history.Add(m_strChosenFolder);

    ui::CComboBox combo(GetDlgItem(IDC_DL_FOLDER));
    combo.ResetContent();
    for (const std::string& item : m_history.Items()) combo.InsertString(0, item);
    combo.SetText(m_strChosenFolder);
    CenterWindow(m_parent);
    return TRUE;
}

bool CDownloadDlg::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_DL_MP3:
    case IDC_DL_WMA:
        if (code == BN_CLICKED) {
            SetCheck(id, true);
            SetCheck(id == IDC_DL_MP3 ? IDC_DL_WMA : IDC_DL_MP3, false);
        }
        return true;
    case IDC_DL_BROWSE:
        if (code == BN_CLICKED) Browse();
        return true;
    case IDC_DL_OK:
    case IDOK:  // Enter
        if (code == BN_CLICKED) Ok();
        return true;
    case IDC_DL_CANCEL:
        if (code == BN_CLICKED) EndDialog(IDCANCEL);
        return true;
    default:
        return false;
    }
}

void CDownloadDlg::OnClose() { EndDialog(IDCANCEL); }

void CDownloadDlg::ShowNotWritable() {
    ::MessageBoxW(m_hWnd, Charset::String2WString(kNotWritableText).c_str(),
                  Charset::String2WString(kPromptCaption).c_str(), MB_OK | MB_ICONWARNING);
}

void CDownloadDlg::Browse() {
    HRESULT ole = ::OleInitialize(nullptr);  // the new-style folder dialog needs OLE
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = ::GetActiveWindow();
    info.pszDisplayName = display;
    info.lpszTitle = kBrowseTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&info);
    if (chosen) {
        char path[MAX_PATH] = {};
        bool got = ::SHGetPathFromIDListA(chosen, path) != FALSE;
        ::CoTaskMemFree(chosen);
        if (got) {
            if (Dir::IsExistFile(path)) {
                m_strChosenFolder = path;
                GetDlgItem(IDC_DL_FOLDER).SetText(m_strChosenFolder);
            } else {
                ShowNotWritable();
            }
        }
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
}

void CDownloadDlg::Ok() {
    std::wstring wide = GetDlgItem(IDC_DL_FOLDER).GetTextW();
    if (wide.size() > kMaxFolderChars) wide.resize(kMaxFolderChars);
    std::string folder = Charset::WString2String(wide);
    StringUtility::Trim(folder);
    if (!folder.empty()) {
        if (!Dir::IsExistFile(folder)) Dir::MakeDir(folder);
        m_bMp3Chosen = IsChecked(IDC_DL_MP3);
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    }
    if (!folder.empty() && Dir::IsDirectory(folder)) {
        m_strChosenFolder = folder;
        m_history.Add(folder);
        m_history.Save();
        EndDialog(IDOK);
        return;
    }
    ShowNotWritable();
}

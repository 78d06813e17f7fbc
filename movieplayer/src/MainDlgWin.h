#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "MovieCommandLine.h"
#include "ui/DialogBase.h"
#include "ui/Gdi.h"
#include "ui/MessageLoop.h"
#include "ui/WebBrowserHost.h"

// The movie player's window: the modeless dialog of template 129 without a system frame. It
// draws its own caption, frame and buttons, resizes by its edges down to a minimum size, and
// shows the page of the command line in the browser control 130. Its end (Esc, the close
// button, WM_CLOSE) destroys it and ends the thread's loop with code 2. UI thread only; the
// thread's CMessageLoop must be registered (CThreadLoops) before Create.
class CMainDlg : public ui::CDialogBase, public ui::CMessageFilter, public ui::IWebBrowserEvents {
public:
    // Edge flags of a resize.
    enum { kEdgeLeft = 1, kEdgeRight = 2, kEdgeTop = 4, kEdgeBottom = 8 };
    static const int kCaptionHeight = 28;
    static const int kQuitCode = 2;

    // `rawCommandLine` is the whole command line, as GetCommandLineA gives it.
    explicit CMainDlg(const std::string& rawCommandLine);
    ~CMainDlg() override;

    HWND Create();
    bool PreTranslateMessage(MSG* msg) override;

protected:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnClose() override;
    bool OnPaint() override;
    void OnDestroy() override;

    void OnBeforeNavigate(const std::wstring& url, bool topLevel, bool& cancel) override;
    void OnNavigateComplete(const std::wstring& url, bool topLevel) override;

private:
    enum Button { kNoButton = -1, kMinButton = 0, kCloseButton = 1 };
    struct Hit {
        int edges;
        LPCSTR cursor;  // null: leave the cursor alone
    };

    void LoadSkin();
    void ApplyCommandLine();
    void CreateBrowser();
    void Layout(int cx, int cy);
    void ApplyRegion(int cx, int cy);
    void DrawFrame(HDC dc, int cx, int cy) const;
    void DrawCaption(HDC dc, int cx) const;
    Hit HitTest(POINT client) const;
    Button ButtonAt(POINT client) const;
    void SetButtonState(Button button, int state);
    void OnLButtonDown(POINT client);
    void OnMouseMove(WPARAM keys, POINT client);
    void OnLButtonUp(POINT client);
    void OnLButtonDblClk(POINT client);
    // The edges' shapes without the class cursor's flash before each mouse move.
    bool OnSetCursor(HWND target, UINT hitTest);
    void TrackLeave();
    void Quit();

    const std::string m_rawCommandLine;
    moviecommand::MovieCommand m_command;
    SIZE m_minSize{400, 300};
    HICON m_icon = nullptr;     // small icon drawn in the caption and given to the system
    HICON m_bigIcon = nullptr;  // the program's, for the task switcher
    ui::CWebBrowserHost m_browser;

    RECT m_captionRect{};
    RECT m_buttonRect[2]{};
    int m_buttonState[2]{0, 0};  // 0 normal, 1 mouse over, 2 pressed
    Button m_pressed = kNoButton;
    bool m_trackingLeave = false;

    int m_dragEdges = 0;
    POINT m_dragStart{};
    RECT m_dragRect{};

    ui::CPen m_darkPen, m_lightPen;
    ui::CBrush m_leftBrush, m_middleBrush;
    HIMAGELIST m_rightImage = nullptr, m_minImages = nullptr, m_closeImages = nullptr;
    ui::CFont m_captionFont;
    ui::CFont m_textFont;  // the skin's plain text face; nothing on the caption uses it
};

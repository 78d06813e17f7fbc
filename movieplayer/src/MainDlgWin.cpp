#include "MainDlgWin.h"

#include <exdisp.h>
#include <mshtml.h>
#include <windowsx.h>

#include <algorithm>

#include "log/VxMdLog.h"
#include "resource.h"
#include "vxlib/Charset.h"
#include "vxlib/ComRefWin.h"
#include "vxlib/Dir.h"

namespace {

const char kLogFile[] = "VxMdMoviePlayer.txt";
const wchar_t kBrowserClass[] = L"VxMdMoviePlayerBrowser";
const wchar_t kCaptionText[] = L"影视剧场";
const wchar_t kFontFace[] = L"宋体";
const COLORREF kDarkBlue = RGB(0, 43, 96);
const COLORREF kLightBlue = RGB(115, 197, 236);
const COLORREF kMaskColour = RGB(255, 0, 255);
const int kLeftPartWidth = 150;
const int kRightPartWidth = 155;
const int kMaxIconSize = 22;
const int kCornerSize = 8;  // corners take the 8 pixels next to them, edges 3
const int kEdgeSize = 3;
const DWORD kHostFlags = 0x00000004 | ui::CWebBrowserHost::kNoScrollFlag;  // DOCHOSTUIFLAG_NO3DBORDER

HINSTANCE Module() { return ::GetModuleHandleW(nullptr); }

int SmallIconSize() { return ::GetSystemMetrics(SM_CXSMICON); }

POINT MessagePoint() {
    const DWORD pos = ::GetMessagePos();
    return POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
}

// The page's body gets no scroll bars: the window is sized to the page.
void ApplyNoScroll(IDispatch* target) {
    CComRef<IWebBrowser2> browser;
    CComRef<IDispatch> documentDispatch;
    CComRef<IHTMLDocument2> document;
    CComRef<IHTMLElement> body;
    CComRef<IHTMLBodyElement> bodyElement;
    if (!browser.QueryFrom(target, IID_IWebBrowser2) || FAILED(browser->get_Document(documentDispatch.Out())) ||
        !document.QueryFrom(documentDispatch.Get(), IID_IHTMLDocument2) || FAILED(document->get_body(body.Out())) ||
        !bodyElement.QueryFrom(body.Get(), IID_IHTMLBodyElement))
        return;
    BSTR no = ::SysAllocString(L"no");
    if (no) bodyElement->put_scroll(no);
    ::SysFreeString(no);
}

class CAboutDlg : public ui::CDialogBase {
protected:
    bool OnCommand(int id, int, HWND) override {
        if (id != IDOK) return false;
        EndDialog(IDOK);
        return true;
    }
};

}  // namespace

CMainDlg::CMainDlg(const std::string& rawCommandLine) : m_rawCommandLine(rawCommandLine) {}

CMainDlg::~CMainDlg() {
    if (m_rightImage) ::ImageList_Destroy(m_rightImage);
    if (m_minImages) ::ImageList_Destroy(m_minImages);
    if (m_closeImages) ::ImageList_Destroy(m_closeImages);
    if (m_icon) ::DestroyIcon(m_icon);
    if (m_bigIcon) ::DestroyIcon(m_bigIcon);
}

HWND CMainDlg::Create() { return ui::CDialogBase::Create(Module(), IDD_MAINDLG, nullptr); }

bool CMainDlg::PreTranslateMessage(MSG* msg) { return m_hWnd && ::IsDialogMessageW(m_hWnd, msg); }

void CMainDlg::LoadSkin() {
    m_darkPen.Reset(::CreatePen(PS_SOLID, 1, kDarkBlue));
    m_lightPen.Reset(::CreatePen(PS_SOLID, 1, kLightBlue));
    ui::CBitmap left(::LoadBitmapW(Module(), MAKEINTRESOURCEW(IDB_CAPTION_LEFT)));
    ui::CBitmap middle(::LoadBitmapW(Module(), MAKEINTRESOURCEW(IDB_CAPTION_MIDDLE)));
    if (left) m_leftBrush.Reset(::CreatePatternBrush(left.Get()));
    if (middle) m_middleBrush.Reset(::CreatePatternBrush(middle.Get()));
    auto strip = [](UINT id, int width) {
        HIMAGELIST list = ::ImageList_LoadImageW(Module(), MAKEINTRESOURCEW(id), width, 0, kMaskColour, IMAGE_BITMAP,
                                                 LR_CREATEDIBSECTION);
        if (!list) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "LoadSkin", "bitmap %u: error %lu", id, ::GetLastError());
        return list;
    };
    m_rightImage = strip(IDB_CAPTION_RIGHT, kRightPartWidth);
    m_minImages = strip(IDB_MIN_BUTTON, 33);
    m_closeImages = strip(IDB_CLOSE_BUTTON, 32);
    m_captionFont.Reset(::CreateFontW(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
    m_textFont.Reset(::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

void CMainDlg::ApplyCommandLine() {
    m_command = moviecommand::Parse(m_rawCommandLine);
    if (!m_command.applied) {
        SetText(moviecommand::kDefaultTitle);
        return;
    }
    // A page larger than the screen gets a window the size of the work area, so that the caption
    // and its buttons stay reachable.
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int width = m_command.width, height = m_command.height;
    if (work.right > work.left && work.bottom > work.top) {
        width = std::min<int>(width, work.right - work.left);
        height = std::min<int>(height, work.bottom - work.top);
    }
    ::MoveWindow(m_hWnd, 0, 0, width, height, FALSE);
    m_minSize = SIZE{width, height};
    CenterWindow();
    SetText(m_command.title);

    // Only a name relative to the ranking folder needs the folder (asking for it creates it).
    std::string root;
    const std::string withoutRoot = m_command.IconFile(std::string());
    if (!withoutRoot.empty() && withoutRoot != m_command.icon) Dir::GetVxPath(PATH_RANKING, root);
    const std::string file = m_command.IconFile(root);
    if (file.empty()) return;
    m_icon = static_cast<HICON>(::LoadImageA(nullptr, file.c_str(), IMAGE_ICON, SmallIconSize(), SmallIconSize(),
                                             LR_DEFAULTSIZE | LR_LOADFROMFILE));
    if (!m_icon)
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Icon", "%s: error %lu", file.c_str(), ::GetLastError());
}

void CMainDlg::CreateBrowser() {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    RECT rect{2, kCaptionHeight - 1, std::max<LONG>(2, client.right - 2), std::max<LONG>(kCaptionHeight - 1, client.bottom - 2)};
    if (!m_browser.Create(kBrowserClass, m_hWnd, rect, IDC_BROWSER, kHostFlags, nullptr, this)) return;
    if (!m_command.url.empty() && !m_browser.Navigate(Charset::String2WString(m_command.url)))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Navigate", "%s", m_command.url.c_str());
}

BOOL CMainDlg::OnInitDialog() {
    LoadSkin();
    ApplyCommandLine();
    if (!m_icon) {
        m_icon = static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, SmallIconSize(),
                                                 SmallIconSize(), LR_DEFAULTCOLOR));
    }
    m_bigIcon = static_cast<HICON>(::LoadImageW(Module(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                                LR_DEFAULTCOLOR));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    if (ui::CMessageLoop* loop = ui::CThreadLoops::Get()) loop->AddMessageFilter(this);
    CreateBrowser();
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    Layout(client.right, client.bottom);
    return TRUE;
}

void CMainDlg::OnDestroy() {
    if (ui::CMessageLoop* loop = ui::CThreadLoops::Get()) loop->RemoveMessageFilter(this);
}

void CMainDlg::Quit() {
    ::DestroyWindow(m_hWnd);
    ::PostQuitMessage(kQuitCode);
}

bool CMainDlg::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDCANCEL:
        Quit();
        return true;
    case IDOK:
        return true;
    case ID_APP_ABOUT: {
        CAboutDlg about;
        about.DoModal(Module(), IDD_ABOUTBOX, m_hWnd);
        return true;
    }
    default:
        return false;
    }
}

// As a dialog's WM_CLOSE does: the same way out as Esc.
void CMainDlg::OnClose() { Quit(); }

void CMainDlg::OnBeforeNavigate(const std::wstring&, bool, bool&) { ApplyNoScroll(m_browser.LastNavigationTarget()); }

void CMainDlg::OnNavigateComplete(const std::wstring&, bool) { ApplyNoScroll(m_browser.LastNavigationTarget()); }

void CMainDlg::Layout(int cx, int cy) {
    m_captionRect = RECT{0, 0, cx, kCaptionHeight};
    if (m_browser.IsWindow()) {
        const RECT want{2, kCaptionHeight - 1, cx - 2, cy - 2};
        const RECT have = m_browser.GetRectInParent();
        if (!::EqualRect(&want, &have))
            ::MoveWindow(m_browser, want.left, want.top, want.right - want.left, want.bottom - want.top, TRUE);
    }
    ApplyRegion(cx, cy);
    m_buttonRect[kMinButton] = RECT{cx - 75, 1, cx - 42, 18};
    m_buttonRect[kCloseButton] = RECT{cx - 42, 1, cx - 10, 18};
    ApplyNoScroll(m_browser.LastNavigationTarget());
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CMainDlg::ApplyRegion(int cx, int cy) {
    HRGN region = ::CreateRectRgn(0, 10, cx, cy);
    if (!region) return;
    ui::CGdiObject<HRGN> rounded(::CreateRoundRectRgn(0, 0, cx + 1, cy + 1, 6, 6));
    ui::CGdiObject<HRGN> leftCorner(::CreateRectRgn(0, 0, 2, 2));
    ui::CGdiObject<HRGN> rightCorner(::CreateRectRgn(cx - 2, 0, cx, 2));
    ::CombineRgn(region, region, rounded.Get(), RGN_OR);
    ::CombineRgn(region, region, leftCorner.Get(), RGN_DIFF);
    ::CombineRgn(region, region, rightCorner.Get(), RGN_DIFF);
    if (!::SetWindowRgn(m_hWnd, region, TRUE)) ::DeleteObject(region);  // on success the system owns it
}

bool CMainDlg::OnPaint() {
    ui::CPaintDC dc(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    DrawFrame(dc, client.right, client.bottom);
    DrawCaption(dc, client.right);
    return true;
}

void CMainDlg::DrawFrame(HDC dc, int cx, int cy) const {
    {
        ui::CSelectObject pen(dc, m_darkPen.Get());
        ::MoveToEx(dc, 0, 0, nullptr);
        ::LineTo(dc, 0, cy - 1);
        ::LineTo(dc, cx - 1, cy - 1);
        ::LineTo(dc, cx - 1, -1);
    }
    ui::CSelectObject pen(dc, m_lightPen.Get());
    ::MoveToEx(dc, 1, 0, nullptr);
    ::LineTo(dc, 1, cy - 2);
    ::LineTo(dc, cx - 2, cy - 2);
    ::LineTo(dc, cx - 2, -1);
}

void CMainDlg::DrawCaption(HDC dc, int cx) const {
    if (cx <= 0) return;
    HDC mem = ::CreateCompatibleDC(dc);
    if (!mem) return;
    ui::CBitmap canvas(::CreateCompatibleBitmap(dc, cx, kCaptionHeight));
    if (!canvas) {
        ::DeleteDC(mem);
        return;
    }
    {
        ui::CSelectObject selected(mem, canvas.Get());
        RECT left{0, 0, std::min(kLeftPartWidth, cx), kCaptionHeight};
        if (m_leftBrush) ::FillRect(mem, &left, m_leftBrush.Get());
        RECT middle{kLeftPartWidth, 0, cx - kRightPartWidth, kCaptionHeight};
        if (m_middleBrush && middle.right > middle.left) ::FillRect(mem, &middle, m_middleBrush.Get());
        if (m_rightImage) ::ImageList_Draw(m_rightImage, 0, mem, cx - kRightPartWidth, 0, ILD_TRANSPARENT);
        if (m_minImages)
            ::ImageList_Draw(m_minImages, m_buttonState[kMinButton], mem, m_buttonRect[kMinButton].left,
                             m_buttonRect[kMinButton].top, ILD_TRANSPARENT);
        if (m_closeImages)
            ::ImageList_Draw(m_closeImages, m_buttonState[kCloseButton], mem, m_buttonRect[kCloseButton].left,
                             m_buttonRect[kCloseButton].top, ILD_TRANSPARENT);
        const int size = std::min(SmallIconSize(), kMaxIconSize);
        if (m_icon) ::DrawIconEx(mem, 10, (kCaptionHeight - size) / 2, m_icon, size, size, 0, nullptr, DI_NORMAL);

        ui::CSelectObject font(mem, m_captionFont.Get());
        ::SetBkMode(mem, TRANSPARENT);
        ::SetTextColor(mem, RGB(255, 255, 255));
        RECT text{30, 0, m_buttonRect[kMinButton].left, kCaptionHeight};
        ::DrawTextW(mem, kCaptionText, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        ::BitBlt(dc, 0, 0, cx, kCaptionHeight, mem, 0, 0, SRCCOPY);
    }
    ::DeleteDC(mem);
}

CMainDlg::Hit CMainDlg::HitTest(POINT p) const {
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    const bool nearLeft = 0 <= p.x && p.x <= kCornerSize, nearRight = p.x > w - kCornerSize;
    const bool nearTop = 0 <= p.y && p.y <= kCornerSize, nearBottom = p.y > h - kCornerSize;
    if (nearLeft && nearBottom) return {kEdgeLeft | kEdgeBottom, IDC_SIZENESW};
    if (nearRight && nearBottom) return {kEdgeRight | kEdgeBottom, IDC_SIZENWSE};
    if (nearLeft && nearTop) return {kEdgeLeft | kEdgeTop, IDC_SIZENWSE};
    if (nearRight && nearTop) return {kEdgeRight | kEdgeTop, IDC_SIZENESW};
    if (0 <= p.x && p.x <= kEdgeSize) return {kEdgeLeft, IDC_SIZEWE};
    if (w - kEdgeSize <= p.x && p.x <= w) return {kEdgeRight, IDC_SIZEWE};
    if (0 <= p.y && p.y <= kEdgeSize) return {kEdgeTop, IDC_SIZENS};
    if (h - kEdgeSize <= p.y && p.y <= h) return {kEdgeBottom, IDC_SIZENS};
    return {0, nullptr};
}

CMainDlg::Button CMainDlg::ButtonAt(POINT p) const {
    if (::PtInRect(&m_buttonRect[kMinButton], p)) return kMinButton;
    if (::PtInRect(&m_buttonRect[kCloseButton], p)) return kCloseButton;
    return kNoButton;
}

void CMainDlg::SetButtonState(Button button, int state) {
    if (button == kNoButton || m_buttonState[button] == state) return;
    m_buttonState[button] = state;
    ::InvalidateRect(m_hWnd, &m_buttonRect[button], FALSE);
}

void CMainDlg::TrackLeave() {
    if (m_trackingLeave) return;
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
    m_trackingLeave = ::TrackMouseEvent(&track) != FALSE;
}

void CMainDlg::OnLButtonDown(POINT p) {
    ::SetCapture(m_hWnd);
    const Hit hit = HitTest(p);
    if (hit.edges) {
        m_dragEdges = hit.edges;
        m_dragStart = MessagePoint();
        ::GetWindowRect(m_hWnd, &m_dragRect);
        return;
    }
    const Button button = ButtonAt(p);
    if (button != kNoButton) {
        m_pressed = button;
        SetButtonState(button, 2);
        return;
    }
    if (::PtInRect(&m_captionRect, p)) {
        const POINT screen = MessagePoint();
        ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
    }
}

void CMainDlg::OnMouseMove(WPARAM keys, POINT p) {
    if (m_dragEdges) {
        if (keys & MK_LBUTTON) {
            const POINT now = MessagePoint();
            const int dx = now.x - m_dragStart.x, dy = now.y - m_dragStart.y;
            RECT r = m_dragRect;
            // An edge that would pass the limit stops where the limit holds.
            if (m_dragEdges & kEdgeLeft) r.left = std::min<LONG>(r.left + dx, r.right - m_minSize.cx);
            if (m_dragEdges & kEdgeRight) r.right = std::max<LONG>(r.right + dx, r.left + m_minSize.cx);
            if (m_dragEdges & kEdgeTop) r.top = std::min<LONG>(r.top + dy, r.bottom - m_minSize.cy);
            if (m_dragEdges & kEdgeBottom) r.bottom = std::max<LONG>(r.bottom + dy, r.top + m_minSize.cy);
            ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
    } else {
        const Hit hit = HitTest(p);
        if (hit.cursor) ::SetCursor(::LoadCursorA(nullptr, hit.cursor));
    }
    const Button over = ButtonAt(p);
    for (Button button : {kMinButton, kCloseButton}) {
        const int state = button != over ? 0 : m_pressed == button && (keys & MK_LBUTTON) ? 2 : 1;
        SetButtonState(button, state);
    }
    if (over != kNoButton) TrackLeave();
}

void CMainDlg::OnLButtonUp(POINT p) {
    const Button pressed = m_pressed;
    m_pressed = kNoButton;
    m_dragEdges = 0;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    const Button over = ButtonAt(p);
    SetButtonState(kMinButton, over == kMinButton ? 1 : 0);
    SetButtonState(kCloseButton, over == kCloseButton ? 1 : 0);
    // A button acts when the press and the release were both on it.
    if (pressed == kMinButton && over == kMinButton) {
        ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (pressed == kCloseButton && over == kCloseButton) {
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    }
}

void CMainDlg::OnLButtonDblClk(POINT p) {
    if (0 <= p.y && p.y < kCaptionHeight && ButtonAt(p) == kNoButton) {
        ::PostMessageW(m_hWnd, WM_SYSCOMMAND, ::IsZoomed(m_hWnd) ? SC_RESTORE : SC_MAXIMIZE, 0);
        return;
    }
    // The second press of a quick pair elsewhere is still a press (of a button, of an edge).
    OnLButtonDown(p);
}

bool CMainDlg::OnSetCursor(HWND target, UINT hitTest) {
    if (target != m_hWnd || hitTest != HTCLIENT || m_dragEdges) return false;
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(m_hWnd, &p);
    const Hit hit = HitTest(p);
    if (!hit.cursor) return false;
    ::SetCursor(::LoadCursorA(nullptr, hit.cursor));
    return true;
}

INT_PTR CMainDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
    case WM_ERASEBKGND:
        SetMsgResult(1);
        return TRUE;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) Layout(LOWORD(lp), HIWORD(lp));
        return TRUE;
    case WM_LBUTTONDOWN:
        OnLButtonDown(at);
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(wp, at);
        return TRUE;
    case WM_LBUTTONUP:
        OnLButtonUp(at);
        return TRUE;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(at);
        return TRUE;
    case WM_SETCURSOR:
        if (!OnSetCursor(reinterpret_cast<HWND>(wp), LOWORD(lp))) return FALSE;
        SetMsgResult(TRUE);
        return TRUE;
    case WM_MOUSELEAVE:
        m_trackingLeave = false;
        if (m_pressed == kNoButton) {
            SetButtonState(kMinButton, 0);
            SetButtonState(kCloseButton, 0);
        }
        return TRUE;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != m_hWnd) {
            m_dragEdges = 0;
            m_pressed = kNoButton;
        }
        return TRUE;
    default:
        return ui::CDialogBase::DialogProc(msg, wp, lp);
    }
}

#include "DlgSubWin.h"

#include "MemoryDcWin.h"
#include "SkinIds.h"
#include "SkinPaintWin.h"

namespace {
const COLORREF kButtonText = RGB(32, 102, 154);
const COLORREF kDisabledText = RGB(106, 104, 105);
const COLORREF kSmallButtonColours[CSkinButton::kStates] = {kButtonText, kButtonText, kButtonText, kDisabledText};
}  // namespace

CCheckBoxOwner::~CCheckBoxOwner() {
  ReleaseCheckBoxes();
  if (m_images)
    ImageList_Destroy(m_images);
}

void CCheckBoxOwner::TakeCheckBox(HINSTANCE hInst, HWND box) {
  if (!IsWindow(box) || FindCheckBox(box))
    return;
  if (!m_images)
    m_images = ImageList_LoadImageW(hInst, MAKEINTRESOURCEW(IDB_CHECKBOX), 16, 0, RGB(255, 0, 255), IMAGE_BITMAP,
                                    LR_CREATEDIBSECTION);
  std::unique_ptr<CCheckBox> skin(new CCheckBox(m_images));
  if (skin->Attach(box))
    m_boxes.push_back(std::move(skin));
}

CCheckBox* CCheckBoxOwner::FindCheckBox(HWND box) {
  for (auto& b : m_boxes)
    if (b->Handle() == box)
      return b.get();
  return nullptr;
}

void CCheckBoxOwner::ReleaseCheckBoxes() { m_boxes.clear(); }

CDlgSub::~CDlgSub() { DetachAll(); }

void CDlgSub::DetachAll() {
  ReleaseCheckBoxes();
  m_browse.Detach();
  m_details.Detach();
  m_progress.Detach();
  Detach();
}

void CDlgSub::MakeOwnerDrawn(int id) {
  HWND text = GetDlgItem(m_hWnd, id);
  if (!text)
    return;
  LONG style = GetWindowLongW(text, GWL_STYLE);
  SetWindowLongW(text, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_OWNERDRAW);
  InvalidateRect(text, nullptr, TRUE);
}

void CDlgSub::OnSubclassed() {
  if (m_step == 1) {
    const UINT ids[] = {IDP_BROWSE_NORMAL, IDP_BROWSE_OVER, IDP_BROWSE_DOWN, IDP_BROWSE_DISABLED};
    if (m_browse.Attach(GetDlgItem(m_hWnd, 1001))) {
      m_browse.SetSkin(m_hInst, ids, kSmallButtonColours);
      SetWindowPos(m_browse.Handle(), nullptr, 0, 0, 65, 22, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    MakeOwnerDrawn(1024);
  } else if (m_step == 2) {
    MakeOwnerDrawn(1006);
    if (m_uninstaller) {
      const UINT ids[] = {IDP_DETAILS_NORMAL, IDP_DETAILS_OVER, IDP_DETAILS_DOWN, IDP_DETAILS_DISABLED};
      if (m_details.Attach(GetDlgItem(m_hWnd, 1027))) {
        m_details.SetSkin(m_hInst, ids, kSmallButtonColours);
        SetWindowPos(m_details.Handle(), nullptr, 0, 0, 87, 22, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
    m_progress.Attach(GetDlgItem(m_hWnd, 1004));
  }
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CDlgSub::DrawText(const DRAWITEMSTRUCT& dis) {
  CMemoryDC mem(dis.hDC, dis.rcItem);
  PaintBackgroundBehind(dis.hwndItem, mem);
  DrawWindowText(dis.hwndItem, mem, RECT{0, 0, mem.Width(), mem.Height()}, RGB(0, 0, 0), DT_LEFT);
}

bool CDlgSub::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
  case WM_ERASEBKGND:
    PaintBackgroundBehind(m_hWnd, reinterpret_cast<HDC>(wParam));
    result = 1;
    return true;
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX:
  case WM_CTLCOLORBTN: {
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (m_step == 1 && (id == 1019 || id == 1000))
      return false;
    HDC hdc = reinterpret_cast<HDC>(wParam);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    return true;
  }
  case WM_DRAWITEM: {
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!dis)
      return false;
    if (dis->hwndItem == m_browse.Handle() && m_browse.Handle())
      m_browse.DrawItem(*dis);
    else if (dis->hwndItem == m_details.Handle() && m_details.Handle())
      m_details.DrawItem(*dis);
    else if (CCheckBox* box = FindCheckBox(dis->hwndItem))
      box->DrawItem(*dis);
    else if ((m_step == 1 && dis->CtlID == 1024) || (m_step == 2 && dis->CtlID == 1006))
      DrawText(*dis);
    else
      return false;
    result = TRUE;
    return true;
  }
  case WM_COMMAND:
    if (CCheckBox* box = FindCheckBox(reinterpret_cast<HWND>(lParam)))
      if (HIWORD(wParam) == BN_CLICKED)
        box->Toggle();
    return false;
  case WM_SIZE:
    if (m_step == 2) {
      HWND list = GetDlgItem(m_hWnd, 1016);
      RECT rc;
      if (list && GetWindowRect(list, &rc)) {
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        SetWindowPos(list, nullptr, 0, 0, rc.right - rc.left, HIWORD(lParam) - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
    return false;
  default:
    if (msg == kMsgSkinCheckBox) {
      TakeCheckBox(m_hInst, reinterpret_cast<HWND>(wParam));
      result = 0;
      return true;
    }
  }
  return false;
}

#include "ui/FrameControls.h"

#include <vector>

#include "vxlib/Charset.h"

namespace ui {

namespace {
// Controls do not say how long an item text is: this covers any list or tree text we show.
const int kTextBuffer = 1024;

TOOLINFOW ToolInfo(HWND owner, UINT_PTR id, wchar_t* text) {
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = owner;
    info.uId = id;
    info.lpszText = text;
    return info;
}
}  // namespace

HTREEITEM CTreeViewCtrl::InsertItem(const std::string& gbk, HTREEITEM parent, HTREEITEM after, LPARAM param,
                                    int image, int selectedImage, bool hasChildren) const {
    std::wstring text = Charset::String2WString(gbk);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    TVITEMW& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = param;
    item.cChildren = hasChildren ? 1 : 0;
    if (image >= 0) {
        item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.iImage = image;
        item.iSelectedImage = selectedImage >= 0 ? selectedImage : image;
    }
    return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string CTreeViewCtrl::GetItemText(HTREEITEM handle) const {
    std::vector<wchar_t> buffer(kTextBuffer, L'\0');
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = buffer.data();
    item.cchTextMax = kTextBuffer;
    if (!GetItem(item)) return std::string();
    return Charset::WString2String(item.pszText);
}

bool CTreeViewCtrl::SetItemText(HTREEITEM handle, const std::string& gbk) const {
    std::wstring text = Charset::String2WString(gbk);
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return SetItem(item);
}

LPARAM CTreeViewCtrl::GetItemData(HTREEITEM handle) const {
    TVITEMW item{};
    item.mask = TVIF_PARAM;
    item.hItem = handle;
    return GetItem(item) ? item.lParam : 0;
}

HTREEITEM CTreeViewCtrl::HitTest(POINT client, UINT* flags) const {
    TVHITTESTINFO info{};
    info.pt = client;
    auto item = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return item;
}

bool CTreeViewCtrl::GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const {
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    *reinterpret_cast<HTREEITEM*>(&rect) = item;
    return Send(TVM_GETITEMRECT, textOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&rect)) != 0;
}

int CListViewCtrl::InsertColumn(int index, const std::string& gbk, int width, int format) const {
    std::wstring text = Charset::String2WString(gbk);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(text.c_str());
    column.iSubItem = index;
    return static_cast<int>(Send(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

int CListViewCtrl::InsertItem(int index, const std::string& gbk, LPARAM param, int image) const {
    std::wstring text = Charset::String2WString(gbk);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = param;
    if (image >= 0) {
        item.mask |= LVIF_IMAGE;
        item.iImage = image;
    }
    return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListViewCtrl::SetItemText(int index, int subItem, const std::string& gbk) const {
    std::wstring text = Charset::String2WString(gbk);
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return Send(LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string CListViewCtrl::GetItemText(int index, int subItem) const {
    std::vector<wchar_t> buffer(kTextBuffer, L'\0');
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = buffer.data();
    item.cchTextMax = kTextBuffer;
    LRESULT length = Send(LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return Charset::WString2String(std::wstring(item.pszText, static_cast<size_t>(length > 0 ? length : 0)));
}

LPARAM CListViewCtrl::GetItemData(int index) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

bool CListViewCtrl::SetItemData(int index, LPARAM param) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = param;
    return Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListViewCtrl::SetItemState(int index, UINT state, UINT mask) const {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    return Send(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListViewCtrl::HitTest(POINT client, int* subItem) const {
    LVHITTESTINFO info{};
    info.pt = client;
    int item = static_cast<int>(Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (subItem) *subItem = item >= 0 ? info.iSubItem : -1;
    return item;
}

bool CReBarCtrl::AddBand(HWND child, int minWidth, int minHeight, int width, UINT style) const {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_STYLE;
    band.fStyle = style;
    band.hwndChild = child;
    band.cxMinChild = static_cast<UINT>(minWidth);
    band.cyMinChild = static_cast<UINT>(minHeight);
    band.cx = static_cast<UINT>(width);
    return InsertBand(-1, band);
}

int CToolBarCtrl::AddString(const std::string& gbk) const {
    // TB_ADDSTRING takes a list ended by an empty string.
    std::wstring text = Charset::String2WString(gbk);
    text.push_back(L'\0');
    return static_cast<int>(Send(TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

bool CStatusBarCtrl::SetPaneText(int pane, const std::string& gbk, UINT type) const {
    std::wstring text = Charset::String2WString(gbk);
    return Send(SB_SETTEXTW, static_cast<WPARAM>(pane) | type, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::string CStatusBarCtrl::GetPaneText(int pane) const {
    int length = LOWORD(Send(SB_GETTEXTLENGTHW, pane));
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    Send(SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(buffer.data()));
    return Charset::WString2String(buffer.data());
}

bool CToolTipCtrl::AddTool(HWND owner, HWND tool, const std::string& gbk) const {
    std::wstring text = Charset::String2WString(gbk);
    TOOLINFOW info = ToolInfo(owner, reinterpret_cast<UINT_PTR>(tool), const_cast<wchar_t*>(text.c_str()));
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    return Send(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

bool CToolTipCtrl::AddTool(HWND owner, UINT_PTR id, const RECT& rect, const std::string& gbk) const {
    std::wstring text = Charset::String2WString(gbk);
    TOOLINFOW info = ToolInfo(owner, id, const_cast<wchar_t*>(text.c_str()));
    info.uFlags = TTF_SUBCLASS;
    info.rect = rect;
    return Send(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::DelTool(HWND owner, UINT_PTR id) const {
    TOOLINFOW info = ToolInfo(owner, id, nullptr);
    Send(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(HWND owner, UINT_PTR id, const std::string& gbk) const {
    std::wstring text = Charset::String2WString(gbk);
    TOOLINFOW info = ToolInfo(owner, id, const_cast<wchar_t*>(text.c_str()));
    Send(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace ui

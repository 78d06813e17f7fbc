#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/Window.h"

namespace ui {

// Thin non-owning wrappers over the common controls of a main frame: only the calls a frame
// needs. Texts are GBK and go through the wide messages. Use on the control's thread.

class CTreeViewCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // `hasChildren` shows the expand button before the children are inserted (filled on
    // TVN_ITEMEXPANDING). Images -1: none set.
    HTREEITEM InsertItem(const std::string& gbk, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST,
                         LPARAM param = 0, int image = -1, int selectedImage = -1, bool hasChildren = false) const;
    bool GetItem(TVITEMW& item) const { return Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0; }
    bool SetItem(const TVITEMW& item) const { return Send(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0; }
    std::string GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, const std::string& gbk) const;
    LPARAM GetItemData(HTREEITEM item) const;
    bool DeleteItem(HTREEITEM item) const { return Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0; }
    bool DeleteAllItems() const { return DeleteItem(TVI_ROOT); }
    // TVE_EXPAND, TVE_COLLAPSE, TVE_TOGGLE.
    bool Expand(HTREEITEM item, UINT code = TVE_EXPAND) const { return Send(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0; }
    bool SelectItem(HTREEITEM item) const { return Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0; }
    bool EnsureVisible(HTREEITEM item) const { return Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != 0; }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    // `client` in the tree's client coordinates; `flags` gets TVHT_*.
    HTREEITEM HitTest(POINT client, UINT* flags = nullptr) const;
    bool GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const;
    HIMAGELIST SetImageList(HIMAGELIST images, int which = TVSIL_NORMAL) const {
        return reinterpret_cast<HIMAGELIST>(Send(TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images)));
    }
    int GetCount() const { return static_cast<int>(Send(TVM_GETCOUNT)); }
};

class CListViewCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // A report column; -1 or the index it got.
    int InsertColumn(int index, const std::string& gbk, int width, int format = LVCFMT_LEFT) const;
    bool SetColumnWidth(int column, int width) const { return Send(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0; }
    int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }
    DWORD SetExtendedStyle(DWORD style, DWORD mask = 0) const {
        return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
    }
    // -1 or the index the item got.
    int InsertItem(int index, const std::string& gbk, LPARAM param = 0, int image = -1) const;
    bool SetItemText(int item, int subItem, const std::string& gbk) const;
    std::string GetItemText(int item, int subItem) const;
    LPARAM GetItemData(int item) const;
    bool SetItemData(int item, LPARAM param) const;
    // `item` -1: every item.
    bool SetItemState(int item, UINT state, UINT mask) const;
    UINT GetItemState(int item, UINT mask) const { return static_cast<UINT>(Send(LVM_GETITEMSTATE, item, mask)); }
    // The next item after `start` (-1: from the first) with LVNI_* `flags`, else -1.
    int GetNextItem(int start, UINT flags) const { return static_cast<int>(Send(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0))); }
    int GetSelectedIndex() const { return GetNextItem(-1, LVNI_SELECTED); }
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    // Items a virtual list (LVS_OWNERDATA) shows.
    void SetItemCount(int count) const { Send(LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL); }
    bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, item) != 0; }
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
    bool EnsureVisible(int item) const { return Send(LVM_ENSUREVISIBLE, item, FALSE) != 0; }
    bool RedrawItems(int first, int last) const { return Send(LVM_REDRAWITEMS, first, last) != 0; }
    // -1 or the item at `client`; `subItem` gets the column.
    int HitTest(POINT client, int* subItem = nullptr) const;
    HIMAGELIST SetImageList(HIMAGELIST images, int which = LVSIL_SMALL) const {
        return reinterpret_cast<HIMAGELIST>(Send(LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images)));
    }
};

class CReBarCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // Adds `child` as a band of its own at the end, at least `minHeight` high.
    bool AddBand(HWND child, int minWidth, int minHeight, int width, UINT style = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS) const;
    bool InsertBand(int index, const REBARBANDINFOW& band) const {
        return Send(RB_INSERTBANDW, index, reinterpret_cast<LPARAM>(&band)) != 0;
    }
    bool SetBandInfo(int index, const REBARBANDINFOW& band) const {
        return Send(RB_SETBANDINFOW, index, reinterpret_cast<LPARAM>(&band)) != 0;
    }
    int GetBandCount() const { return static_cast<int>(Send(RB_GETBANDCOUNT)); }
    int GetBarHeight() const { return static_cast<int>(Send(RB_GETBARHEIGHT)); }
    void MaximizeBand(int index) const { Send(RB_MAXIMIZEBAND, index, TRUE); }
};

class CToolBarCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // Call once before adding buttons.
    void SetButtonStructSize() const { Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON)); }
    bool AddButtons(int count, const TBBUTTON* buttons) const {
        return Send(TB_ADDBUTTONSW, count, reinterpret_cast<LPARAM>(buttons)) != 0;
    }
    // The index of the string, for TBBUTTON::iString; -1 on failure.
    int AddString(const std::string& gbk) const;
    HIMAGELIST SetImageList(HIMAGELIST images) const {
        return reinterpret_cast<HIMAGELIST>(Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)));
    }
    bool EnableButton(int id, bool enable) const { return Send(TB_ENABLEBUTTON, id, MAKELPARAM(enable ? TRUE : FALSE, 0)) != 0; }
    bool CheckButton(int id, bool check) const { return Send(TB_CHECKBUTTON, id, MAKELPARAM(check ? TRUE : FALSE, 0)) != 0; }
    bool IsButtonEnabled(int id) const { return Send(TB_ISBUTTONENABLED, id) != 0; }
    bool IsButtonChecked(int id) const { return Send(TB_ISBUTTONCHECKED, id) != 0; }
    int GetButtonCount() const { return static_cast<int>(Send(TB_BUTTONCOUNT)); }
    int CommandToIndex(int id) const { return static_cast<int>(Send(TB_COMMANDTOINDEX, id)); }
    bool GetItemRect(int index, RECT& rect) const { return Send(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)) != 0; }
    // Width in the low word, height in the high word.
    DWORD GetButtonSize() const { return static_cast<DWORD>(Send(TB_GETBUTTONSIZE)); }
    void AutoSize() const { Send(TB_AUTOSIZE); }
};

class CStatusBarCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // Right edges of the panes in client coordinates, -1 for "to the end".
    bool SetParts(int count, const int* rightEdges) const {
        return Send(SB_SETPARTS, count, reinterpret_cast<LPARAM>(rightEdges)) != 0;
    }
    bool SetPaneText(int pane, const std::string& gbk, UINT type = 0) const;
    std::string GetPaneText(int pane) const;
    void SetSimple(bool simple) const { Send(SB_SIMPLE, simple ? TRUE : FALSE); }
};

class CToolTipCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // A tool that is a whole window (TTF_IDISHWND | TTF_SUBCLASS) of `owner`.
    bool AddTool(HWND owner, HWND tool, const std::string& gbk) const;
    // A rectangle of `owner`'s client area known by `id`.
    bool AddTool(HWND owner, UINT_PTR id, const RECT& rect, const std::string& gbk) const;
    void DelTool(HWND owner, UINT_PTR id) const;
    void UpdateTipText(HWND owner, UINT_PTR id, const std::string& gbk) const;
    void Activate(bool active) const { Send(TTM_ACTIVATE, active ? TRUE : FALSE); }
    void SetMaxTipWidth(int width) const { Send(TTM_SETMAXTIPWIDTH, 0, width); }
    // For tools added without TTF_SUBCLASS: hand them the mouse messages from the loop.
    void RelayEvent(MSG* msg) const { Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
};

}  // namespace ui

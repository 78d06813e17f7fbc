#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

// Reads and drives the common controls of another process the way a user's tools do: messages whose
// parameters point to memory are given a block allocated in the control's process. For the screen
// walker and the end-to-end tests; header-only, nothing but system DLLs. Any thread; every send
// waits at most kSendTimeoutMs for a target that does not answer, which then counts as a failure.
namespace remote {

const UINT kSendTimeoutMs = 10000;
const size_t kMaxTextChars = 1024;

// A block of memory in the process that owns a window.
class CRemoteBlock {
public:
    CRemoteBlock(HWND window, size_t size) : m_size(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                                FALSE, pid);
        if (m_process)
            m_base = static_cast<char*>(VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~CRemoteBlock() {
        if (m_base) VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
        if (m_process) CloseHandle(m_process);
    }
    CRemoteBlock(const CRemoteBlock&) = delete;
    CRemoteBlock& operator=(const CRemoteBlock&) = delete;

    bool Valid() const { return m_base != nullptr; }
    // The block's address in the other process (meaningless here except as a message parameter).
    char* At(size_t offset = 0) const { return m_base + offset; }
    bool Write(const void* data, size_t bytes, size_t offset = 0) const {
        SIZE_T done = 0;
        return offset + bytes <= m_size && WriteProcessMemory(m_process, m_base + offset, data, bytes, &done) &&
               done == bytes;
    }
    bool Read(void* data, size_t bytes, size_t offset = 0) const {
        SIZE_T done = 0;
        return offset + bytes <= m_size && ReadProcessMemory(m_process, m_base + offset, data, bytes, &done) &&
               done == bytes;
    }
    // Text at any address of the other process (a control may answer with its own buffer), up to
    // `chars` characters or the first zero.
    std::wstring ReadText(const void* address, size_t chars) const {
        std::vector<wchar_t> buf(chars + 1, L'\0');
        SIZE_T done = 0;
        if (!ReadProcessMemory(m_process, address, buf.data(), chars * sizeof(wchar_t), &done) &&
            GetLastError() != ERROR_PARTIAL_COPY)
            return std::wstring();
        buf[done / sizeof(wchar_t)] = L'\0';
        return buf.data();
    }

private:
    HANDLE m_process = nullptr;
    char* m_base = nullptr;
    size_t m_size;
};

inline bool Send(HWND window, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, msg, wp, lp, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer))
        return false;
    result = static_cast<LRESULT>(answer);
    return true;
}

inline LRESULT SendOr(HWND window, UINT msg, WPARAM wp, LPARAM lp, LRESULT failed) {
    LRESULT result = 0;
    return Send(window, msg, wp, lp, result) ? result : failed;
}

struct FindChildState {
    const wchar_t* className;
    int id;
    HWND found;
};

inline BOOL CALLBACK FindChildProc(HWND window, LPARAM lp) {
    FindChildState* state = reinterpret_cast<FindChildState*>(lp);
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    if ((state->id < 0 || GetDlgCtrlID(window) == state->id) && lstrcmpiW(name, state->className) == 0) {
        state->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first window below `ancestor` (at any depth) of that class and, unless id < 0, that id.
inline HWND FindDescendant(HWND ancestor, const wchar_t* className, int id = -1) {
    FindChildState state = {className, id, nullptr};
    EnumChildWindows(ancestor, FindChildProc, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// Tree view. A null item stands for "none" (and, as a parent, for the top level).
inline HTREEITEM TreeNext(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendOr(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item), 0));
}

inline HTREEITEM TreeRoot(HWND tree) { return TreeNext(tree, nullptr, TVGN_ROOT); }
inline HTREEITEM TreeSelection(HWND tree) { return TreeNext(tree, nullptr, TVGN_CARET); }

inline std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> items;
    HTREEITEM item = parent ? TreeNext(tree, parent, TVGN_CHILD) : TreeRoot(tree);
    for (; item && items.size() < 100000; item = TreeNext(tree, item, TVGN_NEXT)) items.push_back(item);
    return items;
}

inline std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    if (!item) return std::wstring();
    CRemoteBlock block(tree, sizeof(TVITEMW) + (kMaxTextChars + 1) * sizeof(wchar_t));
    if (!block.Valid()) return std::wstring();
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<LPWSTR>(block.At(sizeof tv));
    tv.cchTextMax = static_cast<int>(kMaxTextChars);
    wchar_t zero = L'\0';
    if (!block.Write(&tv, sizeof tv) || !block.Write(&zero, sizeof zero, sizeof tv)) return std::wstring();
    if (!SendOr(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At()), FALSE)) return std::wstring();
    if (!block.Read(&tv, sizeof tv) || !tv.pszText || tv.pszText == LPSTR_TEXTCALLBACKW) return std::wstring();
    return block.ReadText(tv.pszText, kMaxTextChars);
}

// The child of `parent` (null: the top level) whose text is `text`, or null.
inline HTREEITEM FindTreeChild(HWND tree, HTREEITEM parent, const std::wstring& text) {
    for (HTREEITEM item : TreeChildren(tree, parent))
        if (TreeItemText(tree, item) == text) return item;
    return nullptr;
}

inline bool TreeExpand(HWND tree, HTREEITEM item) {
    return SendOr(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item), FALSE) != FALSE;
}

// Selects as a click would: the tree's owner gets TVN_SELCHANGING and TVN_SELCHANGED.
inline bool TreeSelect(HWND tree, HTREEITEM item) {
    return SendOr(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item), FALSE) != FALSE;
}

// The item's rectangle in the tree's client coordinates; `textOnly` gives its label's.
inline RECT TreeItemRect(HWND tree, HTREEITEM item, bool textOnly) {
    RECT r = {};
    CRemoteBlock block(tree, sizeof(RECT));
    memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle's first bytes
    if (block.Write(&r, sizeof r) && SendOr(tree, TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(block.At()), FALSE))
        block.Read(&r, sizeof r);
    else
        r = RECT{};
    return r;
}

// List view; -1 when the list does not answer.
inline int ListRowCount(HWND list) { return static_cast<int>(SendOr(list, LVM_GETITEMCOUNT, 0, 0, -1)); }

inline std::wstring ListCellText(HWND list, int row, int column) {
    CRemoteBlock block(list, sizeof(LVITEMW) + (kMaxTextChars + 1) * sizeof(wchar_t));
    if (!block.Valid()) return std::wstring();
    LVITEMW lv = {};
    lv.iSubItem = column;
    lv.pszText = reinterpret_cast<LPWSTR>(block.At(sizeof lv));
    lv.cchTextMax = static_cast<int>(kMaxTextChars);
    wchar_t zero = L'\0';
    if (!block.Write(&lv, sizeof lv) || !block.Write(&zero, sizeof zero, sizeof lv)) return std::wstring();
    LRESULT length = 0;
    if (!Send(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(block.At()), length) || length <= 0)
        return std::wstring();
    if (!block.Read(&lv, sizeof lv) || !lv.pszText) return std::wstring();
    return block.ReadText(lv.pszText, kMaxTextChars);
}

inline int ListColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendOr(list, LVM_GETHEADER, 0, 0, 0));
    return header ? static_cast<int>(SendOr(header, HDM_GETITEMCOUNT, 0, 0, -1)) : -1;
}

// A cell's rectangle in the list's client coordinates (column 0: the whole row); empty on failure.
inline RECT ListCellRect(HWND list, int row, int column) {
    RECT r = {LVIR_BOUNDS, column, 0, 0};
    CRemoteBlock block(list, sizeof(RECT));
    const UINT msg = column == 0 ? LVM_GETITEMRECT : LVM_GETSUBITEMRECT;
    if (block.Write(&r, sizeof r) && SendOr(list, msg, row, reinterpret_cast<LPARAM>(block.At()), FALSE))
        block.Read(&r, sizeof r);
    else
        r = RECT{};
    return r;
}

// Selects and focuses a row as a click would (other rows keep their state).
inline bool ListSelectRow(HWND list, int row) {
    CRemoteBlock block(list, sizeof(LVITEMW));
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return block.Write(&item, sizeof item) &&
           SendOr(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(block.At()), FALSE) != FALSE;
}

// The row's item data (for the song list, the song's address in its process); 0 when none.
inline LPARAM ListItemData(HWND list, int row) {
    CRemoteBlock block(list, sizeof(LVITEMW));
    if (!block.Valid()) return 0;
    LVITEMW lv = {};
    lv.mask = LVIF_PARAM;
    lv.iItem = row;
    if (!block.Write(&lv, sizeof lv) || !SendOr(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At()), FALSE) ||
        !block.Read(&lv, sizeof lv))
        return 0;
    return lv.lParam;
}

// Any window's text (WM_GETTEXT is carried across processes by the system).
// A click (or right click) at a point of a window of another program: the pointer is moved there
// first, for the parts that hit-test the real pointer.
inline void ClickAt(HWND window, POINT client, UINT down, UINT downFlag, UINT up) {
    POINT screen = client;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, at);
    PostMessageW(window, down, downFlag, at);
    PostMessageW(window, up, 0, at);
}

inline std::wstring WindowText(HWND window) {
    wchar_t text[kMaxTextChars + 1] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, kMaxTextChars + 1, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        kSendTimeoutMs, &ignored);
    return text;
}

// Status bar pane text.
inline std::wstring StatusText(HWND status, int pane = 0) {
    CRemoteBlock block(status, (kMaxTextChars + 1) * sizeof(wchar_t));
    if (!block.Valid()) return std::wstring();
    LRESULT length = SendOr(status, SB_GETTEXTLENGTHW, pane, 0, 0);
    if (LOWORD(length) == 0 || LOWORD(length) > kMaxTextChars) return std::wstring();
    LRESULT result = 0;
    if (!Send(status, SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(block.At()), result)) return std::wstring();
    return block.ReadText(block.At(), LOWORD(length));
}

}  // namespace remote

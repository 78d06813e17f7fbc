#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "XSimpRadioWin.h"
#include "ui/WindowBase.h"

// What the popup tells the search box. Called on the user-interface thread.
class ISearchPopupDlgAction {
public:
    virtual ~ISearchPopupDlgAction() {}
    // A row was clicked: its id (CSearchPopupDlg::kClearRowId for "清除历史记录").
    virtual void OnPopupRowChosen(int rowId) = 0;
};

// The popup under the search box (window class "CSearchPopupDlg"): three radios that choose the
// search kind ("全部音乐" 0, selected at start; "歌词" 2; "专辑" 1) above rows of 21 pixels, each a
// text on the left and a second text on the right, in history or suggestion mode. It never takes
// the activation, so the field keeps the focus. Its window text lists the rows, one a line, the two
// texts joined by a tab, so that tools and tests can read what it shows. User-interface thread
// only.
class CSearchPopupDlg : public ui::CWindowBase {
public:
    enum Mode { kHistory = 0, kSuggestions = 1 };
    static const int kClearRowId = -3;
    static const int kRowHeight = 21;
    static const int kRadioBarHeight = 26;
    static const int kRadioSpacing = 90;

    struct Row {
        int id;
        std::string text, second;
    };

    // Hidden until shown; owned by `owner` (the frame).
    HWND Create(HWND owner, ISearchPopupDlgAction* action);
    // Replaces the rows (none selected) and shows the popup below `anchor` (screen coordinates), as
    // wide as it, without activating it.
    void ShowRows(Mode mode, const std::vector<Row>& rows, const RECT& anchor);
    void Hide();
    bool IsShown() const;
    Mode CurrentMode() const { return m_mode; }
    // Moves the selection one row down (+1) or up (-1), wrapping and passing over the clear row; the
    // newly selected row, or null when there is none to select.
    const Row* MoveSelection(int step);
    const Row* FindRow(int id) const;
    // The kind of the checked radio.
    int SearchKind() const;
    // A row's place in the popup's client area.
    static RECT RowRect(int index, int width);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCreate(CREATESTRUCTW* create) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }

private:
    int RowAt(POINT client) const;
    void SetHot(int index);

    ISearchPopupDlgAction* m_action = nullptr;
    Mode m_mode = kSuggestions;
    std::vector<Row> m_rows;
    int m_selected = -1;
    int m_hot = -1;
    int m_pressed = -1;
    XSimpRadio m_radios[3];
};

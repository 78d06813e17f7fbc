#pragma once
#include <windows.h>

#include "ui/WindowBase.h"

// Two panes side by side with a bar between them that the user drags (full drag: the panes follow
// the pointer). The left pane keeps its width when the splitter is resized. Window class
// frame::kSplitterClass. User-interface thread only.
class CSplitterWindowEx : public ui::CWindowBase {
public:
    HWND Create(HWND parent, const RECT& rect, UINT id);
    // The panes become children of the splitter's parent chain as they are; they are moved only.
    // Notifications that reach the splitter from child panes are passed on to its parent.
    void SetPanes(HWND left, HWND right);
    void SetLeftPaneWidth(int width);
    int LeftPaneWidth() const { return m_leftWidth; }
    void SetBarWidth(int width);
    void SetFullDrag(bool on) { m_fullDrag = on; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnSize(UINT type, int cx, int cy) override;

private:
    void Layout();
    HWND m_left = nullptr, m_right = nullptr;
    int m_leftWidth = 206, m_barWidth = 3;
    bool m_fullDrag = true, m_dragging = false;
    int m_dragOffset = 0;  // pointer to the bar's left edge when the drag began
    int m_dragLeft = 0;    // where the bar is while dragging
};

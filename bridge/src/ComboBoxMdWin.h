#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "ui/Subclass.h"

// A tracking tooltip that shows a text in full where it is cut. Owned by the control it serves.
class CTrackTip {
public:
    ~CTrackTip();
    void Show(HWND owner, const std::wstring& text, POINT screen);
    void Hide();
    bool IsShown() const { return m_shown; }

private:
    bool Ensure(HWND owner);
    HWND m_tip = nullptr;
    HWND m_owner = nullptr;
    bool m_shown = false;
};

// The drop-down list of the folder combo: items cut by the list's width show a tooltip.
class CListBoxMd : public ui::CSubclassWindow {
protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnMouseMove(POINT client);
    CTrackTip m_tip;
};

// The folder combo box of the download dialog: a folder cut by the edit part shows a tooltip, and
// so do the items of its list (subclassed when the combo first colours it).
class CComboBoxMd : public ui::CSubclassWindow {
public:
    CComboBoxMd();
    ~CComboBoxMd() override;
    // Subclasses the combo and its edit part.
    bool Attach(HWND combo);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    class CEditPart;
    void OnEditMouseMove();
    std::unique_ptr<CListBoxMd> m_list;
    std::unique_ptr<CEditPart> m_edit;
    CTrackTip m_tip;
};

// Width of a text in a window's font, in pixels.
int TextWidthIn(HWND hwnd, const std::wstring& text);

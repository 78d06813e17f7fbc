#pragma once
#include <windows.h>

#include <string>

#include "ui/Gdi.h"
#include "ui/Subclass.h"

// What the search field tells its box. The slot order is part of the contract: never reorder.
// Called on the user-interface thread.
class IEditAction {
public:
    virtual ~IEditAction() {}
    // The field's key (searchtext::FieldKey) after the user changed the text.
    virtual void OnEditTextChanged(const std::string& key) = 0;
    virtual void OnEditSelectDown() = 0;
    virtual void OnEditSelectUp() = 0;
    virtual void OnEditHidePopup() = 0;
    virtual void OnEditFocusGained() = 0;
    virtual void OnEditFocusLost() = 0;
    virtual void OnEditRunSearch() = 0;
    // The pointer entered (true) or left the field.
    virtual void OnEditPointer(bool inside) = 0;
};

// The search field: an EDIT of the window class "CSearchEdit" that shows the cue while it is
// empty and unfocused, turns Enter, Escape, Up and Down into IEditAction calls, and reports the
// text the user changes (not the text the program puts in). Its parent must reflect WM_COMMAND
// (a ui::CWindowBase does) and paints it through WM_CTLCOLOREDIT with TextColour(). User-interface
// thread only.
class CSearchEdit : public ui::CSubclassWindow {
public:
    static const COLORREF kTextColour = RGB(35, 59, 102);
    static const COLORREF kCueColour = RGB(198, 195, 198);

    // A visible child showing the cue. Null on failure (logged).
    HWND Create(HWND parent, const RECT& rect, UINT id, IEditAction* action);
    // The key the field stands for (searchtext::FieldKey of its first characters).
    std::string ReadKey() const;
    bool ShowsCue() const;
    COLORREF TextColour() const { return ShowsCue() ? kCueColour : kTextColour; }
    // Puts `gbk` in the field with the caret at its end; no text-changed call follows.
    void SetFieldText(const std::string& gbk);
    // "宋体" 12 pixels high, shared by the box and its popup; never freed before exit.
    static HFONT Font();
    // The height of a line of text in Font().
    static int TextHeight();

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedCommand(int code) override;

private:
    void SetQuietly(const std::string& gbk);

    IEditAction* m_action = nullptr;
    bool m_quiet = false;             // the program is changing the text
    bool m_selectAllOnClick = false;  // set by a focus gain, used by the next click
    bool m_pointerInside = false;
};

#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "HyperLinkExWin.h"
#include "SearchEditWin.h"
#include "SearchPopupDlgWin.h"
#include "catalogue/NetSongData.h"
#include "ui/MessageLoop.h"
#include "ui/WindowBase.h"

class IFolderAction;

// The search box in the frame's rebar (window class "CSearchInput"): a painted rounded box holding
// the magnifier, the field, the history arrow and the search button, with the feedback link at
// its right; the popup below it offers the history or live suggestions and the search kind.
// Suggestions are asked of the catalogue as it is typed (one request per distinct text) and shown
// when the answer to the latest request arrives; a search is opened through the frame's folder
// actions. Any button press outside the box, the field and the popup hides the popup (a message
// filter of the thread's loop). User-interface thread only.
class CSearchInput : public ui::CWindowBase,
                     public IEditAction,
                     public ISearchPopupDlgAction,
                     public ui::CMessageFilter,
                     public INetSongDataObserver {
public:
    static const int kHeight = 26;
    static const int kHistoryCount = 10;

    // Where the parts lie in a client area of cx x cy: the rounded box (its hover frame is the
    // outermost pixel), the magnifier, the field, the history arrow, the search button and the link.
    struct Layout {
        RECT box, icon, edit, arrow, button, link;
    };
    static Layout ComputeLayout(int cx, int cy);

    CSearchInput();
    ~CSearchInput() override;

    // `folder` opens the searches; it outlives the box.
    HWND Create(HWND parent, UINT id, IFolderAction* folder);
    // The cookie of the last search opened from the box (0 when none or refused).
    unsigned long CurrentSearchId() const { return m_searchId; }
    HWND FieldHwnd() const { return m_edit.GetHwnd(); }

    // IEditAction
    void OnEditTextChanged(const std::string& key) override;
    void OnEditSelectDown() override;
    void OnEditSelectUp() override;
    void OnEditHidePopup() override;
    void OnEditFocusGained() override;
    void OnEditFocusLost() override;
    void OnEditRunSearch() override;
    void OnEditPointer(bool inside) override;

    // ISearchPopupDlgAction
    void OnPopupRowChosen(int rowId) override;

    // ui::CMessageFilter
    bool PreTranslateMessage(MSG* msg) override;

    // INetSongDataObserver: the answers to the suggestion request.
    void OnSearchPage(long cookie, SearchResult* result) override;
    void OnSearchFinished(long cookie) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCreate(CREATESTRUCTW* create) override;
    void OnDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }

private:
    enum Part { kNoPart, kArrowPart, kButtonPart };
    struct Images;

    void Paint(HDC target);
    void Draw(HDC dc, HBITMAP strip, int state, const RECT& at) const;
    Part PartAt(POINT client) const;
    int PartState(Part part) const;
    void SetHover(bool onBox, bool onEdit);
    void RunSearch();
    void MoveSelection(int step);
    void ShowHistory();
    void ShowSuggestions();
    void HidePopup();
    RECT PopupAnchor() const;
    bool IsOwnWindow(HWND hwnd) const;

    IFolderAction* m_folder = nullptr;
    CSearchEdit m_edit;
    CSearchPopupDlg m_popup;
    CHyperLinkEx m_feedback;
    ui::CMessageLoop* m_loop = nullptr;
    bool m_registered = false;
    std::unique_ptr<Images> m_images;

    long m_tipCookie = 0;          // the outstanding suggestion request
    std::string m_lastTipKey;      // the text it was asked for
    int m_kind = kSearchKeyword;   // the kind of the last search run
    unsigned long m_searchId = 0;
    bool m_pointerOnBox = false, m_pointerOnEdit = false;
    Part m_hot = kNoPart, m_pressed = kNoPart;
};

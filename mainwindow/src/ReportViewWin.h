#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "ReportViewRules.h"
#include "ui/Gdi.h"
#include "ui/Subclass.h"

class CSongInfoBase;
class IConfigManager;
class CVxMdReportView;

// Paints one column's cells and answers clicks on them. Drawers hold no row state: hit tests
// are made again from the pointer and the cell's rectangle.
class ListItemDrawer {
public:
    explicit ListItemDrawer(CVxMdReportView& view) : m_view(view) {}
    virtual ~ListItemDrawer() = default;
    virtual void Draw(HDC dc, int row, int column, const RECT& cell, const std::string& text);
    virtual void OnDoubleClick(int row, int column, bool& handled);
    virtual void OnClick(int row, int column);
    // After each draw: 1 when the pointer was over the active part, else 3.
    int LastHover() const { return m_hover; }

protected:
    CVxMdReportView& m_view;
    int m_hover = 3;
};

// The owner-drawn report list of songs inside the content container. Rows carry songs the
// frame owns; gestures leave through g_pUserAction / g_pFolderAction. The parent must reflect
// notifications (a ui::CWindowBase does). User-interface thread only.
class CVxMdReportView : public ui::CSubclassWindow {
public:
    enum { kSongColumnSet = 1 };
    struct Column {
        const char* title;  // GBK
        int width;
        int sortKind;       // reportview::SortKind
        int align;          // 0 left, 1 centred
        std::shared_ptr<ListItemDrawer> drawer;
    };

    CVxMdReportView();
    ~CVxMdReportView() override;

    HWND Create(HWND parent, const RECT& rect, UINT id);

    // Deletes every row and column and shows the set's columns (only set 1 exists).
    void ShowColumnSet(int set);
    int ShownColumnSet() const { return m_shownSet; }
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }

    // Appends a row for a song that stays owned by the caller; switches to the song columns.
    int AddSong(CSongInfoBase* song);
    // Appends many rows and draws once; returns the number added.
    int AddSongs(const std::vector<CSongInfoBase*>& songs);
    void DeleteAllRows();
    int GetRowCount() const;
    CSongInfoBase* GetSong(int row) const;
    std::string GetCellText(int row, int column) const;  // GBK, as the list holds it
    std::vector<CSongInfoBase*> GetSelectedSongs() const;
    int GetSelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }
    // Both report the selection once, at the end.
    void SelectAll();
    void InvertSelection();
    // A second sort by the same column reverses the order.
    void SortByColumn(int column);
    int GetHotRow() const { return m_hotRow; }

    void LoadColumnWidths(IConfigManager& config);
    void SaveColumnWidths(IConfigManager& config) const;

    // For drawers.
    bool GetCellRect(int row, int column, RECT& rect) const;
    bool GetCursorInClient(POINT& pt) const;
    bool IsLeftDown() const { return m_leftDown; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

private:
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* cd);
    void OnMouseMove(POINT pt);
    void SetHotRow(int row);
    void ReplayMouseMove();
    void ReportSelection();
    // The one report of a batch of row changes, when any row changed.
    void ReportHeldSelection();
    int HitColumn(POINT pt, int& row) const;

    // Holds back the selection reports of row changes for its lifetime.
    class CHeldReports {
    public:
        explicit CHeldReports(CVxMdReportView& view) : m_view(view) { ++m_view.m_heldReports; }
        ~CHeldReports() { --m_view.m_heldReports; }
        CHeldReports(const CHeldReports&) = delete;
        CHeldReports& operator=(const CHeldReports&) = delete;

    private:
        CVxMdReportView& m_view;
    };

    std::vector<Column> m_columns;
    int m_shownSet = 0;
    int m_hotRow = -1;
    bool m_tracking = false;
    bool m_leftDown = false;
    int m_sortColumn = -1;
    bool m_sortDescending = false;
    COLORREF m_rowBack = RGB(255, 255, 255);
    HIMAGELIST m_rowHeight = nullptr;
    int m_heldReports = 0;
    bool m_heldReport = false;  // a row changed while reports were held
};

#pragma once

#include "View.h"

#include "TableRowView.h"

#include <QColor>
#include <QPointer>

#include <set>
#include <vector>

class ScrollView;

// A list of self-drawing rows, one column, no header: the document of a
// ScrollView. Row r sits at y = r × (row height + vertical spacing) in the
// table's flipped coordinates, as wide as the table and one row height high.
// Subclasses are the data source: they answer the number of rows and the
// row view of each index (a view they keep; the table places it and marks
// its selection but never deletes it).
//
// Selection under the mouse is told apart from a settled one: while a press
// changes it, selectionIsChanging() runs; selectionDidChange() runs once
// when the press ends, or at once for a change made in code.
class TableView : public View {
    Q_OBJECT

public:
    enum GridStyle : unsigned { GridNone = 0, SolidHorizontalGridLine = 2 };

    explicit TableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TableView() override;

    double rowHeight() const { return m_rowHeight; }
    // A negative or non-finite height is taken as 0.
    void setRowHeight(double height);
    // The space between rows (the platform's default 2 points).
    double verticalSpacing() const { return m_verticalSpacing; }
    void setVerticalSpacing(double spacing);
    // Row height plus spacing: the distance from one row's top to the next.
    double rowPitch() const { return m_rowHeight + m_verticalSpacing; }

    unsigned gridStyleMask() const { return m_gridStyle; }
    void setGridStyleMask(unsigned mask) { m_gridStyle = mask; }
    QColor gridColor() const { return m_gridColor; }
    void setGridColor(const QColor& color) { m_gridColor = color; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }
    void setAllowsMultipleSelection(bool allows);

    // --- data source -------------------------------------------------------
    virtual int numberOfRows() const { return 0; }
    // Null past the end.
    virtual TableRowView* rowViewForRow(int row) { (void)row; return nullptr; }
    // The height of one row; read at every reload. The default is rowHeight().
    virtual double heightOfRow(int row) const { (void)row; return m_rowHeight; }
    // Whether a row may be selected (by a press or in code).
    virtual bool shouldSelectRow(int row) const { (void)row; return true; }

    // Asks the data source again: places every row, takes away views that
    // are no longer rows, drops selected indexes past the end.
    virtual void reloadData();
    // After the data source moved one row from one index to another: the
    // selection moves with it and the rows are placed again.
    void moveRow(int from, int to);
    // After the data source dropped the row at the index: the rows below
    // move up and the selection follows them (the row's own selection goes),
    // while the row's view fades out sliding left by its width over
    // rowRemovalDuration seconds (times Window::animationDurationScale; at 0
    // at once), then leaves the table. The view is the table's from then on:
    // it is deleted once it has left. An index outside the rows is ignored.
    void removeRowWithSlideAndFade(int row);
    static constexpr double rowRemovalDuration = 0.25;
    // A long list places (adds, shows) only the rows the enclosing scroll
    // view shows, and more as it scrolls; the others are left alone. It asks
    // rowViewForRow only for those rows, each when it first comes into view
    // after a reload, so a data source may make row views on demand; views
    // that went out of view or are no longer rows are hidden. Off by default.
    bool placesVisibleRowsOnly() const { return m_placesVisibleRowsOnly; }
    void setPlacesVisibleRowsOnly(bool only);
    // Places the rows now in view (a no-op unless placesVisibleRowsOnly()).
    void placeVisibleRows();
    int rowCount() const { return m_rowCount; }
    // After the heights of some rows changed in place: the heights are read
    // again, the changed rows' views are asked for again (a data source may
    // have put another view there) and every placed row moves to its new
    // place; no other row view is asked for. Rows above the first changed
    // row stay where they were. Indexes outside the rows are ignored; the
    // number of rows must be the same as at the last reload.
    void noteHeightOfRowsWithIndexesChanged(const std::vector<int>& rows);

    // --- geometry ----------------------------------------------------------
    // -1 outside the rows (the spacing under a row belongs to that row).
    int rowAtPoint(const QPointF& point) const;
    QRectF rectOfRow(int row) const;
    // The bottom of the last row; 0 without rows.
    double yPositionPastLastRow() const;
    // The height the rows take, their spacing included.
    double heightOfAllRows() const;
    // The first row and the count of rows that meet the rectangle.
    std::pair<int, int> rowsInRect(const QRectF& rect) const;
    // The rows the enclosing scroll view shows (all rows without one).
    std::pair<int, int> visibleRows() const;
    // Scrolls the enclosing scroll view the least that shows the row.
    void scrollRowToVisible(int row);
    ScrollView* enclosingScrollView() const;

    // --- selection ---------------------------------------------------------
    std::vector<int> selectedRowIndexes() const { return {m_selected.begin(), m_selected.end()}; }
    // The first selected row; -1 when none.
    int selectedRow() const { return m_selected.empty() ? -1 : *m_selected.begin(); }
    bool isRowSelected(int row) const { return m_selected.count(row) != 0; }
    // Indexes outside the rows are ignored; without multiple selection only
    // the first is taken and extend is ignored.
    void selectRowIndexes(const std::vector<int>& rows, bool extend);
    void deselectRow(int row);
    void deselectAll();

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    // A press selects the row under it (Command toggles, Shift extends when
    // multiple selection is on); a press outside the rows clears it.
    void mouseDown(const Event& event) override;
    void mouseUp(const Event& event) override;
    // Draws the band below the last row again: the lists that rule or shade
    // it draw it by their height, and a resize redraws only what it uncovers.
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

Q_SIGNALS:
    void selectionChanging();
    void selectionChanged();

protected:
    // Asks for the band below the last row to be drawn again.
    void redrawBandBelowLastRow();

    virtual void selectionIsChanging() {}
    virtual void selectionDidChange() {}

private:
    void applySelection(std::set<int> selection);
    void markRows();
    void placeRow(int row, TableRowView* view);
    void computeRowTops();
    void observeScrollView();

    double m_rowHeight = 16;
    double m_verticalSpacing = 2;
    unsigned m_gridStyle = GridNone;
    QColor m_gridColor{223, 223, 223};
    QColor m_backgroundColor;
    bool m_allowsMultipleSelection = false;
    int m_rowCount = 0;
    std::set<int> m_selected;
    int m_anchorRow = -1;
    bool m_tracking = false;
    bool m_changedWhileTracking = false;
    // Guarded: a data source may delete a row view between reloads.
    std::vector<QPointer<TableRowView>> m_placedRows;
    // The top of every row and, last, the end of the last one's spacing;
    // empty while all rows are rowHeight() high.
    std::vector<double> m_rowTops;
    bool m_placesVisibleRowsOnly = false;
    QPointer<ScrollView> m_observedScrollView;
};

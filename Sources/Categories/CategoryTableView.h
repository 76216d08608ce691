#pragma once

#include "ModelTypes.h"
#include "TableView.h"

#include <QPointer>

#include <vector>

// The show/hide popover's table: every ordinary category, hidden ones too,
// in the category list's three groups by kind, each category a row with its
// show/hide box. It sums the height its rows need so the popover can fit
// them, and Delete removes the selected category after a question. A row's
// view is made when it first comes into view, so a long list opens in one
// frame. Its own data source; main thread only.
class CategoryTableView : public TableView {
    Q_OBJECT

public:
    static constexpr double categoryRowHeight = 38;
    static constexpr double headerRowHeight = 18;
    // What totalHeight counts for each row.
    static constexpr double headerHeightShare = 20;
    static constexpr double categoryHeightShare = 38;

    explicit CategoryTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryTableView() override;

    // Rebuilds the rows and totalHeight from the data manager. A row's box
    // asks for it by name when showing its category brought in no item.
    Q_INVOKABLE void loadData();
    // 20 per header row and 38 per category row of the last loadData; a
    // removed row leaves it as it was.
    double totalHeight() const { return m_totalHeight; }
    // The category of a row; null for a header row and past the end.
    CalendarPtr categoryAt(int row) const;
    // The row's view, made now if it was not yet: a header row
    // (InfoListItemView) or a category row (CategoryListItemView); null past
    // the end.
    TableRowView* rowAt(int row);
    bool isGroupRow(int row) const;

    // The selected category goes after a question; the default one is
    // refused while it is the only visible ordinary category; a shared one
    // is left alone.
    void applyDelete();
    void deleteCategory() { applyDelete(); }
    // The bottom of the last row; 0 without rows.

    int numberOfRows() const override { return int(m_entries.size()); }
    TableRowView* rowViewForRow(int row) override { return rowAt(row); }
    double heightOfRow(int row) const override;
    bool shouldSelectRow(int row) const override { return !isGroupRow(row); }
    void keyDown(const Event& event) override;

private:
    void removeCategoryRow(const CalendarPtr& category);

    struct Entry {
        QString header;  // a header row's title
        CalendarPtr category;  // a category row's category
    };
    std::vector<Entry> m_entries;
    std::vector<QPointer<TableRowView>> m_rows;
    double m_totalHeight = 0;
};

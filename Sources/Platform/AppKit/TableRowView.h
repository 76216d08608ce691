#pragma once

#include "View.h"

#include <vector>

// One row of a TableView: a flipped view that draws itself in three layers,
// its background, then (while selected) its selection, then its separator.
// Subclasses replace the layers they need; the defaults draw nothing but the
// selection, a plain highlight.
class TableRowView : public View {
    Q_OBJECT

public:
    explicit TableRowView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TableRowView() override;

    bool isSelected() const { return m_selected; }
    // Redraws when the state changes.
    void setSelected(bool selected);

    virtual void drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect);
    virtual void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect);
    virtual void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    bool m_selected = false;
};

// Takes the rows off the screen and deletes them once the event loop is back
// (a row's own handler or question may be what runs), then empties the list.
// Null entries, rows not made yet, are skipped.
template <class Row>
void discardRows(std::vector<Row*>& rows)
{
    for (Row* row : rows) {
        if (!row) continue;
        row->hide();
        row->deleteLater();
    }
    rows.clear();
}

// The last of the spare rows a list keeps for its next load, taken off the
// list; null when none is left.
template <class Row>
Row* takeSpareRow(std::vector<Row*>& spares)
{
    if (spares.empty()) return nullptr;
    Row* row = spares.back();
    spares.pop_back();
    return row;
}

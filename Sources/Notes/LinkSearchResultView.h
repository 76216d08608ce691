#pragma once

#include "ModelTypes.h"
#include "TableRowView.h"
#include "TableView.h"

#include <QPointer>

#include <memory>
#include <vector>

class Button;
class CustomNSTextField;
class LinkSearchResultView;

// One match of the add-link search: the checkbox, the item's kind icon in
// its category's colour and its name, struck through when done. Draws no
// selection.
class LinkSearchListItemView : public TableRowView {
    Q_OBJECT

public:
    explicit LinkSearchListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkSearchListItemView() override;

    void setData(const TaskPtr& item);
    TaskPtr data() const { return m_data; }
    bool isSelected() const;
    Button* selectBtn() const { return m_selectBtn; }
    CustomNSTextField* title() const { return m_title; }
    LinkSearchResultView* parentView() const { return m_parentView; }
    void setParentView(LinkSearchResultView* view) { m_parentView = view; }
    // The checkbox's action.
    void select();

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TaskPtr m_data;
    QImage m_icon;
    Button* m_selectBtn = nullptr;
    CustomNSTextField* m_title = nullptr;
    QPointer<LinkSearchResultView> m_parentView;
};

// The add-link page's matches, one row of 25 each, in working-list order.
// Rows are made without controls until the list first places them, so a
// keystroke over a long working list builds only what shows.
class LinkSearchResultView : public TableView {
    Q_OBJECT

public:
    static constexpr double resultRowHeight = 25;

    explicit LinkSearchResultView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkSearchResultView() override;

    // Lists the items of the working list that match the text and may be
    // linked with the item, less those in the current links.
    void loadSearchResultWithSearchText(const QString& text, const TaskList& excludeList, const TaskPtr& currentItem);
    void setAddButtonStateIfNeed();

    const TaskList& results() const { return m_results; }
    // The row of a result, made on first use.
    LinkSearchListItemView* itemAt(int row);
    // The results whose checkbox is on, in list order.
    TaskList selectedItems() const;
    bool hasSelection() const;
    QWidget* parentView() const { return m_parentView; }
    void setParentView(QWidget* view) { m_parentView = view; }

    int numberOfRows() const override { return int(m_results.size()); }
    TableRowView* rowViewForRow(int row) override { return itemAt(row); }
    double heightOfRow(int) const override { return resultRowHeight; }

private:
    TaskList m_results;
    std::vector<QPointer<LinkSearchListItemView>> m_rows;
    QPointer<QWidget> m_parentView;
};

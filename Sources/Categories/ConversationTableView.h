#pragma once

#include "TableView.h"

#include <QPointer>

#include <vector>

class CommentItemView;

// The conversation of one shared item or category: its stored comments,
// oldest first, one bubble each. The list only reads; its host marks the
// comments read when it shows them.
class ConversationTableView : public TableView {
    Q_OBJECT

public:
    // The kinds of commented objects.
    static constexpr qint64 itemComments = 0;
    static constexpr qint64 categoryComments = 1;

    explicit ConversationTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~ConversationTableView() override;

    qint64 itemKey() const { return m_itemKey; }
    void setItemKey(qint64 key) { m_itemKey = key; }
    qint64 commentType() const { return m_commentType; }
    void setCommentType(qint64 type) { m_commentType = type; }

    // A row for each stored comment of the item or category, as wide as the
    // table; totalHeight becomes the sum of their heights.
    void loadComments();

    // The rows of the last load, in order.
    std::vector<CommentItemView*> arrayOfComments() const;
    double totalHeight() const { return m_totalHeight; }
    void setTotalHeight(double height) { m_totalHeight = height; }

    int numberOfRows() const override { return int(m_rows.size()); }
    TableRowView* rowViewForRow(int row) override;
    // The row's own height; 1 past the rows.
    double heightOfRow(int row) const override;

private:
    std::vector<QPointer<CommentItemView>> m_rows;
    qint64 m_itemKey = 0;
    qint64 m_commentType = itemComments;
    double m_totalHeight = 0;
};

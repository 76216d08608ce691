#pragma once

#include "ModelTypes.h"
#include "TableView.h"

#include <QList>
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
    // table; totalHeight becomes the sum of their heights. A row's view is
    // made when it first comes into view, so a long conversation opens fast.
    void loadComments();

    // Marks the item's comments read, as one change of the person's, when
    // a shown one is still new; refused, the person is told and they stay
    // counted as new. False when refused.
    bool markShownRead();

    // The rows of the last load, in order (every row's view made now).
    std::vector<CommentItemView*> arrayOfComments();
    // The row's view, made now if it was not yet; null past the end.
    CommentItemView* rowAt(int row);
    double totalHeight() const { return m_totalHeight; }
    void setTotalHeight(double height) { m_totalHeight = height; }

    int numberOfRows() const override { return int(m_comments.size()); }
    TableRowView* rowViewForRow(int row) override;
    // The row's own height; 1 past the rows.
    double heightOfRow(int row) const override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QList<ZVCommentPtr> m_comments;
    bool m_rowsWaiting = false;
    std::vector<double> m_heights;
    std::vector<QPointer<CommentItemView>> m_rows;
    double m_rowWidth = 0;
    qint64 m_itemKey = 0;
    qint64 m_commentType = itemComments;
    double m_totalHeight = 0;
};

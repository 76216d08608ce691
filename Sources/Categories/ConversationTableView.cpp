#include "ConversationTableView.h"

#include "Color.h"
#include "CommentItemView.h"
#include "CoreData.h"
#include "ZVComment.h"

ConversationTableView::ConversationTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setBackgroundColor(Color::calibratedRGB(1, 1, 1, 1));
    setRowHeight(CommentItemView::startingHeight);
}

ConversationTableView::~ConversationTableView() = default;

void ConversationTableView::loadComments()
{
    const std::vector<QPointer<CommentItemView>> old = std::move(m_rows);
    m_rows.clear();
    m_totalHeight = 0;
    const double width = frame().width();
    const CoreData* manager = CoreData::shared();
    const QList<ZVCommentPtr> comments =
        manager ? manager->getConversationsFor(m_itemKey, m_commentType) : QList<ZVCommentPtr>();
    m_rows.reserve(std::size_t(comments.size()));
    for (const ZVCommentPtr& comment : comments) {
        auto* row = new CommentItemView(QRectF(0, 0, width, CommentItemView::startingHeight), this);
        row->setCommentData(comment);
        m_totalHeight += row->frame().height();
        m_rows.emplace_back(row);
    }
    reloadData();
    // Later: a reload may come while one of the old rows handles an event.
    for (const QPointer<CommentItemView>& row : old)
        if (row) row->deleteLater();
}

std::vector<CommentItemView*> ConversationTableView::arrayOfComments() const
{
    std::vector<CommentItemView*> rows;
    rows.reserve(m_rows.size());
    for (const QPointer<CommentItemView>& row : m_rows)
        if (row) rows.push_back(row);
    return rows;
}

TableRowView* ConversationTableView::rowViewForRow(int row)
{
    if (row < 0 || row >= int(m_rows.size())) return nullptr;
    return m_rows[std::size_t(row)];
}

double ConversationTableView::heightOfRow(int row) const
{
    if (row < 0 || row >= int(m_rows.size()) || !m_rows[std::size_t(row)]) return 1;
    return m_rows[std::size_t(row)]->frame().height();
}
